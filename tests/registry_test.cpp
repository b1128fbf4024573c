#include <gtest/gtest.h>

#include <cstring>

#include "common/registry.h"
#include "platform/sim/sim.h"
#include "tests/test_support.h"

namespace {

using testing_support::ActionTest;

const std::u16string kKey = u"SOFTWARE\\Test";

class RegistryTextTest : public ActionTest {
 protected:
  void Store(const std::u16string& name, std::uint32_t type, const void* data, size_t bytes) {
    sim::RegValue value;
    value.type = type;
    const auto* from = static_cast<const std::uint8_t*>(data);
    value.data.assign(from, from + bytes);
    sim::machine().registry.SetValue(sim::Registry::Under(platform::Hive::LocalMachine, kKey),
                                     name, value);
  }
  RegistryText Read(const std::u16string& name, const std::u16string& fallback = u"") {
    RegistryKey key = RegistryKey::Open(platform::Hive::LocalMachine, kKey, platform::kKeyRead);
    return ReadRegistryText(key.get(), name, fallback);
  }
};

TEST_F(RegistryTextTest, BoundsOfTheThousandTwentyFourByteBuffer) {
  const std::u16string exact(512, u'a');                  // 1024 bytes, no terminator
  Store(u"Exact", platform::kRegSz, exact.data(), 1024);
  EXPECT_EQ(Read(u"Exact").text, exact);
  const std::u16string terminated = std::u16string(511, u'b') + u'\0';  // 1024 with NUL
  Store(u"Terminated", platform::kRegSz, terminated.data(), 1024);
  EXPECT_EQ(Read(u"Terminated").text, std::u16string(511, u'b'));
  const std::u16string over(513, u'c');                   // 1026 bytes
  Store(u"Over", platform::kRegSz, over.data(), 1026);
  const RegistryText tooLong = Read(u"Over", u"fallback");
  EXPECT_EQ(tooLong.text, u"fallback");
  EXPECT_EQ(tooLong.status, platform::kMoreData);
  const std::u16string huge(300000, u'd');
  Store(u"Huge", platform::kRegSz, huge.data(), huge.size() * 2);
  EXPECT_EQ(Read(u"Huge").text, u"");
}

TEST_F(RegistryTextTest, StoredBytesAreTakenAsTextWhateverTheType) {
  const std::uint32_t number = 0x00350034;  // the bytes of "45" in UTF-16
  Store(u"Dword", platform::kRegDword, &number, 4);
  EXPECT_EQ(Read(u"Dword").text, u"45");
  const char16_t odd[] = {u'7', u'8'};
  Store(u"Odd", platform::kRegSz, odd, 3);  // the half unit at the end is never read
  EXPECT_EQ(Read(u"Odd").text, u"7");
  const char16_t inner[] = {u'x', u'\0', u'y', u'\0'};
  Store(u"Inner", platform::kRegSz, inner, sizeof inner);
  EXPECT_EQ(Read(u"Inner").text, u"x");
  Store(u"Empty", platform::kRegSz, inner, 0);
  EXPECT_EQ(Read(u"Empty", u"fallback").text, u"");
}

TEST_F(RegistryTextTest, MissingValueKeyOrHandleGivesTheFallback) {
  EXPECT_EQ(Read(u"Missing", u"dflt").status, platform::kInvalidHandle);  // no key: no handle
  sim::machine().registry.CreateKey(sim::Registry::Under(platform::Hive::LocalMachine, kKey));
  EXPECT_EQ(Read(u"Missing", u"dflt").status, platform::kFileNotFound);
  EXPECT_EQ(Read(u"Missing", u"dflt").text, u"dflt");
  const RegistryText noKey = ReadRegistryText(nullptr, u"X", u"dflt");
  EXPECT_EQ(noKey.text, u"dflt");
  EXPECT_EQ(noKey.status, platform::kInvalidHandle);
}

TEST_F(RegistryTextTest, WrittenTextReadsBackWithItsTerminatorStored) {
  RegistryKey key = RegistryKey::Create(platform::Hive::LocalMachine, kKey, platform::kKeyAllAccess);
  ASSERT_TRUE(key.IsOpen());
  EXPECT_TRUE(WriteRegistryText(key.get(), u"Dir", u"C:\\Corvane"));
  EXPECT_EQ(ReadRegistryText(key.get(), u"Dir", u"").text, u"C:\\Corvane");
  const auto stored = sim::machine().registry.GetValue(
      sim::Registry::Under(platform::Hive::LocalMachine, kKey), u"dir");  // names ignore case
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->type, platform::kRegSz);
  EXPECT_EQ(stored->data.size(), 2u * (10 + 1));
  RegistryKey readOnly = RegistryKey::Open(platform::Hive::LocalMachine, kKey, platform::kKeyRead);
  EXPECT_FALSE(WriteRegistryText(readOnly.get(), u"Dir", u"x"));
  EXPECT_FALSE(WriteRegistryText(nullptr, u"Dir", u"x"));
}

TEST_F(RegistryTextTest, QueryReportsSizesAsWin32Does) {
  const char16_t text[] = {u'a', u'b'};  // stored without a terminator
  Store(u"V", platform::kRegSz, text, 4);
  RegistryKey key = RegistryKey::Open(platform::Hive::LocalMachine, kKey, platform::kKeyRead);
  std::uint32_t size = 0;
  EXPECT_EQ(platform::QueryValue(key.get(), u"V", nullptr, &size), platform::kSuccess);
  EXPECT_EQ(size, 4u);
  char16_t buffer[4] = {u'x', u'x', u'x', u'x'};
  size = 2;
  EXPECT_EQ(platform::QueryValue(key.get(), u"V", buffer, &size), platform::kMoreData);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(platform::QueryValue(key.get(), u"V", buffer, nullptr), platform::kInvalidParameter);
  size = 8;
  EXPECT_EQ(platform::QueryValue(key.get(), u"V", buffer, &size), platform::kSuccess);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(buffer[2], u'\0');  // a terminator added, not counted
  size = 4;
  buffer[2] = u'x';
  EXPECT_EQ(platform::QueryValue(key.get(), u"V", buffer, &size), platform::kSuccess);
  EXPECT_EQ(buffer[2], u'x');  // an exact fit gets none
}

TEST_F(RegistryTextTest, ClassesRootIsTheClassesKeyOfTheMachine) {
  sim::machine().registry.SetValue(*sim::Registry::Canonical(u"HKCR\\Installer\\P"), u"N", {});
  RegistryKey viaMachine = RegistryKey::Open(platform::Hive::LocalMachine,
                                             u"SOFTWARE\\Classes\\Installer\\P", platform::kKeyRead);
  EXPECT_TRUE(viaMachine.IsOpen());
  sim::machine().registry.FindKey(*sim::Registry::Canonical(u"HKCR\\Installer\\P"))->deniedAccess =
      platform::kKeySetValue;
  RegistryKey all = RegistryKey::Open(platform::Hive::ClassesRoot, u"Installer\\P", platform::kKeyAllAccess);
  EXPECT_FALSE(all.IsOpen());
  RegistryKey read = RegistryKey::Open(platform::Hive::ClassesRoot, u"Installer\\P", platform::kKeyRead);
  EXPECT_TRUE(read.IsOpen());
}

}  // namespace
