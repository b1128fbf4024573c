// The scenario machine on Windows (and Wine): the real registry, real files, the real process
// environment and real program starts. What must not or cannot happen for real in a test is
// answered from the scenario by replacing entries of the loaded action library's import
// table, so the shipped DLL itself carries no test code: the message box, the privilege
// adjustment, the restart request, the free-space figures, the Windows folder and the clock.
// The same replacements count the registry keys, tokens and system strings that the library
// opens and makes, and record each program start before passing it on to the shell.
#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <time.h>

#include "host/machine.h"
#include "host/test_engine.h"
#include "host/utf.h"

namespace host {
namespace {

const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
std::u16string U(const wchar_t* text) {
  return text == nullptr ? std::u16string() : std::u16string(reinterpret_cast<const char16_t*>(text));
}

constexpr char16_t kMachineRoot[] = u"HKEY_LOCAL_MACHINE\\";

// The path below HKEY_LOCAL_MACHINE of a canonical key.
std::u16string BelowMachine(const std::u16string& key) {
  const std::u16string root = kMachineRoot;
  return key.compare(0, root.size(), root) == 0 ? key.substr(root.size()) : std::u16string();
}

bool SameText(const std::u16string& a, const std::u16string& b) { return !NoCaseLess()(a, b) && !NoCaseLess()(b, a); }

bool IsSystemKey(const std::u16string& key) {
  const std::u16string system = std::u16string(kMachineRoot) + u"SYSTEM";
  return SameText(key.substr(0, system.size()), system) &&
         (key.size() == system.size() || key[system.size()] == u'\\');
}

// The path as Win32 resolves it: repeated separators folded, "/" taken for "\".
std::u16string FullPath(const std::u16string& path) {
  wchar_t full[MAX_PATH * 4];
  const DWORD n = GetFullPathNameW(W(path), MAX_PATH * 4, full, nullptr);
  return n == 0 || n >= MAX_PATH * 4 ? path : std::u16string(reinterpret_cast<const char16_t*>(full), n);
}

std::u16string ProgramFolder() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::u16string file(reinterpret_cast<const char16_t*>(path), n);
  return file.substr(0, file.find_last_of(u'\\'));
}

// ---- What the replaced imports answer and count ----------------------------------------------
struct Interception {
  std::map<std::u16string, std::pair<std::uint64_t, bool>, NoCaseLess> volumes;  // free, fails
  std::optional<std::u16string> windowsFolder;
  std::optional<__time64_t> clock;
  std::deque<int> answers;
  std::vector<MessageBoxShown> messages;
  std::vector<RestartRequest> restarts;
  std::vector<ProgramStart> starts;
  bool privilegeLookupWorks = true;
  DWORD privilegeAdjustError = 0;
  std::set<HKEY> keys;
  std::set<HANDLE> tokens;
};
Interception g;

BOOL WINAPI FakeGetDiskFreeSpaceExW(LPCWSTR folder, PULARGE_INTEGER caller, PULARGE_INTEGER total,
                                    PULARGE_INTEGER totalFree) {
  std::u16string root = U(folder);
  auto found = g.volumes.find(root);
  // "C:" names the current folder of drive C, which lies on the same volume.
  if (found == g.volumes.end() && root.size() == 2 && root[1] == u':') found = g.volumes.find(root + u"\\");
  if (found == g.volumes.end() || found->second.second) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  for (PULARGE_INTEGER out : {caller, total, totalFree})
    if (out != nullptr) out->QuadPart = found->second.first;
  return TRUE;
}

// The Windows folder and the clock pass through unless the scenario fixes them.
UINT WINAPI FakeGetWindowsDirectoryW(LPWSTR buffer, UINT size) {
  if (!g.windowsFolder) return GetWindowsDirectoryW(buffer, size);
  const std::u16string& folder = *g.windowsFolder;
  if (folder.size() + 1 > size) return static_cast<UINT>(folder.size() + 1);
  std::memcpy(buffer, folder.c_str(), (folder.size() + 1) * sizeof(wchar_t));
  return static_cast<UINT>(folder.size());
}

__time64_t __cdecl FakeTime64(__time64_t* out) {
  if (!g.clock) return _time64(out);
  if (out != nullptr) *out = *g.clock;
  return *g.clock;
}

int WINAPI FakeMessageBoxW(HWND, LPCWSTR text, LPCWSTR caption, UINT style) {
  int answer = 0;
  if (!g.answers.empty()) {
    answer = g.answers.front();
    g.answers.pop_front();
  }
  g.messages.push_back({U(text), U(caption), style, answer});
  return answer;
}

BOOL WINAPI FakeLookupPrivilegeValueW(LPCWSTR system, LPCWSTR name, PLUID luid) {
  if (!g.privilegeLookupWorks) {
    SetLastError(ERROR_NO_SUCH_PRIVILEGE);
    return FALSE;
  }
  return LookupPrivilegeValueW(system, name, luid);
}

BOOL WINAPI FakeAdjustTokenPrivileges(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES, PDWORD) {
  // Nothing is enabled for real; as on Windows the result is success and the last error tells.
  SetLastError(g.privilegeAdjustError);
  return TRUE;
}

BOOL WINAPI FakeExitWindowsEx(UINT flags, DWORD reason) {
  g.restarts.push_back({flags, reason});
  return TRUE;
}

BOOL WINAPI CountingShellExecuteExW(SHELLEXECUTEINFOW* info) {
  g.starts.push_back({U(info->lpFile), U(info->lpParameters), U(info->lpDirectory), U(info->lpVerb),
                      info->fMask, info->nShow});
  return ShellExecuteExW(info);
}

LSTATUS WINAPI CountingRegOpenKeyExW(HKEY parent, LPCWSTR path, DWORD options, REGSAM access, PHKEY key) {
  const LSTATUS status = RegOpenKeyExW(parent, path, options, access, key);
  if (status == ERROR_SUCCESS) g.keys.insert(*key);
  return status;
}

LSTATUS WINAPI CountingRegCreateKeyExW(HKEY parent, LPCWSTR path, DWORD reserved, LPWSTR cls, DWORD options,
                                       REGSAM access, const LPSECURITY_ATTRIBUTES security, PHKEY key,
                                       LPDWORD disposition) {
  const LSTATUS status =
      RegCreateKeyExW(parent, path, reserved, cls, options, access, security, key, disposition);
  if (status == ERROR_SUCCESS) g.keys.insert(*key);
  return status;
}

LSTATUS WINAPI CountingRegCloseKey(HKEY key) {
  g.keys.erase(key);
  return RegCloseKey(key);
}

BOOL WINAPI CountingOpenProcessToken(HANDLE process, DWORD access, PHANDLE token) {
  const BOOL opened = OpenProcessToken(process, access, token);
  if (opened) g.tokens.insert(*token);
  return opened;
}

BOOL WINAPI CountingCloseHandle(HANDLE handle) {
  g.tokens.erase(handle);
  return CloseHandle(handle);
}

BSTR WINAPI CountingSysAllocString(const OLECHAR* text) {
  BSTR made = SysAllocString(text);
  if (made != nullptr) NoteSystemStrings(1);
  return made;
}

BSTR WINAPI CountingSysAllocStringLen(const OLECHAR* text, UINT length) {
  BSTR made = SysAllocStringLen(text, length);
  if (made != nullptr) NoteSystemStrings(1);
  return made;
}

void WINAPI CountingSysFreeString(BSTR text) {
  if (text != nullptr) NoteSystemStrings(-1);
  SysFreeString(text);
}

struct Replacement {
  const char* dll;
  const char* name;
  void* function;
};

// The replacements read the scenario on every call, so a library taken over once follows each
// scenario that runs after.
const Replacement kReplacements[] = {
    {"KERNEL32.dll", "GetDiskFreeSpaceExW", reinterpret_cast<void*>(&FakeGetDiskFreeSpaceExW)},
    {"KERNEL32.dll", "CloseHandle", reinterpret_cast<void*>(&CountingCloseHandle)},
    {"USER32.dll", "MessageBoxW", reinterpret_cast<void*>(&FakeMessageBoxW)},
    {"USER32.dll", "ExitWindowsEx", reinterpret_cast<void*>(&FakeExitWindowsEx)},
    {"ADVAPI32.dll", "LookupPrivilegeValueW", reinterpret_cast<void*>(&FakeLookupPrivilegeValueW)},
    {"ADVAPI32.dll", "AdjustTokenPrivileges", reinterpret_cast<void*>(&FakeAdjustTokenPrivileges)},
    {"ADVAPI32.dll", "OpenProcessToken", reinterpret_cast<void*>(&CountingOpenProcessToken)},
    {"ADVAPI32.dll", "RegOpenKeyExW", reinterpret_cast<void*>(&CountingRegOpenKeyExW)},
    {"ADVAPI32.dll", "RegCreateKeyExW", reinterpret_cast<void*>(&CountingRegCreateKeyExW)},
    {"ADVAPI32.dll", "RegCloseKey", reinterpret_cast<void*>(&CountingRegCloseKey)},
    {"SHELL32.dll", "ShellExecuteExW", reinterpret_cast<void*>(&CountingShellExecuteExW)},
    {"OLEAUT32.dll", "SysAllocString", reinterpret_cast<void*>(&CountingSysAllocString)},
    {"OLEAUT32.dll", "SysAllocStringLen", reinterpret_cast<void*>(&CountingSysAllocStringLen)},
    {"OLEAUT32.dll", "SysFreeString", reinterpret_cast<void*>(&CountingSysFreeString)},
    {"KERNEL32.dll", "GetWindowsDirectoryW", reinterpret_cast<void*>(&FakeGetWindowsDirectoryW)},
    {"msvcrt.dll", "_time64", reinterpret_cast<void*>(&FakeTime64)},
};

void* ReplacementFor(const char* dll, const char* name) {
  for (const Replacement& r : kReplacements)
    if (lstrcmpiA(r.dll, dll) == 0 && std::strcmp(r.name, name) == 0) return r.function;
  return nullptr;
}

// Rewrites the import address table of the module: every import by name that has a
// replacement now calls it. Only that module's table changes, so the replacements, and
// suitehost itself, still reach the real functions.
void ReplaceImports(HMODULE module) {
  auto* base = reinterpret_cast<BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.VirtualAddress == 0) return;
  for (auto* imp = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name != 0;
       ++imp) {
    const char* dll = reinterpret_cast<const char*>(base + imp->Name);
    auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + (imp->OriginalFirstThunk != 0
                                                                         ? imp->OriginalFirstThunk
                                                                         : imp->FirstThunk));
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      void* replacement = ReplacementFor(dll, reinterpret_cast<const char*>(byName->Name));
      if (replacement == nullptr) continue;
      DWORD old = 0;
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
    }
  }
}

