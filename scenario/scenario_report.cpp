// What a scenario's run reports, judged as a whole.
#include "scenario/scenario_report.h"

#include <cstdio>

namespace scenario {

std::string StepReport::Title() const {
  switch (kind) {
    case Kind::Call: return "call " + action;
    case Kind::Set: return "set";
    case Kind::Expect: return "expect";
    case Kind::SetUp: return "set up";
    case Kind::PutBack: break;
  }
  return "put back";
}

bool ScenarioReport::Passed() const {
  if (!error.empty()) return false;
  for (const StepReport& step : steps)
    if (!step.failures.empty()) return false;
  return true;
}

size_t ScenarioReport::FailedChecks() const {
  size_t failed = 0;
  for (const StepReport& step : steps) failed += step.failures.size();
  return failed;
}

std::string PlainSeconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

}  // namespace scenario
