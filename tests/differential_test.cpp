// The shared code's scanning and formatting against the Windows C runtime's own functions, on
// a corpus of odd inputs. Built for Windows only, where those functions are the reference.
#include <gtest/gtest.h>
#include <windows.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <cwchar>
#include <string>

#include "common/number_text.h"
#include "common/version.h"

namespace {

std::u16string U16(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }

// The text for a failure message, with units beyond ASCII as \uXXXX.
std::string Shown(const wchar_t* text) {
  std::string out = "\"";
  for (; *text != L'\0'; ++text) {
    char unit[8];
    if (*text >= 0x20 && *text < 0x7F) {
      out += static_cast<char>(*text);
    } else {
      std::snprintf(unit, sizeof unit, "\\u%04x", static_cast<unsigned>(*text));
      out += unit;
    }
  }
  return out + "\"";
}

std::string Exact(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%a", value);
  return text;
}

const wchar_t* const kVersions[] = {
    L"", L" ", L"abc", L"2.2", L" 2.2", L"\t2 .2", L"2. 2", L"+3.1", L"-1.0", L"--1", L"+-1", L"3.", L".3",
    L"1..2", L"1.2.3.4.5", L"2.2.0.123", L"0x10", L"010.08", L"5.0b.7", L"1,2", L"99999999999.1",
    L"2147483647.2147483648", L"-2147483648.-2147483649", L"4294967296.1", L"\x0661.2", L"1.\x00A0" L"2",
    L"\n\v\f\r7.8", L"1.2.3.4\x2024", L"+", L"-.1", L"00000000000000000000001.2", L"\x3000" L"3.\x2029" L"1",
    L"\x0085" L"1.2", L"\x200b" L"1.2", L"\xfeff" L"1.2", L"1.\x1680" L"2.\x205f" L"3.\x202f" L"4",
};

// The C runtime's scan "%d.%d.%d.%d", fields that it leaves unfilled at 0 as ours are.
int RuntimeScan(const wchar_t* text, VersionFields& fields) {
  int f[4] = {0, 0, 0, 0};
  const int n = swscanf(text, L"%d.%d.%d.%d", &f[0], &f[1], &f[2], &f[3]);
  for (int i = 0; i < 4; ++i) fields[static_cast<size_t>(i)] = f[i];
  return n;
}

TEST(AgainstTheRuntime, VersionScanMatchesTheWideScan) {
  for (const wchar_t* text : kVersions) {
    VersionFields ours, theirs;
    const int assigned = ScanDottedVersion(U16(text), ours);
    int expected = RuntimeScan(text, theirs);
    // An empty or blank text is EOF (-1) to the runtime; nothing was assigned either way, and
    // the comparison only looks at the fields.
    if (expected == EOF) expected = 0;
    EXPECT_EQ(assigned, expected) << Shown(text);
    EXPECT_EQ(ours, theirs) << Shown(text);
  }
}

TEST(AgainstTheRuntime, RequirementConversionMatchesWcstod) {
  const wchar_t* const texts[] = {
      L"", L"abc", L"1,5", L"1.5", L"  2", L"\t+3.25x", L"-5", L".5", L"5.", L".", L"1e3", L"1E-2", L"2e",
      L"2e+", L"2e+x", L"1e999", L"-1e999", L"1e-999", L"0.1", L"0.25", L"1.75", L"123456789012345678901234567890",
      L"2.2250738585072014e-308", L"4.9406564584124654e-324", L"1.7976931348623157e308", L"9007199254740993",
      L"9007199254740995", L"3.4028235677973366e38", L"0000.000001", L"1e0000000000000000000003", L"+-1",
      L"1.00000000000000011102230246251565404236316680908203125", L"\x00a0" L"2.5", L"\x3000" L"2.5",
  };
  setlocale(LC_ALL, "C");
  for (const wchar_t* text : texts) {
    const double theirs = wcstod(text, nullptr);
    const double ours = ParseDecimal(U16(text));
    EXPECT_EQ(ours, theirs) << Shown(text) << ": ours " << Exact(ours) << ", the runtime's " << Exact(theirs);
  }
  // Intended differences: the requirement is a decimal number, so the runtime's other forms
  // (infinity, not-a-number and hexadecimal floating point) count as no number at all. A NaN
  // would otherwise make every free-space comparison false and a full disk look large enough.
  for (const wchar_t* text : {L"inf", L"-infinity", L"nan", L"NAN(123)", L"0x1p4"}) {
    EXPECT_EQ(ParseDecimal(U16(text)), 0.0);
    EXPECT_NE(wcstod(text, nullptr), 0.0);
  }
  // Intended: ours rounds correctly however many digits the text has; the runtime's does not
  // just above a halfway point told by the 55th digit. No requirement text has such digits.
  const wchar_t* justAbove = L"1.00000000000000011102230246251565404236316680908203126";
  EXPECT_EQ(ParseDecimal(U16(justAbove)), std::nextafter(1.0, 2.0));
}

TEST(AgainstTheRuntime, FixedTwoDecimalsMatchesSwprintf) {
  const double values[] = {0.0, 1.75, 1.125, 1.375, 2.675, 0.005, 0.995, 99.995, 1.5, 1023.9999990463257,
                           3.0, 2.5, 1e-300, 8589934591.999999, 9007199254740993.0, 1e20, 3.4028234663852886e38,
                           0.125, 0.375, 1048575.9990234375, 17179869184.0 / 1073741824.0 + 1.0 / 3.0};
  for (const double value : values) {
    wchar_t text[512];
    swprintf(text, 512, L"%.2f", value);
    EXPECT_EQ(FormatFixed2(value), U16(text)) << value;
  }
}

TEST(AgainstTheRuntime, TimeStampMatchesWcsftime) {
  const platform::LocalTime times[] = {
      {2014, 2, 1, 9, 5, 3}, {2026, 12, 31, 23, 59, 59}, {2000, 1, 1, 0, 0, 0}, {1999, 10, 9, 12, 0, 7}};
  for (const platform::LocalTime& t : times) {
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    wchar_t text[80];
    ASSERT_NE(wcsftime(text, 80, L"%Y-%m-%d.%X", &tm), 0u);
    EXPECT_EQ(FormatTimeStamp(t), U16(text));
  }
}

}  // namespace
