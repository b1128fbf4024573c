// Seeding, reading and putting back real registry keys for the Windows scenario machine.
#include "testkit/win32/registry.h"

#include "testkit/text.h"
#include "testkit/win32/rights.h"
#include "testkit/win32/wide.h"

namespace testkit::win32 {
namespace {

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

bool IsStringType(std::uint32_t type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

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

Result<HKEY> CreateKey(const std::u16string& key) {
  HKEY opened = nullptr;
  const LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, W(BelowMachine(key)), 0, nullptr, 0, KEY_ALL_ACCESS,
                                         nullptr, &opened, nullptr);
  if (status != ERROR_SUCCESS) return Failure("cannot create " + ToUtf8(key) + ": " + StatusText(status));
  return opened;
}

bool IsSystemKey(const std::u16string& key) {
  const std::u16string system = u"HKEY_LOCAL_MACHINE\\SYSTEM";
  return NoCaseLess::Same(key.substr(0, system.size()), system) &&
         (key.size() == system.size() || key[system.size()] == u'\\');
}

// Gives a key the values it had: those added since go, those changed or removed come back.
Result<> PutBackValues(const std::u16string& key, const RegistryValues& was, const std::optional<RegistryValues>& now) {
  if (Result<> unlocked = Unlock(key); !unlocked) return unlocked;
  Result<HKEY> opened = CreateKey(key);
  if (!opened) return Failure(opened.error());
  Result<> done;
  if (now)
    for (const auto& [name, value] : *now)
      if (was.count(name) == 0) RegDeleteValueW(*opened, W(name));
  for (const auto& [name, value] : was) {
    if (now) {
      auto current = now->find(name);
      if (current != now->end() && current->second == value) continue;
    }
    if (Result<> set = SetValue(*opened, key, name, value); !set && done) done = set;
  }
  RegCloseKey(*opened);
  return done;
}

}  // namespace

std::optional<RegistryValues> ReadKey(const std::u16string& key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(BelowMachine(key)), 0, KEY_READ, &opened) != ERROR_SUCCESS)
    return std::nullopt;
  RegistryValues values = ReadValues(opened);
  RegCloseKey(opened);
  return values;
}

Result<> ApplyChange(const RegistryChange& change) {
  if (change.kind == RegistryChange::Kind::DeleteKey) return DeleteKeyTree(change.key);
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
  if (Result<> unlocked = Unlock(key); !unlocked) return unlocked;
  const LSTATUS status = RegDeleteTreeW(HKEY_LOCAL_MACHINE, W(BelowMachine(key)));
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
    return Failure("cannot delete " + ToUtf8(key) + ": " + StatusText(status));
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, W(BelowMachine(key)));
  return {};
}

void KeyRestorer::Restore(const std::u16string& key) {
  if (!IsSystemKey(key)) {
    (void)DeleteKeyTree(key);
    return;
  }
  auto first = firstSeen_.find(key);
  if (first == firstSeen_.end()) {
    firstSeen_[key] = ReadKey(key);
    return;
  }
  const std::optional<RegistryValues> now = ReadKey(key);
  if (!first->second) {
    if (now) (void)DeleteKeyTree(key);
    return;
  }
  (void)PutBackValues(key, *first->second, now);
}

}  // namespace testkit::win32
