#include "server/transfer_context.h"

#include "apdu/conformance.h"
#include "cosem/association_classes.h"
#include "cosem/cosem_instance.h"
#include "crypto/prng.h"
#include "security/protection_layers.h"
#include "security/security_material.h"
#include "server/gbt.h"

namespace zv {

namespace {

// A uniform number 0 .. N-1 from the secure generator; octets that would favour the low
// numbers are drawn again.
int UniformBelow(int n) {
  const int limit = 256 - 256 % n;
  for (;;) {
    int b = static_cast<uint8_t>(GetRandomOctets(1)[0]);
    if (b < limit) return b % n;
  }
}

PduPtr CloneOf(const TCOSEMInstance& value, const TypeInfo& expected) {
  if (!value.IsA(expected)) throw EInvalidCast("Invalid class typecast");
  return value.Clone();
}

}  // namespace

TTransferContext::TTransferContext() = default;
TTransferContext::~TTransferContext() = default;

TCOSEMInstance* TTransferContext::CurrentLNAssociationObject() const {
  return static_cast<TCOSEMInstance*>(FCurrentLNAssociationObject.get());
}

TCOSEMInstance* TTransferContext::CurrentSNAssociationObject() const {
  return static_cast<TCOSEMInstance*>(FCurrentSNAssociationObject.get());
}

void TTransferContext::SetCurrentLNAssociationObjectClone(const TCOSEMInstance& value) {
  FCurrentLNAssociationObject = CloneOf(value, T_LNAssociationObject_3);
}

void TTransferContext::SetCurrentSNAssociationObjectClone(const TCOSEMInstance& value) {
  FCurrentSNAssociationObject = CloneOf(value, T_SNAssociationObject_4);
}

void TTransferContext::MakeChallenge() {
  FMyChallenge.clear();
  if (MechanismName == TObjectIdentifier::HIGH_SECURITY) {
    PduStr r = GetRandomOctets(7);
    for (char c : r) FMyChallenge.push_back("0123456789ABCDEF"[static_cast<uint8_t>(c) & 15]);
    FMyChallenge.push_back(static_cast<char>('0' + UniformBelow(6)));
    return;
  }
  FMyChallenge = GetRandomOctets(8 + UniformBelow(9));
}

TConformance* TTransferContext::AgreedConformance() const {
  return FAgreedConformance ? &FAgreedConformance->As<TConformance>() : nullptr;
}

void TTransferContext::SetAgreedConformance(const TConformance& value) { FAgreedConformance = value.Clone(); }

bool TTransferContext::InLNContext() const {
  return ApplicationContextName == TObjectIdentifier::LN || ApplicationContextName == TObjectIdentifier::LN_WITH_CIPHERING;
}

TCOSEMInstance* TTransferContext::GetCurrentAssociation() const {
  return InLNContext() ? CurrentLNAssociationObject() : CurrentSNAssociationObject();
}

int TTransferContext::GetAssociationStatus() const {
  if (FCurrentSNAssociationObject) return FSNAssociationStatus;
  if (FCurrentLNAssociationObject) return TLNAssociation::AssociationStatus(*CurrentLNAssociationObject());
  return 0;
}

void TTransferContext::SetAssociationStatus(int status) {
  if (FCurrentLNAssociationObject) {
    TLNAssociation::SetAssociationStatus(*CurrentLNAssociationObject(), status);
  } else if (FCurrentSNAssociationObject) {
    FSNAssociationStatus = status;
  } else {
    CheckAssertion(false, 1148);
  }
}

void TTransferContext::SetProtectionOfRequestReceived(std::unique_ptr<TProtectionLayers> value) {
  FProtectionOfRequestReceived = std::move(value);
}

bool TTransferContext::RequestHasEnoughProtection(TCOSEMProtectionServices) const { return true; }

}  // namespace zv
