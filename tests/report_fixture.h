// A report of one scenario with one call step that failed, for the tests of how reports show it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "scenario/scenario_report.h"

namespace testing_support {

inline scenario::ScenarioReport OneFailedCall(std::vector<std::string> failures,
                                              std::vector<scenario::Mismatch> mismatches) {
  scenario::ScenarioReport r;
  r.file = "a.json";
  r.name = "n";
  r.checks = static_cast<int>(failures.size());
  scenario::StepReport step;
  step.action = "verify";
  step.where = "/steps/0";
  step.failures = std::move(failures);
  step.mismatches = std::move(mismatches);
  r.steps.push_back(std::move(step));
  return r;
}

}  // namespace testing_support
