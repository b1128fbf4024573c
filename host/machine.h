// The machine a scenario runs on, as the engine stand-in sees it: set up before the actions
// run, read afterwards. On Linux it is the simulated machine.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace host {

struct RegValue {
  std::uint32_t type = 1;  // REG_SZ
  std::vector<std::uint8_t> data;
  bool operator==(const RegValue& other) const { return type == other.type && data == other.data; }
  bool operator!=(const RegValue& other) const { return !(*this == other); }
};

// Key paths are given with their root, "HKEY_LOCAL_MACHINE\..." or "HKEY_CLASSES_ROOT\..."
// (HKLM and HKCR for short).
struct RegistryChange {
  enum class Kind { SetValue, DeleteValue, CreateKey, DeleteKey };
  Kind kind = Kind::SetValue;
  std::u16string key;
  std::u16string name;  // the value's name; empty for the key's default value
  RegValue value;
};

// Registry key paths and value names compare without regard to ASCII letter case.
struct NoCaseLess {
  static char16_t Fold(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }
  bool operator()(const std::u16string& a, const std::u16string& b) const {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
      if (Fold(a[i]) != Fold(b[i])) return Fold(a[i]) < Fold(b[i]);
    return a.size() < b.size();
  }
};

// Values by canonical key path, then value name.
using RegistryValues = std::map<std::u16string, RegValue, NoCaseLess>;
using RegistryState = std::map<std::u16string, RegistryValues, NoCaseLess>;

struct ProgramStart {
  std::u16string file, parameters, directory, verb;
  std::uint32_t mask = 0;
  int show = 0;
};

struct MessageBoxShown {
  std::u16string text, caption;
  unsigned style = 0;
  int answer = 0;
};

struct RestartRequest {
  unsigned flags = 0;
  std::uint32_t reason = 0;
};

struct LocalClock {
  int year, month, day, hour, minute, second;
};

class Machine {
 public:
  virtual ~Machine() = default;

  // A clean machine for the next scenario: the given registry keys (canonical paths: the keys
  // the scenario sets up or looks at, and those the actions use) as on a machine where nothing
  // was installed, no volumes, environment, files, answers or records. The keys are the ones
  // Registry() reports from then on.
  virtual void Reset(const std::vector<std::u16string>& keys) = 0;

  // Takes over a loaded action library: on Windows the calls that must not happen for real in
  // a test (message box, privilege adjustment, restart, free-space figures, the clock) are
  // answered from the scenario, and handles and system strings are counted.
  virtual void Attach(void* module) = 0;
  virtual void ApplyRegistry(const RegistryChange& change) = 0;
  // Refuses the given access rights on a key, as for a user without administrative rights.
  virtual void DenyAccess(const std::u16string& key, std::uint32_t rights) = 0;
  // The values of the keys given to Reset, for those that exist.
  virtual RegistryState Registry() const = 0;

  virtual void SetVolume(const std::u16string& root, std::uint64_t callerFreeBytes, bool fails) = 0;
  virtual void SetEnvironment(const std::u16string& name, const std::optional<std::u16string>& value) = 0;
  virtual void SetWindowsFolder(const std::u16string& folder) = 0;
  virtual void AddFile(const std::u16string& path, bool readable) = 0;
  virtual void SetClock(const LocalClock& clock) = 0;
  virtual void QueueMessageAnswer(int answer) = 0;
  virtual void SetShutdownPrivilege(bool lookupWorks, std::uint32_t adjustError) = 0;

  virtual std::vector<ProgramStart> ProgramsStarted() const = 0;
  virtual std::vector<MessageBoxShown> MessagesShown() const = 0;
  virtual std::vector<RestartRequest> RestartsRequested() const = 0;
  // Registry keys and token handles that an action left open.
  virtual int OpenHandles() const = 0;
  // System strings made and not yet freed by the actions and the engine.
  virtual long LiveSystemStrings() const = 0;
  // What went wrong on the machine's side since the last call: a program that was started but
  // did not report in, or reported another command line or folder than it was given.
  virtual std::vector<std::string> TakeProblems() { return {}; }
};

std::unique_ptr<Machine> MakeMachine();

// The canonical form of a key path ("HKEY_LOCAL_MACHINE\..."); nullopt for an unknown root.
std::optional<std::u16string> CanonicalKey(const std::u16string& key);

}  // namespace host
