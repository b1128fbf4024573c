// HRESULT names and sizes with binary units, as scenario files and the command line give them.
#include "scenario/status.h"

#include <cctype>

#include "testkit/utf_text.h"

namespace scenario {

std::optional<std::uint64_t> ParseSize(const std::string& text) {
  unsigned long long whole = 0, fraction = 0, scale = 1;
  size_t i = 0;
  bool digits = false;
  for (; i < text.size() && isdigit(static_cast<unsigned char>(text[i])); ++i, digits = true) {
    const unsigned digit = static_cast<unsigned>(text[i] - '0');
    if (whole > (UINT64_MAX - digit) / 10) return std::nullopt;
    whole = whole * 10 + digit;
  }
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && isdigit(static_cast<unsigned char>(text[i])); ++i, digits = true) {
      if (scale >= 1000000000000ull) return std::nullopt;
      fraction = fraction * 10 + static_cast<unsigned>(text[i] - '0');
      scale *= 10;
    }
  }
  while (i < text.size() && text[i] == ' ') ++i;
  const std::string unit = text.substr(i);
  int shift = -1;
  if (unit.empty() || unit == "B") shift = 0;
  if (unit == "KB") shift = 10;
  if (unit == "MB") shift = 20;
  if (unit == "GB") shift = 30;
  if (unit == "TB") shift = 40;
  if (!digits || shift < 0) return std::nullopt;
  const unsigned long long unitBytes = 1ull << shift;
  if (whole > UINT64_MAX / unitBytes) return std::nullopt;
  // fraction < 10^12 and a unit of at most 2^40 keep the product within 64 bits.
  const unsigned long long fractionBytes = fraction * unitBytes;
  if (fractionBytes % scale != 0) return std::nullopt;  // not a whole number of bytes
  if (whole * unitBytes > UINT64_MAX - fractionBytes / scale) return std::nullopt;
  return whole * unitBytes + fractionBytes / scale;
}

std::optional<HRESULT> ParseStatus(const std::string& text) {
  static const std::pair<const char*, std::uint32_t> kNames[] = {
      {"S_OK", 0},
      {"S_FALSE", 1},
      {"E_NOTIMPL", 0x80004001},
      {"E_NOINTERFACE", 0x80004002},
      {"E_POINTER", 0x80004003},
      {"E_ABORT", 0x80004004},
      {"E_FAIL", 0x80004005},
      {"E_UNEXPECTED", 0x8000FFFF},
      {"E_ACCESSDENIED", 0x80070005},
      {"E_OUTOFMEMORY", 0x8007000E},
      {"E_INVALIDARG", 0x80070057},
  };
  for (const auto& [name, value] : kNames)
    if (text == name) return static_cast<HRESULT>(value);
  if (text.size() > 2 && text.size() <= 10 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    std::uint32_t value = 0;
    for (size_t i = 2; i < text.size(); ++i) {
      const char c = text[i];
      if (!isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
      value = value * 16 + static_cast<std::uint32_t>(isdigit(static_cast<unsigned char>(c)) ? c - '0' : (tolower(c) - 'a' + 10));
    }
    return static_cast<HRESULT>(value);
  }
  return std::nullopt;
}

std::string StatusName(HRESULT status) {
  const std::string hex = testkit::Hex32(static_cast<std::uint32_t>(status));
  for (const char* name : {"S_OK", "S_FALSE", "E_NOTIMPL", "E_NOINTERFACE", "E_POINTER", "E_ABORT", "E_FAIL",
                           "E_UNEXPECTED", "E_ACCESSDENIED", "E_OUTOFMEMORY", "E_INVALIDARG"})
    if (ParseStatus(name) == status) return hex + " " + name;
  return hex;
}

}  // namespace scenario
