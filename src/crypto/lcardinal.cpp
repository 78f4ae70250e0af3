#include "crypto/lcardinal.h"

#include <algorithm>

#include "foundation/errors.h"

namespace zv {

namespace {

using Digits = std::vector<uint32_t>;

void Normalize(Digits& d) {
  while (d.size() > 1 && d.back() == 0) d.pop_back();
  if (d.empty()) d.push_back(0);
}

// d := d * m + a, for small m and a.
void MulSmallAdd(Digits& d, uint32_t m, uint32_t a) {
  uint64_t carry = a;
  for (auto& x : d) {
    uint64_t t = static_cast<uint64_t>(x) * m + carry;
    x = static_cast<uint32_t>(t & TLCardinal::kMask);
    carry = t >> 15;
  }
  while (carry) {
    d.push_back(static_cast<uint32_t>(carry & TLCardinal::kMask));
    carry >>= 15;
  }
  Normalize(d);
}

// d := d div m, answering d mod m; from the top digit down.
uint32_t DivSmall(Digits& d, uint32_t m) {
  uint64_t rem = 0;
  for (size_t i = d.size(); i-- > 0;) {
    uint64_t cur = (rem << 15) | d[i];
    d[i] = static_cast<uint32_t>(cur / m);
    rem = cur % m;
  }
  Normalize(d);
  return static_cast<uint32_t>(rem);
}

int CompareDigits(const Digits& a, const Digits& b) {
  if (a.size() != b.size()) return a.size() > b.size() ? 1 : -1;
  for (size_t i = a.size(); i-- > 0;)
    if (a[i] != b[i]) return a[i] > b[i] ? 1 : -1;
  return 0;
}

}  // namespace

TLCardinal::TLCardinal(std::vector<uint32_t> digits) : FValue(std::move(digits)) {
  Normalize(FValue.FData);
}

TLCardinal::TLCardinal(uint32_t value) {
  do {
    FValue.Append(value & kMask);
    value >>= 15;
  } while (value != 0);
}

TLCardinal::TLCardinal(std::string_view text) {
  FValue.Append(0);
  bool hex = !text.empty() && text[0] == '$';
  if (hex) text.remove_prefix(1);
  for (char c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    uint32_t digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<uint32_t>(c - '0');
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = static_cast<uint32_t>(c - 'A' + 10);
    } else {
      throw Exception("TLCardinal.Implicit: Illegal hex-character");
    }
    MulSmallAdd(FValue.FData, hex ? 16 : 10, digit);
  }
}

int TLCardinal::Compare(const TLCardinal& a, const TLCardinal& b) {
  return CompareDigits(a.FValue.FData, b.FValue.FData);
}

TLCardinal operator+(const TLCardinal& a, const TLCardinal& b) {
  const Digits& x = a.FValue.FData;
  const Digits& y = b.FValue.FData;
  size_t n = std::max(x.size(), y.size());
  Digits r(n);
  uint32_t carry = 0;
  for (size_t i = 0; i < n; ++i) {
    uint32_t s = (i < x.size() ? x[i] : 0) + (i < y.size() ? y[i] : 0) + carry;
    carry = s > TLCardinal::kMask ? 1 : 0;
    r[i] = s & TLCardinal::kMask;
  }
  if (carry) r.push_back(1);
  return TLCardinal(std::move(r));
}

TLCardinal operator-(const TLCardinal& a, const TLCardinal& b) {
  if (TLCardinal::Compare(b, a) > 0) throw Exception("TLCardinal.Subtract: B > A");
  const Digits& x = a.FValue.FData;
  const Digits& y = b.FValue.FData;
  Digits r(x.size());
  int32_t borrow = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    int32_t d = static_cast<int32_t>(x[i]) - static_cast<int32_t>(i < y.size() ? y[i] : 0) - borrow;
    borrow = d < 0 ? 1 : 0;
    if (d < 0) d += static_cast<int32_t>(TLCardinal::kBase);
    r[i] = static_cast<uint32_t>(d);
  }
  return TLCardinal(std::move(r));
}

TLCardinal operator*(const TLCardinal& a, const TLCardinal& b) {
  const Digits& x = a.FValue.FData;
  const Digits& y = b.FValue.FData;
  Digits r(x.size() + y.size(), 0);
  for (size_t i = 0; i < y.size(); ++i) {
    uint32_t carry = 0;
    for (size_t j = 0; j < x.size(); ++j) {
      // Digits below 2^15 keep the sum below 2^31.
      uint32_t t = x[j] * y[i] + r[i + j] + carry;
      r[i + j] = t & TLCardinal::kMask;
      carry = t >> 15;
    }
    r[x.size() + i] = carry;
  }
  return TLCardinal(std::move(r));
}

TLCardinal operator/(const TLCardinal& a, const TLCardinal& b) {
  TLCardinal q, r;
  TLCardinal::Divide(a, b, q, r);
  return q;
}

