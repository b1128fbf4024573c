// The records of a scenario file read from JSON, and the loader that checks a whole file before
// anything runs.
#include <algorithm>
#include <cstdio>

#include "platform/platform.h"
#include "scenario/json_parse.h"
#include "scenario/json_read.h"
#include "scenario/reg_file.h"
#include "testkit/files.h"
#include "testkit/utf_text.h"

namespace platform {

void from_json(const scenario::Json& j, ShellStart& p) {
  scenario::OnlyKeys(j, {"file", "parameters", "directory"});
  if (!j.contains("file")) scenario::Fail("a program needs \"file\"");
  p = ShellStart{};
  p.file = scenario::Under("file", [&] { return scenario::Text(j["file"]); });
  if (j.contains("parameters")) p.parameters = scenario::Under("parameters", [&] { return scenario::Text(j["parameters"]); });
  if (j.contains("directory")) p.directory = scenario::Under("directory", [&] { return scenario::Text(j["directory"]); });
}

void from_json(const scenario::Json& j, LocalTime& c) {
  const std::string text = j.is_string() ? j.get<std::string>() : "";
  c = LocalTime{};
  // Digits only where the form has them: no sign, no blank, so that every field is one a clock gives.
  static const char kForm[] = "dddd-dd-dd dd:dd:dd";
  bool formed = text.size() == sizeof kForm - 1;
  for (size_t i = 0; formed && i < text.size(); ++i)
    formed = kForm[i] == 'd' ? text[i] >= '0' && text[i] <= '9' : text[i] == kForm[i];
  if (!formed || std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d", &c.year, &c.month, &c.day, &c.hour, &c.minute,
                             &c.second) != 6)
    scenario::Fail("expected a local time as \"YYYY-MM-DD HH:MM:SS\"");
  const bool leap = (c.year % 4 == 0 && c.year % 100 != 0) || c.year % 400 == 0;
  const int days[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (c.year < 1601 || c.month < 1 || c.month > 12 || c.day < 1 || c.day > days[c.month - 1] || c.hour > 23 ||
      c.minute > 59 || c.second > 60)
    scenario::Fail("\"" + text + "\" is no time a clock gives (years from 1601, days of the month, hours 0-23)");
}

}  // namespace platform

namespace machine {

void from_json(const scenario::Json& j, MessageShown& m) {
  scenario::OnlyKeys(j, {"text", "caption"});
  m = MessageShown{};
  if (j.contains("text")) m.text = scenario::Under("text", [&] { return scenario::Text(j["text"]); });
  if (j.contains("caption")) m.caption = scenario::Under("caption", [&] { return scenario::Text(j["caption"]); });
}

}  // namespace machine

