// Number, time and version texts of the shared code.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/number_text.h"
#include "common/version.h"
#include "testkit/utf_text.h"

namespace {

using testkit::FromUtf8;
using testkit::ToUtf8;

TEST(FormatFixed2, RoundsTheExactBinaryValueTiesToEven) {
  struct Row {
    double value;
    const char* text;
  } rows[] = {
      {0.0, "0.00"},        {1.75, "1.75"},     {1.125, "1.12"},  {1.375, "1.38"},
      {2.675, "2.67"},      {0.005, "0.01"},    {0.004999, "0.00"}, {0.995, "0.99"},
      {0.9951, "1.00"},     {99.995, "100.00"}, {1.5, "1.50"},    {1024.0 - 1.0 / 1048576, "1024.00"},
      {3.0, "3.00"},        {-0.0, "-0.00"},    {-2.5, "-2.50"},  {1e-300, "0.00"},
      {8589934591.999999, "8589934592.00"},     {9007199254740993.0, "9007199254740992.00"},
      {1e20, "100000000000000000000.00"},
      {3.4028234663852886e38, "340282346638528859811704183484516925440.00"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(ToUtf8(FormatFixed2(row.value)), row.text) << row.value;
  EXPECT_EQ(ToUtf8(FormatFixed2(std::numeric_limits<double>::infinity())), "inf");
  EXPECT_EQ(ToUtf8(FormatFixed2(std::nan(""))), "nan");
}

TEST(FormatUnsigned, AllSixtyFourBits) {
  EXPECT_EQ(ToUtf8(FormatUnsigned(0)), "0");
  EXPECT_EQ(ToUtf8(FormatUnsigned(8589934592ull)), "8589934592");
  EXPECT_EQ(ToUtf8(FormatUnsigned(18446744073709551615ull)), "18446744073709551615");
}

TEST(ParseDecimal, FollowsTheCDecimalConversion) {
  struct Row {
    const char* text;
    double value;
  } rows[] = {
      {"", 0},          {"abc", 0},       {"1,5", 1},        {"1.5", 1.5},     {"  2", 2},
      {"\t+3.25x", 3.25}, {"\u00a01.5", 0}, {"-5", -5},     {".5", 0.5},       {"5.", 5},        {".", 0},
      {"1e3", 1000},    {"1E-2", 0.01},   {"2e", 2},         {"2e+", 2},       {"0x10", 0},
      {"inf", 0},       {"nan", 0},       {"1e999", HUGE_VAL}, {"-1e999", -HUGE_VAL},
      {"1e-999", 0},    {"0.1", 0.1},     {"123456789012345678901234567890", 1.2345678901234568e29},
      {"2.2250738585072014e-308", 2.2250738585072014e-308},
      {"4.9406564584124654e-324", 4.9406564584124654e-324},
      {"1.7976931348623157e308", 1.7976931348623157e308},
      {"9007199254740993", 9007199254740992.0},  // halfway: to even
      {"9007199254740995", 9007199254740996.0},  // halfway: to even, upwards
  };
  for (const Row& row : rows) EXPECT_EQ(ParseDecimal(FromUtf8(row.text)), row.value) << row.text;
}

TEST(ParseDecimal, LongDigitRunsStillRoundCorrectly) {
  // Just above the halfway point between 1 and the next double, told only by the last digit.
  std::string justAbove = "1.00000000000000011102230246251565404236316680908203125";
  EXPECT_EQ(ParseDecimal(FromUtf8(justAbove)), 1.0);  // exactly halfway: to even
  EXPECT_EQ(ParseDecimal(FromUtf8(justAbove + std::string(900, '0') + "1")),
            std::nextafter(1.0, 2.0));
  EXPECT_EQ(ParseDecimal(FromUtf8(std::string(300000, '9'))), HUGE_VAL);
  EXPECT_EQ(ParseDecimal(FromUtf8("0." + std::string(300000, '0') + "1")), 0.0);
}

TEST(FormatTimeStamp, CLocaleForm) {
  EXPECT_EQ(ToUtf8(FormatTimeStamp({2014, 2, 1, 9, 5, 3})), "2014-02-01.09:05:03");
  EXPECT_EQ(ToUtf8(FormatTimeStamp({2026, 12, 31, 23, 59, 59})), "2026-12-31.23:59:59");
}

TEST(ScanDottedVersion, BehavesAsTheWideScan) {
  struct Row {
    const char* text;
    int assigned;
    VersionFields fields;
  } rows[] = {
      {"", 0, {0, 0, 0, 0}},
      {"abc", 0, {0, 0, 0, 0}},
      {" 2.2", 2, {2, 2, 0, 0}},
      {"+3.1", 2, {3, 1, 0, 0}},
      {"-1.0", 2, {-1, 0, 0, 0}},
      {"3.", 1, {3, 0, 0, 0}},
      {"1 .2", 1, {1, 0, 0, 0}},
      {"1. 2", 2, {1, 2, 0, 0}},
      {"0x10", 1, {0, 0, 0, 0}},
      {"99999999999.1", 2, {2147483647, 1, 0, 0}},
      {"-99999999999.1", 2, {-2147483647 - 1, 1, 0, 0}},
      {"1.2.3.4.5", 4, {1, 2, 3, 4}},
      {"2.2.0.123", 4, {2, 2, 0, 123}},
      {"5.0b.7", 2, {5, 0, 0, 0}},
      {"+.1", 0, {0, 0, 0, 0}},
      // The runtime's white space includes the no-break and ideographic spaces, not U+0085.
      {"\u00a02.\u30003", 2, {2, 3, 0, 0}},
      {"\u20282.\u202f3", 2, {2, 3, 0, 0}},
      {"\u00852.3", 0, {0, 0, 0, 0}},
  };
  for (const Row& row : rows) {
    VersionFields fields;
    EXPECT_EQ(ScanDottedVersion(FromUtf8(row.text), fields), row.assigned) << row.text;
    EXPECT_EQ(fields, row.fields) << row.text;
  }
}

TEST(CompareDottedVersions, FirstTextDecidesHowManyFieldsCount) {
  constexpr VersionOrder kSecond = VersionOrder::SecondNewer, kFirst = VersionOrder::FirstNewer,
                         kSame = VersionOrder::Same;
  struct Row {
    const char* first;
    const char* second;
    VersionOrder result;
  } rows[] = {
      {"2.2.0.1", "2.2.1.0", kSecond}, {"2.2.1.0", "2.2.0.1", kFirst}, {"2.2.0.1", "2.2.0.1", kSame},
      {"2.2", "2.2.7.9", kSame},       {"2.1", "2.1.5.300", kSame},   {"5.0", "4.60", kFirst},
      {"1.2.3.4.5", "1.2.3.4", kSame}, {"1.2.3.4.9", "1.2.3.5", kSecond},
      // Unfilled fields are 0: the record 5.0.1 is above 5.0, and 5.0.0 equals it.
      {"5.0.1", "5.0", kFirst},        {"5.0.0", "5.0", kSame},       {"4.9", "5.0", kSecond},
      {"", "", kSame},                 {"", "3.0", kSecond},          {"3.1", "", kFirst},
      {"abc", "0", kSame},             {"3.1", "3.1.2.3", kSame},     {"-1.0", "0.0", kSecond},
  };
  for (const Row& row : rows)
    EXPECT_EQ(CompareDottedVersions(FromUtf8(row.first), FromUtf8(row.second)), row.result)
        << row.first << " vs " << row.second;
}

}  // namespace
