// The parts of a path the engine stand-in takes apart: file names, folders, and paths relative
// to a scenario's file.
#include <gtest/gtest.h>

#include "testkit/files.h"

namespace {

struct PathRow {
  const char* path;
  const char* name;
  const char* folder;
};

TEST(PathPartsTest, FileNameAndFolderOfEitherSeparator) {
  const PathRow rows[] = {
      {"examples/typical-road.json", "typical-road.json", "examples"},
      {"C:\\work\\x64\\road.json", "road.json", "C:\\work\\x64"},
      {"a/b\\c.json", "c.json", "a/b"},
      {"road.json", "road.json", ""},
      {"/road.json", "road.json", ""},
      {"folder/", "", "folder"},
  };
  for (const PathRow& row : rows) {
    EXPECT_EQ(testkit::FileName(row.path), row.name) << row.path;
    EXPECT_EQ(testkit::FolderOf(row.path), row.folder) << row.path;
  }
}

TEST(PathPartsTest, RelativePathsAreTakenFromTheScenarioFolder) {
  const char* const rows[][3] = {
      {"examples/road.json", "registry/a.reg", "examples/registry/a.reg"},
      {"C:\\scenarios\\road.json", "a.reg", "C:\\scenarios\\a.reg"},
      {"road.json", "a.reg", "a.reg"},
      {"examples/road.json", "/tmp/a.reg", "/tmp/a.reg"},
      {"examples/road.json", "C:\\exports\\a.reg", "C:\\exports\\a.reg"},
      {"examples/road.json", "\\\\server\\share\\a.reg", "\\\\server\\share\\a.reg"},
  };
  for (const auto& row : rows) EXPECT_EQ(testkit::BesideFile(row[0], row[1]), row[2]) << row[0] << " + " << row[1];
}

}  // namespace
