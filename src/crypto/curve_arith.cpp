#include "crypto/curve_arith.h"

#include <cstring>
#include <vector>

#include "crypto/hex_conversions.h"
#include "foundation/errors.h"

namespace zv {
namespace curve_arith {
namespace {

using u128 = unsigned __int128;

// Limbs are little-endian 64-bit words.
template <int N>
void FromOctets(uint64_t r[N], const uint8_t* s) {
  for (int i = 0; i < N; ++i) {
    uint64_t w = 0;
    for (int k = 0; k < 8; ++k) w = (w << 8) | s[(N - 1 - i) * 8 + k];
    r[i] = w;
  }
}

template <int N>
void ToOctets(uint8_t* s, const uint64_t a[N]) {
  for (int i = 0; i < N; ++i)
    for (int k = 0; k < 8; ++k) s[(N - 1 - i) * 8 + k] = static_cast<uint8_t>(a[i] >> (56 - 8 * k));
}

template <int N>
bool IsZero(const uint64_t a[N]) {
  uint64_t x = 0;
  for (int i = 0; i < N; ++i) x |= a[i];
  return x == 0;
}

template <int N>
bool Equal(const uint64_t a[N], const uint64_t b[N]) {
  return std::memcmp(a, b, sizeof(uint64_t) * N) == 0;
}

// a < b
template <int N>
bool Less(const uint64_t a[N], const uint64_t b[N]) {
  for (int i = N - 1; i >= 0; --i)
    if (a[i] != b[i]) return a[i] < b[i];
  return false;
}

// r := a - b, answering the borrow.
template <int N>
uint64_t SubRaw(uint64_t r[N], const uint64_t a[N], const uint64_t b[N]) {
  uint64_t borrow = 0;
  for (int i = 0; i < N; ++i) {
    u128 d = static_cast<u128>(a[i]) - b[i] - borrow;
    r[i] = static_cast<uint64_t>(d);
    borrow = static_cast<uint64_t>(d >> 64) & 1;
  }
  return borrow;
}

// Arithmetic modulo an odd m with its top bit set, in Montgomery form (a·R, R = 2^(64N)).
template <int N>
struct Mont {
  uint64_t m[N];
  uint64_t minv;    // -m^-1 mod 2^64
  uint64_t one[N];  // R mod m
  uint64_t rr[N];   // R² mod m

  void Init(const uint64_t mod[N]) {
    std::memcpy(m, mod, sizeof m);
    uint64_t inv = 1;
    for (int i = 0; i < 7; ++i) inv *= 2 - m[0] * inv;
    minv = 0 - inv;
    uint64_t zero[N] = {};
    SubRaw<N>(one, zero, m);  // 2^(64N) - m, below m as m > R/2
    std::memcpy(rr, one, sizeof rr);
    for (int i = 0; i < 64 * N; ++i) Add(rr, rr, rr);
  }

  void Add(uint64_t r[N], const uint64_t a[N], const uint64_t b[N]) const {
    uint64_t t[N];
    uint64_t carry = 0;
    for (int i = 0; i < N; ++i) {
      u128 s = static_cast<u128>(a[i]) + b[i] + carry;
      t[i] = static_cast<uint64_t>(s);
      carry = static_cast<uint64_t>(s >> 64);
    }
    uint64_t u[N];
    uint64_t borrow = SubRaw<N>(u, t, m);
    std::memcpy(r, (carry || !borrow) ? u : t, sizeof(uint64_t) * N);
  }

  void Sub(uint64_t r[N], const uint64_t a[N], const uint64_t b[N]) const {
    uint64_t t[N];
    if (SubRaw<N>(t, a, b)) {
      uint64_t carry = 0;
      for (int i = 0; i < N; ++i) {
        u128 s = static_cast<u128>(t[i]) + m[i] + carry;
        t[i] = static_cast<uint64_t>(s);
        carry = static_cast<uint64_t>(s >> 64);
      }
    }
    std::memcpy(r, t, sizeof(uint64_t) * N);
  }

