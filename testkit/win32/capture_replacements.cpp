// A taken-over library's imports in a capture: every call on the system is answered by the
// simulated machine that learns the real one as the library reads it, so that nothing the library
// does reaches the real machine. Only the C runtime's own files and code page work for real.
#include <windows.h>

#include <shellapi.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <share.h>
#include <time.h>

#include "machine/simulated_system.h"
#include "testkit/win32/import_table.h"
#include "testkit/win32/replacements.h"
#include "testkit/win32/win32_text.h"

namespace testkit::win32 {
namespace {

machine::SimulatedMachine* g_model = nullptr;

machine::SimulatedSystem System() { return machine::SimulatedSystem(*g_model); }

bool HiveOf(HKEY parent, platform::Hive* hive) {
  if (parent == HKEY_LOCAL_MACHINE) *hive = platform::Hive::LocalMachine;
  else if (parent == HKEY_CLASSES_ROOT) *hive = platform::Hive::ClassesRoot;
  else return false;
  return true;
}

LSTATUS WINAPI CapturedRegOpenKeyExW(HKEY parent, LPCWSTR path, DWORD, REGSAM access, PHKEY key) {
  platform::Hive hive;
  if (!HiveOf(parent, &hive)) return ERROR_INVALID_HANDLE;
  platform::KeyHandle opened = nullptr;
  const LSTATUS status = System().OpenKey(hive, U(path), access, &opened);
  *key = static_cast<HKEY>(opened);
  return status;
}

LSTATUS WINAPI CapturedRegCreateKeyExW(HKEY parent, LPCWSTR path, DWORD, LPWSTR, DWORD, REGSAM access,
                                       const LPSECURITY_ATTRIBUTES, PHKEY key, LPDWORD disposition) {
  platform::Hive hive;
  if (!HiveOf(parent, &hive)) return ERROR_INVALID_HANDLE;
  platform::KeyHandle opened = nullptr;
  const LSTATUS status = System().CreateKey(hive, U(path), access, &opened);
  *key = static_cast<HKEY>(opened);
  if (disposition != nullptr) *disposition = REG_OPENED_EXISTING_KEY;
  return status;
}

LSTATUS WINAPI CapturedRegCloseKey(HKEY key) {
  const bool open = machine::SimulatedSystem::IsOpenKey(key);
  System().CloseKey(key);
  return open ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LSTATUS WINAPI CapturedRegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD bytes) {
  std::uint32_t count = bytes != nullptr ? *bytes : 0;
  const LSTATUS status = System().QueryValue(key, U(name), data, bytes != nullptr ? &count : nullptr);
  if (bytes != nullptr) *bytes = count;
  if (type != nullptr) *type = REG_NONE;  // the libraries never ask it
  return status;
}

LSTATUS WINAPI CapturedRegSetValueExW(HKEY key, LPCWSTR name, DWORD, DWORD type, const BYTE* data, DWORD bytes) {
  return System().SetValue(key, U(name), type, data, bytes);
}

LSTATUS WINAPI CapturedRegSetValueExA(HKEY key, LPCSTR name, DWORD, DWORD type, const BYTE* data, DWORD bytes) {
  return System().SetValueAnsi(key, name, type, data, bytes);
}

BOOL WINAPI CapturedGetDiskFreeSpaceExW(LPCWSTR folder, PULARGE_INTEGER caller, PULARGE_INTEGER total,
                                        PULARGE_INTEGER totalFree) {
  std::uint64_t free = 0;
  if (!System().FreeBytesForCaller(U(folder), &free)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  for (PULARGE_INTEGER out : {caller, total, totalFree})
    if (out != nullptr) out->QuadPart = free;
  return TRUE;
}

// A text the caller's buffer holds, as GetEnvironmentVariableW and GetWindowsDirectoryW give one:
// its length, or the size it needs when it does not fit. Only an answer that fits is traced, as
// the library asks again with the size it needs.
template <class Ask>
DWORD Give(const std::u16string& known, Ask&& ask, wchar_t* buffer, DWORD size) {
  if (known.size() + 1 > size) return static_cast<DWORD>(known.size() + 1);
  const std::u16string text = ask();
  std::memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  return static_cast<DWORD>(text.size());
}

DWORD WINAPI CapturedGetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
  const std::u16string variable = U(name);
  if (g_model->source != nullptr) g_model->source->Environment(variable);
  auto found = g_model->environment.find(variable);
  if (found == g_model->environment.end() || found->second.empty()) {
    System().EnvironmentVariable(variable);
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  return Give(found->second, [&] { return System().EnvironmentVariable(variable); }, buffer, size);
}

UINT WINAPI CapturedGetWindowsDirectoryW(LPWSTR buffer, UINT size) {
  if (g_model->source != nullptr) g_model->source->WindowsFolder();
  return Give(g_model->answers.windowsFolder.value_or(u"C:\\Windows"), [] { return System().WindowsFolder(); },
              buffer, size);
}

// A file the machine holds readable opens as the null device, which the library closes as it
// would the file.
FILE* __cdecl CapturedWfsopen(const wchar_t* path, const wchar_t* mode, int share) {
  if (!System().OpenForSharedReading(U(path))) {
    errno = ENOENT;
    return nullptr;
  }
  return _wfsopen(L"NUL", mode, share);
}

__time64_t __cdecl CapturedTime64(__time64_t* out) {
  platform::LocalTime now;
  if (!System().FixedLocalTime(&now)) return _time64(out);
  const __time64_t seconds = ScenarioTime(now);
  if (out != nullptr) *out = seconds;
  return seconds;
}

int WINAPI CapturedMessageBoxW(HWND, LPCWSTR text, LPCWSTR caption, UINT style) {
  return System().ShowMessageBox(U(text), U(caption), style);
}

BOOL WINAPI CapturedOpenProcessToken(HANDLE, DWORD access, PHANDLE token) {
  platform::TokenHandle opened = nullptr;
  if (!System().OpenOwnToken(access, &opened)) return FALSE;
  *token = static_cast<HANDLE>(opened);
  return TRUE;
}

BOOL WINAPI CapturedCloseHandle(HANDLE handle) {
  if (handle != static_cast<HANDLE>(g_model)) return CloseHandle(handle);
  System().CloseToken(handle);
  return TRUE;
}

BOOL WINAPI CapturedLookupPrivilegeValueW(LPCWSTR, LPCWSTR name, PLUID luid) {
  platform::PrivilegeId id;
  if (!System().LookupPrivilege(U(name), &id)) {
    SetLastError(ERROR_NO_SUCH_PRIVILEGE);
    return FALSE;
  }
  luid->LowPart = id.low;
  luid->HighPart = id.high;
  return TRUE;
}

BOOL WINAPI CapturedAdjustTokenPrivileges(HANDLE token, BOOL, PTOKEN_PRIVILEGES state, DWORD, PTOKEN_PRIVILEGES,
                                          PDWORD) {
  platform::PrivilegeId id;
  if (state != nullptr && state->PrivilegeCount > 0)
    id = platform::PrivilegeId{state->Privileges[0].Luid.LowPart, state->Privileges[0].Luid.HighPart};
  std::uint32_t lastError = 0;
  System().EnablePrivilege(token, id, &lastError);
  SetLastError(lastError);
  return TRUE;
}

BOOL WINAPI CapturedExitWindowsEx(UINT flags, DWORD reason) { return System().RequestShutdown(flags, reason); }

// What the shell answers is the machine's: started when it holds the program readable. Nothing
// is started for real and no process is handed back.
BOOL WINAPI CapturedShellExecuteExW(SHELLEXECUTEINFOW* info) {
  const bool started = System().StartShellProgram(
      {info->fMask, U(info->lpVerb), U(info->lpFile), U(info->lpParameters), U(info->lpDirectory), info->nShow});
  info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(started ? 42 : SE_ERR_FNF));
  info->hProcess = nullptr;
  if (!started) SetLastError(ERROR_FILE_NOT_FOUND);
  return started ? TRUE : FALSE;
}

const Replacement kCaptured[] = {
    {"ADVAPI32.dll", "RegOpenKeyExW", Fn(&CapturedRegOpenKeyExW)},
    {"ADVAPI32.dll", "RegCreateKeyExW", Fn(&CapturedRegCreateKeyExW)},
    {"ADVAPI32.dll", "RegCloseKey", Fn(&CapturedRegCloseKey)},
    {"ADVAPI32.dll", "RegQueryValueExW", Fn(&CapturedRegQueryValueExW)},
    {"ADVAPI32.dll", "RegSetValueExW", Fn(&CapturedRegSetValueExW)},
    {"ADVAPI32.dll", "RegSetValueExA", Fn(&CapturedRegSetValueExA)},
    {"KERNEL32.dll", "GetDiskFreeSpaceExW", Fn(&CapturedGetDiskFreeSpaceExW)},
    {"KERNEL32.dll", "GetEnvironmentVariableW", Fn(&CapturedGetEnvironmentVariableW)},
    {"KERNEL32.dll", "GetWindowsDirectoryW", Fn(&CapturedGetWindowsDirectoryW)},
    {"KERNEL32.dll", "CloseHandle", Fn(&CapturedCloseHandle)},
    {"msvcrt.dll", "_wfsopen", Fn(&CapturedWfsopen)},
    {"msvcrt.dll", "_time64", Fn(&CapturedTime64)},
    {"USER32.dll", "MessageBoxW", Fn(&CapturedMessageBoxW)},
    {"USER32.dll", "ExitWindowsEx", Fn(&CapturedExitWindowsEx)},
    {"ADVAPI32.dll", "OpenProcessToken", Fn(&CapturedOpenProcessToken)},
    {"ADVAPI32.dll", "LookupPrivilegeValueW", Fn(&CapturedLookupPrivilegeValueW)},
    {"ADVAPI32.dll", "AdjustTokenPrivileges", Fn(&CapturedAdjustTokenPrivileges)},
    {"SHELL32.dll", "ShellExecuteExW", Fn(&CapturedShellExecuteExW)},
};

}  // namespace

void TakeOverForCapture(HMODULE module, machine::SimulatedMachine& model) {
  g_model = &model;
  TakeOver(module);  // system strings are counted as in any run
  ReplaceImports(module, kCaptured, sizeof kCaptured / sizeof kCaptured[0]);
}

}  // namespace testkit::win32
