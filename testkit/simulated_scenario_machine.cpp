// The scenario machine over a simulated machine.
#include "testkit/simulated_scenario_machine.h"

#include "machine/file_path.h"

namespace testkit {

Result<> SimulatedScenarioMachine::Reset(machine::Windows windows, const std::vector<std::u16string>& observed,
                                         const std::vector<std::u16string>&, const std::vector<std::u16string>&) {
  m_ = machine::SimulatedMachine{};
  m_.registry.CreateWindowsKeys();
  m_.windows = windows;
  keys_ = observed;
  return {};
}

Result<> SimulatedScenarioMachine::ApplyRegistry(const RegistryChange& change) {
  m_.registry.Apply(change, Own(change.key));
  return {};
}

Result<> SimulatedScenarioMachine::DenyAccess(const std::u16string& key, std::uint32_t rights) {
  m_.registry.CreateKey(Own(key)).deniedAccess |= rights;
  return {};
}

Result<> SimulatedScenarioMachine::SetEnvironment(const std::u16string& name, const std::optional<std::u16string>& value) {
  if (value)
    m_.environment[name] = *value;
  else
    m_.environment.erase(name);
  return {};
}

Result<> SimulatedScenarioMachine::AddFile(const std::u16string& path, bool readable) {
  m_.files[machine::NormalFilePath(path)] = machine::FileEntry{readable};
  return {};
}

RegistryState SimulatedScenarioMachine::Registry() const {
  RegistryState state;
  for (const std::u16string& key : keys_)
    if (const machine::RegKeyData* data = m_.registry.FindKey(Own(key))) state[key] = data->values;
  return state;
}

}  // namespace testkit
