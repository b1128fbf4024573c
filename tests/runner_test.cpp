// The runner's verdicts and its reports: what failed, each scenario on a clean machine, the
// views of 64-bit Windows, and the reports as CI readers take them.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>

#include "scenario/event_text.h"
#include "scenario/report.h"
#include "scenario/runner.h"
#include "scenario/scenario.h"
#include "tests/scenario_file_fixture.h"

namespace {

using testing_support::ScenarioFileTest;

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
  // Each failure as data: the expectation's place in the file, what it expected and what happened
  // (a list as a list), and the sentence.
  const auto& data = parsed["scenarios"][0]["steps"][0]["failures"];
  ASSERT_EQ(data.size(), 7u);
  const char* paths[] = {"/steps/0/expect/result", "/steps/0/expect/writes", "/steps/0/expect/programs",
                         "/steps/0/expect/restart", "/steps/0/expect/properties/ValidSelection",
                         "/steps/0/expect/properties/ORVIX_TOSKAN"};
  for (size_t i = 0; i < std::size(paths); ++i) EXPECT_EQ(data[i]["path"], paths[i]) << data[i].dump();
  EXPECT_EQ(data[6]["path"].get<std::string>().rfind("/steps/0/expect/registry/", 0), 0u) << data[6].dump();
  EXPECT_EQ(data[0]["expected"], "0x00000001 S_FALSE");
  EXPECT_EQ(data[0]["actual"], "0x00000000 S_OK");
  EXPECT_EQ(data[0]["message"], failures[0]);
  EXPECT_EQ(data[1]["expected"], nlohmann::json::array({"ValidSelection = \"true\""}));
  EXPECT_TRUE(data[1]["actual"].is_array()) << data[1].dump();
  EXPECT_EQ(data[5]["expected"], "<unset>");
  EXPECT_EQ(data[6]["actual"], "<absent>");
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
    EXPECT_TRUE(step.failures.empty()) << step.Title() << ": " << step.failures.front();
  EXPECT_EQ(reports[0].windows, machine::Windows::X64);

  std::ostringstream junit, json;
  scenario::WriteJunit(junit, reports);
  EXPECT_NE(junit.str().find("classname=\"suitehost.native-x64.run\""), std::string::npos) << junit.str();
  scenario::WriteJson(json, reports);
  const auto parsed = nlohmann::json::parse(json.str());
  EXPECT_EQ(parsed["scenarios"][0]["windows"], "x64");

  // Each registry call says where the redirector took its key, beside the key as named: a key of
  // SOFTWARE in the 32-bit view, the shared Session Manager and Installer where they say.
  std::vector<std::string> lines;
  for (const auto& step : parsed["scenarios"][0]["steps"])
    for (const auto& e : step["trace"])
      if (e.contains("key") && e["source"] == "machine" && e["kind"] != "registry change") {
        const std::string key = e["key"];
        const bool software = key.rfind("HKLM\\SOFTWARE\\Brisolt", 0) == 0;
        EXPECT_EQ(e.contains("landed"), software) << e.dump();
        if (software) {
          EXPECT_EQ(e["landed"], "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node" + key.substr(13)) << e.dump();
          lines.push_back(e["line"]);
        }
      }
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines[0].find("[HKLM\\SOFTWARE\\Brisolt\\Corvane ORVIX] at [HKLM\\SOFTWARE\\WOW6432Node\\Brisolt\\Corvane ORVIX]"),
            std::string::npos) << lines[0];

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
  EXPECT_EQ(parsed["format"], 3);
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
  for (const machine::Event& e : reports[0].steps[0].trace) trace.push_back(scenario::Line(e));
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
