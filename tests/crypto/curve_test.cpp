// P-256 and P-384: domain parameters, point arithmetic, ECDSA, ECDH and the KDF, checked
// against OpenSSL; and the mended faults (random source, nonce retry, peer point checks).
#include <gtest/gtest.h>

#include <set>

#include "crypto/ecdh.h"
#include "crypto/ecdsa.h"
#include "crypto/ecurve.h"
#include "crypto/elliptic_stuff_interface.h"
#include "crypto/prng.h"
#include "openssl_oracle.h"

using namespace zv;
using namespace zv::oracle;

namespace {

const TCurveId kCurves[] = {CurveP256, CurveP384};
int Suite(TCurveId id) { return id == CurveP256 ? 1 : 2; }
size_t Size(TCurveId id) { return static_cast<size_t>(CurveParams(id)->Size()); }

PduStr XY(const TECPoint& p, TCurveId id) {
  return IntegerToOctets(p.FX, static_cast<int>(Size(id))) + IntegerToOctets(p.FY, static_cast<int>(Size(id)));
}

TECPoint PointOf(const PduStr& xy, TCurveId id) {
  return TECPoint::MakePoint(OctetsToInteger(xy.substr(0, Size(id))), OctetsToInteger(xy.substr(Size(id))));
}

// A reproducible random source for the internal entry points.
TRandomOctets Seeded(SeededOctets& s) {
  return [&s](int count) { return s(count); };
}

}  // namespace

TEST(Curves, DomainParametersMatchOpenSSL) {
  for (TCurveId id : kCurves) {
    SCOPED_TRACE(id);
    PCurveParamsBin c = CurveParams(id);
    Group g = NewGroup(id);
    Bn p = NewBn(), a = NewBn(), b = NewBn(), gx = NewBn(), gy = NewBn();
    EC_GROUP_get_curve(g.get(), p.get(), a.get(), b.get(), nullptr);
    EC_POINT_get_affine_coordinates(g.get(), EC_GROUP_get0_generator(g.get()), gx.get(), gy.get(), nullptr);
    EXPECT_EQ(BN_cmp(BnFromInteger(c->FieldSize).get(), p.get()), 0);
    EXPECT_EQ(BN_cmp(BnFromInteger(c->CoeffA).get(), a.get()), 0);
    EXPECT_EQ(BN_cmp(BnFromInteger(c->CoeffB).get(), b.get()), 0);
    EXPECT_EQ(BN_cmp(BnFromInteger(c->GOrder).get(), EC_GROUP_get0_order(g.get())), 0);
    EXPECT_EQ(BN_cmp(BnFromInteger(c->G.FX).get(), gx.get()), 0);
    EXPECT_EQ(BN_cmp(BnFromInteger(c->G.FY).get(), gy.get()), 0);
    EXPECT_TRUE(c->G.IsOnCurve(c));
    EXPECT_FALSE(TECPoint::MakePoint(c->G.FX, c->G.FY + TLInteger(1)).IsOnCurve(c));
    EXPECT_TRUE(TECPoint::IsPointOnCurve(TECPoint::InfiniteECPoint(), c));
  }
  EXPECT_EQ(CurveParams(CurveP256)->ToFriendlyString().rfind(
                "CurveId=0, FieldSize=FFFFFFFF00000001000000000000000000000000FFFFFFFFFFFFFFFFFFFFFFFF, CoeffA=", 0),
            0u);
  EXPECT_EQ(TECPoint::InfiniteECPoint().ToFriendlyString(), "Infinite");
  EXPECT_EQ(TECPoint::MakePoint(255, 16).ToFriendlyString(), "(X:FF, Y:10)");
}

TEST(Curves, AffineArithmeticAgainstOpenSSL) {
  SeededOctets rnd(11);
  for (TCurveId id : kCurves) {
    SCOPED_TRACE(id);
    PCurveParamsBin c = CurveParams(id);
    for (int round = 0; round < 8; ++round) {
      const PduStr a = rnd(static_cast<int>(Size(id))), b = rnd(static_cast<int>(Size(id)));
      const TECPoint P = PointOf(Mul(id, a), id), Q = PointOf(Mul(id, b), id);
      Bn sum = NewBn(), twice = NewBn();
      BN_add(sum.get(), BnFromOctets(a).get(), BnFromOctets(b).get());
      BN_lshift1(twice.get(), BnFromOctets(a).get());
      EXPECT_EQ(XY(TECPoint::AddPoints(P, Q, c), id), Mul(id, BnToOctets(sum.get(), static_cast<int>(Size(id)) + 1)));
      EXPECT_EQ(XY(TECPoint::DoublePoint(P, c), id), Mul(id, BnToOctets(twice.get(), static_cast<int>(Size(id)) + 1)));
      EXPECT_TRUE(TECPoint::Equal(TECPoint::AddPoints(P, P, c), TECPoint::DoublePoint(P, c)));
      const TECPoint minusP = TECPoint::MakePoint(P.FX, TLInteger::Modulo(-P.FY, c->FieldSize));
      EXPECT_TRUE(TECPoint::AddPoints(P, minusP, c).FInfinite);
      EXPECT_TRUE(TECPoint::Equal(TECPoint::AddPoints(TECPoint::InfiniteECPoint(), P, c), P));
      EXPECT_TRUE(TECPoint::Equal(TECPoint::AddPoints(P, TECPoint::InfiniteECPoint(), c), P));
    }
  }
}

