// The one mapping of a scenario's machine onto a machine the actions run on.
#include "scenario/scenario.h"
#include "testkit/simulated_scenario_machine.h"

namespace scenario {

Result<> ApplyMachine(const MachineSetUp& s, testkit::ScenarioMachine& m) {
  for (const RegistryChange& change : s.registry)
    if (Result<> done = m.ApplyRegistry(change); !done) return done;
  for (const auto& [key, rights] : s.denied)
    if (Result<> done = m.DenyAccess(key, rights); !done) return done;
  for (const auto& [name, value] : s.environment)
    if (Result<> done = m.SetEnvironment(name, value); !done) return done;
  for (const auto& [path, readable] : s.files)
    if (Result<> done = m.AddFile(path, readable); !done) return done;
  machine::AnswerSheet& sheet = m.Answers();
  for (const auto& [root, volume] : s.volumes) sheet.volumes[root] = volume;
  if (s.windowsFolder) sheet.windowsFolder = *s.windowsFolder;
  if (s.clock) sheet.clock = *s.clock;
  for (int answer : s.messageAnswers) sheet.messageAnswers.push_back(answer);
  sheet.privilegeLookupWorks = s.privilegeLookupWorks;
  sheet.privilegeAdjustError = s.privilegeAdjustError;
  return {};
}

// A simulated machine takes every part of a set-up: nothing here can fail.
std::unique_ptr<machine::SimulatedMachine> SimulatedMachineOf(const MachineSetUp& s) {
  auto m = std::make_unique<machine::SimulatedMachine>();
  testkit::SimulatedScenarioMachine target(*m);
  (void)target.Reset(s.windows, {}, {}, {});
  (void)ApplyMachine(s, target);
  return m;
}

}  // namespace scenario
