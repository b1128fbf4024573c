// The scenario machine on Linux: the simulated platform the libraries are linked against.
#include "host/machine.h"
#include "platform/sim/sim.h"

namespace host {
namespace {

sim::RegValue ToSim(const RegValue& value) { return sim::RegValue{value.type, value.data}; }

class SimMachine : public Machine {
 public:
  void Reset(const std::vector<std::u16string>& keys) override {
    sim::Reset();
    keys_ = keys;
  }

  void Attach(void*) override {}

  void ApplyRegistry(const RegistryChange& change) override {
    sim::Registry& registry = sim::machine().registry;
    const std::u16string key = change.key;
    switch (change.kind) {
      case RegistryChange::Kind::SetValue:
        registry.SetValue(key, change.name, ToSim(change.value));
        break;
      case RegistryChange::Kind::DeleteValue:
        if (sim::RegKeyData* data = registry.FindKey(key)) data->values.erase(change.name);
        break;
      case RegistryChange::Kind::CreateKey:
        registry.CreateKey(key);
        break;
      case RegistryChange::Kind::DeleteKey:
        registry.DeleteKey(key);
        break;
    }
  }
  void DenyAccess(const std::u16string& key, std::uint32_t rights) override {
    sim::machine().registry.CreateKey(key).deniedAccess |= rights;
  }
  RegistryState Registry() const override {
    RegistryState state;
    for (const std::u16string& key : keys_) {
      const sim::RegKeyData* data = sim::machine().registry.FindKey(key);
      if (data == nullptr) continue;
      auto& values = state[key];
      for (const auto& [name, value] : data->values) values[name] = RegValue{value.type, value.data};
    }
    return state;
  }

  void SetVolume(const std::u16string& root, std::uint64_t bytes, bool fails) override {
    sim::machine().volumes[root] = sim::Volume{bytes, fails};
  }
  void SetEnvironment(const std::u16string& name, const std::optional<std::u16string>& value) override {
    if (value)
      sim::machine().environment[name] = *value;
    else
      sim::machine().environment.erase(name);
  }
  void SetWindowsFolder(const std::u16string& folder) override { sim::machine().windowsFolder = folder; }
  void AddFile(const std::u16string& path, bool readable) override {
    sim::machine().files[sim::NormalFilePath(path)] = sim::FileEntry{readable};
  }
  void SetClock(const LocalClock& c) override {
    sim::machine().clock = platform::LocalTime{c.year, c.month, c.day, c.hour, c.minute, c.second};
  }
  void QueueMessageAnswer(int answer) override { sim::machine().messageAnswers.push_back(answer); }
  void SetShutdownPrivilege(bool lookupWorks, std::uint32_t adjustError) override {
    sim::machine().privilegeLookupWorks = lookupWorks;
    sim::machine().privilegeAdjustError = adjustError;
  }

  std::vector<ProgramStart> ProgramsStarted() const override {
    std::vector<ProgramStart> starts;
    for (const platform::ShellStart& s : sim::machine().programsStarted)
      starts.push_back({s.file, s.parameters, s.directory, s.verb, s.mask, s.show});
    return starts;
  }
  std::vector<MessageBoxShown> MessagesShown() const override {
    std::vector<MessageBoxShown> shown;
    for (const sim::MessageShown& m : sim::machine().messagesShown)
      shown.push_back({m.text, m.caption, m.style, m.answer});
    return shown;
  }
  std::vector<RestartRequest> RestartsRequested() const override {
    std::vector<RestartRequest> requests;
    for (const sim::ShutdownRequest& r : sim::machine().shutdownRequests)
      requests.push_back({r.flags, r.reason});
    return requests;
  }
  int OpenHandles() const override { return sim::machine().openKeys + sim::machine().openTokens; }
  long LiveSystemStrings() const override { return sim::LiveSystemStrings(); }

 private:
  std::vector<std::u16string> keys_;
};

}  // namespace

std::unique_ptr<Machine> MakeMachine() { return std::make_unique<SimMachine>(); }

}  // namespace host
