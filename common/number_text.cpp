// Number and time texts: decimal formatting and conversion, the time stamp.
#include "common/number_text.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

// White space before a number, as the Windows C runtime's decimal conversion (wcstod) sees it:
// the ASCII blanks and controls only.
bool IsSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// An unsigned integer of any size, 32-bit limbs, least significant first.
class BigUint {
 public:
  explicit BigUint(std::uint64_t value = 0) {
    while (value != 0) {
      limbs_.push_back(static_cast<std::uint32_t>(value));
      value >>= 32;
    }
  }
  bool IsZero() const { return limbs_.empty(); }
  void MulAdd(std::uint32_t factor, std::uint32_t addend) {
    std::uint64_t carry = addend;
    for (std::uint32_t& limb : limbs_) {
      const std::uint64_t product = static_cast<std::uint64_t>(limb) * factor + carry;
      limb = static_cast<std::uint32_t>(product);
      carry = product >> 32;
    }
    if (carry != 0) limbs_.push_back(static_cast<std::uint32_t>(carry));
  }
  // Divides in place and returns the remainder.
  std::uint32_t DivSmall(std::uint32_t divisor) {
    std::uint64_t rest = 0;
    for (size_t i = limbs_.size(); i-- > 0;) {
      const std::uint64_t part = (rest << 32) | limbs_[i];
      limbs_[i] = static_cast<std::uint32_t>(part / divisor);
      rest = part % divisor;
    }
    Trim();
    return static_cast<std::uint32_t>(rest);
  }
  void ShiftLeft(unsigned bits) {
    if (IsZero()) return;
    limbs_.insert(limbs_.begin(), bits / 32, 0u);
    const unsigned part = bits % 32;
    if (part == 0) return;
    std::uint32_t carry = 0;
    for (std::uint32_t& limb : limbs_) {
      const std::uint32_t next = limb >> (32 - part);
      limb = (limb << part) | carry;
      carry = next;
    }
    if (carry != 0) limbs_.push_back(carry);
  }
  unsigned BitLength() const {
    if (IsZero()) return 0;
    unsigned bits = static_cast<unsigned>(limbs_.size() - 1) * 32;
    for (std::uint32_t top = limbs_.back(); top != 0; top >>= 1) ++bits;
    return bits;
  }
  bool Bit(unsigned index) const {
    const size_t limb = index / 32;
    return limb < limbs_.size() && ((limbs_[limb] >> (index % 32)) & 1u) != 0;
  }
  bool AnyBitBelow(unsigned index) const {
    for (size_t i = 0; i < limbs_.size() && i * 32 < index; ++i) {
      const unsigned inLimb = index - static_cast<unsigned>(i) * 32;
      const std::uint32_t mask = inLimb >= 32 ? 0xFFFFFFFFu : ((1u << inLimb) - 1u);
      if ((limbs_[i] & mask) != 0) return true;
    }
    return false;
  }
  // Bits [from, from + 64) as a number.
  std::uint64_t BitsFrom(unsigned from) const {
    std::uint64_t value = 0;
    for (unsigned i = 0; i < 64; ++i)
      if (Bit(from + i)) value |= std::uint64_t{1} << i;
    return value;
  }
  std::u16string Decimal() const {
    if (IsZero()) return u"0";
    BigUint rest = *this;
    std::u16string reversed;
    while (!rest.IsZero()) {
      std::uint32_t chunk = rest.DivSmall(1000000000u);
      for (int i = 0; i < 9; ++i) {
        reversed += static_cast<char16_t>(u'0' + chunk % 10);
        chunk /= 10;
        if (rest.IsZero() && chunk == 0) break;
      }
    }
    return std::u16string(reversed.rbegin(), reversed.rend());
  }

 private:
  void Trim() {
    while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
  }
  std::vector<std::uint32_t> limbs_;
};

void MulPow10(BigUint& n, unsigned power) {
  for (; power >= 9; power -= 9) n.MulAdd(1000000000u, 0);
  std::uint32_t rest = 1;
  while (power-- > 0) rest *= 10;
  if (rest != 1) n.MulAdd(rest, 0);
}

// Divides by 10^power; true when anything was lost.
bool DivPow10(BigUint& n, unsigned power) {
  bool lost = false;
  for (; power >= 9; power -= 9) lost |= n.DivSmall(1000000000u) != 0;
  std::uint32_t rest = 1;
  while (power-- > 0) rest *= 10;
  if (rest != 1) lost |= n.DivSmall(rest) != 0;
  return lost;
}

