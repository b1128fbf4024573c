// Placing the start recorder and reading what it reports.
#include "testkit/win32/recorder.h"

#include <windows.h>

#include "testkit/files.h"
#include "testkit/utf_text.h"
#include "testkit/win32/win32_text.h"

namespace testkit::win32 {
namespace {

// The path as Win32 resolves it: repeated separators folded, "/" taken for "\".
std::u16string FullPath(const std::u16string& path) {
  wchar_t full[MAX_PATH * 4];
  const DWORD n = GetFullPathNameW(W(path), MAX_PATH * 4, full, nullptr);
  return n == 0 || n >= MAX_PATH * 4 ? path : std::u16string(reinterpret_cast<const char16_t*>(full), n);
}

// The recorder writes its report in one piece and ends it with a NUL once complete.
bool ReadReport(const std::u16string& path, std::string& text) {
  HANDLE file = CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char buffer[65536];
  DWORD got = 0;
  const BOOL read = ReadFile(file, buffer, sizeof buffer, &got, nullptr);
  CloseHandle(file);
  if (!read || got == 0 || buffer[got - 1] != '\0') return false;
  text.assign(buffer, got - 1);
  return true;
}

std::vector<std::string> Compare(const ShellStart& start, const std::string& text) {
  std::vector<std::string> problems;
  const size_t cut = text.find('\n');
  const std::u16string folder = FromUtf8(text.substr(0, cut));
  const std::u16string arguments = FromUtf8(cut == std::string::npos ? "" : text.substr(cut + 1));
  if (!NoCaseLess::Same(FullPath(folder), FullPath(start.directory)))
    problems.push_back("program " + Quoted(start.file) + " ran in " + Quoted(folder) + ", not in " +
                       Quoted(start.directory));
  if (arguments != start.parameters)
    problems.push_back("program " + Quoted(start.file) + " was given " + Quoted(arguments) + ", not " +
                       Quoted(start.parameters));
  return problems;
}

}  // namespace

Result<> StartRecorder::Place(const std::u16string& path) {
  const std::u16string recorder = FromUtf8(ProgramFolder()) + u"\\start_recorder.exe";
  if (!CopyFileW(W(recorder), W(path), FALSE))
    return Failure("cannot place the start recorder at " + ToUtf8(path) + ": " + StatusText(GetLastError()));
  DeleteFileW(W(path + u".started"));
  programs_.insert(FullPath(path));
  return {};
}

std::vector<std::string> StartRecorder::Check(const std::vector<ShellStart>& starts,
                                             const std::vector<bool>& succeeded, size_t& checked) {
  std::vector<std::string> problems;
  for (; checked < starts.size(); ++checked) {
    const ShellStart& start = starts[checked];
    if (checked < succeeded.size() && !succeeded[checked]) continue;
    if (programs_.count(FullPath(start.file)) == 0) continue;
    const std::u16string report = start.file + u".started";
    std::string text;
    for (int waited = 0; waited < 200 && !ReadReport(report, text); ++waited) Sleep(50);
    if (text.empty()) {
      problems.push_back("program " + Quoted(start.file) + " was not started");
      continue;
    }
    DeleteFileW(W(report));
    for (std::string& problem : Compare(start, text)) problems.push_back(std::move(problem));
  }
  return problems;
}

void StartRecorder::Clear() {
  for (const std::u16string& program : programs_) DeleteFileW(W(program + u".started"));
  programs_.clear();
}

}  // namespace testkit::win32
