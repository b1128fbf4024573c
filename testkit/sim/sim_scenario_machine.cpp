// The scenario machine on Linux: the simulated platform the libraries are linked against. Its
// records are the simulation's own, so nothing is copied between two forms.
#include "machine/sim/process.h"
#include "testkit/capture_scenario_machine.h"
#include "testkit/machine.h"

namespace testkit {
namespace {

class SimScenarioMachine : public ScenarioMachine {
 public:
  Result<> Reset(machine::Windows windows, const std::vector<std::u16string>& observed,
                 const std::vector<std::u16string>&, const std::vector<std::u16string>&) override {
    sim::Reset();
    sim::machine().windows = windows;
    keys_ = observed;
    return {};
  }

  void Attach(void*) override {}

  Result<> ApplyRegistry(const RegistryChange& change) override {
    sim::machine().registry.Apply(change, Own(change.key));
    return {};
  }
  Result<> DenyAccess(const std::u16string& key, std::uint32_t rights) override {
    sim::machine().registry.CreateKey(Own(key)).deniedAccess |= rights;
    return {};
  }
  Result<> SetEnvironment(const std::u16string& name, const std::optional<std::u16string>& value) override {
    if (value)
      sim::machine().environment[name] = *value;
    else
      sim::machine().environment.erase(name);
    return {};
  }
  Result<> AddFile(const std::u16string& path, bool readable) override {
    sim::machine().files[sim::NormalFilePath(path)] = machine::FileEntry{readable};
    return {};
  }
  RegistryState Registry() const override {
    RegistryState state;
    for (const std::u16string& key : keys_)
      if (const machine::RegKeyData* data = sim::machine().registry.FindKey(Own(key))) state[key] = data->values;
    return state;
  }
  machine::AnswerSheet& Answers() override { return sim::machine().answers; }
  const machine::AnswerSheet& Answers() const override { return sim::machine().answers; }
  int OpenHandles() const override { return sim::machine().openKeys + sim::machine().openTokens; }

 private:
  // The key a machine path names: the scenario's paths are the machine's own, as its registry
  // editor shows them, through the links that 64-bit Windows keeps.
  static std::u16string Own(const std::u16string& key) { return machine::ResolveLinks(sim::machine().windows, key); }

  std::vector<std::u16string> keys_;
};

}  // namespace

std::unique_ptr<ScenarioMachine> MakeScenarioMachine() { return std::make_unique<SimScenarioMachine>(); }

std::string PlatformName() { return "native x86"; }

BSTR MakeEngineString(std::u16string_view text) {
  return SysAllocStringLen(AsOle(text.data()), static_cast<UINT>(text.size()));
}

long LiveSystemStrings() { return sim::LiveSystemStrings(); }

Result<std::vector<std::string>> RecoverInterruptedRun(bool) { return std::vector<std::string>{}; }
bool InterruptedRunLeftJournal() { return false; }

// The native build runs on no real Windows machine.
std::unique_ptr<machine::RealMachineReader> MakeRealMachine() { return nullptr; }

long PauseSystemStringFailures() {
  const long countdown = sim::SystemStringFailureCountdown();
  sim::FailSystemStringAllocation(0);
  return countdown;
}

void ResumeSystemStringFailures(long countdown) { sim::FailSystemStringAllocation(countdown); }

bool InSystemWork() { return sim::InSystemWork(); }

}  // namespace testkit
