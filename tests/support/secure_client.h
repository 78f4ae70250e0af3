// The security side of a DLMS client for tests, written directly with OpenSSL (AES-GCM,
// AES key wrap, ECDSA, ECDH, digests) and never with the system's own protection code:
// ciphered and signed AARQ and RLRQ user-information, the deciphering of the answers'
// user-information, and the high-level-security passes of HIGH_SECURITY_GMAC and
// HIGH_SECURITY_ECDSA. The octets of the ACSE APDUs are written here too; the answers are
// read with the APDU codecs.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/misc.h"

namespace zv::test::secure {

// ---- Primitives ------------------------------------------------------------------------

// A-XDR length and octets.
PduStr Octets(const PduStr& Value);
// BER element: tag, definite length, contents.
PduStr Ber(uint8_t Tag, const PduStr& Contents);

// The ciphered information of a security control octet SC: SC, FC (4 octets big-endian),
// the ciphertext (or the plaintext when not encrypted) and the 12-octet tag when
// authenticated. The IV is Title followed by FC; the AAD SC, AK, ExtraAad (and the
// plaintext when only authenticated).
PduStr GcmProtect(uint8_t SC, uint32_t FC, const PduStr& Title, const PduStr& Plain, const PduStr& EK,
                  const PduStr& AK, const PduStr& ExtraAad = PduStr());
struct TDeciphered {
  uint8_t SC = 0;
  uint32_t FC = 0;
  PduStr Plain;
};
// Raises when the information is too short or its tag does not verify.
TDeciphered GcmUnprotect(const PduStr& Title, const PduStr& Information, const PduStr& EK, const PduStr& AK,
                         const PduStr& ExtraAad = PduStr());

// AES key wrap (RFC 3394) under a 16- or 32-octet key-encryption key.
PduStr KeyWrap(const PduStr& Key, const PduStr& Kek);

// The HLS-GMAC answer to a challenge: SC (0x10 + suite), FC and the GMAC tag of
// SC ‖ AK ‖ Challenge under EK with the IV Title ‖ FC.
PduStr GmacAnswer(const PduStr& Title, const PduStr& Challenge, const PduStr& EK, const PduStr& AK, uint32_t FC,
                  int Suite);

// The single-step key derivation of key agreement: the first key-size octets of
// hash(00000001 ‖ Z ‖ algorithm id ‖ PartU ‖ PartV), SHA-256 for suite 1, SHA-384 for suite 2.
PduStr Kdf(int Suite, const PduStr& Z, const PduStr& PartU, const PduStr& PartV);

// A key of the curve of a suite (1: P-256, 2: P-384) in the system's octet forms: private key
// the scalar big-endian, public key x then y; signatures r then s.
class TEcKey {
 public:
  ~TEcKey();
  TEcKey(TEcKey&&) noexcept;
  TEcKey& operator=(TEcKey&&) noexcept;
  static TEcKey Generate(int Suite);
  static TEcKey FromPublicKey(int Suite, const PduStr& PublicKey);

  PduStr PrivateKey() const;
  PduStr PublicKey() const;
  // ECDSA with SHA-256 or SHA-384.
  PduStr Sign(const PduStr& Message) const;
  bool Verify(const PduStr& Message, const PduStr& Signature) const;
  // ECDH: the x coordinate of the shared point.
  PduStr SharedSecret(const TEcKey& Peer) const;
  int Suite() const { return FSuite; }

 private:
  TEcKey(int Suite, void* Key) : FSuite(Suite), FKey(Key) {}
  int FSuite = 0;
  void* FKey = nullptr;  // EVP_PKEY
};

// ---- The client side -----------------------------------------------------------------

// How the client protects the user-information of its AARQ or RLRQ.
enum class TUserInfoProtection {
  Plain,
  ServiceGlo,        // glo-InitiateRequest
  ServiceDed,        // ded-InitiateRequest (the dedicated key)
  GeneralGlo,        // general-glo-ciphering
  SignedGeneralGlo,  // general signing over general-glo-ciphering (suites 1 and 2)
  AgreedKey,         // general ciphering with a key agreed by the static unified model
};
const char* Name(TUserInfoProtection Protection);

// What the client knows. Keys of the suite's size; the key pairs only for suites 1 and 2.
struct TClientKeys {
  int Suite = 0;
  PduStr ClientTitle;
  PduStr ServerTitle;
  PduStr GUEK, GAK, KEK, DEK;
  std::shared_ptr<TEcKey> ClientSigning, ClientAgreement;
  std::shared_ptr<TEcKey> ServerSigning, ServerAgreement;  // the server's public keys suffice
};

// One layer found on an answer.
struct TLayerSeen {
  uint8_t Tag = 0;
  uint8_t SC = 0;
  uint32_t FC = 0;
  PduStr Title;  // the system title of the IV, or the originator of a signature
};

struct TAarqRequest {
  std::string Context = "LN_WITH_CIPHERING";  // LN, SN, LN_WITH_CIPHERING, SN_WITH_CIPHERING
  std::string Mechanism;                       // empty: none; else e.g. "HIGH_SECURITY_GMAC"
  PduStr CallingAPTitle;                       // the client's title when empty and ciphered
  PduStr CallingAuthenticationValue;           // CtoS
  PduStr DedicatedKey;                         // in the InitiateRequest
  uint32_t ProposedConformance = 0x007E1F;
  int MaxPduSize = 0x4B0;
};

class TSecureClient {
 public:
  explicit TSecureClient(TClientKeys Keys) : Keys(std::move(Keys)) {}

  TClientKeys Keys;
  // The invocation counter of the next protection the client applies; counts up.
  uint32_t FC = 0x100;
  // Overrides the security control octet of the next protections (0: the suite with
  // authentication and encryption).
  uint8_t SC = 0;

  // The octets of an InitiateRequest.
  static PduStr InitiateRequest(const PduStr& DedicatedKey, uint32_t Conformance, int MaxPduSize);
  // The xDLMS APDU protected as asked.
  PduStr Protect(const PduStr& Apdu, TUserInfoProtection Protection);
  // An AARQ whose user-information is the InitiateRequest protected as asked.
  PduStr Aarq(const TAarqRequest& Request, TUserInfoProtection Protection);
  // An RLRQ (reason normal) with the InitiateRequest protected as asked; Plain: none.
  PduStr Rlrq(TUserInfoProtection Protection);
  // The glo- form of a GET, SET or ACTION request (tags 0xC0, 0xC1, 0xC3).
  PduStr GloService(const PduStr& Apdu);

  // Peels an answer's user-information (the APDU octets) with the server's keys: the plain
  // xDLMS APDU; the layers found are appended to Seen. Raises on a tag that does not
  // verify or an invalid signature.
  PduStr Unprotect(const PduStr& Apdu, const PduStr& ServerTitle, std::vector<TLayerSeen>* Seen = nullptr) const;

  // HLS passes. StoC is the server's challenge, CtoS the client's.
  PduStr GmacPass3(const PduStr& StoC, uint32_t Counter) const;
  bool GmacPass4Valid(const PduStr& Answer, const PduStr& CtoS) const;
  PduStr EcdsaPass3(const PduStr& StoC, const PduStr& CtoS) const;
  bool EcdsaPass4Valid(const PduStr& Answer, const PduStr& StoC, const PduStr& CtoS) const;

 private:
  uint8_t Control() const { return SC ? SC : static_cast<uint8_t>(0x30 | Keys.Suite); }
};

}  // namespace zv::test::secure
