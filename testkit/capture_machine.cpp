// The machine of a capture.
#include "testkit/capture_machine.h"

#ifdef _WIN32
#include "testkit/win32/replacements.h"
#else
#include "platform/sim/sim.h"
#endif

namespace testkit {

CaptureMachine::CaptureMachine(machine::RealMachine& real) : real_(real) {
#ifdef _WIN32
  own_ = std::make_unique<machine::SimulatedMachine>();
#endif
}

CaptureMachine::~CaptureMachine() { Model().source = nullptr; }

machine::SimulatedMachine& CaptureMachine::Model() const {
#ifdef _WIN32
  return *own_;
#else
  return sim::machine();
#endif
}

std::u16string CaptureMachine::Own(machine::Windows windows, const std::u16string& key) {
  return machine::ResolveLinks(windows, key);
}

Result<> CaptureMachine::Reset(machine::Windows windows, const std::vector<std::u16string>& observed,
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

void CaptureMachine::Attach(void* module) {
#ifdef _WIN32
  win32::TakeOverForCapture(static_cast<HMODULE>(module), Model());
#else
  (void)module;
#endif
}

Result<> CaptureMachine::ApplyRegistry(const RegistryChange&) { return Failure("a capture sets up no registry"); }
Result<> CaptureMachine::DenyAccess(const std::u16string&, std::uint32_t) {
  return Failure("a capture refuses no rights");
}
Result<> CaptureMachine::SetEnvironment(const std::u16string&, const std::optional<std::u16string>&) {
  return Failure("a capture sets no environment");
}
Result<> CaptureMachine::AddFile(const std::u16string&, bool) { return Failure("a capture places no files"); }

RegistryState CaptureMachine::Registry() const {
  RegistryState state;
  const machine::SimulatedMachine& model = Model();
  for (const std::u16string& key : keys_)
    if (const machine::RegKeyData* data = const_cast<machine::Registry&>(model.registry).FindKey(Own(model.windows, key)))
      state[key] = data->values;
  return state;
}

// What the actions read during a call was there before it.
void CaptureMachine::AddLearned(RegistryState& before) {
  const auto learned = capture_->TakeLearned();
  for (const std::u16string& key : keys_) {
    auto found = learned.find(Own(Model().windows, key));
    if (found == learned.end()) continue;
    RegistryValues& values = before[key];
    for (const auto& [name, value] : found->second) values.emplace(name, value);
  }
}

machine::AnswerSheet& CaptureMachine::Answers() { return Model().answers; }
const machine::AnswerSheet& CaptureMachine::Answers() const { return Model().answers; }
int CaptureMachine::OpenHandles() const { return Model().openKeys + Model().openTokens; }

}  // namespace testkit
