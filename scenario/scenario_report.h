// What a scenario's run reports: each step with its events and its failures, and the scenario as
// a whole. The runner fills them; the checks and the reports read them.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/com_types.h"
#include "machine/journal.h"
#include "machine/registry_view.h"

namespace scenario {

// What a failed expectation wanted beside what happened, for a report that sets them side by
// side: one line each, or the lines of a list.
struct Mismatch {
  std::string path;  // where the file holds the expectation, as a JSON pointer: "/steps/2/expect/writes"
  std::string what;  // "result", "property ORVIX", "machine calls", ...
  std::vector<std::string> expected;
  std::vector<std::string> got;
  bool lines = false;  // a list of lines rather than one value
};

struct StepReport {
  // A step of the file, or the machine's set-up or put back when either failed.
  enum class Kind { Call, Set, Expect, SetUp, PutBack };
  Kind kind = Kind::Call;
  std::string action;  // the action a call step called
  std::string where;   // the step's place in the file
  bool called = false;
  HRESULT result = S_OK;
  // What happened in the step: its settings; or the calls the action made on the engine and the
  // system in the order it made them, then the registry changes they left.
  std::vector<machine::Event> trace;
  std::vector<std::string> failures;  // expectations that did not hold
  // For each failure, in the same place, what it expected beside what happened; for a failure
  // that is a sentence only (a string never freed, a key left open) only its path, the step's.
  std::vector<Mismatch> mismatches;
  // How the reports head it: "call initProperties", "set", "expect", "set up" or "put back".
  std::string Title() const;
};

struct ScenarioReport {
  std::string file;
  std::string name;
  std::string description;
  machine::Windows windows = machine::Windows::X86;  // the Windows its machine runs
  bool skipped = false;    // not run here, for the reason in `skipReason`
  std::string skipReason;  // "runs natively only: ..." or "Wine differs from Windows: ..."
  std::vector<StepReport> steps;
  int checks = 0;  // expectations looked at
  std::vector<std::pair<std::string, std::string>> finalProperties;  // name, text (UTF-8)
  bool fromCommandLine = false;  // `suitehost call`: no expectations of the user's own
  double seconds = 0;
  std::string error;  // why the file could not be run at all; it then has no steps
  std::vector<std::string> notes;  // what loading the file left out (keys of roots not modelled)
  bool Passed() const;
  size_t FailedChecks() const;  // the expectations that did not hold, in all steps
};

// Seconds as a plain decimal with three places, never an exponent, as reports give times.
std::string PlainSeconds(double seconds);

}  // namespace scenario
