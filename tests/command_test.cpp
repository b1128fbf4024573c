// The `call` command's scenario, built from its options without starting suitehost.
#include <gtest/gtest.h>

#include <fstream>

#include "cli/command.h"
#include "tests/scenario_file_fixture.h"

namespace {

TEST(CallScenario, OptionsBecomeTheMachineAndOneCall) {
  suitehost::CallOptions o;
  o.library = "ovrel";
  o.action = "calculateRequiredSpace";
  o.properties = {"INSTALLDIR=C:\\Program Files\\Corvane", "EMPTY="};
  o.volumes = {"C:\\=1.5GB"};
  o.environment = {"TEMP=C:\\t=x"};
  o.files = {"C:\\a.exe"};
  o.answers = {"yes", "no"};
  const auto s = suitehost::CallScenario(o);
  ASSERT_TRUE(s) << s.error();
  EXPECT_EQ(s->library, "ovrel");
  ASSERT_EQ(s->engine.properties.size(), 2u);
  EXPECT_EQ(s->engine.properties[0].second, u"C:\\Program Files\\Corvane");
  EXPECT_EQ(s->engine.properties[1].second, u"");
  ASSERT_EQ(s->machine.volumes.size(), 1u);
  EXPECT_EQ(s->machine.volumes[0].first, u"C:\\");
  EXPECT_EQ(s->machine.volumes[0].second.callerFreeBytes, 3ull << 29);
  // Only the first "=" separates the name.
  EXPECT_EQ(s->machine.environment[0].second, u"C:\\t=x");
  EXPECT_EQ(s->machine.messageAnswers, (std::vector<int>{6, 7}));
  ASSERT_EQ(s->steps.size(), 1u);
  EXPECT_EQ(s->steps[0].action, "calculateRequiredSpace");
  EXPECT_EQ(s->steps[0].where, "/steps/0");
  EXPECT_EQ(s->machine.windows, machine::Windows::X86);

  // On 64-bit Windows the same export is the machine's own registry.
  o.windows = "x64";
  o.regFiles = {SUITE_SOURCE_FOLDER "/examples/registry/orvix-2.2-x64.reg"};
  const auto x64 = suitehost::CallScenario(o);
  ASSERT_TRUE(x64) << x64.error();
  EXPECT_EQ(x64->machine.windows, machine::Windows::X64);
  EXPECT_EQ(x64->machine.registry.back().key, u"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Pellucor\\TAMBER VANTLE Install");
}

TEST(CallScenario, AWrongOptionIsNamed) {
  struct Row {
    void (*set)(suitehost::CallOptions&);
    const char* error;
  } rows[] = {
      {[](suitehost::CallOptions& o) { o.properties = {"NOVALUE"}; }, "--property NOVALUE: expected NAME=VALUE"},
      {[](suitehost::CallOptions& o) { o.properties = {"=x"}; }, "--property =x: expected NAME=VALUE"},
      {[](suitehost::CallOptions& o) { o.volumes = {"C:\\=lots"}; }, "--volume C:\\=lots: \"lots\": expected a number of bytes"},
      {[](suitehost::CallOptions& o) { o.volumes = {"d:\\=99999999999999999999999GB"}; },
       "--volume d:\\=99999999999999999999999GB: \"99999999999999999999999GB\": larger than the most bytes"},
      {[](suitehost::CallOptions& o) { o.volumes = {"D:=1GB", "d:\\=2GB"}; },
       "--volume d:\\=2GB: the same volume as D:\\ for Windows, given twice"},
      {[](suitehost::CallOptions& o) { o.volumes = {"3GB"}; }, "--volume 3GB: expected ROOT=SIZE"},
      {[](suitehost::CallOptions& o) { o.environment = {"TEMP"}; }, "--env TEMP: expected NAME=VALUE"},
      {[](suitehost::CallOptions& o) { o.answers = {"maybe"}; }, "--answer maybe: expected yes or no"},
      {[](suitehost::CallOptions& o) { o.regFiles = {"/no/such/file.reg"}; }, "/no/such/file.reg: No such file or directory"},
      {[](suitehost::CallOptions& o) { o.windows = "amd64"; }, "--windows amd64: expected x86 (32-bit Windows) or x64"},
      // An export of a 64-bit machine, on 32-bit Windows.
      {[](suitehost::CallOptions& o) { o.regFiles = {SUITE_SOURCE_FOLDER "/examples/registry/orvix-2.2-x64.reg"}; },
       SUITE_SOURCE_FOLDER "/examples/registry/orvix-2.2-x64.reg:3: a WOW6432Node key comes from a 64-bit machine"},
  };
  for (const Row& row : rows) {
    suitehost::CallOptions o;
    o.library = "ovrel";
    o.action = "verify";
    row.set(o);
    const auto s = suitehost::CallScenario(o);
    ASSERT_FALSE(s) << row.error;
    EXPECT_EQ(s.error().rfind(row.error, 0), 0u) << s.error();
  }
}

}  // namespace

