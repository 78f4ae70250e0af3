#include "security/security_material.h"

#include "crypto/prng.h"
#include "foundation/errors.h"

namespace zv {

TKeyPair TSecurityMaterial::ReplaceKeyPair(const PduStr&, TKeyPairType, const TKeyPair&) {
  throw Exception("ReplaceKeyPair not implemented");
}

int TSecurityMaterial::SymetricKeySize() {
  switch (GetSecuritySuite()) {
    case 0:
    case 1: return 16;
    case 2: return 32;
  }
  ZV_ASSERT(false);
  return 0;
}

int TSecurityMaterial::PublicKeySize() {
  switch (GetSecuritySuite()) {
    case 1: return 64;
    case 2: return 96;
  }
  ZV_ASSERT(false);
  return 0;
}

PduStr TSecurityMaterial::GetRandomSymetricKey() {
  const size_t size = static_cast<size_t>(SymetricKeySize());
  PduStr key;
  // Zero octets are dropped and drawn again, which keeps the rest uniform over 1..255.
  while (key.size() < size) {
    for (char c : GetRandomOctets(static_cast<int>(size - key.size())))
      if (c != 0) key.push_back(c);
  }
  return key;
}

}  // namespace zv
