// A call from the command line saved as a scenario file that replays it: its machine, its
// properties, and as expectations everything it did.
#pragma once

#include <string>

#include "scenario/scenario.h"
#include "scenario/scenario_report.h"

namespace scenario {

// The scenario file's text for the scenario `given` (its engine, machine and steps) with, as
// each call's expectations, what the call did in `report`.
// `replaced` (when given) is set when a text UTF-8 cannot hold (an unpaired surrogate) was written
// as U+FFFD: a replay then sees U+FFFD there.
std::string ScenarioText(const Scenario& given, const ScenarioReport& report, bool* replaced = nullptr);

// The scenario file's text for the scenario a call was `given` and the report of its run;
// `command` is the command line, said in the file's description.
std::string SavedCall(const Scenario& given, const ScenarioReport& report, const std::string& command,
                      bool* replaced = nullptr);

}  // namespace scenario
