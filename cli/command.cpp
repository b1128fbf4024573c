// The suitehost command line: its commands parsed and dispatched, `call` and `list` run here.
#include "cli/command.h"

#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/options.h"
#include "cli/provenance.h"
#include "cli/run_command.h"
#include "platform/platform.h"
#include "scenario/reg_file.h"
#include "scenario/report.h"
#include "scenario/saved_call.h"
#include "scenario/runner.h"
#include "scenario/status.h"
#include "scenario/trace.h"
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

Result<Pair> SplitPair(const std::string& option, const std::string& text, const std::string& form) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0) return Failure(option + " " + text + ": expected " + form);
  return Pair{FromUtf8(text.substr(0, eq)), FromUtf8(text.substr(eq + 1))};
}

}  // namespace

int Refuse(const std::string& message) {
  std::cerr << "suitehost: " << message << "\n";
  return kCannotRun;
}

namespace {

int List(const std::string& library, const std::string& libraryFolder) {
  if (const std::optional<std::string> unknown = testkit::UnknownLibrary(library, libraryFolder))
    return Refuse(*unknown);
  const std::string path = testkit::LibraryFile(library, libraryFolder);
  const Result<std::vector<std::string>> names = testkit::ListExports(path);
  if (!names) return Refuse(path + ": " + names.error());
  for (const std::string& name : *names) std::cout << name << "\n";
  return kAllHeld;
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
  if (!options.save.empty() && !made->machine.clock) made->machine.clock = Now();
  const scenario::Scenario given = *made;
  const std::string began = scenario::ClockText(Now());
  if (Result<> prepared = runner.Prepare(std::move(*made)); !prepared) return Refuse(prepared.error());
  const auto reports = runner.RunAll();
  const scenario::Provenance run = ProvenanceOf(runner, command, began);
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
    for (const machine::Event& e : step.trace) boxes += e.kind == machine::EventKind::BoxShown ? 1 : 0;
  if (options.answers.size() > boxes)
    std::cerr << "suitehost: note: --answer was given " << options.answers.size() << " time(s), but the action "
              << (boxes == 0 ? "showed no message box" : "showed " + std::to_string(boxes) + " message box(es)")
              << ": the rest were not used\n";
  if (json) {
    scenario::WriteJson(std::cout, reports, &run);
  } else {
    scenario::WriteText(std::cout, reports, false, &run);
    std::cout << "properties after the call:\n";
    for (const auto& [property, text] : reports[0].finalProperties)
      std::cout << "  " << property << " = " << testkit::Quoted(FromUtf8(text)) << "\n";
  }
  return reports[0].Passed() ? kAllHeld : kExpectationFailed;
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

// What `restore --dry-run` says: what a run that was killed or crashed left to put back.
int RestoreDryRun() {
  const Result<std::vector<std::string>> pending = testkit::RecoverInterruptedRun(true);
  if (!pending) return Refuse(pending.error());
  if (pending->empty()) std::cout << "nothing to put back\n";
  if (!pending->empty()) std::cout << "an interrupted run left its journal; restore would put back:\n";
  for (const std::string& line : *pending) std::cout << "  " << line << "\n";
  return kAllHeld;
}

const char* const kCommands[] = {"run", "call", "capture", "export", "diff", "list", "restore"};

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
  s.machine.windows = options.windows == "x64" ? machine::Windows::X64 : machine::Windows::X86;
  for (const std::string& p : options.properties) {
    const Result<Pair> pair = SplitPair("--property", p, "NAME=VALUE");
    if (!pair) return Failure(pair.error());
    s.engine.properties.emplace_back(pair->name, pair->value);
  }
  for (const std::string& file : options.regFiles) {
    Result<std::vector<testkit::RegistryChange>> changes = scenario::ReadRegFile(file, s.machine.windows, &s.notes);
    if (!changes) return Failure(changes.error());
    s.machine.registry.insert(s.machine.registry.end(), changes->begin(), changes->end());
  }
  for (const std::string& v : options.volumes) {
    const Result<Pair> pair = SplitPair("--volume", v, "ROOT=SIZE, such as C:\\=3GB");
    if (!pair) return Failure(pair.error());
    const Result<std::uint64_t> bytes = scenario::ParseSize(testkit::ToUtf8(pair->value));
    if (!bytes) return Failure("--volume " + v + ": " + bytes.error());
    const std::u16string root = scenario::VolumeRoot(pair->name);
    for (const auto& [given, volume] : s.machine.volumes)
      if (scenario::SameVolume(given, root))
        return Failure("--volume " + v + ": the same volume as " + testkit::ToUtf8(given) + " for Windows, given twice");
    s.machine.volumes.push_back({root, machine::Volume{*bytes, false}});
  }
  for (const std::string& e : options.environment) {
    const Result<Pair> pair = SplitPair("--env", e, "NAME=VALUE");
    if (!pair) return Failure(pair.error());
    s.machine.environment.emplace_back(pair->name, pair->value);
  }
  for (const std::string& file : options.files) s.machine.files.emplace_back(FromUtf8(file), true);
  for (const std::string& answer : options.answers) {
    if (answer != "yes" && answer != "no") return Failure("--answer " + answer + ": expected yes or no");
    s.machine.messageAnswers.push_back(answer == "yes" ? platform::kIdYes : platform::kIdNo);
  }
  scenario::Step step;
  step.where = "/steps/0";
  step.action = options.action;
  s.steps.push_back(step);
  return s;
}

namespace {

// The options of every command: --version and --lib-dir.
void SetUpOptions(CLI::App& app, std::string& libraryFolder) {
  app.require_subcommand(1);
  // Paths such as /work/examples/x.json (Wine maps them to drive Z:) are files, not options.
  app.allow_windows_style_options(false);
  // --lib-dir after the command as well as before it.
  app.fallthrough();
  app.set_version_flag("--version", std::string("suitehost ") + SUITE_VERSION);
  app.add_option("--lib-dir", libraryFolder, "Folder in which libraries named without a path are found")
      ->capture_default_str();
}

CLI::App* AddRestoreCommand(CLI::App& app, bool& dryRun) {
  CLI::App* restore =
      app.add_subcommand("restore", "Put back what an interrupted run changed on this machine, from its journal");
  restore->add_flag("--dry-run", dryRun, "Say what would be put back, and put back nothing");
  return restore;
}

CLI::App* AddListCommand(CLI::App& app, std::string& library) {
  CLI::App* list = app.add_subcommand("list", "List the actions a library exports");
  list->add_option("library", library, "Library name (ovrel, caddon) or file")->required();
  return list;
}

int RunGuarded(int argc, char** argv) {
  CLI::App app{"suitehost: runs the actions of ovrel and caddon as the suite installer engine does"};
  std::string libraryFolder = testkit::ProgramFolder();
  SetUpOptions(app, libraryFolder);

  RunOptions r;
  r.commandLine = CommandLine(argc, argv);
  CLI::App* run = AddRunCommand(app, r);
  CallOptions o;
  bool callJson = false;
  AddCallCommand(app, o, callJson);
  CaptureOptions c;
  c.commandLine = CommandLine(argc, argv);
  CLI::App* capture = AddCaptureCommand(app, c);
  ExportOptions exportOptions;
  CLI::App* exportCommand = AddExportCommand(app, exportOptions);
  DiffOptions diffOptions;
  CLI::App* diff = AddDiffCommand(app, diffOptions);
  bool restoreDryRun = false;
  CLI::App* restore = AddRestoreCommand(app, restoreDryRun);
  std::string library;
  CLI::App* list = AddListCommand(app, library);

  if (const std::optional<std::string> unknown = UnknownCommand(argc, argv))
    return Refuse("unknown command \"" + *unknown +
                  "\" (the commands are run, call, capture, export, diff, list and restore)");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : kCannotRun;
  }
  if (*list) return List(library, libraryFolder);
  if (*exportCommand) return Export(exportOptions);
  if (const std::optional<std::string> conflict = *run ? ConflictingOptions(r) : std::nullopt) return Refuse(*conflict);
  // A dry run and a capture change nothing, not even what an interrupted run left to put back; a
  // capture of a machine that is not as it was would be of the wrong machine.
  if (*run && r.dryRun) return DryRunScenarios(r.files, libraryFolder);
  if (*capture && testkit::InterruptedRunLeftJournal())
    return Refuse("capture: an interrupted run left its journal, so this machine is not as it was: run "
                  "'suitehost restore' first");
  if (*capture) return Capture(c, libraryFolder);
  if (*restore && restoreDryRun) return RestoreDryRun();
  const Result<bool> recovered = Recover();
  if (!recovered) return Refuse(recovered.error());
  if (*restore) {
    if (!*recovered) std::cout << "nothing to put back\n";
    return kAllHeld;
  }
  // A diff runs each file with a runner of its own.
  if (*diff) return Diff(diffOptions, libraryFolder);
  scenario::Runner runner(libraryFolder);
  if (*run) return RunScenarios(runner, r);
  return Call(runner, o, callJson, CommandLine(argc, argv));
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
