// The words every protection unit speaks: the protection services and their set (defined
// with the primitives in crypto/protection_services.h), the kinds of key information, the
// symmetric key ids, the key-pair types, the key information record and key pairs, with
// the display names that logs and messages use.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>

#include "crypto/protection_services.h"
#include "foundation/misc.h"

namespace zv {

enum TKeyAgreementKind : uint8_t { kaOPDH, kaSUM, kaEUM };
enum TKeyInfoKind : uint8_t { kiIdentified, kiWrapped, kiAgreed };
// The five symmetric keys of a security setup object: global unicast and broadcast
// encryption keys, key-encryption (master) key, global authentication key, dedicated key.
enum TKeyId : uint8_t { kiGUEK, kiGBEK, kiKEK, kiGAK, kiDEK };
enum TKeyPairType : uint8_t { kpSigning, kpAgreement, kpEphemeral };

// The identifier without its two-letter prefix ("Authentication", "OPDH", "Wrapped",
// "GUEK", "Signing"); a value out of range is an assertion failure.
std::string DisplayName(TCOSEMProtectionService Value);
std::string DisplayName(TKeyAgreementKind Value);
std::string DisplayName(TKeyInfoKind Value);
std::string DisplayName(TKeyId Value);
std::string DisplayName(TKeyPairType Value);

// "[AUTHENTICATION,ENCRYPTION]": the upper-case display names in value order; "[]" when empty.
std::string ToString(TCOSEMProtectionServices Services);

class TKeyInfoKindSet {
 public:
  constexpr TKeyInfoKindSet() = default;
  constexpr TKeyInfoKindSet(std::initializer_list<TKeyInfoKind> kinds) {
    for (auto k : kinds) FBits = static_cast<uint8_t>(FBits | (1u << k));
  }
  constexpr bool Contains(TKeyInfoKind k) const { return (FBits & (1u << k)) != 0; }

 private:
  uint8_t FBits = 0;
};

// Four octets; only the field that the kind names is meaningful, the others stay 0.
struct TKeyInfo {
  TKeyInfoKind KeyInfoKind = kiIdentified;
  TKeyId KeyId = kiGUEK;
  TKeyId KekId = kiGUEK;
  TKeyAgreementKind KeyAgreementKind = kaOPDH;

  static TKeyInfo KeyInfoIdentified(TKeyId KeyId);
  static TKeyInfo KeyInfoWrapped(TKeyId KekId);
  static TKeyInfo KeyInfoAgreed(TKeyAgreementKind KeyAgreementKind);
  // All four octets, also those the kind does not use.
  static bool Equal(const TKeyInfo& K1, const TKeyInfo& K2);
  // "Identified KeyId=GUEK", "Wrapped KekId=KEK", "Agreed KeyAgreementKind=OPDH".
  std::string ToString() const;
};

// A private key (the scalar, big-endian, of the curve size) and a public key (x then y).
struct TKeyPair {
  PduStr PrivateKey;
  PduStr PublicKey;

  static TKeyPair MakeKeyPair(const PduStr& Priv, const PduStr& Pub) { return TKeyPair{Priv, Pub}; }
  // True when either key is empty.
  static bool IsEmpty(const TKeyPair& KeyPair) {
    return KeyPair.PrivateKey.empty() || KeyPair.PublicKey.empty();
  }
};

}  // namespace zv
