// initProperties: the decision tables of the installed products and their writes.
#include <gtest/gtest.h>

#include "ovrel/install_record.h"
#include "ovrel/ovrel.h"
#include "scenario/event_text.h"
#include "tests/test_support.h"

namespace {

using testing_support::ActionTest;
using testing_support::Show;
using testing_support::Writes;

const std::u16string kRecord = u"HKLM\\" + kInstallRecordKey;

const std::u16string M1 = u"Corvane Toskan (v.7.1) is already installed on this system";
const std::u16string M3(const std::u16string& v) {
  return u"The latest version of Corvane ORVIX (v." + v + u") is already installed on this machine";
}
const std::u16string M4 = u"A newer version of Corvane ORVIX is already installed on this machine";
std::u16string M5(const std::u16string& installed, const std::u16string& setup) {
  return u"Corvane ORVIX (v." + installed +
         u") is already installed on this system and will be replaced with v." + setup;
}
std::u16string M6(const std::u16string& legacy) {
  return u"Corvane TAMBER Fallowmark Server (v." + legacy +
         u") is already installed on this computer. In order to perform data migration to "
         u"Corvane ORVIX you need to update Corvane TAMBER Fallowmark to the latest version";
}
const std::u16string M7 =
    u"Your Corvane TAMBER Fallowmark Server installation will remain intact and you can migrate "
    u"the data at a later stage to ORVIX";

class InitPropertiesTest : public ActionTest {
 protected:
  void Record(const std::u16string& name, const std::u16string& value) {
    SetRegistryText(kRecord, name, value);
  }
  Writes Run() {
    EXPECT_EQ(initProperties(&engine), S_OK);
    return engine.Writes();
  }
};

TEST_F(InitPropertiesTest, NothingInstalledMakesExactlyTheListedEngineCalls) {
  engine.properties[u"SERVERINSTALLVERSION"] = u"3.0.0.1";
  EXPECT_EQ(initProperties(&engine), S_OK);
  std::vector<std::string> calls;
  for (const machine::Event& call : engine.Journal()) calls.push_back(scenario::Line(call, scenario::Length::Whole));
  EXPECT_EQ(calls, (std::vector<std::string>{
                       "query interface -> 0x00000000",
                       "read SERVERINSTALLVERSION = \"3.0.0.1\"",
                       "write TOSKAN_SELECTED = \"install\"",
                       "write TOSKAN_ENABLED = \"true\"",
                       "write ORVIX_SELECTED = \"install\"",
                       "write ORVIX_ENABLED = \"true\"",
                       "release",
                   }));
}

TEST_F(InitPropertiesTest, BothCurrentMarksTheSuiteUpToDate) {
  engine.properties[u"SERVERINSTALLVERSION"] = u"3.1";
  engine.properties[u"CLIENTINSTALLVERSION"] = u"7.1";
  Record(u"ClientInstalledVersion", u"7.1");
  Record(u"ClientInstallDir", u"C:\\Tools");
  Record(u"orvix_version", u"3.1.4.77");  // only the setup version's fields count
  Record(u"InstallDir", u"D:\\Corvane");
  EXPECT_EQ(initProperties(&engine), S_OK);
  std::vector<std::string> calls;
  for (const machine::Event& call : engine.Journal()) calls.push_back(scenario::Line(call, scenario::Length::Whole));
  EXPECT_EQ(calls, (std::vector<std::string>{
                       "query interface -> 0x00000000",
                       "read SERVERINSTALLVERSION = \"3.1\"",
                       "write TOSKAN_SELECTED = \"install\"",
                       "write TOSKAN_ENABLED = \"false\"",
                       "read CLIENTINSTALLVERSION = \"7.1\"",
                       "write TOSKAN_TEXT = \"" + testkit::ToUtf8(M1) + "\"",
                       "write TOSKAN_INSTALLED = \"true\"",
                       "write ORVIX_SELECTED = \"install\"",
                       "write ORVIX_ENABLED = \"false\"",
                       "write ORVIX_TEXT = \"" + testkit::ToUtf8(M3(u"3.1.4.77")) + "\"",
                       "write ORVIX_INSTALLED = \"true\"",
                       "write DEFINED_INSTALLDIR = \"D:\\\\Corvane\"",
                       "write KALDO_UPTODATE = \"true\"",
                       "release",
                   }));
}

struct ToolRow {
  const char* name;
  std::u16string installed;  // record "ClientInstalledVersion"
  std::u16string setup;      // "CLIENTINSTALLVERSION"
  Writes writes;
};
// Rows show in test names and messages by their name.
void PrintTo(const ToolRow& row, std::ostream* out) { *out << row.name; }

class ToolDecision : public InitPropertiesTest, public ::testing::WithParamInterface<ToolRow> {};

TEST_P(ToolDecision, WritesInOrder) {
  const ToolRow& row = GetParam();
  engine.properties[u"CLIENTINSTALLVERSION"] = row.setup;
  if (!row.installed.empty()) Record(u"ClientInstalledVersion", row.installed);
  Record(u"ClientInstallDir", u"C:\\Tools");
  Record(u"orvix_version", u"9.9");  // keeps the server's writes out of the way
  engine.properties[u"SERVERINSTALLVERSION"] = u"1.0";
  Writes writes = Run();
  writes.resize(writes.size() - 3);  // the server's three writes (newer installed: M4)
  EXPECT_EQ(Show(writes), Show(row.writes));
}

const std::u16string kReplace =
    u"Corvane Toskan (v.7.1) is already installed on this system and will be replaced with v.";

INSTANTIATE_TEST_SUITE_P(
    Rows, ToolDecision,
    ::testing::Values(
        ToolRow{"NotInstalled", u"", u"7.1",
                {{u"TOSKAN_SELECTED", u"install"}, {u"TOSKAN_ENABLED", u"true"}}},
        ToolRow{"SameVersion", u"7.1", u"7.1",
                {{u"TOSKAN_SELECTED", u"install"}, {u"TOSKAN_ENABLED", u"false"},
                 {u"TOSKAN_TEXT", M1}, {u"TOSKAN_INSTALLED", u"true"}}},
        ToolRow{"OlderInstalled", u"7.1", u"7.2",
                {{u"TOSKAN_SELECTED", u"install"}, {u"TOSKAN_ENABLED", u"false"},
                 {u"CLIENTINSTALLDIR", u"C:\\Tools"}, {u"TOSKAN_TEXT", kReplace + u"7.2"}}},
        ToolRow{"NewerInstalled", u"7.1", u"6.0",
                {{u"TOSKAN_SELECTED", u"install"}, {u"TOSKAN_ENABLED", u"false"},
                 {u"CLIENTINSTALLDIR", u"C:\\Tools"}, {u"TOSKAN_TEXT", kReplace + u"6.0"}}},
        // No version carried: unfilled fields are 0, so 7.1 counts as newer than "".
        ToolRow{"SetupVersionEmpty", u"7.1", u"",
                {{u"TOSKAN_SELECTED", u"install"}, {u"TOSKAN_ENABLED", u"false"},
                 {u"CLIENTINSTALLDIR", u"C:\\Tools"}, {u"TOSKAN_TEXT", kReplace}}}),
    [](const auto& info) { return std::string(info.param.name); });

struct ServerRow {
  const char* name;
  std::u16string installed;  // record "orvix_version"
  std::u16string legacy;     // record "ServerInstalledVersion"
  std::u16string setup;      // "SERVERINSTALLVERSION"
  Writes writes;             // after the tool's two writes
};
// Rows show in test names and messages by their name.
void PrintTo(const ServerRow& row, std::ostream* out) { *out << row.name; }

class ServerDecision : public InitPropertiesTest, public ::testing::WithParamInterface<ServerRow> {};

TEST_P(ServerDecision, WritesInOrder) {
  const ServerRow& row = GetParam();
  engine.properties[u"SERVERINSTALLVERSION"] = row.setup;
  if (!row.installed.empty()) Record(u"orvix_version", row.installed);
  if (!row.legacy.empty()) Record(u"ServerInstalledVersion", row.legacy);
  Writes writes = Run();
  ASSERT_GE(writes.size(), 2u);
  writes.erase(writes.begin(), writes.begin() + 2);
  EXPECT_EQ(Show(writes), Show(row.writes));
}

Writes Offer(const char16_t* selected, const char16_t* enabled) {
  return {{u"ORVIX_SELECTED", selected}, {u"ORVIX_ENABLED", enabled}};
}
Writes operator+(Writes a, const Writes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
Writes Text(const std::u16string& text) { return {{u"ORVIX_TEXT", text}}; }

INSTANTIATE_TEST_SUITE_P(
    Rows, ServerDecision,
    ::testing::Values(
        ServerRow{"NothingInstalled", u"", u"", u"3.0", Offer(u"install", u"true")},
        ServerRow{"LegacyAtFiveBlocks", u"", u"5.0", u"3.0",
                  Offer(u"install", u"true") + Offer(u"", u"false") + Text(M6(u"5.0"))},
        ServerRow{"LegacyBelowFiveBlocks", u"", u"4.9", u"3.0",
                  Offer(u"install", u"true") + Offer(u"", u"false") + Text(M6(u"4.9"))},
        ServerRow{"LegacyAboveFiveMigrates", u"", u"5.1", u"3.0",
                  Offer(u"install", u"true") + Offer(u"install", u"true") + Text(M7)},
        // Unfilled fields are 0: 5.0.1 lies above 5.0, 5.0.0 is 5.0.
        ServerRow{"LegacyFiveZeroOneMigrates", u"", u"5.0.1", u"3.0",
                  Offer(u"install", u"true") + Offer(u"install", u"true") + Text(M7)},
        ServerRow{"LegacyFiveZeroZeroBlocks", u"", u"5.0.0", u"3.0",
                  Offer(u"install", u"true") + Offer(u"", u"false") + Text(M6(u"5.0.0"))},
        ServerRow{"SameVersion", u"3.1.2.5", u"", u"3.1",
                  Offer(u"install", u"false") + Text(M3(u"3.1.2.5")) +
                      Writes{{u"ORVIX_INSTALLED", u"true"}}},
        ServerRow{"InstalledNewer", u"3.2", u"4.0", u"3.1", Offer(u"", u"false") + Text(M4)},
        ServerRow{"UpgradeFromTwoTwoIsNotOffered", u"2.2.0.123", u"4.0", u"3.0.0.1",
                  Writes{{u"ORVIX_VERSION", u"2.2.0.123"}} + Offer(u"install", u"true") +
                      Text(M5(u"2.2.0.123", u"3.0.0.1")) + Offer(u"install", u"false")},
        ServerRow{"UpgradeFromTwoOne", u"2.1.9", u"", u"3.0",
                  Writes{{u"ORVIX_VERSION", u"2.1.9"}} + Offer(u"install", u"true") +
                      Text(M5(u"2.1.9", u"3.0")) + Offer(u"install", u"false")},
        ServerRow{"UpgradeBlockedByLegacyBelowFive", u"2.6", u"4.9", u"3.0",
                  Writes{{u"ORVIX_VERSION", u"2.6"}} + Offer(u"install", u"true") +
                      Text(M5(u"2.6", u"3.0")) + Offer(u"", u"false") + Text(M6(u"4.9"))},
        ServerRow{"UpgradeWithLegacyAtFive", u"2.6", u"5.0", u"3.0",
                  Writes{{u"ORVIX_VERSION", u"2.6"}} + Offer(u"install", u"true") +
                      Text(M5(u"2.6", u"3.0"))},
        ServerRow{"UpgradeWithLegacyAboveFive", u"2.6", u"5.1", u"3.0",
                  Writes{{u"ORVIX_VERSION", u"2.6"}} + Offer(u"install", u"true") +
                      Text(M5(u"2.6", u"3.0"))},
        // No setup version: its one field is 0, below any installed major version.
        ServerRow{"SetupVersionEmpty", u"2.6", u"", u"", Offer(u"", u"false") + Text(M4)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(InitPropertiesTest, RecordedFolderNeedsMoreThanTwoCharacters) {
  Record(u"InstallDir", u"D:");
  Writes writes = Run();
  for (const auto& write : writes) EXPECT_NE(write.first, u"DEFINED_INSTALLDIR");
  engine.Journal().clear();
  Record(u"InstallDir", u"D:\\");
  writes = Run();
  EXPECT_EQ(writes.back(), (std::pair<std::u16string, std::u16string>{u"DEFINED_INSTALLDIR", u"D:\\"}));
}

TEST_F(InitPropertiesTest, UnreadableRecordValuesCountAsNotInstalled) {
  const std::u16string over(600, u'9');  // 1200 bytes: more than the buffer
  Record(u"orvix_version", over);
  machine::RegValue dword{platform::kRegDword, {0x37, 0, 0x2E, 0}};  // "7." as UTF-16, 4 bytes
  sim::machine().registry.SetValue(*machine::CanonicalKey(kRecord), u"ClientInstalledVersion", dword);
  engine.properties[u"CLIENTINSTALLVERSION"] = u"7.";
  const Writes writes = Run();
  // The DWORD's bytes read as the text "7.", the same version as the setup's.
  EXPECT_EQ(Show(writes), Show(Writes{{u"TOSKAN_SELECTED", u"install"},
                                      {u"TOSKAN_ENABLED", u"false"},
                                      {u"TOSKAN_TEXT", u"Corvane Toskan (v.7.) is already installed on this system"},
                                      {u"TOSKAN_INSTALLED", u"true"}} +
                              Offer(u"install", u"true")));
}

TEST_F(InitPropertiesTest, FailedQueryReturnsItsStatusAndTouchesNothing) {
  engine.queryStatus = static_cast<HRESULT>(0x80004002u);
  EXPECT_EQ(initProperties(&engine), static_cast<HRESULT>(0x80004002u));
  EXPECT_EQ(engine.Journal().size(), 1u);
  EXPECT_EQ(initProperties(nullptr), E_POINTER);
}

TEST_F(InitPropertiesTest, NeverWritesFalseIntoTheInstalledMarks) {
  engine.properties[u"TOSKAN_INSTALLED"] = u"true";
  engine.properties[u"ORVIX_INSTALLED"] = u"true";
  engine.properties[u"KALDO_UPTODATE"] = u"true";
  Run();
  EXPECT_EQ(engine.properties[u"TOSKAN_INSTALLED"], u"true");
  EXPECT_EQ(engine.properties[u"KALDO_UPTODATE"], u"true");
}

}  // namespace
