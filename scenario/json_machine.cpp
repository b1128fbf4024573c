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
      Result<std::vector<RegistryChange>> changes = ReadRegFile(file, s.machine.windows, &s.notes);
      if (!changes) Fail(changes.error());
      s.machine.registry.insert(s.machine.registry.end(), changes->begin(), changes->end());
    });
  }
}

void ReadKeyValues(const std::u16string& key, const Json& values, Scenario& s) {
  if (values.is_null()) return s.machine.registry.push_back({RegistryChange::Kind::DeleteKey, key, u"", {}});
  if (!values.is_object()) FailExpected(values, "an object of values, or null to delete the key");
  s.machine.registry.push_back({RegistryChange::Kind::CreateKey, key, u"", {}});
  for (const auto& v : values.items()) {
    const std::u16string name = v.key() == "@" ? u"" : FromUtf8(v.key());
    if (v.value().is_null())
      s.machine.registry.push_back({RegistryChange::Kind::DeleteValue, key, name, {}});
    else
      s.machine.registry.push_back({RegistryChange::Kind::SetValue, key, name, Get<RegValue>(values, v.key())});
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
    s.machine.privilegeAdjustError = platform::kNotAllAssigned;
  } else if (j == "unknown") {
    s.machine.privilegeLookupWorks = false;
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
  std::unique_ptr<machine::SimulatedMachine> setUp;
  ForEachMember(j, "deny", "an object of keys and rights", [&](const std::string& key, const Json& value) {
    const std::u16string path = Key(key);
    const std::uint32_t rights = Rights(value);
    if (!setUp) setUp = SimulatedMachineOf(s.machine);
    if (setUp->registry.FindKey(machine::ResolveLinks(s.machine.windows, path)) == nullptr)
      Fail("the key is not on the scenario's machine (set it up in \"registry\"): Windows answers 2 (not "
           "found) for a key that is not there, so there is nothing to refuse");
    s.machine.denied.emplace_back(path, rights);
  });
  ForEachMember(j, "volumes", "an object of drive roots", [&](const std::string& key, const Json& value) {
    const std::u16string root = VolumeRoot(FromUtf8(key));
    for (const auto& [given, volume] : s.machine.volumes)
      if (SameVolume(given, root))
        Fail("the same volume as \"" + testkit::ToUtf8(given) + "\" for Windows, given twice");
    s.machine.volumes.emplace_back(root, ReadVolume(value));
  });
  if (j.contains("environment"))
    s.machine.environment = Under("environment", [&] { return Texts(j["environment"], "an object of variables"); });
  if (j.contains("windowsFolder")) s.machine.windowsFolder = Under("windowsFolder", [&] { return Text(j["windowsFolder"]); });
  // Windows takes paths that differ in separators, "." and ".." segments or letter case for one file.
  std::map<std::u16string, std::string, machine::NoCaseLess> files;
  ForEachMember(j, "files", "an object of file paths", [&](const std::string& key, const Json& value) {
    if (value != "readable" && value != "locked") Fail("expected \"readable\" or \"locked\"");
    const auto [named, fresh] = files.emplace(machine::NormalFilePath(FromUtf8(key)), key);
    if (!fresh) Fail("the same file as \"" + named->second + "\" for Windows, given twice");
    s.machine.files.emplace_back(FromUtf8(key), value == "readable");
  });
  if (j.contains("clock")) s.machine.clock = Get<LocalTime>(j, "clock");
  if (j.contains("messageAnswers")) {
    Under("messageAnswers", [&] {
      const Json& list = j["messageAnswers"];
      if (!list.is_array()) FailExpected(list, "a list of answers");
      for (size_t i = 0; i < list.size(); ++i) s.machine.messageAnswers.push_back(Under(i, [&] { return Answer(list[i]); }));
    });
  }
  if (j.contains("shutdownPrivilege")) Under("shutdownPrivilege", [&] { ReadPrivilege(j["shutdownPrivilege"], s); });
}

}  // namespace scenario