namespace {

// The command line run as suitehost runs it; what it printed on the error output.
int RunSuitehost(std::vector<std::string> words, std::string& errors) {
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  testing::internal::CaptureStderr();
  const int status = suitehost::RunCommand(static_cast<int>(argv.size()), argv.data());
  errors = testing::internal::GetCapturedStderr();
  return status;
}

TEST(Command, MistakesOnTheCommandLineAreNamedAsSuch) {
  const struct Row {
    std::vector<std::string> words;
    const char* error;
  } rows[] = {
      {{"suitehost", "runn", "x.json"}, "suitehost: unknown command \"runn\""},
      {{"suitehost", "--lib-dir", SUITE_LIBRARY_FOLDER, "call", "caddon", "verify"},
       "exports no action \"verify\" (it is an action of ovrel)"},
      {{"suitehost", "--lib-dir", SUITE_LIBRARY_FOLDER, "call", "ovrel", "verifyy"}, "suitehost: call: "},
      {{"suitehost", "--lib-dir", SUITE_LIBRARY_FOLDER, "call", "nolib", "verify"}, "suitehost: call: unknown library \"nolib\": the libraries are ovrel and caddon"},
  };
  for (const Row& row : rows) {
    std::string errors;
    EXPECT_EQ(RunSuitehost(row.words, errors), suitehost::kCannotRun) << row.error;
    EXPECT_NE(errors.find(row.error), std::string::npos) << errors;
  }
}

TEST(Command, VersionIsTheProjects) {
  testing::internal::CaptureStdout();
  std::string errors;
  EXPECT_EQ(RunSuitehost({"suitehost", "--version"}, errors), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string("suitehost ") + SUITE_VERSION + "\n");
}

TEST(Command, AMissingFileAmongOthersIsThatFilesError) {
  testing::internal::CaptureStdout();
  std::string errors;
  const std::string folder = SUITE_SOURCE_FOLDER;
  EXPECT_EQ(RunSuitehost({"suitehost", "--lib-dir", SUITE_LIBRARY_FOLDER, "run", "-q", folder + "/examples/typical-road.json",
                          folder + "/examples/no-such-file.json", folder + "/examples/server-road.json"},
                         errors),
            suitehost::kCannotRun);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(errors.find("no-such-file.json: No such file or directory"), std::string::npos) << errors;
  EXPECT_NE(out.find("scenarios: 2 passed, 1 failed, 0 skipped"), std::string::npos) << out;
}

TEST(Command, ACallSaysNoCountOfExpectationsAndItsJsonHasTheProperties) {
  testing::internal::CaptureStdout();
  std::string errors;
  EXPECT_EQ(RunSuitehost({"suitehost", "--lib-dir", SUITE_LIBRARY_FOLDER, "call", "ovrel", "verify", "-p", "TOSKAN=1"},
                         errors),
            0);
  const std::string text = testing::internal::GetCapturedStdout();
  EXPECT_EQ(text.find("expectations"), std::string::npos) << text;
  EXPECT_NE(text.find("  ValidSelection = \"true\""), std::string::npos) << text;
  testing::internal::CaptureStdout();
  EXPECT_EQ(RunSuitehost({"suitehost", "--lib-dir", SUITE_LIBRARY_FOLDER, "call", "--json", "ovrel", "verify", "-p",
                          "TOSKAN=1"},
                         errors),
            0);
  const std::string json = testing::internal::GetCapturedStdout();
  EXPECT_NE(json.find("\"propertiesAfter\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"ValidSelection\": \"true\""), std::string::npos) << json;
}

}  // namespace

TEST(CallScenario, ADriveIsItsRootAndTheUsersKeysAreLeftOutAndSaid) {
  suitehost::CallOptions o;
  o.library = "ovrel";
  o.action = "verify";
  o.volumes = {"d:=3GB"};
  const testing_support::OwnFolder folder;
  const std::string reg = folder.File("branch.reg");
  {
    std::ofstream out(reg, std::ios::binary);
    out << "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Foo]\r\n\"A\"=\"1\"\r\n"
           "[HKEY_USERS\\S-1-5-18\\X]\r\n[HKEY_USERS\\S-1-5-18\\Y]\r\n\"B\"=dword:00000001\r\n"
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane]\r\n\"Version\"=\"1.0\"\r\n";
  }
  o.regFiles = {reg};
  const auto s = suitehost::CallScenario(o);
  ASSERT_TRUE(s) << s.error();
  ASSERT_EQ(s->machine.volumes.size(), 1u);
  EXPECT_EQ(s->machine.volumes[0].first, u"d:\\");
  // Only the machine's own keys, with their values; the others counted in one line.
  ASSERT_EQ(s->machine.registry.size(), 2u);
  EXPECT_EQ(s->machine.registry[0].key, u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane");
  EXPECT_EQ(s->machine.registry[1].name, u"Version");
  ASSERT_EQ(s->notes.size(), 1u);
  EXPECT_NE(s->notes[0].find("left out 1 key under HKEY_CURRENT_USER and 2 keys under HKEY_USERS"), std::string::npos)
      << s->notes[0];
}