void TLCardinal::Divide(const TLCardinal& a, const TLCardinal& b, TLCardinal& q, TLCardinal& r) {
  const Digits& bd = b.FValue.FData;
  const size_t n = bd.size();
  if (n == 1) {
    if (bd[0] == 0) throw Exception("TLCardinal.IntDivide: Division by zero");
    Digits qd = a.FValue.FData;
    uint32_t rem = DivSmall(qd, bd[0]);
    q = TLCardinal(std::move(qd));
    r = TLCardinal(rem);
    return;
  }
  const size_t m = a.FValue.FData.size();
  if (m < n) {
    TLCardinal rest = a;
    q = TLCardinal(0u);
    r = std::move(rest);
    return;
  }
  // Scale both so that the divisor's top digit is large; then each quotient digit
  // estimated from three digits over two is at most one too large.
  const uint32_t d = kBase / (bd[n - 1] + 1);
  Digits u = a.FValue.FData;
  Digits v = bd;
  MulSmallAdd(u, d, 0);
  MulSmallAdd(v, d, 0);
  u.resize(m + 1, 0);
  ZV_ASSERT(v.size() == n);
  const uint64_t V = static_cast<uint64_t>(v[n - 1]) * kBase + v[n - 2];
  Digits qd(m - n + 1, 0);
  Digits t(n + 1);
  for (size_t j = m - n + 1; j-- > 0;) {
    uint64_t num = (static_cast<uint64_t>(u[j + n]) * kBase + u[j + n - 1]) * kBase + u[j + n - 2];
    uint64_t qhat = std::min<uint64_t>(num / V, kMask);
    auto product = [&](uint64_t qq) {
      uint64_t carry = 0;
      for (size_t i = 0; i < n; ++i) {
        uint64_t x = v[i] * qq + carry;
        t[i] = static_cast<uint32_t>(x & kMask);
        carry = x >> 15;
      }
      t[n] = static_cast<uint32_t>(carry);
    };
    auto exceeds = [&] {
      for (size_t i = n + 1; i-- > 0;)
        if (t[i] != u[j + i]) return t[i] > u[j + i];
      return false;
    };
    product(qhat);
    if (exceeds()) {
      --qhat;
      product(qhat);
    }
    qd[j] = static_cast<uint32_t>(qhat);
    int32_t borrow = 0;
    for (size_t i = 0; i <= n; ++i) {
      int32_t diff = static_cast<int32_t>(u[j + i]) - static_cast<int32_t>(t[i]) - borrow;
      borrow = diff < 0 ? 1 : 0;
      if (diff < 0) diff += static_cast<int32_t>(kBase);
      u[j + i] = static_cast<uint32_t>(diff);
    }
    ZV_ASSERT(borrow == 0);
  }
  Normalize(u);
  uint32_t rest = DivSmall(u, d);
  ZV_ASSERT(rest == 0);
  q = TLCardinal(std::move(qd));
  r = TLCardinal(std::move(u));
}

TLCardinal TLCardinal::Modulo(const TLCardinal& x, const TLCardinal& n) {
  TLCardinal q, r;
  Divide(x, n, q, r);
  return r;
}

TLCardinal TLCardinal::Power(const TLCardinal& x, const TLCardinal& n) {
  TLCardinal result(1u);
  TLCardinal base = x;
  Digits e = n.FValue.FData;
  for (;;) {
    if (e[0] & 1) result = result * base;
    DivSmall(e, 2);
    if (e.size() == 1 && e[0] == 0) break;
    base = base * base;
  }
  return result;
}

uint32_t TLCardinal::ToCardinal() const {
  const Digits& d = FValue.FData;
  // Three digits hold 45 bits; the third may hold only the top two bits of 32.
  if (d.size() > 3 || (d.size() == 3 && d[2] > 3))
    throw Exception(Format("TLCardinal.ToCardinal: cannot convert %s to cardinal",
                           ToDecimalString().c_str()));
  uint32_t v = 0;
  for (size_t i = d.size(); i-- > 0;) v = (v << 15) | d[i];
  return v;
}

std::string TLCardinal::ToDecimalString() const {
  Digits d = FValue.FData;
  std::string s;
  do {
    s.push_back(static_cast<char>('0' + DivSmall(d, 10)));
  } while (!(d.size() == 1 && d[0] == 0));
  std::reverse(s.begin(), s.end());
  return s;
}

std::string TLCardinal::ToHexString() const {
  static const char kHex[] = "0123456789ABCDEF";
  Digits d = FValue.FData;
  std::string s;
  do {
    s.push_back(kHex[DivSmall(d, 16)]);
  } while (!(d.size() == 1 && d[0] == 0));
  if (s.size() % 2) s.push_back('0');
  std::reverse(s.begin(), s.end());
  return s;
}

}  // namespace zv
