// The journal's store on the real machine: key trees read and written with their values,
// subkeys and DACL; files and folders; the journal file itself.
#include "testkit/win32/real_store.h"

#include <windows.h>

#include "testkit/utf_text.h"
#include "testkit/win32/key_view.h"
#include "testkit/win32/registry.h"
#include "testkit/win32/win32_text.h"

namespace testkit::win32 {
namespace {

std::u16string LastPart(const std::u16string& path) { return path.substr(path.find_last_of(u'\\') + 1); }
std::u16string Parent(const std::u16string& path) { return path.substr(0, path.find_last_of(u'\\')); }

// The key's name as the registry spells it, found among its parent's subkeys.
std::u16string RealName(const std::u16string& path) {
  HKEY parent = nullptr;
  const std::u16string wanted = LastPart(path);
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(BelowMachine(Parent(path))), 0, KEY_ENUMERATE_SUB_KEYS | View(), &parent) != ERROR_SUCCESS)
    return wanted;
  std::u16string found = wanted;
  for (const std::u16string& name : SubkeyNames(parent))
    if (NoCaseLess::Same(name, wanted)) found = name;
  RegCloseKey(parent);
  return found;
}

std::optional<KeyTree> ReadTreeNamed(const std::u16string& path, const std::u16string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(BelowMachine(path)), 0, KEY_READ | READ_CONTROL | View(), &key) != ERROR_SUCCESS)
    return std::nullopt;
  KeyTree tree{name, {}, KeySecurity(key).value_or(std::vector<std::uint8_t>{}), {}};
  for (auto& [valueName, value] : ReadValues(key)) tree.values.emplace_back(valueName, value);
  const std::vector<std::u16string> children = SubkeyNames(key);
  RegCloseKey(key);
  for (const std::u16string& child : children) {
    std::optional<KeyTree> sub = ReadTreeNamed(path + u"\\" + child, child);
    if (!sub) return std::nullopt;  // a subkey that cannot be read could not be put back
    tree.subkeys.push_back(std::move(*sub));
  }
  return tree;
}

Result<> SetValues(HKEY key, const std::u16string& path, const KeyTree& tree) {
  Result<> done;
  for (const auto& [name, value] : tree.values)
    if (Result<> set = SetValue(key, path, name, value); !set && done) done = set;
  return done;
}

Result<> WriteTreeAt(const std::u16string& path, const KeyTree& tree) {
  HKEY key = nullptr;
  const LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, W(BelowMachine(path)), 0, nullptr, 0,
                                         KEY_ALL_ACCESS | WRITE_DAC | View(), nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return Failure("cannot create " + ToUtf8(path) + ": " + StatusText(status));
  Result<> done = SetValues(key, path, tree);
  for (const KeyTree& sub : tree.subkeys)
    if (Result<> written = WriteTreeAt(path + u"\\" + sub.name, sub); !written && done) done = written;
  // The rights last: they may refuse the writes above.
  if (!tree.security.empty())
    if (Result<> secured = SetKeySecurity(key, path, tree.security); !secured && done) done = secured;
  RegCloseKey(key);
  return done;
}

