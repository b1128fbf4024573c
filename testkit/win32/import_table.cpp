// Import-table patching of a loaded module, and the system's words for a status.
#include "testkit/win32/import_table.h"

#include <cstring>

#include "testkit/utf_text.h"
#include "testkit/win32/win32_text.h"

namespace testkit::win32 {
namespace {

void* ReplacementFor(const Replacement* table, std::size_t count, const char* dll, const char* name) {
  for (std::size_t i = 0; i < count; ++i)
    if (lstrcmpiA(table[i].dll, dll) == 0 && std::strcmp(table[i].name, name) == 0) return table[i].function;
  return nullptr;
}

void Patch(ULONG_PTR* slot, void* function) {
  DWORD old = 0;
  VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
  *slot = reinterpret_cast<ULONG_PTR>(function);
  VirtualProtect(slot, sizeof *slot, old, &old);
}

}  // namespace

void ReplaceImports(HMODULE module, const Replacement* table, std::size_t count) {
  auto* base = reinterpret_cast<BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.VirtualAddress == 0) return;
  for (auto* imp = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name != 0;
       ++imp) {
    const char* dll = reinterpret_cast<const char*>(base + imp->Name);
    const DWORD namesAt = imp->OriginalFirstThunk != 0 ? imp->OriginalFirstThunk : imp->FirstThunk;
    auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + namesAt);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (void* replacement = ReplacementFor(table, count, dll, reinterpret_cast<const char*>(byName->Name)))
        Patch(&slots->u1.Function, replacement);
    }
  }
}

std::string StatusText(DWORD status) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, status,
      0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string words = length == 0 ? u"" : U(text);
  LocalFree(text);
  while (!words.empty() && (words.back() == u'\n' || words.back() == u'\r' || words.back() == u' '))
    words.pop_back();
  return "status " + std::to_string(status) + (words.empty() ? "" : " (" + ToUtf8(words) + ")");
}

}  // namespace testkit::win32
