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

struct Volume {
  std::u16string root;
  std::uint64_t freeBytes = 0;
  bool fails = false;
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
  // The Windows the machine runs; on x64 key paths are the machine's own, WOW6432Node included.
  machine::Windows windows = machine::Windows::X86;

  PropertyList properties;
  TextTable translations;
  TextTable expansions;
  HRESULT queryStatus = S_OK;
  HRESULT messageStatus = S_OK;

  std::vector<RegistryChange> registry;
  std::vector<std::pair<std::u16string, std::uint32_t>> denied;
  std::vector<Volume> volumes;
  TextTable environment;
  std::optional<std::u16string> windowsFolder;
  std::vector<std::pair<std::u16string, bool>> files;  // path, readable
  std::optional<LocalTime> clock;
  std::vector<int> messageAnswers;
  bool privilegeLookupWorks = true;
  std::uint32_t privilegeAdjustError = 0;

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

// The scenario's machine as a simulated one: its registry (with what every Windows has), refused
// rights, environment, files, volumes, Windows folder, clock and shutdown privilege.
std::unique_ptr<machine::SimulatedMachine> SimulatedMachineOf(const Scenario& s);

}  // namespace scenario
