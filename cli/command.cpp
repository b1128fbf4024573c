// The suitehost command line: `run`, `call` and `list`, over the scenario runner.
#include "cli/command.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <sstream>

#include "cli/capture_command.h"
#include "platform/platform.h"
#include "scenario/dry_run.h"
#include "scenario/reg_file.h"
#include "scenario/report.h"
#include "scenario/saved_call.h"
#include "scenario/runner.h"
#include "scenario/status.h"
#include "testkit/capture_scenario_machine.h"
#include "testkit/files.h"
#include "testkit/library.h"
#include "testkit/utf_text.h"

namespace suitehost {
namespace {

using scenario::Result;
using testkit::Failure;
using testkit::FromUtf8;

struct Pair {
  std::u16string name, value;
};

// The files a run also writes its report to; empty: not written.
struct ReportFiles {
  std::string junit;
  std::string html;
};

Result<Pair> SplitPair(const std::string& option, const std::string& text, const std::string& form) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0) return Failure(option + " " + text + ": expected " + form);
  return Pair{FromUtf8(text.substr(0, eq)), FromUtf8(text.substr(eq + 1))};
}

// A report file of a run: never one of the run's inputs, never a file that is not a report of its
// kind written by suitehost, in a folder where it can be written; found out before anything runs.
Result<> CheckReportFile(const std::string& option, const std::string& path, const std::vector<std::string>& inputs) {
  if (path.empty()) return {};
  const std::string named = option + " " + path;
  for (const std::string& input : inputs)
    if (testkit::SameFile(path, input))
      return Failure(named + ": this is one of the files the run reads; name the report another file");
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

// The reports besides the one on the standard output, each written whole or not at all; false
// when one cannot be written.
bool WriteFile(const std::string& option, const std::string& path, const std::vector<scenario::ScenarioReport>& reports,
               void (*write)(std::ostream&, const std::vector<scenario::ScenarioReport>&)) {
  if (path.empty()) return true;
  std::ostringstream text;
  write(text, reports);
  if (Result<> written = testkit::WriteWholeFile(path, text.str()); !written) {
    std::cerr << "suitehost: " << option << " " << written.error() << "\n";
    return false;
  }
  return true;
}

int Report(const std::vector<scenario::ScenarioReport>& reports, bool json, const ReportFiles& files, bool quiet) {
  if (json)
    scenario::WriteJson(std::cout, reports);
  else
    scenario::WriteText(std::cout, reports, quiet);
  const bool junit = WriteFile("--junit", files.junit, reports, scenario::WriteJunit);
  const bool html = WriteFile("--html", files.html, reports, scenario::WriteHtml);
  if (!junit || !html) return kCannotRun;
  for (const scenario::ScenarioReport& r : reports)
    if (!r.Passed()) return kExpectationFailed;
  return kAllHeld;
}

int Refuse(const std::string& message) {
  std::cerr << "suitehost: " << message << "\n";
  return kCannotRun;
}

int List(const std::string& library, const std::string& libraryFolder) {
  if (const std::optional<std::string> unknown = testkit::UnknownLibrary(library, libraryFolder))
    return Refuse(*unknown);
  const std::string path = testkit::LibraryFile(library, libraryFolder);
  const Result<std::vector<std::string>> names = testkit::ListExports(path);
  if (!names) return Refuse(path + ": " + names.error());
  for (const std::string& name : *names) std::cout << name << "\n";
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

// A file that cannot run is said on the error output and reported as an errored scenario; the
// others still run and report; the status is then 2. With `progress` each file gets its line as
// it ends, and the report after them holds only what failed.
int Run(scenario::Runner& runner, const std::vector<std::string>& files, bool json, const ReportFiles& reportFiles,
        bool quiet, bool progress) {
  if (!reportFiles.junit.empty() &&
      (reportFiles.junit == reportFiles.html || testkit::SameFile(reportFiles.junit, reportFiles.html)))
    return Refuse("--junit and --html name the same file");
  for (const auto& [option, path] : {std::pair{"--junit", reportFiles.junit}, std::pair{"--html", reportFiles.html}})
    if (Result<> fit = CheckReportFile(option, path, files); !fit) return Refuse(fit.error());
  std::vector<std::optional<scenario::ScenarioReport>> errored;
  for (const std::string& file : files) {
    errored.emplace_back();
    if (Result<> prepared = runner.Prepare(file); !prepared) {
      std::cerr << "suitehost: " << prepared.error() << "\n";
      errored.back().emplace();
      errored.back()->file = file;
      errored.back()->name = testkit::FileName(file);
      errored.back()->error = prepared.error();
      if (progress) std::cout << ProgressLine(*errored.back()) << std::endl;
    }
  }
  if (progress)
    runner.WatchFinished([](const scenario::ScenarioReport& r) { std::cout << ProgressLine(r) << std::endl; });
  std::vector<scenario::ScenarioReport> ran = runner.RunAll(), reports;
  auto next = ran.begin();
  for (auto& error : errored) reports.push_back(error ? std::move(*error) : std::move(*next++));
  if (progress) std::cout << "\n";
  const int status = Report(reports, json, reportFiles, quiet || progress);
  for (const auto& error : errored)
    if (error) return kCannotRun;
  return status;
}

// The command line as it was given, for the description of a saved call.
std::string CommandLine(int argc, char** argv) {
  std::string line = "suitehost";
  for (int i = 1; i < argc; ++i) line += std::string(" ") + argv[i];
  return line;
}

int Call(scenario::Runner& runner, const CallOptions& options, bool json, const std::string& command) {
  Result<scenario::Scenario> made = CallScenario(options);
  if (!made) return Refuse(made.error());
  // A saved call never takes the place of a file that is there.
  if (!options.save.empty() && testkit::PathExists(options.save))
    return Refuse("--save " + options.save + ": the file exists; remove it or name another");
  // A saved call replays at another time: the clock it saw is fixed before it runs, and saved.
  if (!options.save.empty() && !made->clock) {
    const std::time_t now = std::time(nullptr);
    if (const std::tm* local = std::localtime(&now))
      made->clock = testkit::LocalTime{local->tm_year + 1900, local->tm_mon + 1, local->tm_mday,
                                       local->tm_hour,        local->tm_min,     local->tm_sec};
  }
  const scenario::Scenario given = *made;
  if (Result<> prepared = runner.Prepare(std::move(*made)); !prepared) return Refuse(prepared.error());
  const auto reports = runner.RunAll();
  if (!options.save.empty()) {
    bool replaced = false;
    const std::string text = scenario::SavedCall(given, reports[0], command, &replaced);
    if (Result<> saved = testkit::WriteWholeFile(options.save, text); !saved) return Refuse("--save " + saved.error());
    if (replaced)
      std::cerr << "suitehost: note: the call's texts held characters a scenario file cannot (unpaired "
                   "surrogates), saved as U+FFFD: a replay sees U+FFFD there and may not pass\n";
    std::cerr << "suitehost: saved the call as " << options.save << "\n";
  }
  // Answers the action never asked for were not used: said, so that a call is not taken to have
  // answered a box it never showed.
  size_t boxes = 0;
  for (const scenario::StepReport& step : reports[0].steps)
    for (const scenario::TraceEntry& e : step.trace) boxes += e.kind == "message box" ? 1 : 0;
  if (options.answers.size() > boxes)
    std::cerr << "suitehost: note: --answer was given " << options.answers.size() << " time(s), but the action "
              << (boxes == 0 ? "showed no message box" : "showed " + std::to_string(boxes) + " message box(es)")
              << ": the rest were not used\n";
  if (json) {
    scenario::WriteJson(std::cout, reports);
  } else {
    scenario::WriteText(std::cout, reports, false);
    std::cout << "properties after the call:\n";
    for (const auto& [property, text] : reports[0].finalProperties)
      std::cout << "  " << property << " = " << testkit::Quoted(FromUtf8(text)) << "\n";
  }
  return reports[0].Passed() ? kAllHeld : kExpectationFailed;
}

// Says what the run of each file would do, and changes nothing: a file that cannot run is said, and
// the status is then 2.
int DryRun(const std::vector<std::string>& files, const std::string& libraryFolder) {
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

// A run that was killed or crashed left its journal: what it changed is put back before anything
// else happens, and said.
Result<bool> Recover() {
  Result<std::vector<std::string>> recovered = testkit::RecoverInterruptedRun();
  if (!recovered) return Failure("an interrupted run's changes could not all be put back: " + recovered.error());
  if (recovered->empty()) return false;
  std::cerr << "suitehost: put back what an interrupted run had changed:\n";
  for (const std::string& line : *recovered) std::cerr << "  " << line << "\n";
  return true;
}

const char* const kCommands[] = {"run", "call", "capture", "list", "restore"};

// The first word of the command line that is not an option, when it names no command.
std::optional<std::string> UnknownCommand(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--lib-dir") ++i;
    if (word.empty() || word[0] == '-') continue;
    for (const char* command : kCommands)
      if (word == command) return std::nullopt;
    return word;
  }
  return std::nullopt;
}

}  // namespace

Result<scenario::Scenario> CallScenario(const CallOptions& options) {
  scenario::Scenario s;
  s.file = "<command line>";
  s.fromCommandLine = true;
  s.name = options.action;
  s.library = options.library;
  if (options.windows != "x86" && options.windows != "x64")
    return Failure("--windows " + options.windows + ": expected x86 (32-bit Windows) or x64 (64-bit Windows)");
  s.windows = options.windows == "x64" ? machine::Windows::X64 : machine::Windows::X86;
  for (const std::string& p : options.properties) {
    const Result<Pair> pair = SplitPair("--property", p, "NAME=VALUE");
    if (!pair) return Failure(pair.error());
    s.properties.emplace_back(pair->name, pair->value);
  }
  for (const std::string& file : options.regFiles) {
    Result<std::vector<testkit::RegistryChange>> changes = scenario::ReadRegFile(file, s.windows, &s.notes);
    if (!changes) return Failure(changes.error());
    s.registry.insert(s.registry.end(), changes->begin(), changes->end());
  }
  for (const std::string& v : options.volumes) {
    const Result<Pair> pair = SplitPair("--volume", v, "ROOT=SIZE, such as C:\\=3GB");
    if (!pair) return Failure(pair.error());
    const Result<std::uint64_t> bytes = scenario::ParseSize(testkit::ToUtf8(pair->value));
    if (!bytes) return Failure("--volume " + v + ": " + bytes.error());
    const std::u16string root = scenario::VolumeRoot(pair->name);
    for (const scenario::Volume& given : s.volumes)
      if (scenario::SameVolume(given.root, root))
        return Failure("--volume " + v + ": the same volume as " + testkit::ToUtf8(given.root) + " for Windows, given twice");
    s.volumes.push_back({root, *bytes, false});
  }
  for (const std::string& e : options.environment) {
    const Result<Pair> pair = SplitPair("--env", e, "NAME=VALUE");
    if (!pair) return Failure(pair.error());
    s.environment.emplace_back(pair->name, pair->value);
  }
  for (const std::string& file : options.files) s.files.emplace_back(FromUtf8(file), true);
  for (const std::string& answer : options.answers) {
    if (answer != "yes" && answer != "no") return Failure("--answer " + answer + ": expected yes or no");
    s.messageAnswers.push_back(answer == "yes" ? platform::kIdYes : platform::kIdNo);
  }
  scenario::Step step;
  step.where = "/steps/0";
  step.action = options.action;
  s.steps.push_back(step);
  return s;
}

// The "call" command with its options, which fill `o`.
CLI::App* AddCallCommand(CLI::App& app, CallOptions& o, bool& json) {
  CLI::App* call = app.add_subcommand("call", "Call one action with properties from the command line");
  call->add_option("library", o.library, "Library name (ovrel, caddon) or file")->required();
  call->add_option("action", o.action, "Exported action")->required();
  call->add_option("--windows", o.windows,
                   "The Windows the machine runs: x86, or x64 where the libraries see the 32-bit view and "
                   "--reg takes a 64-bit machine's export")
      ->capture_default_str();
  call->add_option("-p,--property", o.properties, "Suite property NAME=VALUE");
  call->add_option("--reg", o.regFiles, "Import a .reg file into the registry first")->check(CLI::ExistingFile);
  call->add_option("--volume", o.volumes, "Drive root and its free space, ROOT=SIZE (C:\\=3GB)");
  call->add_option("--env", o.environment, "Environment variable NAME=VALUE");
  call->add_option("--file", o.files, "A file that exists and is readable");
  call->add_option("--answer", o.answers, "Answer to the next message box: yes or no");
  call->add_flag("--json", json, "Report as JSON");
  call->add_option("--save", o.save, "Also write the call as a scenario file that replays it, with what it did");
  return call;

}

namespace {

int RunGuarded(int argc, char** argv) {
  CLI::App app{"suitehost: runs the actions of ovrel and caddon as the suite installer engine does"};
  app.require_subcommand(1);
  // Paths such as /work/examples/x.json (Wine maps them to drive Z:) are files, not options.
  app.allow_windows_style_options(false);
  // --lib-dir after the command as well as before it.
  app.fallthrough();
  app.set_version_flag("--version", std::string("suitehost ") + SUITE_VERSION);
  std::string libraryFolder = testkit::ProgramFolder();
  app.add_option("--lib-dir", libraryFolder, "Folder in which libraries named without a path are found")
      ->capture_default_str();

  std::vector<std::string> files;
  bool json = false, quiet = false;
  ReportFiles reportFiles;
  CLI::App* run = app.add_subcommand("run", "Run scenario files and check their expectations");
  // A file that is missing or cannot be read is that file's error: the others still run.
  run->add_option("scenarios", files, "Scenario files (JSON)")->required();
  run->add_flag("--json", json, "Report as JSON");
  run->add_option("--junit", reportFiles.junit, "Also write a JUnit XML report to this file");
  run->add_option("--html", reportFiles.html, "Also write the report as one HTML page to this file");
  run->add_flag("-q,--quiet", quiet, "Show only failed scenarios and the summary");
  bool progress = false;
  run->add_flag("-s,--summary", progress,
                "One line for each file as it ends (PASS, FAIL, ERROR or SKIP), then the failed scenarios and the "
                "summary");
  bool dryRun = false;
  run->add_flag("--dry-run", dryRun,
                "Change nothing: on a real machine list what the run would record, set up, change and put back; "
                "natively show what the machine holds before each step");

  CallOptions o;
  AddCallCommand(app, o, json);

  CaptureOptions c;
  CLI::App* capture = app.add_subcommand(
      "capture", "Run actions against this machine, changing nothing, and write a scenario that reproduces it");
  capture->add_option("library-and-actions", c.words, "Library name (ovrel, caddon) or file, then the actions");
  capture->add_option("--from", c.from, "A template scenario: its properties and steps are used, its machine not");
  capture->add_option("-p,--property", c.properties, "Suite property NAME=VALUE (over the template's)");
  capture->add_option("--answer", c.answers, "Answer to the next message box: yes or no (never shown)");
  capture->add_option("--out", c.out, "The scenario file to write")->required();
  capture->add_flag("--name-machine", c.nameMachine, "Say the machine's name in the file");
  capture->add_option("--machine", c.machine, "A scenario whose machine stands for the real one");

  CLI::App* restore =
      app.add_subcommand("restore", "Put back what an interrupted run changed on this machine, from its journal");
  bool restoreDryRun = false;
  restore->add_flag("--dry-run", restoreDryRun, "Say what would be put back, and put back nothing");

  std::string library;
  CLI::App* list = app.add_subcommand("list", "List the actions a library exports");
  list->add_option("library", library, "Library name (ovrel, caddon) or file")->required();

  if (const std::optional<std::string> unknown = UnknownCommand(argc, argv))
    return Refuse("unknown command \"" + *unknown + "\" (the commands are run, call, capture, list and restore)");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : kCannotRun;
  }
  if (*list) return List(library, libraryFolder);
  // A dry run and a capture change nothing, not even what an interrupted run left to put back; a
  // capture of a machine that is not as it was would be of the wrong machine.
  if (*run && progress && (json || quiet))
    return Refuse(std::string("--summary and ") + (json ? "--json" : "-q") +
                  " do not go together: --summary prints a line for each file before the report; drop one");
  if (*run && dryRun) {
    for (const auto& [given, option] : {std::pair{json, "--json"}, std::pair{!reportFiles.junit.empty(), "--junit"},
                                        std::pair{!reportFiles.html.empty(), "--html"}, std::pair{quiet, "-q"},
                                        std::pair{progress, "--summary"}})
      if (given)
        return Refuse(std::string("--dry-run and ") + option +
                      " do not go together: a dry run says what a run would do and writes no report; drop one");
    return DryRun(files, libraryFolder);
  }
  if (*capture && testkit::InterruptedRunLeftJournal())
    return Refuse("capture: an interrupted run left its journal, so this machine is not as it was: run "
                  "'suitehost restore' first");
  if (*capture) return Capture(c, libraryFolder);
  if (*restore && restoreDryRun) {
    const Result<std::vector<std::string>> pending = testkit::RecoverInterruptedRun(true);
    if (!pending) return Refuse(pending.error());
    if (pending->empty()) std::cout << "nothing to put back\n";
    if (!pending->empty()) std::cout << "an interrupted run left its journal; restore would put back:\n";
    for (const std::string& line : *pending) std::cout << "  " << line << "\n";
    return kAllHeld;
  }
  const Result<bool> recovered = Recover();
  if (!recovered) return Refuse(recovered.error());
  if (*restore) {
    if (!*recovered) std::cout << "nothing to put back\n";
    return kAllHeld;
  }
  scenario::Runner runner(libraryFolder);
  if (*run) return Run(runner, files, json, reportFiles, quiet, progress);
  return Call(runner, o, json, CommandLine(argc, argv));
}

int OwnFault(const std::string& what) {
  std::cerr << "suitehost: a fault of suitehost itself: " << what
            << " (please report it with the command line and the files it was given)\n";
  return kOwnFault;
}

}  // namespace

int RunCommand(int argc, char** argv) {
  try {
    return RunGuarded(argc, argv);
  } catch (const std::bad_alloc&) {
    std::cerr << "suitehost: out of memory\n";
    return kOwnFault;
  } catch (const std::exception& e) {
    return OwnFault(e.what());
  } catch (...) {
    return OwnFault("an exception of unknown kind");
  }
}

}  // namespace suitehost