  // r := a·b·R⁻¹ mod m (CIOS); inputs below m, or a below R and b below m.
  void Mul(uint64_t r[N], const uint64_t a[N], const uint64_t b[N]) const {
    uint64_t t[N + 2] = {};
    for (int i = 0; i < N; ++i) {
      u128 c = 0;
      for (int j = 0; j < N; ++j) {
        c += static_cast<u128>(a[j]) * b[i] + t[j];
        t[j] = static_cast<uint64_t>(c);
        c >>= 64;
      }
      c += t[N];
      t[N] = static_cast<uint64_t>(c);
      t[N + 1] = static_cast<uint64_t>(c >> 64);
      const uint64_t q = t[0] * minv;
      c = static_cast<u128>(q) * m[0] + t[0];
      c >>= 64;
      for (int j = 1; j < N; ++j) {
        c += static_cast<u128>(q) * m[j] + t[j];
        t[j - 1] = static_cast<uint64_t>(c);
        c >>= 64;
      }
      c += t[N];
      t[N - 1] = static_cast<uint64_t>(c);
      t[N] = t[N + 1] + static_cast<uint64_t>(c >> 64);
    }
    uint64_t u[N];
    uint64_t borrow = SubRaw<N>(u, t, m);
    std::memcpy(r, (t[N] || !borrow) ? u : t, sizeof(uint64_t) * N);
  }

  void Sqr(uint64_t r[N], const uint64_t a[N]) const { Mul(r, a, a); }
  void ToMont(uint64_t r[N], const uint64_t a[N]) const { Mul(r, a, rr); }
  void FromMont(uint64_t r[N], const uint64_t a[N]) const {
    uint64_t unit[N] = {1};
    Mul(r, a, unit);
  }
  // a < 2m: one subtraction brings it below m.
  void Reduce(uint64_t r[N], const uint64_t a[N]) const {
    uint64_t u[N];
    if (!SubRaw<N>(u, a, m)) std::memcpy(r, u, sizeof u); else std::memcpy(r, a, sizeof u);
  }

