// detectORVIX, SetPortalTypeRegistry and RebootMachine on the simulated machine.
#include <gtest/gtest.h>

#include "caddon/caddon.h"
#include "tests/test_support.h"

namespace {

using testing_support::ActionTest;

const std::u16string kProduct = u"HKCR\\Installer\\Products\\E1A7AD6A725DC214DA711D928B3F3E99";
const std::u16string kServer = u"HKLM\\SOFTWARE\\Brisolt\\Corvane ORVIX";
const std::u16string kManager = u"HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager";

class CaddonTest : public ActionTest {
 protected:
  void SetDword(const std::u16string& key, const std::u16string& name, std::uint32_t number) {
    machine::RegValue value{platform::kRegDword, {}};
    for (int i = 0; i < 4; ++i) value.data.push_back(static_cast<std::uint8_t>(number >> (8 * i)));
    sim::machine().registry.SetValue(*machine::CanonicalKey(key), name, value);
  }
  void SetRaw(const std::u16string& key, const std::u16string& name, std::u16string units) {
    machine::RegValue value{platform::kRegSz, {}};
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(units.data());
    value.data.assign(bytes, bytes + units.size() * 2);
    sim::machine().registry.SetValue(*machine::CanonicalKey(key), name, value);
  }
  void Deny(const std::u16string& key) {
    sim::machine().registry.CreateKey(*machine::CanonicalKey(key)).deniedAccess = platform::kKeySetValue;
  }
  std::optional<std::u16string> Exist() {
    EXPECT_EQ(detectORVIX(&engine), S_OK);
    return engine.Property(u"ISORVIXEXIST");
  }
};

TEST_F(CaddonTest, RegisteredProductDecidesAlone) {
  SetRegistryText(kServer, u"Version", u"2.7");
  SetRegistryText(kProduct, u"ProductName", u"Corvane ORVIX");
  SetDword(kProduct, u"Version", 0x02000000);
  EXPECT_EQ(Exist(), u"Yes");
  engine.properties.clear();
  SetDword(kProduct, u"Version", 0x02010000);  // 2.1
  EXPECT_EQ(Exist(), std::nullopt);
  SetDword(kProduct, u"Version", 0x02000000);
  SetRegistryText(kProduct, u"ProductName", u"Corvane Orvix");
  EXPECT_EQ(Exist(), std::nullopt);
  // A name stored without a terminator is compared on its stored length only.
  SetRaw(kProduct, u"ProductName", u"Corvane ORVIX");
  EXPECT_EQ(Exist(), u"Yes");
  engine.properties.clear();
  SetRaw(kProduct, u"ProductName", std::u16string(300, u'x'));  // more than 520 bytes
  EXPECT_EQ(Exist(), std::nullopt);
}

TEST_F(CaddonTest, ServerKeyVersionsAreMatchedWhole) {
  struct Row {
    const char16_t* version;
    const char16_t* answer;
  } rows[] = {{u"2.6", u"Yes"},   {u"2.6.1", u"Yes"}, {u"2.7", u"Yes"}, {u"2.6.2", u"No"},
              {u"2.7.0", u"No"},  {u"2.6 ", u"No"},   {u"", u"No"},     {u"2.70", u"No"}};
  for (const Row& row : rows) {
    engine.properties.clear();
    SetRegistryText(kServer, u"Version", row.version);
    EXPECT_EQ(Exist(), row.answer) << testkit::ToUtf8(row.version);
  }
}

TEST_F(CaddonTest, MissingOrRefusedKeysWriteNothing) {
  EXPECT_EQ(Exist(), std::nullopt);
  sim::machine().registry.CreateKey(*machine::CanonicalKey(kServer));
  EXPECT_EQ(Exist(), std::nullopt);  // no "Version"
  // Without administrative rights the product key is refused and the server key tried next.
  SetRegistryText(kProduct, u"ProductName", u"Corvane ORVIX");
  SetDword(kProduct, u"Version", 0x02000000);
  Deny(kProduct);
  SetRegistryText(kServer, u"Version", u"2.6.1");
  EXPECT_EQ(Exist(), u"Yes");
  engine.properties.clear();
  Deny(kServer);
  EXPECT_EQ(Exist(), std::nullopt);
}

TEST_F(CaddonTest, PortalTypeIsStoredInTheAnsiCodePage) {
  struct Row {
    std::u16string property;
    std::u16string stored;
  } rows[] = {
      {u"1", u"1"},
      {u"", u""},
      {u"Int\u00e9gr\u00e9 \u20ac", u"Int\u00e9gr\u00e9 \u20ac"},     // all in Windows-1252
      {u"Portal \u4e2d\u6587", u"Portal ??"},                         // outside it
      {u"e\u0301", u"\u00e9"},                                         // composed first
      {std::u16string(259, u'a'), std::u16string(259, u'a')},         // the longest that fits
      {std::u16string(260, u'a'), u""},                                // too long: stored empty
  };
  for (const Row& row : rows) {
    engine.properties[u"ORVIXPortalTypeProp"] = row.property;
    EXPECT_EQ(SetPortalTypeRegistry(&engine), S_OK);
    auto value = sim::machine().registry.GetValue(*machine::CanonicalKey(kServer), u"IsIntegratedPortal");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->type, platform::kRegSz);
    EXPECT_EQ(StoredText(kServer, u"IsIntegratedPortal"), row.stored) << testkit::ToUtf8(row.property);
    // One terminating character, stored as UTF-16 by the system.
    EXPECT_EQ(value->data.size(), (row.stored.size() + 1) * 2);
  }
}

