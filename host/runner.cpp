#include "host/runner.h"

#include <chrono>
#include <cstdio>
#include <iterator>
#include <map>
#include <set>

#include "host/library.h"
#include "host/test_engine.h"
#include "host/utf.h"

namespace host {
namespace {

// The keys the actions of both libraries read or write: every scenario starts with them as on a
// machine where nothing was installed, and the trace shows what the actions change in them.
const char16_t* const kActionKeys[] = {
    u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Pellucor\\TAMBER VANTLE Install",
    u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brisolt\\Corvane ORVIX",
    u"HKEY_LOCAL_MACHINE\\Software\\Classes\\Installer\\Products\\E1A7AD6A725DC214DA711D928B3F3E99",
    u"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager",
};

// Every key the scenario sets up or looks at, and those of the actions, each once.
std::vector<std::u16string> KeysOf(const Scenario& s) {
  std::set<std::u16string, NoCaseLess> keys(std::begin(kActionKeys), std::end(kActionKeys));
  for (const RegistryChange& change : s.registry) keys.insert(change.key);
  for (const auto& [key, rights] : s.denied) keys.insert(key);
  for (const Step& step : s.steps)
    for (const RegistryExpectation& r : step.expect.registry) keys.insert(r.key);
  return std::vector<std::u16string>(keys.begin(), keys.end());
}

struct Prepared {
  Scenario scenario;
  std::vector<ActionFunction> actions;  // one per step; null for steps that call nothing
};

std::string Show(const std::optional<std::u16string>& text) { return text ? Quoted(*text) : "<unset>"; }

std::string Hex32(std::uint32_t n) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", n);
  return text;
}

std::string AnswerName(int answer) {
  if (answer == 6) return "yes";
  if (answer == 7) return "no";
  return std::to_string(answer);
}

std::string DescribeStart(const ProgramStart& p) {
  return "start " + Quoted(p.file) + " parameters " + Quoted(p.parameters) + " in " + Quoted(p.directory);
}

std::string Join(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += "\n      " + line;
  return out.empty() ? "\n      (none)" : out;
}

// What changed in the registry during a step, one line a change.
void RegistryDiff(const RegistryState& before, const RegistryState& after, std::vector<std::string>& trace) {
  for (const auto& [key, values] : after) {
    auto old = before.find(key);
    if (old == before.end()) trace.push_back("registry new key " + ToUtf8(key));
    for (const auto& [name, value] : values) {
      const RegValue* was = nullptr;
      if (old != before.end()) {
        auto found = old->second.find(name);
        if (found != old->second.end()) was = &found->second;
      }
      if (was == nullptr || *was != value)
        trace.push_back("registry " + ToUtf8(key) + " " + (name.empty() ? "@" : ToUtf8(name)) + " = " +
                        DescribeValue(value));
    }
    if (old != before.end())
      for (const auto& [name, value] : old->second)
        if (values.find(name) == values.end())
          trace.push_back("registry " + ToUtf8(key) + " " + ToUtf8(name) + " deleted");
  }
  for (const auto& [key, values] : before)
    if (after.find(key) == after.end()) trace.push_back("registry deleted key " + ToUtf8(key));
}

class Checker {
 public:
  Checker(StepReport& report, int& checks) : report_(report), checks_(checks) {}
  void Check(bool held, const std::string& failure) {
    ++checks_;
    if (!held) report_.failures.push_back(failure);
  }

 private:
  StepReport& report_;
  int& checks_;
};

void CheckState(const Expectations& e, const TestEngine& engine, const Machine& machine, Checker& check) {
  for (const auto& [name, expected] : e.properties) {
    const auto actual = engine.Property(name);
    check.Check(actual == expected,
                "property " + ToUtf8(name) + ": expected " + Show(expected) + ", got " + Show(actual));
  }
  if (e.registry.empty()) return;
  const RegistryState state = machine.Registry();
  for (const RegistryExpectation& r : e.registry) {
    auto key = state.find(r.key);
    const bool keyThere = key != state.end();
    if (r.wholeKey) {
      check.Check(keyThere == r.value.has_value(), r.where + ": key " + ToUtf8(r.key) + " expected " +
                                                       (r.value ? "to exist" : "absent") + ", it " +
                                                       (keyThere ? "exists" : "does not exist"));
      continue;
    }
    const RegValue* actual = nullptr;
    if (keyThere) {
      auto value = key->second.find(r.name);
      if (value != key->second.end()) actual = &value->second;
    }
    const std::string got = actual ? DescribeValue(*actual) : "<absent>";
    const std::string want = r.value ? DescribeValue(*r.value) : "<absent>";
    check.Check(actual ? (r.value && *actual == *r.value) : !r.value.has_value(),
                "registry " + ToUtf8(r.key) + " " + (r.name.empty() ? "@" : ToUtf8(r.name)) + ": expected " +
                    want + ", got " + got);
  }
}

}  // namespace

