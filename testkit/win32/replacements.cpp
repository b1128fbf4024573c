// The replacement functions behind a taken-over library's imports. Each either answers from the
// scenario (what must not or cannot happen for real in a test) or calls the real function
// directly and counts what it opened or made.
#include "testkit/win32/replacements.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <share.h>
#include <time.h>

#include "platform/registry_view.h"
#include "testkit/system_strings.h"
#include "testkit/text.h"
#include "testkit/win32/import_table.h"
#include "testkit/win32/wide.h"

namespace testkit::win32 {
namespace {

long g_liveStrings = 0;

// A call on the system, recorded as the simulated system records it.
void Log(const char* kind, std::u16string name, std::optional<std::u16string> value, const std::string& detail,
         std::string status, const std::u16string& more = u"") {
  answers().calls.push_back({kind, std::move(name), std::move(value), std::u16string(detail.begin(), detail.end()) + more,
                             std::move(status)});
}

const char* Ok(BOOL ok) { return ok ? "ok" : "failed"; }

std::u16string KeyName(HKEY parent, LPCWSTR path) {
  std::u16string root = u"?\\";
  if (parent == HKEY_LOCAL_MACHINE) root = u"HKLM\\";
  if (parent == HKEY_CLASSES_ROOT) root = u"HKCR\\";
  return root + U(path);
}

BOOL WINAPI FakeGetDiskFreeSpaceExW(LPCWSTR folder, PULARGE_INTEGER caller, PULARGE_INTEGER total,
                                    PULARGE_INTEGER totalFree) {
  const std::u16string root = U(folder);
  auto& volumes = answers().volumes;
  auto found = volumes.find(root);
  // "C:" names the current folder of drive C, which lies on the same volume.
  if (found == volumes.end() && root.size() == 2 && root[1] == u':') found = volumes.find(root + u"\\");
  if (found == volumes.end() || found->second.second) {
    Log("free space", root, std::nullopt, "", Ok(FALSE));
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  for (PULARGE_INTEGER out : {caller, total, totalFree})
    if (out != nullptr) out->QuadPart = found->second.first;
  Log("free space", root, std::nullopt, std::to_string(found->second.first) + " bytes", Ok(TRUE));
  return TRUE;
}

// The Windows folder and the clock pass through unless the scenario fixes them.
UINT WindowsDirectory(LPWSTR buffer, UINT size) {
  if (!answers().windowsFolder) return GetWindowsDirectoryW(buffer, size);
  const std::u16string& folder = *answers().windowsFolder;
  if (folder.size() + 1 > size) return static_cast<UINT>(folder.size() + 1);
  std::memcpy(buffer, folder.c_str(), (folder.size() + 1) * sizeof(wchar_t));
  return static_cast<UINT>(folder.size());
}

UINT WINAPI FakeGetWindowsDirectoryW(LPWSTR buffer, UINT size) {
  const UINT length = WindowsDirectory(buffer, size);
  // What the library takes from it: the folder, or nothing when it did not fit.
  Log("windows folder", u"", length == 0 || length >= size ? u"" : std::u16string(reinterpret_cast<const char16_t*>(buffer), length), "", "");
  return length;
}

DWORD WINAPI CountingGetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
  const DWORD got = GetEnvironmentVariableW(name, buffer, size);
  // A buffer too small is asked again with the size it needs: only the last answer counts.
  if (got < size || got == 0)
    Log("environment", U(name), got == 0 ? std::nullopt : std::optional<std::u16string>(std::u16string(reinterpret_cast<const char16_t*>(buffer), got)), "", "");
  return got;
}

FILE* __cdecl CountingWfsopen(const wchar_t* path, const wchar_t* mode, int share) {
  FILE* file = _wfsopen(path, mode, share);
  Log("file check", U(path), std::nullopt, "", file != nullptr ? "readable" : "not readable");
  return file;
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
  Log("message box", U(text), U(caption), "style " + std::to_string(style), std::to_string(answer));
  return answer;
}

BOOL WINAPI FakeLookupPrivilegeValueW(LPCWSTR system, LPCWSTR name, PLUID luid) {
  if (!answers().privilegeLookupWorks) {
    Log("privilege lookup", U(name), std::nullopt, "", Ok(FALSE));
    SetLastError(ERROR_NO_SUCH_PRIVILEGE);
    return FALSE;
  }
  const BOOL found = LookupPrivilegeValueW(system, name, luid);
  Log("privilege lookup", U(name), std::nullopt, "", Ok(found));
  return found;
}

BOOL WINAPI FakeAdjustTokenPrivileges(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES, PDWORD) {
  // Nothing is enabled for real; as on Windows the result is success and the last error tells.
  Log("privilege adjust", u"", std::nullopt, "last error " + std::to_string(answers().privilegeAdjustError), Ok(TRUE));
  SetLastError(answers().privilegeAdjustError);
  return TRUE;
}

BOOL WINAPI FakeExitWindowsEx(UINT flags, DWORD reason) {
  answers().restarts.push_back({flags, reason});
  Log("restart", u"", std::nullopt, "flags " + std::to_string(flags) + ", reason " + Hex32(reason), Ok(TRUE));
  return TRUE;
}

BOOL WINAPI CountingShellExecuteExW(SHELLEXECUTEINFOW* info) {
  answers().starts.push_back({info->fMask, U(info->lpVerb), U(info->lpFile), U(info->lpParameters),
                              U(info->lpDirectory), info->nShow});
  // The shell is asked for the process as well, so that the machine can wait for its end; the
  // library gets back what it asked for.
  SHELLEXECUTEINFOW asked = *info;
  asked.fMask |= SEE_MASK_NOCLOSEPROCESS;
  const BOOL started = ShellExecuteExW(&asked);
  info->hInstApp = asked.hInstApp;
  if (started && asked.hProcess != nullptr) {
    HANDLE own = asked.hProcess;
    if ((info->fMask & SEE_MASK_NOCLOSEPROCESS) != 0 &&
        !DuplicateHandle(GetCurrentProcess(), asked.hProcess, GetCurrentProcess(), &own, SYNCHRONIZE, FALSE, 0))
      own = nullptr;
    if ((info->fMask & SEE_MASK_NOCLOSEPROCESS) != 0) info->hProcess = asked.hProcess;
    if (own != nullptr) answers().processes.push_back(own);
  }
  answers().startsSucceeded.push_back(started != FALSE);
  Log("start", U(info->lpFile), U(info->lpParameters), "in ", Ok(started), U(info->lpDirectory));
  return started;
}

// The view the library's opens reach: a 32-bit library on 64-bit Windows is given the 32-bit view
// by WOW64. The x64 check build's 64-bit library asks for it here as WOW64 would, so that the
// scenarios of 64-bit Windows meet the real redirector, for every key that Windows redirects. A
// key that Windows shares between both views (HKCR\Installer, HKLM\SYSTEM) is the same key in
// either view there, and is opened without the flag: Wine 8 sends a 64-bit program's
// KEY_WOW64_32KEY opens of HKCR and HKLM\Software\Classes to Classes\Wow6432Node whatever the key,
// so that a product registration is not found, where Windows finds it.
REGSAM InView(HKEY parent, LPCWSTR path, REGSAM access) {
  if (!answers().asWow64 || (access & KEY_WOW64_64KEY) != 0) return access;
  if (parent == HKEY_LOCAL_MACHINE || parent == HKEY_CLASSES_ROOT) {
    const std::optional<std::u16string> key = platform::CanonicalKey(KeyName(parent, path));
    if (key && platform::View32(*key) == *key) return access;
  }
  return access | KEY_WOW64_32KEY;
}

LSTATUS WINAPI CountingRegOpenKeyExW(HKEY parent, LPCWSTR path, DWORD options, REGSAM access, PHKEY key) {
  const LSTATUS status = RegOpenKeyExW(parent, path, options, InView(parent, path, access), key);
  if (status == ERROR_SUCCESS) answers().keys[*key] = KeyName(parent, path);
  Log("open key", KeyName(parent, path), std::nullopt, "access " + Hex32(access), std::to_string(status));
  return status;
}

LSTATUS WINAPI CountingRegCreateKeyExW(HKEY parent, LPCWSTR path, DWORD reserved, LPWSTR cls, DWORD options,
                                       REGSAM access, const LPSECURITY_ATTRIBUTES security, PHKEY key,
                                       LPDWORD disposition) {
  const LSTATUS status =
      RegCreateKeyExW(parent, path, reserved, cls, options, InView(parent, path, access), security, key, disposition);
  if (status == ERROR_SUCCESS) answers().keys[*key] = KeyName(parent, path);
  Log("create key", KeyName(parent, path), std::nullopt, "access " + Hex32(access), std::to_string(status));
  return status;
}

LSTATUS WINAPI CountingRegCloseKey(HKEY key) {
  auto found = answers().keys.find(key);
  Log("close key", found != answers().keys.end() ? found->second : u"", std::nullopt, "", "");
  if (found != answers().keys.end()) answers().keys.erase(found);
  return RegCloseKey(key);
}

LSTATUS WINAPI CountingRegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                        LPDWORD bytes) {
  const DWORD room = bytes != nullptr ? *bytes : 0;
  DWORD storedType = 0;
  const LSTATUS status = RegQueryValueExW(key, name, reserved, type != nullptr ? type : &storedType, data, bytes);
  std::string detail = data == nullptr ? std::string("size only") : "buffer " + std::to_string(room) + " bytes";
  if ((status == ERROR_SUCCESS || status == ERROR_MORE_DATA) && bytes != nullptr)
    detail += ", value " + std::to_string(*bytes) + " bytes of type " + std::to_string(type != nullptr ? *type : storedType);
  Log("query value", U(name), std::nullopt, detail, std::to_string(status));
  return status;
}

LSTATUS WINAPI CountingRegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data,
                                      DWORD bytes) {
  const LSTATUS status = RegSetValueExW(key, name, reserved, type, data, bytes);
  Log("set value", U(name), std::nullopt, "type " + std::to_string(type) + ", " + std::to_string(bytes) + " bytes",
      std::to_string(status));
  return status;
}

