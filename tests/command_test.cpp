// The `call` command's scenario, built from its options without starting suitehost.
#include <gtest/gtest.h>

#include "host/command.h"

namespace {

TEST(CallScenario, OptionsBecomeTheMachineAndOneCall) {
  suitehost::CallOptions o;
  o.library = "ovrel";
  o.action = "calculateRequiredSpace";
  o.properties = {"INSTALLDIR=C:\\Program Files\\Corvane", "EMPTY="};
  o.volumes = {"C:\\=1.5GB"};
  o.environment = {"TEMP=C:\\t=x"};
  o.files = {"C:\\a.exe"};
  o.answers = {"yes", "no"};
  const auto s = suitehost::CallScenario(o);
  ASSERT_TRUE(s) << s.error();
  EXPECT_EQ(s->library, "ovrel");
  ASSERT_EQ(s->properties.size(), 2u);
  EXPECT_EQ(s->properties[0].second, u"C:\\Program Files\\Corvane");
  EXPECT_EQ(s->properties[1].second, u"");
  ASSERT_EQ(s->volumes.size(), 1u);
  EXPECT_EQ(s->volumes[0].root, u"C:\\");
  EXPECT_EQ(s->volumes[0].freeBytes, 3ull << 29);
  // Only the first "=" separates the name.
  EXPECT_EQ(s->environment[0].second, u"C:\\t=x");
  EXPECT_EQ(s->messageAnswers, (std::vector<int>{6, 7}));
  ASSERT_EQ(s->steps.size(), 1u);
  EXPECT_EQ(s->steps[0].action, "calculateRequiredSpace");
  EXPECT_EQ(s->steps[0].where, "/steps/0");
}

TEST(CallScenario, AWrongOptionIsNamed) {
  struct Row {
    void (*set)(suitehost::CallOptions&);
    const char* error;
  } rows[] = {
      {[](suitehost::CallOptions& o) { o.properties = {"NOVALUE"}; }, "--property NOVALUE: expected NAME=VALUE"},
      {[](suitehost::CallOptions& o) { o.properties = {"=x"}; }, "--property =x: expected NAME=VALUE"},
      {[](suitehost::CallOptions& o) { o.volumes = {"C:\\=lots"}; }, "--volume C:\\=lots: expected ROOT=SIZE"},
      {[](suitehost::CallOptions& o) { o.volumes = {"3GB"}; }, "--volume 3GB: expected ROOT=SIZE"},
      {[](suitehost::CallOptions& o) { o.environment = {"TEMP"}; }, "--env TEMP: expected NAME=VALUE"},
      {[](suitehost::CallOptions& o) { o.answers = {"maybe"}; }, "--answer maybe: expected yes or no"},
      {[](suitehost::CallOptions& o) { o.regFiles = {"/no/such/file.reg"}; }, "/no/such/file.reg: cannot be read"},
  };
  for (const Row& row : rows) {
    suitehost::CallOptions o;
    o.library = "ovrel";
    o.action = "verify";
    row.set(o);
    const auto s = suitehost::CallScenario(o);
    ASSERT_FALSE(s) << row.error;
    EXPECT_EQ(s.error().rfind(row.error, 0), 0u) << s.error();
  }
}

}  // namespace
