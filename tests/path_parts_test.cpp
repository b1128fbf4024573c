// The parts of a path the engine stand-in takes apart (file names, folders, and paths relative
// to a scenario's file) and file paths as Win32 resolves them.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include "machine/file_path.h"
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

namespace {

// Paths Windows takes for one file, in the form the simulated machine keeps its files in.
TEST(PathPartsTest, FilePathsAsWin32ResolvesThem) {
  const char16_t* const rows[][2] = {
      {u"C:\\Program Files\\Corvane\\\\VendorTools\\Toskan\\toskan.exe",
       u"C:\\Program Files\\Corvane\\VendorTools\\Toskan\\toskan.exe"},
      {u"C:/Program Files/Corvane/VendorTools/Toskan/toskan.exe",
       u"C:\\Program Files\\Corvane\\VendorTools\\Toskan\\toskan.exe"},
      {u"C:\\Corvane\\.\\VendorTools\\..\\VendorTools\\toskan.exe", u"C:\\Corvane\\VendorTools\\toskan.exe"},
      {u"C:\\..\\..\\toskan.exe", u"C:\\toskan.exe"},
      {u"\\ProgramData\\ISUSPM.exe", u"C:\\ProgramData\\ISUSPM.exe"},
      {u"\\\\server\\share\\..\\tool\\toskan.exe", u"\\\\server\\share\\tool\\toskan.exe"},
      {u"D:\\", u"D:\\"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(machine::NormalFilePath(row[0]), row[1]);
#ifdef _WIN32
    // What Win32 itself makes of it (the relative root aside: that is the current drive's).
    if (row[0][0] != u'\\' || row[0][1] == u'\\') {
      wchar_t full[1024];
      const DWORD n = GetFullPathNameW(reinterpret_cast<const wchar_t*>(row[0]), 1024, full, nullptr);
      EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(full), n), row[1]);
    }
#endif
  }
}

}  // namespace
