#include "cosem/security_setup.h"

#include "crypto/elliptic_stuff_interface.h"

namespace zv {

namespace {

constexpr EnumName kCertificateEntityNames[] = {
    {0, "Server"}, {1, "Client"}, {2, "CertificationAuthority"}, {3, "Other"},
};
constexpr EnumName kCertificateTypeNames[] = {
    {0, "DigitalSignature"}, {1, "KeyAgreement"}, {2, "TLS"}, {3, "Other"},
};

// The public key of the subject is this system's addition to a certificate entry.
constexpr MemberInfo kCertificateInfo[] = {
    Mem(xmlCertificateEntity, T_CertificateEntity),
    Mem(xmlCertificateType, T_CertificateType),
    Mem(xmlSerialNumber, T_OctetString),
    Mem(xmlIssuer, T_OctetString),
    Mem(xmlSubject, T_OctetString),
    Mem(xmlSubjectAltName, T_OctetString),
    Opt(xmlPublicKey, T_OctetString),
};

// The keys follow the class's attributes so that a device description carries them.
constexpr MemberInfo kSecuritySetup0[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlSecurityPolicy, T_SecurityPolicy),
    Mem(xmlSecuritySuite, T_SecuritySuite),
    Mem(xmlClientSystemTitle, T_OctetString),
    Mem(xmlServerSystemTitle, T_OctetString),
    Opt(xmlGlobalUnicastEncryptionKey, T_OctetString),
    Opt(xmlGlobalBroadCastEncryptionKey, T_OctetString),
    Opt(xmlGlobalAuthenticationKey, T_OctetString),
    Opt(xmlDedicatedKey, T_OctetString),
    Opt(xmlMasterKey, T_OctetString),
};
constexpr MemberInfo kSecuritySetup1[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlSecurityPolicy, T_SecurityPolicy),
    Mem(xmlSecuritySuite, T_SecuritySuite),
    Mem(xmlClientSystemTitle, T_OctetString),
    Mem(xmlServerSystemTitle, T_OctetString),
    Mem(xmlCertificates, T_Certificates),
    Opt(xmlGlobalUnicastEncryptionKey, T_OctetString),
    Opt(xmlGlobalBroadCastEncryptionKey, T_OctetString),
    Opt(xmlGlobalAuthenticationKey, T_OctetString),
    Opt(xmlDedicatedKey, T_OctetString),
    Opt(xmlMasterKey, T_OctetString),
    Opt(xmlSignaturePrivateKey, T_OctetString),
    Opt(xmlKeyAgreementPrivateKey, T_OctetString),
};

TCOSEMPduBase* AllocSecuritySetup(const TypeInfo& t, TXMLId id) { return new TCosemInstance_SecuritySetup(t, id); }

template <size_t N>
constexpr TypeInfo SecuritySetupType(const char* name, TXMLId own, const MemberInfo (&attributes)[N], int version) {
  TypeInfo t = InterfaceClassType(name, own, attributes, 64, version, &TCosemInstance_SecuritySetup_Type);
  t.alloc = AllocSecuritySetup;
  return t;
}

}  // namespace

// Policy and suite are unsigned octets that travel as enums.
constinit const TypeInfo T_SecurityPolicy = NumberType("T_SecurityPolicy", xml_SecurityPolicy, NumKind::U8, 22);
constinit const TypeInfo T_SecuritySuite = NumberType("T_SecuritySuite", xml_SecuritySuite, NumKind::U8, 22);
constinit const TypeInfo T_CertificateEntity =
    EnumType("T_CertificateEntity", xml_CertificateEntity, kCertificateEntityNames);
constinit const TypeInfo T_CertificateType = EnumType("T_CertificateType", xml_CertificateType, kCertificateTypeNames);
constinit const TypeInfo T_CertificateInfo = SequenceType("T_CertificateInfo", xml_CertificateInfo, kCertificateInfo);
constinit const TypeInfo T_Certificates =
    SequenceOfType("T_Certificates", xml_Certificates, T_CertificateInfo, xml_CertificateInfo);
constinit const TypeInfo T_SecuritySetupObject_0 =
    SecuritySetupType("T_SecuritySetupObject_0", xml_SecuritySetupObject_0, kSecuritySetup0, 0);
constinit const TypeInfo T_SecuritySetupObject_1 =
    SecuritySetupType("T_SecuritySetupObject_1", xml_SecuritySetupObject_1, kSecuritySetup1, 1);

void TCosemInstance_SecuritySetup::GenerateEphemeralKeyPair(int SecuritySuite) {
  EphemeralPublicKey.clear();
  EphemeralPrivateKey.clear();
  PduStr privateKey, publicKey;
  if (!ECGenerateKeyPair(SecuritySuite, privateKey, publicKey)) throw Exception("Ephemeral key pair not generated");
  EphemeralPrivateKey = std::move(privateKey);
  EphemeralPublicKey = std::move(publicKey);
}

TOctetString* TCosemInstance_SecuritySetup::KeyAttribute(TXMLId key) const {
  TCOSEMPduBase* m = M(key);
  // Attributes 1 to 5 are octet strings too; only the key attributes are asked for.
  if (!m || key == xmlName || key == xmlClientSystemTitle || key == xmlServerSystemTitle) return nullptr;
  return dynamic_cast<TOctetString*>(m);
}

TSequenceOf* TCosemInstance_SecuritySetup::Certificates() const {
  TCOSEMPduBase* m = M(xmlCertificates);
  return m ? &m->As<TSequenceOf>() : nullptr;
}

}  // namespace zv
