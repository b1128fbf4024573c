// The machine of a capture, as the engine stand-in sees it: the actions run on a simulated machine
// that learns a real one as they read it (on Windows the real machine itself; natively a machine
// standing for one), and nothing they change reaches the real machine.
#pragma once

#include <memory>

#include "machine/capture.h"
#include "testkit/machine.h"

namespace testkit {

class CaptureScenarioMachine : public ScenarioMachine {
 public:
  explicit CaptureScenarioMachine(machine::RealMachineReader& real);
  ~CaptureScenarioMachine() override;

  Result<> Reset(machine::Windows windows, const std::vector<std::u16string>& observed,
                 const std::vector<std::u16string>& changed, const std::vector<std::u16string>& files) override;
  void Attach(void* module) override;
  // A capture takes the machine as it is: it sets nothing up.
  Result<> ApplyRegistry(const RegistryChange& change) override;
  Result<> DenyAccess(const std::u16string& key, std::uint32_t rights) override;
  Result<> SetEnvironment(const std::u16string& name, const std::optional<std::u16string>& value) override;
  Result<> AddFile(const std::u16string& path, bool readable) override;
  RegistryState Registry() const override;
  void AddLearned(RegistryState& before) override;
  machine::AnswerSheet& Answers() override;
  const machine::AnswerSheet& Answers() const override;
  int OpenHandles() const override;

  // What the actions read of the real machine.
  const machine::CapturedMachine& captured() const { return capture_->captured(); }

 private:
  machine::SimulatedMachine& Model() const;
  static std::u16string Own(machine::Windows windows, const std::u16string& key);

  machine::RealMachineReader& real_;
  std::unique_ptr<machine::SimulatedMachine> own_;  // the model on Windows; natively the process's
  std::unique_ptr<machine::Capture> capture_;
  std::vector<std::u16string> keys_;
};

// The machine this program runs on, read only; null where there is none (the native build).
std::unique_ptr<machine::RealMachineReader> MakeRealMachine();

}  // namespace testkit
