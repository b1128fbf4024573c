// Registry editor exports read into registry changes: every form of value, both file formats,
// and the line of each mistake.
#include <gtest/gtest.h>

#include <string_view>

#include "scenario/reg_file.h"
#include "tests/registry_changes.h"
#include "testkit/utf_text.h"

namespace {

using testkit::RegistryChange;
using Kind = RegistryChange::Kind;
using testing_support::Find;

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
  const std::u16string key = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brisolt\\Corvane ORVIX";
  EXPECT_EQ(changes.size(), 9u);
  EXPECT_TRUE(Find(changes, Kind::CreateKey, key));
  const struct {
    const char16_t* name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
  } values[] = {
      {u"", 1, Units(std::u16string(u"default\0", 8))},
      {u"Version", 1, Units(std::u16string(u"2.6 \"beta\" \\ x\0", 15))},
      {u"Count", 4, {0x2a, 0, 0, 0}},
      {u"Path", 2, Units(std::u16string(u"%T\0", 3))},
      {u"List", 7, Units(std::u16string(u"a\0b\0\0", 5))},
      {u"Raw", 3, {0x01, 0xff}},
  };
  for (const auto& value : values) {
    const RegistryChange* set = Find(changes, Kind::SetValue, key, value.name);
    ASSERT_TRUE(set) << testkit::ToUtf8(value.name);
    EXPECT_EQ(set->value.type, value.type) << testkit::ToUtf8(value.name);
    EXPECT_EQ(set->value.data, value.data) << testkit::ToUtf8(value.name);
  }
  EXPECT_TRUE(Find(changes, Kind::DeleteValue, key, u"Gone"));
  // HKEY_CLASSES_ROOT is the machine's classes key.
  EXPECT_TRUE(Find(changes, Kind::DeleteKey, u"HKEY_LOCAL_MACHINE\\Software\\Classes\\Installer\\Products\\E1A7"));
  // The key is made before its values are set.
  EXPECT_LT(Find(changes, Kind::CreateKey, key), Find(changes, Kind::SetValue, key, u""));
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
  const RegistryChange* text = Find(*changes, Kind::SetValue, u"HKEY_LOCAL_MACHINE\\A", u"N");
  const RegistryChange* expandable = Find(*changes, Kind::SetValue, u"HKEY_LOCAL_MACHINE\\A", u"E");
  ASSERT_TRUE(text && expandable);
  EXPECT_EQ(text->value.data, Units(std::u16string(u"\u20ac 5\0", 4)));
  EXPECT_EQ(expandable->value.data, Units(std::u16string(u"\u20ac\0", 2)));
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
  EXPECT_TRUE(Find(*changes, Kind::CreateKey, u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Brisolt"));
  EXPECT_FALSE(scenario::ParseRegText("r.reg", text, machine::Windows::X86));
}

}  // namespace