// ---- The registry ------------------------------------------------------------------------------
RegistryValues ReadValues(HKEY key) {
  RegistryValues values;
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD nameLength = 16384, type = 0, bytes = 0;
    LSTATUS status = RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &bytes);
    if (status != ERROR_SUCCESS) break;
    RegValue value;
    value.type = type;
    value.data.resize(bytes);
    nameLength = 16384;
    status = RegEnumValueW(key, i, name, &nameLength, nullptr, &type, value.data.data(), &bytes);
    if (status != ERROR_SUCCESS) break;
    value.data.resize(bytes);
    values[std::u16string(reinterpret_cast<const char16_t*>(name), nameLength)] = value;
  }
  return values;
}

std::optional<RegistryValues> ReadKey(const std::u16string& key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(BelowMachine(key)), 0, KEY_READ, &opened) != ERROR_SUCCESS)
    return std::nullopt;
  RegistryValues values = ReadValues(opened);
  RegCloseKey(opened);
  return values;
}

bool IsStringType(std::uint32_t type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

void SetRealValue(HKEY key, const std::u16string& name, const RegValue& value) {
  // The system stores the unit after a string's counted data when that unit is a NUL, so an
  // unterminated string is followed by one that is not.
  std::vector<BYTE> data(value.data.begin(), value.data.end());
  if (IsStringType(value.type)) data.insert(data.end(), {'x', 'x'});
  RegSetValueExW(key, W(name), 0, value.type, data.data(), static_cast<DWORD>(value.data.size()));
}

// Gives the key back its owner's full rights, so that a key the scenario locked can be removed.
void Unlock(const std::u16string& key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(BelowMachine(key)), 0, WRITE_DAC, &opened) != ERROR_SUCCESS) return;
  SECURITY_DESCRIPTOR open;
  InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
  RegSetKeySecurity(opened, DACL_SECURITY_INFORMATION, &open);
  RegCloseKey(opened);
}

