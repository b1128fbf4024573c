// The simulated registry as the actions open it.
#include <gtest/gtest.h>

#include <cstring>

#include "common/registry.h"
#include "machine/registry_view.h"
#include "machine/sim/process.h"
#include "testkit/utf_text.h"
#include "tests/test_support.h"

namespace {

using testing_support::ActionTest;

// Key rights and the classes key as the simulated machine holds them.
class SimulatedRegistryTest : public ActionTest {};

// A scenario's machine starts fresh: what the last one changed is gone, rights it refused are given
// again, and the Session Manager key, which Windows always has, is there without its values.
TEST_F(SimulatedRegistryTest, AResetMachineKeepsNothingOfTheLastScenario) {
  const std::u16string manager = u"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager";
  sim::machine().registry.SetValue(manager, u"PendingFileRenameOperations", {7, {0, 0}});
  sim::machine().registry.FindKey(manager)->deniedAccess = platform::kKeyRead;
  sim::machine().registry.SetValue(*machine::CanonicalKey(u"HKLM\\SOFTWARE\\Brisolt"), u"V", {});
  sim::Reset();
  RegistryKey reopened = OpenRegistryKey(platform::Hive::LocalMachine,
                                         u"SYSTEM\\CurrentControlSet\\Control\\Session Manager", platform::kKeyRead);
  EXPECT_TRUE(reopened);
  ASSERT_TRUE(sim::machine().registry.FindKey(manager));
  EXPECT_TRUE(sim::machine().registry.FindKey(manager)->values.empty());
  RegistryKey gone = OpenRegistryKey(platform::Hive::LocalMachine, u"SOFTWARE\\Brisolt", platform::kKeyRead);
  EXPECT_FALSE(gone);
}

TEST_F(SimulatedRegistryTest, ClassesRootIsTheClassesKeyOfTheMachine) {
  sim::machine().registry.SetValue(*machine::CanonicalKey(u"HKCR\\Installer\\P"), u"N", {});
  RegistryKey viaMachine = OpenRegistryKey(platform::Hive::LocalMachine,
                                             u"SOFTWARE\\Classes\\Installer\\P", platform::kKeyRead);
  EXPECT_TRUE(viaMachine);
  sim::machine().registry.FindKey(*machine::CanonicalKey(u"HKCR\\Installer\\P"))->deniedAccess =
      platform::kKeySetValue;
  RegistryKey all = OpenRegistryKey(platform::Hive::ClassesRoot, u"Installer\\P", platform::kKeyAllAccess);
  EXPECT_FALSE(all);
  RegistryKey read = OpenRegistryKey(platform::Hive::ClassesRoot, u"Installer\\P", platform::kKeyRead);
  EXPECT_TRUE(read);
}

}  // namespace

