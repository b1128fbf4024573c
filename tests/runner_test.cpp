// The engine stand-in's own parts: registry editor exports, scenario loading, the runner's
// verdicts and its reports.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "scenario/reg_file.h"
#include "scenario/report.h"
#include "scenario/runner.h"
#include "scenario/scenario.h"
#include "scenario/status.h"
#include "testkit/utf_text.h"

namespace {

using testkit::RegistryChange;

std::string Utf16File(const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

std::vector<std::uint8_t> Units(const std::u16string& text) { return testkit::UnitBytes(text); }

TEST(RegFile, ReadsEveryFormOfTheVersionFiveExport) {
  const std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n\r\n"
      u"; an exported key\r\n"
      u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brisolt\\Corvane ORVIX]\r\n"
      u"@=\"default\"\r\n"
      u"\"Version\"=\"2.6 \\\"beta\\\" \\\\ x\"\r\n"
      u"\"Count\"=dword:0000002a\r\n"
      u"\"Path\"=hex(2):25,00,54,00,00,00\r\n"
      u"\"List\"=hex(7):61,00,00,00,\\\r\n"
      u"  62,00,00,00,00,00\r\n"
      u"\"Raw\"=hex:01,ff\r\n"
      u"\"Gone\"=-\r\n\r\n"
      u"[-HKEY_CLASSES_ROOT\\Installer\\Products\\E1A7]\r\n";
  const auto parsed = scenario::ParseRegText("x.reg", Utf16File(text));
  ASSERT_TRUE(parsed) << parsed.error();
  const std::vector<RegistryChange>& changes = *parsed;
  ASSERT_EQ(changes.size(), 9u);
  EXPECT_EQ(changes[0].kind, RegistryChange::Kind::CreateKey);
  EXPECT_EQ(changes[0].key, u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brisolt\\Corvane ORVIX");
  EXPECT_EQ(changes[1].name, u"");
  EXPECT_EQ(changes[1].value.data, Units(std::u16string(u"default\0", 8)));
  EXPECT_EQ(changes[2].value.data, Units(std::u16string(u"2.6 \"beta\" \\ x\0", 15)));
  EXPECT_EQ(changes[3].value.type, 4u);
  EXPECT_EQ(changes[3].value.data, (std::vector<std::uint8_t>{0x2a, 0, 0, 0}));
  EXPECT_EQ(changes[4].value.type, 2u);
  EXPECT_EQ(changes[5].value.type, 7u);
  EXPECT_EQ(changes[5].value.data, Units(std::u16string(u"a\0b\0\0", 5)));
  EXPECT_EQ(changes[6].value.data, (std::vector<std::uint8_t>{0x01, 0xff}));
  EXPECT_EQ(changes[7].kind, RegistryChange::Kind::DeleteValue);
  EXPECT_EQ(changes[8].kind, RegistryChange::Kind::DeleteKey);
  EXPECT_EQ(changes[8].key, u"HKEY_LOCAL_MACHINE\\Software\\Classes\\Installer\\Products\\E1A7");
}

TEST(RegFile, Utf8AndRegedit4Texts) {
  auto changes = scenario::ParseRegText(
      "u.reg", "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n[HKLM\\A]\n\"N\"=\"caf\xC3\xA9\"\n");
  ASSERT_TRUE(changes) << changes.error();
  EXPECT_EQ(changes->back().value.data, Units(std::u16string(u"caf\u00e9\0", 5)));
  // REGEDIT4 is single-byte Windows-1252, also inside expandable strings, which the registry
  // then holds as UTF-16.
  changes = scenario::ParseRegText("a.reg", "REGEDIT4\r\n[HKLM\\A]\r\n\"N\"=\"\x80 5\"\r\n\"E\"=hex(2):80,00\r\n");
  ASSERT_TRUE(changes) << changes.error();
  EXPECT_EQ((*changes)[1].value.data, Units(std::u16string(u"\u20ac 5\0", 4)));
  EXPECT_EQ((*changes)[2].value.data, Units(std::u16string(u"\u20ac\0", 2)));
}

TEST(RegFile, BrokenFilesNameTheLine) {
  struct Row {
    std::string text;
    std::string error;
  } rows[] = {
      {"REGEDIT5\n", "r.reg:1: not a registry export"},
      {"", "r.reg:1: not a registry export"},
      {"REGEDIT4\n\"N\"=\"v\"\n", "r.reg:2: value before the first [key]"},
      {"REGEDIT4\n[HKLM\\A\n", "r.reg:2: key line without closing ]"},
      {"REGEDIT4\n[HKCU\\A]\n", "r.reg:2: key root is not HKEY_LOCAL_MACHINE or HKEY_CLASSES_ROOT"},
      {"REGEDIT4\n[HKLM\\A]\n\"N\"=\"v\n", "r.reg:3: quoted text not closed"},
      {"REGEDIT4\n[HKLM\\A]\n\"N\"=\"a\\tb\"\n", "r.reg:3: unknown escape"},
      {"REGEDIT4\n[HKLM\\A]\n\"N\"=dword:12\n", "r.reg:3: dword needs eight hex digits"},
      {"REGEDIT4\n[HKLM\\A]\n\"N\"=dword:1234567g\n", "r.reg:3: dword needs eight hex digits"},
      {"REGEDIT4\n[HKLM\\A]\n\"N\"=hex:1,02\n", "r.reg:3: a byte must be two hex digits"},
      {"REGEDIT4\n[HKLM\\A]\n\"N\"=hex:01;02\n", "r.reg:3: bytes must be separated by commas"},
      {"REGEDIT4\n[HKLM\\A]\n\"N\"=hex(zz):01\n", "r.reg:3: unknown value type hex(zz)"},
      {"REGEDIT4\n[HKLM\\A]\n\"N\"=text\n", "r.reg:3: value data of no known form"},
      {"REGEDIT4\n[HKLM\\A]\n\"N\"=\"v\" x\n", "r.reg:3: text after the closing quote"},
      {"REGEDIT4\n[HKLM\\A]\n\"N\"=hex:01,\\", "r.reg:3: continued line at the end of the file"},
      {"REGEDIT4\n[HKLM\\A]\n\n\"N\"=hex:01,\\\n  zz\n", "r.reg:4: a byte must be two hex digits"},
      {"\xFF\xFEW\x00R", "r.reg: UTF-16 text cut short"},
      {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Brisolt]\n", "r.reg:2: a WOW6432Node key comes from a 64-bit machine"},
      // A hex run of any length is refused without its value growing past any integer.
      {"REGEDIT4\n[HKLM\\A]\n\"N\"=hex:" + std::string(4096, 'f') + "\n", "r.reg:3: a byte must be two hex digits"},
  };
  for (const Row& row : rows) {
    const auto changes = scenario::ParseRegText("r.reg", row.text);
    ASSERT_FALSE(changes) << row.text;
    EXPECT_EQ(changes.error().compare(0, row.error.size(), row.error), 0) << changes.error() << "\nfor: " << row.text;
  }
}

// The export a 64-bit machine's registry editor makes is the machine's own registry there.
TEST(RegFile, WowKeysOf64BitMachines) {
  const std::string text = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Brisolt]\n\"V\"=\"2.7\"\n";
  const auto changes = scenario::ParseRegText("r.reg", text, machine::Windows::X64);
  ASSERT_TRUE(changes) << changes.error();
  EXPECT_EQ(changes->front().key, u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Brisolt");
  EXPECT_FALSE(scenario::ParseRegText("r.reg", text, machine::Windows::X86));
}

TEST(Sizes, WholeBytesInBinaryUnits) {
  struct Row {
    const char* text;
    bool ok;
    std::uint64_t bytes;
  } rows[] = {
      {"0", true, 0},
      {"512 MB", true, 512ull << 20},
      {"1.5GB", true, 3ull << 29},
      {"2 TB", true, 2ull << 40},
      {"18446744073709551615", true, 18446744073709551615ull},
      {"18446744073709551616", false, 0},
      {"16777216 TB", false, 0},
      {"0.1 KB", false, 0},  // not a whole number of bytes
      {"0.0029296875 TB", true, 3ull << 30},  // its fraction times the unit is past 64 bits
      {"0.00000000001 TB", false, 0},         // 10.99511627776 bytes, even past 64 bits
      {"0.5 B", false, 0},
      {"15.999999999999 TB", false, 0},
      {"16777215.5 TB", true, (16777215ull << 40) + (1ull << 39)},
      {"16777215.9999999 TB", false, 0},  // 2^64 - 109951.1627776: not whole
      {"3 GiB", false, 0},
      {"GB", false, 0},
      {"-1", false, 0},
  };
  for (const Row& row : rows) {
    const auto bytes = scenario::ParseSize(row.text);
    EXPECT_EQ(bytes.has_value(), row.ok) << row.text;
    if (row.ok) {
      EXPECT_EQ(bytes, row.bytes) << row.text;
    }
  }
}

TEST(Statuses, NamesAndNumbersBothWays) {
  EXPECT_EQ(scenario::ParseStatus("E_OUTOFMEMORY"), static_cast<HRESULT>(0x8007000E));
  EXPECT_EQ(scenario::ParseStatus("0x80004002"), E_NOINTERFACE);
  EXPECT_EQ(scenario::ParseStatus("0x1"), S_FALSE);
  EXPECT_FALSE(scenario::ParseStatus("0x123456789").has_value());
  EXPECT_FALSE(scenario::ParseStatus("0xZZ").has_value());
  EXPECT_EQ(scenario::StatusName(S_FALSE), "0x00000001 S_FALSE");
  EXPECT_EQ(scenario::StatusName(static_cast<HRESULT>(0x80070002)), "0x80070002");
}

class ScenarioFileTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
};

TEST_F(ScenarioFileTest, ValuesOfEveryFormAndStepKinds) {
  const std::string path = Write("forms.json", R"({
    "library": "ovrel",
    "registry": {"HKLM\\K": {"S": {"sz": "ab", "terminated": false}, "M": {"multi_sz": ["a", "b"]},
                             "Q": {"qword": "0x5"}, "H": {"hex": "0102", "type": "expand_sz"}, "@": "d", "X": null},
                 "HKCR\\Gone": null},
    "volumes": {"C:\\": {"free": "1 GB", "fails": true}, "D:\\": 7},
    "clock": "2014-02-01 09:05:03",
    "steps": [{"set": {"A": "1", "B": null}}, {"expect": {"properties": {"A": "1", "B": null}}}]
  })");
  const auto loaded = scenario::LoadScenario(path);
  ASSERT_TRUE(loaded) << loaded.error();
  const scenario::Scenario& s = *loaded;
  EXPECT_EQ(s.name, "forms.json");
  ASSERT_EQ(s.registry.size(), 8u);
  EXPECT_EQ(s.registry[1].value.data, Units(u"ab"));
  EXPECT_EQ(s.registry[2].value.data, Units(std::u16string(u"a\0b\0\0", 5)));
  EXPECT_EQ(s.registry[3].value.data, (std::vector<std::uint8_t>{5, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(s.registry[4].value.type, 2u);
  EXPECT_EQ(s.registry[5].name, u"");
  EXPECT_EQ(s.registry[6].kind, RegistryChange::Kind::DeleteValue);
  EXPECT_EQ(s.registry[7].kind, RegistryChange::Kind::DeleteKey);
  EXPECT_EQ(s.registry[7].key, u"HKEY_LOCAL_MACHINE\\Software\\Classes\\Gone");
  ASSERT_EQ(s.volumes.size(), 2u);
  EXPECT_TRUE(s.volumes[0].fails);
  EXPECT_EQ(s.volumes[0].freeBytes, 1ull << 30);
  EXPECT_EQ(s.clock->hour, 9);
  ASSERT_EQ(s.steps.size(), 2u);
  EXPECT_EQ(s.steps[0].kind, scenario::Step::Kind::Set);
  EXPECT_FALSE(s.steps[1].expect.properties[1].second.has_value());
}

TEST_F(ScenarioFileTest, MistakesNameTheFileAndThePlace) {
  struct Row {
    const char* text;
    const char* error;
  } rows[] = {
      {"{\n\"library\": \"ovrel\",\n\"steps\": [,]}", ":3:11: malformed JSON"},
      {"{\"name\": -1e999, \"library\": \"ovrel\", \"steps\": []}", ":1:10: malformed JSON: number overflow parsing '-1e999'"},
      {R"({"library": "ovrel", "steps": [{"set": {"A": "1", "B": "2", "A": "3"}}]})",
       ": /steps/0/set/A: the key \"A\" is given twice"},
      {R"({"library": "ovrel", "steps": [{"set": {}}, [1, {"x": 1, "x": 2}]]})", ": /steps/1/1/x: the key \"x\" is given twice"},
      {"[]", ": /: expected an object, found a list"},
      {R"({"library": "ovrel", "steps": [{"call": 5}]})", ": /steps/0/call: expected a text, found a number"},
      {R"({"library": "ovrel", "steps": [{"cal": "verify"}]})", ": /steps/0: a step is"},
      {R"({"library": "ovrel", "steps": [{"set": {}, "expect": {}}]})", ": /steps/0/expect: unknown key"},
      {R"({"library": "ovrel", "steps": [{"expect": {"result": "S_OK"}}]})", ": /steps/0/expect/result: unknown key"},
      {R"({"library": "ovrel", "steps": [{"call": "verify", "expect": {"writes": [["A"]]}}]})",
       ": /steps/0/expect/writes/0: expected [name, value]"},
      {R"({"library": "ovrel", "volumes": {"C:\\": "lots"}, "steps": []})", ": /volumes/C:\\: \"lots\": expected a number of bytes"},
      {R"({"library": "ovrel", "volumes": {"C:\\": "0.1 KB"}, "steps": []})", ": /volumes/C:\\: \"0.1 KB\": not a whole number of bytes"},
      {R"({"library": "ovrel", "volumes": {"C:": "1 GB", "c:\\": "2 GB"}, "steps": []})",
       ": /volumes/c:\\: the same volume as \"C:\\\" for Windows, given twice"},
      {R"({"library": "ovrel", "clock": "2014-13-01 09:05:03", "steps": []})", ": /clock: \"2014-13-01 09:05:03\" is no time"},
      {R"({"library": "ovrel", "clock": "2014-02-01 -9:05:03", "steps": []})", ": /clock: expected a local time"},
      {R"({"library": "ovrel", "clock": "2014-02-01 09:-5:03", "steps": []})", ": /clock: expected a local time"},
      {R"({"library": "ovrel", "clock": "2014-02-30 09:05:03", "steps": []})", ": /clock: \"2014-02-30 09:05:03\" is no time"},
      {R"({"library": "ovrel", "clock": "0099-02-01 09:05:03", "steps": []})", ": /clock: \"0099-02-01 09:05:03\" is no time"},
      {R"({"library": "ovrel", "messageAnswers": ["maybe"], "steps": []})", ": /messageAnswers/0: expected \"yes\""},
      {R"({"library": "ovrel", "files": {"C:\\a": "open"}, "steps": []})", ": /files/C:\\a: expected \"readable\""},
      {R"({"library": "ovrel", "deny": {"HKLM\\A": "some"}, "steps": []})", ": /deny/HKLM\\A: expected \"write\""},
      {R"({"library": "ovrel", "registry": {"HKLM\\A": {"V": {"hex": "0g"}}}, "steps": []})",
       ": /registry/HKLM\\A/V/hex: not a hex digit"},
      {R"({"library": "ovrel", "registry": {"HKLM\\A": {"V": {"sz": "a", "dword": 1}}}, "steps": []})",
       ": /registry/HKLM\\A/V: give exactly one of"},
      {R"({"library": "ovrel", "registry": {"HKLM\\A": {"V": {"dword": 1, "terminated": false}}}, "steps": []})",
       ": /registry/HKLM\\A/V/terminated: terminated goes with sz or expand_sz only"},
      {R"({"library": "ovrel", "registry": {"HKLM\\A": {"V": {"dword": "42"}}}, "steps": []})",
       ": /registry/HKLM\\A/V/dword: expected a whole number of 0 or more, or a hex text"},
      {R"({"library": "ovrel", "registry": {"HKLM\\A": {"V": {"dword": "0x100000000"}}}, "steps": []})",
       ": /registry/HKLM\\A/V/dword: dword out of the 32-bit range"},
      {R"({"library": "ovrel", "registry": {"import": ["missing.reg"]}, "steps": []})", ": /registry/import/0: "},
      {R"({"library": "ovrel", "shutdownPrivilege": true, "steps": []})", ": /shutdownPrivilege: expected \"granted\""},
      {R"({"library": "ovrel", "steps": [{"expect": {"registry": {"HKLM\\SOFTWARE\\WOW6432Node\\X": null}}}]})",
       ": /steps/0/expect/registry/HKLM\\SOFTWARE\\WOW6432Node\\X: a WOW6432Node key comes from a 64-bit machine"},
      // "windows" decides what a path means, wherever it stands in the file.
      {R"({"library": "ovrel", "deny": {"HKLM\\SOFTWARE\\Wow6432Node\\X": "write"}, "steps": [], "windows": "x86"})",
       ": /deny/HKLM\\SOFTWARE\\Wow6432Node\\X: a WOW6432Node key comes from a 64-bit machine"},
      {R"({"library": "ovrel", "registry": {"HKLM\\SOFTWARE\\WOW6432Node\\X": {}}, "steps": []})",
       ": /registry/HKLM\\SOFTWARE\\WOW6432Node\\X: a WOW6432Node key comes from a 64-bit machine"},
      {R"({"library": "ovrel", "windows": "arm64", "steps": []})", ": /windows: expected \"x86\" (32-bit Windows) or \"x64\""},
      {R"({"library": "ovrel", "windows": "x64", "registry": {"HKCU\\X": {}}, "steps": []})",
       ": /registry/HKCU\\X: key root must be"},
      {R"({"library": "ovrel", "engine": {"queryStatus": -3000000000}, "steps": []})",
       ": /engine/queryStatus: status out of the 32-bit range"},
  };
  for (const Row& row : rows) {
    const std::string path = Write("bad.json", row.text);
    const auto loaded = scenario::LoadScenario(path);
    ASSERT_FALSE(loaded) << row.text;
    EXPECT_NE(loaded.error().find(path + row.error), std::string::npos) << loaded.error() << "\nfor: " << row.text;
  }
}

class RunnerTest : public ScenarioFileTest {
 protected:
  std::vector<scenario::ScenarioReport> Run(const std::string& text) {
    scenario::Runner runner(SUITE_LIBRARY_FOLDER);
    const testkit::Result<> prepared = runner.Prepare(Write("run.json", text));
    EXPECT_TRUE(prepared) << prepared.error();
    return runner.RunAll();
  }
};

TEST_F(RunnerTest, FailedExpectationsSayWhatWasExpectedAndWhatHappened) {
  const auto reports = Run(R"({
    "library": "ovrel",
    "properties": {"TOSKAN": "1"},
    "steps": [{"call": "verify", "expect": {
      "result": "S_FALSE",
      "properties": {"ValidSelection": "false", "ORVIX_TOSKAN": null},
      "writes": [["ValidSelection", "true"]],
      "programs": [{"file": "C:\\x.exe"}],
      "restart": true,
      "registry": {"HKLM\\SOFTWARE\\Brisolt\\Corvane ORVIX": {"Version": "2.6"}}
    }}]
  })");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_FALSE(reports[0].Passed());
  const std::vector<std::string>& failures = reports[0].steps[0].failures;
  ASSERT_EQ(failures.size(), 7u);
  EXPECT_EQ(failures[0], "result: expected 0x00000001 S_FALSE, got 0x00000000 S_OK");
  EXPECT_NE(failures[1].find("writes: expected\n      ValidSelection = \"true\"\n    got\n"), std::string::npos);
  EXPECT_NE(failures[2].find("programs started: expected"), std::string::npos);
  EXPECT_EQ(failures[3], "restart: expected a request, got none");
  EXPECT_EQ(failures[4], "property ValidSelection: expected \"false\", got \"true\"");
  EXPECT_EQ(failures[5], "property ORVIX_TOSKAN: expected <unset>, got \"\"");
  EXPECT_EQ(failures[6],
            "registry [HKLM\\SOFTWARE\\Brisolt\\Corvane ORVIX] \"Version\": expected \"2.6\", got <absent>");

  std::ostringstream junit, json;
  scenario::WriteJunit(junit, reports);
  // One failure for the scenario: its message counts them, its body lists them all by step.
  const std::string xml = junit.str();
  EXPECT_NE(xml.find("<failure message=\"7 of "), std::string::npos) << xml;
  EXPECT_NE(xml.find("expectations failed\">step 1 (/steps/0): result: expected 0x00000001 S_FALSE"), std::string::npos)
      << xml;
  EXPECT_NE(xml.find("step 1 (/steps/0): restart: expected a request, got none"), std::string::npos) << xml;
  EXPECT_EQ(xml.find("<failure", xml.find("<failure") + 1), std::string::npos) << xml;
  scenario::WriteJson(json, reports);
  const auto parsed = nlohmann::json::parse(json.str());
  EXPECT_EQ(parsed["failed"], 1);
  EXPECT_EQ(parsed["scenarios"][0]["steps"][0]["result"], "0x00000000");
  EXPECT_EQ(parsed["scenarios"][0]["steps"][0]["resultName"], "S_OK");
}

// On 64-bit Windows every action works in the 32-bit view: the install record, the server key and
// its creation there, while the 64-bit view's keys of the same names stay as they were and the
// shared keys (Windows Installer's registrations, the Session Manager) are seen in both.
TEST_F(RunnerTest, KeysInBothViewsOn64BitWindows) {
  const auto reports = Run(R"({
    "library": "caddon", "windows": "x64",
    "registry": {
      "HKLM\\SOFTWARE\\Brisolt\\Corvane ORVIX": {"Version": "2.7", "ORVIXTYPE": "upgrade"},
      "HKLM\\SOFTWARE\\WOW6432Node\\Brisolt\\Corvane ORVIX": {"Version": "2.5", "ORVIXTYPE": "new"},
      "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager": {"PendingFileRenameOperations": {"multi_sz": ["\\??\\C:\\ProgramData\\Corvane\\old.dll", ""]}}
    },
    "properties": {"ORVIXPortalTypeProp": "Separate", "ISORVIXEXIST": "unset"},
    "messageAnswers": ["no"],
    "steps": [
      {"call": "detectORVIX", "expect": {"properties": {"ISORVIXEXIST": "No"}}},
      {"call": "SetPortalTypeRegistry", "expect": {"registry": {
        "HKLM\\SOFTWARE\\WOW6432Node\\Brisolt\\Corvane ORVIX": {"Version": "2.5", "IsIntegratedPortal": "Separate"},
        "HKLM\\SOFTWARE\\Brisolt\\Corvane ORVIX": {"Version": "2.7", "IsIntegratedPortal": null}}}},
      {"call": "RebootMachine", "expect": {"messages": [{"text": "It is recommended to restart the machine. Save and close any unsaved files and click Yes to reboot.", "caption": "Corvane ORVIX"}]}}
    ]})");
  ASSERT_EQ(reports.size(), 1u);
  for (const auto& step : reports[0].steps)
    EXPECT_TRUE(step.failures.empty()) << step.title << ": " << step.failures.front();
  EXPECT_EQ(reports[0].windows, "x64");

  std::ostringstream junit, json;
  scenario::WriteJunit(junit, reports);
  EXPECT_NE(junit.str().find("classname=\"suitehost.native-x64.run\""), std::string::npos) << junit.str();
  scenario::WriteJson(json, reports);
  EXPECT_EQ(nlohmann::json::parse(json.str())["scenarios"][0]["windows"], "x64");

  // The same file on 32-bit Windows sees the other key, and refuses the 64-bit machine's paths.
  const auto x86 = scenario::LoadScenario(Write("x86.json", R"({"library": "caddon", "steps": [],
    "registry": {"HKLM\\SOFTWARE\\WOW6432Node\\Brisolt": {}}})"));
  EXPECT_FALSE(x86);
}

TEST_F(RunnerTest, ReportsThatCiReadersTakeAsTheyAre) {
  auto reports = Run(R"({"library": "ovrel", "properties": {"TOSKAN": "1"},
    "steps": [{"call": "verify", "expect": {"result": "S_FALSE"}}]})");
  scenario::ScenarioReport unloadable;
  unloadable.file = reports[0].file.substr(0, reports[0].file.find_last_of('/') + 1) + "invalid/a.b.json";
  unloadable.name = "a.b.json";
  unloadable.error = "tests/invalid/a.b.json: /x: unknown key";
  reports.push_back(unloadable);
  reports[0].seconds = 0.00001234;  // "1.234e-05" is what a stream would write

