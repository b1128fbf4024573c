// The Windows machine this program runs on, as a capture reads it: every key is opened in the
// 64-bit view by its own path (the 32-bit view's keys are under WOW6432Node there), and nothing
// is ever changed.
#include <windows.h>

#include <cstdio>
#include <share.h>

#include "testkit/capture_scenario_machine.h"
#include "testkit/win32/key_view.h"
#include "testkit/win32/win32_text.h"

namespace testkit {
namespace {

using win32::U;
using win32::W;

class Win32RealMachine : public machine::RealMachineReader {
 public:
  machine::Windows Kind() const override {
    return win32::RunsOn64BitWindows() ? machine::Windows::X64 : machine::Windows::X86;
  }

  std::u16string Name() override {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &size) ? U(name) : std::u16string();
  }

  std::int32_t OpenStatus(const std::u16string& key, std::uint32_t access) override {
    HKEY opened = nullptr;
    const LSTATUS status = Open(key, access, &opened);
    if (status == ERROR_SUCCESS) RegCloseKey(opened);
    return status;
  }

  std::int32_t ReadValue(const std::u16string& key, const std::u16string& name,
                         std::optional<RegValue>* value) override {
    value->reset();
    HKEY opened = nullptr;
    LSTATUS status = Open(key, KEY_QUERY_VALUE, &opened);
    if (status != ERROR_SUCCESS) return status;
    DWORD type = 0, bytes = 0;
    std::vector<std::uint8_t> data;
    do {
      status = RegQueryValueExW(opened, W(name), nullptr, &type, nullptr, &bytes);
      if (status != ERROR_SUCCESS) break;
      data.assign(bytes, 0);
      status = RegQueryValueExW(opened, W(name), nullptr, &type, data.empty() ? nullptr : data.data(), &bytes);
    } while (status == ERROR_MORE_DATA);
    RegCloseKey(opened);
    if (status == ERROR_SUCCESS) {
      data.resize(bytes);
      *value = RegValue{type, data};
    }
    return status;
  }

  std::optional<std::u16string> Environment(const std::u16string& name) override {
    std::u16string value(256, u'\0');
    for (;;) {
      SetLastError(ERROR_SUCCESS);
      const DWORD got = GetEnvironmentVariableW(W(name), reinterpret_cast<wchar_t*>(&value[0]),
                                                static_cast<DWORD>(value.size()));
      if (got == 0) {
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        return std::u16string();
      }
      if (got < value.size()) return value.substr(0, got);
      value.assign(got, u'\0');
    }
  }

  std::optional<std::uint64_t> FreeBytes(const std::u16string& root) override {
    ULARGE_INTEGER caller{}, total{}, free{};
    if (!GetDiskFreeSpaceExW(W(root), &caller, &total, &free)) return std::nullopt;
    return caller.QuadPart;
  }

  std::u16string WindowsFolder() override {
    wchar_t folder[MAX_PATH + 1];
    const UINT length = GetWindowsDirectoryW(folder, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(folder), length);
  }

  machine::FileState File(const std::u16string& path) override {
    if (FILE* file = _wfsopen(W(path), L"rt", _SH_DENYNO)) {
      fclose(file);
      return machine::FileState::Readable;
    }
    return GetFileAttributesW(W(path)) != INVALID_FILE_ATTRIBUTES ? machine::FileState::Locked
                                                                   : machine::FileState::Absent;
  }

  bool HoldsShutdownPrivilege() override {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    LUID shutdown{};
    DWORD bytes = 0;
    GetTokenInformation(token, TokenPrivileges, nullptr, 0, &bytes);
    std::vector<std::uint8_t> buffer(bytes);
    bool held = false;
    if (LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &shutdown) && !buffer.empty() &&
        GetTokenInformation(token, TokenPrivileges, buffer.data(), bytes, &bytes)) {
      const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
      for (DWORD i = 0; i < privileges->PrivilegeCount; ++i)
        held = held || (privileges->Privileges[i].Luid.LowPart == shutdown.LowPart &&
                        privileges->Privileges[i].Luid.HighPart == shutdown.HighPart);
    }
    CloseHandle(token);
    return held;
  }

 private:
  // Only keys below HKEY_LOCAL_MACHINE are ever asked: HKEY_CLASSES_ROOT's are its Software\Classes.
  static LSTATUS Open(const std::u16string& key, std::uint32_t access, HKEY* opened) {
    const std::u16string below = win32::BelowMachine(key);
    if (below.empty()) return ERROR_INVALID_PARAMETER;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(below), 0,
                         (access & ~static_cast<std::uint32_t>(KEY_WOW64_32KEY)) | KEY_WOW64_64KEY, opened);
  }
};

}  // namespace

std::unique_ptr<machine::RealMachineReader> MakeRealMachine() { return std::make_unique<Win32RealMachine>(); }

}  // namespace testkit
