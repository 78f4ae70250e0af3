// The security setup objects (versions 0 and 1) with their certificates, and their common
// C++ class, which holds the keys received by key transfer until the response that
// acknowledges them is sent, and the server's ephemeral key pair.
#pragma once
#include "cosem/cosem_instance.h"

namespace zv {

extern const TypeInfo T_SecuritySetupObject_0, T_SecuritySetupObject_1;
extern const TypeInfo T_SecurityPolicy, T_SecuritySuite, T_CertificateEntity, T_CertificateType, T_CertificateInfo,
    T_Certificates;

// Member positions of a certificate entry; PublicKey is optional (null when absent).
struct CertificateInfo {
  enum : size_t { CertificateEntity, CertificateType, SerialNumber, Issuer, Subject, SubjectAltName, PublicKey };
};
enum TCertificateTypeValue : int { ctDigitalSignature = 0, ctKeyAgreement = 1, ctTLS = 2, ctOther = 3 };

class TCosemInstance_SecuritySetup : public TCOSEMInstance {
 public:
  using TCOSEMInstance::TCOSEMInstance;

  // Keys received by key transfer, waiting to replace their attributes (octets; empty: none).
  PduStr NewGlobalUnicastEncryptionKey;
  PduStr NewGlobalBroadCastEncryptionKey;
  PduStr NewGlobalAuthenticationKey;
  PduStr NewMasterKey;
  // The server's ephemeral key pair: d, and x then y; empty until generated.
  PduStr EphemeralPrivateKey;
  PduStr EphemeralPublicKey;

  // A new ephemeral key pair on the suite's curve (1: P-256, 2: P-384); on failure both
  // keys stay empty and "Ephemeral key pair not generated" is raised.
  void GenerateEphemeralKeyPair(int SecuritySuite);

  // Attribute views, the same in both versions.
  int SecurityPolicy() const { return static_cast<int>(Get<TNumber>(1).AsUInt64()); }
  int SecuritySuite() const { return static_cast<int>(Get<TNumber>(2).AsUInt64()); }
  const PduStr& ClientSystemTitle() const { return Get<TOctetString>(3).Value; }
  const PduStr& ServerSystemTitle() const { return Get<TOctetString>(4).Value; }
  // A key attribute by its element id (xmlGlobalUnicastEncryptionKey, xmlGlobalBroadCastEncryptionKey,
  // xmlGlobalAuthenticationKey, xmlDedicatedKey, xmlMasterKey; version 1 also
  // xmlSignaturePrivateKey, xmlKeyAgreementPrivateKey); null when absent or not in this version.
  TOctetString* KeyAttribute(TXMLId key) const;
  // The certificates of version 1; null for version 0.
  TSequenceOf* Certificates() const;
};

}  // namespace zv
