#include "security/protection_common_decl.h"

#include <iterator>

#include "foundation/errors.h"

namespace zv {

namespace {

constexpr const char* kServiceNames[] = {"Authentication", "Encryption", "Signature", "Compression"};
constexpr const char* kAgreementNames[] = {"OPDH", "SUM", "EUM"};
constexpr const char* kKindNames[] = {"Identified", "Wrapped", "Agreed"};
constexpr const char* kKeyIdNames[] = {"GUEK", "GBEK", "KEK", "GAK", "DEK"};
constexpr const char* kKeyPairNames[] = {"Signing", "Agreement", "Ephemeral"};

template <size_t N>
std::string NameOf(const char* const (&names)[N], unsigned value) {
  ZV_ASSERT(value < N);
  return names[value];
}

}  // namespace

std::string DisplayName(TCOSEMProtectionService Value) { return NameOf(kServiceNames, Value); }
std::string DisplayName(TKeyAgreementKind Value) { return NameOf(kAgreementNames, Value); }
std::string DisplayName(TKeyInfoKind Value) { return NameOf(kKindNames, Value); }
std::string DisplayName(TKeyId Value) { return NameOf(kKeyIdNames, Value); }
std::string DisplayName(TKeyPairType Value) { return NameOf(kKeyPairNames, Value); }

std::string ToString(TCOSEMProtectionServices Services) {
  std::string s = "[";
  for (unsigned i = 0; i < std::size(kServiceNames); ++i) {
    auto service = static_cast<TCOSEMProtectionService>(i);
    if (!Services.Contains(service)) continue;
    if (s.size() > 1) s += ",";
    s += UpperCase(DisplayName(service));
  }
  return s + "]";
}

TKeyInfo TKeyInfo::KeyInfoIdentified(TKeyId KeyId) {
  TKeyInfo k;
  k.KeyInfoKind = kiIdentified;
  k.KeyId = KeyId;
  return k;
}

TKeyInfo TKeyInfo::KeyInfoWrapped(TKeyId KekId) {
  TKeyInfo k;
  k.KeyInfoKind = kiWrapped;
  k.KekId = KekId;
  return k;
}

TKeyInfo TKeyInfo::KeyInfoAgreed(TKeyAgreementKind KeyAgreementKind) {
  TKeyInfo k;
  k.KeyInfoKind = kiAgreed;
  k.KeyAgreementKind = KeyAgreementKind;
  return k;
}

bool TKeyInfo::Equal(const TKeyInfo& K1, const TKeyInfo& K2) {
  return K1.KeyInfoKind == K2.KeyInfoKind && K1.KeyId == K2.KeyId && K1.KekId == K2.KekId &&
         K1.KeyAgreementKind == K2.KeyAgreementKind;
}

std::string TKeyInfo::ToString() const {
  switch (KeyInfoKind) {
    case kiIdentified: return DisplayName(KeyInfoKind) + " KeyId=" + DisplayName(KeyId);
    case kiWrapped: return DisplayName(KeyInfoKind) + " KekId=" + DisplayName(KekId);
    case kiAgreed: return DisplayName(KeyInfoKind) + " KeyAgreementKind=" + DisplayName(KeyAgreementKind);
  }
  ZV_ASSERT(false);
  return std::string();
}

}  // namespace zv
