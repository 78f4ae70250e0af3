// The arithmetic behind the curve entry points: fixed-width Montgomery arithmetic modulo p
// and n, Jacobian coordinates, a precomputed table for multiples of G and signed windows for
// other points. Scalars and coordinates are big-endian octets of the curve size (32 or 48)
// unless a length is given. Internal to the curve code.
#pragma once
#include <cstddef>
#include <cstdint>

#include "crypto/ecurve.h"

namespace zv {

// The domain parameters as hex texts in groups of eight digits (defined with the curves).
struct TCurveTexts {
  const char* p;
  const char* a;
  const char* b;
  const char* gx;
  const char* gy;
  const char* n;
};
const TCurveTexts& CurveTexts(TCurveId id);

namespace curve_arith {

// x < p, y < p and y² = x³ + a·x + b.
bool IsValidPoint(TCurveId id, const uint8_t* x, const uint8_t* y);
// 1 <= k < n.
bool ScalarInRange(TCurveId id, const uint8_t* k);
// R := k·P for a scalar of any length (kLength octets); false when R is at infinity.
bool Mul(TCurveId id, const uint8_t* px, const uint8_t* py, const uint8_t* k, size_t kLength,
         uint8_t* rx, uint8_t* ry);
// R := k·G; false when R is at infinity.
bool MulBase(TCurveId id, const uint8_t* k, uint8_t* rx, uint8_t* ry);

// One ECDSA signature of the digest e (curve-size octets) with private key d (curve-size
// octets, any value) and nonce k (1 <= k < n); false when r or s comes out 0.
bool EcdsaSign(TCurveId id, const uint8_t* e, const uint8_t* d, const uint8_t* k, uint8_t* r,
               uint8_t* s);
// Checks r and s against the digest e and a public key that IsValidPoint accepted.
bool EcdsaVerify(TCurveId id, const uint8_t* e, const uint8_t* r, const uint8_t* s,
                 const uint8_t* qx, const uint8_t* qy);

}  // namespace curve_arith
}  // namespace zv
