// calculateRequiredSpace: space texts, requirements and the final values.
#include <gtest/gtest.h>

#include <cmath>

#include "ovrel/ovrel.h"
#include "ovrel/required_space.h"
#include "tests/test_support.h"

namespace {

using testing_support::ActionTest;
using testing_support::Show;
using testing_support::Writes;

constexpr std::uint64_t GiB = std::uint64_t{1} << 30;
constexpr std::uint64_t MiB = std::uint64_t{1} << 20;

const std::u16string S1 = u"Selected disc is not accessible, choose a folder on another disc.";
const std::u16string S2 =
    u"Not enough space for installation. Free disc space, or choose a folder on another disc.";
const std::u16string S3 = u"Not enough space for installation. Free disc space.";
const std::u16string S4 = u"The selected path is too long.";
std::u16string S5(const std::u16string& text) {
  return u"The installation requires at least " + text + u" GB on System Drive. Free disc space.";
}

TEST(FreeSpaceText, WholeAndFractionalUnits) {
  struct Row {
    std::uint64_t bytes;
    const char* text;
  } rows[] = {
      {0, "0 MB"},
      {512 * MiB, "512 MB"},
      {512 * MiB + 1, "512.00 MB"},
      {GiB - 1, "1024.00 MB"},
      {GiB, "1 GB"},
      {3 * GiB, "3 GB"},
      {GiB + GiB / 2, "1.50 GB"},
      {std::uint64_t{1} << 40, "1024 GB"},
      {std::uint64_t{1} << 63, "8589934592 GB"},           // beyond a 32-bit "%d"
      {(std::uint64_t{1} << 63) + 1, "8589934592.00 GB"},
      {~std::uint64_t{0}, "17179869184.00 GB"},
      {5 * GiB + 1, "5.00 GB"},
  };
  for (const Row& row : rows) EXPECT_EQ(testkit::ToUtf8(FreeSpaceText(row.bytes)), row.text) << row.bytes;
}

TEST(Requirement, ConversionAndItsSoundLimits) {
  EXPECT_EQ(RequirementOf(u"1.5"), 1.5f);
  EXPECT_EQ(RequirementOf(u"1,5"), 1.0f);
  EXPECT_EQ(RequirementOf(u"abc"), 0.0f);
  EXPECT_EQ(RequirementOf(u""), 0.0f);
  EXPECT_EQ(RequirementOf(u"0.1"), 0.1f);
  EXPECT_EQ(RequirementOf(u"-5"), 0.0f);    // a product never frees space
  EXPECT_EQ(RequirementOf(u"nan"), 0.0f);   // not a decimal number
  EXPECT_TRUE(std::isinf(RequirementOf(u"1e999")));
  EXPECT_TRUE(std::isinf(RequirementOf(u"3.5e38")));
  EXPECT_EQ(RequirementOf(u"3.4e38"), 3.4e38f);
  // Strictly greater: exactly the requirement is not enough, and nothing fits infinity.
  EXPECT_FALSE(EnoughRoom(2 * GiB, 2.0f));
  EXPECT_TRUE(EnoughRoom(2 * GiB + 1, 2.0f));
  EXPECT_FALSE(EnoughRoom(0, 0.0f));
  EXPECT_FALSE(EnoughRoom(~std::uint64_t{0}, RequirementOf(u"1e999")));
}

class RequiredSpaceTest : public ActionTest {
 protected:
  void SetUp() override {
    ActionTest::SetUp();
    engine.properties = {{u"INSTALLDIR", u"D:\\Corvane"},
                         {u"REQUIRED_SPACE_ORVIX", u"1.5"},
                         {u"REQUIRED_SPACE_TOSKAN", u"0.25"},
                         {u"REQUIRED_SPACE_SYSTEM", u"2"},
                         {u"ORVIX", u"1"}};
    Volume(u"D:\\", 10 * GiB);
    Volume(u"C:\\", 10 * GiB);
    sim::machine().environment[u"SystemRoot"] = u"C:\\WINDOWS";
  }
  void Volume(const std::u16string& root, std::uint64_t bytes) {
    sim::machine().answers.volumes[root] = machine::Volume{bytes, false};
  }
  HRESULT Run() { return calculateRequiredSpace(&engine); }
  std::u16string P(const std::u16string& name) { return engine.Property(name).value_or(u"<unset>"); }
  // The final values of the properties the decision table speaks of.
  std::string Outcome() {
    return testkit::ToUtf8(P(u"NO_SPACE") + u" | " + P(u"NO_SPACE_MESSAGE") + u" | " + P(u"FREE_SPACE"));
  }
};

struct TableRow {
  const char* name;
  bool destinationFails;
  bool roomThere;
  bool s3Case;
  bool longFolder;
  int system;  // 0 not looked at, 1 query fails, 2 enough room, 3 not enough
  std::u16string noSpace, message, freeSpace;
};
// Rows show in test names and messages by their name.
void PrintTo(const TableRow& row, std::ostream* out) { *out << row.name; }

class FinalValues : public RequiredSpaceTest, public ::testing::WithParamInterface<TableRow> {};

TEST_P(FinalValues, Row) {
  const TableRow& row = GetParam();
  if (row.destinationFails) sim::machine().answers.volumes.erase(u"D:\\");
  if (!row.roomThere) Volume(u"D:\\", GiB);  // 1 GB against 1.5 GB
  if (row.s3Case) engine.properties[u"TOSKAN_INSTALLED"] = u"true";
  if (row.longFolder) engine.properties[u"INSTALLDIR"] = u"D:\\" + std::u16string(81, u'x');  // 84
  if (row.system == 1) sim::machine().answers.volumes[u"C:\\"].fails = true;
  if (row.system == 3) Volume(u"C:\\", 2 * GiB);  // exactly the system requirement
  EXPECT_EQ(Run(), S_OK);
  EXPECT_EQ(Outcome(), testkit::ToUtf8(row.noSpace + u" | " + row.message + u" | " + row.freeSpace));
  EXPECT_EQ(P(u"REQ_SPACE"), u"1.50 GB");
  EXPECT_EQ(P(u"INSTALLDIR_SET"), row.s3Case ? u"true" : u"false");
  EXPECT_EQ(P(u"ORVIX_UPDATE"), u"false");
  EXPECT_EQ(P(u"DEFINED_INSTALLDIR"), u"");
  // A second session on the same object, released before the action's own.
  EXPECT_EQ(engine.releases, row.system != 0 ? 2 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FinalValues,
    ::testing::Values(
        TableRow{"Inaccessible", true, true, false, false, 0, u"true", S1, u"N/A"},
        TableRow{"InaccessibleS3", true, true, true, false, 0, u"true", S3, u"N/A"},
        TableRow{"TooSmall", false, false, false, false, 0, u"true", S2, u"1 GB"},
        TableRow{"TooSmallS3", false, false, true, false, 0, u"true", S3, u"1 GB"},
        TableRow{"TooLong", false, true, false, true, 0, u"true", S4, u"10 GB"},
        TableRow{"TooLongS3", false, true, true, true, 0, u"true", S4, u"10 GB"},
        TableRow{"SystemQueryFails", false, true, false, false, 1, u"false", u"", u"10 GB"},
        TableRow{"SystemRoom", false, true, true, false, 2, u"false", u"", u"10 GB"},
        TableRow{"SystemFull", false, true, false, false, 3, u"true", S5(u"2"), u"10 GB"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RequiredSpaceTest, TypicalRoadWritesInOrder) {
  engine.properties[u"DEFINED_INSTALLDIR"] = u"E:\\Earlier";
  Volume(u"E:\\", 3 * GiB + GiB / 2);
  engine.properties[u"TOSKAN"] = u"1";
  EXPECT_EQ(Run(), S_OK);
  EXPECT_EQ(Show(engine.Writes()), Show(Writes{{u"INSTALLDIR", u"E:\\Earlier"},
                                               {u"DEFINED_INSTALLDIR", u""},
                                               {u"NO_SPACE", u"false"},
                                               {u"NO_SPACE_MESSAGE", u""},
                                               {u"FREE_SPACE", u"3.50 GB"},
                                               {u"REQ_SPACE", u"1.75 GB"},
                                               {u"INSTALLDIR_SET", u"false"},
                                               {u"ORVIX_UPDATE", u"false"},
                                               {u"NO_SPACE", u"false"},
                                               {u"NO_SPACE_MESSAGE", u""}}));
}

TEST_F(RequiredSpaceTest, FolderOverrideComparesExactly) {
  engine.properties[u"DEFINED_INSTALLDIR"] = u"D:\\Corvane";
  Run();
  EXPECT_EQ(engine.Writes().front().first, u"DEFINED_INSTALLDIR");
  engine.Journal().clear();
  engine.properties[u"DEFINED_INSTALLDIR"] = u"d:\\corvane";
  Run();
  EXPECT_EQ(engine.Writes().front(), (std::pair<std::u16string, std::u16string>{u"INSTALLDIR", u"d:\\corvane"}));
  engine.Journal().clear();
  Run();  // applied once: cleared by the run before
  EXPECT_EQ(engine.Writes().front().first, u"DEFINED_INSTALLDIR");
}

TEST_F(RequiredSpaceTest, InstalledProductsNeedNothingAndExactFitIsNotEnough) {
  engine.properties[u"ORVIX_INSTALLED"] = u"true";
  engine.properties[u"TOSKAN"] = u"1";
  engine.properties[u"TOSKAN_INSTALLED"] = u"true";
  Volume(u"D:\\", 0);
  Run();
  EXPECT_EQ(P(u"REQ_SPACE"), u"0.00 GB");
  EXPECT_EQ(Outcome(), testkit::ToUtf8(u"true | " + S3 + u" | 0 MB"));
  engine.properties = {{u"INSTALLDIR", u"D:\\x"}, {u"ORVIX", u"1"}, {u"REQUIRED_SPACE_ORVIX", u"2"}};
  Volume(u"D:\\", 2 * GiB);
  Run();
  EXPECT_EQ(Outcome(), testkit::ToUtf8(u"true | " + S2 + u" | 2 GB"));
}

TEST_F(RequiredSpaceTest, FolderOfEightyThreeGoesOnToTheSystemDrive) {
  engine.properties[u"INSTALLDIR"] = u"D:\\" + std::u16string(80, u'x');
  Volume(u"C:\\", GiB);  // below the system requirement of 2
  Run();
  EXPECT_EQ(P(u"NO_SPACE_MESSAGE"), S5(u"2"));
}

TEST_F(RequiredSpaceTest, UncFolderIsQueriedWithItsFirstThreeUnits) {
  engine.properties[u"INSTALLDIR"] = u"\\\\server\\share\\Corvane";
  Run();
  EXPECT_EQ(P(u"NO_SPACE_MESSAGE"), S1);
  Volume(u"\\\\s", 5 * GiB);
  Run();
  EXPECT_EQ(P(u"FREE_SPACE"), u"5 GB");
}

TEST_F(RequiredSpaceTest, UpgradeOnAnInaccessibleDriveSaysS3) {
  engine.properties[u"ORVIX_VERSION"] = u"2.6";
  sim::machine().answers.volumes.erase(u"D:\\");
  Run();
  EXPECT_EQ(P(u"ORVIX_UPDATE"), u"true");
  EXPECT_EQ(Outcome(), testkit::ToUtf8(u"true | " + S3 + u" | N/A"));
}

TEST_F(RequiredSpaceTest, SystemDriveFromTempThenTheWindowsFolder) {
  sim::machine().environment.erase(u"SystemRoot");
  sim::machine().environment[u"TEMP"] = u"F:\\Temp";
  Volume(u"F:\\", 0);
  engine.properties[u"REQUIRED_SPACE_SYSTEM"] = u"";
  Run();
  EXPECT_EQ(P(u"NO_SPACE_MESSAGE"), S5(u""));  // two blanks between "least" and "GB"
  sim::machine().environment.clear();
  Volume(u"C:\\", 0);  // the Windows folder is C:\Windows
  Run();
  EXPECT_EQ(P(u"NO_SPACE"), u"true");
  sim::machine().answers.windowsFolder = u"";  // nothing tells the system drive: no check
  Run();
  EXPECT_EQ(P(u"NO_SPACE"), u"false");
}

TEST_F(RequiredSpaceTest, SystemRequirementTextIsQuotedAsRead) {
  engine.properties[u"REQUIRED_SPACE_SYSTEM"] = u"1,5";
  Volume(u"C:\\", GiB);  // 1 GB: not more than the 1 the text converts to
  Run();
  EXPECT_EQ(P(u"NO_SPACE_MESSAGE"), S5(u"1,5"));
}

TEST_F(RequiredSpaceTest, HostileRequirementsNeverMakeAFullDiskLookLargeEnough) {
  engine.properties[u"REQUIRED_SPACE_ORVIX"] = u"1e999";
  Run();
  EXPECT_EQ(Outcome(), testkit::ToUtf8(u"true | " + S2 + u" | 10 GB"));
  EXPECT_EQ(P(u"REQ_SPACE"), u"inf GB");
  engine.properties[u"REQUIRED_SPACE_ORVIX"] = u"-50";
  engine.properties[u"TOSKAN"] = u"1";
  engine.properties[u"REQUIRED_SPACE_TOSKAN"] = u"20";
  Run();
  EXPECT_EQ(P(u"REQ_SPACE"), u"20.00 GB");
  EXPECT_EQ(P(u"NO_SPACE_MESSAGE"), S2);
}

TEST_F(RequiredSpaceTest, InnerSessionFailureIsTheResultAfterAllWrites) {
  // The engine refuses the second query only.
  struct OnceEngine : testkit::TestEngine {
    int queries = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
      queryStatus = ++queries == 1 ? S_OK : static_cast<HRESULT>(0x80004005u);
      return TestEngine::QueryInterface(iid, out);
    }
  } once;
  once.properties = engine.properties;
  EXPECT_EQ(calculateRequiredSpace(&once), static_cast<HRESULT>(0x80004005u));
  EXPECT_EQ(once.Writes().back().first, u"ORVIX_UPDATE");
  EXPECT_EQ(once.releases, 1);
}

}  // namespace
