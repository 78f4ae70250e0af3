// Known answers of the symmetric primitives (FIPS 197, the GCM test vectors of NIST
// SP 800-38D's reference document, RFC 3394, FIPS 180-4 / RFC 1321) through our layer and
// its wrappers, and the errors of a library that cannot be bound.
#include <gtest/gtest.h>

#include "crypto/aes.h"
#include "crypto/elliptic_stuff_interface.h"
#include "crypto/gcm_cipher.h"
#include "crypto/hash.h"
#include "crypto/key_wrap.h"
#include "crypto/library_binding.h"
#include "crypto/prng.h"
#include "crypto/sha.h"
#include "foundation/errors.h"
#include "foundation/misc.h"
#include "platform/crypto_lib.h"
#include "support/error_of.h"

using namespace zv;
using zv::test::ErrorOf;

namespace {

PduStr H(const char* hex) { return HexStrToByteStr(hex); }
std::string X(const PduStr& s) { return ByteStrToHexStr(s); }
uint8_t* U8(PduStr& s) { return reinterpret_cast<uint8_t*>(s.data()); }
const uint8_t* U8(const PduStr& s) { return reinterpret_cast<const uint8_t*>(s.data()); }
int Len(const PduStr& s) { return static_cast<int>(s.size()); }

}  // namespace