void DeleteKeyTree(const std::u16string& key) {
  Unlock(key);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, W(BelowMachine(key)));
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, W(BelowMachine(key)));
}

class Win32Machine : public Machine {
 public:
  // The prefix is left as the first scenario found it.
  ~Win32Machine() override {
    Release();
    for (const std::u16string& key : keys_) RestoreKey(key);
  }

  void Attach(void* module) override { ReplaceImports(static_cast<HMODULE>(module)); }

  void Reset(const std::vector<std::u16string>& keys) override {
    Release();
    std::set<std::u16string, NoCaseLess> all(keys_.begin(), keys_.end());
    all.insert(keys.begin(), keys.end());
    for (const std::u16string& key : all) RestoreKey(key);
    keys_ = keys;
    g = Interception{};
    checkedStarts_ = 0;
  }

  void ApplyRegistry(const RegistryChange& change) override {
    const std::u16string path = BelowMachine(change.key);
    if (change.kind == RegistryChange::Kind::DeleteKey) {
      DeleteKeyTree(change.key);
      return;
    }
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, W(path), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
      return;
    if (change.kind == RegistryChange::Kind::SetValue) SetRealValue(key, change.name, change.value);
    if (change.kind == RegistryChange::Kind::DeleteValue) RegDeleteValueW(key, W(change.name));
    RegCloseKey(key);
  }

