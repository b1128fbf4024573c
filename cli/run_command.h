// `suitehost run` and its options: scenario files run and reported (text or JSON, and JUnit and
// HTML files), or with --dry-run only said what a run would do.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "scenario/runner.h"

namespace suitehost {

// The files a run also writes its report to; empty: not written.
struct ReportFiles {
  std::string junit;
  std::string html;
};

struct RunOptions {
  std::vector<std::string> files;
  bool json = false, quiet = false;
  bool progress = false;  // -s: a line for each file as it ends
  bool dryRun = false;
  ReportFiles reports;
  std::string commandLine;  // as it was given, for the reports
};

// A report file (`--junit`, `--html`): never one of the command's inputs, never a file that is not
// a report of its kind written by suitehost, in a folder where it can be written; found out before
// anything runs.
scenario::Result<> CheckReportFile(const std::string& option, const std::string& path,
                                   const std::vector<std::string>& inputs);
// Why these options do not go together, or nullopt: found before anything else happens.
std::optional<std::string> ConflictingOptions(const RunOptions& r);
// The exit status of the run of every file, or of a dry run.
int RunScenarios(scenario::Runner& runner, const RunOptions& r);
int DryRunScenarios(const std::vector<std::string>& files, const std::string& libraryFolder);

}  // namespace suitehost
