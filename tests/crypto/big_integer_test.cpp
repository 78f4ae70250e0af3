// Multi-precision integers: the consistency checks the units once ran at start-up, the
// documented edge cases, and randomised operations against OpenSSL's BN as the oracle.
#include <gtest/gtest.h>

#include <random>

#include "crypto/lcardinal.h"
#include "crypto/linteger.h"
#include "foundation/errors.h"
#include "openssl_oracle.h"
#include "support/error_of.h"

using namespace zv;
using zv::test::ErrorOf;
using namespace zv::oracle;

namespace {

bool Same(const TLCardinal& ours, const BIGNUM* theirs) {
  return BN_cmp(BnFromCardinal(ours).get(), theirs) == 0;
}

bool Same(const TLInteger& ours, const BIGNUM* theirs) {
  return BN_cmp(BnFromInteger(ours).get(), theirs) == 0;
}

// Numbers that stress carries, borrows and the quotient estimate: random digits, runs of
// 0x7FFF and 0 digits, and a top digit of 1.
TLCardinal RandomCardinal(std::mt19937_64& gen, int maxDigits) {
  std::uniform_int_distribution<int> count(1, maxDigits), kind(0, 5);
  int n = count(gen);
  TLCardinal r(0u);
  const TLCardinal base(TLCardinal::kBase);
  int k = kind(gen);
  for (int i = 0; i < n; ++i) {
    uint32_t d = static_cast<uint32_t>(gen() & TLCardinal::kMask);
    if (k == 1) d = TLCardinal::kMask;
    if (k == 2 && (gen() & 1)) d = 0;
    if (k == 3 && i == 0) d = 1;
    if (k == 4 && (gen() & 3) == 0) d = TLCardinal::kMask;
    r = r * base + TLCardinal(d);
  }
  return r;
}

}  // namespace

// The checks the units ran at start-up.
TEST(BigInteger, SmallDivisionsReassemble) {
  for (uint32_t a = 1; a <= 1000; ++a) {
    for (uint32_t b = 1; b <= 1000; ++b) {
      TLCardinal q, r;
      TLCardinal::Divide(TLCardinal(a), TLCardinal(b), q, r);
      ASSERT_TRUE(TLCardinal(b) * q + r == TLCardinal(a)) << a << " " << b;
    }
  }
}

TEST(BigInteger, SignedArithmeticMatchesNativeIntegers) {
  auto mod = [](int64_t a, int64_t m) { return ((a % m) + m) % m; };
  for (int i = -100; i <= 100; ++i) {
    for (int j = -100; j <= 100; ++j) {
      const TLInteger a(i), b(j);
      ASSERT_EQ((a + b).ToInteger(), i + j);
      ASSERT_EQ((a - b).ToInteger(), i - j);
      ASSERT_EQ((a * b).ToInteger(), i * j);
      ASSERT_EQ(TLInteger::Modulo(TLInteger::Modulo(a, 13) + TLInteger::Modulo(b, 13), 13),
                TLInteger::Modulo(a + b, 13));
      ASSERT_EQ(TLInteger::SubMod(a, b, 11).ToInteger(), mod(i - j, 11));
      ASSERT_EQ(TLInteger::MulMod(a, b, 16).ToInteger(), mod(i * j, 16));
      ASSERT_EQ(TLInteger::AddMod(a, b, 13).ToInteger(), mod(i + j, 13));
      ASSERT_EQ(TLInteger::Compare(a, b), i < j ? -1 : i > j ? 1 : 0);
    }
    ASSERT_EQ(TLInteger::Modulo(i, 7).ToInteger(), mod(i, 7));
  }
  for (int x = 1; x <= 100; ++x)
    ASSERT_EQ(TLInteger::Modulo(TLInteger(x) * TLInteger::ModInv(x, 101), 101).ToInteger(), 1);
}

