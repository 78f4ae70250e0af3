// The server's key store: every key, the suite and the key pairs come from one security
// setup object (version 0 or 1) of the loaded device, read on every call, so that a key
// changed by SET or by key transfer is used by the next protection at once.
#pragma once
#include "cosem/security_setup.h"
#include "security/security_material.h"

namespace zv {

class TSecurityMaterialServer : public TSecurityMaterial {
 public:
  TSecurityMaterialServer() = default;
  explicit TSecurityMaterialServer(TCosemInstance_SecuritySetup* SecuritySetupObject)
      : FSecuritySetupObject(SecuritySetupObject) {}

  // The setup object the keys come from; not owned.
  TCosemInstance_SecuritySetup* SecuritySetupObject() const { return FSecuritySetupObject; }
  void SetSecuritySetupObject(TCosemInstance_SecuritySetup* Value) { FSecuritySetupObject = Value; }

  // A key that the object does not hold, an empty one, or one whose length is not the
  // suite's key size raises EKeyMissing.
  PduStr GetSymmetricKey(TKeyId KeyId) override;
  // Returns the key held (empty when the attribute is absent) and stores Value; an absent
  // attribute is created to hold a non-empty Value. kiKEK changes nothing and returns the
  // master key held.
  PduStr ReplaceSymmetricKey(TKeyId KeyId, const PduStr& Value) override;
  int GetSecuritySuite() override;
  // Version 1 objects only (version 0 holds no key pairs: assertion failure).
  PduStr GetPublicKey(const PduStr& SystemTitle, TKeyPairType KeyPairType) override;
  PduStr GetPrivateKey(const PduStr& SystemTitle, TKeyPairType KeyPairType) override;
  TKeyPair GetKeyPair(const PduStr& SystemTitle, TKeyPairType KeyPairType) override;

  // Puts the keys received by key transfer into force, in the order unicast encryption,
  // authentication, broadcast encryption, master key, and empties their pending fields.
  // Without a setup object it does nothing.
  void CompleteKeysTransfer();

 private:
  TCosemInstance_SecuritySetup& Object() const;
  TCosemInstance_SecuritySetup* FSecuritySetupObject = nullptr;
};

// The element id of the key attribute of a key id (same in both versions).
TXMLId KeyAttributeId(TKeyId KeyId);
// The key attribute of the given element id; an absent one is created empty first.
TOctetString& RequireKeyAttribute(TCosemInstance_SecuritySetup& SecuritySetupObject, TXMLId KeyAttribute);

// The key-pair lookup of version 1 objects. The own system title is ServerSystemTitle.
// Signing keys come from DigitalSignature certificates, agreement keys from KeyAgreement
// ones; a TLS or Other certificate met on the way is an assertion failure. A missing,
// empty or wrong-sized key raises EKeyMissing.
namespace TSecuritySetupObject_1_Helper {
// "Private key for %s is not available" unless SystemTitle is the own one and the key is there.
PduStr GetPrivateKey(TCosemInstance_SecuritySetup& Object, const PduStr& SystemTitle, TKeyPairType KeyPairType);
// The own ephemeral public key, else the public key of the first certificate of the
// subject that serves the type; "No %s public key for %s found" when none.
PduStr GetPublicKey(TCosemInstance_SecuritySetup& Object, const PduStr& SystemTitle, TKeyPairType KeyPairType);
// Makes the own ephemeral pair first when it is not there yet.
TKeyPair GetKeyPair(TCosemInstance_SecuritySetup& Object, const PduStr& SystemTitle, TKeyPairType KeyPairType);
}  // namespace TSecuritySetupObject_1_Helper

}  // namespace zv