TEST(CryptoLib, AesBlockKnownAnswers) {
  const PduStr plain = H("00112233445566778899aabbccddeeff");
  const PduStr key128 = H("000102030405060708090a0b0c0d0e0f");
  const PduStr key256 = H("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
  EXPECT_EQ(X(TAES::AESEncrypt(key128, plain)), "69C4E0D86A7B0430D8CDB78070B4C55A");
  EXPECT_EQ(X(TAES::AESEncrypt(key256, plain)), "8EA2B7CA516745BFEAFC49904B496089");
  EXPECT_EQ(TAES::AESDecrypt(key128, TAES::AESEncrypt(key128, plain)), plain);
  EXPECT_EQ(TAES::AESDecrypt(key256, TAES::AESEncrypt(key256, plain)), plain);

  EXPECT_EQ(ErrorOf([&] { TAES::AESEncrypt(H("0001"), plain); }), "TAES.AES illegal key size 2");
  EXPECT_EQ(ErrorOf([&] { TAES::AESEncrypt(key128, H("00")); }).rfind("Assertion failure (aes.cpp", 0), 0u);
  PduStr out(16, '\0');
  EXPECT_EQ(AES128_Bytes(U8(out), U8(plain), 15, U8(key128), 1), kCryptoBadParameter);
  EXPECT_EQ(AES128_Bytes(U8(out), U8(plain), 16, U8(key128), 2), kCryptoBadParameter);
}

TEST(CryptoLib, GcmKnownAnswers) {
  struct Row { const char *key, *iv, *plain, *aad, *cipher, *tag; };
  const char* p60 =
      "d9313225f88406e5a55909c5aff5269a86a7a9531534f7da2e4c303d8a318a721c3c0c95956809532fcf0e2449a6b525"
      "b16aedf5aa0de657ba637b39";
  const Row rows[] = {
      // GMAC of nothing, then one zero block, AES-128 and AES-256.
      {"00000000000000000000000000000000", "000000000000000000000000", "", "", "",
       "58e2fccefa7e3061367f1d57a4e7455a"},
      {"00000000000000000000000000000000", "000000000000000000000000",
       "00000000000000000000000000000000", "", "0388dace60b6a392f328c2b971b2fe78",
       "ab6e47d42cec13bdf53a67b21257bddf"},
      {"0000000000000000000000000000000000000000000000000000000000000000", "000000000000000000000000",
       "00000000000000000000000000000000", "", "cea7403d4d606b6e074ec5d3baf39d18",
       "d0d1c8a799996bf0265b98b5d48ab919"},
      // 60 octets with additional data.
      {"feffe9928665731c6d6a8f9467308308", "cafebabefacedbaddecaf888", p60,
       "feedfacedeadbeeffeedfacedeadbeefabaddad2",
       "42831ec2217774244b7221b784d0d49ce3aa212f2c02a4e035c17e2329aca12e21d514b25466931c7d8f6a5aac84aa05"
       "1ba30b396a0aac973d58e091",
       "5bc94fbc3221a5db94fae95ae7121a47"},
      {"feffe9928665731c6d6a8f9467308308feffe9928665731c6d6a8f9467308308", "cafebabefacedbaddecaf888",
       p60, "feedfacedeadbeeffeedfacedeadbeefabaddad2",
       "522dc1f099567d07f47f37a32a84427d643a8cdcbfe5c0c97598a2bd2555d1aa8cb08e48590dbb3da7b08b1056828838"
       "c5f61e6393ba7a0abcc9f662",
       "76fc6ece0f4e1768cddf8853bb2d551b"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.cipher);
    const PduStr key = H(r.key), iv = H(r.iv), plain = H(r.plain), aad = H(r.aad);
    for (int tagLength : {16, 12}) {
      PduStr out(plain.size(), '\0'), tag(static_cast<size_t>(tagLength), '\0');
      ASSERT_EQ(GCM_Encrypt(U8(out), Len(out), U8(tag), tagLength, U8(plain), Len(plain), U8(key),
                            Len(key), U8(iv), 12, U8(aad), Len(aad), 0), 0);
      EXPECT_EQ(out, H(r.cipher));
      EXPECT_EQ(tag, H(r.tag).substr(0, static_cast<size_t>(tagLength)));

      PduStr back(plain.size(), '\0');
      EXPECT_EQ(GCM_Decrypt(U8(back), Len(back), U8(out), Len(out), U8(key), Len(key), U8(iv), 12,
                            U8(aad), Len(aad), U8(tag), tagLength, 0), 0);
      EXPECT_EQ(back, plain);
      // A changed tag is refused and no plaintext is released.
      tag[0] = static_cast<char>(tag[0] ^ 1);
      EXPECT_EQ(GCM_Decrypt(U8(back), Len(back), U8(out), Len(out), U8(key), Len(key), U8(iv), 12,
                            U8(aad), Len(aad), U8(tag), tagLength, 0), kCryptoTagMismatch);
      EXPECT_EQ(back, PduStr(plain.size(), '\0'));
      // Without a tag only decryption.
      EXPECT_EQ(GCM_Decrypt(U8(back), Len(back), U8(out), Len(out), U8(key), Len(key), U8(iv), 12,
                            U8(aad), Len(aad), nullptr, 0, 0), 0);
      EXPECT_EQ(back, plain);
    }
  }
}

TEST(CryptoLib, GcmRefusesWhatItDoesNotTake) {
  PduStr key(16, 'k'), iv(12, 'i'), in(4, 'p'), out(4, '\0'), tag(12, '\0');
  struct Row { const char* what; int keyLength, ivLength, outLength, tagLength, options; };
  const Row rows[] = {
      {"key of 24", 24, 12, 4, 12, 0}, {"IV of 8", 16, 8, 4, 12, 0},
      {"output shorter", 16, 12, 3, 12, 0}, {"tag of 3", 16, 12, 4, 3, 0},
      {"tag of 17", 16, 12, 4, 17, 0}, {"options", 16, 12, 4, 12, 1},
  };
  PduStr bigKey(32, 'k');
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    EXPECT_EQ(GCM_Encrypt(U8(out), r.outLength, U8(tag), r.tagLength, U8(in), 4, U8(bigKey),
                          r.keyLength, U8(iv), r.ivLength, nullptr, 0, r.options),
              kCryptoBadParameter);
    EXPECT_EQ(GCM_Decrypt(U8(out), r.outLength, U8(in), 4, U8(bigKey), r.keyLength, U8(iv),
                          r.ivLength, nullptr, 0, U8(tag), r.tagLength, r.options),
              kCryptoBadParameter);
  }
}