TEST(Curves, ScalarMultiplesAgainstOpenSSL) {
  SeededOctets rnd(12);
  for (TCurveId id : kCurves) {
    SCOPED_TRACE(id);
    PCurveParamsBin c = CurveParams(id);
    const TLCardinal n = c->GOrder.FAbsValue;
    std::vector<TLCardinal> scalars = {1u, 2u, 3u, 15u, 16u, 17u, 31u, 32u, 33u, 0xFFFFu,
                                       n - TLCardinal(1u), n + TLCardinal(1u), n + n - TLCardinal(5u),
                                       TLCardinal::Power(2u, 255u), TLCardinal::Power(2u, 400u) + TLCardinal(9u)};
    for (int i = 0; i < 10; ++i) scalars.push_back(TLCardinal("$" + ByteStrToHexStr(rnd(static_cast<int>(Size(id))))));
    const PduStr other = Mul(id, rnd(static_cast<int>(Size(id))));
    for (const TLCardinal& k : scalars) {
      SCOPED_TRACE(k.ToHexString());
      const PduStr kOctets = HexStrToByteStr(k.ToHexString());
      const TECPoint byG = TECPoint::MultiplyPoint(c->G, k, c);
      EXPECT_EQ(XY(byG, id), Mul(id, kOctets));
      EXPECT_TRUE(byG.IsOnCurve(c));
      EXPECT_EQ(XY(TECPoint::MultiplyPoint(PointOf(other, id), k, c), id), Mul(id, kOctets, &other));
    }
    EXPECT_TRUE(TECPoint::MultiplyPoint(c->G, n, c).FInfinite);
    EXPECT_TRUE(TECPoint::MultiplyPoint(c->G, 0u, c).FInfinite);
    EXPECT_TRUE(TECPoint::MultiplyPoint(TECPoint::InfiniteECPoint(), 5u, c).FInfinite);
    // A point off the curve takes the affine double-and-add.
    const TECPoint off = TECPoint::MakePoint(c->G.FX, c->G.FY + TLInteger(1));
    TECPoint five = off;
    for (int i = 1; i < 5; ++i) five = TECPoint::AddPoints(five, off, c);
    EXPECT_TRUE(TECPoint::Equal(TECPoint::MultiplyPoint(off, 5u, c), five));
  }
}

TEST(ECDSA, KeyPairsSignaturesBothWaysWithOpenSSL) {
  SeededOctets rnd(13);
  for (TCurveId id : kCurves) {
    SCOPED_TRACE(id);
    for (int round = 0; round < 6; ++round) {
      PduStr priv, pub;
      ECDSAGenerateKeyPair(id, priv, pub, Seeded(rnd));
      ASSERT_EQ(priv.size(), Size(id));
      ASSERT_EQ(pub.size(), 2 * Size(id));
      EXPECT_EQ(pub, Mul(id, priv));
      const PduStr message = rnd(1 + round * 37);

      // Ours verified by OpenSSL.
      Pkey key = KeyFromOctets(id, pub);
      const PduStr sig = ECDSASignMessage(id, message, priv, {}, Seeded(rnd));
      ASSERT_EQ(sig.size(), 2 * Size(id));
      EXPECT_TRUE(Verify(id, key.get(), message, sig));
      EXPECT_TRUE(ECDSAVerifyMessage(id, message, sig, pub));

      // OpenSSL's verified by ours.
      Pkey theirs = NewKey(id);
      const PduStr theirPub = PublicKeyOf(theirs.get());
      const PduStr theirSig = Sign(id, theirs.get(), message);
      EXPECT_TRUE(ECDSAVerifyMessage(id, message, theirSig, theirPub));

      // One changed octet of the message, of r or of s is not valid.
      PduStr m2 = message, r2 = theirSig, s2 = theirSig;
      m2[0] = static_cast<char>(m2[0] ^ 1);
      r2[3] = static_cast<char>(r2[3] ^ 1);
      s2[Size(id) + 3] = static_cast<char>(s2[Size(id) + 3] ^ 1);
      EXPECT_FALSE(ECDSAVerifyMessage(id, m2, theirSig, theirPub));
      EXPECT_FALSE(ECDSAVerifyMessage(id, message, r2, theirPub));
      EXPECT_FALSE(ECDSAVerifyMessage(id, message, s2, theirPub));
      EXPECT_FALSE(ECDSAVerifyMessage(id, message, theirSig, pub));
    }
  }
}

