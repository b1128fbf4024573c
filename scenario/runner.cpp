// The runner: prepares scenarios (library, actions) and runs their steps on the machine.
#include "scenario/runner.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>

#include "machine/call_trace.h"
#include "scenario/checks.h"
#include "scenario/dry_run.h"
#include "scenario/trace.h"
#include "testkit/files.h"
#include "testkit/library.h"
#include "testkit/test_engine.h"
#include "testkit/utf_text.h"

namespace scenario {
namespace {

using testkit::ScenarioMachine;
using testkit::TestEngine;
using testkit::ToUtf8;

std::vector<std::u16string> Files(const Scenario& s) {
  std::vector<std::u16string> files;
  for (const auto& [path, readable] : s.machine.files) files.push_back(path);
  return files;
}

// " (it is an action of caddon)" when the other action library beside `path` exports the action.
std::string OtherLibraryNote(const std::string& path, const std::string& action) {
  const std::string folder = testkit::FolderOf(path), file = testkit::FileName(path);
  for (const char* other : {"ovrel", "caddon"}) {
    const std::string otherFile = testkit::LibraryFile(other, folder);
    if (testkit::FileName(otherFile) == file) continue;
    const Result<std::vector<std::string>> names = testkit::ListExports(otherFile);
    if (names && std::find(names->begin(), names->end(), action) != names->end())
      return std::string(" (it is an action of ") + other + ")";
  }
  return "";
}

struct Prepared {
  Scenario scenario;
  std::vector<testkit::ActionFunction> actions;  // one per step; null for steps that call nothing
};

void SetUpEngine(const EngineSetUp& s, TestEngine& engine) {
  for (const auto& [name, value] : s.properties) engine.properties[name] = *value;
  for (const auto& [text, result] : s.translations) engine.translations[text] = result;
  for (const auto& [text, result] : s.expansions) engine.expansions[text] = result;
  engine.messageStatus = s.messageStatus;
}

void RunSet(const Step& step, TestEngine& engine, StepReport& r) {
  r.kind = StepReport::Kind::Set;
  for (const auto& [name, value] : step.set) {
    if (value)
      engine.properties[name] = *value;
    else
      engine.properties.erase(name);
    r.trace.push_back(machine::trace::SetProperty(name, value));
  }
}

template <class T>
std::vector<T> Since(const std::vector<T>& all, size_t count) {
  return std::vector<T>(all.begin() + static_cast<long>(count), all.end());
}

// Calls the action and traces what it did: its calls on the engine and on the system in the
// order it made them (the engine shares the machine's journal), then the registry changes they
// made.
CallOutcome Call(testkit::ActionFunction action, TestEngine& engine, ScenarioMachine& m, StepReport& r) {
  testkit::RegistryState before = m.Registry();
  const machine::AnswerSheet& sheet = m.Answers();
  const size_t starts = sheet.programsStarted.size(), shown = sheet.messagesShown.size(),
               restarts = sheet.restarts.size(), first = sheet.journal.size();
  CallOutcome outcome;
  outcome.result = r.result = action(&engine);
  outcome.events = Since(sheet.journal, first);
  r.trace.insert(r.trace.end(), outcome.events.begin(), outcome.events.end());
  m.AddLearned(before);
  RegistryDiff(before, m.Registry(), r.trace);
  outcome.starts = Since(sheet.programsStarted, starts);
  outcome.messages = Since(sheet.messagesShown, shown);
  outcome.restarted = sheet.restarts.size() > restarts;
  return outcome;
}

// What every action owes the engine and the machine, whatever the scenario expects.
void CheckReleased(const TestEngine& engine, ScenarioMachine& m, long stringsBefore, Checker& check) {
  for (const std::string& problem : m.TakeProblems()) check.Check(false, problem);
  check.Check(m.LiveSystemStrings() == stringsBefore,
              "system strings not freed: " + std::to_string(m.LiveSystemStrings() - stringsBefore));
  check.Check(engine.references == 0,
              "session not released: " + std::to_string(engine.references) + " interface reference(s) left");
  check.Check(m.OpenHandles() == 0, "handles left open: " + std::to_string(m.OpenHandles()));
}

}  // namespace

struct Runner::State {
  std::string libraryFolder;
  std::map<std::string, std::unique_ptr<testkit::Library>> libraries;
  std::vector<Prepared> prepared;
  std::unique_ptr<ScenarioMachine> machine;
  StepWatcher watcher;
  FinishWatcher finished;

