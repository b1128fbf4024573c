// HRESULT names and sizes with binary units, as scenario files and the command line give them.
#include "scenario/status.h"

#include <cctype>

#include "machine/records.h"
#include "testkit/utf_text.h"

namespace scenario {

testkit::Result<std::uint64_t> ParseSize(const std::string& text) {
  const auto refuse = [&text](const std::string& why) { return testkit::Failure("\"" + text + "\": " + why); };
  const std::string form = "expected a number of bytes or a size such as \"512 MB\" or \"1.5 GB\"";
  const std::string tooLarge = "larger than the most bytes a volume can report (18446744073709551615)";
  unsigned long long whole = 0, fraction = 0;
  unsigned places = 0;
  size_t i = 0;
  bool digits = false;
  for (; i < text.size() && isdigit(static_cast<unsigned char>(text[i])); ++i, digits = true) {
    const unsigned digit = static_cast<unsigned>(text[i] - '0');
    if (whole > (UINT64_MAX - digit) / 10) return refuse(tooLarge);
    whole = whole * 10 + digit;
  }
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && isdigit(static_cast<unsigned char>(text[i])); ++i, digits = true) {
      if (places == 12) return refuse("more than 12 digits after the point");
      fraction = fraction * 10 + static_cast<unsigned>(text[i] - '0');
      ++places;
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
  if (!digits || shift < 0) return refuse(form);
  if (whole > (UINT64_MAX >> shift)) return refuse(tooLarge);
  // The fraction's bytes, exactly: fraction * 2^shift / (2^places * 5^places), which must be whole.
  unsigned long long fifths = 1;
  for (unsigned p = 0; p < places; ++p) fifths *= 5;
  const std::string notWhole = "not a whole number of bytes";
  if (fraction % fifths != 0) return refuse(notWhole);
  unsigned long long fractionBytes = fraction / fifths;  // below 2^28: 10^12 / 5^12 is 2^12
  if (static_cast<unsigned>(shift) >= places) {
    fractionBytes <<= static_cast<unsigned>(shift) - places;
  } else {
    const unsigned long long rest = 1ull << (places - static_cast<unsigned>(shift));
    if (fractionBytes % rest != 0) return refuse(notWhole);
    fractionBytes /= rest;
  }
  const unsigned long long wholeBytes = whole << shift;
  if (wholeBytes > UINT64_MAX - fractionBytes) return refuse(tooLarge);
  return wholeBytes + fractionBytes;
}

std::u16string VolumeRoot(const std::u16string& given) {
  const bool letter = given.size() == 2 && given[1] == u':' &&
                      ((given[0] >= u'A' && given[0] <= u'Z') || (given[0] >= u'a' && given[0] <= u'z'));
  return letter ? given + u"\\" : given;
}

bool SameVolume(const std::u16string& a, const std::u16string& b) { return machine::NoCaseLess::Same(a, b); }

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
