// Signed integers of any size over TLCardinal, with the modular operations the curves need.
// Zero is never negative.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "crypto/lcardinal.h"

namespace zv {

class TLInteger {
 public:
  TLInteger() = default;
  // Implicit, so that small constants mix with big values in expressions.
  TLInteger(int32_t value);
  // A leading "-" makes it negative; the rest as TLCardinal text.
  explicit TLInteger(std::string_view text);
  explicit TLInteger(const TLCardinal& value) : FAbsValue(value) {}
  static TLInteger FromString(std::string_view text) { return TLInteger(text); }

  friend TLInteger operator+(const TLInteger& a, const TLInteger& b);
  friend TLInteger operator-(const TLInteger& a, const TLInteger& b);
  friend TLInteger operator*(const TLInteger& a, const TLInteger& b);
  friend TLInteger operator-(const TLInteger& a);
  friend bool operator==(const TLInteger& a, const TLInteger& b) {
    return a.FNegative == b.FNegative && a.FAbsValue == b.FAbsValue;
  }
  friend bool operator>(const TLInteger& a, const TLInteger& b) { return Compare(a, b) > 0; }
  friend bool operator<(const TLInteger& a, const TLInteger& b) { return Compare(a, b) < 0; }
  friend bool operator>=(const TLInteger& a, const TLInteger& b) { return Compare(a, b) >= 0; }

  static int Compare(const TLInteger& a, const TLInteger& b);
  // The remainder in 0 .. FieldSize - 1; FieldSize not above 0 raises
  // "Modulo: FieldSize negative".
  static TLInteger Modulo(const TLInteger& a, const TLInteger& fieldSize);
  static TLInteger AddMod(const TLInteger& a, const TLInteger& b, const TLInteger& fieldSize);
  static TLInteger SubMod(const TLInteger& a, const TLInteger& b, const TLInteger& fieldSize);
  static TLInteger MulMod(const TLInteger& a, const TLInteger& b, const TLInteger& fieldSize);
  // The inverse of X modulo FieldSize (extended Euclid); raises
  // "TLInteger.ModInv: No modular inverse of %s in F(%s)" when there is none.
  static TLInteger ModInv(const TLInteger& x, const TLInteger& fieldSize);
  // The magnitude; raises "TLInteger.ToCardinal: Cannot convert negative number".
  static TLCardinal ToCardinal(const TLInteger& a);

  bool Negative() const { return FNegative; }
  bool IsZero() const { return FAbsValue.IsZero(); }
  int32_t ToInteger() const;
  std::string ToDecimalString() const;
  std::string ToHexString() const;

  TLCardinal FAbsValue;
  bool FNegative = false;

 private:
  TLInteger(TLCardinal magnitude, bool negative);
};

}  // namespace zv
