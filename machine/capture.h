// A capture: the actions run against a simulated machine that learns a real one as they read it.
// Every key, value, variable, volume, folder and file they ask for is read from the real machine
// once, just before the simulated machine answers, and written down; what they change stays in
// the simulated machine, so that a later action sees it and the real machine never does. What was
// written down is the machine part of a scenario that reproduces the real machine for them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "machine/registry_view.h"
#include "machine/simulated.h"

namespace machine {

enum class FileState { Readable, Locked, Absent };

// A real machine, read and never changed. Keys are its own paths ("HKEY_LOCAL_MACHINE\\...",
// WOW6432Node included on 64-bit Windows).
class RealMachineReader {
 public:
  virtual ~RealMachineReader() = default;
  virtual Windows Kind() const = 0;
  // The machine's name, for a capture that may say it; empty when it has none.
  virtual std::u16string Name() = 0;
  // The status of opening the key with `access`: 0, 2 (not there), 5 (refused) or another.
  virtual std::int32_t OpenStatus(const std::u16string& key, std::uint32_t access) = 0;
  // The value as stored, or nullopt with the status that said why not (2: not there).
  virtual std::int32_t ReadValue(const std::u16string& key, const std::u16string& name,
                                 std::optional<RegValue>* value) = 0;
  virtual std::optional<std::u16string> Environment(const std::u16string& name) = 0;  // nullopt: not set
  virtual std::optional<std::uint64_t> FreeBytes(const std::u16string& root) = 0;     // nullopt: the query fails
  virtual std::u16string WindowsFolder() = 0;
  virtual FileState File(const std::u16string& path) = 0;
  // Whether the user holds the shutdown privilege that a restart needs.
  virtual bool HoldsShutdownPrivilege() = 0;
};

// A simulated machine standing for a real one (for tests, and for a scenario's machine reduced
// to what the actions read).
std::unique_ptr<RealMachineReader> RealMachineOf(const SimulatedMachine& machine);

// What the actions read of the real machine.
struct CapturedMachine {
  using Values = std::map<std::u16string, RegValue, NoCaseLess>;
  std::map<std::u16string, Values, NoCaseLess> keys;  // keys there, with the values read
  std::map<std::u16string, std::uint32_t, NoCaseLess> denied;  // rights refused
  std::map<std::u16string, std::optional<std::u16string>, NoCaseLess> environment;
  std::map<std::u16string, std::optional<std::uint64_t>, NoCaseLess> volumes;
  std::optional<std::u16string> windowsFolder;
  std::map<std::u16string, FileState, NoCaseLess> files;  // by NormalFilePath
  // What could not be read for another reason than rights or absence: the capture is not whole.
  std::vector<std::string> problems;
};

class Capture : public MachineSource {
 public:
  Capture(RealMachineReader& real, SimulatedMachine& model) : real_(real), model_(model) {}

  void Key(const std::u16string& key, std::uint32_t access) override;
  void Value(const std::u16string& key, const std::u16string& name) override;
  void Environment(const std::u16string& name) override;
  void Volume(const std::u16string& root) override;
  void WindowsFolder() override;
  void File(const std::u16string& path) override;

  const CapturedMachine& captured() const { return captured_; }
  // The keys and values learned since the last call, as they were on the real machine: what
  // the machine held before the action that read them.
  std::map<std::u16string, CapturedMachine::Values, NoCaseLess> TakeLearned();

 private:
  struct KeyState {
    bool present = false;
    std::set<std::uint32_t> probed;  // the access masks asked of the real machine
    std::uint32_t granted = 0, refused = 0;
  };

  RealMachineReader& real_;
  SimulatedMachine& model_;
  CapturedMachine captured_;
  std::map<std::u16string, KeyState, NoCaseLess> keys_;  // keys asked of the real machine
  std::set<std::pair<std::u16string, std::u16string>, std::less<>> valuesAsked_;  // folded
  bool folderAsked_ = false;
  std::map<std::u16string, CapturedMachine::Values, NoCaseLess> learned_;
};

}  // namespace machine