LSTATUS WINAPI CountingRegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                                      DWORD bytes) {
  const LSTATUS status = RegSetValueExA(key, name, reserved, type, data, bytes);
  wchar_t wide[256] = {};
  MultiByteToWideChar(CP_ACP, 0, name, -1, wide, 255);
  Log("set value (ANSI)", U(wide), std::nullopt,
      "type " + std::to_string(type) + ", " + std::to_string(bytes) + " bytes", std::to_string(status));
  return status;
}

BOOL WINAPI CountingOpenProcessToken(HANDLE process, DWORD access, PHANDLE token) {
  const BOOL opened = OpenProcessToken(process, access, token);
  if (opened) answers().tokens.insert(*token);
  Log("open token", u"", std::nullopt, "access " + Hex32(access), Ok(opened));
  return opened;
}

BOOL WINAPI CountingCloseHandle(HANDLE handle) {
  if (answers().tokens.erase(handle) != 0) Log("close token", u"", std::nullopt, "", "");
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
    {"ADVAPI32.dll", "RegQueryValueExW", Fn(&CountingRegQueryValueExW)},
    {"ADVAPI32.dll", "RegSetValueExW", Fn(&CountingRegSetValueExW)},
    {"ADVAPI32.dll", "RegSetValueExA", Fn(&CountingRegSetValueExA)},
    {"KERNEL32.dll", "GetEnvironmentVariableW", Fn(&CountingGetEnvironmentVariableW)},
    {"msvcrt.dll", "_wfsopen", Fn(&CountingWfsopen)},
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
