// Ciphered information under the security control octet, reproducing the glo ciphering of
// a GET request from the DLMS standard's published example, and the HLS-GMAC answers.
#include <gtest/gtest.h>

#include "crypto/gcm_cipher.h"
#include "foundation/errors.h"
#include "foundation/misc.h"
#include "support/error_of.h"

using namespace zv;
using zv::test::ErrorOf;

namespace {

PduStr H(const char* hex) { return HexStrToByteStr(hex); }

// The published example: system title, counter, keys and a get-request-normal of the clock.
const PduStr kTitle = H("4D4D4D0000BC614E");
const uint32_t kFC = 0x01234567;
const PduStr kEK = H("000102030405060708090A0B0C0D0E0F");
const PduStr kAK = H("D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF");
const PduStr kPlain = H("C0 01 00 00 08 00 00 01 00 00 FF 02 00");
const PduStr kCipher = H("41 13 12 FF 93 5A 47 56 68 27 C4 67 BC");
const PduStr kTagAuthEnc = H("7D 82 5C 3B E4 A7 7C 3F CC 05 6B 6B");
const PduStr kTagAuth = H("06 72 5D 91 0F 92 21 D2 63 87 75 16");

PduStr Encrypt(TCOSEMProtectionServices services, const PduStr& plain = kPlain,
               const PduStr& extra = PduStr()) {
  PduStr out;
  TGCMCipher::GCMEncrypt(kTitle, plain, kEK, kAK, TSecurityControl::Construct(services, false, 0),
                         kFC, extra, out);
  return out;
}

struct Decrypted {
  TSecurityControl sc;
  uint32_t fc = 0;
  PduStr info;
};

Decrypted Decrypt(const PduStr& ciphered, const PduStr& title = kTitle, const PduStr& ak = kAK,
                  const PduStr& extra = PduStr(), const PduStr& ek = kEK) {
  Decrypted d;
  TGCMCipher::GCMDecrypt(title, ciphered, extra, ek, ak, d.sc, d.fc, d.info);
  return d;
}

}  // namespace

TEST(GCMCipher, ReproducesTheGloGetRequestExample) {
  struct Row {
    TCOSEMProtectionServices services;
    PduStr expected;
  };
  const Row rows[] = {
      {{psAuthentication, psEncryption}, H("30 01234567") + kCipher + kTagAuthEnc},
      {{psAuthentication}, H("10 01234567") + kPlain + kTagAuth},
      // GCM's counter mode does not depend on the additional data: the same ciphertext.
      {{psEncryption}, H("20 01234567") + kCipher},
      {{}, H("00 01234567") + kPlain},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(static_cast<int>(r.services.Octet()));
    PduStr ciphered = Encrypt(r.services);
    EXPECT_EQ(ByteStrToHexStr(ciphered), ByteStrToHexStr(r.expected));
    Decrypted d = Decrypt(ciphered);
    EXPECT_EQ(d.info, kPlain);
    EXPECT_EQ(d.fc, kFC);
    EXPECT_EQ(d.sc.COSEMProtectionServices, r.services);
    EXPECT_EQ(d.sc.SecuritySuite, 0);
    EXPECT_FALSE(d.sc.BroadCast);
  }
  // The whole APDU of the example: tag C8, length 1E, ciphered information.
  PduStr apdu = H("C8 1E") + Encrypt({psAuthentication, psEncryption});
  EXPECT_EQ(ByteStrToHexStr(apdu),
            "C81E30012345674113" "12FF935A47566827C467BC7D825C3BE4A77C3FCC056B6B");
}

TEST(GCMCipher, AuthenticationCoversPlaintextKeysTitleAndCounter) {
  const PduStr auth = Encrypt({psAuthentication});
  PduStr otherTitle = kTitle;
  otherTitle[7] = 0x4F;
  PduStr otherAK = kAK;
  otherAK[0] = 0;
  struct Row { const char* what; PduStr ciphered; PduStr title; PduStr ak; PduStr extra; };
  PduStr plainChanged = auth, fcChanged = auth, scChanged = auth;
  plainChanged[5] = static_cast<char>(plainChanged[5] ^ 1);
  fcChanged[4] = static_cast<char>(fcChanged[4] ^ 1);
  scChanged[0] = 0x11;
  const PduStr both = Encrypt({psAuthentication, psEncryption});
  PduStr cipherChanged = both;
  cipherChanged[6] = static_cast<char>(cipherChanged[6] ^ 1);
  const Row rows[] = {
      {"plaintext", plainChanged, kTitle, kAK, PduStr()},
      {"counter", fcChanged, kTitle, kAK, PduStr()},
      {"suite in SC", scChanged, kTitle, kAK, PduStr()},
      {"system title", auth, otherTitle, kAK, PduStr()},
      {"authentication key", auth, kTitle, otherAK, PduStr()},
      {"extra AAD", auth, kTitle, kAK, H("01")},
      {"ciphertext", cipherChanged, kTitle, kAK, PduStr()},
      {"key of both", both, kTitle, otherAK, PduStr()},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    try {
      Decrypt(r.ciphered, r.title, r.ak, r.extra);
      ADD_FAILURE() << "no error";
    } catch (const EProtection& e) {
      EXPECT_EQ(e.Message(), "Authentication failure (Decrypt error)");
    }
  }
  // Extra AAD on both sides verifies.
  EXPECT_EQ(Decrypt(Encrypt({psAuthentication}, kPlain, H("AABB")), kTitle, kAK, H("AABB")).info, kPlain);
}

