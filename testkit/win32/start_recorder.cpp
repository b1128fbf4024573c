// A stand-in for the programs the actions start (the post-install program and the vendor
// tool) in the Windows test runs: it writes its working folder and its parameters, in UTF-8,
// to a file named after itself with ".started" appended, then ends. The report ends with a NUL
// so that a reader can tell it is complete.
#include <windows.h>

#include <string>

namespace {

std::string Utf8(const wchar_t* text, int length) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, &out[0], bytes, nullptr, nullptr);
  return out;
}

// The command line less the program's own name, as the parameters were given.
const wchar_t* Parameters(const wchar_t* line) {
  if (*line == L'"') {
    ++line;
    while (*line != L'\0' && *line != L'"') ++line;
    if (*line == L'"') ++line;
  } else {
    while (*line != L'\0' && *line != L' ' && *line != L'\t') ++line;
  }
  while (*line == L' ' || *line == L'\t') ++line;
  return line;
}

}  // namespace

int main() {
  wchar_t self[MAX_PATH + 16];
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  lstrcpyW(self + length, L".started");
  wchar_t folder[MAX_PATH];
  const DWORD folderLength = GetCurrentDirectoryW(MAX_PATH, folder);
  const wchar_t* parameters = Parameters(GetCommandLineW());
  std::string report = Utf8(folder, static_cast<int>(folderLength)) + "\n" +
                       Utf8(parameters, lstrlenW(parameters));
  report += '\0';
  HANDLE file = CreateFileW(self, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  WriteFile(file, report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
  CloseHandle(file);
  return 0;
}
