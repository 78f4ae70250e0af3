#include "crypto/ecurve.h"

#include "crypto/curve_arith.h"
#include "crypto/hex_conversions.h"
#include "foundation/errors.h"

namespace zv {

namespace {

// FIPS 186-4 domain parameters of P-256 and P-384.
const TCurveTexts kP256 = {
    "ffffffff 00000001 00000000 00000000 00000000 ffffffff ffffffff ffffffff",
    "ffffffff 00000001 00000000 00000000 00000000 ffffffff ffffffff fffffffc",
    "5ac635d8 aa3a93e7 b3ebbd55 769886bc 651d06b0 cc53b0f6 3bce3c3e 27d2604b",
    "6b17d1f2 e12c4247 f8bce6e5 63a440f2 77037d81 2deb33a0 f4a13945 d898c296",
    "4fe342e2 fe1a7f9b 8ee7eb4a 7c0f9e16 2bce3357 6b315ece cbb64068 37bf51f5",
    "ffffffff 00000000 ffffffff ffffffff bce6faad a7179e84 f3b9cac2 fc632551",
};

const TCurveTexts kP384 = {
    "ffffffff ffffffff ffffffff ffffffff ffffffff ffffffff ffffffff fffffffe "
    "ffffffff 00000000 00000000 ffffffff",
    "ffffffff ffffffff ffffffff ffffffff ffffffff ffffffff ffffffff fffffffe "
    "ffffffff 00000000 00000000 fffffffc",
    "b3312fa7 e23ee7e4 988e056b e3f82d19 181d9c6e fe814112 0314088f 5013875a "
    "c656398d 8a2ed19d 2a85c8ed d3ec2aef",
    "aa87ca22 be8b0537 8eb1c71e f320ad74 6e1d3b62 8ba79b98 59f741e0 82542a38 "
    "5502f25d bf55296c 3a545e38 72760ab7",
    "3617de4a 96262c6f 5d9e98bf 9292dc29 f8f41dbd 289a147c e9da3113 b5f0b8c0 "
    "0a60b1ce 1d7e819d 7a431d7c 90ea0e5f",
    "ffffffff ffffffff ffffffff ffffffff ffffffff ffffffff c7634d81 f4372ddf "
    "581a0db2 48b0a77a ecec196a ccc52973",
};

TLInteger ParseParam(const char* text) { return TLInteger("$" + RemoveSpaces(text)); }

TCurveParamsBin* BuildParams(TCurveId id) {
  const TCurveTexts& t = CurveTexts(id);
  auto* c = new TCurveParamsBin;
  c->Id = id;
  c->FieldSize = ParseParam(t.p);
  c->CoeffA = ParseParam(t.a);
  c->CoeffB = ParseParam(t.b);
  c->GOrder = ParseParam(t.n);
  c->G = TECPoint::MakePoint(ParseParam(t.gx), ParseParam(t.gy));
  return c;
}

// Plain affine right-to-left double-and-add, for points off the curve (the fast path
// assumes a point of the curve).
TECPoint MultiplySlow(const TECPoint& p, const TLCardinal& n, PCurveParamsBin curve) {
  TECPoint r = TECPoint::InfiniteECPoint();
  TECPoint t = p;
  TLCardinal k = n;
  const TLCardinal two(2u);
  while (!k.IsZero()) {
    if (k.Odd()) r = TECPoint::AddPoints(r, t, curve);
    t = TECPoint::DoublePoint(t, curve);
    k = k / two;
  }
  return r;
}

}  // namespace

const TCurveTexts& CurveTexts(TCurveId id) { return id == CurveP256 ? kP256 : kP384; }

PCurveParamsBin CurveParams(TCurveId id) {
  static const TCurveParamsBin* p256 = BuildParams(CurveP256);
  static const TCurveParamsBin* p384 = BuildParams(CurveP384);
  return id == CurveP256 ? p256 : p384;
}

void CheckPublicKey(PCurveParamsBin curve, const PduStr& publicKey) {
  const size_t size = static_cast<size_t>(curve->Size());
  if (publicKey.size() != 2 * size) throw Exception("Public key of illegal length");
  if (publicKey.find_first_not_of('\0') == PduStr::npos)
    throw Exception("Public key is the point at infinity");
  const auto* octets = reinterpret_cast<const uint8_t*>(publicKey.data());
  if (!curve_arith::IsValidPoint(curve->Id, octets, octets + size))
    throw Exception("Public key is not on the curve");
}

void CheckPrivateKey(PCurveParamsBin curve, const PduStr& privateKey) {
  if (privateKey.size() != static_cast<size_t>(curve->Size())) throw Exception("Private key of illegal length");
  TLInteger d = OctetsToInteger(privateKey);
  if (d.IsZero() || !(d < curve->GOrder)) throw Exception("Private key out of range");
}

TLInteger OctetsToInteger(const PduStr& octets) { return TLInteger("$" + BinToHex(octets)); }

PduStr IntegerToOctets(const TLInteger& value, int size) {
  PduStr octets = HexToBin(value.ToHexString());
  if (static_cast<int>(octets.size()) < size)
    octets.insert(0, static_cast<size_t>(size) - octets.size(), '\0');
  return octets;
}

TECPoint TECPoint::InfiniteECPoint() {
  TECPoint p;
  p.FInfinite = true;
  return p;
}

TECPoint TECPoint::MakePoint(const TLInteger& x, const TLInteger& y) {
  TECPoint p;
  p.SetCoordinates(x, y);
  return p;
}

void TECPoint::SetCoordinates(const TLInteger& x, const TLInteger& y) {
  FX = x;
  FY = y;
  FInfinite = false;
}

TECPoint TECPoint::AddPoints(const TECPoint& p, const TECPoint& q, PCurveParamsBin curve) {
  if (p.FInfinite) return q;
  if (q.FInfinite) return p;
  const TLInteger& m = curve->FieldSize;
  if (TLInteger::Modulo(p.FX, m) == TLInteger::Modulo(q.FX, m)) {
    if (TLInteger::Modulo(p.FY, m) == TLInteger::Modulo(q.FY, m)) return DoublePoint(p, curve);
    return InfiniteECPoint();
  }
  TLInteger lambda = TLInteger::MulMod(TLInteger::SubMod(q.FY, p.FY, m),
                                       TLInteger::ModInv(TLInteger::SubMod(q.FX, p.FX, m), m), m);
  TLInteger x3 = TLInteger::SubMod(TLInteger::SubMod(TLInteger::MulMod(lambda, lambda, m), p.FX, m),
                                   q.FX, m);
  TLInteger y3 = TLInteger::SubMod(TLInteger::MulMod(lambda, TLInteger::SubMod(p.FX, x3, m), m),
                                   p.FY, m);
  return MakePoint(x3, y3);
}

TECPoint TECPoint::DoublePoint(const TECPoint& p, PCurveParamsBin curve) {
  if (p.FInfinite) return p;
  const TLInteger& m = curve->FieldSize;
  if (TLInteger::Modulo(p.FY, m).IsZero()) return InfiniteECPoint();
  TLInteger x2 = TLInteger::MulMod(p.FX, p.FX, m);
  TLInteger num = TLInteger::AddMod(TLInteger::MulMod(TLInteger(3), x2, m), curve->CoeffA, m);
  TLInteger lambda =
      TLInteger::MulMod(num, TLInteger::ModInv(TLInteger::MulMod(TLInteger(2), p.FY, m), m), m);
  TLInteger x3 = TLInteger::SubMod(TLInteger::MulMod(lambda, lambda, m),
                                   TLInteger::MulMod(TLInteger(2), p.FX, m), m);
  TLInteger y3 = TLInteger::SubMod(TLInteger::MulMod(lambda, TLInteger::SubMod(p.FX, x3, m), m),
                                   p.FY, m);
  return MakePoint(x3, y3);
}

TECPoint TECPoint::MultiplyPoint(const TECPoint& p, const TLCardinal& n, PCurveParamsBin curve) {
  if (p.FInfinite || n.IsZero()) return InfiniteECPoint();
  if (!p.IsOnCurve(curve)) return MultiplySlow(p, n, curve);
  const int size = curve->Size();
  const PduStr x = IntegerToOctets(TLInteger::Modulo(p.FX, curve->FieldSize), size);
  const PduStr y = IntegerToOctets(TLInteger::Modulo(p.FY, curve->FieldSize), size);
  const PduStr k = HexToBin(n.ToHexString());
  PduStr rx(static_cast<size_t>(size), '\0'), ry(static_cast<size_t>(size), '\0');
  if (!curve_arith::Mul(curve->Id, reinterpret_cast<const uint8_t*>(x.data()),
                        reinterpret_cast<const uint8_t*>(y.data()),
                        reinterpret_cast<const uint8_t*>(k.data()), k.size(),
                        reinterpret_cast<uint8_t*>(rx.data()), reinterpret_cast<uint8_t*>(ry.data())))
    return InfiniteECPoint();
  return MakePoint(OctetsToInteger(rx), OctetsToInteger(ry));
}

bool TECPoint::IsOnCurve(PCurveParamsBin curve) const {
  if (FInfinite) return true;
  const TLInteger& m = curve->FieldSize;
  TLInteger lhs = TLInteger::MulMod(FY, FY, m);
  TLInteger rhs = TLInteger::AddMod(
      TLInteger::AddMod(TLInteger::MulMod(TLInteger::MulMod(FX, FX, m), FX, m),
                        TLInteger::MulMod(curve->CoeffA, FX, m), m),
      curve->CoeffB, m);
  return lhs == rhs;
}

bool TECPoint::Equal(const TECPoint& p, const TECPoint& q) {
  return p.FInfinite == q.FInfinite && p.FX == q.FX && p.FY == q.FY;
}

std::string TECPoint::ToFriendlyString() const {
  if (FInfinite) return "Infinite";
  return Format("(X:%s, Y:%s)", FX.ToHexString().c_str(), FY.ToHexString().c_str());
}

std::string TCurveParamsBin::ToFriendlyString() const {
  return Format("CurveId=%d, FieldSize=%s, CoeffA=%s, CoeffB=%s, GOrder=%s, G=%s",
                static_cast<int>(Id), FieldSize.ToHexString().c_str(), CoeffA.ToHexString().c_str(),
                CoeffB.ToHexString().c_str(), GOrder.ToHexString().c_str(),
                G.ToFriendlyString().c_str());
}

}  // namespace zv