TEST(ECDSA, SignatureValuesOutOfRangeAreNotValid) {
  for (TCurveId id : kCurves) {
    SCOPED_TRACE(id);
    PCurveParamsBin c = CurveParams(id);
    const int size = c->Size();
    Pkey key = NewKey(id);
    const PduStr pub = PublicKeyOf(key.get());
    const PduStr sig = Sign(id, key.get(), "m");
    const PduStr r = sig.substr(0, Size(id)), s = sig.substr(Size(id));
    const PduStr zero(Size(id), '\0'), n = IntegerToOctets(c->GOrder, size);
    for (const PduStr& bad : {zero + s, n + s, r + zero, r + n, PduStr(r), sig + "x", PduStr()}) {
      bool valid = true;
      EXPECT_TRUE(ECDSAVerify(Suite(id), "m", bad, valid, pub));
      EXPECT_FALSE(valid);
    }
    bool valid = false;
    EXPECT_TRUE(ECDSAVerify(Suite(id), "m", sig, valid, pub));
    EXPECT_TRUE(valid);
  }
}

TEST(ECDH, SharedSecretsAgainstEvpDerive) {
  SeededOctets rnd(14);
  for (TCurveId id : kCurves) {
    SCOPED_TRACE(id);
    for (int round = 0; round < 6; ++round) {
      PduStr priv, pub;
      ECDSAGenerateKeyPair(id, priv, pub, Seeded(rnd));
      Pkey theirs = NewKey(id);
      const PduStr theirPub = PublicKeyOf(theirs.get());
      const PduStr z = ECDHComputeSharedSecret(id, priv, theirPub);
      EXPECT_EQ(z.size(), Size(id));
      EXPECT_EQ(z, Derive(theirs.get(), KeyFromOctets(id, pub).get()));
      EXPECT_EQ(z, Derive(KeyFromOctets(id, pub, priv).get(), theirs.get()));
      // Two parties of ours agree.
      PduStr priv2, pub2;
      ECDSAGenerateKeyPair(id, priv2, pub2, Seeded(rnd));
      EXPECT_EQ(ECDHComputeSharedSecret(id, priv, pub2), ECDHComputeSharedSecret(id, priv2, pub));
    }
  }
}

TEST(ECDH, SecretWithLeadingZeroKeepsItsLength) {
  SeededOctets rnd(15);
  Pkey theirs = NewKey(CurveP256);
  const PduStr theirPub = PublicKeyOf(theirs.get());
  for (int round = 0; round < 5000; ++round) {
    PduStr priv, pub;
    ECDSAGenerateKeyPair(CurveP256, priv, pub, Seeded(rnd));
    PduStr z;
    ASSERT_TRUE(ECDHSharedSecret(1, priv, theirPub, z));
    if (z[0] != 0) continue;
    EXPECT_EQ(z.size(), 32u);
    EXPECT_EQ(z, Derive(theirs.get(), KeyFromOctets(CurveP256, pub).get()));
    return;
  }
  FAIL() << "no secret with a leading zero octet found";
}

TEST(KDF, DirectComputationOfTheDefinition) {
  const PduStr z = HexStrToByteStr("00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF");
  const PduStr otherInfo = HexStrToByteStr("60857405080300") + "CLIENT01" + "SERVER01";
  const PduStr input = std::string("\x00\x00\x00\x01", 4) + z + otherInfo;
  PduStr key;
  ASSERT_TRUE(ECKDF(1, z, otherInfo, key));
  EXPECT_EQ(key, Digest(EVP_sha256(), input).substr(0, 16));
  ASSERT_TRUE(ECKDF(2, z, otherInfo, key));
  EXPECT_EQ(key, Digest(EVP_sha384(), input).substr(0, 32));
  EXPECT_FALSE(ECKDF(0, z, otherInfo, key));
  EXPECT_EQ(key, PduStr());
  EXPECT_EQ(ECLastError().rfind("Assertion failure (kdf.cpp", 0), 0u);
}

