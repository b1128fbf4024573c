// Registry keys held for one action, and the string value helpers.
#pragma once

#include <cstdint>
#include <string>

#include "common/unique_handle.h"
#include "platform/platform.h"

// Owner of one open registry key: closed exactly once. An unopened key reads as a key without
// values and takes no writes.
using RegistryKey = UniqueAny<platform::KeyHandle, &platform::CloseKey>;

// Opens the key, or (Create) creates or opens it.
RegistryKey OpenRegistryKey(platform::Hive hive, const std::u16string& path, std::uint32_t access);
RegistryKey CreateRegistryKey(platform::Hive hive, const std::u16string& path, std::uint32_t access);

struct RegistryText {
  std::u16string text;
  std::int32_t status = 0;
};

// The value's text read into a buffer of 1024 bytes, whatever its stored type: up to the first
// NUL, never past the byte count the query reports. Any failure (missing, too large, no key)
// leaves `fallback`.
RegistryText ReadRegistryText(platform::KeyHandle key, const std::u16string& name,
                              const std::u16string& fallback);

// Stores `text` as REG_SZ with its terminating NUL; true when the system took it.
bool WriteRegistryText(platform::KeyHandle key, const std::u16string& name,
                       const std::u16string& text);

// A value queried into the caller's buffer of `bufferBytes`, type not asked for: the status,
// and the byte count the query reported (0 when it failed).
struct QueriedBytes {
  std::int32_t status = 0;
  std::uint32_t count = 0;  // bytes the query reported
};
QueriedBytes QueryIntoBuffer(platform::KeyHandle key, const std::u16string& name, void* buffer,
                             std::uint32_t bufferBytes);
// Units of a queried UTF-16 buffer up to the first NUL and within `count` bytes.
std::u16string TextOfBuffer(const char16_t* units, std::uint32_t count);