bool ScenarioReport::Passed() const {
  for (const StepReport& step : steps)
    if (!step.failures.empty()) return false;
  return true;
}

std::string DescribeValue(const RegValue& value) {
  const bool text = value.type == 1 || value.type == 2;
  if (text && value.data.size() % 2 == 0) {
    std::u16string units;
    for (size_t i = 0; i + 1 < value.data.size(); i += 2)
      units += static_cast<char16_t>(value.data[i] | (value.data[i + 1] << 8));
    const bool terminated = !units.empty() && units.back() == u'\0';
    if (terminated) units.pop_back();
    if (units.find(u'\0') == std::u16string::npos) {
      std::string out = value.type == 2 ? "expand_sz " : "";
      out += Quoted(units);
      if (!terminated) out += " (no terminator)";
      return out;
    }
  }
  if (value.type == 4 && value.data.size() == 4)
    return "dword " + Hex32(static_cast<std::uint32_t>(value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                                        static_cast<std::uint32_t>(value.data[3]) << 24));
  std::string out = "hex(" + std::to_string(value.type) + ")";
  char byte[4];
  for (std::uint8_t b : value.data) {
    std::snprintf(byte, sizeof byte, " %02x", b);
    out += byte;
  }
  return out;
}

struct Runner::State {
  std::string libraryFolder;
  std::map<std::string, std::unique_ptr<Library>> libraries;
  std::vector<Prepared> prepared;
  std::unique_ptr<Machine> machine = MakeMachine();

  ScenarioReport Run(const Prepared& p);
};

Runner::Runner(std::string libraryFolder) : state_(std::make_unique<State>()) {
  state_->libraryFolder = std::move(libraryFolder);
}
Runner::~Runner() = default;

bool Runner::Prepare(const std::string& file, std::string& error) {
  Scenario scenario;
  if (!LoadScenario(file, scenario, error)) return false;
  return Prepare(std::move(scenario), error);
}

bool Runner::Prepare(Scenario scenario, std::string& error) {
  Prepared p;
  p.scenario = std::move(scenario);
  const std::string& file = p.scenario.file;
  std::string path = LibraryFile(p.scenario.library, state_->libraryFolder);
  if (p.scenario.library.find_first_of("/\\") != std::string::npos && path[0] != '/') {
    const size_t slash = file.find_last_of("/\\");
    if (slash != std::string::npos) path = file.substr(0, slash + 1) + path;
  }
  auto& library = state_->libraries[path];
  if (!library) {
    library = std::make_unique<Library>();
    std::string why;
    if (!library->Load(path, why)) {
      state_->libraries.erase(path);
      error = file + ": /library: " + why;
      return false;
    }
    state_->machine->Attach(library->handle());
  }
  for (const Step& step : p.scenario.steps) {
    ActionFunction action = nullptr;
    if (step.kind == Step::Kind::Call) {
      action = library->Find(step.action);
      if (action == nullptr) {
        error = file + ": " + step.where + "/call: " + path + " exports no action \"" + step.action + "\"";
        return false;
      }
    }
    p.actions.push_back(action);
  }
  state_->prepared.push_back(std::move(p));
  return true;
}

std::vector<ScenarioReport> Runner::RunAll() {
  std::vector<ScenarioReport> reports;
  for (const Prepared& p : state_->prepared) reports.push_back(state_->Run(p));
  return reports;
}

