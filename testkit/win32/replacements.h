// What the replaced imports of a taken-over action library answer from the scenario's answer
// sheet, and what they record on it and count: open keys and tokens, started processes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "machine/answers.h"
#include "machine/simulated.h"

namespace testkit::win32 {

struct Answers {
  // What the scenario's machine answers and what the library asked of it, as on the simulated
  // machine.
  machine::AnswerSheet sheet;
  // A 64-bit library standing in for the 32-bit one on 64-bit Windows: its opens go to the 32-bit
  // view, as WOW64 sends a 32-bit program's (only in the x64 check build).
  bool asWow64 = false;
  std::vector<bool> startsSucceeded;  // what the shell answered for each start
  // The processes those starts made: a program still running holds its file and its working
  // folder, which cannot be put back until it has ended.
  std::vector<HANDLE> processes;
  // Open keys: the name the library gave each, and where it landed when the redirector moved it.
  struct OpenKey {
    std::u16string named;
    std::u16string landed;
  };
  std::map<HKEY, OpenKey> keys;
  std::set<HANDLE> tokens;
};

// The one set of answers the replacements read on every call, so that a library taken over once
// follows each scenario that runs after.
Answers& answers();

// Rewrites the module's import table so that its calls reach the replacements.
void TakeOver(HMODULE module);
// The same for a capture: every call on the system is answered by `model`, which learns the real
// machine as the library reads it (its source), and nothing reaches the real machine.
void TakeOverForCapture(HMODULE module, machine::SimulatedMachine& model);

// A local time as the C runtime's calendar time.
__time64_t ScenarioTime(const machine::LocalTime& local);

}  // namespace testkit::win32
