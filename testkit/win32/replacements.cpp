// The replacement functions behind a taken-over library's imports. Each either answers from the
// scenario (what must not or cannot happen for real in a test) or calls the real function
// directly and counts what it opened or made.
#include "testkit/win32/replacements.h"

#include <shellapi.h>

#include <cstring>
#include <time.h>

#include "testkit/system_strings.h"
#include "testkit/win32/import_table.h"
#include "testkit/win32/wide.h"

namespace testkit::win32 {
namespace {

long g_liveStrings = 0;

BOOL WINAPI FakeGetDiskFreeSpaceExW(LPCWSTR folder, PULARGE_INTEGER caller, PULARGE_INTEGER total,
                                    PULARGE_INTEGER totalFree) {
  const std::u16string root = U(folder);
  auto& volumes = answers().volumes;
  auto found = volumes.find(root);
  // "C:" names the current folder of drive C, which lies on the same volume.
  if (found == volumes.end() && root.size() == 2 && root[1] == u':') found = volumes.find(root + u"\\");
  if (found == volumes.end() || found->second.second) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  for (PULARGE_INTEGER out : {caller, total, totalFree})
    if (out != nullptr) out->QuadPart = found->second.first;
  return TRUE;
}

// The Windows folder and the clock pass through unless the scenario fixes them.
UINT WINAPI FakeGetWindowsDirectoryW(LPWSTR buffer, UINT size) {
  if (!answers().windowsFolder) return GetWindowsDirectoryW(buffer, size);
  const std::u16string& folder = *answers().windowsFolder;
  if (folder.size() + 1 > size) return static_cast<UINT>(folder.size() + 1);
  std::memcpy(buffer, folder.c_str(), (folder.size() + 1) * sizeof(wchar_t));
  return static_cast<UINT>(folder.size());
}

__time64_t __cdecl FakeTime64(__time64_t* out) {
  if (!answers().clock) return _time64(out);
  if (out != nullptr) *out = *answers().clock;
  return *answers().clock;
}

int WINAPI FakeMessageBoxW(HWND, LPCWSTR text, LPCWSTR caption, UINT style) {
  int answer = 0;
  if (!answers().messageAnswers.empty()) {
    answer = answers().messageAnswers.front();
    answers().messageAnswers.pop_front();
  }
  answers().messages.push_back({U(text), U(caption), style, answer});
  return answer;
}

BOOL WINAPI FakeLookupPrivilegeValueW(LPCWSTR system, LPCWSTR name, PLUID luid) {
  if (!answers().privilegeLookupWorks) {
    SetLastError(ERROR_NO_SUCH_PRIVILEGE);
    return FALSE;
  }
  return LookupPrivilegeValueW(system, name, luid);
}

BOOL WINAPI FakeAdjustTokenPrivileges(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES, PDWORD) {
  // Nothing is enabled for real; as on Windows the result is success and the last error tells.
  SetLastError(answers().privilegeAdjustError);
  return TRUE;
}

BOOL WINAPI FakeExitWindowsEx(UINT flags, DWORD reason) {
  answers().restarts.push_back({flags, reason});
  return TRUE;
}

BOOL WINAPI CountingShellExecuteExW(SHELLEXECUTEINFOW* info) {
  answers().starts.push_back({info->fMask, U(info->lpVerb), U(info->lpFile), U(info->lpParameters),
                              U(info->lpDirectory), info->nShow});
  const BOOL started = ShellExecuteExW(info);
  answers().startsSucceeded.push_back(started != FALSE);
  return started;
}

LSTATUS WINAPI CountingRegOpenKeyExW(HKEY parent, LPCWSTR path, DWORD options, REGSAM access, PHKEY key) {
  const LSTATUS status = RegOpenKeyExW(parent, path, options, access, key);
  if (status == ERROR_SUCCESS) answers().keys.insert(*key);
  return status;
}

LSTATUS WINAPI CountingRegCreateKeyExW(HKEY parent, LPCWSTR path, DWORD reserved, LPWSTR cls, DWORD options,
                                       REGSAM access, const LPSECURITY_ATTRIBUTES security, PHKEY key,
                                       LPDWORD disposition) {
  const LSTATUS status = RegCreateKeyExW(parent, path, reserved, cls, options, access, security, key, disposition);
  if (status == ERROR_SUCCESS) answers().keys.insert(*key);
  return status;
}

LSTATUS WINAPI CountingRegCloseKey(HKEY key) {
  answers().keys.erase(key);
  return RegCloseKey(key);
}

BOOL WINAPI CountingOpenProcessToken(HANDLE process, DWORD access, PHANDLE token) {
  const BOOL opened = OpenProcessToken(process, access, token);
  if (opened) answers().tokens.insert(*token);
  return opened;
}

BOOL WINAPI CountingCloseHandle(HANDLE handle) {
  answers().tokens.erase(handle);
  return CloseHandle(handle);
}

BSTR WINAPI CountingSysAllocString(const OLECHAR* text) {
  BSTR made = SysAllocString(text);
  if (made != nullptr) ++g_liveStrings;
  return made;
}

BSTR WINAPI CountingSysAllocStringLen(const OLECHAR* text, UINT length) {
  BSTR made = SysAllocStringLen(text, length);
  if (made != nullptr) ++g_liveStrings;
  return made;
}

void WINAPI CountingSysFreeString(BSTR text) {
  if (text != nullptr) --g_liveStrings;
  SysFreeString(text);
}

template <class F>
void* Fn(F* function) {
  return reinterpret_cast<void*>(function);
}

const Replacement kReplacements[] = {
    {"KERNEL32.dll", "GetDiskFreeSpaceExW", Fn(&FakeGetDiskFreeSpaceExW)},
    {"KERNEL32.dll", "CloseHandle", Fn(&CountingCloseHandle)},
    {"KERNEL32.dll", "GetWindowsDirectoryW", Fn(&FakeGetWindowsDirectoryW)},
    {"USER32.dll", "MessageBoxW", Fn(&FakeMessageBoxW)},
    {"USER32.dll", "ExitWindowsEx", Fn(&FakeExitWindowsEx)},
    {"ADVAPI32.dll", "LookupPrivilegeValueW", Fn(&FakeLookupPrivilegeValueW)},
    {"ADVAPI32.dll", "AdjustTokenPrivileges", Fn(&FakeAdjustTokenPrivileges)},
    {"ADVAPI32.dll", "OpenProcessToken", Fn(&CountingOpenProcessToken)},
    {"ADVAPI32.dll", "RegOpenKeyExW", Fn(&CountingRegOpenKeyExW)},
    {"ADVAPI32.dll", "RegCreateKeyExW", Fn(&CountingRegCreateKeyExW)},
    {"ADVAPI32.dll", "RegCloseKey", Fn(&CountingRegCloseKey)},
    {"SHELL32.dll", "ShellExecuteExW", Fn(&CountingShellExecuteExW)},
    {"OLEAUT32.dll", "SysAllocString", Fn(&CountingSysAllocString)},
    {"OLEAUT32.dll", "SysAllocStringLen", Fn(&CountingSysAllocStringLen)},
    {"OLEAUT32.dll", "SysFreeString", Fn(&CountingSysFreeString)},
    {"msvcrt.dll", "_time64", Fn(&FakeTime64)},
};

}  // namespace

Answers& answers() {
  static Answers the;
  return the;
}

void TakeOver(HMODULE module) {
  ReplaceImports(module, kReplacements, sizeof kReplacements / sizeof kReplacements[0]);
}

}  // namespace testkit::win32

namespace testkit {

// The engine's strings count with the library's: the library frees what the engine made.
BSTR MakeEngineString(std::u16string_view text) {
  return win32::CountingSysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                          static_cast<UINT>(text.size()));
}

long LiveSystemStrings() { return win32::g_liveStrings; }

// The Windows machine makes no system string fail.
long PauseSystemStringFailures() { return 0; }
void ResumeSystemStringFailures(long) {}
bool InSystemWork() { return false; }

}  // namespace testkit
