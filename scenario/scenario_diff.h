// Two scenarios or captures set against each other: first the machines they describe, part by
// part, then what the actions did on each, step by step.
#pragma once

#include <string>
#include <vector>

#include "scenario/scenario.h"
#include "scenario/scenario_report.h"

namespace scenario {

// One part of the comparison: its title and the unified diff of its lines (`-` only in the first,
// `+` only in the second); no lines when both hold the same.
struct DiffPart {
  std::string title;
  std::vector<std::string> diff;
};

// The machines part by part: Windows, registry (keys, values by type and data), refused rights,
// volumes, files, environment, message box answers, the rest of what the machine answers, and
// the engine's properties.
std::vector<DiffPart> MachineDiff(const Scenario& a, const Scenario& b);

// What one step did, a line each: the call's result, the properties it wrote, the registry
// changes it left, the programs it started, the message boxes it showed and a restart.
std::vector<std::string> DoneIn(const StepReport& step);

// What the actions did, step by step ("step 2: call verify"), and a part for steps that only one
// of them has.
std::vector<DiffPart> ActionDiff(const ScenarioReport& a, const ScenarioReport& b);

}  // namespace scenario
