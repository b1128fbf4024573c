// The one formatter of the calls on the system: one trace line for each kind of call, as the
// simulated platform and the Windows stand-in both record it, with Windows' names for its figures
// and the data read and written.
#include <gtest/gtest.h>

#include "machine/call_trace.h"
#include "machine/win32_names.h"
#include <sstream>

#include "scenario/event_text.h"
#include "scenario/report.h"
#include "scenario/trace.h"
#include "tests/report_fixture.h"

namespace {

namespace trace = machine::trace;
namespace names = machine::names;
using machine::RegValue;

RegValue Text(const std::u16string& text, bool terminated = true, std::uint32_t type = 1) {
  RegValue v{type, {}};
  for (char16_t c : text + (terminated ? std::u16string(1, u'\0') : u"")) {
    v.data.push_back(static_cast<std::uint8_t>(c & 0xFF));
    v.data.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return v;
}

struct LineRow {
  machine::Event event;
  const char* line;
};

TEST(CallTraceTest, OneLinePerKindOfCall) {
  const LineRow rows[] = {
      {trace::OpenKey(u"HKLM\\SOFTWARE\\Brisolt\\Corvane ORVIX", 0x000F003F, 5),
       R"(open key [HKLM\SOFTWARE\Brisolt\Corvane ORVIX] (access KEY_ALL_ACCESS (0x000F003F)) -> ERROR_ACCESS_DENIED (5))"},
      {trace::CreateKey(u"HKLM\\SOFTWARE\\X", 0x0002001F, 0),
       R"(create key [HKLM\SOFTWARE\X] (access KEY_READ | KEY_WRITE (0x0002001F)) -> ERROR_SUCCESS (0))"},
      {trace::CloseKey(u"HKCR\\Installer"), R"(close key [HKCR\Installer])"},
      {[] {
         machine::Event e = trace::OpenKey(u"HKLM\\SOFTWARE\\X", 0x00020019, 0);
         e.landed = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\X";
         return e;
       }(),
       R"(open key [HKLM\SOFTWARE\X] at [HKLM\SOFTWARE\WOW6432Node\X] (access KEY_READ (0x00020019)) -> ERROR_SUCCESS (0))"},
      {trace::QueryValue(u"HKLM\\S", u"Version", false, 1024, 0, machine::Stored{8, 1}, Text(u"2.6")),
       R"(query value [HKLM\S] "Version" = "2.6" (buffer 1024 bytes, value 8 bytes of REG_SZ) -> ERROR_SUCCESS (0))"},
      {trace::QueryValue(u"HKLM\\S", u"Version", true, 0, 0, machine::Stored{2048, 7}, std::nullopt),
       R"(query value [HKLM\S] "Version" (size only, value 2048 bytes of REG_MULTI_SZ) -> ERROR_SUCCESS (0))"},
      {trace::QueryValue(u"HKLM\\S", u"Version", false, 4, 234, machine::Stored{16, 1}, std::nullopt),
       R"(query value [HKLM\S] "Version" (buffer 4 bytes, value 16 bytes of REG_SZ) -> ERROR_MORE_DATA (234))"},
      {trace::QueryValue(u"HKLM\\S", u"", false, 4, 2, std::nullopt, std::nullopt),
       R"(query value [HKLM\S] @ (buffer 4 bytes) -> ERROR_FILE_NOT_FOUND (2))"},
      {trace::SetValue(u"HKLM\\S", u"InstallDir", Text(u"C:\\P"), 0),
       R"(set value [HKLM\S] "InstallDir" = "C:\\P" (REG_SZ, 10 bytes) -> ERROR_SUCCESS (0))"},
      {trace::SetValueAnsi(u"HKLM\\S", u"IsIntegratedPortal", RegValue{1, {'T', 'r', 0x80, 0}}, 5),
       "set value (ANSI) [HKLM\\S] \"IsIntegratedPortal\" = \"Tr\u20ac\" (REG_SZ, 4 bytes) -> ERROR_ACCESS_DENIED (5)"},
      {trace::FreeSpace(u"C:\\", 1073741824), R"(free space "C:\\" (1073741824 bytes) -> ok)"},
      {trace::FreeSpace(u"Q:\\", std::nullopt), R"(free space "Q:\\" -> failed)"},
      {trace::Environment(u"TEMP", u"C:\\Temp"), R"(environment "TEMP" = "C:\\Temp")"},
      {trace::Environment(u"SystemRoot", u""), R"(environment "SystemRoot")"},
      {trace::WindowsFolder(u"C:\\Windows"), R"(windows folder = "C:\\Windows")"},
      {trace::FileCheck(u"C:\\t.exe", false), R"(file check "C:\\t.exe" -> not readable)"},
      {trace::Start({0x400, u"open", u"C:\\t.exe", u"-top", u"C:\\T", 1}, true),
       R"(start "C:\\t.exe" = "-top" (in "C:\\T") -> ok)"},
      {trace::Message({u"Restart now?", u"Setup", 4, 6}),
       R"(message box "Restart now?" = "Setup" (style MB_YESNO (0x00000004)) -> IDYES (6))"},
      {trace::OpenToken(0x28, true), R"(open token (access TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY (0x00000028)) -> ok)"},
      {trace::PrivilegeLookup(u"SeShutdownPrivilege", false), R"(privilege lookup "SeShutdownPrivilege" -> failed)"},
      {trace::PrivilegeAdjust(1300, true), R"(privilege adjust (last error ERROR_NOT_ALL_ASSIGNED (1300)) -> ok)"},
      {trace::CloseToken(), R"(close token)"},
      {trace::Restart({6, 0x80020003}, true),
       "restart (flags EWX_REBOOT | EWX_FORCE (0x00000006), reason SHTDN_REASON_FLAG_PLANNED | "
       "SHTDN_REASON_MAJOR_OPERATINGSYSTEM | SHTDN_REASON_MINOR_UPGRADE (0x80020003)) -> ok"},
  };
  for (const LineRow& row : rows) {
    EXPECT_EQ(scenario::Line(row.event), row.line);
    EXPECT_STREQ(scenario::SourceName(row.event.source), "machine");
  }
}

machine::Event EngineEvent(machine::EventKind kind, std::u16string name = {},
                           std::optional<std::u16string> text = std::nullopt, std::int64_t code = 0) {
  machine::Event e;
  e.source = machine::Source::Engine;
  e.kind = kind;
  e.name = std::move(name);
  e.text = std::move(text);
  e.code = code;
  return e;
}

struct EventRow {
  machine::Event event;
  const char* source;
  const char* kind;
  std::string line;
};

// Every other kind of event: its source and kind as the JSON report names them, and its line.
// Texts longer than a line are cut in the trace and kept whole for the host calls a scenario
// expects.
TEST(CallTraceTest, OneLinePerKindOfEvent) {
  using K = machine::EventKind;
  const std::u16string longText(70, u'x');
  machine::Event message = EngineEvent(K::EngineMessage, u"Done", u"Setup", 0x80004004);
  message.flags = 0xFFFFFFFF;
  const EventRow rows[] = {
      {EngineEvent(K::QueryInterface, u"", std::nullopt, 0x80004002), "host", "query interface",
       "query interface -> 0x80004002"},
      {EngineEvent(K::AddRef), "host", "addref", "addref"},
      {EngineEvent(K::Release), "host", "release", "release"},
      {EngineEvent(K::ReadProperty, u"ORVIX_VERSION", u"3.1"), "host", "read", R"(read ORVIX_VERSION = "3.1")"},
      {EngineEvent(K::ReadProperty, u"UNKNOWN"), "host", "read", "read UNKNOWN = null"},
      {EngineEvent(K::WriteProperty, u"T", longText), "host", "write",
       "write T = \"" + std::string(60, 'x') + "\" ... (70 characters in all)"},
      {EngineEvent(K::ExpandText, u"[A]", u"B"), "host", "expand", R"(expand "[A]" -> "B")"},
      {EngineEvent(K::TranslateText, u"IDS_X"), "host", "translate", R"(translate "IDS_X" -> null)"},
      {message, "host", "message", R"(message "Done" caption "Setup" flags -1)"},
      {EngineEvent(K::UnexpectedSlot, u"13", std::nullopt, E_UNEXPECTED), "host", "unexpected", "unexpected slot 13"},
      {trace::KeyAdded(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\X"), "machine", "registry change",
       R"(registry new key [HKLM\SOFTWARE\X])"},
      {trace::ValueStored(u"HKEY_LOCAL_MACHINE\\S", u"", RegValue{4, {1, 0, 0, 0}}), "machine", "registry change",
       R"(registry [HKLM\S] @ = dword 0x00000001)"},
      {trace::ValueDeleted(u"HKEY_LOCAL_MACHINE\\S", u"V"), "machine", "registry change",
       R"(registry [HKLM\S] "V" deleted)"},
      {trace::KeyDeleted(u"HKEY_LOCAL_MACHINE\\S"), "machine", "registry change", R"(registry deleted key [HKLM\S])"},
      {trace::SetProperty(u"P", u"on"), "step", "set", R"(set P = "on")"},
      {trace::SetProperty(u"P", std::nullopt), "step", "set", "set P = <unset>"},
  };
  for (const EventRow& row : rows) {
    EXPECT_STREQ(scenario::SourceName(row.event.source), row.source) << row.line;
    EXPECT_STREQ(scenario::KindName(row.event.kind), row.kind) << row.line;
    EXPECT_EQ(scenario::Line(row.event), row.line);
  }
  const machine::Event whole = EngineEvent(K::WriteProperty, u"T", longText);
  EXPECT_EQ(scenario::Line(whole, scenario::Length::Whole), "write T = \"" + std::string(70, 'x') + "\"");
  // The JSON report's fields: an engine call's status in words, a registry call's figure beside it.
  EXPECT_EQ(scenario::Render(message).status, "0x80004004");
  EXPECT_EQ(scenario::Render(message).detail, "flags -1");
  EXPECT_EQ(scenario::Render(trace::OpenKey(u"HKLM\\S", 0x20019, 2)).status, "ERROR_FILE_NOT_FOUND (2)");
}

struct NameRow {
  std::string got;
  std::string want;
};

// Every status and right the actions can meet, and figures Windows has no single name for.
TEST(CallTraceTest, WindowsNamesTheFigures) {
  const NameRow rows[] = {
      {names::Error(0), "ERROR_SUCCESS (0)"},
      {names::Error(2), "ERROR_FILE_NOT_FOUND (2)"},
      {names::Error(5), "ERROR_ACCESS_DENIED (5)"},
      {names::Error(6), "ERROR_INVALID_HANDLE (6)"},
      {names::Error(87), "ERROR_INVALID_PARAMETER (87)"},
      {names::Error(234), "ERROR_MORE_DATA (234)"},
      {names::Error(1300), "ERROR_NOT_ALL_ASSIGNED (1300)"},
      {names::Error(1313), "ERROR_NO_SUCH_PRIVILEGE (1313)"},
      {names::Error(4242), "4242"},
      {names::KeyRights(0x00020019), "KEY_READ (0x00020019)"},
      {names::KeyRights(0x00020006), "KEY_WRITE (0x00020006)"},
      {names::KeyRights(0x0002001F), "KEY_READ | KEY_WRITE (0x0002001F)"},
      {names::KeyRights(0x000F003F), "KEY_ALL_ACCESS (0x000F003F)"},
      {names::KeyRights(0x00020219), "KEY_READ | KEY_WOW64_32KEY (0x00020219)"},
      {names::KeyRights(0x00020119), "KEY_READ | KEY_WOW64_64KEY (0x00020119)"},
      {names::KeyRights(0x000F013F), "KEY_ALL_ACCESS | KEY_WOW64_64KEY (0x000F013F)"},
      {names::KeyRights(0x00000003), "KEY_QUERY_VALUE | KEY_SET_VALUE (0x00000003)"},
      {names::KeyRights(0x00060000), "READ_CONTROL | WRITE_DAC (0x00060000)"},
      {names::KeyRights(0x00000400), "0x00000400 (0x00000400)"},
      {names::KeyRights(0), "no rights (0x00000000)"},
      {names::TokenRights(0x28), "TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY (0x00000028)"},
      {names::TokenRights(0x08), "TOKEN_QUERY (0x00000008)"},
      {names::ValueType(1), "REG_SZ"},
      {names::ValueType(2), "REG_EXPAND_SZ"},
      {names::ValueType(3), "REG_BINARY"},
      {names::ValueType(4), "REG_DWORD"},
      {names::ValueType(7), "REG_MULTI_SZ"},
      {names::ValueType(11), "REG_QWORD"},
      {names::ValueType(77), "type 77"},
      {names::MessageStyle(0x4), "MB_YESNO (0x00000004)"},
      {names::MessageStyle(0x24), "MB_YESNO | MB_ICONQUESTION (0x00000024)"},
      {names::MessageStyle(0x40030), "MB_OK | MB_ICONWARNING | MB_TOPMOST (0x00040030)"},
      {names::MessageAnswer(6), "IDYES (6)"},
      {names::MessageAnswer(7), "IDNO (7)"},
      {names::MessageAnswer(0), "0 (not shown)"},
      {names::MessageAnswer(99), "99"},
      {names::ExitFlags(6), "EWX_REBOOT | EWX_FORCE (0x00000006)"},
      {names::ExitFlags(0), "EWX_LOGOFF (0x00000000)"},
      {names::ShutdownReason(0x80040002),
       "SHTDN_REASON_FLAG_PLANNED | SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_MINOR_INSTALLATION (0x80040002)"},
  };
  for (const NameRow& row : rows) EXPECT_EQ(row.got, row.want);
}

// The data of each value type as a line shows it, and data too long for a line cut short with
// its size said.
TEST(CallTraceTest, DataShownByType) {
  const RegValue dword{4, {0x2A, 0, 0, 0}};
  const RegValue multi = Text(std::u16string(u"a\0b", 3), true, 7);
  std::u16string longText(100, u'x');
  const NameRow rows[] = {
      {scenario::DescribeValue(Text(u"3.0")), R"("3.0")"},
      {scenario::DescribeValue(Text(u"3.0", false)), R"("3.0" (no terminator))"},
      {scenario::DescribeValue(Text(u"%TEMP%", true, 2)), R"(expand_sz "%TEMP%")"},
      {scenario::DescribeValue(dword), "dword 0x0000002A"},
      {scenario::DescribeValue(RegValue{4, {1, 2}}), "hex(4) 01 02"},
      {scenario::DescribeValue(multi), "hex(7) 61 00 00 00 62 00 00 00"},
      {scenario::DescribeValue(RegValue{3, {}}), "hex(3)"},
      {scenario::DescribeValue(Text(longText), scenario::Length::Line),
       "\"" + std::string(60, 'x') + "\" ... (202 bytes in all)"},
      {scenario::DescribeValue(Text(longText)), "\"" + std::string(100, 'x') + "\""},
      {scenario::DescribeValue(RegValue{3, std::vector<std::uint8_t>(30, 0xAB)}, scenario::Length::Line),
       "hex(3)" + [] { std::string s; for (int i = 0; i < 24; ++i) s += " ab"; return s; }() + " ... (30 bytes in all)"},
      {scenario::ShowKey(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\X"), R"([HKLM\SOFTWARE\X])"},
      {scenario::ShowKey(u"HKEY_LOCAL_MACHINEX\\Y"), R"([HKEY_LOCAL_MACHINEX\Y])"},
      {scenario::ShowValueName(u""), "@"},
  };
  for (const NameRow& row : rows) EXPECT_EQ(row.got, row.want);
}

}  // namespace

namespace {

// A failed expectation on the page: the differing part of each side marked in whole words, never
// inside a character of several bytes, and lists aligned on the lines both have; the step's
// heading says it failed.
TEST(HtmlReportTest, MarksWhereExpectedAndActualDiffer) {
  const scenario::ScenarioReport r = testing_support::OneFailedCall(
      {"property P: ...", "property Q: ...", "writes: ...", "strings not freed: 1"},
      {scenario::Mismatch{"/steps/0/expect/properties/P", "property P", {"\"caf\xC3\xA9 1\""}, {"\"caf\xC3\xA8 1\""}, false},
       scenario::Mismatch{"/steps/0/expect/properties/Q", "property Q", {"\"on true\""}, {"\"on trust\""}, false},
       scenario::Mismatch{"/steps/0/expect/writes", "writes", {"A = 1", "B = 2", "C = 3"}, {"A = 1", "C = 3", "D = 4"}, true},
       scenario::Mismatch{}});
  std::ostringstream page;
  scenario::WriteHtml(page, {r});
  const std::string html = page.str();
  for (const char* part : {"<td>&quot;<mark>caf\xC3\xA9</mark> 1&quot;</td><td>&quot;<mark>caf\xC3\xA8</mark> 1&quot;</td>",
                           "<tr><td>A = 1</td><td>A = 1</td></tr>", "<tr><td><mark>B = 2</mark></td><td></td></tr>",
                           "<tr><td>C = 3</td><td>C = 3</td></tr>", "<tr><td></td><td><mark>D = 4</mark></td></tr>",
                           "<td>&quot;on <mark>true</mark>&quot;</td><td>&quot;on <mark>trust</mark>&quot;</td>",
                           "<h3 class=\"failed\">step 1: call verify &mdash; FAILED: 4 expectation(s)</h3>",
                           "FAILED step 1 (/steps/0): strings not freed: 1</p>"})
    EXPECT_NE(html.find(part), std::string::npos) << part << "\n" << html;
}

}  // namespace
