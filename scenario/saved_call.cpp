// A call from the command line written down as a scenario file: the machine and the engine it was
// given, and as expectations everything the call did.
#include "scenario/saved_call.h"

#include <cstdio>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>

#include "scenario/status.h"
#include "scenario/trace.h"
#include "testkit/utf_text.h"

namespace scenario {
namespace {

using Json = nlohmann::ordered_json;
using machine::NoCaseLess;
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
  std::map<std::u16string, std::map<std::u16string, RegValue, NoCaseLess>, NoCaseLess> keys;
  for (const RegistryChange& change : changes) {
    switch (change.kind) {
      case RegistryChange::Kind::SetValue: keys[change.key][change.name] = change.value; break;
      case RegistryChange::Kind::CreateKey: keys[change.key]; break;
      case RegistryChange::Kind::DeleteValue: {
        auto key = keys.find(change.key);
        if (key != keys.end()) key->second.erase(change.name);
        break;
      }
      case RegistryChange::Kind::DeleteKey:
        for (auto key = keys.begin(); key != keys.end();) {
          const bool under = NoCaseLess::Same(key->first, change.key) ||
                             (key->first.size() > change.key.size() && key->first[change.key.size()] == u'\\' &&
                              NoCaseLess::Same(key->first.substr(0, change.key.size()), change.key));
          key = under ? keys.erase(key) : std::next(key);
        }
        break;
    }
  }
  Json registry = Json::object();
  for (const auto& [key, values] : keys) {
    Json j = Json::object();
    for (const auto& [name, value] : values) j[ValueKey(name)] = Value(value);
    registry[ToUtf8(key)] = j;
  }
  return registry;
}

Json Text(const std::optional<std::string>& text) { return text ? Json(*text) : Json(""); }

// The expectations of everything the step did: its result, the property writes in order, what
// changed in the registry, the programs started, the message boxes and whether it restarted.
Json WhatItDid(const StepReport& step) {
  const std::string status = StatusName(step.result);
  Json expect{{"result", status.size() > 11 ? status.substr(11) : status}};
  Json writes = Json::array(), programs = Json::array(), messages = Json::array(), registry = Json::object();
  bool restart = false;
  for (const TraceEntry& e : step.trace) {
    if (e.source == "host" && e.kind == "write") writes.push_back(Json::array({e.name, Text(e.value)}));
    if (e.source != "machine") continue;
    if (e.kind == "start")
      programs.push_back(Json{{"file", e.name}, {"parameters", Text(e.value)}, {"directory", e.detail}});
    if (e.kind == "message box") messages.push_back(Json{{"text", e.name}, {"caption", Text(e.value)}});
    if (e.kind == "restart") restart = true;
    if (e.kind != "registry change") continue;
    Json& key = registry[e.key];
    if (e.line.rfind("registry deleted key ", 0) == 0) {
      key = nullptr;
    } else {
      if (key.is_null()) key = Json::object();
      if (e.line.rfind("registry new key ", 0) != 0)
        key[ValueKey(FromUtf8(e.name))] = e.data ? Value(*e.data) : Json();
    }
  }
  expect["writes"] = writes;
  if (!registry.empty()) expect["registry"] = registry;
  expect["programs"] = programs;
  expect["messages"] = messages;
  expect["restart"] = restart;
  return expect;
}

}  // namespace

std::string SavedCall(const Scenario& given, const ScenarioReport& report, const std::string& command) {
  Json j{{"name", "saved call: " + given.library + " " + (given.steps.empty() ? "" : given.steps[0].action)},
         {"description", "Saved by `" + command +
                             "`: the machine and the properties the call was given, and as expectations "
                             "what it did."},
         {"library", given.library}};
  if (given.windows == machine::Windows::X64) j["windows"] = "x64";
  Json properties = Json::object();
  for (const auto& [name, value] : given.properties) properties[ToUtf8(name)] = value ? Json(ToUtf8(*value)) : Json();
  j["properties"] = properties;
  if (!given.registry.empty()) j["registry"] = MachineRegistry(given.registry);
  if (!given.volumes.empty()) {
    Json volumes = Json::object();
    for (const Volume& v : given.volumes) volumes[ToUtf8(v.root)] = v.freeBytes;
    j["volumes"] = volumes;
  }
  if (!given.environment.empty()) {
    Json environment = Json::object();
    for (const auto& [name, value] : given.environment) environment[ToUtf8(name)] = value ? Json(ToUtf8(*value)) : Json();
    j["environment"] = environment;
  }
  if (!given.files.empty()) {
    Json files = Json::object();
    for (const auto& [path, readable] : given.files) files[ToUtf8(path)] = readable ? "readable" : "locked";
    j["files"] = files;
  }
  if (given.clock) {
    char clock[32];
    std::snprintf(clock, sizeof clock, "%04d-%02d-%02d %02d:%02d:%02d", given.clock->year, given.clock->month,
                  given.clock->day, given.clock->hour, given.clock->minute, given.clock->second);
    j["clock"] = clock;
  }
  if (!given.messageAnswers.empty()) {
    Json answers = Json::array();
    for (int answer : given.messageAnswers) answers.push_back(answer == platform::kIdYes ? "yes" : "no");
    j["messageAnswers"] = answers;
  }
  Json steps = Json::array();
  for (size_t i = 0; i < given.steps.size() && i < report.steps.size(); ++i)
    steps.push_back(Json{{"call", given.steps[i].action}, {"expect", WhatItDid(report.steps[i])}});
  j["steps"] = steps;
  // Texts of the actions may hold unpaired surrogates: they show as U+FFFD rather than stop the file.
  return j.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace scenario
