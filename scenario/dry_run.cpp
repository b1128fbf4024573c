// What a run would do, said without doing it.
#include "scenario/dry_run.h"

#include <set>
#include <sstream>

#include "caddon/caddon.h"
#include "machine/registry.h"
#include "machine/win32_names.h"
#include "ovrel/install_record.h"
#include "scenario/trace.h"
#include "testkit/journal.h"
#include "testkit/utf_text.h"

namespace scenario {
namespace {

// The keys the actions of both libraries read or write: every scenario starts with them as on a
// machine where nothing was installed, and the trace shows what the actions change in them.
const std::u16string kActionKeys[] = {
    machine::Registry::Under(platform::Hive::LocalMachine, kInstallRecordKey),
    machine::Registry::Under(platform::Hive::LocalMachine, kServerKey),
    machine::Registry::Under(platform::Hive::ClassesRoot, kProductKey),
    machine::Registry::Under(platform::Hive::LocalMachine, kSessionManagerKey),
};

using testkit::Quoted;

// A scenario key as the real machine names it: an x86 scenario on 64-bit Windows works in the
// 32-bit view, which the 32-bit suitehost.exe opens as its own (the x64 check build keeps every
// key where the scenario names it).
std::u16string OnMachine(const Scenario& s, const std::u16string& key, machine::Windows real) {
  if (s.machine.windows == machine::Windows::X86 && real == machine::Windows::X64 && sizeof(void*) == 4)
    return machine::KeyInView(machine::Windows::X64, key, 0);
  return machine::ResolveLinks(s.machine.windows, key);
}

std::string KeyNow(machine::RealMachineReader& real, const std::u16string& key) {
  switch (real.OpenStatus(key, platform::kKeyRead)) {
    case platform::kSuccess: return "there now";
    case platform::kFileNotFound: return "not there now";
    case platform::kAccessDenied: return "there now, and refuses reading";
    default: return "cannot be read now";
  }
}

std::string ValueNow(machine::RealMachineReader& real, const std::u16string& key, const std::u16string& name) {
  std::optional<RegValue> value;
  real.ReadValue(key, name, &value);
  return value ? "now " + DescribeValue(*value, Length::Line) : "not there now";
}

std::string FileNow(machine::RealMachineReader& real, const std::u16string& path) {
  return real.File(path) == machine::FileState::Absent ? "not there now (removed afterwards)"
                                                       : "there now (its bytes are recorded and put back)";
}

bool IsProgram(const std::u16string& path) {
  return path.size() > 4 && machine::NoCaseLess::Same(path.substr(path.size() - 4), u".EXE");
}

}  // namespace

// The keys the scenario sets up or refuses rights on, and those of the actions (where the
// machine's registry holds them: in the 32-bit view on 64-bit Windows), each once.
std::vector<std::u16string> ChangedKeys(const Scenario& s) {
  std::set<std::u16string, testkit::NoCaseLess> keys;
  for (const std::u16string& key : kActionKeys) keys.insert(machine::KeyInView(s.machine.windows, key, 0));
  for (const RegistryChange& change : s.machine.registry) keys.insert(change.key);
  for (const auto& [key, rights] : s.machine.denied) keys.insert(key);
  return std::vector<std::u16string>(keys.begin(), keys.end());
}

// Those, and the keys the scenario only looks at.
std::vector<std::u16string> ObservedKeys(const Scenario& s) {
  std::vector<std::u16string> keys = ChangedKeys(s);
  std::set<std::u16string, testkit::NoCaseLess> seen(keys.begin(), keys.end());
  for (const Step& step : s.steps)
    for (const RegistryExpectation& r : step.expect.registry)
      if (seen.insert(r.key).second) keys.push_back(r.key);
  return keys;
}


void WritePlan(std::ostream& out, const Scenario& s, machine::RealMachineReader& real) {
  const machine::Windows windows = real.Kind();
  out << s.file << ": dry run on " << machine::WindowsName(windows) << " Windows; nothing is changed\n";
  if (s.machine.windows == machine::Windows::X64 && windows == machine::Windows::X86) {
    out << "  the run stops at its set-up and changes nothing: its machine runs 64-bit Windows, this one 32-bit\n";
    return;
  }
  out << "  first: what is recorded is written to the journal %TEMP%\\suitehost-journal.json\n";
  const std::vector<std::u16string> changed = ChangedKeys(s);
  for (const std::u16string& key : changed) {
    const std::u16string own = OnMachine(s, key, windows);
    const bool system = testkit::IsSystemKey(own);
    out << (system ? "  record the values of " : "  record, clear and put back ") << ShowKey(own)
        << (system ? " (a system key: its values are put back, the key stays)" : "") << ": " << KeyNow(real, own)
        << "\n";
  }
  std::set<std::u16string, machine::NoCaseLess> seen(changed.begin(), changed.end());
  for (const std::u16string& key : ObservedKeys(s))
    if (seen.count(key) == 0) out << "  look at " << ShowKey(OnMachine(s, key, windows)) << " (never changed): " << KeyNow(real, OnMachine(s, key, windows)) << "\n";
  for (const RegistryChange& change : s.machine.registry) {
    const std::u16string own = OnMachine(s, change.key, windows);
    switch (change.kind) {
      case RegistryChange::Kind::SetValue:
        out << "  set up " << ShowKey(own) << " " << ShowValueName(change.name) << " = "
            << DescribeValue(change.value, Length::Line) << ": " << ValueNow(real, own, change.name) << "\n";
        break;
      case RegistryChange::Kind::CreateKey: out << "  create " << ShowKey(own) << ": " << KeyNow(real, own) << "\n"; break;
      case RegistryChange::Kind::DeleteKey: out << "  delete " << ShowKey(own) << ": " << KeyNow(real, own) << "\n"; break;
      case RegistryChange::Kind::DeleteValue:
        out << "  delete " << ShowKey(own) << " " << ShowValueName(change.name) << ": " << ValueNow(real, own, change.name)
            << "\n";
        break;
    }
  }
  for (const auto& [key, rights] : s.machine.denied)
    out << "  refuse rights " << machine::names::KeyRights(rights) << " on " << ShowKey(OnMachine(s, key, windows))
        << " for the run (its own rights are recorded and given back)\n";
  std::set<std::u16string, machine::NoCaseLess> folders;
  for (const auto& [path, readable] : s.machine.files) {
    for (size_t at = path.find(u'\\', 3); at != std::u16string::npos; at = path.find(u'\\', at + 1)) {
      const std::u16string folder = path.substr(0, at);
      if (folders.insert(folder).second && real.File(folder) == machine::FileState::Absent)
        out << "  create the folder " << Quoted(folder) << ": not there now (removed afterwards)\n";
    }
    out << "  place " << Quoted(path) << (IsProgram(path) ? " (the start recorder)" : " (an empty file)")
        << (readable ? "" : ", held locked") << ": " << FileNow(real, path) << "\n";
  }
  for (const auto& [name, value] : s.machine.environment) {
    const std::optional<std::u16string> now = real.Environment(name);
    out << "  set the variable " << testkit::ToUtf8(name) << " = " << Show(value)
        << " in suitehost's own process: " << (now ? "now " + Quoted(*now) : std::string("not set now")) << "\n";
  }
  out << "  last: everything above is put back as it is now, and the journal removed\n";
}

std::string StepTitle(const Scenario& s, size_t index) {
  const Step& step = s.steps[index];
  return "step " + std::to_string(index + 1) + " (" +
         (step.kind == Step::Kind::Call ? "call " + step.action : step.kind == Step::Kind::Set ? "set" : "expect") + ")";
}

std::string Holdings(const Scenario& s, const testkit::ScenarioMachine& m) {
  std::ostringstream out;
  const testkit::RegistryState registry = m.Registry();
  for (const std::u16string& key : ObservedKeys(s)) {
    auto found = registry.find(key);
    if (found == registry.end()) {
      out << "    " << ShowKey(key) << " is not there\n";
      continue;
    }
    if (found->second.empty()) out << "    " << ShowKey(key) << " with no values\n";
    for (const auto& [name, value] : found->second)
      out << "    " << ShowKey(key) << " " << ShowValueName(name) << " = " << DescribeValue(value, Length::Line) << "\n";
  }
  for (const auto& [key, rights] : s.machine.denied) out << "    " << ShowKey(key) << " refuses " << machine::names::KeyRights(rights) << "\n";
  for (const auto& [path, readable] : s.machine.files) out << "    file " << Quoted(path) << (readable ? " readable" : " locked") << "\n";
  for (const auto& [name, value] : s.machine.environment) out << "    variable " << testkit::ToUtf8(name) << " = " << Show(value) << "\n";
  const machine::AnswerSheet& sheet = m.Answers();
  for (const auto& [root, volume] : sheet.volumes)
    out << "    volume " << Quoted(root) << (volume.fails ? " fails" : " " + std::to_string(volume.callerFreeBytes) + " bytes free") << "\n";
  if (sheet.windowsFolder) out << "    Windows folder " << Quoted(*sheet.windowsFolder) << "\n";
  if (!sheet.messageAnswers.empty()) {
    out << "    message box answers left:";
    for (int answer : sheet.messageAnswers) out << " " << (answer == platform::kIdYes ? "yes" : answer == platform::kIdNo ? "no" : std::to_string(answer));
    out << "\n";
  }
  return out.str();
}

}  // namespace scenario
