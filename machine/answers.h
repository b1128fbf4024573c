// What a scenario's machine answers where the actions ask it, and what they asked of it: one
// sheet, read and written by the simulated platform and by the Windows stand-in's replaced
// imports alike.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "machine/journal.h"
#include "machine/records.h"

namespace machine {

struct Volume {
  std::uint64_t callerFreeBytes = 0;
  bool fails = false;  // the query for this root fails (an inaccessible drive)
};

struct AnswerSheet {
  // Drive roots ("C:\") to their figures; a root not listed fails with path-not-found.
  std::map<std::u16string, Volume, NoCaseLess> volumes;
  // The Windows folder: unset, the machine's own; empty, the system cannot tell.
  std::optional<std::u16string> windowsFolder;
  // A fixed local time; unset means the real clock.
  std::optional<LocalTime> clock;
  // Answers given to message boxes in turn; with none left a box fails and returns 0.
  std::deque<int> messageAnswers;
  bool privilegeLookupWorks = true;
  std::uint32_t privilegeAdjustError = 0;  // 0, or 1300 for a user without the privilege

  // What the actions asked, in order.
  std::vector<MessageShown> messagesShown;
  std::vector<ShellStart> programsStarted;
  std::vector<ShutdownRequest> restarts;
  // Every call on the system, and the calls on the engine of a session that shares the journal,
  // in the order they were made.
  EventJournal journal;

  // The volume holding `root`, or null when the query for it fails. "C:" names the current
  // folder of drive C, which lies on the same volume.
  const Volume* VolumeOf(const std::u16string& root) const {
    auto found = volumes.find(root);
    if (found == volumes.end() && root.size() == 2 && root[1] == u':') found = volumes.find(root + u"\\");
    return found == volumes.end() || found->second.fails ? nullptr : &found->second;
  }

  // The answer to the box, the next one given (0 when none is left); the box is recorded.
  int Answer(MessageShown box) {
    box.answer = 0;
    if (!messageAnswers.empty()) {
      box.answer = messageAnswers.front();
      messageAnswers.pop_front();
    }
    messagesShown.push_back(box);
    return box.answer;
  }
};

}  // namespace machine
