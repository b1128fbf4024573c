// The program's folder and whole-file reads, on both platforms.
#include "testkit/files.h"

#include <fstream>
#include <iterator>

#ifdef _WIN32
#include <windows.h>

#include "testkit/utf_text.h"
#else
#include <unistd.h>
#endif

namespace testkit {

std::string ProgramFolder() {
#ifdef _WIN32
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::string file = ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(path), n));
#else
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  const std::string file = n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
#endif
  const std::string folder = FolderOf(file);
  return folder.empty() ? "." : folder;
}

std::string FileName(const std::string& path) { return path.substr(path.find_last_of("/\\") + 1); }

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string BesideFile(const std::string& file, const std::string& relative) {
  const bool absolute = (!relative.empty() && (relative[0] == '/' || relative[0] == '\\')) ||
                        (relative.size() >= 2 && relative[1] == ':');
  const size_t slash = file.find_last_of("/\\");
  if (absolute || slash == std::string::npos) return relative;
  return file.substr(0, slash + 1) + relative;
}

Result<std::string> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Failure(path + ": cannot be read");
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return Failure(path + ": cannot be read");
  return bytes;
}

}  // namespace testkit
