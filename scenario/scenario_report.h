// What a scenario's run reports: each step with its trace and its failures, and the scenario as
// a whole. The runner fills them; the checks, the trace and the reports read them.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/com_types.h"
#include "machine/records.h"

namespace scenario {

// One line of a step's trace: what happened, as data and as the line a person reads.
struct TraceEntry {
  std::string source;  // "host": a call the action made on the engine; "machine": what it did on
                       // the system; "step": the scenario's own doing
  std::string kind;    // read, write, translate, expand, query interface, release, message, set,
                       // registry, start, message box, restart
  std::string name;    // the property, text, registry value, or program it names
  std::optional<std::string> value;  // what was read, written, resolved or stored; none for null
  std::string detail;  // the caption, working folder or flags that go with it
  std::string status;  // the status it returned, where it has one
  std::string line;
  std::string key;  // a registry entry's key: "HKLM\\..." as the action named it, or where it changed
  std::optional<machine::RegValue> data;  // the registry data read, written or stored
  std::optional<std::int64_t> code;       // the figure behind `status`, where the system gave one
};

// What a failed expectation wanted beside what happened, for a report that sets them side by
// side: one line each, or the lines of a list.
struct Mismatch {
  std::string what;  // "result", "property ORVIX", "machine calls", ...
  std::vector<std::string> expected;
  std::vector<std::string> got;
  bool lines = false;  // a list of lines rather than one value
};

struct StepReport {
  std::string title;  // "call initProperties", "set", "expect", "set up"
  std::string where;  // the step's place in the file
  bool called = false;
  HRESULT result = S_OK;
  std::vector<TraceEntry> trace;      // host calls, then registry changes, programs, messages
  std::vector<std::string> failures;  // expectations that did not hold
  // For each failure, in the same place, what it expected beside what happened; empty for a
  // failure that is a sentence only (a string never freed, a key left open).
  std::vector<Mismatch> mismatches;
};

struct ScenarioReport {
  std::string file;
  std::string name;
  std::string description;
  std::string windows = "x86";  // the Windows its machine runs: x86 or x64
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