TEST(GCMCipher, EncryptionOnlyCarriesNoTag) {
  PduStr ciphered = Encrypt({psEncryption});
  ciphered[7] = static_cast<char>(ciphered[7] ^ 0x40);
  Decrypted d = Decrypt(ciphered);
  PduStr expected = kPlain;
  expected[2] = static_cast<char>(expected[2] ^ 0x40);
  EXPECT_EQ(d.info, expected);
}

TEST(GCMCipher, SuiteBroadcastAndLongKeys) {
  const PduStr ek32(32, '\x11');
  PduStr out;
  TGCMCipher::GCMEncrypt(kTitle, kPlain, ek32, kAK,
                         TSecurityControl::Construct({psAuthentication, psEncryption}, true, 2), 7,
                         PduStr(), out);
  EXPECT_EQ(static_cast<uint8_t>(out[0]), 0x72);
  EXPECT_EQ(out.size(), 5 + kPlain.size() + 12);
  Decrypted d = Decrypt(out, kTitle, kAK, PduStr(), ek32);
  EXPECT_EQ(d.info, kPlain);
  EXPECT_EQ(d.fc, 7u);
  EXPECT_EQ(d.sc.SecuritySuite, 2);
  EXPECT_TRUE(d.sc.BroadCast);
  // A key of no AES size is a library error.
  EXPECT_EQ(ErrorOf([&] { Decrypt(out, kTitle, kAK, PduStr(), PduStr(10, 'k')); }), "Crypto error -1");
}

TEST(GCMCipher, RefusesInputTooShortForItsControl) {
  struct Row { const char* hex; const char* error; };
  const Row rows[] = {
      {"", "Ciphered information too short"},
      {"30", "Ciphered information too short"},
      {"20 000000", "Ciphered information too short"},
      {"10 00000001 00112233445566778899AA", "Ciphered information too short"},  // 16 octets
      {"30 00000001 00112233445566778899AA", "Ciphered information too short"},
      {"00 00000001", nullptr},
      {"20 00000001", nullptr},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.hex);
    try {
      Decrypted d = Decrypt(H(r.hex));
      EXPECT_EQ(r.error, nullptr);
      EXPECT_EQ(d.info, PduStr());
    } catch (const EProtection& e) {
      ASSERT_NE(r.error, nullptr) << e.Message();
      EXPECT_EQ(e.Message(), r.error);
    }
  }
}

TEST(GCMCipher, CompressionAndSignatureAreAssertionFailures) {
  PduStr ciphered = Encrypt({psAuthentication, psEncryption});
  ciphered[0] = static_cast<char>(0xB0);  // compression bit: the tag no longer matches
  EXPECT_EQ(ErrorOf([&] { Decrypt(ciphered); }), "Authentication failure (Decrypt error)");
  // Compressed and authentic: decrypted, then refused.
  PduStr out;
  TGCMCipher::GCMEncrypt(kTitle, kPlain, kEK, kAK,
                         TSecurityControl::Construct({psAuthentication, psCompression}, false, 0),
                         kFC, PduStr(), out);
  EXPECT_EQ(static_cast<uint8_t>(out[0]), 0x90);
  EXPECT_EQ(ErrorOf([&] { Decrypt(out); }).rfind("Assertion failure (gcm_cipher.cpp", 0), 0u);
  EXPECT_EQ(ErrorOf([&] { Encrypt({psAuthentication, psSignature}); }).rfind("Assertion failure (gcm_cipher.cpp", 0), 0u);
}

TEST(GCMCipher, ChallengeAnswers) {
  // The answer is the authentication-only tag of the challenge under SC 0x10 and the counter.
  const PduStr answer = TGCMCipher::ResponseToChallenge(kTitle, kPlain, kEK, kAK, kFC, 0);
  EXPECT_EQ(ByteStrToHexStr(answer), "1001234567" "06725D910F9221D263877516");
  for (size_t length : {8u, 64u}) {
    PduStr a = TGCMCipher::ResponseToChallenge(kTitle, PduStr(length, 'c'), kEK, kAK, 1, 1);
    EXPECT_EQ(a.size(), 17u);
    EXPECT_EQ(static_cast<uint8_t>(a[0]), 0x11);
  }

  // The check takes the counter the peer put into its answer.
  const PduStr myChallenge = "P6wRJ21F";
  const PduStr peer = TGCMCipher::ResponseToChallenge(kTitle, myChallenge, kEK, kAK, 0x55AA, 0);
  EXPECT_TRUE(TGCMCipher::CheckOtherResponseToChallenge(kTitle, peer, myChallenge, kEK, kAK, 0));
  PduStr badTag = peer, badSC = peer;
  badTag[16] = static_cast<char>(badTag[16] ^ 1);
  badSC[0] = 0x11;
  for (const PduStr& bad : {badTag, badSC, peer.substr(0, 16), peer + "x", peer.substr(0, 3), PduStr()})
    EXPECT_FALSE(TGCMCipher::CheckOtherResponseToChallenge(kTitle, bad, myChallenge, kEK, kAK, 0));
  EXPECT_FALSE(TGCMCipher::CheckOtherResponseToChallenge(kTitle, peer, "P6wRJ21G", kEK, kAK, 0));
}
