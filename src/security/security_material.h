// The key store the protection layers and the data-protection layers take their keys
// from: symmetric keys by id, the security suite in force, and the key pairs of system
// titles. The server's store, which reads a security setup object, derives from it.
#pragma once
#include "security/protection_common_decl.h"

namespace zv {

class TSecurityMaterial {
 public:
  TSecurityMaterial() = default;
  virtual ~TSecurityMaterial() = default;
  TSecurityMaterial(const TSecurityMaterial&) = delete;
  TSecurityMaterial& operator=(const TSecurityMaterial&) = delete;

  // The octets of a symmetric key. A store that lacks the key raises EKeyMissing.
  virtual PduStr GetSymmetricKey(TKeyId KeyId) = 0;
  // Stores a new key and returns the previous one.
  virtual PduStr ReplaceSymmetricKey(TKeyId KeyId, const PduStr& Value) = 0;
  // 0, 1 or 2.
  virtual int GetSecuritySuite() = 0;
  // Key lookups by owner and type; a missing key raises EKeyMissing.
  virtual PduStr GetPublicKey(const PduStr& SystemTitle, TKeyPairType KeyPairType) = 0;
  virtual PduStr GetPrivateKey(const PduStr& SystemTitle, TKeyPairType KeyPairType) = 0;
  // May make the pair first (the server's own ephemeral pair is made on first use).
  virtual TKeyPair GetKeyPair(const PduStr& SystemTitle, TKeyPairType KeyPairType) = 0;
  // No store of this system changes key pairs: the default refuses.
  virtual TKeyPair ReplaceKeyPair(const PduStr& SystemTitle, TKeyPairType KeyPairType,
                                  const TKeyPair& Value);

  // 16 for suites 0 and 1, 32 for suite 2; another suite is an assertion failure.
  int SymetricKeySize();
  // 64 for suite 1, 96 for suite 2; another suite (0 included) is an assertion failure.
  int PublicKeySize();
  // A fresh key of SymetricKeySize octets from the secure generator, every octet 1 to 255.
  PduStr GetRandomSymetricKey();
};

}  // namespace zv
