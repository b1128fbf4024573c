// Action libraries loaded from their files, and the exports read from a PE or ELF file.
#include "testkit/library.h"

#include <algorithm>
#include <cstring>
#include <utility>

#ifdef _WIN32
#include <windows.h>

#include "testkit/win32/win32_text.h"
#else
#include <dlfcn.h>
#include <elf.h>
#endif

#include "testkit/files.h"
#include "testkit/utf_text.h"

namespace testkit {
namespace {

template <class T>
bool At(const std::string& bytes, size_t offset, T& out) {
  if (offset > bytes.size() || bytes.size() - offset < sizeof(T)) return false;
  std::memcpy(&out, bytes.data() + offset, sizeof(T));
  return true;
}

std::string CString(const std::string& bytes, size_t offset) {
  if (offset >= bytes.size()) return {};
  const size_t end = bytes.find('\0', offset);
  return bytes.substr(offset, end == std::string::npos ? std::string::npos : end - offset);
}

// PE: the export directory's name table, read from the file through the section table.
Result<std::vector<std::string>> PeExports(const std::string& bytes) {
  std::vector<std::string> names;
  std::uint32_t peOffset = 0;
  std::uint32_t signature = 0;
  if (!At(bytes, 0x3C, peOffset) || !At(bytes, peOffset, signature) || signature != 0x00004550) {
    return Failure("not a PE image");
  }
  std::uint16_t sections = 0, optionalSize = 0, magic = 0;
  At(bytes, peOffset + 6, sections);
  At(bytes, peOffset + 20, optionalSize);
  const size_t optional = peOffset + 24;
  At(bytes, optional, magic);
  const size_t directories = optional + (magic == 0x20B ? 112 : 96);
  std::uint32_t exportRva = 0;
  if (!At(bytes, directories, exportRva)) {
    return Failure("truncated PE header");
  }
  const size_t table = optional + optionalSize;
  auto toOffset = [&](std::uint32_t rva, size_t& offset) {
    for (std::uint16_t i = 0; i < sections; ++i) {
      std::uint32_t size = 0, address = 0, raw = 0;
      const size_t header = table + i * 40u;
      if (!At(bytes, header + 8, size) || !At(bytes, header + 12, address) || !At(bytes, header + 20, raw))
        return false;
      if (rva >= address && rva < address + size) {
        offset = raw + (rva - address);
        return true;
      }
    }
    return false;
  };
  if (exportRva == 0) return names;  // no exports at all
  size_t dir = 0;
  std::uint32_t count = 0, namesRva = 0;
  if (!toOffset(exportRva, dir) || !At(bytes, dir + 24, count) || !At(bytes, dir + 32, namesRva)) {
    return Failure("unreadable export directory");
  }
  size_t list = 0;
  if (count != 0 && !toOffset(namesRva, list)) {
    return Failure("unreadable export names");
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t nameRva = 0;
    size_t name = 0;
    if (!At(bytes, list + 4u * i, nameRva) || !toOffset(nameRva, name)) {
      return Failure("unreadable export name");
    }
    names.push_back(CString(bytes, name));
  }
  return names;
}

#ifndef _WIN32
// ELF64: the defined global functions of the dynamic symbol table.
Result<std::vector<std::string>> ElfExports(const std::string& bytes) {
  std::vector<std::string> names;
  Elf64_Ehdr header;
  if (!At(bytes, 0, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
      header.e_ident[EI_CLASS] != ELFCLASS64) {
    return Failure("not a 64-bit ELF shared library");
  }
  for (unsigned i = 0; i < header.e_shnum; ++i) {
    Elf64_Shdr section, strings;
    if (!At(bytes, header.e_shoff + i * sizeof(Elf64_Shdr), section)) break;
    if (section.sh_type != SHT_DYNSYM) continue;
    if (!At(bytes, header.e_shoff + section.sh_link * sizeof(Elf64_Shdr), strings)) break;
    for (size_t at = 0; at + sizeof(Elf64_Sym) <= section.sh_size; at += sizeof(Elf64_Sym)) {
      Elf64_Sym symbol;
      if (!At(bytes, section.sh_offset + at, symbol)) break;
      if (ELF64_ST_TYPE(symbol.st_info) == STT_FUNC && ELF64_ST_BIND(symbol.st_info) == STB_GLOBAL &&
          symbol.st_shndx != SHN_UNDEF && ELF64_ST_VISIBILITY(symbol.st_other) == STV_DEFAULT)
        names.push_back(CString(bytes, strings.sh_offset + symbol.st_name));
    }
    return names;
  }
  return Failure("no dynamic symbol table");
}
#endif

}  // namespace

Library::Library(Library&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), path_(std::move(other.path_)) {}

Library::~Library() {
#ifdef _WIN32
  if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
#else
  if (handle_ != nullptr) dlclose(handle_);
#endif
}

Result<> Library::Load(const std::string& path) {
  path_ = path;
#ifdef _WIN32
  const std::u16string wide = FromUtf8(path);
  handle_ = LoadLibraryW(reinterpret_cast<const wchar_t*>(wide.c_str()));
  if (handle_ == nullptr) {
    return Failure("cannot load " + path + ": " + win32::StatusText(GetLastError()));
  }
#else
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* reported = dlerror();
    std::string why = reported != nullptr ? reported : "unknown error";
    // The loader's message usually starts with the path again.
    if (why.compare(0, path.size() + 2, path + ": ") == 0) why.erase(0, path.size() + 2);
    return Failure("cannot load " + path + ": " + why);
  }
#endif
  return {};
}

ActionFunction Library::Find(const std::string& action) const {
  if (handle_ == nullptr) return nullptr;
#ifdef _WIN32
  return reinterpret_cast<ActionFunction>(
      reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), action.c_str())));
