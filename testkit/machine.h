// The machine a scenario runs on, as the engine stand-in sees it: set up before the actions
// run, read afterwards. On Linux it is the simulated machine, on Windows (and Wine) the real
// one with the loaded libraries' imports taken over.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "machine/answers.h"
#include "machine/records.h"
#include "machine/registry_view.h"
#include "testkit/result.h"
#include "testkit/engine_strings.h"

namespace testkit {

using machine::CanonicalKey;
using platform::LocalTime;
using machine::MessageShown;
using machine::NoCaseLess;
using machine::RegValue;
using platform::ShellStart;
using machine::ShutdownRequest;
using machine::Event;
using machine::EventJournal;

using machine::RegistryChange;

// Values by canonical key path, then value name.
using RegistryValues = std::map<std::u16string, RegValue, NoCaseLess>;
using RegistryState = std::map<std::u16string, RegistryValues, NoCaseLess>;

class ScenarioMachine {
 public:
  virtual ~ScenarioMachine() = default;

  // A clean machine for the next scenario, running `windows`. `observed`: the keys Registry() reports from then on
  // (those the scenario sets up or looks at, and those the actions use). `changed`: the keys the
  // scenario sets up or refuses rights on and those the actions may change, made as on a machine
  // where nothing was installed; a key the scenario only looks at is never changed. `files`: the
  // files it will place. On a real system all that it will change is recorded first, in a
  // journal file, and Finish() puts it back.
  virtual Result<> Reset(machine::Windows windows, const std::vector<std::u16string>& observed,
                         const std::vector<std::u16string>& changed,
                         const std::vector<std::u16string>& files) = 0;
  // Puts back everything the scenario changed; says what could not be put back.
  virtual Result<> Finish() { return {}; }

  // Takes over a loaded action library: on Windows the calls that must not happen for real in
  // a test (message box, privilege adjustment, restart, free-space figures, the clock) are
  // answered from the scenario, and handles and system strings are counted.
  virtual void Attach(void* module) = 0;

  // The set-up steps that can fail on a real machine say what failed and the system's status.
  virtual Result<> ApplyRegistry(const RegistryChange& change) = 0;
  // Refuses the given access rights on a key, as for a user without administrative rights.
  virtual Result<> DenyAccess(const std::u16string& key, std::uint32_t rights) = 0;
  virtual Result<> SetEnvironment(const std::u16string& name, const std::optional<std::u16string>& value) = 0;
  virtual Result<> AddFile(const std::u16string& path, bool readable) = 0;
  // The values of the keys given to Reset, for those that exist.
  virtual RegistryState Registry() const = 0;
  // Adds to the registry as it was before a call what the machine learned of it during the call
  // (a capture learns the real machine as the actions read it).
  virtual void AddLearned(RegistryState& before) { (void)before; }
  // What the machine answers where the actions ask it (volumes, the Windows folder, the clock,
  // message box answers, the privilege outcome), and what they asked of it: every call on the
  // system since Reset in order, programs started, message boxes, restart requests.
  virtual machine::AnswerSheet& Answers() = 0;
  virtual const machine::AnswerSheet& Answers() const = 0;
  // Registry keys and token handles that an action left open.
  virtual int OpenHandles() const = 0;
  // System strings made and not yet freed by the actions and the engine.
  long LiveSystemStrings() const { return testkit::LiveSystemStrings(); }
  // What went wrong on the machine's side since the last call: a program that was started but
  // did not report in, or reported another command line or folder than it was given.
  virtual std::vector<std::string> TakeProblems() { return {}; }
};

std::unique_ptr<ScenarioMachine> MakeScenarioMachine();

// Where the scenarios run, for the reports: "native x86" (the simulated machine), "wine x86" or
// "windows x86".
std::string PlatformName();

// Puts back what a run that was killed or crashed left changed, from its journal file, and says
// what it put back, a line for each key, file and folder; nothing when there was no journal.
// With `dryRun` it only says what it would put back. Nothing to do on the simulated machine.
Result<std::vector<std::string>> RecoverInterruptedRun(bool dryRun = false);
// Whether a run that was killed or crashed left its journal, and with it the machine changed.
bool InterruptedRunLeftJournal();

}  // namespace testkit
