// The simulated machine behind the Linux build of the platform boundary: registry, volumes,
// environment, files, clock, code page, message-box answers and the requests for program
// starts and shutdowns, all in memory. Tests and suitehost set it up before an action runs and
// read it afterwards. One machine per process, as there is one Windows per process.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/registry_view.h"

namespace sim {

using platform::MessageShown;
using platform::NoCaseLess;
using platform::RegValue;
using platform::ShutdownRequest;

struct RegKeyData {
  std::map<std::u16string, RegValue, NoCaseLess> values;
  // Access rights refused on open or create, as for a user without administrative rights.
  std::uint32_t deniedAccess = 0;
};

// Full key path as "HKEY_LOCAL_MACHINE\SOFTWARE\..."; HKEY_CLASSES_ROOT is an alias of
// HKEY_LOCAL_MACHINE\Software\Classes. Every key on a path exists once its leaf exists.
class Registry {
 public:
  static std::u16string Under(platform::Hive hive, const std::u16string& path);

  RegKeyData& CreateKey(const std::u16string& canonicalPath);
  RegKeyData* FindKey(const std::u16string& canonicalPath);
  void DeleteKey(const std::u16string& canonicalPath);  // with its subkeys
  void SetValue(const std::u16string& canonicalPath, const std::u16string& name, RegValue value);
  std::optional<RegValue> GetValue(const std::u16string& canonicalPath,
                                   const std::u16string& name) const;
  const std::map<std::u16string, RegKeyData, NoCaseLess>& Keys() const { return keys_; }
  void Clear() { keys_.clear(); }

 private:
  std::map<std::u16string, RegKeyData, NoCaseLess> keys_;
};

struct Volume {
  std::uint64_t callerFreeBytes = 0;
  bool fails = false;  // the query for this root fails (an inaccessible drive)
};

struct FileEntry {
  bool readable = true;  // false: present but locked or not readable
};

struct Machine {
  // 64-bit Windows shows our 32-bit libraries its registry through the 32-bit view; the registry
  // holds every key by its own path, WOW6432Node included.
  platform::Windows windows = platform::Windows::X86;
  Registry registry;
  // Drive roots ("C:\") to their figures; a root not listed fails with path-not-found.
  std::map<std::u16string, Volume, NoCaseLess> volumes;
  std::map<std::u16string, std::u16string, NoCaseLess> environment;
  std::u16string windowsFolder = u"C:\\Windows";  // empty: the system cannot tell
  std::map<std::u16string, FileEntry, NoCaseLess> files;
  // A fixed local time; unset means the real clock.
  std::optional<platform::LocalTime> clock;
  // Answers given to message boxes in turn; with none left a box fails and returns 0.
  std::deque<int> messageAnswers;
  std::vector<MessageShown> messagesShown;
  std::vector<platform::ShellStart> programsStarted;
  std::vector<ShutdownRequest> shutdownRequests;
  bool tokenOpens = true;
  bool privilegeLookupWorks = true;
  std::uint32_t privilegeAdjustError = 0;  // 0, or 1300 for a user without the privilege
  std::vector<std::u16string> privilegesEnabled;
  std::vector<platform::SystemCall> calls;  // every call the actions made on the system, in order
  int openKeys = 0;    // registry handles currently open
  int openTokens = 0;  // token handles currently open
};

// A file path as Win32 resolves it: "/" taken for "\", repeated separators folded, a path
// from the root of the current drive put on C:. Keys of Machine::files are in this form.
std::u16string NormalFilePath(const std::u16string& path);

Machine& machine();
// A fresh machine: a registry with only the Session Manager key that Windows always has, no
// volumes, no environment, nothing recorded.
void Reset();

// System strings made and not yet freed, in the whole process.
long LiveSystemStrings();
// Makes the n-th system string allocation from now fail (1 = the next one); 0 disables.
void FailSystemStringAllocation(long nth);
// How many allocations are left before the one made to fail; 0 when none is.
long SystemStringFailureCountdown();

// Held by every call of the simulated system: its own memory is the system's, not the library's,
// so no C++ allocation is made to fail on purpose inside it.
class SystemWork {
 public:
  SystemWork();
  ~SystemWork();
  SystemWork(const SystemWork&) = delete;
  SystemWork& operator=(const SystemWork&) = delete;
};
bool InSystemWork();

}  // namespace sim
