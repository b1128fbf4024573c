// verify: the selection decision table and its writes.
#include <gtest/gtest.h>

#include "ovrel/ovrel.h"
#include "tests/test_support.h"

namespace {

using testing_support::ActionTest;
using testing_support::Show;
using testing_support::Writes;

struct Row {
  const char* name;
  const char16_t* tool;       // "TOSKAN"
  const char16_t* server;     // "ORVIX"
  const char16_t* upgrade;    // "ORVIX_VERSION"
  const char16_t* installed;  // "ORVIX_INSTALLED"
  Writes writes;
  bool versionRead;
};
// Rows show in test names and messages by their name.
void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

class VerifyDecision : public ActionTest, public ::testing::WithParamInterface<Row> {};

TEST_P(VerifyDecision, WritesInOrder) {
  const Row& row = GetParam();
  engine.properties = {{u"TOSKAN", row.tool}, {u"ORVIX", row.server},
                       {u"ORVIX_VERSION", row.upgrade}, {u"ORVIX_INSTALLED", row.installed},
                       {u"CUSTOM_ACTION", u"earlier"}, {u"ORVIXSETUPTYPE", u"upgrade"}};
  EXPECT_EQ(verify(&engine), S_OK);
  EXPECT_EQ(Show(engine.Writes()), Show(row.writes));
  bool versionRead = false;
  for (const machine::Event& call : engine.Journal())
    versionRead |= call.kind == machine::EventKind::ReadProperty && call.name == u"ORVIX_VERSION";
  EXPECT_EQ(versionRead, row.versionRead);
}

Writes NotSelected(const char16_t* valid) {
  return {{u"ValidSelection", valid},
          {u"ORVIX_TOSKAN", u""},
          {u"CUSTOM_ACTION", u"{Install InstallationProgress}"},
          {u"ORVIXSETUPTYPE", u""},
          {u"ORVIX_TYPE", u"false"}};
}
Writes Selected(const char16_t* alone, const char16_t* type, const char16_t* isNew) {
  return {{u"ValidSelection", u"true"}, {u"ORVIX_TOSKAN", alone}, {u"ORVIXSETUPTYPE", type},
          {u"ORVIX_TYPE", isNew}};
}

// Selection texts are only tested for being set: "false" and "0" select too.
INSTANTIATE_TEST_SUITE_P(
    Rows, VerifyDecision,
    ::testing::Values(
        Row{"Nothing", u"", u"", u"2.2", u"true", NotSelected(u"false"), false},
        Row{"ToolOnly", u"false", u"", u"", u"", NotSelected(u"true"), false},
        Row{"ServerUpgrade", u"", u"0", u"2.2", u"true", Selected(u"install", u"upgrade", u"false"), true},
        Row{"ServerCurrent", u"", u"1", u"", u"false", Selected(u"install", u"", u"false"), true},
        Row{"ServerNew", u"", u"1", u"", u"", Selected(u"install", u"evaluation", u"true"), true},
        Row{"BothUpgrade", u"1", u"1", u"2.2", u"", Selected(u"", u"upgrade", u"false"), true},
        Row{"BothCurrent", u"1", u"1", u"", u"true", Selected(u"", u"", u"false"), true},
        Row{"BothNew", u"1", u"1", u"", u"", Selected(u"", u"evaluation", u"true"), true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ActionTest, VerifyLeavesEverythingAloneWhenTheQueryFails) {
  engine.queryStatus = static_cast<HRESULT>(0x80070005u);
  EXPECT_EQ(verify(&engine), static_cast<HRESULT>(0x80070005u));
  EXPECT_EQ(engine.Journal().size(), 1u);
}

}  // namespace
