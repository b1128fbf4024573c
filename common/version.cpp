// Dotted versions, scanned and compared.
#include "common/version.h"

#include <limits>

namespace {

// White space before a field, as the Windows C runtime's wide scan (swscanf, through iswspace)
// sees it: the ASCII blanks and controls, and Unicode's space separators, no-break spaces
// included.
bool IsWideSpace(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r') || c == 0x00A0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
         c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

int ScanDottedVersion(std::u16string_view text, VersionFields& fields) {
  fields = {0, 0, 0, 0};
  size_t i = 0;
  int assigned = 0;
  for (int field = 0; field < 4; ++field) {
    if (field > 0) {
      if (i >= text.size() || text[i] != u'.') break;
      ++i;
    }
    while (i < text.size() && IsWideSpace(text[i])) ++i;
    size_t j = i;
    bool negative = false;
    if (j < text.size() && (text[j] == u'+' || text[j] == u'-')) negative = text[j++] == u'-';
    if (j >= text.size() || !IsDigit(text[j])) break;
    // Accumulated as a negative number so that INT_MIN itself fits; clamped beyond the range.
    constexpr std::int64_t kLimit = std::int64_t{1} << 31;
    std::int64_t magnitude = 0;
    for (; j < text.size() && IsDigit(text[j]); ++j)
      if (magnitude <= kLimit) magnitude = magnitude * 10 + (text[j] - u'0');
    std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max()) value = std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min()) value = std::numeric_limits<std::int32_t>::min();
    fields[static_cast<size_t>(field)] = static_cast<std::int32_t>(value);
    ++assigned;
    i = j;
  }
  return assigned;
}

VersionOrder CompareDottedVersions(std::u16string_view first, std::u16string_view second) {
  VersionFields a, b;
  ScanDottedVersion(first, a);
  ScanDottedVersion(second, b);
  size_t count = 1;
  for (char16_t c : first)
    if (c == u'.') ++count;
  if (count > 4) count = 4;
  for (size_t i = 0; i < count; ++i) {
    if (a[i] > b[i]) return VersionOrder::FirstNewer;
    if (a[i] < b[i]) return VersionOrder::SecondNewer;
  }
  return VersionOrder::Same;
}