  std::ostringstream junit;
  scenario::WriteJunit(junit, reports);
  const std::string xml = junit.str();
  EXPECT_NE(xml.find("<testsuite name=\"suitehost native x86\" tests=\"2\" failures=\"1\" errors=\"1\""),
            std::string::npos) << xml;
  EXPECT_NE(xml.find("classname=\"suitehost.native-x86.run\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("classname=\"suitehost.native-x86.invalid.a-b\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("time=\"0.000\""), std::string::npos) << xml;
  EXPECT_EQ(xml.find("e-0"), std::string::npos) << xml;
  EXPECT_NE(xml.find("<error message=\"tests/invalid/a.b.json: /x: unknown key\"/>"), std::string::npos) << xml;

  // Two files of the same name and scenario name in different folders stay apart.
  std::vector<scenario::ScenarioReport> twins(2);
  twins[0].file = "examples/x64/road.json";
  twins[1].file = "tests/scenarios/x64/road.json";
  twins[0].name = twins[1].name = "road";
  std::ostringstream both;
  scenario::WriteJunit(both, twins);
  EXPECT_NE(both.str().find("classname=\"suitehost.native-x86.examples.x64.road\" name=\"road (examples/x64/road.json)\""),
            std::string::npos) << both.str();
  EXPECT_NE(both.str().find("classname=\"suitehost.native-x86.tests.scenarios.x64.road\" name=\"road (tests/scenarios/x64/road.json)\""),
            std::string::npos) << both.str();
  EXPECT_NE(xml.find("<system-out>  step 1: call verify"), std::string::npos) << xml;
  EXPECT_NE(xml.find("host    read ORVIX = null"), std::string::npos) << xml;