TEST(CryptoLib, KeyWrapRfc3394) {
  struct Row { const char *kek, *key, *wrapped; int suite; };
  const Row rows[] = {
      {"000102030405060708090A0B0C0D0E0F", "00112233445566778899AABBCCDDEEFF",
       "1FA68B0A8112B447AEF34BD8FB5A7B829D3E862371D2CFE5", 0},
      {"000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F",
       "00112233445566778899AABBCCDDEEFF", "64E8C3F9CE0F5BA263E9777905818A2A93C8191E7D6E8AE7", 2},
      {"000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F",
       "00112233445566778899AABBCCDDEEFF000102030405060708090A0B0C0D0E0F",
       "28C9F404C4B810F4CBCCB35CFB87F8263F5786E2D80ED326CBC7F0E71A99F43BFB988B9B7A02DD21", 2},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.wrapped);
    const PduStr kek = H(r.kek), key = H(r.key);
    PduStr wrapped = TKeyWrap::Wrap(r.suite, key, kek);
    EXPECT_EQ(X(wrapped), r.wrapped);
    EXPECT_EQ(wrapped.size(), key.size() + 8);
    EXPECT_EQ(TKeyWrap::UnWrap(r.suite, wrapped, kek), key);
    // Suite 1 wraps like suite 0.
    if (r.suite == 0) {
      EXPECT_EQ(TKeyWrap::Wrap(1, key, kek), wrapped);
    }

    PduStr otherKek = kek;
    otherKek[0] = static_cast<char>(otherKek[0] ^ 0x80);
    EXPECT_EQ(ErrorOf([&] { TKeyWrap::UnWrap(r.suite, wrapped, otherKek); }),
              "TKeyWrap.UnWrap: Error: -3");
    wrapped.back() = static_cast<char>(wrapped.back() ^ 1);
    EXPECT_EQ(ErrorOf([&] { TKeyWrap::UnWrap(r.suite, wrapped, kek); }),
              "TKeyWrap.UnWrap: Error: -3");
  }
  const PduStr kek16(16, 'K');
  EXPECT_EQ(ErrorOf([&] { TKeyWrap::UnWrap(0, H("0102"), kek16); }), "TKeyWrap.UnWrap: Error: -1");
  EXPECT_EQ(ErrorOf([&] { TKeyWrap::UnWrap(0, PduStr(), kek16); }), "TKeyWrap.UnWrap: Error: -1");
  EXPECT_EQ(ErrorOf([&] { TKeyWrap::Wrap(0, PduStr(), kek16); }), "TKeyWrap.Wrap: Error: -1");
  // A 32-octet master key under suite 0, a missing one, a key not a multiple of 8.
  EXPECT_EQ(ErrorOf([&] { TKeyWrap::Wrap(0, PduStr(16, 'k'), PduStr(32, 'K')); }), "TKeyWrap.Wrap: Error: -1");
  EXPECT_EQ(ErrorOf([&] { TKeyWrap::Wrap(2, PduStr(16, 'k'), PduStr()); }), "TKeyWrap.Wrap: Error: -1");
  EXPECT_EQ(ErrorOf([&] { TKeyWrap::Wrap(0, PduStr(20, 'k'), kek16); }), "TKeyWrap.Wrap: Error: -1");
  EXPECT_EQ(ErrorOf([&] { TKeyWrap::Wrap(3, PduStr(16, 'k'), kek16); }).rfind("Assertion failure (key_wrap.cpp", 0), 0u);
}

