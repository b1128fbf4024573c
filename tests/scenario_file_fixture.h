// Tests that write scenario files: each into the test's temporary folder, by its name.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace testing_support {

class ScenarioFileTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
};

}  // namespace testing_support