#else
  return reinterpret_cast<ActionFunction>(dlsym(handle_, action.c_str()));
#endif
}

Result<std::vector<std::string>> ListExports(const std::string& path) {
  Result<std::string> bytes = ReadWholeFile(path);
  if (!bytes) return Failure("cannot read " + path);
#ifdef _WIN32
  return PeExports(*bytes);
#else
  if (bytes->compare(0, 2, "MZ") == 0) return PeExports(*bytes);
  return ElfExports(*bytes);
#endif
}

std::string LibraryFile(const std::string& nameOrPath, const std::string& folder) {
  if (nameOrPath.find_first_of("/\\") != std::string::npos) return nameOrPath;
#ifdef _WIN32
  const std::string file = nameOrPath + ".dll";
#else
  const std::string file = "lib" + nameOrPath + ".so";
#endif
  return folder.empty() ? file : folder + "/" + file;
}

namespace {

const char* const kActionLibraries[] = {"ovrel", "caddon"};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// At most one letter apart (one added, left out or changed), letter case aside.
bool Near(const std::string& a, const std::string& b) {
  const std::string& shorter = a.size() <= b.size() ? a : b;
  const std::string& longer = a.size() <= b.size() ? b : a;
  if (longer.size() - shorter.size() > 1) return false;
  size_t i = 0;
  while (i < shorter.size() && Lower(shorter[i]) == Lower(longer[i])) ++i;
  if (i == shorter.size()) return true;
  const size_t skip = shorter.size() == longer.size() ? 1 : 0;  // a changed letter, else one added
  for (size_t j = i + skip; j < shorter.size(); ++j)
    if (Lower(shorter[j]) != Lower(longer[j + 1 - skip])) return false;
  return true;
}

}  // namespace

std::string DidYouMean(const std::string& wanted, const std::vector<std::string>& names) {
  for (const std::string& name : names)
    if (name != wanted && Near(wanted, name)) return " (did you mean \"" + name + "\"?)";
  return "";
}

std::optional<std::string> UnknownLibrary(const std::string& name, const std::string& folder) {
  if (name.find_first_of("/\\") != std::string::npos || PathExists(LibraryFile(name, folder))) return std::nullopt;
  std::vector<std::string> known;
  for (const char* library : kActionLibraries) {
    if (Result<std::vector<std::string>> actions = ListExports(LibraryFile(library, folder))) {
      if (std::find(actions->begin(), actions->end(), name) != actions->end())
        return name + " is an action of " + library + ", not a library: call " + library + " " + name;
    }
    known.emplace_back(library);
  }
  return "unknown library \"" + name + "\"" + DidYouMean(name, known) + ": the libraries are ovrel and caddon (" +
         LibraryFile("ovrel", folder) + " and " + LibraryFile("caddon", folder) + "), or give a library file's path";
}

}  // namespace testkit
