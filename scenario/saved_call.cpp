// A call from the command line written down as a scenario file: the machine and the engine it was
// given, and as expectations everything the call did.
#include "scenario/saved_call.h"

#include <map>
#include <nlohmann/json.hpp>

#include "scenario/reg_export.h"
#include "scenario/status.h"
#include "scenario/trace.h"
#include "testkit/utf_text.h"

namespace scenario {
namespace {

using Json = nlohmann::ordered_json;
using testkit::FromUtf8;
using testkit::ToUtf8;

// A text that UTF-8 holds as it is: one without unpaired surrogates.
std::optional<std::string> Exact(const std::u16string& text) {
  std::string utf8 = ToUtf8(text);
  if (FromUtf8(utf8) != text) return std::nullopt;
  return utf8;
}

// A registry value in the form scenario files give it: a terminated REG_SZ as its text, other
// text with its type, numbers as numbers, anything else (or text UTF-8 cannot hold) as its bytes.
Json Value(const RegValue& value) {
  if (const std::optional<RegText> text = TextOf(value)) {
    if (const std::optional<std::string> utf8 = Exact(text->text)) {
      if (value.type == platform::kRegSz && text->terminated) return *utf8;
      Json j{{value.type == platform::kRegSz ? "sz" : "expand_sz", *utf8}};
      if (!text->terminated) j["terminated"] = false;
      return j;
    }
  }
  if (const std::optional<std::uint64_t> number = NumberOf(value))
    return Json{{value.type == platform::kRegDword ? "dword" : "qword", *number}};
  return Json{{"hex", HexText(value.data.data(), value.data.size())}, {"type", value.type}};
}

std::string ValueKey(const std::u16string& name) { return name.empty() ? "@" : ToUtf8(name); }

// The registry a set-up leaves, from its changes in order: keys with their values.
Json MachineRegistry(const std::vector<RegistryChange>& changes) {
  const testkit::RegistryState keys = FoldRegistry(changes);
  Json registry = Json::object();
  for (const auto& [key, values] : keys) {
    Json j = Json::object();
    for (const auto& [name, value] : values) j[ValueKey(name)] = Value(value);
    registry[ToUtf8(key)] = j;
  }
  return registry;
}

// A status as scenario files name it: "E_FAIL", or its figure when it has no name.
std::string StatusText(HRESULT status) {
  const std::string named = StatusName(status);
  return named.size() > 11 ? named.substr(11) : named.substr(0, 10);
}

// The expectations of everything the step did: its result, the property writes in order, what
// changed in the registry, the programs started, the message boxes and whether it restarted.
Json WhatItDid(const StepReport& step) {
  Json expect{{"result", StatusText(step.result)}};
  Json writes = Json::array(), programs = Json::array(), messages = Json::array(), registry = Json::object();
  bool restart = false;
  using machine::EventKind;
  for (const machine::Event& e : step.trace) {
    switch (e.kind) {
      case EventKind::WriteProperty: writes.push_back(Json::array({ToUtf8(e.name), ToUtf8(e.text.value_or(u""))})); break;
      case EventKind::Start:
        programs.push_back(Json{{"file", ToUtf8(e.name)}, {"parameters", ToUtf8(e.text.value_or(u""))},
                                {"directory", ToUtf8(e.folder)}});
        break;
      case EventKind::BoxShown:
        messages.push_back(Json{{"text", ToUtf8(e.name)}, {"caption", ToUtf8(e.text.value_or(u""))}});
        break;
      case EventKind::Restart: restart = true; break;
      case EventKind::KeyDeleted: registry[ToUtf8(e.key)] = nullptr; break;
      case EventKind::KeyAdded:
      case EventKind::ValueStored:
      case EventKind::ValueDeleted: {
        Json& key = registry[ToUtf8(e.key)];
        if (key.is_null()) key = Json::object();
        if (e.kind != EventKind::KeyAdded) key[ValueKey(e.name)] = e.data ? Value(*e.data) : Json();
        break;
      }
      default: break;
    }
  }
  expect["writes"] = writes;
  if (!registry.empty()) expect["registry"] = registry;
  expect["programs"] = programs;
  expect["messages"] = messages;
  expect["restart"] = restart;
  return expect;
}

// What the engine holds: the properties, its texts and its statuses.
void AddEngine(Json& j, const EngineSetUp& engineSetUp) {
  Json properties = Json::object();
  for (const auto& [name, value] : engineSetUp.properties) properties[ToUtf8(name)] = value ? Json(ToUtf8(*value)) : Json();
  j["properties"] = properties;
  for (const auto& [part, table] : {std::pair<const char*, const TextTable*>{"translate", &engineSetUp.translations},
                                    {"expand", &engineSetUp.expansions}}) {
    if (table->empty()) continue;
    Json texts = Json::object();
    for (const auto& [text, result] : *table) texts[ToUtf8(text)] = result ? Json(ToUtf8(*result)) : Json();
    j[part] = texts;
  }
  if (engineSetUp.queryStatus != S_OK || engineSetUp.messageStatus != S_OK) {
    Json engine = Json::object();
    if (engineSetUp.queryStatus != S_OK) engine["queryStatus"] = StatusText(engineSetUp.queryStatus);
    if (engineSetUp.messageStatus != S_OK) engine["messageStatus"] = StatusText(engineSetUp.messageStatus);
    j["engine"] = engine;
  }
}

// What the machine holds, with its answers to message boxes and its shutdown privilege.
void AddMachine(Json& j, const MachineSetUp& m) {
  if (!m.registry.empty()) j["registry"] = MachineRegistry(m.registry);
  if (!m.denied.empty()) {
    Json denied = Json::object();
    for (const auto& [key, rights] : m.denied) denied[ToUtf8(key)] = rights;
    j["deny"] = denied;
  }
  if (!m.volumes.empty()) {
    Json volumes = Json::object();
    for (const auto& [root, volume] : m.volumes)
      volumes[ToUtf8(root)] = volume.fails ? Json{{"fails", true}} : Json(volume.callerFreeBytes);
    j["volumes"] = volumes;
  }
  if (!m.environment.empty()) {
    Json environment = Json::object();
    for (const auto& [name, value] : m.environment) environment[ToUtf8(name)] = value ? Json(ToUtf8(*value)) : Json();
    j["environment"] = environment;
  }
  if (m.windowsFolder) j["windowsFolder"] = ToUtf8(*m.windowsFolder);
  if (!m.files.empty()) {
    Json files = Json::object();
    for (const auto& [path, readable] : m.files) files[ToUtf8(path)] = readable ? "readable" : "locked";
    j["files"] = files;
  }
  if (m.clock) j["clock"] = ClockText(*m.clock);
  if (!m.messageAnswers.empty()) {
    Json answers = Json::array();
    for (int answer : m.messageAnswers)
      answers.push_back(answer == platform::kIdYes ? Json("yes") : answer == platform::kIdNo ? Json("no")
                                                                  : answer == 0 ? Json("fail") : Json(answer));
    j["messageAnswers"] = answers;
  }
  if (!m.privilegeLookupWorks) j["shutdownPrivilege"] = "unknown";
  else if (m.privilegeAdjustError == platform::kNotAllAssigned) j["shutdownPrivilege"] = "not-granted";
}

// The steps, each call with what it did as its expectations.
Json Steps(const Scenario& given, const ScenarioReport& report) {
  Json steps = Json::array();
  for (size_t i = 0; i < given.steps.size() && i < report.steps.size(); ++i) {
    const Step& step = given.steps[i];
    if (step.kind == Step::Kind::Set) {
      Json set = Json::object();
      for (const auto& [name, value] : step.set) set[ToUtf8(name)] = value ? Json(ToUtf8(*value)) : Json();
      steps.push_back(Json{{"set", set}});
    } else if (step.kind == Step::Kind::Call) {
      Json call{{"call", step.action}};
      if (step.queryStatus) call["queryStatus"] = StatusText(*step.queryStatus);
      call["expect"] = WhatItDid(report.steps[i]);
      steps.push_back(call);
    }
  }
  return steps;
}

}  // namespace

std::string ScenarioText(const Scenario& given, const ScenarioReport& report, bool* replaced) {
  Json j{{"name", given.name}, {"description", given.description}, {"library", given.library}};
  if (given.machine.windows == machine::Windows::X64) j["windows"] = "x64";
  AddEngine(j, given.engine);
  AddMachine(j, given.machine);
  j["steps"] = Steps(given, report);
  // Texts of the actions may hold unpaired surrogates: they show as U+FFFD rather than stop the
  // file, and the caller is told.
  const std::string text = j.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
  if (replaced) *replaced = text != j.dump(2, ' ', false, Json::error_handler_t::ignore) + "\n";
  return text;
}

std::string SavedCall(const Scenario& given, const ScenarioReport& report, const std::string& command,
                      bool* replaced) {
  Scenario s = given;
  s.name = "saved call: " + given.library + " " + (given.steps.empty() ? "" : given.steps[0].action);
  s.description = "Saved by `" + command +
                  "`: the machine and the properties the call was given, and as expectations what it did.";
  return ScenarioText(s, report, replaced);
}

}  // namespace scenario
