// The NIST curves P-256 and P-384: domain parameters, points in affine coordinates and
// their arithmetic.
#pragma once
#include <string>

#include "crypto/linteger.h"
#include "foundation/misc.h"

namespace zv {

enum TCurveId : int { CurveP256, CurveP384 };

struct TCurveParamsBin;
using PCurveParamsBin = const TCurveParamsBin*;

struct TECPoint {
  TLInteger FX;
  TLInteger FY;
  bool FInfinite = false;

  static TECPoint InfiniteECPoint();
  static TECPoint MakePoint(const TLInteger& x, const TLInteger& y);
  void SetCoordinates(const TLInteger& x, const TLInteger& y);

  // Affine addition and doubling, every step reduced modulo p.
  static TECPoint AddPoints(const TECPoint& p, const TECPoint& q, PCurveParamsBin curve);
  static TECPoint DoublePoint(const TECPoint& p, PCurveParamsBin curve);
  // N·P.
  static TECPoint MultiplyPoint(const TECPoint& p, const TLCardinal& n, PCurveParamsBin curve);

  // True for the point at infinity; else y² = x³ + a·x + b (mod p).
  bool IsOnCurve(PCurveParamsBin curve) const;
  static bool IsPointOnCurve(const TECPoint& p, PCurveParamsBin curve) { return p.IsOnCurve(curve); }
  static bool Equal(const TECPoint& p, const TECPoint& q);
  // "Infinite" or "(X:%s, Y:%s)" with the coordinates in hex.
  std::string ToFriendlyString() const;
};

struct TCurveParamsBin {
  TCurveId Id;
  TLInteger FieldSize;  // p
  TLInteger CoeffA;
  TLInteger CoeffB;
  TLInteger GOrder;     // n
  TECPoint G;
  // Octets of a coordinate, scalar or digest: 32 (P-256) or 48 (P-384).
  int Size() const { return Id == CurveP256 ? 32 : 48; }
  std::string ToFriendlyString() const;
};

// The domain parameters, built on first use.
PCurveParamsBin CurveParams(TCurveId id);

// A peer's public key: x then y, each of the curve size, a point of the curve other than
// the point at infinity (all zero). Raises otherwise.
void CheckPublicKey(PCurveParamsBin curve, const PduStr& publicKey);
// A private key must be a scalar of the curve size in 1..n-1: an empty or zero key would
// give signatures and secrets anyone can reproduce.
void CheckPrivateKey(PCurveParamsBin curve, const PduStr& privateKey);

// Big-endian octets to an integer and back (padded at the front with zero octets to Size).
TLInteger OctetsToInteger(const PduStr& octets);
PduStr IntegerToOctets(const TLInteger& value, int size);

}  // namespace zv
