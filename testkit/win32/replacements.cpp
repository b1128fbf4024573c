// The replacement functions behind a taken-over library's imports. Each either answers from the
// scenario (what must not or cannot happen for real in a test) or calls the real function
// directly and counts what it opened or made.
#include "testkit/win32/replacements.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <share.h>
#include <time.h>

#include "machine/call_trace.h"
#include "machine/registry_view.h"
#include "testkit/engine_strings.h"
#include "testkit/win32/key_view.h"
#include "testkit/utf_text.h"
#include "testkit/win32/import_table.h"
#include "testkit/win32/win32_text.h"

namespace testkit::win32 {
namespace {

long g_liveStrings = 0;

// A call on the system, recorded as the simulated system records it.
void Record(machine::Event call) { answers().sheet.journal.push_back(std::move(call)); }

machine::AnswerSheet& Sheet() { return answers().sheet; }

machine::RegValue Bytes(DWORD type, const BYTE* data, DWORD bytes) {
  return machine::RegValue{type, data != nullptr ? std::vector<std::uint8_t>(data, data + bytes) : std::vector<std::uint8_t>()};
}

std::u16string KeyName(HKEY parent, LPCWSTR path) {
  std::u16string root = u"?\\";
  if (parent == HKEY_LOCAL_MACHINE) root = u"HKLM\\";
  if (parent == HKEY_CLASSES_ROOT) root = u"HKCR\\";
  return root + U(path);
}

BOOL WINAPI FakeGetDiskFreeSpaceExW(LPCWSTR folder, PULARGE_INTEGER caller, PULARGE_INTEGER total,
                                    PULARGE_INTEGER totalFree) {
  const std::u16string root = U(folder);
  const machine::Volume* volume = Sheet().VolumeOf(root);
  Record(machine::trace::FreeSpace(
      root, volume != nullptr ? std::optional<std::uint64_t>(volume->callerFreeBytes) : std::nullopt));
  if (volume == nullptr) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  for (PULARGE_INTEGER out : {caller, total, totalFree})
    if (out != nullptr) out->QuadPart = volume->callerFreeBytes;
  return TRUE;
}

// The Windows folder and the clock pass through unless the scenario fixes them.
UINT WindowsDirectory(LPWSTR buffer, UINT size) {
  if (!Sheet().windowsFolder) return GetWindowsDirectoryW(buffer, size);
  const std::u16string& folder = *Sheet().windowsFolder;
  if (folder.size() + 1 > size) return static_cast<UINT>(folder.size() + 1);
  std::memcpy(buffer, folder.c_str(), (folder.size() + 1) * sizeof(wchar_t));
  return static_cast<UINT>(folder.size());
}

UINT WINAPI FakeGetWindowsDirectoryW(LPWSTR buffer, UINT size) {
  const UINT length = WindowsDirectory(buffer, size);
  // What the library takes from it: the folder, or nothing when it did not fit.
  Record(machine::trace::WindowsFolder(
      length == 0 || length >= size ? u"" : std::u16string(reinterpret_cast<const char16_t*>(buffer), length)));
  return length;
}

DWORD WINAPI CountingGetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
  const DWORD got = GetEnvironmentVariableW(name, buffer, size);
  // A buffer too small is asked again with the size it needs: only the last answer counts.
  if (got < size || got == 0)
    Record(machine::trace::Environment(
        U(name), got == 0 ? u"" : std::u16string(reinterpret_cast<const char16_t*>(buffer), got)));
  return got;
}

FILE* __cdecl CountingWfsopen(const wchar_t* path, const wchar_t* mode, int share) {
  FILE* file = _wfsopen(path, mode, share);
  Record(machine::trace::FileCheck(U(path), file != nullptr));
  return file;
}

}  // namespace

// The scenario's local time as the C runtime's calendar time, which the library converts back.
__time64_t ScenarioTime(const machine::LocalTime& c) {
  struct tm local {};
  local.tm_year = c.year - 1900;
  local.tm_mon = c.month - 1;
  local.tm_mday = c.day;
  local.tm_hour = c.hour;
  local.tm_min = c.minute;
  local.tm_sec = c.second;
  local.tm_isdst = -1;
  return _mktime64(&local);
}

