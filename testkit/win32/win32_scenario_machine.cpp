// The scenario machine on Windows (and Wine): the real registry, real files, the real process
// environment and real program starts. What must not or cannot happen for real in a test is
// answered from the scenario by the replaced imports of the loaded library, so the shipped DLL
// itself carries no test code.
#include <windows.h>

#include <cstdio>

#include "testkit/machine.h"
#include "testkit/utf_text.h"
#include "testkit/win32/recorder.h"
#include "testkit/win32/key_view.h"
#include "testkit/win32/registry.h"
#include "testkit/win32/replacements.h"
#include "testkit/win32/rights.h"
#include "testkit/win32/real_store.h"
#include "testkit/win32/win32_text.h"

namespace testkit {
namespace {

using namespace win32;

bool IsProgram(const std::u16string& path) {
  return path.size() > 4 && NoCaseLess::Same(path.substr(path.size() - 4), u".EXE");
}

// The journal of the scenario that runs, for the console handler.
Journal* g_running = nullptr;

// Ctrl-C, Ctrl-Break and a closed console put the machine back before the process ends.
BOOL WINAPI OnConsoleEvent(DWORD) {
  if (g_running != nullptr) {
    const std::unique_ptr<Store> store = MakeRealStore();
    if (Restore(*store, *g_running)) DeleteFileW(W(JournalPath()));
  }
  // Nothing else of the process may go on, as when the console is closed.
  ExitProcess(130);
}

class Win32ScenarioMachine : public ScenarioMachine {
 public:
  Win32ScenarioMachine() : store_(MakeRealStore()) { SetConsoleCtrlHandler(&OnConsoleEvent, TRUE); }
  // What the last scenario changed is put back; a failure is said on the error output.
  ~Win32ScenarioMachine() override {
    if (Result<> done = Finish(); !done) std::fprintf(stderr, "suitehost: %s\n", done.error().c_str());
    SetConsoleCtrlHandler(&OnConsoleEvent, FALSE);
  }

  void Attach(void* module) override { TakeOver(static_cast<HMODULE>(module)); }

  Result<> Reset(machine::Windows windows, const std::vector<std::u16string>& observed,
                 const std::vector<std::u16string>& changed, const std::vector<std::u16string>& files) override {
    if (Result<> finished = Finish(); !finished) return finished;
    // A journal that could not be carried out is never written over.
    if (unrestored_)
      return Failure("what an earlier scenario changed could not all be put back; run 'suitehost restore'");
    // 32-bit Windows has no 32-bit view to set up: its keys would land elsewhere than the
    // scenario says. An x86 scenario on 64-bit Windows is set up in the 32-bit view, as the
    // libraries see it there.
    if (windows == machine::Windows::X64 && !RunsOn64BitWindows())
      return Failure("this scenario's machine runs 64-bit Windows (\"windows\": \"x64\") and this one runs 32-bit "
                     "Windows: run it on 64-bit Windows or in a 64-bit Wine prefix");
    UseRegistryView(windows);
    keys_ = observed;
    changed_ = std::set<std::u16string, NoCaseLess>(changed.begin(), changed.end());
    answers() = win32::Answers{};
    answers().asWow64 = windows == machine::Windows::X64 && sizeof(void*) == 8;
    checkedStarts_ = 0;
    // Recorded and written down before the first change.
    Result<Journal> recorded = Record(*store_, changed, files);
    if (!recorded) return Failure(recorded.error());
    journal_ = std::move(*recorded);
    journal_.windows = windows;
    if (Result<> written = WriteJournal(journal_); !written) return written;
    g_running = &journal_;
    for (const std::u16string& key : changed)
      if (!IsSystemKey(key))
        if (Result<> cleared = DeleteKeyTree(key); !cleared) return cleared;
    return {};
  }

  Result<> Finish() override {
    Release();
    if (g_running == nullptr) return {};
    g_running = nullptr;
    Result<> restored = Restore(*store_, journal_);
    // A journal that could not be carried out stays, for the next start or `suitehost restore`.
    if (restored)
      DeleteFileW(W(JournalPath()));
    else
      unrestored_ = true;
    return restored;
  }

  Result<> ApplyRegistry(const RegistryChange& change) override { return ApplyChange(change); }
  Result<> DenyAccess(const std::u16string& key, std::uint32_t rights) override { return DenyRights(key, rights); }

