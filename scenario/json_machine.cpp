// The machine part of a scenario file: registry (with .reg imports), refused rights, volumes,
// environment, files, clock, message answers and the shutdown privilege.
#include <map>

#include "machine/file_path.h"
#include "machine/registry.h"
#include "platform/platform.h"
#include "scenario/json_read.h"
#include "scenario/reg_file.h"
#include "scenario/status.h"
#include "testkit/files.h"
#include "testkit/utf_text.h"

namespace scenario {
namespace {

using testkit::FromUtf8;

void Import(const Json& list, Scenario& s) {
  if (!list.is_array()) FailExpected(list, "a list of .reg files");
  for (size_t i = 0; i < list.size(); ++i) {
    Under(i, [&] {
      std::string file = list[i].is_string() ? list[i].get<std::string>() : "";
      if (file.empty()) Fail("expected the path of a .reg file");
      file = testkit::BesideFile(s.file, file);
      Result<std::vector<RegistryChange>> changes = ReadRegFile(file, s.windows, &s.notes);
      if (!changes) Fail(changes.error());
      s.registry.insert(s.registry.end(), changes->begin(), changes->end());
    });
  }
}

void ReadKeyValues(const std::u16string& key, const Json& values, Scenario& s) {
  if (values.is_null()) return s.registry.push_back({RegistryChange::Kind::DeleteKey, key, u"", {}});
  if (!values.is_object()) FailExpected(values, "an object of values, or null to delete the key");
  s.registry.push_back({RegistryChange::Kind::CreateKey, key, u"", {}});
  for (const auto& v : values.items()) {
    const std::u16string name = v.key() == "@" ? u"" : FromUtf8(v.key());
    if (v.value().is_null())
      s.registry.push_back({RegistryChange::Kind::DeleteValue, key, name, {}});
    else
      s.registry.push_back({RegistryChange::Kind::SetValue, key, name, Get<RegValue>(values, v.key())});
  }
}

void ReadRegistry(const Json& j, Scenario& s) {
  ExpectObject(j, "an object of keys");
  for (const auto& item : j.items()) {
    Under(item.key(), [&] {
      if (item.key() == "import") return Import(item.value(), s);
      ReadKeyValues(Key(item.key()), item.value(), s);
    });
  }
}

// The registry the scenario's machine starts with: what every Windows has, and its set-up.
machine::Registry SetUpRegistry(const Scenario& s) {
  machine::Registry registry;
  registry.CreateWindowsKeys();
  for (const RegistryChange& change : s.registry) registry.Apply(change, machine::ResolveLinks(s.windows, change.key));
  return registry;
}

std::uint32_t Rights(const Json& j) {
  // Set value and create subkey: what a user without administrative rights lacks.
  if (j == "write") return platform::kKeySetValue | platform::kKeyCreateSubKey;
  if (j == "all") return 0xFFFFFFFF;
  if (j.is_number_unsigned()) return Unsigned32(j);
  Fail("expected \"write\", \"all\" or a number of access rights");
}

int Answer(const Json& j) {
  if (j.is_number_integer()) {
    const auto n = j.get<std::int64_t>();
    if (n < INT32_MIN || n > INT32_MAX) Fail("the answer " + std::to_string(n) + " is beyond what a message box returns (an int)");
    return static_cast<int>(n);
  }
  if (j == "yes") return platform::kIdYes;
  if (j == "no") return platform::kIdNo;
  if (j == "fail") return 0;
  Fail("expected \"yes\", \"no\", \"fail\" or a number");
}

void ReadPrivilege(const Json& j, Scenario& s) {
  if (j == "granted") return;
  if (j == "not-granted") {
    s.privilegeAdjustError = platform::kNotAllAssigned;
  } else if (j == "unknown") {
    s.privilegeLookupWorks = false;
  } else {
    Fail("expected \"granted\", \"not-granted\" or \"unknown\"");
  }
}

template <class Read>
void ForEachMember(const Json& j, const char* key, const char* what, Read&& read) {
  if (!j.contains(key)) return;
  Under(key, [&] {
    ExpectObject(j[key], what);
    for (const auto& item : j[key].items()) Under(item.key(), [&] { read(item.key(), item.value()); });
  });
}

}  // namespace

void ReadMachine(const Json& j, Scenario& s) {
  if (j.contains("registry")) Under("registry", [&] { ReadRegistry(j["registry"], s); });
  // Only a key that is there can refuse anything: Windows answers 2 (not found) for one that is not.
  std::optional<machine::Registry> setUp;
  ForEachMember(j, "deny", "an object of keys and rights", [&](const std::string& key, const Json& value) {
    s.denied.emplace_back(Key(key), Rights(value));
    if (!setUp) setUp = SetUpRegistry(s);
    if (setUp->FindKey(machine::ResolveLinks(s.windows, s.denied.back().first)) == nullptr)
      Fail("the key is not on the scenario's machine (set it up in \"registry\"): Windows answers 2 (not "
           "found) for a key that is not there, so there is nothing to refuse");
  });
  ForEachMember(j, "volumes", "an object of drive roots", [&](const std::string& key, const Json& value) {
    Volume v = value.get<Volume>();
    v.root = VolumeRoot(FromUtf8(key));
    for (const Volume& given : s.volumes)
      if (SameVolume(given.root, v.root))
        Fail("the same volume as \"" + testkit::ToUtf8(given.root) + "\" for Windows, given twice");
    s.volumes.push_back(v);
  });
  if (j.contains("environment"))
    s.environment = Under("environment", [&] { return Texts(j["environment"], "an object of variables"); });
  if (j.contains("windowsFolder")) s.windowsFolder = Under("windowsFolder", [&] { return Text(j["windowsFolder"]); });
  // Windows takes paths that differ in separators, "." and ".." segments or letter case for one file.
  std::map<std::u16string, std::string, machine::NoCaseLess> files;
  ForEachMember(j, "files", "an object of file paths", [&](const std::string& key, const Json& value) {
    if (value != "readable" && value != "locked") Fail("expected \"readable\" or \"locked\"");
    const auto [named, fresh] = files.emplace(machine::NormalFilePath(FromUtf8(key)), key);
    if (!fresh) Fail("the same file as \"" + named->second + "\" for Windows, given twice");
    s.files.emplace_back(FromUtf8(key), value == "readable");
  });
  if (j.contains("clock")) s.clock = Get<LocalTime>(j, "clock");
  if (j.contains("messageAnswers")) {
    Under("messageAnswers", [&] {
      const Json& list = j["messageAnswers"];
      if (!list.is_array()) FailExpected(list, "a list of answers");
      for (size_t i = 0; i < list.size(); ++i) s.messageAnswers.push_back(Under(i, [&] { return Answer(list[i]); }));
    });
  }
  if (j.contains("shutdownPrivilege")) Under("shutdownPrivilege", [&] { ReadPrivilege(j["shutdownPrivilege"], s); });
}

std::unique_ptr<machine::SimulatedMachine> SimulatedMachineOf(const Scenario& s) {
  auto m = std::make_unique<machine::SimulatedMachine>();
  m->windows = s.windows;
  m->registry = SetUpRegistry(s);
  for (const auto& [key, rights] : s.denied) m->registry.CreateKey(machine::ResolveLinks(s.windows, key)).deniedAccess |= rights;
  for (const auto& [name, value] : s.environment)
    if (value) m->environment[name] = *value;
  for (const auto& [path, readable] : s.files) m->files[machine::NormalFilePath(path)] = machine::FileEntry{readable};
  for (const Volume& v : s.volumes) m->answers.volumes[v.root] = {v.freeBytes, v.fails};
  m->answers.windowsFolder = s.windowsFolder;
  m->answers.clock = s.clock;
  m->answers.privilegeLookupWorks = s.privilegeLookupWorks;
  m->answers.privilegeAdjustError = s.privilegeAdjustError;
  return m;
}

}  // namespace scenario
