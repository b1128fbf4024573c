// What every action test needs: a fresh simulated machine and engine, and readable texts.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/test_engine.h"
#include "host/utf.h"
#include "platform/sim/sim.h"

namespace testing_support {

using Writes = std::vector<std::pair<std::u16string, std::u16string>>;

inline std::string Show(const Writes& writes) {
  std::string out;
  for (const auto& [name, value] : writes)
    out += host::ToUtf8(name) + " = " + host::Quoted(value) + "\n";
  return out;
}

// A fresh machine and engine for each test; at the end nothing may be left open or unfreed.
class ActionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    stringsBefore_ = host::LiveSystemStrings();
  }
  void TearDown() override {
    EXPECT_EQ(host::LiveSystemStrings(), stringsBefore_) << "system strings left unfreed";
    EXPECT_EQ(engine.references, 0) << "session not released";
    EXPECT_EQ(sim::machine().openKeys, 0) << "registry keys left open";
  }

  void SetRegistryText(const std::u16string& key, const std::u16string& name,
                       const std::u16string& text) {
    sim::RegValue value;
    value.type = platform::kRegSz;
    const std::u16string withNul = text + u'\0';
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(withNul.data());
    value.data.assign(bytes, bytes + withNul.size() * 2);
    sim::machine().registry.SetValue(*sim::Registry::Canonical(key), name, value);
  }
  std::optional<std::u16string> StoredText(const std::u16string& key, const std::u16string& name) {
    auto value = sim::machine().registry.GetValue(*sim::Registry::Canonical(key), name);
    if (!value) return std::nullopt;
    std::u16string text(value->data.size() / 2, u'\0');
    std::memcpy(text.data(), value->data.data(), text.size() * 2);
    if (!text.empty() && text.back() == u'\0') text.pop_back();
    return text;
  }

  host::TestEngine engine;

 private:
  long stringsBefore_ = 0;
};

}  // namespace testing_support
