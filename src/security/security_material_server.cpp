#include "security/security_material_server.h"

#include "foundation/errors.h"

namespace zv {

namespace {

bool IsSetupObject(const TCOSEMInstance& Object) {
  return &Object.Type() == &T_SecuritySetupObject_0 || &Object.Type() == &T_SecuritySetupObject_1;
}

// Octets of a private key of the suite's curve; 0 when the suite has no curve (the curve
// code refuses such a suite itself).
size_t PrivateKeySize(int Suite) { return Suite == 1 ? 32 : Suite == 2 ? 48 : 0; }

std::string TitleText(const PduStr& SystemTitle) { return ByteStrToFormatedString(SystemTitle); }

bool IsOwnTitle(const TCosemInstance_SecuritySetup& Object, const PduStr& SystemTitle) {
  return SystemTitle == Object.ServerSystemTitle();
}

TCosemInstance_SecuritySetup& Version1(TCosemInstance_SecuritySetup& Object) {
  ZV_ASSERT(&Object.Type() == &T_SecuritySetupObject_1);
  return Object;
}

// Certificate type 0 serves signing, type 1 key agreement; TLS and Other certificates
// have no key-pair type.
TKeyPairType KeyPairTypeOfCertificate(int CertificateType) {
  ZV_ASSERT(CertificateType == ctDigitalSignature || CertificateType == ctKeyAgreement);
  return CertificateType == ctDigitalSignature ? kpSigning : kpAgreement;
}

}  // namespace

TXMLId KeyAttributeId(TKeyId KeyId) {
  switch (KeyId) {
    case kiGUEK: return xmlGlobalUnicastEncryptionKey;
    case kiGBEK: return xmlGlobalBroadCastEncryptionKey;
    case kiKEK: return xmlMasterKey;
    case kiGAK: return xmlGlobalAuthenticationKey;
    case kiDEK: return xmlDedicatedKey;
  }
  ZV_ASSERT(false);
  return xmlIgnore;
}

TOctetString& RequireKeyAttribute(TCosemInstance_SecuritySetup& SecuritySetupObject, TXMLId KeyAttribute) {
  if (TOctetString* key = SecuritySetupObject.KeyAttribute(KeyAttribute)) return *key;
  const TypeInfo& shape = SecuritySetupObject.Type().Shape();
  for (uint16_t i = 0; i < shape.memberCount; ++i) {
    if (shape.members[i].id != KeyAttribute) continue;
    ZV_ASSERT(SecuritySetupObject.Members[i] == nullptr);
    SecuritySetupObject.Members[i] = Create(*shape.members[i].type, KeyAttribute);
    return SecuritySetupObject.Members[i]->As<TOctetString>();
  }
  ZV_ASSERT(false);
  throw EAssertionFailed("RequireKeyAttribute");
}

// ---- TSecurityMaterialServer --------------------------------------------------------

TCosemInstance_SecuritySetup& TSecurityMaterialServer::Object() const {
  ZV_ASSERT(FSecuritySetupObject != nullptr && IsSetupObject(*FSecuritySetupObject));
  return *FSecuritySetupObject;
}

PduStr TSecurityMaterialServer::GetSymmetricKey(TKeyId KeyId) {
  const TXMLId id = KeyAttributeId(KeyId);
  const TOctetString* key = Object().KeyAttribute(id);
  // An absent or empty key (a device description without it, or no dedicated key in the
  // AARQ) must not reach the cipher as a zero-length key.
  if (!key || key->Value.empty())
    throw EKeyMissing(Format("Symmetric key %s is not available", DisplayName(KeyId).c_str()));
  const size_t size = static_cast<size_t>(SymetricKeySize());
  if (key->Value.size() != size)
    throw EKeyMissing(Format("Symmetric key %s has %d octets where %d are required", DisplayName(KeyId).c_str(),
                             static_cast<int>(key->Value.size()), static_cast<int>(size)));
  return key->Value;
}

PduStr TSecurityMaterialServer::ReplaceSymmetricKey(TKeyId KeyId, const PduStr& Value) {
  TCosemInstance_SecuritySetup& object = Object();
  const TXMLId id = KeyAttributeId(KeyId);
  TOctetString* key = object.KeyAttribute(id);
  if (KeyId == kiKEK) return key ? key->Value : PduStr();
  if (!key) {
    if (Value.empty()) return PduStr();
    key = &RequireKeyAttribute(object, id);
  }
  PduStr previous = std::move(key->Value);
  key->Value = Value;
  return previous;
}

int TSecurityMaterialServer::GetSecuritySuite() { return Object().SecuritySuite(); }

PduStr TSecurityMaterialServer::GetPublicKey(const PduStr& SystemTitle, TKeyPairType KeyPairType) {
  return TSecuritySetupObject_1_Helper::GetPublicKey(Version1(Object()), SystemTitle, KeyPairType);
}

PduStr TSecurityMaterialServer::GetPrivateKey(const PduStr& SystemTitle, TKeyPairType KeyPairType) {
  return TSecuritySetupObject_1_Helper::GetPrivateKey(Version1(Object()), SystemTitle, KeyPairType);
}

TKeyPair TSecurityMaterialServer::GetKeyPair(const PduStr& SystemTitle, TKeyPairType KeyPairType) {
  return TSecuritySetupObject_1_Helper::GetKeyPair(Version1(Object()), SystemTitle, KeyPairType);
}

void TSecurityMaterialServer::CompleteKeysTransfer() {
  if (!FSecuritySetupObject) return;
  TCosemInstance_SecuritySetup& object = Object();
  struct Pending {
    PduStr* value;
    TXMLId attribute;
  };
  const Pending order[] = {
      {&object.NewGlobalUnicastEncryptionKey, xmlGlobalUnicastEncryptionKey},
      {&object.NewGlobalAuthenticationKey, xmlGlobalAuthenticationKey},
      {&object.NewGlobalBroadCastEncryptionKey, xmlGlobalBroadCastEncryptionKey},
      {&object.NewMasterKey, xmlMasterKey},
  };
  for (const Pending& p : order) {
    if (p.value->empty()) continue;
    RequireKeyAttribute(object, p.attribute).Value = *p.value;
    p.value->clear();
  }
}

// ---- Version 1 key lookup -------------------------------------------------------------

namespace TSecuritySetupObject_1_Helper {

PduStr GetPrivateKey(TCosemInstance_SecuritySetup& Object, const PduStr& SystemTitle, TKeyPairType KeyPairType) {
  Version1(Object);
  const auto missing = [&] {
    return EKeyMissing(Format("Private key for %s is not available", TitleText(SystemTitle).c_str()));
  };
  if (!IsOwnTitle(Object, SystemTitle)) throw missing();
  const PduStr* key = nullptr;
  switch (KeyPairType) {
    case kpSigning:
    case kpAgreement: {
      const TOctetString* a =
          Object.KeyAttribute(KeyPairType == kpSigning ? xmlSignaturePrivateKey : xmlKeyAgreementPrivateKey);
      if (a) key = &a->Value;
      break;
    }
    case kpEphemeral: key = &Object.EphemeralPrivateKey; break;
    default: ZV_ASSERT(false);
  }
  if (!key || key->empty()) throw missing();
  const size_t size = PrivateKeySize(Object.SecuritySuite());
  if (size != 0 && key->size() != size)
    throw EKeyMissing(Format("Private key for %s has %d octets where %d are required", TitleText(SystemTitle).c_str(),
                             static_cast<int>(key->size()), static_cast<int>(size)));
  return *key;
}

PduStr GetPublicKey(TCosemInstance_SecuritySetup& Object, const PduStr& SystemTitle, TKeyPairType KeyPairType) {
  Version1(Object);
  ZV_ASSERT(KeyPairType <= kpEphemeral);
  const PduStr* key = nullptr;
  if (KeyPairType == kpEphemeral && IsOwnTitle(Object, SystemTitle)) {
    key = &Object.EphemeralPublicKey;
  } else if (const TSequenceOf* certificates = Object.Certificates()) {
    for (const PduPtr& element : certificates->FElements) {
      const auto& certificate = element->As<TSequence>();
      if (certificate.Get<TOctetString>(CertificateInfo::Subject).Value != SystemTitle) continue;
      if (KeyPairTypeOfCertificate(certificate.Get<TEnum>(CertificateInfo::CertificateType).Value) != KeyPairType)
        continue;
      // A certificate entry without its public key cannot serve; a later one may.
      if (const TCOSEMPduBase* publicKey = certificate.Member(CertificateInfo::PublicKey)) {
        key = &publicKey->As<TOctetString>().Value;
        break;
      }
    }
  }
  if (!key || key->empty())
    throw EKeyMissing(Format("No %s public key for %s found", DisplayName(KeyPairType).c_str(),
                             TitleText(SystemTitle).c_str()));
  const size_t size = 2 * PrivateKeySize(Object.SecuritySuite());
  if (size != 0 && key->size() != size)
    throw EKeyMissing(Format("%s public key for %s has %d octets where %d are required",
                             DisplayName(KeyPairType).c_str(), TitleText(SystemTitle).c_str(),
                             static_cast<int>(key->size()), static_cast<int>(size)));
  return *key;
}

TKeyPair GetKeyPair(TCosemInstance_SecuritySetup& Object, const PduStr& SystemTitle, TKeyPairType KeyPairType) {
  Version1(Object);
  if (KeyPairType == kpEphemeral && IsOwnTitle(Object, SystemTitle) && Object.EphemeralPrivateKey.empty())
    Object.GenerateEphemeralKeyPair(Object.SecuritySuite());
  PduStr privateKey = GetPrivateKey(Object, SystemTitle, KeyPairType);
  return TKeyPair::MakeKeyPair(privateKey, GetPublicKey(Object, SystemTitle, KeyPairType));
}

}  // namespace TSecuritySetupObject_1_Helper

}  // namespace zv