  // a^(m-2) = a⁻¹ (m prime), four bits at a time; a and r in Montgomery form.
  void Inv(uint64_t r[N], const uint64_t a[N]) const {
    uint64_t e[N];
    uint64_t two[N] = {2};
    SubRaw<N>(e, m, two);
    uint64_t pw[16][N];
    std::memcpy(pw[0], one, sizeof one);
    std::memcpy(pw[1], a, sizeof one);
    for (int i = 2; i < 16; ++i) Mul(pw[i], pw[i - 1], a);
    uint64_t acc[N];
    std::memcpy(acc, one, sizeof acc);
    for (int bit = 64 * N - 4; bit >= 0; bit -= 4) {
      for (int k = 0; k < 4; ++k) Sqr(acc, acc);
      unsigned nib = static_cast<unsigned>(e[bit / 64] >> (bit % 64)) & 15;
      if (nib) Mul(acc, acc, pw[nib]);
    }
    std::memcpy(r, acc, sizeof acc);
  }
};

template <int N>
struct Jac {
  uint64_t X[N], Y[N], Z[N];  // Z = 0: the point at infinity
};

template <int N>
struct Aff {
  uint64_t x[N], y[N];
};

template <int N>
struct Curve {
  Mont<N> fp;
  Mont<N> fn;
  uint64_t b[N];  // Montgomery form
  Aff<N> G;       // Montgomery form
  // Fixed-base table: entry 15·i + j - 1 is j·16^i·G (j = 1..15), affine, Montgomery form.
  std::vector<Aff<N>> table;
};

template <int N>
void SetInfinity(Jac<N>& p) { std::memset(&p, 0, sizeof p); }

// 2P for a = -3 (dbl-2001-b); also right for the point at infinity.
template <int N>
void Double(const Mont<N>& f, Jac<N>& r, const Jac<N>& p) {
  uint64_t delta[N], gamma[N], beta[N], alpha[N], t1[N], t2[N];
  f.Sqr(delta, p.Z);
  f.Sqr(gamma, p.Y);
  f.Mul(beta, p.X, gamma);
  f.Sub(t1, p.X, delta);
  f.Add(t2, p.X, delta);
  f.Mul(t1, t1, t2);
  f.Add(alpha, t1, t1);
  f.Add(alpha, alpha, t1);
  // Z3 = (Y + Z)² - gamma - delta
  f.Add(t2, p.Y, p.Z);
  f.Sqr(t2, t2);
  f.Sub(t2, t2, gamma);
  f.Sub(r.Z, t2, delta);
  // X3 = alpha² - 8·beta
  uint64_t beta4[N], beta8[N];
  f.Add(beta4, beta, beta);
  f.Add(beta4, beta4, beta4);
  f.Add(beta8, beta4, beta4);
  f.Sqr(t1, alpha);
  f.Sub(r.X, t1, beta8);
  // Y3 = alpha·(4·beta - X3) - 8·gamma²
  f.Sub(t1, beta4, r.X);
  f.Mul(t1, alpha, t1);
  f.Sqr(t2, gamma);
  f.Add(t2, t2, t2);
  f.Add(t2, t2, t2);
  f.Add(t2, t2, t2);
  f.Sub(r.Y, t1, t2);
}

// P + Q in Jacobian coordinates (add-2007-bl).
template <int N>
void Add(const Mont<N>& f, Jac<N>& r, const Jac<N>& p, const Jac<N>& q) {
  if (IsZero<N>(p.Z)) { r = q; return; }
  if (IsZero<N>(q.Z)) { r = p; return; }
  uint64_t z1z1[N], z2z2[N], u1[N], u2[N], s1[N], s2[N], h[N], rr[N];
  f.Sqr(z1z1, p.Z);
  f.Sqr(z2z2, q.Z);
  f.Mul(u1, p.X, z2z2);
  f.Mul(u2, q.X, z1z1);
  f.Mul(s1, p.Y, q.Z);
  f.Mul(s1, s1, z2z2);
  f.Mul(s2, q.Y, p.Z);
  f.Mul(s2, s2, z1z1);
  f.Sub(h, u2, u1);
  f.Sub(rr, s2, s1);
  if (IsZero<N>(h)) {
    if (IsZero<N>(rr)) { Jac<N> t = p; Double(f, r, t); } else { SetInfinity(r); }
    return;
  }
  uint64_t i[N], j[N], v[N], t[N];
  f.Add(i, h, h);
  f.Sqr(i, i);
  f.Mul(j, h, i);
  f.Add(rr, rr, rr);
  f.Mul(v, u1, i);
  uint64_t z3[N];
  f.Add(z3, p.Z, q.Z);
  f.Sqr(z3, z3);
  f.Sub(z3, z3, z1z1);
  f.Sub(z3, z3, z2z2);
  f.Mul(r.Z, z3, h);
  f.Sqr(t, rr);
  f.Sub(t, t, j);
  f.Sub(t, t, v);
  f.Sub(r.X, t, v);
  f.Sub(t, v, r.X);
  f.Mul(t, rr, t);
  f.Mul(s1, s1, j);
  f.Add(s1, s1, s1);
  f.Sub(r.Y, t, s1);
}

// P + Q with Q affine (madd-2007-bl).
template <int N>
void AddMixed(const Mont<N>& f, Jac<N>& r, const Jac<N>& p, const Aff<N>& q) {
  if (IsZero<N>(p.Z)) {
    std::memcpy(r.X, q.x, sizeof r.X);
    std::memcpy(r.Y, q.y, sizeof r.Y);
    std::memcpy(r.Z, f.one, sizeof r.Z);
    return;
  }
  uint64_t z1z1[N], u2[N], s2[N], h[N], rr[N];
  f.Sqr(z1z1, p.Z);
  f.Mul(u2, q.x, z1z1);
  f.Mul(s2, q.y, p.Z);
  f.Mul(s2, s2, z1z1);
  f.Sub(h, u2, p.X);
  f.Sub(rr, s2, p.Y);
  if (IsZero<N>(h)) {
    if (IsZero<N>(rr)) { Jac<N> t = p; Double(f, r, t); } else { SetInfinity(r); }
    return;
  }
  uint64_t hh[N], i[N], j[N], v[N], t[N], z3[N];
  f.Sqr(hh, h);
  f.Add(i, hh, hh);
  f.Add(i, i, i);
  f.Mul(j, h, i);
  f.Add(rr, rr, rr);
  f.Mul(v, p.X, i);
  f.Add(z3, p.Z, h);
  f.Sqr(z3, z3);
  f.Sub(z3, z3, z1z1);
  f.Sub(r.Z, z3, hh);
  uint64_t y1j[N];
  f.Mul(y1j, p.Y, j);
  f.Add(y1j, y1j, y1j);
  f.Sqr(t, rr);
  f.Sub(t, t, j);
  f.Sub(t, t, v);
  f.Sub(r.X, t, v);
  f.Sub(t, v, r.X);
  f.Mul(t, rr, t);
  f.Sub(r.Y, t, y1j);
}

// Plain affine coordinates of P; false at infinity.
template <int N>
bool ToAffine(const Mont<N>& f, const Jac<N>& p, uint64_t x[N], uint64_t y[N]) {
  if (IsZero<N>(p.Z)) return false;
  uint64_t zi[N], z2[N], t[N];
  f.Inv(zi, p.Z);
  f.Sqr(z2, zi);
  f.Mul(t, p.X, z2);
  f.FromMont(x, t);
  f.Mul(z2, z2, zi);
  f.Mul(t, p.Y, z2);
  f.FromMont(y, t);
  return true;
}

template <int N>
void ParseHex(uint64_t r[N], const char* text) {
  PduStr octets = HexToBin(RemoveSpaces(text));
  ZV_ASSERT(octets.size() == 8 * N);
  FromOctets<N>(r, reinterpret_cast<const uint8_t*>(octets.data()));
}

template <int N>
Curve<N>* BuildCurve(TCurveId id) {
  const TCurveTexts& t = CurveTexts(id);
  auto* c = new Curve<N>;
  uint64_t p[N], n[N], a[N], x[N];
  ParseHex<N>(p, t.p);
  ParseHex<N>(n, t.n);
  ParseHex<N>(a, t.a);
  c->fp.Init(p);
  c->fn.Init(n);
  // The doubling formula relies on a = -3.
  uint64_t three[N] = {3}, pm3[N];
  SubRaw<N>(pm3, p, three);
  ZV_ASSERT(Equal<N>(a, pm3));
  ParseHex<N>(x, t.b);
  c->fp.ToMont(c->b, x);
  ParseHex<N>(x, t.gx);
  c->fp.ToMont(c->G.x, x);
  ParseHex<N>(x, t.gy);
  c->fp.ToMont(c->G.y, x);

  // j·16^i·G in Jacobian coordinates, then all made affine with one inversion.
  const int windows = 16 * N;
  std::vector<Jac<N>> jac(static_cast<size_t>(windows) * 15);
  Jac<N> base;
  std::memcpy(base.X, c->G.x, sizeof base.X);
  std::memcpy(base.Y, c->G.y, sizeof base.Y);
  std::memcpy(base.Z, c->fp.one, sizeof base.Z);
  for (int i = 0; i < windows; ++i) {
    Jac<N>* row = &jac[static_cast<size_t>(i) * 15];
    row[0] = base;
    Double(c->fp, row[1], base);
    for (int j = 2; j < 15; ++j) Add(c->fp, row[j], row[j - 1], base);
    Add(c->fp, base, row[14], base);  // 16·base
  }
  std::vector<Aff<N>> table(jac.size());
  std::vector<Aff<N>> prefix(jac.size());  // running products of Z, in .x
  uint64_t acc[N];
  std::memcpy(acc, c->fp.one, sizeof acc);
  for (size_t i = 0; i < jac.size(); ++i) {
    std::memcpy(prefix[i].x, acc, sizeof acc);
    c->fp.Mul(acc, acc, jac[i].Z);
  }
  uint64_t inv[N];
  c->fp.Inv(inv, acc);
  for (size_t i = jac.size(); i-- > 0;) {
    uint64_t zi[N], z2[N];
    c->fp.Mul(zi, inv, prefix[i].x);
    c->fp.Mul(inv, inv, jac[i].Z);
    c->fp.Sqr(z2, zi);
    c->fp.Mul(table[i].x, jac[i].X, z2);
    c->fp.Mul(z2, z2, zi);
    c->fp.Mul(table[i].y, jac[i].Y, z2);
  }
  c->table = std::move(table);
  return c;
}

const Curve<4>& P256() {
  static const Curve<4>* c = BuildCurve<4>(CurveP256);
  return *c;
}

const Curve<6>& P384() {
  static const Curve<6>* c = BuildCurve<6>(CurveP384);
  return *c;
}

// k·G from the table: one mixed addition per non-zero 4-bit digit of k.
template <int N>
void MulBaseJac(const Curve<N>& c, Jac<N>& r, const uint64_t k[N]) {
  SetInfinity(r);
  for (int i = 0; i < 16 * N; ++i) {
    unsigned d = static_cast<unsigned>(k[i / 16] >> (4 * (i % 16))) & 15;
    if (d) AddMixed(c.fp, r, r, c.table[static_cast<size_t>(i) * 15 + d - 1]);
  }
}

// Signed digits of width 5 (odd, -15..15, at most one non-zero in five).
std::vector<int8_t> Wnaf(std::vector<uint64_t> k) {
  std::vector<int8_t> digits;
  auto nonZero = [&] {
    for (uint64_t w : k) if (w) return true;
    return false;
  };
  while (nonZero()) {
    int d = 0;
    if (k[0] & 1) {
      d = static_cast<int>(k[0] & 31);
      if (d >= 16) d -= 32;
      // k -= d
      if (d > 0) {
        uint64_t borrow = static_cast<uint64_t>(d);
        for (auto& w : k) {
          uint64_t old = w;
          w -= borrow;
          borrow = old < borrow ? 1 : 0;
          if (!borrow) break;
        }
      } else {
        uint64_t carry = static_cast<uint64_t>(-d);
        for (auto& w : k) {
          w += carry;
          carry = w < carry ? 1 : 0;
          if (!carry) break;
        }
        if (carry) k.push_back(carry);
      }
    }
    digits.push_back(static_cast<int8_t>(d));
    for (size_t i = 0; i < k.size(); ++i)
      k[i] = (k[i] >> 1) | (i + 1 < k.size() ? k[i + 1] << 63 : 0);
  }
  return digits;
}

// k·P for a point in Jacobian Montgomery form and a scalar of any length (little-endian limbs).
template <int N>
void MulJac(const Mont<N>& f, Jac<N>& r, const Jac<N>& p, const std::vector<uint64_t>& k) {
  std::vector<int8_t> digits = Wnaf(k);
  Jac<N> pre[8];  // P, 3P, ..., 15P
  Jac<N> twice;
  pre[0] = p;
  Double(f, twice, p);
  for (int i = 1; i < 8; ++i) Add(f, pre[i], pre[i - 1], twice);
  SetInfinity(r);
  for (size_t i = digits.size(); i-- > 0;) {
    Double(f, r, r);
    int d = digits[i];
    if (d > 0) {
      Add(f, r, r, pre[d / 2]);
    } else if (d < 0) {
      Jac<N> neg = pre[-d / 2];
      uint64_t zero[N] = {};
      f.Sub(neg.Y, zero, neg.Y);
      Add(f, r, r, neg);
    }
  }
}

template <int N>
const Curve<N>& Get();
template <>
const Curve<4>& Get<4>() { return P256(); }
template <>
const Curve<6>& Get<6>() { return P384(); }

template <int N>
bool IsValidPointN(const uint8_t* xs, const uint8_t* ys) {
  const Curve<N>& c = Get<N>();
  uint64_t x[N], y[N];
  FromOctets<N>(x, xs);
  FromOctets<N>(y, ys);
  if (!Less<N>(x, c.fp.m) || !Less<N>(y, c.fp.m)) return false;
  uint64_t xm[N], ym[N], lhs[N], rhs[N], t[N];
  c.fp.ToMont(xm, x);
  c.fp.ToMont(ym, y);
  c.fp.Sqr(lhs, ym);
  c.fp.Sqr(rhs, xm);
  c.fp.Mul(rhs, rhs, xm);
  c.fp.Add(t, xm, xm);
  c.fp.Add(t, t, xm);
  c.fp.Sub(rhs, rhs, t);
  c.fp.Add(rhs, rhs, c.b);
  return Equal<N>(lhs, rhs);
}

template <int N>
bool ScalarInRangeN(const uint8_t* ks) {
  uint64_t k[N];
  FromOctets<N>(k, ks);
  return !IsZero<N>(k) && Less<N>(k, Get<N>().fn.m);
}

template <int N>
void LoadPoint(const Curve<N>& c, Jac<N>& p, const uint8_t* xs, const uint8_t* ys) {
  uint64_t t[N];
  FromOctets<N>(t, xs);
  c.fp.ToMont(p.X, t);
  FromOctets<N>(t, ys);
  c.fp.ToMont(p.Y, t);
  std::memcpy(p.Z, c.fp.one, sizeof p.Z);
}

template <int N>
bool StoreAffine(const Curve<N>& c, const Jac<N>& p, uint8_t* rx, uint8_t* ry) {
  uint64_t x[N], y[N];
  if (!ToAffine(c.fp, p, x, y)) return false;
  ToOctets<N>(rx, x);
  if (ry) ToOctets<N>(ry, y);
  return true;
}

template <int N>
bool MulN(const uint8_t* px, const uint8_t* py, const uint8_t* ks, size_t kLength, uint8_t* rx,
          uint8_t* ry) {
  const Curve<N>& c = Get<N>();
  Jac<N> p, r;
  LoadPoint(c, p, px, py);
  std::vector<uint64_t> k((kLength + 7) / 8 + 1, 0);
  for (size_t i = 0; i < kLength; ++i) {
    size_t bit = 8 * (kLength - 1 - i);
    k[bit / 64] |= static_cast<uint64_t>(ks[i]) << (bit % 64);
  }
  MulJac(c.fp, r, p, k);
  return StoreAffine(c, r, rx, ry);
}

template <int N>
bool MulBaseN(const uint8_t* ks, uint8_t* rx, uint8_t* ry) {
  const Curve<N>& c = Get<N>();
  uint64_t k[N];
  FromOctets<N>(k, ks);
  Jac<N> r;
  MulBaseJac(c, r, k);
  return StoreAffine(c, r, rx, ry);
}

template <int N>
bool EcdsaSignN(const uint8_t* es, const uint8_t* ds, const uint8_t* ks, uint8_t* rs, uint8_t* ss) {
  const Curve<N>& c = Get<N>();
  const Mont<N>& fn = c.fn;
  uint64_t e[N], d[N], k[N], r[N], s[N], x[N], y[N];
  FromOctets<N>(e, es);
  FromOctets<N>(d, ds);
  FromOctets<N>(k, ks);
  // Values of the curve size lie below 2n: one subtraction reduces them.
  fn.Reduce(e, e);
  fn.Reduce(d, d);
  Jac<N> R;
  MulBaseJac(c, R, k);
  if (!ToAffine(c.fp, R, x, y)) return false;
  fn.Reduce(r, x);
  if (IsZero<N>(r)) return false;
  uint64_t km[N], kinv[N], dm[N], rm[N], em[N], t[N];
  fn.ToMont(km, k);
  fn.Inv(kinv, km);
  fn.ToMont(dm, d);
  fn.ToMont(rm, r);
  fn.ToMont(em, e);
  fn.Mul(t, dm, rm);
  fn.Add(t, t, em);
  fn.Mul(t, kinv, t);
  fn.FromMont(s, t);
  if (IsZero<N>(s)) return false;
  ToOctets<N>(rs, r);
  ToOctets<N>(ss, s);
  return true;
}

template <int N>
bool EcdsaVerifyN(const uint8_t* es, const uint8_t* rs, const uint8_t* ss, const uint8_t* qx,
                  const uint8_t* qy) {
  const Curve<N>& c = Get<N>();
  const Mont<N>& fn = c.fn;
  uint64_t e[N], r[N], s[N];
  FromOctets<N>(e, es);
  FromOctets<N>(r, rs);
  FromOctets<N>(s, ss);
  if (IsZero<N>(r) || !Less<N>(r, fn.m) || IsZero<N>(s) || !Less<N>(s, fn.m)) return false;
  fn.Reduce(e, e);
  uint64_t sm[N], w[N], u1[N], u2[N];
  fn.ToMont(sm, s);
  fn.Inv(w, sm);
  // A plain value times a Montgomery one gives a plain product.
  fn.Mul(u1, e, w);
  fn.Mul(u2, r, w);
  Jac<N> a, q, b, x;
  MulBaseJac(c, a, u1);
  LoadPoint(c, q, qx, qy);
  std::vector<uint64_t> k(u2, u2 + N);
  MulJac(c.fp, b, q, k);
  Add(c.fp, x, a, b);
  uint64_t xa[N], ya[N];
  if (!ToAffine(c.fp, x, xa, ya)) return false;
  fn.Reduce(xa, xa);
  return Equal<N>(xa, r);
}

}  // namespace

bool IsValidPoint(TCurveId id, const uint8_t* x, const uint8_t* y) {
  return id == CurveP256 ? IsValidPointN<4>(x, y) : IsValidPointN<6>(x, y);
}

bool ScalarInRange(TCurveId id, const uint8_t* k) {
  return id == CurveP256 ? ScalarInRangeN<4>(k) : ScalarInRangeN<6>(k);
}

bool Mul(TCurveId id, const uint8_t* px, const uint8_t* py, const uint8_t* k, size_t kLength,
         uint8_t* rx, uint8_t* ry) {
  return id == CurveP256 ? MulN<4>(px, py, k, kLength, rx, ry) : MulN<6>(px, py, k, kLength, rx, ry);
}

bool MulBase(TCurveId id, const uint8_t* k, uint8_t* rx, uint8_t* ry) {
  return id == CurveP256 ? MulBaseN<4>(k, rx, ry) : MulBaseN<6>(k, rx, ry);
}

bool EcdsaSign(TCurveId id, const uint8_t* e, const uint8_t* d, const uint8_t* k, uint8_t* r,
               uint8_t* s) {
  return id == CurveP256 ? EcdsaSignN<4>(e, d, k, r, s) : EcdsaSignN<6>(e, d, k, r, s);
}

bool EcdsaVerify(TCurveId id, const uint8_t* e, const uint8_t* r, const uint8_t* s,
                 const uint8_t* qx, const uint8_t* qy) {
  return id == CurveP256 ? EcdsaVerifyN<4>(e, r, s, qx, qy) : EcdsaVerifyN<6>(e, r, s, qx, qy);
}

}  // namespace curve_arith
}  // namespace zv