namespace scenario {
namespace {

using testkit::FromUtf8;

std::u16string ValueName(const std::string& key) { return key == "@" ? u"" : FromUtf8(key); }

std::vector<RegistryExpectation> RegistryExpectations(const Json& j) {
  ExpectObject(j, "an object of keys");
  std::vector<RegistryExpectation> list;
  for (const auto& item : j.items()) {
    const std::string at = "/registry/" + PointerToken(item.key());
    Under(item.key(), [&] {
      const std::u16string key = Key(item.key());
      if (item.value().is_null()) return list.push_back({key, u"", true, std::nullopt, at});
      if (!item.value().is_object()) FailExpected(item.value(), "an object of values, or null for an absent key");
      if (item.value().empty()) list.push_back({key, u"", true, RegValue{}, at});
      for (const auto& v : item.value().items()) {
        std::optional<RegValue> value;
        if (!v.value().is_null()) value = Get<RegValue>(item.value(), v.key());
        list.push_back({key, ValueName(v.key()), false, value, at + "/" + PointerToken(v.key())});
      }
    });
  }
  return list;
}

std::vector<std::pair<std::u16string, std::u16string>> Writes(const Json& j) {
  if (!j.is_array()) FailExpected(j, "a list of [name, value] pairs");
  std::vector<std::pair<std::u16string, std::u16string>> writes;
  for (size_t i = 0; i < j.size(); ++i) {
    Under(i, [&] {
      if (!j[i].is_array() || j[i].size() != 2) Fail("expected [name, value]");
      writes.emplace_back(Under(0, [&] { return Text(j[i][0]); }), Under(1, [&] { return Text(j[i][1]); }));
    });
  }
  return writes;
}

std::vector<std::string> Lines(const Json& j) {
  if (!j.is_array()) FailExpected(j, "a list of host call lines");
  std::vector<std::string> lines;
  for (size_t i = 0; i < j.size(); ++i) lines.push_back(testkit::ToUtf8(Under(i, [&] { return Text(j[i]); })));
  return lines;
}

}  // namespace

// What must hold after a call; an `expect` step allows only properties and registry, which its
// step checks before reading.
void from_json(const Json& j, Expectations& e) {
  OnlyKeys(j, {"result", "properties", "writes", "calls", "machine", "registry", "programs", "messages", "restart"});
  e = Expectations{};
  if (j.contains("result")) e.result = Under("result", [&] { return Status(j["result"]); });
  if (j.contains("properties")) e.properties = Under("properties", [&] { return Properties(j["properties"], true); });
  if (j.contains("writes")) e.writes = Under("writes", [&] { return Writes(j["writes"]); });
  if (j.contains("calls")) e.calls = Under("calls", [&] { return Lines(j["calls"]); });
  if (j.contains("machine")) e.machine = Under("machine", [&] { return Lines(j["machine"]); });
  if (j.contains("registry")) e.registry = Under("registry", [&] { return RegistryExpectations(j["registry"]); });
  if (j.contains("programs"))
    e.programs = Under("programs", [&] { return ListOf<ShellStart>(j["programs"], "a list of programs"); });
  if (j.contains("messages"))
    e.messages = Under("messages", [&] { return ListOf<MessageShown>(j["messages"], "a list of message boxes"); });
  if (j.contains("restart")) e.restart = Under("restart", [&] { return Bool(j["restart"]); });
}

void from_json(const Json& j, Step& step) {
  step = Step{};
  if (j.is_object() && j.contains("call")) {
    OnlyKeys(j, {"call", "queryStatus", "expect"});
    step.kind = Step::Kind::Call;
    step.action = testkit::ToUtf8(Under("call", [&] { return Text(j["call"]); }));
    if (j.contains("queryStatus")) step.queryStatus = Under("queryStatus", [&] { return Status(j["queryStatus"]); });
    step.expect = GetOr<Expectations>(j, "expect", {});
  } else if (j.is_object() && j.contains("set")) {
    OnlyKeys(j, {"set"});
    step.kind = Step::Kind::Set;
    step.set = Under("set", [&] { return Properties(j["set"], true); });
  } else if (j.is_object() && j.contains("expect")) {
    OnlyKeys(j, {"expect"});
    step.kind = Step::Kind::Expect;
    Under("expect", [&] { OnlyKeys(j["expect"], {"properties", "registry"}); });
    step.expect = Get<Expectations>(j, "expect");
  } else {
    Fail("a step is {\"call\": ACTION, ...}, {\"set\": {...}} or {\"expect\": {...}}");
  }
}

machine::Volume ReadVolume(const Json& j) {
  machine::Volume v;
  if (!j.is_object()) {
    v.callerFreeBytes = Bytes(j);
    return v;
  }
  OnlyKeys(j, {"free", "fails"});
  if (j.contains("free")) v.callerFreeBytes = Under("free", [&] { return Bytes(j["free"]); });
  if (j.contains("fails")) v.fails = Under("fails", [&] { return Bool(j["fails"]); });
  return v;
}

namespace {

machine::Windows WindowsKind(const Json& j) {
  if (j == "x86") return machine::Windows::X86;
  if (j == "x64") return machine::Windows::X64;
  Fail("expected \"x86\" (32-bit Windows) or \"x64\" (64-bit Windows)");
}

// Refuses a WOW6432Node key among the object's keys: on 32-bit Windows there is none.
void RefuseWow64Keys(const Json& keys) {
  if (!keys.is_object()) return;
  for (const auto& item : keys.items()) {
    const auto canonical = machine::CanonicalKey(testkit::FromUtf8(item.key()));
    if (canonical && IsWow64Path(*canonical)) Under(item.key(), [] { Fail(kWow64Refusal); });
  }
}

// The keys that the scenario sets up, refuses rights on or expects, on 32-bit Windows.
void RefuseWow64Paths(const Json& j) {
  for (const char* part : {"registry", "deny"})
    if (j.contains(part)) Under(part, [&] { RefuseWow64Keys(j[part]); });
  if (!j.contains("steps") || !j["steps"].is_array()) return;
  const Json& steps = j["steps"];
  for (size_t i = 0; i < steps.size(); ++i) {
    const Json& step = steps[i];
    if (!step.is_object() || !step.contains("expect") || !step["expect"].is_object() ||
        !step["expect"].contains("registry"))
      continue;
    Under({"steps", std::to_string(i), "expect", "registry"}, [&] { RefuseWow64Keys(step["expect"]["registry"]); });
  }
}

}  // namespace

// The whole file; `s.file` is set beforehand, as the registry imports are found beside it.
void from_json(const Json& j, Scenario& s) {
  OnlyKeys(j, {"name", "description", "library", "nativeOnly", "wineDiffers", "windows", "properties", "translate", "expand", "engine",
               "registry", "deny", "volumes", "environment", "windowsFolder", "files", "clock", "messageAnswers",
               "shutdownPrivilege", "steps"});
  if (!j.contains("library")) Fail("a scenario needs \"library\" (ovrel, caddon, or a path)");
  // Read first: it decides what the key paths everywhere else mean.
  if (j.contains("windows")) s.machine.windows = Under("windows", [&] { return WindowsKind(j["windows"]); });
  if (s.machine.windows == machine::Windows::X86) RefuseWow64Paths(j);
  const std::pair<const char*, std::string*> texts[] = {
      {"library", &s.library}, {"name", &s.name}, {"description", &s.description}, {"nativeOnly", &s.nativeOnly},
      {"wineDiffers", &s.wineDiffers}};
  for (const auto& text : texts) {
    const char* key = text.first;
    if (j.contains(key)) *text.second = testkit::ToUtf8(Under(key, [&] { return Text(j[key]); }));
  }
  if (j.contains("properties")) s.engine.properties = Under("properties", [&] { return Properties(j["properties"], false); });
  if (j.contains("translate")) s.engine.translations = Under("translate", [&] { return Texts(j["translate"], "an object of texts and their results"); });
  if (j.contains("expand")) s.engine.expansions = Under("expand", [&] { return Texts(j["expand"], "an object of texts and their results"); });
  if (j.contains("engine")) {
    Under("engine", [&] {
      const Json& engine = j["engine"];
      OnlyKeys(engine, {"queryStatus", "messageStatus"});
      if (engine.contains("queryStatus")) s.engine.queryStatus = Under("queryStatus", [&] { return Status(engine["queryStatus"]); });
      if (engine.contains("messageStatus")) s.engine.messageStatus = Under("messageStatus", [&] { return Status(engine["messageStatus"]); });
    });
  }
  ReadMachine(j, s);
  if (!j.contains("steps")) Fail("a scenario needs \"steps\"");
  s.steps = Under("steps", [&] { return ListOf<Step>(j["steps"], "a list of steps"); });
  for (size_t i = 0; i < s.steps.size(); ++i) {
    s.steps[i].where = "/steps/" + std::to_string(i);
    for (RegistryExpectation& r : s.steps[i].expect.registry) r.where = s.steps[i].where + "/expect" + r.where;
  }
}

Result<Scenario> ParseScenario(const std::string& path, const std::string& text) {
  Result<Json> j = ParseJson(path, text);
  if (!j) return testkit::Failure(j.error());
  Scenario scenario;
  scenario.file = path;
  try {
    j->get_to(scenario);
  } catch (const JsonError& e) {
    return testkit::Failure(path + ": " + (e.where.empty() ? "/" : e.where) + ": " + e.what);
  }
  if (scenario.name.empty()) scenario.name = testkit::FileName(path);
  return scenario;
}

Result<> ChecksSomething(const Scenario& s) {
  if (s.steps.empty()) return testkit::Failure(s.file + ": /steps: a scenario needs at least one step");
  const bool checks = std::any_of(s.steps.begin(), s.steps.end(), [](const Step& step) {
    const Expectations& e = step.expect;
    return step.kind == Step::Kind::Call || e.result || !e.properties.empty() || e.writes || e.calls || e.machine ||
           !e.registry.empty() || e.programs || e.messages || e.restart;
  });
  if (!checks)
    return testkit::Failure(s.file +
                            ": /steps: the steps call no action and expect nothing, so the scenario would check nothing");
  return {};
}

Result<Scenario> LoadScenario(const std::string& path) {
  Result<std::string> text = testkit::ReadWholeFile(path);
  if (!text) return testkit::Failure(text.error());
  return ParseScenario(path, *text);
}

}  // namespace scenario
