// Tests that write scenario files: each into a folder of the test's own, made for it and removed
// after it, so that tests running side by side never share a file.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace testing_support {

// A new, empty folder under the system's temporary folder; gone when this ends.
class OwnFolder {
 public:
  OwnFolder() {
    std::random_device random;
    for (;;) {
      path_ = std::filesystem::temp_directory_path() / ("suite-test-" + std::to_string(random()));
      if (std::filesystem::create_directory(path_)) break;
    }
  }
  ~OwnFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  OwnFolder(const OwnFolder&) = delete;
  OwnFolder& operator=(const OwnFolder&) = delete;

  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

class ScenarioFileTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = folder_.File(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

 private:
  OwnFolder folder_;
};

}  // namespace testing_support
