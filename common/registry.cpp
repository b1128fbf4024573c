// Registry keys and the string value helpers the actions share.
#include "common/registry.h"

RegistryKey OpenRegistryKey(platform::Hive hive, const std::u16string& path, std::uint32_t access) {
  RegistryKey key;
  platform::OpenKey(hive, path, access, key.put());
  return key;
}

RegistryKey CreateRegistryKey(platform::Hive hive, const std::u16string& path, std::uint32_t access) {
  RegistryKey key;
  platform::CreateKey(hive, path, access, key.put());
  return key;
}

QueriedBytes QueryIntoBuffer(platform::KeyHandle key, const std::u16string& name, void* buffer,
                             std::uint32_t bufferBytes) {
  QueriedBytes result;
  result.count = bufferBytes;
  result.status = platform::QueryValue(key, name, buffer, &result.count);
  if (result.status != platform::kSuccess) result.count = 0;
  return result;
}

std::u16string TextOfBuffer(const char16_t* units, std::uint32_t count) {
  const std::uint32_t whole = count / 2;  // an odd last byte is never read
  std::uint32_t length = 0;
  while (length < whole && units[length] != u'\0') ++length;
  return std::u16string(units, length);
}

RegistryText ReadRegistryText(platform::KeyHandle key, const std::u16string& name,
                              const std::u16string& fallback) {
  char16_t buffer[512];
  RegistryText result{fallback, 0};
  const QueriedBytes queried = QueryIntoBuffer(key, name, buffer, sizeof buffer);
  result.status = queried.status;
  if (queried.status == platform::kSuccess) result.text = TextOfBuffer(buffer, queried.count);
  return result;
}

bool WriteRegistryText(platform::KeyHandle key, const std::u16string& name,
                       const std::u16string& text) {
  const auto bytes = static_cast<std::uint32_t>((text.size() + 1) * sizeof(char16_t));
  return platform::SetValue(key, name, platform::kRegSz, text.c_str(), bytes) ==
         platform::kSuccess;
}
