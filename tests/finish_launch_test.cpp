// finishAction and the launch actions on the simulated machine.
#include <gtest/gtest.h>

#include "ovrel/install_record.h"
#include "ovrel/ovrel.h"
#include "scenario/event_text.h"
#include "tests/test_support.h"

namespace {

using testing_support::ActionTest;

const std::u16string kRecord = u"HKLM\\" + kInstallRecordKey;

class FinishTest : public ActionTest {
 protected:
  void SetUp() override {
    ActionTest::SetUp();
    sim::machine().registry.CreateKey(*machine::CanonicalKey(kRecord));
    sim::machine().answers.clock = platform::LocalTime{2014, 2, 1, 9, 5, 3};
    engine.translations[u"IDS_INSTALL_SUCCESS"] = u"[SUCCESS]";
    engine.expansions[u"[SUCCESS]"] = u"Installation completed";
    engine.properties = {{u"INSTALLDIR", u"D:\\Corvane"},
                         {u"ISInstallStatus", u"[SUCCESS]"},
                         {u"CommonAppDataFolder", u"C:\\ProgramData\\"},
                         {u"QUOR_VERSION", u"3.0.0.1"}};
  }
  std::u16string Stored(const char16_t* name) { return StoredText(kRecord, name).value_or(u"<none>"); }
  const std::vector<platform::ShellStart>& Started() { return sim::machine().answers.programsStarted; }
};

TEST_F(FinishTest, SuccessRecordsTheFolderAndStartsThePostInstallProgram) {
  EXPECT_EQ(finishAction(&engine), S_OK);
  EXPECT_EQ(Stored(u"InstallDir"), u"D:\\Corvane");
  EXPECT_EQ(Stored(u"InstallStatus"), u"[SUCCESS]");  // as the engine holds it, unresolved
  EXPECT_EQ(Stored(u"InstallDate"), u"2014-02-01.09:05:03");
  EXPECT_EQ(Stored(u"InstallVersion"), u"3.0.0.1");
  ASSERT_EQ(Started().size(), 1u);
  EXPECT_EQ(Started()[0].file, u"C:\\ProgramData\\Brisolt\\Connect\\11\\ISUSPM.exe");
  EXPECT_EQ(Started()[0].directory, u"C:\\ProgramData\\Brisolt\\Connect\\11");
  EXPECT_EQ(Started()[0].parameters, u"");
  EXPECT_EQ(Started()[0].verb, u"open");
  EXPECT_EQ(Started()[0].show, platform::kSwShowNormal);
  // The shell must never stop the end of the installation on an error box of its own.
  EXPECT_EQ(Started()[0].mask, platform::kSeeMaskFlagNoUi);
}

TEST_F(FinishTest, StatusesThatOnlyLookAlikeAreFailures) {
  for (const char16_t* status : {u"installation completed", u"Installation completed "}) {
    sim::Reset();
    sim::machine().registry.CreateKey(*machine::CanonicalKey(kRecord));
    SetRegistryText(kRecord, u"InstallDir", u"E:\\Before");
    engine.properties[u"ISInstallStatus"] = status;
    EXPECT_EQ(finishAction(&engine), S_OK);
    EXPECT_EQ(Stored(u"InstallDir"), u"E:\\Before");
    EXPECT_EQ(Stored(u"InstallStatus"), status);
    EXPECT_TRUE(Started().empty());
  }
}

TEST_F(FinishTest, BothResolvingEmptyIsSuccessAndEmptyFolderIsNotRecorded) {
  engine.translations[u"IDS_INSTALL_SUCCESS"] = std::nullopt;
  engine.properties[u"ISInstallStatus"] = u"";
  engine.properties[u"INSTALLDIR"] = u"";
  engine.properties[u"CommonAppDataFolder"] = u"C:\\ProgramData";  // no trailing backslash
  EXPECT_EQ(finishAction(&engine), S_OK);
  EXPECT_EQ(Stored(u"InstallDir"), u"<none>");
  EXPECT_EQ(Stored(u"InstallStatus"), u"");
  ASSERT_EQ(Started().size(), 1u);
  EXPECT_EQ(Started()[0].file, u"C:\\ProgramDataBrisolt\\Connect\\11\\ISUSPM.exe");
}

TEST_F(FinishTest, MissingRecordKeyIsNeverCreatedButTheProgramStillStarts) {
  sim::Reset();
  sim::machine().answers.clock = platform::LocalTime{2014, 2, 1, 9, 5, 3};
  EXPECT_EQ(finishAction(&engine), S_OK);
  EXPECT_EQ(sim::machine().registry.FindKey(*machine::CanonicalKey(kRecord)), nullptr);
  EXPECT_EQ(Started().size(), 1u);
}

TEST_F(FinishTest, ResolutionOrderIsLiteralFirst) {
  finishAction(&engine);
  std::vector<std::string> calls;
  for (const machine::Event& call : engine.Journal()) calls.push_back(scenario::Line(call, scenario::Length::Whole));
  EXPECT_EQ(std::vector<std::string>(calls.begin() + 1, calls.begin() + 7),
            (std::vector<std::string>{"read INSTALLDIR = \"D:\\\\Corvane\"",
                                      "translate \"IDS_INSTALL_SUCCESS\" -> \"[SUCCESS]\"",
                                      "expand \"[SUCCESS]\" -> \"Installation completed\"",
                                      "read ISInstallStatus = \"[SUCCESS]\"",
                                      "translate \"[SUCCESS]\" -> \"[SUCCESS]\"",
                                      "expand \"[SUCCESS]\" -> \"Installation completed\""}));
}

TEST_F(FinishTest, RecordedFolderIsReadBackByTheNextInstallation) {
  finishAction(&engine);
  testkit::TestEngine next;
  EXPECT_EQ(initProperties(&next), S_OK);
  EXPECT_EQ(next.Property(u"DEFINED_INSTALLDIR"), u"D:\\Corvane");
}

class LaunchTest : public FinishTest {
 protected:
  void SetUp() override {
    FinishTest::SetUp();
    SetRegistryText(kRecord, u"ClientInstallDir", u"C:\\Tools\\");
    engine.properties[u"LAUNCH_TOSKAN"] = u"false";  // any text requests the launch
  }
};

TEST_F(LaunchTest, StartsTheToolFromTheRecordedFolderUnchanged) {
  EXPECT_EQ(launchToskan(&engine), S_OK);
  ASSERT_EQ(Started().size(), 1u);
  EXPECT_EQ(Started()[0].file, u"C:\\Tools\\\\VendorTools\\Toskan\\toskan.exe");
  EXPECT_EQ(Started()[0].directory, u"C:\\Tools\\\\VendorTools\\Toskan");
  EXPECT_EQ(Started()[0].parameters, u"-top");
  EXPECT_EQ(Started()[0].mask, platform::kSeeMaskFlagNoUi);
}

TEST_F(LaunchTest, NothingStartsWithoutRequestSuccessOrRecord) {
  engine.properties[u"LAUNCH_TOSKAN"] = u"";
  EXPECT_EQ(launchToskan(&engine), S_OK);
  engine.properties[u"LAUNCH_TOSKAN"] = u"0";
  engine.properties[u"ISInstallStatus"] = u"Installation completed ";
  EXPECT_EQ(launchToskan(&engine), S_OK);  // the query's own status
  engine.queryStatus = S_FALSE;            // a non-negative status is handed on
  EXPECT_EQ(launchToskan(&engine), S_FALSE);
  engine.queryStatus = S_OK;
  engine.properties[u"ISInstallStatus"] = u"[SUCCESS]";
  sim::machine().registry.DeleteKey(*machine::CanonicalKey(kRecord));
  EXPECT_EQ(launchToskan(&engine), S_OK);
  EXPECT_TRUE(Started().empty());
}

TEST_F(LaunchTest, PresenceIsCheckedUnderInstallDirTheLaunchUsesTheRecord) {
  sim::machine().files[sim::NormalFilePath(u"D:\\Corvane\\VendorTools\\Toskan\\toskan.exe")] = {true};
  engine.properties[u"LAUNCH_TOSKAN"] = u"";
  EXPECT_EQ(allowLaunchToskan(&engine), S_OK);  // present: the request is left as it is
  EXPECT_EQ(engine.Writes().size(), 0u);
  engine.properties[u"LAUNCH_TOSKAN"] = u"1";
  engine.properties[u"INSTALLDIR"] = u"C:\\Tools";  // the tool lies only under D:
  EXPECT_EQ(allowLaunchToskan(&engine), S_FALSE);
  EXPECT_EQ(engine.Property(u"LAUNCH_TOSKAN"), u"");
  EXPECT_EQ(launchToskan(&engine), S_OK);
  EXPECT_TRUE(Started().empty());
}

TEST_F(LaunchTest, LockedProgramCountsAsAbsent) {
  sim::machine().files[sim::NormalFilePath(u"D:\\Corvane\\VendorTools\\Toskan\\toskan.exe")] = {false};
  EXPECT_EQ(allowLaunchToskan(&engine), S_FALSE);
}

// A resolved text is the engine's whole text: one that differs only after a NUL is another text.
TEST_F(LaunchTest, ATextThatDiffersOnlyAfterANulIsNoSuccess) {
  const std::u16string withNul(u"Done\0x", 6);
  engine.translations[u"IDS_INSTALL_SUCCESS"] = withNul;
  engine.properties[u"ISInstallStatus"] = u"Done";
  EXPECT_EQ(finishAction(&engine), S_OK);
  EXPECT_EQ(launchToskan(&engine), S_OK);
  EXPECT_TRUE(Started().empty());
  EXPECT_EQ(Stored(u"InstallDir"), u"<none>");
  // The same text on both sides, NUL and all, is success.
  engine.translations[u"Done"] = withNul;
  EXPECT_EQ(finishAction(&engine), S_OK);
  EXPECT_EQ(launchToskan(&engine), S_OK);
  EXPECT_EQ(Started().size(), 2u);
}

// The engine runs elevated: a program path that is not fully qualified would be found relative to
// its current folder or drive, so nothing starts; every fully qualified path starts as it is built.
TEST_F(FinishTest, OnlyFullyQualifiedProgramPathsStart) {
  const struct Row {
    const char16_t* folder;
    const char16_t* started;  // null: nothing starts
  } rows[] = {
      {u"", nullptr},
      {u"ProgramData\\", nullptr},
      {u"\\ProgramData\\", nullptr},
      {u"C:ProgramData\\", nullptr},
      {u"C:\\ProgramData", u"C:\\ProgramDataBrisolt\\Connect\\11\\ISUSPM.exe"},
      {u"d:/Data/", u"d:/Data/Brisolt\\Connect\\11\\ISUSPM.exe"},
      {u"\\\\server\\share\\", u"\\\\server\\share\\Brisolt\\Connect\\11\\ISUSPM.exe"},
  };
  for (const Row& row : rows) {
    sim::machine().answers.programsStarted.clear();
    engine.properties[u"CommonAppDataFolder"] = row.folder;
    EXPECT_EQ(finishAction(&engine), S_OK);
    EXPECT_EQ(Stored(u"InstallDir"), u"D:\\Corvane");  // the record is written all the same
    if (row.started == nullptr) {
      EXPECT_TRUE(Started().empty()) << testkit::ToUtf8(row.folder);
    } else {
      ASSERT_EQ(Started().size(), 1u) << testkit::ToUtf8(row.folder);
      EXPECT_EQ(Started()[0].file, row.started);
    }
  }
}

TEST_F(LaunchTest, AnEmptyOrMissingToolFolderStartsNothing) {
  SetRegistryText(kRecord, u"ClientInstallDir", u"");
  EXPECT_EQ(launchToskan(&engine), S_OK);
  sim::machine().registry.FindKey(*machine::CanonicalKey(kRecord))->values.erase(u"ClientInstallDir");
  EXPECT_EQ(launchToskan(&engine), S_OK);
  EXPECT_TRUE(Started().empty());
}

// The simulated shell answers as Windows does: a program that is absent, or held open without
// sharing, is not started, though the request is recorded.
TEST_F(ActionTest, TheShellStartsOnlyAProgramItCanOpen) {
  platform::ShellStart start;
  start.file = u"C:\\T\\tool.exe";
  EXPECT_FALSE(platform::StartShellProgram(start));
  sim::machine().files[sim::NormalFilePath(start.file)] = {false};
  EXPECT_FALSE(platform::StartShellProgram(start));
  sim::machine().files[sim::NormalFilePath(start.file)] = {true};
  EXPECT_TRUE(platform::StartShellProgram(start));
  EXPECT_EQ(sim::machine().answers.programsStarted.size(), 3u);
}

TEST_F(ActionTest, DiagnosticMessageAndItsStatus) {
  engine.messageStatus = static_cast<HRESULT>(0x80004004u);
  EXPECT_EQ(test(&engine), static_cast<HRESULT>(0x80004004u));
  ASSERT_EQ(engine.Journal().size(), 3u);
  EXPECT_EQ(scenario::Line(engine.Journal()[1], scenario::Length::Whole),
            "message \"HRESULT __stdcall test(IDispatch *pDispatch)\" caption \"DLL Action\" flags 0");
  EXPECT_EQ(test(nullptr), E_POINTER);
  engine.queryStatus = E_NOINTERFACE;
  EXPECT_EQ(test(&engine), E_NOINTERFACE);
  engine.queryStatus = S_OK;
  sim::FailSystemStringAllocation(1);
  EXPECT_EQ(test(&engine), E_OUTOFMEMORY);
  sim::FailSystemStringAllocation(0);
}

TEST_F(ActionTest, EveryAllocationFailureIsReportedAndReleasesEverything) {
  // Each run fails one more allocation further in; every path out must free what it holds.
  using Action = HRESULT (*)(IDispatch*);
  for (Action action : {initProperties, verify, calculateRequiredSpace, finishAction, launchToskan,
                        allowLaunchToskan}) {
    for (long nth = 1; nth < 40; ++nth) {
      engine.properties = {{u"ORVIX", u"1"}, {u"TOSKAN", u"1"}, {u"LAUNCH_TOSKAN", u"1"}};
      sim::FailSystemStringAllocation(nth);
      const HRESULT result = action(&engine);
      sim::FailSystemStringAllocation(0);
      EXPECT_TRUE(result == E_OUTOFMEMORY || result == S_OK || result == S_FALSE) << nth;
      EXPECT_EQ(engine.references, 0);
    }
  }
}

}  // namespace
