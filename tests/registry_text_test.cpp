// The registry string helpers against the platform boundary alone: on Linux the simulated
// registry, in the Windows build the real one (in the Wine prefix), with the same expectations.
#include <gtest/gtest.h>

#include <cstring>

#include "common/registry.h"

namespace {

const std::u16string kKey = u"SOFTWARE\\Corvane Suite Tests\\Registry Text";

class RegistryTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    key_ = CreateRegistryKey(platform::Hive::LocalMachine, kKey, platform::kKeyAllAccess);
    ASSERT_TRUE(key_);
  }
  // Stores exactly `bytes` bytes. The system keeps a NUL that stands right after a string's
  // counted data, so the units given are followed by one that is not a NUL.
  void Store(const std::u16string& name, std::uint32_t type, const void* data, size_t bytes) {
    std::vector<std::uint8_t> padded(static_cast<const std::uint8_t*>(data),
                                     static_cast<const std::uint8_t*>(data) + bytes);
    padded.insert(padded.end(), {'x', 'x'});
    ASSERT_EQ(platform::SetValue(key_.get(), name, type, padded.data(), static_cast<std::uint32_t>(bytes)),
              platform::kSuccess);
  }
  RegistryText Read(const std::u16string& name, const std::u16string& fallback = u"") {
    return ReadRegistryText(key_.get(), name, fallback);
  }
  RegistryKey key_;
};

TEST_F(RegistryTextTest, BoundsOfTheThousandTwentyFourByteBuffer) {
  const std::u16string exact(512, u'a');  // 1024 bytes, no terminator
  Store(u"Exact", platform::kRegSz, exact.data(), 1024);
  EXPECT_EQ(Read(u"Exact").text, exact);
  const std::u16string terminated = std::u16string(511, u'b') + u'\0';  // 1024 with NUL
  Store(u"Terminated", platform::kRegSz, terminated.data(), 1024);
  EXPECT_EQ(Read(u"Terminated").text, std::u16string(511, u'b'));
  const std::u16string over(513, u'c');  // 1026 bytes
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
  const char16_t unterminated[] = {u'4', u'.', u'9'};
  Store(u"Unterminated", platform::kRegSz, unterminated, sizeof unterminated);
  EXPECT_EQ(Read(u"Unterminated").text, u"4.9");
  Store(u"Binary", platform::kRegBinary, unterminated, sizeof unterminated);
  EXPECT_EQ(Read(u"Binary").text, u"4.9");
  Store(u"Empty", platform::kRegSz, inner, 0);
  EXPECT_EQ(Read(u"Empty", u"fallback").text, u"");
}

TEST_F(RegistryTextTest, MissingValueKeyOrHandleGivesTheFallback) {
  const RegistryText missing = Read(u"Missing", u"dflt");
  EXPECT_EQ(missing.text, u"dflt");
  EXPECT_EQ(missing.status, platform::kFileNotFound);
  const RegistryKey never =
      OpenRegistryKey(platform::Hive::LocalMachine, kKey + u"\\Never Created", platform::kKeyRead);
  EXPECT_FALSE(never);
  const RegistryText noKey = ReadRegistryText(never.get(), u"X", u"dflt");
  EXPECT_EQ(noKey.text, u"dflt");
  EXPECT_EQ(noKey.status, platform::kInvalidHandle);
}

TEST_F(RegistryTextTest, WrittenTextReadsBackWithItsTerminatorStored) {
  EXPECT_TRUE(WriteRegistryText(key_.get(), u"Dir", u"C:\\Corvane"));
  EXPECT_EQ(ReadRegistryText(key_.get(), u"dir", u"").text, u"C:\\Corvane");  // names ignore case
  std::uint32_t size = 0;
  EXPECT_EQ(platform::QueryValue(key_.get(), u"Dir", nullptr, &size), platform::kSuccess);
  EXPECT_EQ(size, 2u * (10 + 1));
  const std::u16string big(300000, u'q');
  EXPECT_TRUE(WriteRegistryText(key_.get(), u"Big", big));
  EXPECT_EQ(ReadRegistryText(key_.get(), u"Big", u"fallback").text, u"fallback");
  const RegistryKey readOnly = OpenRegistryKey(platform::Hive::LocalMachine, kKey, platform::kKeyRead);
  ASSERT_TRUE(readOnly);
  EXPECT_FALSE(WriteRegistryText(readOnly.get(), u"Dir", u"x"));
  EXPECT_FALSE(WriteRegistryText(nullptr, u"Dir", u"x"));
}

TEST_F(RegistryTextTest, QueryReportsSizesAsWin32Does) {
  const char16_t text[] = {u'a', u'b'};  // stored without a terminator
  Store(u"V", platform::kRegSz, text, 4);
  std::uint32_t size = 0;
  EXPECT_EQ(platform::QueryValue(key_.get(), u"V", nullptr, &size), platform::kSuccess);
  EXPECT_EQ(size, 4u);
  char16_t buffer[4] = {u'x', u'x', u'x', u'x'};
  size = 2;
  EXPECT_EQ(platform::QueryValue(key_.get(), u"V", buffer, &size), platform::kMoreData);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(platform::QueryValue(key_.get(), u"V", buffer, nullptr), platform::kInvalidParameter);
  size = 8;
  EXPECT_EQ(platform::QueryValue(key_.get(), u"V", buffer, &size), platform::kSuccess);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(buffer[2], u'\0');  // a terminator added, not counted
  size = 4;
  buffer[2] = u'x';
  EXPECT_EQ(platform::QueryValue(key_.get(), u"V", buffer, &size), platform::kSuccess);
  EXPECT_EQ(buffer[2], u'x');  // an exact fit gets none
  size = 8;
  EXPECT_EQ(platform::QueryValue(key_.get(), u"Missing", buffer, &size), platform::kFileNotFound);
  EXPECT_EQ(size, 8u);  // untouched
}

}  // namespace