TEST(EllipticStuffInterface, SuitesOutputsAndLog) {
  PduStr priv = "x", pub = "y", sig = "z", z = "w";
  bool valid = true;
  EXPECT_FALSE(ECGenerateKeyPair(0, priv, pub));
  EXPECT_EQ(ECLastError(), "Unsupported security suite 0");
  EXPECT_TRUE(priv.empty() && pub.empty());
  EXPECT_FALSE(ECDSASign(0, "m", PduStr(32, 1), sig));
  EXPECT_EQ(ECLastError(), "Unsupported security suite 0");
  EXPECT_FALSE(ECDSAVerify(0, "m", PduStr(64, 1), valid, PduStr(64, 1)));
  EXPECT_FALSE(ECDHSharedSecret(3, PduStr(32, 1), PduStr(64, 1), z));
  EXPECT_EQ(ECLastError(), "Unsupported security suite 3");

  for (TCurveId id : kCurves) {
    SCOPED_TRACE(id);
    ASSERT_TRUE(ECGenerateKeyPair(Suite(id), priv, pub));
    EXPECT_EQ(priv.size(), Size(id));
    EXPECT_EQ(pub, Mul(id, priv));
    std::vector<std::string> lines;
    ECSetLogCallback([](void* context, const std::string& text) {
      static_cast<std::vector<std::string>*>(context)->push_back(text);
    }, &lines);
    ASSERT_TRUE(ECDSASign(Suite(id), "message", priv, sig));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("(Random) K = ", 0), 0u);
    EXPECT_EQ(lines[0].size(), 13 + 2 * Size(id));
    ECSetLogCallback(nullptr, nullptr);
    ASSERT_TRUE(ECDSASign(Suite(id), "message", priv, sig));
    EXPECT_EQ(lines.size(), 1u);
    ASSERT_TRUE(ECDSAVerify(Suite(id), "message", sig, valid, pub));
    EXPECT_TRUE(valid);
    EXPECT_TRUE(Verify(id, KeyFromOctets(id, pub).get(), "message", sig));
  }
}

// The generator once encrypted a performance counter under a fixed key, so nonces and keys
// could be predicted. Every value now comes from libcrypto's generator.
TEST(Faults, RandomValuesComeFromASecureGenerator) {
  EXPECT_EQ(GetRandomOctets(5).size(), 5u);
  EXPECT_EQ(GetRandomOctets(40).size(), 40u);
  EXPECT_EQ(GetRandomOctets(0).size(), 0u);
  std::set<PduStr> seen;
  for (int i = 0; i < 100; ++i) seen.insert(GetRandomOctets(16));
  EXPECT_EQ(seen.size(), 100u);
  // Every octet value shows up in 64 KiB, as it would from any uniform source.
  std::set<uint8_t> values;
  for (char c : GetRandomOctets(65536)) values.insert(static_cast<uint8_t>(c));
  EXPECT_EQ(values.size(), 256u);

  // Keys and nonces drawn in quick succession differ.
  PduStr priv1, pub1, priv2, pub2, sig1, sig2;
  ASSERT_TRUE(ECGenerateKeyPair(1, priv1, pub1));
  ASSERT_TRUE(ECGenerateKeyPair(1, priv2, pub2));
  EXPECT_NE(priv1, priv2);
  ASSERT_TRUE(ECDSASign(1, "same", priv1, sig1));
  ASSERT_TRUE(ECDSASign(1, "same", priv1, sig2));
  EXPECT_NE(sig1.substr(0, 32), sig2.substr(0, 32));
}