TEST_F(CaddonTest, PortalTypeCreatesTheKeyAndNeedsTheRightToWrite) {
  engine.properties[u"ORVIXPortalTypeProp"] = u"0";
  SetPortalTypeRegistry(&engine);
  const machine::RegKeyData* key = sim::machine().registry.FindKey(*machine::CanonicalKey(kServer));
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->values.size(), 1u);
  sim::Reset();
  engine.Journal().clear();
  Deny(kServer);
  EXPECT_EQ(SetPortalTypeRegistry(&engine), S_OK);
  EXPECT_EQ(engine.Journal().size(), 2u);  // query and release: no property read
}

class RebootTest : public CaddonTest {
 protected:
  void SetUp() override {
    CaddonTest::SetUp();
    SetRegistryText(kServer, u"ORVIXTYPE", u"evaluation");
    SetRaw(kManager, u"PendingFileRenameOperations", std::u16string(u"\\??\\C:\\a\0\0", 11));
    sim::machine().answers.messageAnswers = {platform::kIdYes};
  }
  size_t Shown() {
    EXPECT_EQ(RebootMachine(nullptr), S_OK);
    EXPECT_EQ(sim::machine().openTokens, 0);
    return sim::machine().answers.messagesShown.size();
  }
  bool Restarted() { return !sim::machine().answers.restarts.empty(); }
};

TEST_F(RebootTest, YesRestartsAtOnceWithForce) {
  ASSERT_EQ(Shown(), 1u);
  const machine::MessageShown& box = sim::machine().answers.messagesShown[0];
  EXPECT_EQ(box.text, u"It is recommended to restart the machine. Save and close any unsaved files "
                      u"and click Yes to reboot.");
  EXPECT_EQ(box.caption, u"Corvane ORVIX");
  EXPECT_EQ(box.style, platform::kMbYesNo);
  ASSERT_TRUE(Restarted());
  EXPECT_EQ(sim::machine().answers.restarts[0].flags, 6u);
  EXPECT_EQ(sim::machine().answers.restarts[0].reason, 0x80020003u);
  EXPECT_EQ(engine.Journal().size(), 0u);  // the argument is never used
}

TEST_F(RebootTest, NoAnswerOrNoPrivilegeRestartsNothing) {
  sim::machine().answers.messageAnswers = {platform::kIdNo};
  EXPECT_EQ(Shown(), 1u);
  EXPECT_FALSE(Restarted());
  sim::machine().answers.messageAnswers = {platform::kIdYes};
  sim::machine().answers.privilegeAdjustError = platform::kNotAllAssigned;
  EXPECT_EQ(Shown(), 2u);
  EXPECT_FALSE(Restarted());
  sim::machine().answers.privilegeAdjustError = 0;
  sim::machine().answers.privilegeLookupWorks = false;
  sim::machine().answers.messageAnswers = {platform::kIdYes};
  EXPECT_EQ(Shown(), 3u);
  EXPECT_FALSE(Restarted());
}

TEST_F(RebootTest, InstallationTypeDecides) {
  struct Row {
    const char16_t* type;  // null: no value
    size_t shown;
  } rows[] = {{u"upgrade", 0}, {u"Upgrade", 1}, {u"", 1}, {u"evaluation", 1}, {nullptr, 0}};
  for (const Row& row : rows) {
    sim::machine().answers.messagesShown.clear();
    sim::machine().answers.messageAnswers = {platform::kIdNo};
    if (row.type != nullptr)
      SetRegistryText(kServer, u"ORVIXTYPE", row.type);
    else
      sim::machine().registry.FindKey(*machine::CanonicalKey(kServer))->values.clear();
    EXPECT_EQ(Shown(), row.shown) << (row.type ? testkit::ToUtf8(row.type) : "none");
  }
  sim::machine().registry.DeleteKey(*machine::CanonicalKey(kServer));
  EXPECT_EQ(Shown(), 0u);
}

TEST_F(RebootTest, PendingOperationsOfAnyLengthCount) {
  SetRaw(kManager, u"PendingFileRenameOperations", std::u16string(2000, u'p'));  // 4000 bytes
  EXPECT_EQ(Shown(), 1u);
  sim::machine().registry.FindKey(*machine::CanonicalKey(kManager))->values.clear();
  EXPECT_EQ(Shown(), 1u);  // no list: no offer
  SetRaw(kManager, u"PendingFileRenameOperations", u"x");
  Deny(kManager);  // without administrative rights
  EXPECT_EQ(Shown(), 1u);
}

}  // namespace
