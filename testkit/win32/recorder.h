// The start recorder's protocol: a program that a scenario places is a copy of
// start_recorder.exe, which writes the folder and parameters it was really started with to
// PROGRAM.started; the machine compares that with the start the action asked for.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "testkit/machine.h"

namespace testkit::win32 {

class StartRecorder {
 public:
  // Places the recorder at `path` (whose folders exist).
  Result<> Place(const std::u16string& path);
  // Each start of a placed program that the shell reported as started must show up in its report,
  // with the command line and folder it was given; the problems found, for the starts from
  // `checked` on. A start the shell refused is not waited for.
  std::vector<std::string> Check(const std::vector<ShellStart>& starts, const std::vector<bool>& succeeded,
                                 size_t& checked);
  // Forgets the placed programs and removes their reports.
  void Clear();

 private:
  std::set<std::u16string, NoCaseLess> programs_;
};

}  // namespace testkit::win32
