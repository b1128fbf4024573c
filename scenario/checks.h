// Expectations checked against what a step did and against the engine and the machine after it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "scenario/scenario_report.h"
#include "scenario/scenario.h"
#include "testkit/machine.h"
#include "testkit/test_engine.h"

namespace scenario {

// Counts the expectations looked at and keeps the failures of one step, each with the place of
// its expectation in the file.
class Checker {
 public:
  Checker(StepReport& report, int& checks) : report_(report), checks_(checks) {}
  // A failure that is a sentence only, at the step.
  void Check(bool held, const std::string& failure) {
    Check(held, failure, Mismatch{report_.where, "", {}, {}, false});
  }
  // The same at the expectation's own place.
  void Check(bool held, const std::string& path, const std::string& failure) {
    Check(held, failure, Mismatch{path, "", {}, {}, false});
  }
  // "WHAT: expected EXPECTED, got GOT".
  void Compare(bool held, const std::string& path, const std::string& what, const std::string& expected,
               const std::string& got) {
    Check(held, what + ": expected " + expected + ", got " + got, Mismatch{path, what, {expected}, {got}, false});
  }
  // "WHAT: expected" and the lines, "got" and the lines.
  void CompareLines(const std::string& path, const std::string& what, const std::vector<std::string>& expected,
                    const std::vector<std::string>& got);
  // The place of the step's expectation FIELD ("result", "properties/ORVIX") in the file.
  std::string At(const std::string& field) const { return report_.where + "/expect/" + field; }

 private:
  void Check(bool held, const std::string& failure, Mismatch mismatch) {
    ++checks_;
    if (held) return;
    report_.failures.push_back(failure);
    report_.mismatches.push_back(std::move(mismatch));
  }
  StepReport& report_;
  int& checks_;
};

// What one call did, for the expectations of its step.
struct CallOutcome {
  HRESULT result = S_OK;
  // The calls the action made on the engine and the system, in the order it made them.
  std::vector<machine::Event> events;
  std::vector<ShellStart> starts;
  std::vector<MessageShown> messages;
  bool restarted = false;
};

// The properties and registry values a step expects.
void CheckState(const Expectations& e, const testkit::TestEngine& engine, const testkit::ScenarioMachine& machine,
                Checker& check);
// The result, writes, host calls, programs, message boxes and restart a call step expects.
void CheckCall(const Expectations& e, const CallOutcome& outcome, Checker& check);

}  // namespace scenario