  Result<testkit::Library*> LibraryOf(const Scenario& s);
  ScenarioReport Run(const Prepared& p);
  void RunStep(const Prepared& p, size_t i, TestEngine& engine, ScenarioReport& report);
};

Runner::Runner(std::string libraryFolder) : Runner(std::move(libraryFolder), testkit::MakeScenarioMachine()) {}
// A machine of its own replaces this system's scenario machine, which is then never made.
Runner::Runner(std::string libraryFolder, std::unique_ptr<testkit::ScenarioMachine> machine) : state_(std::make_unique<State>()) {
  state_->libraryFolder = std::move(libraryFolder);
  state_->machine = std::move(machine);
}
Runner::~Runner() = default;

Result<> Runner::Prepare(const std::string& file) {
  Result<Scenario> scenario = LoadScenario(file);
  if (!scenario) return testkit::Failure(scenario.error());
  if (Result<> checks = ChecksSomething(*scenario); !checks) return checks;
  return Prepare(std::move(*scenario));
}

// The library of the scenario, loaded once and taken over by the machine; a path is relative to
// the scenario's file.
Result<testkit::Library*> Runner::State::LibraryOf(const Scenario& s) {
  std::string path = testkit::LibraryFile(s.library, libraryFolder);
  if (s.library.find_first_of("/\\") != std::string::npos) path = testkit::BesideFile(s.file, path);
  auto& library = libraries[path];
  if (library) return library.get();
  library = std::make_unique<testkit::Library>();
  const std::string where = s.fromCommandLine ? "call: " : s.file + ": /library: ";
  if (const std::optional<std::string> unknown = testkit::UnknownLibrary(s.library, libraryFolder)) {
    libraries.erase(path);
    return testkit::Failure(where + *unknown);
  }
  if (Result<> loaded = library->Load(path); !loaded) {
    libraries.erase(path);
    return testkit::Failure(where + loaded.error());
  }
  machine->Attach(library->handle());
  return library.get();
}

Result<> Runner::Prepare(Scenario scenario) {
  Prepared p;
  p.scenario = std::move(scenario);
  Result<testkit::Library*> library = state_->LibraryOf(p.scenario);
  if (!library) return testkit::Failure(library.error());
  for (const Step& step : p.scenario.steps) {
    testkit::ActionFunction action = nullptr;
    if (step.kind == Step::Kind::Call) {
      action = (*library)->Find(step.action);
      if (action == nullptr)
        return testkit::Failure((p.scenario.fromCommandLine ? "call: " : p.scenario.file + ": " + step.where + "/call: ") +
                                (*library)->path() + " exports no action \"" + step.action + "\"" +
                                OtherLibraryNote((*library)->path(), step.action) +
                                testkit::DidYouMean(step.action, testkit::ListExports((*library)->path())
                                                                     .value_or(std::vector<std::string>{})));
    }
    p.actions.push_back(action);
  }
  state_->prepared.push_back(std::move(p));
  return {};
}

std::vector<std::string> Runner::LibraryPaths() const {
  std::vector<std::string> paths;
  for (const auto& [path, library] : state_->libraries) paths.push_back(path);
  return paths;
}

void Runner::WatchSteps(StepWatcher watcher) { state_->watcher = std::move(watcher); }

void Runner::WatchFinished(FinishWatcher watcher) { state_->finished = std::move(watcher); }

std::vector<ScenarioReport> Runner::RunAll() {
  std::vector<ScenarioReport> reports;
  for (const Prepared& p : state_->prepared) {
    reports.push_back(state_->Run(p));
    if (state_->finished) state_->finished(reports.back());
  }
  return reports;
}

void Runner::State::RunStep(const Prepared& p, size_t i, TestEngine& engine, ScenarioReport& report) {
  const Step& step = p.scenario.steps[i];
  if (watcher) watcher(p.scenario, i, *machine);
  StepReport r;
  r.where = step.where;
  Checker check(r, report.checks);
  if (step.kind == Step::Kind::Set) {
    RunSet(step, engine, r);
  } else if (step.kind == Step::Kind::Expect) {
    r.kind = StepReport::Kind::Expect;
    CheckState(step.expect, engine, *machine, check);
  } else {
    r.kind = StepReport::Kind::Call;
    r.action = step.action;
    r.called = true;
    const long strings = machine->LiveSystemStrings();
    engine.queryStatus = step.queryStatus.value_or(p.scenario.engine.queryStatus);
    const CallOutcome outcome = Call(p.actions[i], engine, *machine, r);
    CheckReleased(engine, *machine, strings, check);
    CheckCall(step.expect, outcome, check);
    CheckState(step.expect, engine, *machine, check);
  }
  report.steps.push_back(std::move(r));
}

ScenarioReport Runner::State::Run(const Prepared& p) {
  const auto started = std::chrono::steady_clock::now();
  const Scenario& s = p.scenario;
  ScenarioReport report;
  report.file = s.file;
  report.name = s.name;
  report.description = s.description;
  report.notes = s.notes;
  report.windows = s.machine.windows;
  report.fromCommandLine = s.fromCommandLine;
#ifdef _WIN32
  // Never silently: the report names the scenario and the reason it cannot run here.
  if (!s.nativeOnly.empty()) report.skipReason = "runs natively only: " + s.nativeOnly;
  if (!s.wineDiffers.empty() && testkit::PlatformName().compare(0, 4, "wine") == 0)
    report.skipReason = "Wine differs from Windows: " + s.wineDiffers;
  if (!report.skipReason.empty()) {
    report.skipped = true;
    return report;
  }
#endif
  Result<> ready = machine->Reset(s.machine.windows, ObservedKeys(s), ChangedKeys(s), Files(s));
  if (ready) ready = ApplyMachine(s.machine, *machine);
  // For the test of a run that dies in the middle: the process ends as a crash would, with the
  // machine set up and its journal written.
  if (ready && std::getenv("SUITEHOST_DIE_AFTER_SETUP") != nullptr) std::_Exit(3);
  if (!ready) {
    // Nothing runs on a machine that is not the one the file describes.
    report.steps.push_back(StepReport{StepReport::Kind::SetUp, "", "/", false, S_OK, {}, {ready.error()}, {Mismatch{}}});
  } else {
    TestEngine engine;
    engine.ShareJournal(machine->Answers().journal);
    SetUpEngine(s.engine, engine);
    for (size_t i = 0; i < s.steps.size(); ++i) RunStep(p, i, engine, report);
    for (const auto& [name, value] : engine.properties)
      report.finalProperties.emplace_back(ToUtf8(name), ToUtf8(value));
  }
  if (Result<> finished = machine->Finish(); !finished)
    report.steps.push_back(StepReport{StepReport::Kind::PutBack, "", "/", false, S_OK, {}, {finished.error()}, {Mismatch{}}});
  report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return report;
}

}  // namespace scenario
