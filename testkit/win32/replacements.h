// What the replaced imports of a taken-over action library answer from the scenario, and what
// they record and count: message boxes, restart requests, program starts, free-space figures,
// the Windows folder, the clock, the privilege outcome, open keys and tokens.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/records.h"

namespace testkit::win32 {

struct Answers {
  std::map<std::u16string, std::pair<std::uint64_t, bool>, platform::NoCaseLess> volumes;  // free, fails
  std::optional<std::u16string> windowsFolder;
  std::optional<__time64_t> clock;
  std::deque<int> messageAnswers;
  bool privilegeLookupWorks = true;
  // A 64-bit library standing in for the 32-bit one on 64-bit Windows: its opens go to the 32-bit
  // view, as WOW64 sends a 32-bit program's (only in the x64 check build).
  bool asWow64 = false;
  DWORD privilegeAdjustError = 0;

  std::vector<platform::MessageShown> messages;
  std::vector<platform::ShutdownRequest> restarts;
  std::vector<platform::ShellStart> starts;
  std::vector<bool> startsSucceeded;  // what the shell answered for each start
  // The processes those starts made: a program still running holds its file and its working
  // folder, which cannot be put back until it has ended.
  std::vector<HANDLE> processes;
  std::vector<platform::SystemCall> calls;  // every call the library made on the system
  std::map<HKEY, std::u16string> keys;       // open keys, by the name the library gave them
  std::set<HANDLE> tokens;
};

// The one set of answers the replacements read on every call, so that a library taken over once
// follows each scenario that runs after.
Answers& answers();

// Rewrites the module's import table so that its calls reach the replacements.
void TakeOver(HMODULE module);

}  // namespace testkit::win32