  Result<> SetEnvironment(const std::u16string& name, const std::optional<std::u16string>& value) override {
    if (savedEnvironment_.count(name) == 0) {
      wchar_t buffer[32768];
      const DWORD n = GetEnvironmentVariableW(W(name), buffer, 32768);
      savedEnvironment_[name] = n == 0 ? std::nullopt : std::optional<std::u16string>(U(buffer));
    }
    if (!SetEnvironmentVariableW(W(name), value ? W(*value) : nullptr))
      return Failure("cannot set the environment variable " + ToUtf8(name) + ": " + StatusText(GetLastError()));
    return {};
  }

  // A file the actions may open or start: a program (".exe") is the start recorder, anything
  // else is empty. A locked file is held open without sharing for the length of the scenario.
  // The folders created on the way, and a file that stood there, come back with the journal.
  Result<> AddFile(const std::u16string& path, bool readable) override {
    for (size_t at = path.find(u'\\', 3); at != std::u16string::npos; at = path.find(u'\\', at + 1))
      CreateDirectoryW(W(path.substr(0, at)), nullptr);
    if (IsProgram(path)) {
      if (Result<> placed = recorder_.Place(path); !placed) return placed;
    } else {
      HANDLE made = CreateFileW(W(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (made == INVALID_HANDLE_VALUE) return Failure("cannot place " + ToUtf8(path) + ": " + StatusText(GetLastError()));
      CloseHandle(made);
    }
    if (readable) return {};
    HANDLE held = CreateFileW(W(path), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) return Failure("cannot lock " + ToUtf8(path) + ": " + StatusText(GetLastError()));
    locked_.push_back(held);
    return {};
  }

  RegistryState Registry() const override {
    RegistryState state;
    for (const std::u16string& key : keys_)
      if (auto values = ReadKey(key, changed_.count(key) != 0)) state[key] = *values;
    return state;
  }
  machine::AnswerSheet& Answers() override { return answers().sheet; }
  const machine::AnswerSheet& Answers() const override { return answers().sheet; }
  int OpenHandles() const override { return static_cast<int>(answers().keys.size() + answers().tokens.size()); }
  std::vector<std::string> TakeProblems() override { return recorder_.Check(answers().sheet.programsStarted, answers().startsSucceeded, checkedStarts_); }

 private:
  // Undoes what the last scenario did to the process: the programs it started are waited for (a
  // running one holds its file and folder), locked files are let go, reports of the recorder
  // removed, the environment put back. The files themselves come back with the journal.
  // The wait is bounded for all of them together: two minutes, which a program under an emulated
  // machine needs to start and end; on Windows they end in moments.
  void Release() {
    const ULONGLONG deadline = GetTickCount64() + 120000;
    for (HANDLE process : answers().processes) {
      const ULONGLONG now = GetTickCount64();
      WaitForSingleObject(process, now < deadline ? static_cast<DWORD>(deadline - now) : 0);
      CloseHandle(process);
    }
    answers().processes.clear();
    for (HANDLE held : locked_) CloseHandle(held);
    locked_.clear();
    recorder_.Clear();
    for (const auto& [name, value] : savedEnvironment_) SetEnvironmentVariableW(W(name), value ? W(*value) : nullptr);
    savedEnvironment_.clear();
  }

  std::vector<std::u16string> keys_;
  std::set<std::u16string, NoCaseLess> changed_;  // the scenario's own keys
  std::unique_ptr<Store> store_;
  Journal journal_;
  bool unrestored_ = false;  // a journal stays that could not be carried out
  std::map<std::u16string, std::optional<std::u16string>, NoCaseLess> savedEnvironment_;
  StartRecorder recorder_;
  std::vector<HANDLE> locked_;
  size_t checkedStarts_ = 0;
};

}  // namespace

std::unique_ptr<ScenarioMachine> MakeScenarioMachine() { return std::make_unique<Win32ScenarioMachine>(); }

Result<std::vector<std::string>> RecoverInterruptedRun(bool dryRun) { return RestoreFromJournalFile(dryRun); }

bool InterruptedRunLeftJournal() { return GetFileAttributesW(W(JournalPath())) != INVALID_FILE_ATTRIBUTES; }

std::string PlatformName() {
  // Wine's own export tells it from Windows.
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const bool wine = ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  // The stand-in's own architecture: x64 only in the x64 check build.
  const char* architecture = sizeof(void*) == 8 ? " x64" : " x86";
  return (wine ? "wine" : "windows") + std::string(architecture);
}

}  // namespace testkit
