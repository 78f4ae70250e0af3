// Unsigned integers of any size: digits of base 2^15, least significant first, in normal
// form (no leading zero digits; zero is the single digit 0). The curve code reads keys and
// domain parameters through them; its hot loops use fixed-width arithmetic instead.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "crypto/array_of_base_cardinal.h"

namespace zv {

class TLCardinal {
 public:
  static constexpr uint32_t kBase = 32768;
  static constexpr uint32_t kMask = 0x7FFF;

  TLCardinal() : TLCardinal(0u) {}
  // Implicit, so that small constants mix with big values in expressions.
  TLCardinal(uint32_t value);
  // Decimal text, or hexadecimal after a leading "$"; the empty text is 0. Any other
  // character raises "TLCardinal.Implicit: Illegal hex-character".
  explicit TLCardinal(std::string_view text);
  static TLCardinal FromString(std::string_view text) { return TLCardinal(text); }

  friend TLCardinal operator+(const TLCardinal& a, const TLCardinal& b);
  // Raises "TLCardinal.Subtract: B > A" when B > A.
  friend TLCardinal operator-(const TLCardinal& a, const TLCardinal& b);
  friend TLCardinal operator*(const TLCardinal& a, const TLCardinal& b);
  friend TLCardinal operator/(const TLCardinal& a, const TLCardinal& b);
  friend bool operator==(const TLCardinal& a, const TLCardinal& b) { return Compare(a, b) == 0; }
  friend bool operator>(const TLCardinal& a, const TLCardinal& b) { return Compare(a, b) > 0; }
  friend bool operator>=(const TLCardinal& a, const TLCardinal& b) { return Compare(a, b) >= 0; }
  friend bool operator<(const TLCardinal& a, const TLCardinal& b) { return Compare(a, b) < 0; }
  friend bool operator<=(const TLCardinal& a, const TLCardinal& b) { return Compare(a, b) <= 0; }

  // 1 when A > B, -1 when A < B, 0 when equal.
  static int Compare(const TLCardinal& a, const TLCardinal& b);
  // Quotient and remainder; a divisor 0 raises "TLCardinal.IntDivide: Division by zero".
  static void Divide(const TLCardinal& a, const TLCardinal& b, TLCardinal& q, TLCardinal& r);
  static TLCardinal Modulo(const TLCardinal& x, const TLCardinal& n);
  static TLCardinal Power(const TLCardinal& x, const TLCardinal& n);

  bool Odd() const { return (FValue.FData[0] & 1) != 0; }
  bool IsZero() const { return FValue.FData.size() == 1 && FValue.FData[0] == 0; }
  // Raises "TLCardinal.ToCardinal: cannot convert %s to cardinal" above 32 bits.
  uint32_t ToCardinal() const;
  std::string ToDecimalString() const;
  // Upper-case hex digits, a "0" in front when their count is odd (zero gives "00").
  std::string ToHexString() const;

  TArrayOfBase FValue;

 private:
  explicit TLCardinal(std::vector<uint32_t> digits);
};

}  // namespace zv
