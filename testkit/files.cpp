// The program's folder and whole-file reads, on both platforms.
#include "testkit/files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#ifdef _WIN32
#include <windows.h>

#include "testkit/utf_text.h"
#else
#include <fcntl.h>
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
  const auto refuse = [&path](const std::string& why) { return Failure(path + ": " + why); };
  const auto reason = [] { return std::string(std::strerror(errno)); };
#ifdef _WIN32
  struct _stat64 about {};
  if (_stat64(path.c_str(), &about) != 0) return refuse(reason());
  const bool regular = (about.st_mode & _S_IFMT) == _S_IFREG, folder = (about.st_mode & _S_IFMT) == _S_IFDIR;
  FILE* file = regular ? std::fopen(path.c_str(), "rb") : nullptr;
  if (regular && !file) return refuse(reason());
#else
  // Not blocking: a pipe named where a file is expected is refused, never waited on.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return refuse(reason());
  struct stat about {};
  if (fstat(fd, &about) != 0) {
    const std::string why = reason();
    close(fd);
    return refuse(why);
  }
  const bool regular = S_ISREG(about.st_mode), folder = S_ISDIR(about.st_mode);
  FILE* file = regular ? fdopen(fd, "rb") : nullptr;
  if (!file) close(fd);
#endif
  if (folder) return refuse(std::strerror(EISDIR));
  if (!regular) return refuse("not a file (a device, a pipe or a socket)");
  std::unique_ptr<FILE, int (*)(FILE*)> closing(file, std::fclose);
  if (static_cast<unsigned long long>(about.st_size) > kLargestFile)
    return refuse("larger than " + std::to_string(kLargestFile >> 20) + " MiB, more than suitehost reads");
  std::string bytes;
  char chunk[65536];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    // A file that grows while it is read is held to the same limit.
    if (bytes.size() + got > kLargestFile)
      return refuse("larger than " + std::to_string(kLargestFile >> 20) + " MiB, more than suitehost reads");
    bytes.append(chunk, got);
  }
  if (std::ferror(file)) return refuse(reason());
  return bytes;
}

namespace {

std::string TemporaryBeside(const std::string& path) {
#ifdef _WIN32
  const unsigned long id = GetCurrentProcessId();
#else
  const unsigned long id = static_cast<unsigned long>(getpid());
#endif
  return path + ".suitehost-" + std::to_string(id) + ".tmp";
}

bool Replace(const std::string& from, const std::string& to) {
#ifdef _WIN32
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

}  // namespace

Result<> WriteWholeFile(const std::string& path, const std::string& bytes) {
  const std::string temporary = TemporaryBeside(path);
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) return Failure(path + ": " + std::strerror(errno));
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const int why = errno;
  if (std::fclose(file) != 0 || !written) {
    std::remove(temporary.c_str());
    return Failure(path + ": " + std::strerror(written ? errno : why));
  }
  if (!Replace(temporary, path)) {
#ifdef _WIN32
    const std::string reason = "cannot take the place of the file there (Windows error " +
                               std::to_string(GetLastError()) + ")";
#else
    const std::string reason = std::strerror(errno);
#endif
    std::remove(temporary.c_str());
    return Failure(path + ": " + reason);
  }
  return {};
}

Result<> CanWriteBeside(const std::string& path) {
  const std::string temporary = TemporaryBeside(path);
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) return Failure(path + ": " + std::strerror(errno));
  std::fclose(file);
  std::remove(temporary.c_str());
  return {};
}

bool PathExists(const std::string& path) {
#ifdef _WIN32
  struct _stat64 about {};
  return _stat64(path.c_str(), &about) == 0;
#else
  struct stat about {};
  return stat(path.c_str(), &about) == 0;
#endif
}

bool SameFile(const std::string& a, const std::string& b) {
#ifdef _WIN32
  char fullA[MAX_PATH], fullB[MAX_PATH];
  const DWORD na = GetFullPathNameA(a.c_str(), MAX_PATH, fullA, nullptr);
  const DWORD nb = GetFullPathNameA(b.c_str(), MAX_PATH, fullB, nullptr);
  struct _stat64 about {};
  return na > 0 && na < MAX_PATH && nb > 0 && nb < MAX_PATH && _stat64(a.c_str(), &about) == 0 &&
         lstrcmpiA(fullA, fullB) == 0;
#else
  struct stat one {}, other {};
  return stat(a.c_str(), &one) == 0 && stat(b.c_str(), &other) == 0 && one.st_dev == other.st_dev &&
         one.st_ino == other.st_ino;
#endif
}

}  // namespace testkit
