#include "crypto/linteger.h"

#include <cstdlib>

#include "foundation/errors.h"

namespace zv {

TLInteger::TLInteger(TLCardinal magnitude, bool negative)
    : FAbsValue(std::move(magnitude)), FNegative(negative && !FAbsValue.IsZero()) {}

TLInteger::TLInteger(int32_t value)
    : FAbsValue(static_cast<uint32_t>(value < 0 ? -static_cast<int64_t>(value) : value)),
      FNegative(value < 0) {}

TLInteger::TLInteger(std::string_view text) {
  bool negative = !text.empty() && text[0] == '-';
  if (negative) text.remove_prefix(1);
  FAbsValue = TLCardinal(text);
  FNegative = negative && !FAbsValue.IsZero();
}

TLInteger operator+(const TLInteger& a, const TLInteger& b) {
  if (a.FNegative == b.FNegative) return TLInteger(a.FAbsValue + b.FAbsValue, a.FNegative);
  if (a.FAbsValue >= b.FAbsValue) return TLInteger(a.FAbsValue - b.FAbsValue, a.FNegative);
  return TLInteger(b.FAbsValue - a.FAbsValue, b.FNegative);
}

TLInteger operator-(const TLInteger& a) { return TLInteger(a.FAbsValue, !a.FNegative); }

TLInteger operator-(const TLInteger& a, const TLInteger& b) { return a + (-b); }

TLInteger operator*(const TLInteger& a, const TLInteger& b) {
  return TLInteger(a.FAbsValue * b.FAbsValue, a.FNegative != b.FNegative);
}

int TLInteger::Compare(const TLInteger& a, const TLInteger& b) {
  if (a.FNegative && b.FNegative) return TLCardinal::Compare(b.FAbsValue, a.FAbsValue);
  if (a.FNegative) return -1;
  if (b.FNegative) return 1;
  return TLCardinal::Compare(a.FAbsValue, b.FAbsValue);
}

TLInteger TLInteger::Modulo(const TLInteger& a, const TLInteger& fieldSize) {
  if (fieldSize.FNegative || fieldSize.IsZero()) throw Exception("Modulo: FieldSize negative");
  TLCardinal q, r;
  TLCardinal::Divide(a.FAbsValue, fieldSize.FAbsValue, q, r);
  if (!a.FNegative || r.IsZero()) return TLInteger(r);
  return TLInteger(fieldSize.FAbsValue - r);
}

TLInteger TLInteger::AddMod(const TLInteger& a, const TLInteger& b, const TLInteger& fieldSize) {
  return Modulo(a + b, fieldSize);
}

TLInteger TLInteger::SubMod(const TLInteger& a, const TLInteger& b, const TLInteger& fieldSize) {
  return Modulo(a - b, fieldSize);
}

TLInteger TLInteger::MulMod(const TLInteger& a, const TLInteger& b, const TLInteger& fieldSize) {
  return Modulo(a * b, fieldSize);
}

TLInteger TLInteger::ModInv(const TLInteger& x, const TLInteger& fieldSize) {
  ZV_ASSERT(!x.FNegative && !x.IsZero() && !fieldSize.FNegative && !fieldSize.IsZero());
  TLCardinal r0 = fieldSize.FAbsValue;
  TLCardinal r1 = x.FAbsValue;
  TLInteger t0(0);
  TLInteger t1(1);
  while (!r1.IsZero()) {
    TLCardinal q, r;
    TLCardinal::Divide(r0, r1, q, r);
    TLInteger t = t0 - t1 * TLInteger(q);
    r0 = std::move(r1);
    r1 = std::move(r);
    t0 = std::move(t1);
    t1 = std::move(t);
  }
  if (!(r0 == TLCardinal(1u)))
    throw Exception(Format("TLInteger.ModInv: No modular inverse of %s in F(%s)",
                           x.ToDecimalString().c_str(), fieldSize.ToDecimalString().c_str()));
  return Modulo(t0, fieldSize);
}

TLCardinal TLInteger::ToCardinal(const TLInteger& a) {
  if (a.FNegative) throw Exception("TLInteger.ToCardinal: Cannot convert negative number");
  return a.FAbsValue;
}

int32_t TLInteger::ToInteger() const {
  static const TLCardinal kLimit(std::string_view("2147483648"));
  int c = TLCardinal::Compare(FAbsValue, kLimit);
  if (c > 0 || (c == 0 && !FNegative))
    throw Exception(Format("TLInteger.ToInteger: %s cannot be converted to integer",
                           ToDecimalString().c_str()));
  int64_t v = FAbsValue.ToCardinal();
  return static_cast<int32_t>(FNegative ? -v : v);
}

std::string TLInteger::ToDecimalString() const {
  return (FNegative ? "-" : "") + FAbsValue.ToDecimalString();
}

std::string TLInteger::ToHexString() const {
  if (FNegative)
    throw Exception("TLInteger.ToHexString: Negative number cannot be converted to hex-string");
  return FAbsValue.ToHexString();
}

}  // namespace zv
