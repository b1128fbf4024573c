// The machine of a capture.
#include "testkit/capture_scenario_machine.h"

#ifdef _WIN32
#include "testkit/win32/replacements.h"
#else
#include "machine/sim/process.h"
#endif

namespace testkit {

CaptureScenarioMachine::CaptureScenarioMachine(machine::RealMachineReader& real) : real_(real) {
#ifdef _WIN32
  own_ = std::make_unique<machine::SimulatedMachine>();
#endif
}

CaptureScenarioMachine::~CaptureScenarioMachine() { Model().source = nullptr; }

machine::SimulatedMachine& CaptureScenarioMachine::Model() const {
#ifdef _WIN32
  return *own_;
#else
  return sim::machine();
#endif
}

std::u16string CaptureScenarioMachine::Own(machine::Windows windows, const std::u16string& key) {
  return machine::ResolveLinks(windows, key);
}

Result<> CaptureScenarioMachine::Reset(machine::Windows windows, const std::vector<std::u16string>& observed,
                               const std::vector<std::u16string>&, const std::vector<std::u16string>&) {
  if (windows != real_.Kind())
    return Failure(std::string("this machine runs ") + machine::WindowsName(real_.Kind()) + " Windows, not " +
                   machine::WindowsName(windows));
  machine::SimulatedMachine& model = Model();
  model = machine::SimulatedMachine{};
  model.windows = windows;
  capture_ = std::make_unique<machine::Capture>(real_, model);
  model.source = capture_.get();
  keys_ = observed;
  return {};
}

void CaptureScenarioMachine::Attach(void* module) {
#ifdef _WIN32
  win32::TakeOverForCapture(static_cast<HMODULE>(module), Model());
#else
  (void)module;
#endif
}

Result<> CaptureScenarioMachine::ApplyRegistry(const RegistryChange&) { return Failure("a capture sets up no registry"); }
Result<> CaptureScenarioMachine::DenyAccess(const std::u16string&, std::uint32_t) {
  return Failure("a capture refuses no rights");
}
Result<> CaptureScenarioMachine::SetEnvironment(const std::u16string&, const std::optional<std::u16string>&) {
  return Failure("a capture sets no environment");
}
Result<> CaptureScenarioMachine::AddFile(const std::u16string&, bool) { return Failure("a capture places no files"); }

RegistryState CaptureScenarioMachine::Registry() const {
  RegistryState state;
  const machine::SimulatedMachine& model = Model();
  for (const std::u16string& key : keys_)
    if (const machine::RegKeyData* data = const_cast<machine::Registry&>(model.registry).FindKey(Own(model.windows, key)))
      state[key] = data->values;
  return state;
}

// What the actions read during a call was there before it.
void CaptureScenarioMachine::AddLearned(RegistryState& before) {
  const auto learned = capture_->TakeLearned();
  for (const std::u16string& key : keys_) {
    auto found = learned.find(Own(Model().windows, key));
    if (found == learned.end()) continue;
    RegistryValues& values = before[key];
    for (const auto& [name, value] : found->second) values.emplace(name, value);
  }
}

machine::AnswerSheet& CaptureScenarioMachine::Answers() { return Model().answers; }
const machine::AnswerSheet& CaptureScenarioMachine::Answers() const { return Model().answers; }
int CaptureScenarioMachine::OpenHandles() const { return Model().openKeys + Model().openTokens; }

}  // namespace testkit
