// The record that a machine on a real system keeps before a scenario changes it, and putting
// everything back from it, also from its journal text after a run that was killed.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "testkit/journal.h"
#include "testkit/utf_text.h"

namespace {

using testkit::Journal;
using testkit::KeyTree;
using testkit::NoCaseLess;
using testkit::RegValue;
using testkit::Result;

// A registry and file system in memory: keys by full path, each with its values and security.
class MemoryStore : public testkit::Store {
 public:
  struct Key {
    std::vector<std::pair<std::u16string, RegValue>> values;
    std::vector<std::uint8_t> security;
  };
  std::map<std::u16string, Key, NoCaseLess> keys;
  std::map<std::u16string, std::string, NoCaseLess> files;
  std::set<std::u16string, NoCaseLess> folders;
  std::set<std::u16string, NoCaseLess> failingFiles;  // writes to these fail
  std::set<std::u16string, NoCaseLess> unreadable;    // keys and files that cannot be read
  std::map<std::u16string, std::uint64_t, NoCaseLess> written;  // when each file was last written
  std::uint64_t now = 1000;

  bool operator==(const MemoryStore& o) const {
    if (keys.size() != o.keys.size() || files != o.files || folders != o.folders || written != o.written) return false;
    for (auto a = keys.begin(), b = o.keys.begin(); a != keys.end(); ++a, ++b)
      if (a->first != b->first || a->second.values != b->second.values || a->second.security != b->second.security)
        return false;
    return true;
  }

  bool KeyExists(const std::u16string& path) override { return keys.count(path) != 0; }
  std::optional<KeyTree> ReadTree(const std::u16string& path) override {
    auto found = keys.find(path);
    if (found == keys.end() || unreadable.count(path) != 0) return std::nullopt;
    KeyTree tree{found->first.substr(found->first.find_last_of(u'\\') + 1), found->second.values, found->second.security, {}};
    for (const auto& [child, key] : keys) {
      if (!IsChild(path, child)) continue;
      std::optional<KeyTree> sub = ReadTree(child);
      if (!sub) return std::nullopt;  // a part that cannot be read spoils the whole
      tree.subkeys.push_back(*sub);
    }
    return tree;
  }
  std::optional<KeyTree> ReadValues(const std::u16string& path) override {
    auto found = keys.find(path);
    if (found == keys.end()) return std::nullopt;
    return KeyTree{u"", found->second.values, {}, {}};
  }
  Result<> DeleteTree(const std::u16string& path) override {
    for (auto it = keys.begin(); it != keys.end();)
      it = NoCaseLess::Same(it->first, path) || Below(path, it->first) ? keys.erase(it) : std::next(it);
    return {};
  }
  Result<> WriteTree(const std::u16string& path, const KeyTree& tree) override {
    for (size_t at = path.find(u'\\', path.find(u'\\') + 1); at != std::u16string::npos; at = path.find(u'\\', at + 1))
      keys.try_emplace(path.substr(0, at));
    keys[path] = Key{tree.values, tree.security};
    for (const KeyTree& sub : tree.subkeys)
      if (Result<> done = WriteTree(path + u"\\" + sub.name, sub); !done) return done;
    return {};
  }
  Result<> WriteValues(const std::u16string& path, const KeyTree& values) override {
    keys[path].values = values.values;
    return {};
  }
  bool FileExists(const std::u16string& path) override { return files.count(path) != 0; }
  std::optional<std::string> ReadFile(const std::u16string& path) override {
    if (unreadable.count(path) != 0) return std::nullopt;
    auto found = files.find(path);
    if (found == files.end()) return std::nullopt;
    return found->second;
  }
  Result<> WriteFile(const std::u16string& path, const std::string& bytes) override {
    if (failingFiles.count(path) != 0) return testkit::Failure("cannot write " + testkit::ToUtf8(path));
    files[path] = bytes;
    written[path] = ++now;
    return {};
  }
  Result<> RemoveFile(const std::u16string& path) override {
    files.erase(path);
    written.erase(path);
    return {};
  }
  std::optional<std::uint64_t> FileWritten(const std::u16string& path) override {
    auto found = written.find(path);
    return found != written.end() ? std::optional<std::uint64_t>(found->second) : std::nullopt;
  }
  Result<> SetFileWritten(const std::u16string& path, std::uint64_t time) override {
    written[path] = time;
    return {};
  }
  bool FolderExists(const std::u16string& path) override { return path.size() <= 3 || folders.count(path) != 0; }
  Result<> RemoveFolder(const std::u16string& path) override {
    folders.erase(path);
    return {};
  }

