// What a run tells: a trace for a person, the same as JSON, and a JUnit report for CI.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "scenario/scenario_report.h"

namespace scenario {

void WriteText(std::ostream& out, const std::vector<ScenarioReport>& reports, bool quiet);
void WriteJson(std::ostream& out, const std::vector<ScenarioReport>& reports);
void WriteJunit(std::ostream& out, const std::vector<ScenarioReport>& reports);

}  // namespace scenario