// digits x 10^exponent, correctly rounded to the nearest double (ties to even).
double ToNearestDouble(const std::u16string& digits, long exponent, bool sticky) {
  const long magnitude = static_cast<long>(digits.size()) + exponent;
  if (magnitude > 310) return std::numeric_limits<double>::infinity();
  if (magnitude < -330) return 0.0;
  BigUint q;
  for (char16_t d : digits) q.MulAdd(10, static_cast<std::uint32_t>(d - u'0'));
  if (sticky) {
    // A nonzero tail below the kept digits: one more digit 1 stands for it. 800 digits are
    // more than any halfway point between two doubles has, so the rounding is unchanged.
    q.MulAdd(10, 1);
    --exponent;
    sticky = false;
  }
  long binaryShift = 0;  // value = q x 2^-binaryShift
  if (exponent >= 0) {
    MulPow10(q, static_cast<unsigned>(exponent));
  } else {
    // Enough bits above the division that the quotient keeps 64 significant bits.
    const long divisorBits = static_cast<long>(std::ceil(-exponent * 3.3219280948873623)) + 1;
    binaryShift = 64 + divisorBits - static_cast<long>(q.BitLength());
    if (binaryShift < 0) binaryShift = 0;
    q.ShiftLeft(static_cast<unsigned>(binaryShift));
    sticky = DivPow10(q, static_cast<unsigned>(-exponent));
  }
  if (q.IsZero()) return 0.0;
  const long top = static_cast<long>(q.BitLength()) - 1 - binaryShift;
  long lsb = top - 52;
  if (lsb < -1074) lsb = -1074;
  const long drop = lsb + binaryShift;  // low bits of q below the last kept one
  std::uint64_t mantissa;
  if (drop <= 0) {
    mantissa = q.BitsFrom(0) << static_cast<unsigned>(-drop);
  } else {
    const auto cut = static_cast<unsigned>(drop);
    mantissa = q.BitsFrom(cut);
    const bool half = q.Bit(cut - 1);
    const bool below = q.AnyBitBelow(cut - 1) || sticky;
    if (half && (below || (mantissa & 1u) != 0)) ++mantissa;
  }
  return std::ldexp(static_cast<double>(mantissa), static_cast<int>(lsb));
}

}  // namespace

std::u16string FormatUnsigned(std::uint64_t value) {
  char16_t reversed[20];
  int n = 0;
  do {
    reversed[n++] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  } while (value != 0);
  std::u16string text;
  while (n > 0) text += reversed[--n];
  return text;
}

std::u16string FormatFixed2(double value) {
  if (std::isnan(value)) return u"nan";
  std::u16string sign = std::signbit(value) ? u"-" : u"";
  if (std::isinf(value)) return sign + u"inf";
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  std::uint64_t m = bits & ((std::uint64_t{1} << 52) - 1);
  int e = -1074;
  if (biased != 0) {
    m |= std::uint64_t{1} << 52;
    e = biased - 1075;
  }
  // value = m x 2^e
  if (e >= 0) {
    BigUint whole(m);
    whole.ShiftLeft(static_cast<unsigned>(e));
    return sign + whole.Decimal() + u".00";
  }
  const unsigned k = static_cast<unsigned>(-e);
  std::uint64_t whole = 0;
  unsigned cents = 0;
  if (k < 64) {
    whole = m >> k;
    const std::uint64_t mask = (std::uint64_t{1} << k) - 1;
    std::uint64_t rest = m & mask;  // below 2^53, so ten times it still fits
    for (int i = 0; i < 2; ++i) {
      rest *= 10;
      cents = cents * 10 + static_cast<unsigned>(rest >> k);
      rest &= mask;
    }
    const std::uint64_t half = std::uint64_t{1} << (k - 1);
    if (rest > half || (rest == half && (cents & 1u) != 0)) ++cents;
    if (cents == 100) {
      cents = 0;
      ++whole;
    }
  }  // else the value is below 2^-11 and rounds to 0.00
  std::u16string text = sign + FormatUnsigned(whole) + u".";
  text += static_cast<char16_t>(u'0' + cents / 10);
  text += static_cast<char16_t>(u'0' + cents % 10);
  return text;
}

double ParseDecimal(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  constexpr size_t kKeptDigits = 800;
  std::u16string digits;  // significant digits, without leading zeros
  long exponent = 0;      // value = digits x 10^exponent
  bool sticky = false;    // a nonzero digit beyond those kept
  bool anyDigit = false;
  auto take = [&](char16_t d, bool fraction) {
    anyDigit = true;
    if (digits.empty() && d == u'0') {
      if (fraction) --exponent;
      return;
    }
    if (digits.size() < kKeptDigits) {
      digits += d;
      if (fraction) --exponent;
    } else {
      sticky |= d != u'0';
      if (!fraction) ++exponent;
    }
  };
  for (; i < text.size() && IsDigit(text[i]); ++i) take(text[i], false);
  if (i < text.size() && text[i] == u'.') {
    for (++i; i < text.size() && IsDigit(text[i]); ++i) take(text[i], true);
  }
  if (!anyDigit) return 0.0;
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    size_t j = i + 1;
    bool expNegative = false;
    if (j < text.size() && (text[j] == u'+' || text[j] == u'-')) expNegative = text[j++] == u'-';
    if (j < text.size() && IsDigit(text[j])) {
      long written = 0;
      for (; j < text.size() && IsDigit(text[j]); ++j)
        if (written < 100000000) written = written * 10 + (text[j] - u'0');
      exponent += expNegative ? -written : written;
    }
  }
  const double magnitude = digits.empty() ? 0.0 : ToNearestDouble(digits, exponent, sticky);
  return negative ? -magnitude : magnitude;
}

std::u16string FormatTimeStamp(const platform::LocalTime& time) {
  auto two = [](int n) {
    std::u16string text;
    text += static_cast<char16_t>(u'0' + (n / 10) % 10);
    text += static_cast<char16_t>(u'0' + n % 10);
    return text;
  };
  const std::u16string year = FormatUnsigned(static_cast<std::uint64_t>(time.year < 0 ? 0 : time.year));
  return year + u"-" + two(time.month) + u"-" + two(time.day) + u"." + two(time.hour) + u":" +
         two(time.minute) + u":" + two(time.second);
}
