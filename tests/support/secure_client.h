// The security side of a DLMS client for tests, on the OpenSSL primitives that the other
// security tests share (AES-GCM, AES key wrap, ECDSA, ECDH, the key derivation), never on
// the system's own protection code: ciphered and signed AARQ and RLRQ user-information,
// the deciphering of the answers' user-information, and the high-level-security passes of
// HIGH_SECURITY_GMAC and HIGH_SECURITY_ECDSA. The octets of the ACSE APDUs are written here too; the answers are
// read with the APDU codecs.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/misc.h"
#include "security/protection_common_decl.h"

namespace zv::test::secure {

// A fresh key pair of a suite's curve (1: P-256, 2: P-384) made by OpenSSL, in the system's
// octet forms: private key the scalar big-endian, public key x then y.
TKeyPair NewKeyPair(int Suite);

// AES key wrap under a 16- or 32-octet key-encryption key.
PduStr KeyWrap(const PduStr& Key, const PduStr& Kek);

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
  TKeyPair ClientSigning, ClientAgreement;
  PduStr ServerSigningPublic, ServerAgreementPublic;
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
