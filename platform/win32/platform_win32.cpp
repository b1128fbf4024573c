// The boundary on Windows: each function is one Win32 or C runtime call.
#include <windows.h>
#include <shellapi.h>
#include <share.h>
#include <stdio.h>
#include <time.h>

#include "platform/platform.h"

namespace platform {
namespace {

const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

HKEY Root(Hive hive) { return hive == Hive::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CLASSES_ROOT; }

}  // namespace

std::int32_t OpenKey(Hive hive, const std::u16string& path, std::uint32_t access,
                     KeyHandle* key) {
  HKEY opened = nullptr;
  const LONG status = RegOpenKeyExW(Root(hive), W(path), 0, access, &opened);
  *key = status == ERROR_SUCCESS ? opened : nullptr;
  return status;
}

std::int32_t CreateKey(Hive hive, const std::u16string& path, std::uint32_t access,
                       KeyHandle* key) {
  HKEY created = nullptr;
  const LONG status = RegCreateKeyExW(Root(hive), W(path), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      access, nullptr, &created, nullptr);
  *key = status == ERROR_SUCCESS ? created : nullptr;
  return status;
}

std::int32_t QueryValue(KeyHandle key, const std::u16string& name, void* data,
                        std::uint32_t* bytes) {
  DWORD count = bytes != nullptr ? *bytes : 0;
  const LONG status = RegQueryValueExW(static_cast<HKEY>(key), W(name), nullptr, nullptr,
                                       static_cast<BYTE*>(data), bytes != nullptr ? &count : nullptr);
  if (bytes != nullptr) *bytes = count;
  return status;
}

std::int32_t SetValue(KeyHandle key, const std::u16string& name, std::uint32_t type,
                      const void* data, std::uint32_t bytes) {
  return RegSetValueExW(static_cast<HKEY>(key), W(name), 0, type,
                        static_cast<const BYTE*>(data), bytes);
}

std::int32_t SetValueAnsi(KeyHandle key, const char* name, std::uint32_t type,
                          const void* data, std::uint32_t bytes) {
  return RegSetValueExA(static_cast<HKEY>(key), name, 0, type,
                        static_cast<const BYTE*>(data), bytes);
}

void CloseKey(KeyHandle key) { RegCloseKey(static_cast<HKEY>(key)); }

bool FreeBytesForCaller(const std::u16string& folder, std::uint64_t* callerFreeBytes) {
  ULARGE_INTEGER caller{}, total{}, totalFree{};
  if (!GetDiskFreeSpaceExW(W(folder), &caller, &total, &totalFree)) return false;
  *callerFreeBytes = caller.QuadPart;
  return true;
}

std::u16string EnvironmentVariable(const std::u16string& name) {
  std::u16string value(256, u'\0');
  for (;;) {
    const DWORD got = GetEnvironmentVariableW(W(name), reinterpret_cast<wchar_t*>(&value[0]),
                                              static_cast<DWORD>(value.size()));
    if (got == 0) return {};
    if (got < value.size()) {
      value.resize(got);
      return value;
    }
    value.assign(got, u'\0');  // `got` is the size needed, terminator included
  }
}

std::u16string WindowsFolder() {
  wchar_t folder[MAX_PATH + 1];
  const UINT length = GetWindowsDirectoryW(folder, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(folder), length);
}

bool StartShellProgram(const ShellStart& start) {
  SHELLEXECUTEINFOW info;
  ZeroMemory(&info, sizeof info);
  info.cbSize = sizeof info;
  info.fMask = start.mask;
  info.hwnd = nullptr;
  info.lpVerb = W(start.verb);
  info.lpFile = W(start.file);
  info.lpParameters = W(start.parameters);
  info.lpDirectory = W(start.directory);
  info.nShow = start.show;
  return ShellExecuteExW(&info) != FALSE;
}

bool OpenForSharedReading(const std::u16string& path) {
  FILE* file = _wfsopen(W(path), L"rt", _SH_DENYNO);
  if (file == nullptr) return false;
  fclose(file);
  return true;
}

bool CurrentLocalTime(LocalTime* now) {
  __time64_t seconds = _time64(nullptr);
  const struct tm* local = _localtime64(&seconds);
  if (local == nullptr) return false;
  *now = LocalTime{local->tm_year + 1900, local->tm_mon + 1, local->tm_mday,
                   local->tm_hour,        local->tm_min,     local->tm_sec};
  return true;
}

int WideToAnsi(std::uint32_t flags, const std::u16string& text, char* buffer, int size) {
  return WideCharToMultiByte(CP_ACP, flags, W(text), -1, buffer, size, nullptr, nullptr);
}

int ShowMessageBox(const std::u16string& text, const std::u16string& caption, unsigned style) {
  return MessageBoxW(nullptr, W(text), W(caption), style);
}

bool OpenOwnToken(std::uint32_t access, TokenHandle* token) {
  HANDLE opened = nullptr;
  if (!::OpenProcessToken(GetCurrentProcess(), access, &opened)) return false;
  *token = opened;
  return true;
}

bool LookupPrivilege(const std::u16string& name, PrivilegeId* id) {
  LUID luid{};
  if (!LookupPrivilegeValueW(nullptr, W(name), &luid)) return false;
  *id = PrivilegeId{luid.LowPart, luid.HighPart};
  return true;
}

bool EnablePrivilege(TokenHandle token, const PrivilegeId& id, std::uint32_t* lastError) {
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Luid.LowPart = id.low;
  privileges.Privileges[0].Luid.HighPart = id.high;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  const BOOL done = AdjustTokenPrivileges(static_cast<HANDLE>(token), FALSE, &privileges, 0,
                                          nullptr, nullptr);
  *lastError = GetLastError();
  return done != FALSE;
}

void CloseToken(TokenHandle token) { CloseHandle(static_cast<HANDLE>(token)); }

bool RequestShutdown(unsigned flags, std::uint32_t reason) {
  return ExitWindowsEx(flags, reason) != FALSE;
}

}  // namespace platform