TEST(CryptoLib, HashKnownAnswers) {
  const PduStr abc = "abc";
  EXPECT_EQ(X(THASH::MD5(abc)), "900150983CD24FB0D6963F7D28E17F72");
  EXPECT_EQ(X(THASH::SHA1(abc)), "A9993E364706816ABA3E25717850C26C9CD0D89D");
  EXPECT_EQ(X(THASH::SHA256(abc)), "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
  EXPECT_EQ(X(THASH::SHA384(abc)),
            "CB00753F45A35E8BB5A03D699AC65007272C32AB0EDED1631A8B605A43FF5BED8086072BA1E7CC2358BAECA134C825A7");
  EXPECT_EQ(X(THASH::MD5(PduStr())), "D41D8CD98F00B204E9800998ECF8427E");
  EXPECT_EQ(X(THASH::SHA1(PduStr())), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
  EXPECT_EQ(X(TSHA::SHA256(PduStr())), "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855");
  EXPECT_EQ(X(TSHA::SHA384(PduStr())),
            "38B060A751AC96384CD9327EB1B1E36A21FDB71114BE07434C0CC7BF63F6E1DA274EDEBFE76F65FBD51AD2F14898B95B");
  EXPECT_EQ(TSHA::SHA256(abc), THASH::SHA256(abc));
  EXPECT_EQ(TSHA::SHA384(abc), THASH::SHA384(abc));
  const THASH::TByteArray bytes{'a', 'b', 'c'};
  const THASH::TByteArray md5 = THASH::MD5(bytes);
  EXPECT_EQ(PduStr(md5.begin(), md5.end()), THASH::MD5(abc));

  uint8_t digest[48];
  EXPECT_EQ(HASH_Bytes(digest, 48, U8(abc), 3, kHashSHA384), 48);
  EXPECT_EQ(HASH_Bytes(digest, 31, U8(abc), 3, kHashSHA256), kCryptoBadParameter);
  EXPECT_EQ(HASH_Bytes(digest, 48, U8(abc), 3, 2), kCryptoBadParameter);
}

// A library that cannot be bound fails the call that needs it with the binding error; a
// later call binds again.
class CryptoLibBinding : public ::testing::Test {
 protected:
  void TearDown() override { CryptoLibRebind(nullptr, nullptr); }
};

TEST_F(CryptoLibBinding, MissingLibraryAndEntries) {
  const std::string lib = CryptoLibName();
  EXPECT_EQ(lib.rfind("libcrypto.so.", 0), 0u);

  CryptoLibRebind("no-such-provider", nullptr);
  try {
    TAES::AESEncrypt(PduStr(16, 'k'), PduStr(16, 'p'));
    FAIL() << "no error";
  } catch (const ELoadLibrary& e) {
    EXPECT_EQ(e.Message(), "Could not load " + lib);
    EXPECT_STREQ(e.ClassName(), "ELoadLibrary");
  }
  EXPECT_EQ(ErrorOf([] { GetRandomOctets(4); }), "Could not load " + lib);
  PduStr priv, pub;
  EXPECT_FALSE(ECGenerateKeyPair(1, priv, pub));
  EXPECT_EQ(ECLastError(), "Could not load " + lib);

  CryptoLibRebind(nullptr, "provider=no-such-provider");
  try {
    THASH::SHA1("abc");
    FAIL() << "no error";
  } catch (const EGetProcAddress& e) {
    EXPECT_EQ(e.Message(), "Could not load HASH_Bytes from " + lib);
  }
  PduStr ciphered;
  EXPECT_EQ(ErrorOf([&] {
              TGCMCipher::GCMEncrypt(PduStr(8, 'S'), "x", PduStr(16, 'k'), PduStr(16, 'a'),
                                     TSecurityControl::Construct({psEncryption}, false, 0), 1,
                                     PduStr(), ciphered);
            }),
            "Could not load GCM_Encrypt from " + lib);
  EXPECT_EQ(ErrorOf([] { TKeyWrap::Wrap(0, PduStr(16, 'k'), PduStr(16, 'K')); }),
            "Could not load CIPHER_KeyWrap from " + lib);
  EXPECT_EQ(ErrorOf([] { TAES::AESDecrypt(PduStr(32, 'k'), PduStr(16, 'p')); }),
            "Could not load AES256_Bytes from " + lib);

  CryptoLibRebind(nullptr, nullptr);
  EXPECT_EQ(X(THASH::SHA1("abc")), "A9993E364706816ABA3E25717850C26C9CD0D89D");
}