// A nonce that gives s = 0 is drawn again instead of leaking a useless signature.
TEST(Faults, SignatureIsRetriedWhenSComesOutZero) {
  for (TCurveId id : kCurves) {
    SCOPED_TRACE(id);
    PCurveParamsBin c = CurveParams(id);
    const int size = c->Size();
    SeededOctets rnd(16);
    const PduStr k1 = rnd(size), k2 = rnd(size);
    const PduStr message = "retry";
    // s = k⁻¹(e + d·r) is 0 for d = -e·r⁻¹ mod n, with r the x of k1·G.
    BN_CTX* ctx = BN_CTX_new();
    const Bn order = BnFromInteger(c->GOrder);
    const BIGNUM* n = order.get();
    Bn r1 = BnFromOctets(Mul(id, k1).substr(0, static_cast<size_t>(size))), e = BnFromOctets(Digest(Md(id), message));
    Bn d = NewBn(), t = NewBn();
    BN_nnmod(r1.get(), r1.get(), n, ctx);
    BN_mod_inverse(t.get(), r1.get(), n, ctx);
    BN_mod_mul(d.get(), e.get(), t.get(), n, ctx);
    BN_mod_sub(d.get(), BnFromOctets(PduStr()).get(), d.get(), n, ctx);
    const PduStr priv = BnToOctets(d.get(), size);

    std::vector<PduStr> draws = {k1, k2};
    size_t next = 0;
    std::vector<std::string> log;
    const PduStr sig = ECDSASignMessage(
        id, message, priv, [&](const std::string& s) { log.push_back(s); },
        [&](int) { return draws.at(next++); });
    EXPECT_EQ(next, 2u);
    EXPECT_EQ(log.size(), 2u);
    Bn r2 = BnFromOctets(Mul(id, k2).substr(0, static_cast<size_t>(size)));
    BN_nnmod(r2.get(), r2.get(), n, ctx);
    EXPECT_EQ(sig.substr(0, static_cast<size_t>(size)), BnToOctets(r2.get(), size));
    EXPECT_TRUE(Verify(id, KeyFromOctets(id, Mul(id, priv)).get(), message, sig));
    BN_CTX_free(ctx);

    // A source that never gives a scalar below n is an error, not a hang.
    try {
      ECDSASignMessage(id, message, priv, {}, [&](int count) { return PduStr(static_cast<size_t>(count), '\xFF'); });
      ADD_FAILURE() << "no error";
    } catch (const Exception& ex) {
      EXPECT_EQ(ex.Message(), "Random generator failure");
    }
  }
}

// Peer public keys are checked before they are used (invalid-curve attack).
TEST(Faults, PeerPointsOffTheCurveAreRefused) {
  for (TCurveId id : kCurves) {
    SCOPED_TRACE(id);
    PCurveParamsBin c = CurveParams(id);
    const int size = c->Size();
    PduStr priv, pub;
    ASSERT_TRUE(ECGenerateKeyPair(Suite(id), priv, pub));
    const PduStr gx = IntegerToOctets(c->G.FX, size), gy = IntegerToOctets(c->G.FY, size);
    const PduStr p = IntegerToOctets(c->FieldSize, size);
    struct Row { const char* what; PduStr key; const char* error; };
    std::vector<Row> rows = {
        {"off the curve", gx + IntegerToOctets(c->G.FY + TLInteger(1), size), "Public key is not on the curve"},
        {"infinity", PduStr(2 * static_cast<size_t>(size), '\0'), "Public key is the point at infinity"},
        {"y = p", gx + p, "Public key is not on the curve"},
        {"short", gx + gy.substr(1), "Public key of illegal length"},
        {"with prefix", "\x04" + gx + gy, "Public key of illegal length"},
    };
    for (const auto& r : rows) {
      SCOPED_TRACE(r.what);
      PduStr z = "old";
      EXPECT_FALSE(ECDHSharedSecret(Suite(id), priv, r.key, z));
      EXPECT_EQ(ECLastError(), r.error);
      EXPECT_TRUE(z.empty());
      bool valid = true;
      EXPECT_FALSE(ECDSAVerify(Suite(id), "m", PduStr(2 * static_cast<size_t>(size), 1), valid, r.key));
      EXPECT_EQ(ECLastError(), r.error);
      EXPECT_FALSE(valid);
    }
    // The generator itself is accepted.
    PduStr z;
    EXPECT_TRUE(ECDHSharedSecret(Suite(id), priv, gx + gy, z));
    EXPECT_EQ(z, pub.substr(0, static_cast<size_t>(size)));
  }
}

TEST(Faults, OwnPrivateKeysOutsideTheScalarRangeAreRefused) {
  for (TCurveId id : kCurves) {
    SCOPED_TRACE(id);
    PCurveParamsBin c = CurveParams(id);
    const size_t size = static_cast<size_t>(c->Size());
    PduStr priv, pub;
    ASSERT_TRUE(ECGenerateKeyPair(Suite(id), priv, pub));
    // An empty or zero key would sign under a key anyone knows.
    struct Row { PduStr key; const char* error; };
    const Row rows[] = {
        {"", "Private key of illegal length"},
        {PduStr(size, '\0'), "Private key out of range"},
        {IntegerToOctets(c->GOrder, static_cast<int>(size)), "Private key out of range"},
        {priv + "\x01", "Private key of illegal length"},
    };
    for (const auto& r : rows) {
      PduStr out = "old";
      EXPECT_FALSE(ECDSASign(Suite(id), "m", r.key, out));
      EXPECT_EQ(ECLastError(), r.error);
      EXPECT_TRUE(out.empty());
      EXPECT_FALSE(ECDHSharedSecret(Suite(id), r.key, pub, out));
      EXPECT_EQ(ECLastError(), r.error);
    }
  }
}
