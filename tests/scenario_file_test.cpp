// Scenario files read into scenarios: every form of value and step, sizes and statuses as texts,
// and each mistake named by the file and the place in it.
#include <gtest/gtest.h>

#include <algorithm>

#include "scenario/scenario.h"
#include "tests/scenario_file_fixture.h"
#include "scenario/status.h"
#include "tests/registry_changes.h"
#include "testkit/utf_text.h"

namespace {

using testkit::RegistryChange;
using Kind = RegistryChange::Kind;
using testing_support::Find;

std::vector<std::uint8_t> Units(const std::u16string& text) { return testkit::UnitBytes(text); }

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

using testing_support::ScenarioFileTest;

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
  EXPECT_EQ(s.machine.registry.size(), 8u);
  const std::u16string key = u"HKEY_LOCAL_MACHINE\\K";
  EXPECT_TRUE(Find(s.machine.registry, Kind::CreateKey, key));
  const struct {
    const char16_t* name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
  } set[] = {
      {u"S", 1, Units(u"ab")},  // without its terminator
      {u"M", 7, Units(std::u16string(u"a\0b\0\0", 5))},
      {u"Q", 11, {5, 0, 0, 0, 0, 0, 0, 0}},
      {u"H", 2, {0x01, 0x02}},
      {u"", 1, Units(std::u16string(u"d\0", 2))},  // "@": the key's default value
  };
  for (const auto& value : set) {
    const RegistryChange* change = Find(s.machine.registry, Kind::SetValue, key, value.name);
    ASSERT_TRUE(change) << testkit::ToUtf8(value.name);
    EXPECT_EQ(change->value.type, value.type) << testkit::ToUtf8(value.name);
    EXPECT_EQ(change->value.data, value.data) << testkit::ToUtf8(value.name);
  }
  EXPECT_TRUE(Find(s.machine.registry, Kind::DeleteValue, key, u"X"));
  EXPECT_TRUE(Find(s.machine.registry, Kind::DeleteKey, u"HKEY_LOCAL_MACHINE\\Software\\Classes\\Gone"));
  ASSERT_EQ(s.machine.volumes.size(), 2u);
  for (const auto& [root, volume] : s.machine.volumes) {
    if (root == u"C:\\") {
      EXPECT_TRUE(volume.fails);
      EXPECT_EQ(volume.callerFreeBytes, 1ull << 30);
    } else {
      EXPECT_EQ(root, u"D:\\");
      EXPECT_FALSE(volume.fails);
      EXPECT_EQ(volume.callerFreeBytes, 7u);
    }
  }
  ASSERT_TRUE(s.machine.clock);
  EXPECT_EQ(s.machine.clock->hour, 9);
  ASSERT_EQ(s.steps.size(), 2u);
  EXPECT_EQ(s.steps[0].kind, scenario::Step::Kind::Set);
  const auto& expected = s.steps[1].expect.properties;
  const auto b = std::find_if(expected.begin(), expected.end(), [](const auto& p) { return p.first == u"B"; });
  ASSERT_NE(b, expected.end());
  EXPECT_FALSE(b->second.has_value());  // null: expected unset
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

}  // namespace