TEST(BigInteger, TextsConversionsAndErrors) {
  EXPECT_EQ(TLCardinal("$00FF").ToCardinal(), 255u);
  EXPECT_EQ(TLCardinal("$00ff").ToCardinal(), 255u);
  EXPECT_EQ(TLCardinal("").ToCardinal(), 0u);
  EXPECT_EQ(TLCardinal("$").ToCardinal(), 0u);
  EXPECT_EQ(ErrorOf([] { TLCardinal("12A"); }), "TLCardinal.Implicit: Illegal hex-character");
  EXPECT_EQ(ErrorOf([] { TLCardinal("$12G"); }), "TLCardinal.Implicit: Illegal hex-character");
  EXPECT_EQ(ErrorOf([] { TLCardinal(" 1"); }), "TLCardinal.Implicit: Illegal hex-character");
  EXPECT_EQ(ErrorOf([] { TLCardinal(0u) - TLCardinal(1u); }), "TLCardinal.Subtract: B > A");
  EXPECT_EQ(ErrorOf([] { TLCardinal(5u) / TLCardinal(0u); }), "TLCardinal.IntDivide: Division by zero");
  EXPECT_EQ(TLCardinal(0u).ToHexString(), "00");
  EXPECT_EQ(TLCardinal(4095u).ToHexString(), "0FFF");
  EXPECT_EQ(TLCardinal(0u).ToDecimalString(), "0");
  EXPECT_EQ(TLCardinal(0xFFFFFFFFu).ToCardinal(), 0xFFFFFFFFu);
  EXPECT_EQ(ErrorOf([] { TLCardinal("4294967296").ToCardinal(); }),
            "TLCardinal.ToCardinal: cannot convert 4294967296 to cardinal");
  EXPECT_TRUE(TLCardinal(7u).Odd());
  EXPECT_FALSE(TLCardinal(32768u).Odd());
  EXPECT_EQ(TLCardinal::Power(TLCardinal(2u), TLCardinal(100u)).ToDecimalString(),
            "1267650600228229401496703205376");
  EXPECT_EQ(TLCardinal::Power(TLCardinal(0u), TLCardinal(0u)).ToDecimalString(), "1");
  EXPECT_EQ(TLCardinal(0u).FValue.Count(), 1);
  EXPECT_EQ(ErrorOf([] { (void)TLCardinal(1u).FValue[1]; }).rfind("Assertion failure (array_of_base_cardinal.h", 0), 0u);

  EXPECT_EQ(TLInteger(-14).ToDecimalString(), "-14");
  EXPECT_EQ(TLInteger("-$10").ToInteger(), -16);
  EXPECT_EQ(TLInteger("-0"), TLInteger(0));
  EXPECT_EQ(TLInteger::Modulo(-14, 7).ToInteger(), 0);
  EXPECT_EQ(TLInteger::Modulo(-15, 7).ToInteger(), 6);
  EXPECT_EQ(ErrorOf([] { TLInteger::Modulo(5, 0); }), "Modulo: FieldSize negative");
  EXPECT_EQ(ErrorOf([] { TLInteger::Modulo(5, -3); }), "Modulo: FieldSize negative");
  EXPECT_EQ(TLInteger::ModInv(3, 7).ToInteger(), 5);
  EXPECT_EQ(ErrorOf([] { TLInteger::ModInv(6, 9); }), "TLInteger.ModInv: No modular inverse of 6 in F(9)");
  EXPECT_EQ(ErrorOf([] { TLInteger::ModInv(0, 9); }).rfind("Assertion failure (linteger.cpp", 0), 0u);
  EXPECT_EQ(TLInteger(INT32_MIN).ToInteger(), INT32_MIN);
  EXPECT_EQ(TLInteger("-2147483648").ToInteger(), INT32_MIN);
  EXPECT_EQ(ErrorOf([] { TLInteger("2147483648").ToInteger(); }),
            "TLInteger.ToInteger: 2147483648 cannot be converted to integer");
  EXPECT_EQ(ErrorOf([] { TLInteger("-2147483649").ToInteger(); }),
            "TLInteger.ToInteger: -2147483649 cannot be converted to integer");
  EXPECT_EQ(ErrorOf([] { TLInteger(-1).ToHexString(); }),
            "TLInteger.ToHexString: Negative number cannot be converted to hex-string");
  EXPECT_EQ(ErrorOf([] { TLInteger::ToCardinal(-1); }), "TLInteger.ToCardinal: Cannot convert negative number");
  EXPECT_TRUE(TLInteger(-5) < TLInteger(-4));
  EXPECT_TRUE(TLInteger(-5) < TLInteger(0));
  EXPECT_TRUE(TLInteger(3) >= TLInteger(3));
  // A zero made of opposite signs equals zero.
  EXPECT_EQ(TLInteger(-5) + TLInteger(5), TLInteger(0));
}

TEST(BigInteger, LongDivisionAtTheNormalisationExtremes) {
  std::mt19937_64 gen(7);
  const TLCardinal base(TLCardinal::kBase);
  for (uint32_t top : {0x7FFFu, 1u, 0x4000u, 0x3FFFu}) {
    for (int round = 0; round < 50; ++round) {
      TLCardinal a = RandomCardinal(gen, 30);
      for (int i = 0; i < 30; ++i) a = a * base + TLCardinal(static_cast<uint32_t>(gen() & 0x7FFF));
      const TLCardinal b = TLCardinal(top) * base + TLCardinal(static_cast<uint32_t>(gen() & 0x7FFF));
      TLCardinal q, r;
      TLCardinal::Divide(a, b, q, r);
      ASSERT_TRUE(b * q + r == a);
      ASSERT_TRUE(r < b);
    }
  }
}

