// A capture learns a real machine as the actions read it: once for each thing, with the rights a
// key refuses narrowed to those no open was granted, what the actions write kept from the real
// machine and seen by later reads, and a status that is neither success, absence nor refusal
// reported as a problem.
#include <gtest/gtest.h>

#include <map>

#include "machine/capture.h"
#include "machine/simulated_system.h"

namespace {

using machine::Capture;
using machine::SimulatedMachine;
using machine::SimulatedSystem;
using platform::Hive;
using platform::KeyHandle;

const std::u16string kKey = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brisolt\\Corvane ORVIX";

// A real machine that answers from tables and counts what it was asked.
class TableMachine : public machine::RealMachineReader {
 public:
  machine::Windows Kind() const override { return machine::Windows::X86; }
  std::u16string Name() override { return u"table"; }
  std::int32_t OpenStatus(const std::u16string& key, std::uint32_t access) override {
    ++asked;
    auto found = openStatus.find({key, access});
    if (found != openStatus.end()) return found->second;
    if ((access & deniedBits) != 0 && values.count(key) != 0) return 5;
    return values.count(key) != 0 ? 0 : 2;
  }
  std::int32_t ReadValue(const std::u16string& key, const std::u16string& name,
                         std::optional<machine::RegValue>* value) override {
    ++asked;
    if (readStatus != 0) return readStatus;
    auto found = values.find(key);
    if (found == values.end() || found->second.count(name) == 0) return 2;
    *value = found->second.at(name);
    return 0;
  }
  std::optional<std::u16string> Environment(const std::u16string&) override {
    ++asked;
    return u"C:\\Windows";
  }
  std::optional<std::uint64_t> FreeBytes(const std::u16string&) override {
    ++asked;
    return std::nullopt;
  }
  std::u16string WindowsFolder() override { return u"D:\\Win"; }
  machine::FileState File(const std::u16string&) override {
    ++asked;
    return machine::FileState::Locked;
  }
  bool HoldsShutdownPrivilege() override { return true; }