class RealStore : public Store {
 public:
  bool KeyExists(const std::u16string& path) override {
    HKEY key = nullptr;
    const LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(BelowMachine(path)), 0, MAXIMUM_ALLOWED | View(), &key);
    if (status == ERROR_SUCCESS) RegCloseKey(key);
    // A key that refuses every right exists all the same (and cannot be recorded, so is refused).
    return status != ERROR_FILE_NOT_FOUND && status != ERROR_PATH_NOT_FOUND;
  }
  std::optional<KeyTree> ReadTree(const std::u16string& path) override { return ReadTreeNamed(path, RealName(path)); }
  std::optional<KeyTree> ReadValues(const std::u16string& path) override {
    std::optional<RegistryValues> values = ReadKey(path);
    if (!values) return std::nullopt;
    KeyTree tree;
    for (auto& [name, value] : *values) tree.values.emplace_back(name, value);
    return tree;
  }
  Result<> DeleteTree(const std::u16string& path) override { return DeleteKeyTree(path); }
  Result<> WriteTree(const std::u16string& path, const KeyTree& tree) override {
    return WriteTreeAt(Parent(path) + u"\\" + tree.name, tree);
  }
  Result<> WriteValues(const std::u16string& path, const KeyTree& tree) override {
    HKEY key = nullptr;
    const LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(BelowMachine(path)), 0, KEY_ALL_ACCESS | View(), &key);
    if (status != ERROR_SUCCESS) return Failure("cannot open " + ToUtf8(path) + ": " + StatusText(status));
    for (const auto& [name, value] : win32::ReadValues(key)) {
      bool kept = false;
      for (const auto& entry : tree.values) kept = kept || NoCaseLess::Same(entry.first, name);
      if (!kept) RegDeleteValueW(key, W(name));
    }
    Result<> done = SetValues(key, path, tree);
    RegCloseKey(key);
    return done;
  }
  bool FileExists(const std::u16string& path) override {
    const DWORD attributes = GetFileAttributesW(W(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }
  std::optional<std::string> ReadFile(const std::u16string& path) override {
    HANDLE file = CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got != 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
  }
  Result<> WriteFile(const std::u16string& path, const std::string& bytes) override {
    HANDLE file = CreateFileW(W(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Failure("cannot put back " + ToUtf8(path) + ": " + StatusText(GetLastError()));
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) return Failure("cannot put back " + ToUtf8(path) + ": " + StatusText(GetLastError()));
    return {};
  }
  std::optional<std::uint64_t> FileWritten(const std::u16string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(W(path), GetFileExInfoStandard, &data)) return std::nullopt;
    return (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
  }

  Result<> SetFileWritten(const std::u16string& path, std::uint64_t written) override {
    HANDLE file = CreateFileW(W(path), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Failure("cannot give " + ToUtf8(path) + " back its time: " + StatusText(GetLastError()));
    FILETIME time{static_cast<DWORD>(written), static_cast<DWORD>(written >> 32)};
    const BOOL ok = SetFileTime(file, nullptr, nullptr, &time);
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!ok) return Failure("cannot give " + ToUtf8(path) + " back its time: " + StatusText(error));
    return {};
  }

  Result<> RemoveFile(const std::u16string& path) override {
    if (DeleteFileW(W(path)) || GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND) return {};
    return Failure("cannot remove " + ToUtf8(path) + ": " + StatusText(GetLastError()));
  }
  bool FolderExists(const std::u16string& path) override {
    const DWORD attributes = GetFileAttributesW(W(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }
  Result<> RemoveFolder(const std::u16string& path) override {
    // A program that has just ended may hold its working folder a moment longer (and on
    // Windows a scanner may look into it): a sharing violation is tried again for 30 seconds,
    // then the folder is named with the reason, and the journal stays for `suitehost restore`.
    for (int tries = 0;; ++tries) {
      if (RemoveDirectoryW(W(path)) || GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND)
        return {};
      if (GetLastError() != ERROR_SHARING_VIOLATION || tries == 300) break;
      Sleep(100);
    }
    const DWORD error = GetLastError();
    return Failure("left the folder " + ToUtf8(path) + ": " + StatusText(error) +
                   (error == ERROR_SHARING_VIOLATION ? " (still in use after 30 s: a program started there may still run)" : ""));
  }
};

}  // namespace

std::unique_ptr<Store> MakeRealStore() { return std::make_unique<RealStore>(); }

std::u16string JournalPath() {
  wchar_t folder[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, folder);
  return std::u16string(reinterpret_cast<const char16_t*>(folder), n) + u"suitehost-journal.json";
}

Result<> WriteJournal(const Journal& journal) {
  const std::string text = JournalText(journal);
  // Written beside, then moved into place: a journal file is either whole or not there.
  const std::u16string path = JournalPath(), part = path + u".part";
  RealStore store;
  if (Result<> written = store.WriteFile(part, text); !written) return Failure("cannot write the journal: " + written.error());
  if (!MoveFileExW(W(part), W(path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return Failure("cannot write the journal " + ToUtf8(path) + ": " + StatusText(GetLastError()));
  return {};
}

Result<std::vector<std::string>> RestoreFromJournalFile(bool dryRun) {
  RealStore store;
  const std::optional<std::string> text = store.ReadFile(JournalPath());
  if (!text) return std::vector<std::string>{};
  Result<Journal> journal = ParseJournal(*text);
  if (!journal) return Failure(ToUtf8(JournalPath()) + ": " + journal.error());
  std::vector<std::string> lines = JournalLines(*journal);
  if (dryRun) return lines;
  UseRegistryView(journal->windows);
  if (Result<> restored = Restore(store, *journal); !restored) return Failure(restored.error());
  (void)store.RemoveFile(JournalPath());
  return lines;
}

}  // namespace testkit::win32