  // A security descriptor that refuses the rights to everyone, as Windows refuses write rights
  // to a user without administrative rights.
  void DenyAccess(const std::u16string& key, std::uint32_t rights) override {
    HKEY opened = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, W(BelowMachine(key)), 0, nullptr, 0, KEY_ALL_ACCESS | WRITE_DAC,
                        nullptr, &opened, nullptr) != ERROR_SUCCESS)
      return;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    // Only the key's own rights are refused, so the owner can still hand them back.
    const DWORD refused = rights & 0xFFFF;
    const DWORD size = sizeof(ACL) + 2 * (sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(everyone));
    std::vector<BYTE> aclBytes(size);
    auto* acl = reinterpret_cast<ACL*>(aclBytes.data());
    InitializeAcl(acl, size, ACL_REVISION);
    AddAccessDeniedAce(acl, ACL_REVISION, refused, everyone);
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, everyone);
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    RegSetKeySecurity(opened, DACL_SECURITY_INFORMATION, &descriptor);
    RegCloseKey(opened);
    FreeSid(everyone);
  }

  RegistryState Registry() const override {
    RegistryState state;
    for (const std::u16string& key : keys_)
      if (auto values = ReadKey(key)) state[key] = *values;
    return state;
  }

  void SetVolume(const std::u16string& root, std::uint64_t callerFreeBytes, bool fails) override {
    g.volumes[root] = {callerFreeBytes, fails};
  }

  void SetEnvironment(const std::u16string& name, const std::optional<std::u16string>& value) override {
    if (savedEnvironment_.count(name) == 0) {
      wchar_t buffer[32768];
      const DWORD n = GetEnvironmentVariableW(W(name), buffer, 32768);
      savedEnvironment_[name] = n == 0 ? std::nullopt : std::optional<std::u16string>(U(buffer));
    }
    SetEnvironmentVariableW(W(name), value ? W(*value) : nullptr);
  }

  void SetWindowsFolder(const std::u16string& folder) override { g.windowsFolder = folder; }

  // A file the actions may open or start: a program (".exe") is our start recorder, which
  // reports its command line and working folder next to itself; anything else is empty. A
  // locked file is held open without sharing for the length of the scenario.
  void AddFile(const std::u16string& path, bool readable) override {
    for (size_t at = path.find(u'\\', 3); at != std::u16string::npos; at = path.find(u'\\', at + 1))
      CreateDirectoryW(W(path.substr(0, at)), nullptr);
    const bool program = path.size() > 4 && NoCaseLess::Fold(path[path.size() - 1]) == u'E' &&
                         NoCaseLess::Fold(path[path.size() - 2]) == u'X' &&
                         NoCaseLess::Fold(path[path.size() - 3]) == u'E' && path[path.size() - 4] == u'.';
    if (program) {
      CopyFileW(W(ProgramFolder() + u"\\start_recorder.exe"), W(path), FALSE);
      DeleteFileW(W(path + u".started"));
      programs_.insert(FullPath(path));
    } else {
      HANDLE made = CreateFileW(W(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (made != INVALID_HANDLE_VALUE) CloseHandle(made);
    }
    files_.push_back(path);
    if (!readable) {
      HANDLE held = CreateFileW(W(path), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (held != INVALID_HANDLE_VALUE) locked_.push_back(held);
    }
  }

  void SetClock(const LocalClock& c) override {
    struct tm local {};
    local.tm_year = c.year - 1900;
    local.tm_mon = c.month - 1;
    local.tm_mday = c.day;
    local.tm_hour = c.hour;
    local.tm_min = c.minute;
    local.tm_sec = c.second;
    local.tm_isdst = -1;
    g.clock = _mktime64(&local);
  }

  void QueueMessageAnswer(int answer) override { g.answers.push_back(answer); }
  void SetShutdownPrivilege(bool lookupWorks, std::uint32_t adjustError) override {
    g.privilegeLookupWorks = lookupWorks;
    g.privilegeAdjustError = adjustError;
  }

  std::vector<ProgramStart> ProgramsStarted() const override { return g.starts; }
  std::vector<MessageBoxShown> MessagesShown() const override { return g.messages; }
  std::vector<RestartRequest> RestartsRequested() const override { return g.restarts; }
  int OpenHandles() const override { return static_cast<int>(g.keys.size() + g.tokens.size()); }
  long LiveSystemStrings() const override { return host::LiveSystemStrings(); }

  // Each start of one of our programs must show up in its report, with the command line and
  // folder it was given.
  std::vector<std::string> TakeProblems() override {
    std::vector<std::string> problems;
    for (; checkedStarts_ < g.starts.size(); ++checkedStarts_) {
      const ProgramStart& start = g.starts[checkedStarts_];
      if (programs_.count(FullPath(start.file)) == 0) continue;
      const std::u16string report = start.file + u".started";
      std::string text;
      for (int waited = 0; waited < 200 && !ReadReport(report, text); ++waited) Sleep(50);
      if (text.empty()) {
        problems.push_back("program " + Quoted(start.file) + " was not started");
        continue;
      }
      DeleteFileW(W(report));
      const size_t cut = text.find('\n');
      const std::u16string folder = FromUtf8(text.substr(0, cut));
      const std::u16string arguments = FromUtf8(cut == std::string::npos ? "" : text.substr(cut + 1));
      if (!SameText(FullPath(folder), FullPath(start.directory)))
        problems.push_back("program " + Quoted(start.file) + " ran in " + Quoted(folder) + ", not in " +
                           Quoted(start.directory));
      if (arguments != start.parameters)
        problems.push_back("program " + Quoted(start.file) + " was given " + Quoted(arguments) + ", not " +
                           Quoted(start.parameters));
    }
    return problems;
  }

 private:
  static bool ReadReport(const std::u16string& path, std::string& text) {
    HANDLE file = CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[65536];
    DWORD got = 0;
    const BOOL read = ReadFile(file, buffer, sizeof buffer, &got, nullptr);
    CloseHandle(file);
    // The recorder writes its report in one piece and ends it with a NUL once complete.
    if (!read || got == 0 || buffer[got - 1] != '\0') return false;
    text.assign(buffer, got - 1);
    return true;
  }

  // Keys under HKEY_LOCAL_MACHINE\SYSTEM belong to the system and get back the values they had
  // when first seen; every other key a scenario uses is its own and goes away.
  void RestoreKey(const std::u16string& key) {
    if (!IsSystemKey(key)) {
      DeleteKeyTree(key);
      return;
    }
    auto first = firstSeen_.find(key);
    if (first == firstSeen_.end()) {
      firstSeen_[key] = ReadKey(key);
      return;
    }
    const std::optional<RegistryValues> now = ReadKey(key);
    if (!first->second) {
      if (now) DeleteKeyTree(key);
      return;
    }
    Unlock(key);
    HKEY opened = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, W(BelowMachine(key)), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened,
                        nullptr) != ERROR_SUCCESS)
      return;
    if (now)
      for (const auto& [name, value] : *now)
        if (first->second->count(name) == 0) RegDeleteValueW(opened, W(name));
    for (const auto& [name, value] : *first->second) {
      if (now) {
        auto current = now->find(name);
        if (current != now->end() && current->second == value) continue;
      }
      SetRealValue(opened, name, value);
    }
    RegCloseKey(opened);
  }

  // Undoes what the last scenario did outside the registry.
  void Release() {
    for (HANDLE held : locked_) CloseHandle(held);
    locked_.clear();
    for (const std::u16string& file : files_) {
      DeleteFileW(W(file));
      DeleteFileW(W(file + u".started"));
    }
    files_.clear();
    programs_.clear();
    for (const auto& [name, value] : savedEnvironment_)
      SetEnvironmentVariableW(W(name), value ? W(*value) : nullptr);
    savedEnvironment_.clear();
  }

  std::vector<std::u16string> keys_;
  std::map<std::u16string, std::optional<RegistryValues>, NoCaseLess> firstSeen_;
  std::map<std::u16string, std::optional<std::u16string>, NoCaseLess> savedEnvironment_;
  std::vector<std::u16string> files_;
  std::set<std::u16string, NoCaseLess> programs_;  // our recorder stands there
  std::vector<HANDLE> locked_;
  size_t checkedStarts_ = 0;
};

}  // namespace

std::unique_ptr<Machine> MakeMachine() { return std::make_unique<Win32Machine>(); }

}  // namespace host