  std::ostringstream json;
  scenario::WriteJson(json, reports);
  const auto parsed = nlohmann::json::parse(json.str());
  EXPECT_EQ(parsed["format"], 2);
  EXPECT_EQ(parsed["errors"], 1);
  EXPECT_EQ(parsed["scenarios"][1]["error"], "tests/invalid/a.b.json: /x: unknown key");
  const auto& trace = parsed["scenarios"][0]["steps"][0]["trace"];
  EXPECT_EQ(trace[0]["kind"], "query interface");
  EXPECT_EQ(trace[0]["status"], "0x00000000");
  bool sawNullRead = false, sawWrite = false;
  for (const auto& entry : trace) {
    sawNullRead |= entry["kind"] == "read" && entry["name"] == "ORVIX" && entry["value"].is_null();
    sawWrite |= entry["source"] == "host" && entry["kind"] == "write" && entry["name"] == "ValidSelection" &&
                entry["value"] == "true";
  }
  EXPECT_TRUE(sawNullRead) << trace.dump();
  EXPECT_TRUE(sawWrite) << trace.dump();
}

TEST_F(RunnerTest, EachScenarioStartsOnACleanMachineAndEngine) {
  scenario::Runner runner(SUITE_LIBRARY_FOLDER);
  testkit::Result<> prepared = runner.Prepare(Write("first.json", R"({
    "library": "ovrel", "properties": {"QUOR_VERSION": "1"},
    "registry": {"HKLM\\SOFTWARE\\Pellucor\\TAMBER VANTLE Install": {"InstallDir": "D:\\Old"}},
    "steps": [{"call": "finishAction"}]})"));
  ASSERT_TRUE(prepared) << prepared.error();
  prepared = runner.Prepare(Write("second.json", R"({
    "library": "ovrel",
    "steps": [{"call": "initProperties", "expect": {"writes": [
      ["TOSKAN_SELECTED", "install"], ["TOSKAN_ENABLED", "true"],
      ["ORVIX_SELECTED", "install"], ["ORVIX_ENABLED", "true"]]}},
      {"expect": {"properties": {"QUOR_VERSION": null},
                  "registry": {"HKLM\\SOFTWARE\\Pellucor\\TAMBER VANTLE Install": null}}}]})"));
  ASSERT_TRUE(prepared) << prepared.error();
  const auto reports = runner.RunAll();
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_TRUE(reports[0].Passed());
  EXPECT_TRUE(reports[1].Passed()) << reports[1].steps[0].failures.size();
  // The first run's changes show in its trace.
  std::vector<std::string> trace;
  for (const scenario::TraceEntry& entry : reports[0].steps[0].trace) trace.push_back(entry.line);
  EXPECT_NE(std::find(trace.begin(), trace.end(),
                      "registry [HKLM\\SOFTWARE\\Pellucor\\TAMBER VANTLE Install] \"InstallVersion\" = \"1\""),
            trace.end());
  // In JSON the key and the value's name are fields of their own, and the data is typed.
  std::ostringstream json;
  scenario::WriteJson(json, reports);
  const auto parsed = nlohmann::json::parse(json.str());
  int changes = 0, sets = 0;
  for (const auto& entry : parsed["scenarios"][0]["steps"][0]["trace"]) {
    if (entry["kind"] == "registry change" && entry["name"] == "InstallVersion") {
      ++changes;
      EXPECT_EQ(entry["key"], "HKEY_LOCAL_MACHINE\\SOFTWARE\\Pellucor\\TAMBER VANTLE Install");
      EXPECT_EQ(entry["data"], nlohmann::json::parse(R"({"type": "REG_SZ", "bytes": 4, "text": "1", "terminated": true})"));
    }
    if (entry["kind"] == "set value" && entry["name"] == "InstallVersion") {
      ++sets;
      EXPECT_EQ(entry["key"], "HKLM\\SOFTWARE\\Pellucor\\TAMBER VANTLE Install");
      EXPECT_EQ(entry["data"]["text"], "1");
      EXPECT_EQ(entry["code"], 0);
      EXPECT_EQ(entry["status"], "ERROR_SUCCESS (0)");
    }
  }
  EXPECT_EQ(changes, 1) << parsed.dump(1);
  EXPECT_EQ(sets, 1) << parsed.dump(1);
}

