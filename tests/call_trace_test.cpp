// The one formatter of the calls on the system: one trace line for each kind of call, as the
// simulated platform and the Windows stand-in both record it.
#include <gtest/gtest.h>

#include "machine/call_trace.h"
#include "scenario/trace.h"

namespace {

namespace trace = machine::trace;

struct LineRow {
  machine::SystemCall call;
  const char* line;
};

TEST(CallTraceTest, OneLinePerKindOfCall) {
  const LineRow rows[] = {
      {trace::OpenKey(u"HKLM\\SOFTWARE\\Brisolt\\Corvane ORVIX", 0x000F003F, 5),
       R"(open key "HKLM\\SOFTWARE\\Brisolt\\Corvane ORVIX" (access 0x000F003F) -> 5)"},
      {trace::CreateKey(u"HKLM\\SOFTWARE\\X", 0x0002001F, 0), R"(create key "HKLM\\SOFTWARE\\X" (access 0x0002001F) -> 0)"},
      {trace::CloseKey(u"HKCR\\Installer"), R"(close key "HKCR\\Installer")"},
      {trace::QueryValue(u"Version", false, 1024, 0, trace::Stored{8, 1}),
       R"(query value "Version" (buffer 1024 bytes, value 8 bytes of type 1) -> 0)"},
      {trace::QueryValue(u"Version", true, 0, 234, trace::Stored{2048, 7}),
       R"(query value "Version" (size only, value 2048 bytes of type 7) -> 234)"},
      {trace::QueryValue(u"Gone", false, 4, 2, std::nullopt), R"(query value "Gone" (buffer 4 bytes) -> 2)"},
      {trace::SetValue(u"InstallDir", 1, 50, 0), R"(set value "InstallDir" (type 1, 50 bytes) -> 0)"},
      {trace::SetValueAnsi(u"IsIntegratedPortal", 1, 11, 5),
       R"(set value (ANSI) "IsIntegratedPortal" (type 1, 11 bytes) -> 5)"},
      {trace::FreeSpace(u"C:\\", 1073741824), R"(free space "C:\\" (1073741824 bytes) -> ok)"},
      {trace::FreeSpace(u"Q:\\", std::nullopt), R"(free space "Q:\\" -> failed)"},
      {trace::Environment(u"TEMP", u"C:\\Temp"), R"(environment "TEMP" = "C:\\Temp")"},
      {trace::Environment(u"SystemRoot", u""), R"(environment "SystemRoot")"},
      {trace::WindowsFolder(u"C:\\Windows"), R"(windows folder = "C:\\Windows")"},
      {trace::FileCheck(u"C:\\t.exe", false), R"(file check "C:\\t.exe" -> not readable)"},
      {trace::Start({0x400, u"open", u"C:\\t.exe", u"-top", u"C:\\T", 1}, true),
       R"(start "C:\\t.exe" = "-top" (in C:\T) -> ok)"},
      {trace::Message({u"Restart now?", u"Setup", 4, 6}), R"(message box "Restart now?" = "Setup" (style 4) -> 6)"},
      {trace::OpenToken(0x28, true), R"(open token (access 0x00000028) -> ok)"},
      {trace::PrivilegeLookup(u"SeShutdownPrivilege", false), R"(privilege lookup "SeShutdownPrivilege" -> failed)"},
      {trace::PrivilegeAdjust(1300, true), R"(privilege adjust (last error 1300) -> ok)"},
      {trace::CloseToken(), R"(close token)"},
      {trace::Restart({6, 0x80020003}, true), R"(restart (flags 6, reason 0x80020003) -> ok)"},
  };
  for (const LineRow& row : rows) EXPECT_EQ(scenario::MachineEntry(row.call).line, row.line);
}

}  // namespace
