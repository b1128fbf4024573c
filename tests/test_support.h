// What every action test needs: a fresh simulated machine and engine, and readable texts.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "testkit/engine_strings.h"
#include "testkit/test_engine.h"
#include "testkit/utf_text.h"
#include "machine/sim/process.h"

namespace testing_support {

using Writes = std::vector<std::pair<std::u16string, std::u16string>>;

inline std::string Show(const Writes& writes) {
  std::string out;
  for (const auto& [name, value] : writes)
    out += testkit::ToUtf8(name) + " = " + testkit::Quoted(value) + "\n";
  return out;
}

// A fresh machine and engine for each test; at the end nothing may be left open or unfreed.
class ActionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    stringsBefore_ = testkit::LiveSystemStrings();
  }
  void TearDown() override {
    EXPECT_EQ(testkit::LiveSystemStrings(), stringsBefore_) << "system strings left unfreed";
    EXPECT_EQ(engine.references, 0) << "session not released";
    EXPECT_EQ(sim::machine().openKeys, 0) << "registry keys left open";
  }

  void SetRegistryText(const std::u16string& key, const std::u16string& name,
                       const std::u16string& text) {
    machine::RegValue value;
    value.type = platform::kRegSz;
    value.data = testkit::UnitBytes(text + u'\0');
    sim::machine().registry.SetValue(*machine::CanonicalKey(key), name, value);
  }
  std::optional<std::u16string> StoredText(const std::u16string& key, const std::u16string& name) {
    auto value = sim::machine().registry.GetValue(*machine::CanonicalKey(key), name);
    if (!value) return std::nullopt;
    std::u16string text = testkit::UnitsOfBytes(value->data);
    if (!text.empty() && text.back() == u'\0') text.pop_back();
    return text;
  }

  testkit::TestEngine engine;

 private:
  long stringsBefore_ = 0;
};

}  // namespace testing_support