ScenarioReport Runner::State::Run(const Prepared& p) {
  const auto started = std::chrono::steady_clock::now();
  const Scenario& s = p.scenario;
  ScenarioReport report;
  report.file = s.file;
  report.name = s.name;
  report.description = s.description;

  report.nativeOnly = s.nativeOnly;
#ifdef _WIN32
  // Never silently: the report names the scenario and the reason it cannot run here.
  if (!s.nativeOnly.empty()) {
    report.skipped = true;
    return report;
  }
#endif

  Machine& m = *machine;
  m.Reset(KeysOf(s));
  for (const RegistryChange& change : s.registry) m.ApplyRegistry(change);
  for (const auto& [key, rights] : s.denied) m.DenyAccess(key, rights);
  for (const Volume& v : s.volumes) m.SetVolume(v.root, v.freeBytes, v.fails);
  for (const auto& [name, value] : s.environment) m.SetEnvironment(name, value);
  if (s.windowsFolder) m.SetWindowsFolder(*s.windowsFolder);
  for (const auto& [path, readable] : s.files) m.AddFile(path, readable);
  if (s.clock) m.SetClock(*s.clock);
  for (int answer : s.messageAnswers) m.QueueMessageAnswer(answer);
  m.SetShutdownPrivilege(s.privilegeLookupWorks, s.privilegeAdjustError);

  TestEngine engine;
  for (const auto& [name, value] : s.properties) engine.properties[name] = *value;
  for (const auto& [text, result] : s.translations) engine.translations[text] = result;
  for (const auto& [text, result] : s.expansions) engine.expansions[text] = result;
  engine.messageStatus = s.messageStatus;

  for (size_t i = 0; i < s.steps.size(); ++i) {
    const Step& step = s.steps[i];
    StepReport r;
    r.where = step.where;
    Checker check(r, report.checks);
    if (step.kind == Step::Kind::Set) {
      r.title = "set";
      for (const auto& [name, value] : step.set) {
        if (value)
          engine.properties[name] = *value;
        else
          engine.properties.erase(name);
        r.trace.push_back("set " + ToUtf8(name) + " = " + Show(value));
      }
    } else if (step.kind == Step::Kind::Expect) {
      r.title = "expect";
      CheckState(step.expect, engine, m, check);
    } else {
      r.title = "call " + step.action;
      r.called = true;
      const RegistryState before = m.Registry();
      const size_t starts = m.ProgramsStarted().size(), shown = m.MessagesShown().size(),
                   restarts = m.RestartsRequested().size(), calls = engine.journal.size();
      const long strings = m.LiveSystemStrings();
      engine.queryStatus = step.queryStatus.value_or(s.queryStatus);
      r.result = p.actions[i](&engine);

      std::vector<std::string> lines;
      std::vector<std::pair<std::u16string, std::u16string>> writes;
      for (size_t c = calls; c < engine.journal.size(); ++c) {
        lines.push_back(engine.journal[c].Describe());
        if (engine.journal[c].op == HostCall::Op::SetProperty)
          writes.emplace_back(engine.journal[c].name, engine.journal[c].value);
      }
      r.trace = lines;
      RegistryDiff(before, m.Registry(), r.trace);
      const auto allStarts = m.ProgramsStarted();
      const std::vector<ProgramStart> newStarts(allStarts.begin() + static_cast<long>(starts), allStarts.end());
      for (const ProgramStart& start : newStarts) r.trace.push_back(DescribeStart(start));
      const auto allShown = m.MessagesShown();
      for (size_t k = shown; k < allShown.size(); ++k)
        r.trace.push_back("message box " + Quoted(allShown[k].text) + " caption " + Quoted(allShown[k].caption) +
                          " style " + std::to_string(allShown[k].style) + " -> " + AnswerName(allShown[k].answer));
      const auto allRestarts = m.RestartsRequested();
      for (size_t k = restarts; k < allRestarts.size(); ++k)
        r.trace.push_back("restart requested: flags " + std::to_string(allRestarts[k].flags) + " reason " +
                          Hex32(allRestarts[k].reason));

      for (const std::string& problem : m.TakeProblems()) check.Check(false, problem);
      // What every action owes the engine, whatever the scenario expects.
      check.Check(m.LiveSystemStrings() == strings,
                  "system strings not freed: " + std::to_string(m.LiveSystemStrings() - strings));
      check.Check(engine.references == 0, "session not released: " + std::to_string(engine.references) +
                                              " interface reference(s) left");
      check.Check(m.OpenHandles() == 0, "handles left open: " + std::to_string(m.OpenHandles()));

      const Expectations& e = step.expect;
      if (e.result)
        check.Check(r.result == *e.result,
                    "result: expected " + StatusName(*e.result) + ", got " + StatusName(r.result));
      if (e.writes) {
        std::vector<std::string> want, got;
        for (const auto& [name, value] : *e.writes) want.push_back(ToUtf8(name) + " = " + Quoted(value));
        for (const auto& [name, value] : writes) got.push_back(ToUtf8(name) + " = " + Quoted(value));
        check.Check(want == got, "writes: expected" + Join(want) + "\n    got" + Join(got));
      }
      if (e.calls) {
        check.Check(*e.calls == lines, "host calls: expected" + Join(*e.calls) + "\n    got" + Join(lines));
      }
      if (e.programs) {
        std::vector<std::string> want, got;
        for (const ProgramStart& start : *e.programs) want.push_back(DescribeStart(start));
        for (const ProgramStart& start : newStarts) got.push_back(DescribeStart(start));
        check.Check(want == got, "programs started: expected" + Join(want) + "\n    got" + Join(got));
      }
      if (e.messages) {
        std::vector<std::string> want, got;
        for (const MessageBoxShown& box : *e.messages)
          want.push_back(Quoted(box.text) + " caption " + Quoted(box.caption));
        for (size_t k = shown; k < allShown.size(); ++k)
          got.push_back(Quoted(allShown[k].text) + " caption " + Quoted(allShown[k].caption));
        check.Check(want == got, "message boxes: expected" + Join(want) + "\n    got" + Join(got));
      }
      if (e.restart) {
        const bool requested = allRestarts.size() > restarts;
        check.Check(requested == *e.restart, std::string("restart: expected ") +
                                                 (*e.restart ? "a request" : "none") + ", got " +
                                                 (requested ? "a request" : "none"));
      }
      CheckState(e, engine, m, check);
    }
    report.steps.push_back(std::move(r));
  }
  for (const auto& [name, value] : engine.properties) report.finalProperties.emplace_back(ToUtf8(name), Quoted(value));
  report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return report;
}

}  // namespace host
