// `suitehost run`: scenario files run and reported, or with --dry-run only said what a run would do.
#include "cli/run_command.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>

#include "cli/command.h"
#include "cli/provenance.h"
#include "scenario/dry_run.h"
#include "scenario/report.h"
#include "scenario/trace.h"
#include "testkit/capture_scenario_machine.h"
#include "testkit/files.h"

namespace suitehost {

using scenario::Result;
using testkit::Failure;

Result<> CheckReportFile(const std::string& option, const std::string& path, const std::vector<std::string>& inputs) {
  if (path.empty()) return {};
  const std::string named = option + " " + path;
  for (const std::string& input : inputs)
    if (testkit::SameFile(path, input))
      return Failure(named + ": this is one of the files the command reads; name the report another file");
  const bool junit = option == "--junit";
  const char* kind = junit ? "JUnit report" : "HTML report";
  if (!testkit::PathExists(path)) {
    if (Result<> writable = testkit::CanWriteBeside(path); !writable) return Failure(option + " " + writable.error());
    return {};
  }
  if (Result<std::string> there = testkit::ReadWholeFile(path)) {
    const std::string head = there->substr(0, 1024);
    const bool ours = junit ? head.rfind("<?xml", 0) == 0 && head.find("<testsuite name=\"suitehost ") != std::string::npos
                            : head.rfind("<!DOCTYPE html>", 0) == 0 && head.find("<title>suitehost: ") != std::string::npos;
    if (!ours)
      return Failure(named + ": the file there is not a " + kind +
                     " written by suitehost, so it is left as it is; remove it or name another file");
    return {};
  } else {
    return Failure(option + " " + there.error());
  }
}

namespace {

// The reports besides the one on the standard output, each written whole or not at all; false
// when one cannot be written.
bool WriteFile(const std::string& option, const std::string& path, const std::vector<scenario::ScenarioReport>& reports,
               const scenario::Provenance& run,
               void (*write)(std::ostream&, const std::vector<scenario::ScenarioReport>&, const scenario::Provenance*)) {
  if (path.empty()) return true;
  std::ostringstream text;
  write(text, reports, &run);
  if (Result<> written = testkit::WriteWholeFile(path, text.str()); !written) {
    std::cerr << "suitehost: " << option << " " << written.error() << "\n";
    return false;
  }
  return true;
}

int Report(const std::vector<scenario::ScenarioReport>& reports, const scenario::Provenance& run, bool json,
           const ReportFiles& files, bool quiet) {
  if (json)
    scenario::WriteJson(std::cout, reports, &run);
  else
    scenario::WriteText(std::cout, reports, quiet, &run);
  const bool junit = WriteFile("--junit", files.junit, reports, run, scenario::WriteJunit);
  const bool html = WriteFile("--html", files.html, reports, run, scenario::WriteHtml);
  if (!junit || !html) return kCannotRun;
  for (const scenario::ScenarioReport& r : reports)
    if (!r.Passed()) return kExpectationFailed;
  return kAllHeld;
}

// One line for a scenario that has run, or a file that cannot: what a run over many files prints
// while it goes on.
std::string ProgressLine(const scenario::ScenarioReport& r) {
  if (!r.error.empty()) return "ERROR " + r.error;
  const std::string named = r.name + " (" + r.file + ")";
  if (r.skipped) return "SKIP  " + named + ": " + r.skipReason;
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.2f s", r.seconds);
  if (r.Passed()) return "PASS  " + named + ", " + std::to_string(r.checks) + " expectations, " + seconds;
  return "FAIL  " + named + ", " + std::to_string(r.FailedChecks()) + " of " + std::to_string(r.checks) +
         " expectations failed, " + seconds;
}

}  // namespace

// A file that cannot run is said on the error output and reported as an errored scenario; the
// others still run and report; the status is then 2. With `progress` each file gets its line as
// it ends, and the report after them holds only what failed.
int RunScenarios(scenario::Runner& runner, const RunOptions& r) {
  const std::string began = scenario::ClockText(Now());
  if (!r.reports.junit.empty() &&
      (r.reports.junit == r.reports.html || testkit::SameFile(r.reports.junit, r.reports.html)))
    return Refuse("--junit and --html name the same file");
  for (const auto& [option, path] : {std::pair{"--junit", r.reports.junit}, std::pair{"--html", r.reports.html}})
    if (Result<> fit = CheckReportFile(option, path, r.files); !fit) return Refuse(fit.error());
  std::vector<std::optional<scenario::ScenarioReport>> errored;
  for (const std::string& file : r.files) {
    errored.emplace_back();
    if (Result<> prepared = runner.Prepare(file); !prepared) {
      std::cerr << "suitehost: " << prepared.error() << "\n";
      errored.back().emplace();
      errored.back()->file = file;
      errored.back()->name = testkit::FileName(file);
      errored.back()->error = prepared.error();
      if (r.progress) std::cout << ProgressLine(*errored.back()) << std::endl;
    }
  }
  if (r.progress)
    runner.WatchFinished([](const scenario::ScenarioReport& report) { std::cout << ProgressLine(report) << std::endl; });
  std::vector<scenario::ScenarioReport> ran = runner.RunAll(), reports;
  auto next = ran.begin();
  for (auto& error : errored) reports.push_back(error ? std::move(*error) : std::move(*next++));
  if (r.progress) std::cout << "\n";
  const int status =
      Report(reports, ProvenanceOf(runner, r.commandLine, began), r.json, r.reports, r.quiet || r.progress);
  for (const auto& error : errored)
    if (error) return kCannotRun;
  return status;
}

// Says what the run of each file would do, and changes nothing: a file that cannot run is said, and
// the status is then 2.
int DryRunScenarios(const std::vector<std::string>& files, const std::string& libraryFolder) {
  int status = kAllHeld;
  std::unique_ptr<machine::RealMachineReader> real = testkit::MakeRealMachine();
  for (const std::string& file : files) {
    Result<scenario::Scenario> s = scenario::LoadScenario(file);
    if (s) {
      if (Result<> checks = scenario::ChecksSomething(*s); !checks) s = testkit::Failure(checks.error());
    }
    if (!s) {
      std::cerr << "suitehost: " << s.error() << "\n";
      status = kCannotRun;
      continue;
    }
    if (real) {
      scenario::WritePlan(std::cout, *s, *real);
      if (testkit::InterruptedRunLeftJournal())
        std::cout << "  note: an interrupted run left its journal; the next run puts back what it recorded first\n";
      continue;
    }
    // The simulated machine is the process's own: running on it touches nothing real.
    std::cout << file << ": dry run on the simulated machine\n";
    scenario::Runner runner(libraryFolder);
    auto last = std::make_shared<std::pair<size_t, std::string>>();
    runner.WatchSteps([last](const scenario::Scenario& scenario, size_t index, const testkit::ScenarioMachine& m) {
      std::string holds = scenario::Holdings(scenario, m);
      std::cout << "  before " << scenario::StepTitle(scenario, index) << ", the machine holds";
      if (index > 0 && holds == last->second) {
        std::cout << " what it held before " << scenario::StepTitle(scenario, last->first) << "\n";
        return;
      }
      std::cout << ":\n" << holds;
      *last = {index, std::move(holds)};
    });
    if (Result<> prepared = runner.Prepare(std::move(*s)); !prepared) {
      std::cerr << "suitehost: " << prepared.error() << "\n";
      status = kCannotRun;
      continue;
    }
    runner.RunAll();
  }
  return status;
}

std::optional<std::string> ConflictingOptions(const RunOptions& r) {
  if (r.dryRun) {
    for (const auto& [given, option] : {std::pair{r.json, "--json"}, std::pair{!r.reports.junit.empty(), "--junit"},
                                        std::pair{!r.reports.html.empty(), "--html"}, std::pair{r.quiet, "-q"},
                                        std::pair{r.progress, "--summary"}})
      if (given)
        return std::string("--dry-run and ") + option +
               " do not go together: a dry run says what a run would do and writes no report; drop one";
  }
  if (r.progress && (r.json || r.quiet))
    return std::string("--summary and ") + (r.json ? "--json" : "-q") +
           " do not go together: --summary prints a line for each file before the report; drop one";
  return std::nullopt;
}

}  // namespace suitehost
