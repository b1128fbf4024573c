// The capture command: the template or the command line gives the engine and the steps, the
// machine suitehost runs on gives everything the actions read.
#include "cli/capture_command.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>

#include "cli/command.h"
#include "cli/provenance.h"
#include "scenario/report.h"
#include "scenario/runner.h"
#include "scenario/saved_call.h"
#include "scenario/trace.h"
#include "testkit/capture_scenario_machine.h"
#include "testkit/files.h"
#include "testkit/utf_text.h"

namespace suitehost {
namespace {

using scenario::Result;
using scenario::Scenario;
using testkit::Failure;
using testkit::FromUtf8;
using testkit::ToUtf8;

int RefuseCapture(const std::string& message) { return Refuse("capture: " + message); }

// The engine and the steps: a template's, without its machine and its expect-only steps, or the
// library and actions of the command line; then the command line's properties and answers.
Result<Scenario> EngineAndSteps(const CaptureOptions& o) {
  Scenario s;
  if (!o.from.empty()) {
    if (!o.words.empty()) return Failure("give a template (--from) or a library and its actions, not both");
    Result<Scenario> read = scenario::LoadScenario(o.from);
    if (!read) return Failure("--from: " + read.error());
    const Scenario& t = *read;
    s.file = t.file;
    s.name = t.name;
    s.library = t.library;
    s.engine = t.engine;
    // Its answers to the message boxes too: the capture gives them as the template does.
    s.machine.messageAnswers = t.machine.messageAnswers;
    // What the template expects is of its own machine: the capture expects what happens here.
    for (scenario::Step step : t.steps) {
      if (step.kind == scenario::Step::Kind::Expect) continue;
      step.expect = scenario::Expectations{};
      s.steps.push_back(step);
    }
  } else {
    if (o.words.size() < 2) return Failure("give a template (--from FILE) or a library and the actions to call");
    s.file = "<command line>";
    s.fromCommandLine = true;
    s.library = o.words[0];
    s.name = "captured: " + o.words[0];
    for (size_t i = 1; i < o.words.size(); ++i) {
      scenario::Step step;
      step.where = "/steps/" + std::to_string(i - 1);
      step.action = o.words[i];
      s.steps.push_back(step);
      s.name += " " + o.words[i];
    }
  }
  for (const std::string& p : o.properties) {
    const size_t eq = p.find('=');
    if (eq == std::string::npos || eq == 0) return Failure("--property " + p + ": expected NAME=VALUE");
    const std::u16string name = FromUtf8(p.substr(0, eq));
    auto same = std::find_if(s.engine.properties.begin(), s.engine.properties.end(), [&](const auto& e) { return e.first == name; });
    if (same != s.engine.properties.end()) same->second = FromUtf8(p.substr(eq + 1));
    else s.engine.properties.emplace_back(name, FromUtf8(p.substr(eq + 1)));
  }
  if (!o.answers.empty()) s.machine.messageAnswers.clear();
  for (const std::string& answer : o.answers) {
    if (answer != "yes" && answer != "no") return Failure("--answer " + answer + ": expected yes or no");
    s.machine.messageAnswers.push_back(answer == "yes" ? platform::kIdYes : platform::kIdNo);
  }
  return s;
}

// The machine part of the written scenario: what the actions read.
void TakeMachine(const machine::CapturedMachine& c, Scenario& s) {
  using Kind = testkit::RegistryChange::Kind;
  for (const auto& [key, values] : c.keys) {
    s.machine.registry.push_back({Kind::CreateKey, key, u"", {}});
    for (const auto& [name, value] : values) s.machine.registry.push_back({Kind::SetValue, key, name, value});
  }
  for (const auto& [key, rights] : c.denied) s.machine.denied.emplace_back(key, rights);
  for (const auto& [root, bytes] : c.volumes) s.machine.volumes.push_back({root, machine::Volume{bytes.value_or(0), !bytes}});
  for (const auto& [name, value] : c.environment) s.machine.environment.emplace_back(name, value);
  s.machine.windowsFolder = c.windowsFolder;
  for (const auto& [path, state] : c.files)
    if (state != machine::FileState::Absent) s.machine.files.emplace_back(path, state == machine::FileState::Readable);
}

// The command as the file says it: files by their names alone, as their folders can name a user.
std::string Said(const CaptureOptions& o) {
  std::string said = "suitehost capture";
  if (!o.from.empty()) said += " --from " + testkit::FileName(o.from);
  if (!o.machine.empty()) said += " --machine " + testkit::FileName(o.machine);
  for (size_t i = 0; i < o.words.size(); ++i) said += " " + (i == 0 ? testkit::FileName(o.words[i]) : o.words[i]);
  for (const std::string& p : o.properties) said += " -p " + p;
  for (const std::string& a : o.answers) said += " --answer " + a;
  if (o.nameMachine) said += " --name-machine";
  return said + " --out " + testkit::FileName(o.out);
}

// The machine a capture reads: this one, or a scenario's machine standing for one (whose clock
// the capture then takes), and how the file's description names it.
struct MachineRead {
  std::unique_ptr<machine::SimulatedMachine> standIn;
  std::unique_ptr<machine::RealMachineReader> real;
  std::string where;
};

Result<MachineRead> MachineToRead(const CaptureOptions& o, Scenario& s) {
  MachineRead read;
  if (!o.machine.empty()) {
    Result<Scenario> machineFile = scenario::LoadScenario(o.machine);
    if (!machineFile) return Failure("--machine: " + machineFile.error());
    read.standIn = scenario::SimulatedMachineOf(machineFile->machine);
    read.real = machine::RealMachineOf(*read.standIn);
    read.where = "the machine of " + o.machine;
    s.machine.clock = machineFile->machine.clock;
    return read;
  }
  read.real = testkit::MakeRealMachine();
  if (!read.real)
    return Failure("this suitehost runs the simulated machine and has no real one to read: run suitehost.exe on "
                   "Windows or under Wine, or give --machine FILE");
  const std::u16string name = read.real->Name();
  read.where = o.nameMachine && !name.empty() ? "the machine " + ToUtf8(name) : "a machine";
  read.where += " running " + testkit::PlatformName();
  return read;
}

void SayCaptured(const machine::CapturedMachine& c, const std::string& out) {
  size_t values = 0;
  for (const auto& [key, read] : c.keys) values += read.size();
  std::cerr << "suitehost: captured " << c.keys.size() << " key(s) with " << values << " value(s), "
            << c.denied.size() << " refusal(s), " << c.environment.size() << " variable(s), " << c.volumes.size()
            << " volume(s), " << c.files.size() << " file check(s) into " << out << "\n";
}

}  // namespace

int Capture(const CaptureOptions& o, const std::string& libraryFolder) {
  Result<Scenario> made = EngineAndSteps(o);
  if (!made) return RefuseCapture(made.error());
  Scenario s = std::move(*made);
  if (testkit::PathExists(o.out)) return RefuseCapture("--out " + o.out + ": the file exists; remove it or name another");

  Result<MachineRead> read = MachineToRead(o, s);
  if (!read) return RefuseCapture(read.error());
  std::unique_ptr<machine::RealMachineReader>& real = read->real;
  const std::string& where = read->where;
  s.machine.windows = real->Kind();
  // A capture replays at another time: the clock it ran at is fixed, and written down.
  if (!s.machine.clock) s.machine.clock = Now();
  s.machine.privilegeAdjustError = real->HoldsShutdownPrivilege() ? 0 : platform::kNotAllAssigned;

  auto owned = std::make_unique<testkit::CaptureScenarioMachine>(*real);
  testkit::CaptureScenarioMachine& capture = *owned;
  scenario::Runner runner(libraryFolder, std::move(owned));
  if (Result<> prepared = runner.Prepare(s); !prepared) return RefuseCapture(prepared.error());
  const std::string began = scenario::ClockText(Now());
  const std::vector<scenario::ScenarioReport> reports = runner.RunAll();
  const scenario::Provenance run = ProvenanceOf(runner, o.commandLine, began);
  const scenario::ScenarioReport& report = reports[0];
  if (!report.error.empty()) return RefuseCapture(report.error);
  if (!report.steps.empty() && report.steps[0].kind == scenario::StepReport::Kind::SetUp) return RefuseCapture(report.steps[0].failures[0]);
  if (!capture.captured().problems.empty()) {
    std::string problems;
    for (const std::string& p : capture.captured().problems) problems += "\n  " + p;
    return RefuseCapture("this machine could not be read whole, so nothing was written:" + problems);
  }

  Scenario written = s;
  TakeMachine(capture.captured(), written);
  // A library given by its path was found beside the template: the written file names it whole.
  if (!o.from.empty() && s.library.find_first_of("/\\") != std::string::npos)
    written.library = testkit::BesideFile(s.file, s.library);
  written.name = (o.from.empty() ? s.name : s.name + " (captured)");
  written.description = "Captured by `" + Said(o) + "` from " + where + " at " + scenario::ClockText(*s.machine.clock) +
                        ": the machine as the actions read it, and as expectations what they did.";
  if (Result<> saved = testkit::WriteWholeFile(o.out, scenario::ScenarioText(written, report)); !saved)
    return RefuseCapture("--out " + saved.error());
  scenario::WriteText(std::cout, reports, false, &run);
  SayCaptured(capture.captured(), o.out);
  return report.Passed() ? kAllHeld : kExpectationFailed;
}

}  // namespace suitehost
