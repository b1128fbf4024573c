// The scenario machine on Linux: the simulated platform the libraries are linked against. Its
// records are the simulation's own, so nothing is copied between two forms.
#include "machine/sim/process.h"
#include "testkit/capture_scenario_machine.h"
#include "testkit/machine.h"
#include "testkit/simulated_scenario_machine.h"

namespace testkit {

std::unique_ptr<ScenarioMachine> MakeScenarioMachine() {
  return std::make_unique<SimulatedScenarioMachine>(sim::machine());
}

std::string PlatformName() { return "native x86"; }

BSTR MakeEngineString(std::u16string_view text) {
  return SysAllocStringLen(AsOle(text.data()), static_cast<UINT>(text.size()));
}

long LiveSystemStrings() { return sim::LiveSystemStrings(); }

Result<std::vector<std::string>> RecoverInterruptedRun(bool) { return std::vector<std::string>{}; }
bool InterruptedRunLeftJournal() { return false; }

// The native build runs on no real Windows machine.
std::unique_ptr<machine::RealMachineReader> MakeRealMachine() { return nullptr; }

long PauseSystemStringFailures() {
  const long countdown = sim::SystemStringFailureCountdown();
  sim::FailSystemStringAllocation(0);
  return countdown;
}

void ResumeSystemStringFailures(long countdown) { sim::FailSystemStringAllocation(countdown); }

bool InSystemWork() { return sim::InSystemWork(); }

}  // namespace testkit
