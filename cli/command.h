// The suitehost command as a library: the command line parsed and run, and the scenario of the
// `call` command built from its options, so that tests reach both without starting a process.
#pragma once

#include <string>
#include <vector>

#include "scenario/scenario.h"

namespace suitehost {

// Exit statuses.
constexpr int kAllHeld = 0;
constexpr int kExpectationFailed = 1;
constexpr int kCannotRun = 2;  // bad input: a file, an option or a command line that cannot run
constexpr int kOwnFault = 3;   // a fault of suitehost itself (or memory exhausted), said as such

// What `suitehost call LIBRARY ACTION ...` was given.
struct CallOptions {
  std::string library, action;
  std::string windows = "x86";  // x86 or x64: the Windows the machine runs
  std::vector<std::string> properties;  // NAME=VALUE
  std::vector<std::string> regFiles;
  std::vector<std::string> volumes;  // ROOT=SIZE
  std::vector<std::string> environment;  // NAME=VALUE
  std::vector<std::string> files;  // present and readable
  std::vector<std::string> answers;  // yes or no
  std::string save;  // a scenario file to write the call to; empty: none
};

// The one-step scenario of a `call`; the failure names the option that is wrong.
scenario::Result<scenario::Scenario> CallScenario(const CallOptions& options);

// Says the message on the error output as suitehost's; kCannotRun.
int Refuse(const std::string& message);

// Runs the command line; the exit status. Nothing thrown leaves it: what is thrown is said on the
// error output and ends the command with kOwnFault.
int RunCommand(int argc, char** argv);

}  // namespace suitehost