TEST_F(RunnerTest, LibraryAndActionProblemsAreRefusedBeforeAnythingRuns) {
  scenario::Runner runner(SUITE_LIBRARY_FOLDER);
  const testkit::Result<> library = runner.Prepare(Write("lib.json", R"({"library": "nolib", "steps": [{"call": "verify"}]})"));
  ASSERT_FALSE(library);
  EXPECT_NE(library.error().find("lib.json: /library: unknown library \"nolib\""), std::string::npos) << library.error();
  const testkit::Result<> action =
      runner.Prepare(Write("act.json", R"({"library": "caddon", "steps": [{"call": "verify"}]})"));
  ASSERT_FALSE(action);
  EXPECT_NE(action.error().find("act.json: /steps/0/call: "), std::string::npos) << action.error();
  EXPECT_NE(action.error().find("exports no action \"verify\""), std::string::npos) << action.error();
  EXPECT_TRUE(runner.RunAll().empty());
}

}  // namespace

TEST(Markup, KeepsWhatXmlHoldsAndReplacesTheRest) {
  const std::string fffd = "\xEF\xBF\xBD";
  const std::pair<std::string, std::string> rows[] = {
      {"a<b & \"c\" > d", "a&lt;b &amp; &quot;c&quot; &gt; d"},
      {"tab\tline\n", "tab\tline\n"},
      {"\x01", fffd},
      {"caf\xC3\xA9 \xF0\x9F\x98\x80", "caf\xC3\xA9 \xF0\x9F\x98\x80"},  // é and an emoji stay
      {"\xEF\xBF\xBE", fffd},                                           // U+FFFE: one character
      {"\xED\xA0\x80", fffd},                                           // a surrogate
      {"\xC3", fffd},                                                   // cut short
      {"\xC0\x80", fffd + fffd},                                        // overlong: two bytes, not UTF-8
      {"\xFF\xFEx", fffd + fffd + "x"},
  };
  for (const auto& [text, markup] : rows) EXPECT_EQ(scenario::EscapeMarkup(text), markup) << text;
}
