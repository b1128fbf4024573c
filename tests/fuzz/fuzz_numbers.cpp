// The number and version texts against the C library: the decimal conversion against strtod,
// the two-decimal form against snprintf("%.2f"), the version scan against
// swscanf("%d.%d.%d.%d"). The first byte picks the pair; the differences we intend are exempt,
// each saying why.
#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "common/number_text.h"
#include "common/version.h"

namespace {

bool IsAsciiSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::u16string Units(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// Only decimal forms are ours: glibc also reads "inf", "nan" and hexadecimal texts, which the
// actions count as no number (0).
bool GlibcOnlyForm(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && IsAsciiSpace(text[i])) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  if (i < text.size() && std::strchr("iInN", text[i]) != nullptr) return true;
  return i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X');
}

void Decimal(const std::string& text) {
  const double ours = ParseDecimal(Units(text));
  if (GlibcOnlyForm(text)) return;
  const double theirs = std::strtod(text.c_str(), nullptr);
  if (std::memcmp(&ours, &theirs, sizeof ours) != 0) {
    std::fprintf(stderr, "decimal \"%s\": ours %.17g, strtod %.17g\n", text.c_str(), ours, theirs);
    std::abort();
  }
}

void Fixed2(const std::string& bytes) {
  double value = 0;
  std::memcpy(&value, bytes.data(), std::min(bytes.size(), sizeof value));
  const std::u16string ours = FormatFixed2(value);
  // A NaN's sign: glibc writes "-nan", the actions write "nan" as the Windows runtime's form
  // is not glibc's either.
  if (std::isnan(value)) return;
  char theirs[400];
  std::snprintf(theirs, sizeof theirs, "%.2f", value);
  if (ours != Units(theirs)) {
    std::fprintf(stderr, "%%.2f of %a: glibc %s\n", value, theirs);
    std::abort();
  }
}

void Version(const std::string& text) {
  VersionFields ours;
  const int assigned = ScanDottedVersion(Units(text), ours);
  // A field beyond the 32-bit range is clamped as the Windows runtime does; glibc truncates it.
  size_t digits = 0;
  for (char c : text) {
    digits = c >= '0' && c <= '9' ? digits + 1 : 0;
    if (digits > 9) return;
  }
  const std::wstring wide(text.begin(), text.end());
  int theirs[4] = {0, 0, 0, 0};
  int got = std::swscanf(wide.c_str(), L"%d.%d.%d.%d", &theirs[0], &theirs[1], &theirs[2], &theirs[3]);
  if (got == EOF) got = 0;  // input that ends before the first field: nothing assigned
  bool same = got == assigned;
  for (int i = 0; i < got && same; ++i) same = theirs[i] == ours[static_cast<size_t>(i)];
  if (!same) {
    std::fprintf(stderr, "version \"%s\": ours %d fields, swscanf %d\n", text.c_str(), assigned, got);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::setlocale(LC_ALL, "C");
  std::string text;
  // ASCII only: the C library's wide white space and digits are its own beyond it.
  for (std::size_t i = 1; i < size; ++i)
    if (data[i] != 0 && data[i] < 0x80) text += static_cast<char>(data[i]);
  switch (data[0] % 3) {
    case 0: Decimal(text); break;
    case 1: Fixed2(std::string(reinterpret_cast<const char*>(data + 1), size - 1)); break;
    default: Version(text); break;
  }
  return 0;
}
