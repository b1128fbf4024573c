// Runs scenarios: sets up the machine and the engine, calls the actions of the loaded library
// as the engine does, and checks what must hold after each step.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scenario/scenario.h"
#include "scenario/scenario_report.h"

namespace scenario {

class Runner {
 public:
  explicit Runner(std::string libraryFolder);
  // Runs on the machine given rather than this system's scenario machine.
  Runner(std::string libraryFolder, std::unique_ptr<testkit::ScenarioMachine> machine);
  ~Runner();
  // Loads the scenario file, its library and every action it calls; the failure names the file
  // and the place when it cannot run.
  Result<> Prepare(const std::string& file);
  // The same for a scenario made in memory.
  Result<> Prepare(Scenario scenario);
  // Called before each step with the scenario, the step's index and the machine as it is then.
  using StepWatcher = std::function<void(const Scenario&, size_t, const testkit::ScenarioMachine&)>;
  void WatchSteps(StepWatcher watcher);
  // Called with each scenario's report as soon as it has run.
  using FinishWatcher = std::function<void(const ScenarioReport&)>;
  void WatchFinished(FinishWatcher watcher);
  // Runs every prepared scenario in order.
  std::vector<ScenarioReport> RunAll();
  // The files of the libraries loaded so far, in the order of their paths.
  std::vector<std::string> LibraryPaths() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace scenario
