#include <cstdlib>
#include <cstring>

#include "platform/sim/com_sim.h"
#include "platform/sim/sim.h"

namespace sim {
namespace {

char16_t Fold(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

std::u16string Upper(std::u16string text) {
  for (char16_t& c : text) c = Fold(c);
  return text;
}

bool StartsWithNoCase(const std::u16string& text, const std::u16string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (Fold(text[i]) != Fold(prefix[i])) return false;
  return true;
}

const std::u16string kMachineRoot = u"HKEY_LOCAL_MACHINE";
const std::u16string kClassesUnderMachine = u"HKEY_LOCAL_MACHINE\\Software\\Classes";

long g_liveStrings = 0;
long g_failCountdown = 0;

}  // namespace

bool NoCaseLess::operator()(const std::u16string& a, const std::u16string& b) const {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const char16_t x = Fold(a[i]), y = Fold(b[i]);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

std::optional<std::u16string> Registry::Canonical(const std::u16string& fullPath) {
  std::u16string path = fullPath;
  while (!path.empty() && path.back() == u'\\') path.pop_back();
  const size_t cut = path.find(u'\\');
  const std::u16string root = Upper(path.substr(0, cut));
  const std::u16string rest = cut == std::u16string::npos ? u"" : path.substr(cut);
  if (root == u"HKEY_LOCAL_MACHINE" || root == u"HKLM") return kMachineRoot + rest;
  if (root == u"HKEY_CLASSES_ROOT" || root == u"HKCR") return kClassesUnderMachine + rest;
  return std::nullopt;
}

std::u16string Registry::Under(platform::Hive hive, const std::u16string& path) {
  const std::u16string& root =
      hive == platform::Hive::LocalMachine ? kMachineRoot : kClassesUnderMachine;
  return path.empty() ? root : root + u"\\" + path;
}

RegKeyData& Registry::CreateKey(const std::u16string& canonicalPath) {
  // Every key on the way down exists too.
  for (size_t at = canonicalPath.find(u'\\'); at != std::u16string::npos;
       at = canonicalPath.find(u'\\', at + 1))
    keys_.try_emplace(canonicalPath.substr(0, at));
  return keys_[canonicalPath];
}

RegKeyData* Registry::FindKey(const std::u16string& canonicalPath) {
  auto found = keys_.find(canonicalPath);
  return found == keys_.end() ? nullptr : &found->second;
}

void Registry::DeleteKey(const std::u16string& canonicalPath) {
  const std::u16string below = canonicalPath + u"\\";
  for (auto it = keys_.begin(); it != keys_.end();) {
    if ((it->first.size() == canonicalPath.size() && StartsWithNoCase(it->first, canonicalPath)) ||
        StartsWithNoCase(it->first, below))
      it = keys_.erase(it);
    else
      ++it;
  }
}

void Registry::SetValue(const std::u16string& canonicalPath, const std::u16string& name,
                        RegValue value) {
  CreateKey(canonicalPath).values[name] = std::move(value);
}

std::optional<RegValue> Registry::GetValue(const std::u16string& canonicalPath,
                                           const std::u16string& name) const {
  auto key = keys_.find(canonicalPath);
  if (key == keys_.end()) return std::nullopt;
  auto value = key->second.values.find(name);
  if (value == key->second.values.end()) return std::nullopt;
  return value->second;
}

Machine& machine() {
  static Machine the;
  return the;
}

void Reset() { machine() = Machine{}; }

long LiveSystemStrings() { return g_liveStrings; }
void FailSystemStringAllocation(long nth) { g_failCountdown = nth; }

namespace {
// Windows-1252 bytes 0x80-0x9F; 0 where the code page maps the byte to the C1 control itself.
constexpr char16_t kHigh1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
}  // namespace

std::optional<std::uint8_t> ToCodePage1252(char16_t unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<std::uint8_t>(unit);
  for (int i = 0; i < 32; ++i) {
    if (kHigh1252[i] == unit) return static_cast<std::uint8_t>(0x80 + i);
    if (kHigh1252[i] == 0 && unit == 0x80 + i) return static_cast<std::uint8_t>(unit);
  }
  return std::nullopt;
}

char16_t FromCodePage1252(std::uint8_t byte) {
  if (byte < 0x80 || byte >= 0xA0) return byte;
  const char16_t mapped = kHigh1252[byte - 0x80];
  return mapped != 0 ? mapped : static_cast<char16_t>(byte);
}

}  // namespace sim

// ---- System strings -------------------------------------------------------------------------
extern "C" {

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  if (sim::g_failCountdown > 0 && --sim::g_failCountdown == 0) return nullptr;
  const size_t bytes = static_cast<size_t>(length) * sizeof(OLECHAR);
  auto* block = static_cast<unsigned char*>(std::malloc(sizeof(std::uint32_t) + bytes + sizeof(OLECHAR)));
  if (block == nullptr) return nullptr;
  const auto prefix = static_cast<std::uint32_t>(bytes);
  std::memcpy(block, &prefix, sizeof prefix);
  auto* chars = reinterpret_cast<OLECHAR*>(block + sizeof prefix);
  if (text != nullptr)
    std::memcpy(chars, text, bytes);
  else
    std::memset(chars, 0, bytes);
  chars[length] = u'\0';
  ++sim::g_liveStrings;
  return chars;
}

BSTR SysAllocString(const OLECHAR* text) {
  if (text == nullptr) return nullptr;
  UINT length = 0;
  while (text[length] != u'\0') ++length;
  return SysAllocStringLen(text, length);
}

void SysFreeString(BSTR text) {
  if (text == nullptr) return;
  --sim::g_liveStrings;
  std::free(reinterpret_cast<unsigned char*>(text) - sizeof(std::uint32_t));
}

UINT SysStringLen(BSTR text) {
  if (text == nullptr) return 0;
  std::uint32_t prefix = 0;
  std::memcpy(&prefix, reinterpret_cast<unsigned char*>(text) - sizeof prefix, sizeof prefix);
  return prefix / sizeof(OLECHAR);
}

}  // extern "C"