  std::map<std::u16string, std::map<std::u16string, machine::RegValue>> values;
  std::map<std::pair<std::u16string, std::uint32_t>, std::int32_t> openStatus;
  std::int32_t readStatus = 0;
  std::uint32_t deniedBits = 0;  // rights the key refuses, whatever else is asked with them
  int asked = 0;
};

machine::RegValue Text(const std::u16string& text) {
  machine::RegValue v;
  v.data.assign(reinterpret_cast<const std::uint8_t*>(text.c_str()),
                reinterpret_cast<const std::uint8_t*>(text.c_str() + text.size() + 1));
  return v;
}

struct Fixture : ::testing::Test {
  Fixture() : capture(real, model) { model.source = &capture; }
  std::int32_t Open(std::uint32_t access) {
    KeyHandle key = nullptr;
    const std::int32_t status = SimulatedSystem(model).OpenKey(Hive::LocalMachine, u"SOFTWARE\\Brisolt\\Corvane ORVIX", access, &key);
    if (key != nullptr) SimulatedSystem(model).CloseKey(key);
    return status;
  }
  TableMachine real;
  SimulatedMachine model;
  Capture capture;
};

using CaptureTest = Fixture;

TEST_F(CaptureTest, RefusedRightsAreThoseNoOpenWasGranted) {
  // Either order of asking ends with the same refusal, and each open answers as the machine did.
  for (bool readFirst : {true, false}) {
    TableMachine real;
    real.values[kKey] = {};
    real.openStatus[{kKey, platform::kKeyAllAccess}] = platform::kAccessDenied;
    SimulatedMachine model;
    Capture capture(real, model);
    model.source = &capture;
    SimulatedSystem system(model);
    KeyHandle key = nullptr;
    const std::uint32_t order[2][2] = {{platform::kKeyRead, platform::kKeyAllAccess},
                                       {platform::kKeyAllAccess, platform::kKeyRead}};
    for (std::uint32_t access : order[readFirst ? 0 : 1]) {
      const std::int32_t status = system.OpenKey(Hive::LocalMachine, u"SOFTWARE\\Brisolt\\Corvane ORVIX", access, &key);
      EXPECT_EQ(status, access == platform::kKeyRead ? platform::kSuccess : platform::kAccessDenied) << readFirst;
      if (key != nullptr) system.CloseKey(key);
    }
    // KEY_ALL_ACCESS without the owner's rights and without what KEY_READ was granted.
    EXPECT_EQ(capture.captured().denied.at(kKey), 0x90026u) << readFirst;
    EXPECT_EQ(system.OpenKey(Hive::LocalMachine, u"SOFTWARE\\Brisolt\\Corvane ORVIX", platform::kKeyRead, &key), 0);
    system.CloseKey(key);
  }
}

TEST_F(CaptureTest, TheRightsAKeyRefusesAreFoundOneByOne) {
  real.values[kKey] = {};
  real.deniedBits = platform::kKeySetValue | platform::kKeyCreateSubKey;
  EXPECT_EQ(Open(platform::kKeyAllAccess), platform::kAccessDenied);
  EXPECT_EQ(capture.captured().denied.at(kKey), real.deniedBits);
  // What the key does not refuse opens, as on the real machine.
  EXPECT_EQ(Open(platform::kKeyRead), platform::kSuccess);
}

TEST_F(CaptureTest, WritesStayInTheSimulatedMachineAndLaterReadsSeeThem) {
  SimulatedSystem system(model);
  KeyHandle key = nullptr;
  ASSERT_EQ(system.CreateKey(Hive::LocalMachine, u"SOFTWARE\\Brisolt\\Corvane ORVIX", platform::kKeyAllAccess, &key), 0);
  const machine::RegValue written = Text(u"Integrated");
  ASSERT_EQ(system.SetValue(key, u"Portal", written.type, written.data.data(), 22), 0);
  const int askedBefore = real.asked;
  char16_t buffer[32] = {};
  std::uint32_t bytes = sizeof buffer;
  EXPECT_EQ(system.QueryValue(key, u"Portal", buffer, &bytes), 0);
  EXPECT_EQ(std::u16string(buffer), u"Integrated");
  EXPECT_EQ(real.asked, askedBefore) << "a value the actions wrote is not read from the real machine";
  system.CloseKey(key);
  EXPECT_TRUE(capture.captured().keys.empty()) << "the key is not on the real machine";
}

TEST_F(CaptureTest, EachThingIsAskedOnce) {
  real.values[kKey] = {{u"Version", Text(u"2.7")}};
  SimulatedSystem system(model);
  KeyHandle key = nullptr;
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(system.OpenKey(Hive::LocalMachine, u"SOFTWARE\\Brisolt\\Corvane ORVIX", platform::kKeyRead, &key), 0);
    std::uint32_t bytes = 0;
    system.QueryValue(key, u"Version", nullptr, &bytes);
    system.QueryValue(key, u"Absent", nullptr, &bytes);
    system.CloseKey(key);
    system.EnvironmentVariable(u"SystemRoot");
    std::uint64_t free = 0;
    EXPECT_FALSE(system.FreeBytesForCaller(u"C:\\", &free));
    EXPECT_FALSE(system.OpenForSharedReading(u"C:\\tool.exe"));
  }
  EXPECT_EQ(real.asked, 6) << "key, two values, variable, volume, file: once each";
  const machine::CapturedMachine& c = capture.captured();
  EXPECT_EQ(c.keys.at(kKey).size(), 1u);
  EXPECT_FALSE(c.volumes.at(u"C:\\").has_value());
  EXPECT_EQ(c.files.at(u"C:\\TOOL.EXE"), machine::FileState::Locked);
}

TEST_F(CaptureTest, AStatusOtherThanAbsenceOrRefusalIsAProblem) {
  real.values[kKey] = {};
  real.openStatus[{kKey, platform::kKeyRead}] = 1018;  // ERROR_KEY_DELETED
  EXPECT_EQ(Open(platform::kKeyRead), platform::kFileNotFound);
  ASSERT_EQ(capture.captured().problems.size(), 1u);
  EXPECT_NE(capture.captured().problems[0].find("Corvane ORVIX] cannot be opened: status 1018"), std::string::npos);

}

TEST_F(CaptureTest, AValueThatCannotBeReadIsAProblem) {
  real.values[kKey] = {};
  real.readStatus = 1;  // ERROR_INVALID_FUNCTION
  KeyHandle key = nullptr;
  SimulatedSystem system(model);
  ASSERT_EQ(system.OpenKey(Hive::LocalMachine, u"SOFTWARE\\Brisolt\\Corvane ORVIX", platform::kKeyQueryValue, &key), 0);
  std::uint32_t bytes = 0;
  EXPECT_EQ(system.QueryValue(key, u"Version", nullptr, &bytes), platform::kFileNotFound);
  system.CloseKey(key);
  ASSERT_EQ(capture.captured().problems.size(), 1u);
  EXPECT_NE(capture.captured().problems[0].find("\"Version\" of [HKEY_LOCAL_MACHINE"), std::string::npos);
}

}  // namespace
