// A scenario machine over a simulated machine: natively the one the libraries are linked against;
// on any platform, a machine that stands for a real one.
#pragma once

#include <string>
#include <vector>

#include "machine/simulated.h"
#include "testkit/machine.h"

namespace testkit {

class SimulatedScenarioMachine : public ScenarioMachine {
 public:
  explicit SimulatedScenarioMachine(machine::SimulatedMachine& m) : m_(m) {}

  // A machine with what every Windows has, and nothing else.
  Result<> Reset(machine::Windows windows, const std::vector<std::u16string>& observed,
                 const std::vector<std::u16string>& changed, const std::vector<std::u16string>& files) override;
  void Attach(void*) override {}
  Result<> ApplyRegistry(const RegistryChange& change) override;
  Result<> DenyAccess(const std::u16string& key, std::uint32_t rights) override;
  Result<> SetEnvironment(const std::u16string& name, const std::optional<std::u16string>& value) override;
  Result<> AddFile(const std::u16string& path, bool readable) override;
  RegistryState Registry() const override;
  machine::AnswerSheet& Answers() override { return m_.answers; }
  const machine::AnswerSheet& Answers() const override { return m_.answers; }
  int OpenHandles() const override { return m_.openKeys + m_.openTokens; }

 private:
  // The key a machine path names: the scenario's paths are the machine's own, as its registry
  // editor shows them, through the links that 64-bit Windows keeps.
  std::u16string Own(const std::u16string& key) const { return machine::ResolveLinks(m_.windows, key); }

  machine::SimulatedMachine& m_;
  std::vector<std::u16string> keys_;
};

}  // namespace testkit