namespace {

// Where a key that a 32-bit program names lands on 64-bit Windows.
struct ViewRow {
  const char16_t* named;
  std::uint32_t access;
  const char16_t* reached;
};

TEST(RegistryViewTest, RedirectedAndSharedKeys) {
  const ViewRow rows[] = {
      // The software keys of products have a 32-bit view of their own...
      {u"HKLM\\SOFTWARE\\Brisolt\\Corvane ORVIX", 0, u"HKLM\\SOFTWARE\\WOW6432Node\\Brisolt\\Corvane ORVIX"},
      {u"HKLM\\Software\\pellucor", 0, u"HKLM\\Software\\WOW6432Node\\pellucor"},
      // ...unless the 64-bit view is asked for, or the path names the 32-bit view already.
      {u"HKLM\\SOFTWARE\\Brisolt", machine::kKeyWow64_64Key, u"HKLM\\SOFTWARE\\Brisolt"},
      {u"HKLM\\SOFTWARE\\Brisolt", machine::kKeyWow64_32Key, u"HKLM\\SOFTWARE\\WOW6432Node\\Brisolt"},
      {u"HKLM\\SOFTWARE\\wow6432node\\Brisolt", 0, u"HKLM\\SOFTWARE\\wow6432node\\Brisolt"},
      {u"HKLM\\SOFTWARE\\WOW6432Node", 0, u"HKLM\\SOFTWARE\\WOW6432Node"},
      {u"HKLM\\SOFTWARE", 0, u"HKLM\\SOFTWARE"},
      // Outside SOFTWARE everything is shared.
      {u"HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
       u"HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager"},
      // Classes is shared but for five keys, which land under Classes\Wow6432Node.
      {u"HKCR\\Installer\\Products\\E1A7AD6A725DC214DA711D928B3F3E99", 0,
       u"HKLM\\Software\\Classes\\Installer\\Products\\E1A7AD6A725DC214DA711D928B3F3E99"},
      {u"HKCR\\CLSID\\{X}", 0, u"HKLM\\Software\\Classes\\Wow6432Node\\CLSID\\{X}"},
      {u"HKCR\\Media Type\\Y", 0, u"HKLM\\Software\\Classes\\Wow6432Node\\Media Type\\Y"},
      {u"HKCR\\CLSIDs", 0, u"HKLM\\Software\\Classes\\CLSIDs"},
      {u"HKLM\\SOFTWARE\\Classes", 0, u"HKLM\\SOFTWARE\\Classes"},
      // Shared keys under SOFTWARE, with their subkeys; a longer name is not the shared key.
      {u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\x.exe", 0,
       u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\x.exe"},
      {u"HKLM\\SOFTWARE\\Policies", 0, u"HKLM\\SOFTWARE\\Policies"},
      {u"HKLM\\SOFTWARE\\PoliciesX", 0, u"HKLM\\SOFTWARE\\WOW6432Node\\PoliciesX"},
      {u"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
       u"HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run"},
      // The link that 64-bit Windows keeps from the 32-bit view's Classes, in both views.
      {u"HKLM\\SOFTWARE\\WOW6432Node\\Classes\\CLSID\\{X}", 0, u"HKLM\\SOFTWARE\\Classes\\Wow6432Node\\CLSID\\{X}"},
      {u"HKLM\\SOFTWARE\\WOW6432Node\\Classes", machine::kKeyWow64_64Key, u"HKLM\\SOFTWARE\\Classes\\Wow6432Node"},
  };
  for (const ViewRow& row : rows) {
    const std::u16string named = *machine::CanonicalKey(row.named);
    EXPECT_EQ(machine::KeyInView(machine::Windows::X64, named, row.access), *machine::CanonicalKey(row.reached))
        << testkit::ToUtf8(row.named);
    // 32-bit Windows has one view: every key is what it says.
    EXPECT_EQ(machine::KeyInView(machine::Windows::X86, named, row.access), named) << testkit::ToUtf8(row.named);
    // What a trace line adds beside the key as named: where it landed, when that is elsewhere.
    const std::u16string reached = *machine::CanonicalKey(row.reached);
    EXPECT_EQ(machine::Landed(machine::Windows::X64, row.named, row.access), reached == named ? u"" : reached)
        << testkit::ToUtf8(row.named);
    EXPECT_EQ(machine::Landed(machine::Windows::X86, row.named, row.access), u"") << testkit::ToUtf8(row.named);
  }
}

// A machine holding the server key in both views: the 32-bit library sees only its own.
TEST_F(SimulatedRegistryTest, BothViewsAtOnceOn64BitWindows) {
  sim::machine().windows = machine::Windows::X64;
  machine::Registry& registry = sim::machine().registry;
  const std::u16string own = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brisolt\\Corvane ORVIX";
  const std::u16string wow = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Brisolt\\Corvane ORVIX";
  registry.SetValue(own, u"Version", machine::RegValue{platform::kRegSz, {'6', 0, '4', 0, 0, 0}});
  registry.SetValue(wow, u"Version", machine::RegValue{platform::kRegSz, {'3', 0, '2', 0, 0, 0}});
  RegistryKey key = OpenRegistryKey(platform::Hive::LocalMachine, u"SOFTWARE\\Brisolt\\Corvane ORVIX",
                                    platform::kKeyRead);
  ASSERT_TRUE(key);
  char16_t text[8] = {};
  std::uint32_t bytes = sizeof(text);
  ASSERT_EQ(platform::QueryValue(key.get(), u"Version", text, &bytes), platform::kSuccess);
  EXPECT_EQ(std::u16string(text), u"32");
  // A key made through the 32-bit view lands there, and the 64-bit one is left alone.
  RegistryKey made = CreateRegistryKey(platform::Hive::LocalMachine, u"SOFTWARE\\Brisolt\\New", platform::kKeyWrite);
  ASSERT_TRUE(made);
  EXPECT_NE(registry.FindKey(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Brisolt\\New"), nullptr);
  EXPECT_EQ(registry.FindKey(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brisolt\\New"), nullptr);
  // The view flags are no rights: a key refusing everything else still refuses, and only that.
  registry.FindKey(wow)->deniedAccess = platform::kKeySetValue;
  RegistryKey read = OpenRegistryKey(platform::Hive::LocalMachine, u"SOFTWARE\\Brisolt\\Corvane ORVIX",
                                     platform::kKeyRead | machine::kKeyWow64_32Key);
  EXPECT_TRUE(read);
}

}  // namespace
