// The records of a scenario's machine, shared by the simulated platform and the Windows stand-in:
// registry values and the case-blind order of their names, message boxes, restart requests,
// and the ANSI code page of the simulated machine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace machine {

using platform::LocalTime;
using platform::ShellStart;

// Registry key paths and value names compare without regard to ASCII letter case, as on
// Windows.
struct NoCaseLess {
  static char16_t Fold(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }
  bool operator()(const std::u16string& a, const std::u16string& b) const {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
      if (Fold(a[i]) != Fold(b[i])) return Fold(a[i]) < Fold(b[i]);
    return a.size() < b.size();
  }
  static bool Same(const std::u16string& a, const std::u16string& b) {
    return !NoCaseLess()(a, b) && !NoCaseLess()(b, a);
  }
};

// The canonical form of a key path given with its root: "HKEY_LOCAL_MACHINE\..." for HKLM,
// HKEY_LOCAL_MACHINE, HKCR or HKEY_CLASSES_ROOT (HKEY_CLASSES_ROOT shows the machine's classes
// key, where its new keys land); trailing separators dropped; nullopt for another root.
inline std::optional<std::u16string> CanonicalKey(const std::u16string& key) {
  std::u16string path = key;
  while (!path.empty() && path.back() == u'\\') path.pop_back();
  const size_t cut = path.find(u'\\');
  std::u16string root = path.substr(0, cut);
  for (char16_t& c : root) c = NoCaseLess::Fold(c);
  const std::u16string rest = cut == std::u16string::npos ? u"" : path.substr(cut);
  if (root == u"HKEY_LOCAL_MACHINE" || root == u"HKLM") return u"HKEY_LOCAL_MACHINE" + rest;
  if (root == u"HKEY_CLASSES_ROOT" || root == u"HKCR") return u"HKEY_LOCAL_MACHINE\\Software\\Classes" + rest;
  return std::nullopt;
}

// Windows' limits on a key path: at most 512 levels below the root, and key names of at most 255
// characters. What is wrong with a canonical path by them, or nullopt.
constexpr size_t kMaxKeyLevels = 512;
constexpr size_t kMaxKeyName = 255;
inline std::optional<std::string> KeyPathFault(const std::u16string& canonical) {
  size_t levels = 0, start = canonical.find(u'\\');
  while (start != std::u16string::npos) {
    const size_t end = canonical.find(u'\\', start + 1);
    const size_t length = (end == std::u16string::npos ? canonical.size() : end) - start - 1;
    if (length > kMaxKeyName)
      return "a key name of " + std::to_string(length) + " characters (Windows allows " + std::to_string(kMaxKeyName) + ")";
    if (++levels > kMaxKeyLevels)
      return "a key more than " + std::to_string(kMaxKeyLevels) + " levels deep (as Windows allows)";
    start = end;
  }
  return std::nullopt;
}

// A registry value as the system stores it: its type and its exact bytes.
struct RegValue {
  std::uint32_t type = 1;  // REG_SZ
  std::vector<std::uint8_t> data;
  bool operator==(const RegValue& other) const { return type == other.type && data == other.data; }
  bool operator!=(const RegValue& other) const { return !(*this == other); }
};

struct MessageShown {
  std::u16string text;
  std::u16string caption;
  unsigned style = 0;
  int answer = 0;
};

// ExitWindowsEx as it was asked.
struct ShutdownRequest {
  unsigned flags = 0;
  std::uint32_t reason = 0;
};

// One change of a registry set-up. Key paths are canonical: "HKEY_LOCAL_MACHINE\...".
struct RegistryChange {
  enum class Kind { SetValue, DeleteValue, CreateKey, DeleteKey };
  Kind kind = Kind::SetValue;
  std::u16string key;
  std::u16string name;  // the value's name; empty for the key's default value
  RegValue value;
};

// Windows-1252, the ANSI code page of the simulated machine and of REGEDIT4 files: bytes
// 0x80-0x9F; 0 where the code page maps the byte to the C1 control itself.
inline constexpr char16_t kHigh1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The byte of a UTF-16 unit in Windows-1252; nullopt for a code point it lacks.
inline std::optional<std::uint8_t> ToCodePage1252(char16_t unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<std::uint8_t>(unit);
  for (int i = 0; i < 32; ++i) {
    if (kHigh1252[i] == unit) return static_cast<std::uint8_t>(0x80 + i);
    if (kHigh1252[i] == 0 && unit == 0x80 + i) return static_cast<std::uint8_t>(unit);
  }
  return std::nullopt;
}

inline char16_t FromCodePage1252(std::uint8_t byte) {
  if (byte < 0x80 || byte >= 0xA0) return byte;
  const char16_t mapped = kHigh1252[byte - 0x80];
  return mapped != 0 ? mapped : static_cast<char16_t>(byte);
}

}  // namespace machine
