// A call from the command line saved as a scenario file that replays it: its machine, its
// properties, and as expectations everything it did.
#pragma once

#include <string>

#include "scenario/scenario.h"
#include "scenario/scenario_report.h"

namespace scenario {

// The scenario file's text for the scenario `given` (its engine, machine and steps) with, as
// each call's expectations, what the call did in `report`.
std::string ScenarioText(const Scenario& given, const ScenarioReport& report);

// The scenario file's text for the scenario a call was `given` and the report of its run;
// `command` is the command line, said in the file's description.
std::string SavedCall(const Scenario& given, const ScenarioReport& report, const std::string& command);

}  // namespace scenario
