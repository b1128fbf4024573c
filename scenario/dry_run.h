// What a run would do, said without doing it: on a real machine every key, value, file, folder and
// variable the run would record, set up, change and put back, with whether each is there now; on
// the simulated machine what the scenario's machine holds before each step.
#pragma once

#include <ostream>
#include <string>

#include "machine/capture.h"
#include "scenario/scenario.h"

namespace scenario {

// The keys the run records, clears and sets up as on a machine where nothing was installed, and
// puts back: the scenario's, and those the actions may change (in the view the libraries see on
// the scenario's Windows).
std::vector<std::u16string> ChangedKeys(const Scenario& s);
// Those, and the keys the scenario only looks at.
std::vector<std::u16string> ObservedKeys(const Scenario& s);

// The run's plan on `real`, read and never changed.
void WritePlan(std::ostream& out, const Scenario& s, machine::RealMachineReader& real);

// What the machine holds, one line a thing: the registry of the keys the run of `s` observes, the
// files, variables and volumes it was given, the message box answers left.
std::string Holdings(const Scenario& s, const testkit::ScenarioMachine& m);
// "step 2 (call verify)".
std::string StepTitle(const Scenario& s, size_t index);

}  // namespace scenario
