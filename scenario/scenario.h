// Scenario files: a machine and an engine as they are before the actions run, the steps of an
// installation, and what must hold after each step.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/com_types.h"
#include "machine/registry_view.h"
#include "machine/simulated.h"
#include "testkit/machine.h"
#include "testkit/result.h"

namespace scenario {

using testkit::LocalTime;
using testkit::MessageShown;
using testkit::RegistryChange;
using testkit::RegValue;
using testkit::Result;
using testkit::ShellStart;

using PropertyValue = std::optional<std::u16string>;  // nullopt: the property is not set
using PropertyList = std::vector<std::pair<std::u16string, PropertyValue>>;
using TextTable = std::vector<std::pair<std::u16string, std::optional<std::u16string>>>;

struct RegistryExpectation {
  std::u16string key;   // canonical
  std::u16string name;  // empty with `wholeKey`
  bool wholeKey = false;
  std::optional<RegValue> value;  // nullopt: the value (or key) must not exist
  std::string where;
};

struct Expectations {
  std::optional<HRESULT> result;
  PropertyList properties;
  std::optional<std::vector<std::pair<std::u16string, std::u16string>>> writes;
  std::optional<std::vector<std::string>> calls;
  std::optional<std::vector<std::string>> machine;  // the calls on the system, as the trace shows them
  std::vector<RegistryExpectation> registry;
  std::optional<std::vector<ShellStart>> programs;  // file, parameters and directory
  std::optional<std::vector<MessageShown>> messages;  // text and caption
  std::optional<bool> restart;
};

struct Step {
  enum class Kind { Call, Set, Expect };
  Kind kind = Kind::Call;
  std::string where;  // its place in the file, as a JSON pointer
  std::string action;
  std::optional<HRESULT> queryStatus;  // for this call only
  PropertyList set;
  Expectations expect;
};

// What the engine holds before the actions run: the suite properties, the answers to text
// resolution, and the statuses of its interface query and its message.
struct EngineSetUp {
  PropertyList properties;
  TextTable translations;
  TextTable expansions;
  HRESULT queryStatus = S_OK;
  HRESULT messageStatus = S_OK;
};

// Drive roots with their volumes, in the order the file gives them.
using VolumeList = std::vector<std::pair<std::u16string, machine::Volume>>;

// What the machine holds before the actions run, and how it answers them.
struct MachineSetUp {
  // The Windows the machine runs; on x64 key paths are the machine's own, WOW6432Node included.
  machine::Windows windows = machine::Windows::X86;
  std::vector<RegistryChange> registry;
  std::vector<std::pair<std::u16string, std::uint32_t>> denied;
  VolumeList volumes;
  TextTable environment;
  std::optional<std::u16string> windowsFolder;
  std::vector<std::pair<std::u16string, bool>> files;  // path, readable
  std::optional<LocalTime> clock;
  std::vector<int> messageAnswers;
  bool privilegeLookupWorks = true;
  std::uint32_t privilegeAdjustError = 0;
};

struct Scenario {
  std::string file;
  std::string name;
  std::string description;
  std::string library;     // as written: a name or a path relative to the file
  std::string nativeOnly;  // why the scenario cannot pass on Wine; empty when it can
  std::string wineDiffers;  // where Wine differs from Windows for it: it runs on Windows, not on Wine
  bool fromCommandLine = false;  // made by `suitehost call`: its mistakes are the command line's
  std::vector<std::string> notes;  // what loading it left out, said in its report

  EngineSetUp engine;
  MachineSetUp machine;

  std::vector<Step> steps;
};

// Reads and checks a scenario file completely; the failure names the file and the place (line
// and column for malformed JSON, a JSON pointer otherwise).
Result<Scenario> LoadScenario(const std::string& path);
// A scenario to run must check something: a step, and one that calls an action or expects
// something (a file that describes only a machine, for a capture, need not).
Result<> ChecksSomething(const Scenario& s);
// The same for a file's text already read; `path` places the registry imports and the messages.
Result<Scenario> ParseScenario(const std::string& path, const std::string& text);

// A scenario's machine put on a machine just reset: its registry, refused rights, environment,
// files, and the answers (volumes, Windows folder, clock, message boxes, shutdown privilege); the
// first part the machine cannot take stops it.
Result<> ApplyMachine(const MachineSetUp& s, testkit::ScenarioMachine& m);
// The same as a simulated machine of its own, with what every Windows has.
std::unique_ptr<machine::SimulatedMachine> SimulatedMachineOf(const MachineSetUp& s);

}  // namespace scenario