TEST(BigInteger, RandomisedAgainstBN) {
  std::mt19937_64 gen(20240611);
  BN_CTX* ctx = BN_CTX_new();
  for (int round = 0; round < 3000; ++round) {
    SCOPED_TRACE(round);
    const TLCardinal a = RandomCardinal(gen, 40);
    const TLCardinal b = RandomCardinal(gen, round % 3 == 0 ? 3 : 30);
    Bn ab = BnFromCardinal(a), bb = BnFromCardinal(b), t = NewBn(), rem = NewBn();

    BN_add(t.get(), ab.get(), bb.get());
    ASSERT_TRUE(Same(a + b, t.get()));
    BN_mul(t.get(), ab.get(), bb.get(), ctx);
    ASSERT_TRUE(Same(a * b, t.get()));
    if (a >= b) {
      BN_sub(t.get(), ab.get(), bb.get());
      ASSERT_TRUE(Same(a - b, t.get()));
    }
    ASSERT_EQ(TLCardinal::Compare(a, b), BN_cmp(ab.get(), bb.get()));
    if (!b.IsZero()) {
      TLCardinal q, r;
      TLCardinal::Divide(a, b, q, r);
      BN_div(t.get(), rem.get(), ab.get(), bb.get(), ctx);
      ASSERT_TRUE(Same(q, t.get()));
      ASSERT_TRUE(Same(r, rem.get()));
    }
    // Text round trips.
    char* dec = BN_bn2dec(ab.get());
    ASSERT_EQ(a.ToDecimalString(), dec);
    ASSERT_TRUE(TLCardinal(std::string_view(dec)) == a);
    OPENSSL_free(dec);
    ASSERT_TRUE(TLCardinal("$" + a.ToHexString()) == a);

    // Signed: random signs through +, -, * and Modulo.
    const TLInteger sa = (gen() & 1) ? -TLInteger(a) : TLInteger(a);
    const TLInteger sb = (gen() & 1) ? -TLInteger(b) : TLInteger(b);
    Bn sab = BnFromInteger(sa), sbb = BnFromInteger(sb);
    BN_add(t.get(), sab.get(), sbb.get());
    ASSERT_TRUE(Same(sa + sb, t.get()));
    BN_sub(t.get(), sab.get(), sbb.get());
    ASSERT_TRUE(Same(sa - sb, t.get()));
    BN_mul(t.get(), sab.get(), sbb.get(), ctx);
    ASSERT_TRUE(Same(sa * sb, t.get()));
    ASSERT_EQ(TLInteger::Compare(sa, sb), BN_cmp(sab.get(), sbb.get()));
    if (!b.IsZero()) {
      BN_nnmod(t.get(), sab.get(), bb.get(), ctx);
      ASSERT_TRUE(Same(TLInteger::Modulo(sa, TLInteger(b)), t.get()));
    }
  }
  BN_CTX_free(ctx);
}

TEST(BigInteger, InversesAndPowersAgainstBN) {
  std::mt19937_64 gen(99);
  BN_CTX* ctx = BN_CTX_new();
  const TLInteger primes[] = {CurveParams(CurveP256)->FieldSize, CurveParams(CurveP256)->GOrder,
                              CurveParams(CurveP384)->FieldSize, CurveParams(CurveP384)->GOrder};
  for (const TLInteger& p : primes) {
    Bn pb = BnFromInteger(p), t = NewBn();
    for (int round = 0; round < 20; ++round) {
      TLInteger x = TLInteger::Modulo(TLInteger(RandomCardinal(gen, 30)), p);
      if (x.IsZero()) continue;
      BN_mod_inverse(t.get(), BnFromInteger(x).get(), pb.get(), ctx);
      ASSERT_TRUE(Same(TLInteger::ModInv(x, p), t.get()));
    }
  }
  for (int round = 0; round < 50; ++round) {
    const TLCardinal x = RandomCardinal(gen, 4);
    const uint32_t e = static_cast<uint32_t>(gen() % 40);
    Bn t = NewBn(), eb = NewBn();
    BN_set_word(eb.get(), e);
    BN_exp(t.get(), BnFromCardinal(x).get(), eb.get(), ctx);
    ASSERT_TRUE(Same(TLCardinal::Power(x, TLCardinal(e)), t.get()));
  }
  BN_CTX_free(ctx);
}
