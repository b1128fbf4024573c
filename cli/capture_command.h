// `suitehost capture`: the actions run against the machine suitehost runs on, which they read and
// never change, and what they read and did is written as a scenario that reproduces the machine
// for them.
#pragma once

#include <string>
#include <vector>

namespace suitehost {

struct CaptureOptions {
  std::string from;                     // a template scenario: its engine part and steps
  std::vector<std::string> words;       // or LIBRARY ACTION...
  std::vector<std::string> properties;  // NAME=VALUE, over the template's
  std::vector<std::string> answers;     // yes or no, for the message boxes in turn
  std::string out;                      // the scenario file to write
  bool nameMachine = false;             // say the machine's name in the file
  std::string machine;                  // a scenario whose machine stands for the real one
  std::string commandLine;              // as it was given, for the report
};

// The file's description says the command with its files by their names alone.
int Capture(const CaptureOptions& options, const std::string& libraryFolder);

}  // namespace suitehost