namespace {

__time64_t __cdecl FakeTime64(__time64_t* out) {
  if (!Sheet().clock) return _time64(out);
  const __time64_t now = ScenarioTime(*Sheet().clock);
  if (out != nullptr) *out = now;
  return now;
}

int WINAPI FakeMessageBoxW(HWND, LPCWSTR text, LPCWSTR caption, UINT style) {
  const int answer = Sheet().Answer({U(text), U(caption), style, 0});
  Record(machine::trace::Message(Sheet().messagesShown.back()));
  return answer;
}

BOOL WINAPI FakeLookupPrivilegeValueW(LPCWSTR system, LPCWSTR name, PLUID luid) {
  if (!Sheet().privilegeLookupWorks) {
    Record(machine::trace::PrivilegeLookup(U(name), false));
    SetLastError(ERROR_NO_SUCH_PRIVILEGE);
    return FALSE;
  }
  const BOOL found = LookupPrivilegeValueW(system, name, luid);
  Record(machine::trace::PrivilegeLookup(U(name), found != FALSE));
  return found;
}

BOOL WINAPI FakeAdjustTokenPrivileges(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES, PDWORD) {
  // Nothing is enabled for real; as on Windows the result is success and the last error tells.
  Record(machine::trace::PrivilegeAdjust(Sheet().privilegeAdjustError, true));
  SetLastError(Sheet().privilegeAdjustError);
  return TRUE;
}

BOOL WINAPI FakeExitWindowsEx(UINT flags, DWORD reason) {
  Sheet().restarts.push_back({flags, reason});
  Record(machine::trace::Restart(Sheet().restarts.back(), true));
  return TRUE;
}

BOOL WINAPI CountingShellExecuteExW(SHELLEXECUTEINFOW* info) {
  Sheet().programsStarted.push_back({info->fMask, U(info->lpVerb), U(info->lpFile), U(info->lpParameters),
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
  Record(machine::trace::Start(Sheet().programsStarted.back(), started != FALSE));
  return started;
}

// The view the library's opens reach: a 32-bit library on 64-bit Windows is given the 32-bit view
// by WOW64. The x64 check build's 64-bit library asks for it here as WOW64 would, so that the
// scenarios of 64-bit Windows meet the real redirector, for every key that Windows redirects. A
// key that Windows shares between both views (HKCR\\Installer, HKLM\\SYSTEM) is the same key in
// either view there, and is opened without the flag: Wine 8 sends a 64-bit program's
// KEY_WOW64_32KEY opens of HKCR and HKLM\\Software\\Classes to Classes\\Wow6432Node whatever the key,
// so that a product registration is not found, where Windows finds it.
REGSAM InView(HKEY parent, LPCWSTR path, REGSAM access) {
  if (!answers().asWow64 || (access & KEY_WOW64_64KEY) != 0) return access;
  if (parent == HKEY_LOCAL_MACHINE || parent == HKEY_CLASSES_ROOT) {
    const std::optional<std::u16string> key = machine::CanonicalKey(KeyName(parent, path));
    if (key && machine::View32(*key) == *key) return access;
  }
  return access | KEY_WOW64_32KEY;
}

// The key as the action named it, for the trace of a call on it.
std::u16string ShownKey(HKEY key) {
  auto found = answers().keys.find(key);
  return found != answers().keys.end() ? found->second.named : u"";
}

// The Windows whose registry redirector the library meets: 64-bit Windows for a 32-bit library
// there, and for the x64 check build's library sent to the 32-bit view.
machine::Windows LibraryWindows() {
  static const bool redirected = sizeof(void*) == 4 && RunsOn64BitWindows();
  return redirected || answers().asWow64 ? machine::Windows::X64 : machine::Windows::X86;
}

// A registry call's event with where its key landed, by the rule the simulated machine follows
// (the redirector's, which the scenarios of 64-bit Windows hold against the real one); a call on
// an open key lands where its open did.
machine::Event LandedIn(machine::Event e, REGSAM access) {
  e.landed = machine::Landed(LibraryWindows(), e.key, access);
  return e;
}
machine::Event LandedIn(machine::Event e, HKEY key) {
  auto found = answers().keys.find(key);
  if (found != answers().keys.end()) e.landed = found->second.landed;
  return e;
}

LSTATUS WINAPI CountingRegOpenKeyExW(HKEY parent, LPCWSTR path, DWORD options, REGSAM access, PHKEY key) {
  const LSTATUS status = RegOpenKeyExW(parent, path, options, InView(parent, path, access), key);
  const machine::Event opened = LandedIn(machine::trace::OpenKey(KeyName(parent, path), access, status), access);
  if (status == ERROR_SUCCESS) answers().keys[*key] = {opened.key, opened.landed};
  Record(opened);
  return status;
}

LSTATUS WINAPI CountingRegCreateKeyExW(HKEY parent, LPCWSTR path, DWORD reserved, LPWSTR cls, DWORD options,
                                       REGSAM access, const LPSECURITY_ATTRIBUTES security, PHKEY key,
                                       LPDWORD disposition) {
  const LSTATUS status =
      RegCreateKeyExW(parent, path, reserved, cls, options, InView(parent, path, access), security, key, disposition);
  const machine::Event created = LandedIn(machine::trace::CreateKey(KeyName(parent, path), access, status), access);
  if (status == ERROR_SUCCESS) answers().keys[*key] = {created.key, created.landed};
  Record(created);
  return status;
}

LSTATUS WINAPI CountingRegCloseKey(HKEY key) {
  Record(LandedIn(machine::trace::CloseKey(ShownKey(key)), key));
  answers().keys.erase(key);
  return RegCloseKey(key);
}

LSTATUS WINAPI CountingRegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                        LPDWORD bytes) {
  const DWORD room = bytes != nullptr ? *bytes : 0;
  DWORD storedType = 0;
  const LSTATUS status = RegQueryValueExW(key, name, reserved, type != nullptr ? type : &storedType, data, bytes);
  std::optional<machine::Stored> stored;
  if ((status == ERROR_SUCCESS || status == ERROR_MORE_DATA) && bytes != nullptr)
    stored = machine::Stored{*bytes, type != nullptr ? *type : storedType};
  std::optional<machine::RegValue> read;
  if (status == ERROR_SUCCESS && data != nullptr && stored) read = Bytes(stored->type, data, stored->bytes);
  Record(LandedIn(machine::trace::QueryValue(ShownKey(key), U(name), data == nullptr, room, status, stored, read), key));
  return status;
}

LSTATUS WINAPI CountingRegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data,
                                      DWORD bytes) {
  const LSTATUS status = RegSetValueExW(key, name, reserved, type, data, bytes);
  Record(LandedIn(machine::trace::SetValue(ShownKey(key), U(name), Bytes(type, data, bytes), status), key));
  return status;
}

LSTATUS WINAPI CountingRegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                                      DWORD bytes) {
  const LSTATUS status = RegSetValueExA(key, name, reserved, type, data, bytes);
  wchar_t wide[256] = {};
  MultiByteToWideChar(CP_ACP, 0, name, -1, wide, 255);
  Record(LandedIn(machine::trace::SetValueAnsi(ShownKey(key), U(wide), Bytes(type, data, bytes), status), key));
  return status;
}

BOOL WINAPI CountingOpenProcessToken(HANDLE process, DWORD access, PHANDLE token) {
  const BOOL opened = OpenProcessToken(process, access, token);
  if (opened) answers().tokens.insert(*token);
  Record(machine::trace::OpenToken(access, opened != FALSE));
  return opened;
}

BOOL WINAPI CountingCloseHandle(HANDLE handle) {
  if (answers().tokens.erase(handle) != 0) Record(machine::trace::CloseToken());
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
