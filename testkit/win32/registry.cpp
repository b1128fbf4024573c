// Setting up, reading and putting back real registry keys for the Windows scenario machine.
#include "testkit/win32/registry.h"

#include "testkit/utf_text.h"
#include "testkit/journal.h"
#include "testkit/win32/key_view.h"
#include "testkit/win32/rights.h"
#include "testkit/win32/win32_text.h"

namespace testkit::win32 {

RegistryValues ReadValues(HKEY key) {
  RegistryValues values;
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD nameLength = 16384, type = 0, bytes = 0;
    LSTATUS status = RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &bytes);
    if (status != ERROR_SUCCESS) break;
    RegValue value;
    value.type = type;
    value.data.resize(bytes);
    nameLength = 16384;
    status = RegEnumValueW(key, i, name, &nameLength, nullptr, &type, value.data.data(), &bytes);
    if (status != ERROR_SUCCESS) break;
    value.data.resize(bytes);
    values[std::u16string(reinterpret_cast<const char16_t*>(name), nameLength)] = value;
  }
  return values;
}

std::vector<std::u16string> SubkeyNames(HKEY key) {
  std::vector<std::u16string> names;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(reinterpret_cast<const char16_t*>(name), length);
  }
  return names;
}

namespace {

bool IsStringType(std::uint32_t type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

}  // namespace

Result<> SetValue(HKEY key, const std::u16string& path, const std::u16string& name, const RegValue& value) {
  // The system stores the unit after a string's counted data when that unit is a NUL, so an
  // unterminated string is followed by one that is not.
  std::vector<BYTE> data(value.data.begin(), value.data.end());
  if (IsStringType(value.type)) data.insert(data.end(), {'x', 'x'});
  const LSTATUS status =
      RegSetValueExW(key, W(name), 0, value.type, data.data(), static_cast<DWORD>(value.data.size()));
  if (status != ERROR_SUCCESS)
    return Failure("cannot write " + ToUtf8(path) + " " + (name.empty() ? "@" : ToUtf8(name)) + ": " +
                   StatusText(status));
  return {};
}

namespace {

Result<HKEY> CreateKey(const std::u16string& key) {
  HKEY opened = nullptr;
  const LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, W(BelowMachine(key)), 0, nullptr, 0, KEY_ALL_ACCESS | View(),
                                         nullptr, &opened, nullptr);
  if (status != ERROR_SUCCESS) return Failure("cannot create " + ToUtf8(key) + ": " + StatusText(status));
  return opened;
}

// Hands every key of the tree back to its owner, outermost first, so that it can be removed.
void UnlockTree(const std::u16string& key) {
  (void)Unlock(key);
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(BelowMachine(key)), 0, KEY_ENUMERATE_SUB_KEYS | View(), &opened) != ERROR_SUCCESS)
    return;
  const std::vector<std::u16string> names = SubkeyNames(opened);
  RegCloseKey(opened);
  for (const std::u16string& child : names) UnlockTree(key + u"\\" + child);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> KeySecurity(HKEY key) {
  DWORD size = 0;
  if (RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size) != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
  std::vector<std::uint8_t> descriptor(size);
  if (RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor.data(), &size) != ERROR_SUCCESS) return std::nullopt;
  descriptor.resize(size);
  return descriptor;
}

Result<> SetKeySecurity(HKEY key, const std::u16string& path, const std::vector<std::uint8_t>& descriptor) {
  const LSTATUS status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION,
                                           const_cast<std::uint8_t*>(descriptor.data()));
  if (status != ERROR_SUCCESS) return Failure("cannot set the security of " + ToUtf8(path) + ": " + StatusText(status));
  return {};
}

namespace {

std::optional<RegistryValues> ReadOpenable(const std::u16string& key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(BelowMachine(key)), 0, KEY_READ | View(), &opened) != ERROR_SUCCESS)
    return std::nullopt;
  RegistryValues values = ReadValues(opened);
  RegCloseKey(opened);
  return values;
}

}  // namespace

std::optional<RegistryValues> ReadKey(const std::u16string& key, bool openUp) {
  std::optional<RegistryValues> values = ReadOpenable(key);
  if (values || !openUp) return values;
  // A key whose reading a scenario refused is still seen: its owner opens it up for a moment and
  // gives it back the same rights.
  HKEY owner = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(BelowMachine(key)), 0, READ_CONTROL | WRITE_DAC | View(), &owner) != ERROR_SUCCESS)
    return std::nullopt;
  if (const std::optional<std::vector<std::uint8_t>> security = KeySecurity(owner)) {
    if (Unlock(key)) values = ReadOpenable(key);
    (void)SetKeySecurity(owner, key, *security);
  }
  RegCloseKey(owner);
  return values;
}

Result<> ApplyChange(const RegistryChange& change) {
  if (change.kind == RegistryChange::Kind::DeleteKey) {
    // They belong to the system, which would not work without them.
    if (IsSystemKey(change.key))
      return Failure("a scenario does not delete keys under HKEY_LOCAL_MACHINE\\SYSTEM on a real machine: " +
                     ToUtf8(change.key));
    return DeleteKeyTree(change.key);
  }
  Result<HKEY> key = CreateKey(change.key);
  if (!key) return Failure(key.error());
  Result<> done;
  if (change.kind == RegistryChange::Kind::SetValue) done = SetValue(*key, change.key, change.name, change.value);
  if (change.kind == RegistryChange::Kind::DeleteValue) {
    const LSTATUS status = RegDeleteValueW(*key, W(change.name));
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
      done = Failure("cannot delete " + ToUtf8(change.key) + " " + ToUtf8(change.name) + ": " + StatusText(status));
  }
  RegCloseKey(*key);
  return done;
}

Result<> DeleteKeyTree(const std::u16string& key) {
  UnlockTree(key);
  // RegDeleteTreeW takes no view: the key is opened in the view, and its contents go through it.
  HKEY opened = nullptr;
  LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(BelowMachine(key)), 0,
                                 DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE | View(), &opened);
  if (status == ERROR_SUCCESS) {
    status = RegDeleteTreeW(opened, nullptr);
    RegCloseKey(opened);
  }
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
    return Failure("cannot delete " + ToUtf8(key) + ": " + StatusText(status));
  const LSTATUS removed = RegDeleteKeyExW(HKEY_LOCAL_MACHINE, W(BelowMachine(key)), View(), 0);
  if (removed != ERROR_SUCCESS && removed != ERROR_FILE_NOT_FOUND)
    return Failure("cannot delete " + ToUtf8(key) + ": " + StatusText(removed));
  return {};
}

}  // namespace testkit::win32
