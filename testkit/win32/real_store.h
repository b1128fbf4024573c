// The real registry under HKEY_LOCAL_MACHINE and the real files, as the journal records and
// restores them, and the journal file under the user's temporary folder.
#pragma once

#include <memory>
#include <string>

#include "testkit/journal.h"

namespace testkit::win32 {

std::unique_ptr<Store> MakeRealStore();

// %TEMP%\suitehost-journal.json
std::u16string JournalPath();
// Writes the journal file, completely, before the first change.
Result<> WriteJournal(const Journal& journal);
// Puts back what the journal file records and removes the file; nothing to do without one.
Result<std::vector<std::string>> RestoreFromJournalFile(bool dryRun);

}  // namespace testkit::win32