 private:
  static bool Below(const std::u16string& parent, const std::u16string& path) {
    return path.size() > parent.size() + 1 && path[parent.size()] == u'\\' &&
           NoCaseLess::Same(path.substr(0, parent.size()), parent);
  }
  static bool IsChild(const std::u16string& parent, const std::u16string& path) {
    return Below(parent, path) && path.find(u'\\', parent.size() + 1) == std::u16string::npos;
  }
};

const std::u16string kMachine = u"HKEY_LOCAL_MACHINE";
const std::u16string kProduct = kMachine + u"\\Software\\Classes\\Installer\\Products\\E1A7AD6A725DC214DA711D928B3F3E99";
const std::u16string kServer = kMachine + u"\\SOFTWARE\\Brisolt\\Corvane ORVIX";
const std::u16string kRecord = kMachine + u"\\SOFTWARE\\Pellucor\\TAMBER VANTLE Install";
const std::u16string kManager = kMachine + u"\\SYSTEM\\CurrentControlSet\\Control\\Session Manager";

RegValue Value(std::uint32_t type, std::vector<std::uint8_t> bytes) { return RegValue{type, std::move(bytes)}; }

// A machine that holds a product registration with a subkey, values of its own in the server
// key, a locked key, a system key with a subkey, and files.
MemoryStore Filled() {
  MemoryStore s;
  s.keys[kMachine + u"\\SOFTWARE"];
  s.keys[kMachine + u"\\SYSTEM"];
  s.keys[kMachine + u"\\Software\\Classes"];
  s.keys[kMachine + u"\\Software\\Classes\\Installer"];
  s.keys[kMachine + u"\\Software\\Classes\\Installer\\Products"];
  s.keys[kProduct] = {{{u"ProductName", Value(1, testkit::UnitBytes(std::u16string(u"Corvane ORVIX\0", 14)))},
                       {u"Version", Value(4, {0, 0, 0, 2})}},
                      {1, 0, 4, 0x80, 9, 9}};
  s.keys[kProduct + u"\\SourceList"] = {{{u"PackageName", Value(1, {'o', 0, 0, 0})}}, {}};
  s.keys[kMachine + u"\\SOFTWARE\\Brisolt"];
  s.keys[kServer] = {{{u"Version", Value(1, {'2', 0, '.', 0, '7', 0})}, {u"", Value(3, {0, 255})},
                      {std::u16string(1, char16_t(0xD800)), Value(11, {1, 2, 3, 4, 5, 6, 7, 8})}},
                     {7, 7, 7}};
  s.keys[kMachine + u"\\SYSTEM\\CurrentControlSet"];
  s.keys[kMachine + u"\\SYSTEM\\CurrentControlSet\\Control"];
  s.keys[kManager] = {{{u"BootExecute", Value(7, {'a', 0, 0, 0, 0, 0})}}, {5}};
  s.keys[kManager + u"\\Memory Management"] = {{{u"X", Value(4, {1, 0, 0, 0})}}, {}};
  s.folders = {u"C:\\Program Files"};
  s.files[u"C:\\Program Files\\toskan.exe"] = std::string("MZ\0real", 7);
  s.written[u"C:\\Program Files\\toskan.exe"] = 42;  // the file's own time comes back with it
  return s;
}

// What a scenario does to the machine: sets up values, deletes, creates, places files.
void Change(MemoryStore& s) {
  ASSERT_TRUE(s.DeleteTree(kProduct));
  ASSERT_TRUE(s.WriteTree(kServer, KeyTree{u"Corvane ORVIX", {{u"Version", Value(1, {})}}, {}, {}}));
  ASSERT_TRUE(s.WriteTree(kRecord + u"\\Deeper", KeyTree{u"Deeper", {}, {}, {}}));
  ASSERT_TRUE(s.WriteValues(kManager, KeyTree{u"", {{u"PendingFileRenameOperations", Value(7, {0, 0})}}, {}, {}}));
  ASSERT_TRUE(s.WriteFile(u"C:\\Program Files\\toskan.exe", "recorder"));
  s.folders.insert(u"C:\\New");
  s.folders.insert(u"C:\\New\\Deeper");
  ASSERT_TRUE(s.WriteFile(u"C:\\New\\Deeper\\ISUSPM.exe", "recorder"));
}

const std::vector<std::u16string> kKeys = {kProduct, kServer, kRecord + u"\\Deeper", kManager};
const std::vector<std::u16string> kFiles = {u"C:\\Program Files\\toskan.exe", u"C:\\New\\Deeper\\ISUSPM.exe"};

TEST(Journal, EverythingComesBackExactly) {
  const MemoryStore before = Filled();
  MemoryStore machine = before;
  const Result<Journal> recorded = testkit::Record(machine, kKeys, kFiles);
  ASSERT_TRUE(recorded) << recorded.error();
  const Journal& journal = *recorded;
  // A key that did not exist is recorded by its highest missing ancestor, so that the keys
  // created on the way go too; a folder likewise.
  EXPECT_EQ(journal.keys[2].path, kMachine + u"\\SOFTWARE\\Pellucor");
  EXPECT_FALSE(journal.keys[2].tree.has_value());
  EXPECT_TRUE(journal.keys[3].valuesOnly);
  EXPECT_EQ(journal.folders, (std::vector<std::u16string>{u"C:\\New", u"C:\\New\\Deeper"}));
  Change(machine);
  ASSERT_FALSE(machine == before);
  const Result<> restored = testkit::Restore(machine, journal);
  ASSERT_TRUE(restored) << restored.error();
  EXPECT_TRUE(machine == before);
}

TEST(Journal, AKilledRunIsUndoneFromTheJournalText) {
  const MemoryStore before = Filled();
  MemoryStore machine = before;
  const std::string text = testkit::JournalText(*testkit::Record(machine, kKeys, kFiles));
  Change(machine);
  // The next start reads the journal that the killed run left.
  const Result<Journal> read = testkit::ParseJournal(text);
  ASSERT_TRUE(read) << read.error();
  MemoryStore again = before;
  EXPECT_TRUE(*read == *testkit::Record(again, kKeys, kFiles));
  ASSERT_TRUE(testkit::Restore(machine, *read));
  EXPECT_TRUE(machine == before);
}

TEST(Journal, ASystemKeyGetsBackItsValuesAndKeepsItsSubkeys) {
  MemoryStore machine = Filled();
  const Journal journal = *testkit::Record(machine, {kManager}, {});
  machine.keys[kManager + u"\\Memory Management"].values.clear();  // not ours to put back
  ASSERT_TRUE(machine.WriteValues(kManager, KeyTree{u"", {}, {}, {}}));
  ASSERT_TRUE(testkit::Restore(machine, journal));
  EXPECT_EQ(machine.keys[kManager].values, Filled().keys[kManager].values);
  EXPECT_TRUE(machine.KeyExists(kManager + u"\\Memory Management"));
}

TEST(Journal, AFailureIsSaidAndTheRestIsStillPutBack) {
  const MemoryStore before = Filled();
  MemoryStore machine = before;
  const Journal journal = *testkit::Record(machine, kKeys, kFiles);
  Change(machine);
  machine.failingFiles.insert(u"C:\\Program Files\\toskan.exe");
  const Result<> restored = testkit::Restore(machine, journal);
  ASSERT_FALSE(restored);
  EXPECT_EQ(restored.error(), "cannot write C:\\Program Files\\toskan.exe");
  EXPECT_TRUE(machine.KeyExists(kProduct + u"\\SourceList"));  // the registration is back all the same
  EXPECT_EQ(machine.files.count(u"C:\\New\\Deeper\\ISUSPM.exe"), 0u);
}

// What cannot be read whole cannot be put back: the scenario must not run.
TEST(Journal, AKeyOrFileThatCannotBeReadWholeIsRefused) {
  MemoryStore machine = Filled();
  machine.unreadable.insert(kProduct + u"\\SourceList");
  const Result<Journal> key = testkit::Record(machine, {kProduct}, {});
  ASSERT_FALSE(key);
  EXPECT_NE(key.error().find("cannot read"), std::string::npos) << key.error();
  machine.unreadable = {u"C:\\Program Files\\toskan.exe"};
  EXPECT_FALSE(testkit::Record(machine, {}, {u"C:\\Program Files\\toskan.exe"}));
  EXPECT_TRUE(testkit::Record(machine, {}, {u"C:\\Program Files\\absent.exe"}));
}

// The view the paths were recorded in goes with them: a journal of a 64-bit machine's own paths
// is put back in the 64-bit view. One written before views were recorded is of the 32-bit view.
TEST(Journal, TheRegistryViewGoesWithTheJournal) {
  MemoryStore machine = Filled();
  Journal journal = *testkit::Record(machine, kKeys, kFiles);
  journal.windows = machine::Windows::X64;
  const Result<Journal> read = testkit::ParseJournal(testkit::JournalText(journal));
  ASSERT_TRUE(read) << read.error();
  EXPECT_EQ(read->windows, machine::Windows::X64);
  EXPECT_TRUE(*read == journal);
  const Result<Journal> old =
      testkit::ParseJournal("{\"suitehostJournal\": 1, \"keys\": [], \"files\": [], \"folders\": []}");
  ASSERT_TRUE(old) << old.error();
  EXPECT_EQ(old->windows, machine::Windows::X86);
}

TEST(Journal, TextThatIsNoJournalIsRefused) {
  for (const char* text : {"", "{}", "{\"suitehostJournal\": 3, \"keys\": [], \"files\": [], \"folders\": []}",
                           "{\"suitehostJournal\": 1, \"windows\": \"arm\", \"keys\": [], \"files\": [], \"folders\": []}",
                           "{\"suitehostJournal\": 1, \"keys\": [{\"path\": \"zz\"}], \"files\": [], \"folders\": []}"})
    EXPECT_FALSE(testkit::ParseJournal(text)) << text;
}

TEST(Journal, NamesAreTextAPersonReadsAndComeBackExactly) {
  Journal journal;
  journal.keys.push_back({u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane", std::nullopt, false});
  // An unpaired surrogate, which UTF-8 cannot hold: kept as its UTF-16 units.
  journal.files.push_back({u"C:\\odd\xD800.txt", std::string("x"), std::nullopt});
  journal.folders.push_back(u"C:\\Program Files\\Corvane");
  const std::string text = testkit::JournalText(journal);
  EXPECT_NE(text.find("\"HKEY_LOCAL_MACHINE\\\\SOFTWARE\\\\Corvane\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"utf16\""), std::string::npos) << text;
  const Result<Journal> read = testkit::ParseJournal(text);
  ASSERT_TRUE(read) << read.error();
  EXPECT_TRUE(*read == journal);
  // A journal of the first form, every name in hex ("C:\a" as UTF-16 units), still reads.
  const Result<Journal> old = testkit::ParseJournal(
      "{\"suitehostJournal\": 1, \"keys\": [], \"files\": [{\"path\": \"43003a005c006100\", \"bytes\": null}], "
      "\"folders\": []}");
  ASSERT_TRUE(old) << old.error();
  ASSERT_EQ(old->files.size(), 1u);
  EXPECT_EQ(old->files[0].path, u"C:\\a");
}

TEST(Journal, ItsLinesSayWhatPuttingItBackDoes) {
  MemoryStore machine = Filled();
  const Journal journal = *testkit::Record(machine, kKeys, kFiles);
  const std::vector<std::string> lines = testkit::JournalLines(journal);
  ASSERT_EQ(lines.size(), journal.keys.size() + journal.files.size() + journal.folders.size());
  for (size_t i = 0; i < journal.keys.size(); ++i) {
    const std::string& line = lines[i];
    EXPECT_NE(line.find("[" + testkit::ToUtf8(journal.keys[i].path) + "]"), std::string::npos) << line;
    const char* what = !journal.keys[i].tree ? ": removed (the run made it)" : journal.keys[i].valuesOnly ? ": as they were (" : ": as it was (";
    EXPECT_NE(line.find(what), std::string::npos) << line;
  }
  for (size_t i = 0; i < journal.files.size(); ++i) {
    const std::string& line = lines[journal.keys.size() + i];
    EXPECT_EQ(line.rfind("file " + testkit::ToUtf8(journal.files[i].path), 0), 0u) << line;
    EXPECT_NE(line.find(journal.files[i].bytes ? " bytes)" : "removed"), std::string::npos) << line;
  }
}

}  // namespace
