#include "security/protection_layers.h"

#include "foundation/codec.h"
#include "foundation/errors.h"

namespace zv {

namespace {

TCOSEMProtectionServices Selected(const TProtectionLayer& l, TProtectionServicesSelector selector) {
  switch (selector) {
    case psCurrent: return l.COSEMProtectionServices;
    case psPMax: return l.MaxCOSEMProtectionServices;
    case psPMin: return l.MinCOSEMProtectionServices;
  }
  ZV_ASSERT(false);
  return {};
}

}  // namespace

COSEMpduPtr TProtectionLayers::Remove(const PduStr& FromPdu, TSecurityMaterial* SecurityMaterial,
                                      const TLoggingContext* LoggingContext, const PduStr& SystemTitle) {
  PduStr octets = FromPdu;
  COSEMpduPtr inner;
  // Every layer strips octets, so peeling ends; the bound keeps a peer's deep nesting cheap.
  for (int depth = 0;; ++depth) {
    std::unique_ptr<TProtectionLayer> layer;
    COSEMpduPtr next;
    if (!TProtectionLayer::PDURemove(octets, SecurityMaterial, LoggingContext, SystemTitle, next, layer))
      return inner;
    if (depth >= kMaxNesting) throw EProtection("Protection layers nested too deeply");
    FItems.insert(FItems.begin(), std::move(layer));
    inner = std::move(next);
    octets = TProtectionLayer::EncodeToPdu(*inner);
  }
}

COSEMpduPtr TProtectionLayers::Apply(const TCOSEMpdu& COSEMPdu, TSecurityMaterial* SecurityMaterial,
                                     const TLoggingContext* LoggingContext) {
  COSEMpduPtr current;
  for (const auto& layer : FItems) {
    layer->SecurityMaterial = SecurityMaterial;
    layer->LoggingContext = LoggingContext;
    current = layer->ApplyToCOSEMPdu(current ? *current : COSEMPdu);
  }
  return current;
}

TProtectionServices TProtectionLayers::GetProtectionServices(TProtectionServicesSelector Selector) const {
  uint8_t bits = 0;
  for (const auto& l : FItems) bits = static_cast<uint8_t>(bits | Selected(*l, Selector).Octet());
  return COSEMProtectionServicesToCTI(TCOSEMProtectionServices::FromOctet(bits));
}

bool TProtectionLayers::HasProtectionServices(TProtectionServicesSelector Selector,
                                              TProtectionServices ProtectionServices) const {
  return GetProtectionServices(Selector).ContainsAll(ProtectionServices);
}

bool TProtectionLayers::UseDedicatedServices() const {
  for (const auto& l : FItems)
    if (auto* g = dynamic_cast<const TProtectionLayerGloDed*>(l.get()); g && g->Dedicated) return true;
  return false;
}

bool TProtectionLayers::HasLayerWithServiceSpecificStyle() const {
  return GetFirst<TProtectionLayerGloDedService>() != nullptr;
}

bool TProtectionLayers::CheckRecipientSystemTitle(const PduStr& SystemTitle) const {
  for (const auto& l : FItems)
    if (auto* g = dynamic_cast<const TProtectionLayerGeneral*>(l.get()); g && g->RecipientSystemTitle != SystemTitle)
      return false;
  return true;
}

void TProtectionLayers::CheckFrameCounter(uint32_t& LastFC) const {
  for (const auto& l : FItems) {
    uint32_t fc;
    if (auto* c = dynamic_cast<const TProtectionLayerGeneralCiphering*>(l.get()))
      fc = c->FrameCounter;
    else if (auto* g = dynamic_cast<const TProtectionLayerGloDed*>(l.get()))
      fc = g->FrameCounter;
    else
      continue;
    if (LastFC >= fc) throw EProtection("IC reused");
    LastFC = fc;
  }
}

void TProtectionLayers::SetMinimumProtection() {
  for (auto& l : FItems) l->MinCOSEMProtectionServices = l->COSEMProtectionServices;
}

void TProtectionLayers::SetMaximumProtection() {
  for (auto& l : FItems) l->MaxCOSEMProtectionServices = l->COSEMProtectionServices;
}

void TProtectionLayers::RemoveProtectionServices(TProtectionServices ProtectionServices) {
  const uint8_t remove = CTIToCOSEMProtectionServices(ProtectionServices).Octet();
  for (auto& l : FItems)
    l->COSEMProtectionServices =
        TCOSEMProtectionServices::FromOctet(static_cast<uint8_t>(l->COSEMProtectionServices.Octet() & ~remove));
}

void TProtectionLayers::ForceProtection(TProtectionServices RequiredProtectionServices) {
  for (auto& l : FItems) l->COSEMProtectionServices = {};
  RealizeProtection(RequiredProtectionServices);
}

void TProtectionLayers::RealizeProtection(TProtectionServices RequiredProtectionServices) {
  uint8_t missing = static_cast<uint8_t>(RequiredProtectionServices.Octet() & ~GetProtectionServices(psCurrent).Octet());
  for (auto& l : FItems) {
    if (!missing) break;
    const uint8_t current = l->COSEMProtectionServices.Octet();
    const uint8_t add = static_cast<uint8_t>(l->MaxCOSEMProtectionServices.Octet() & ~current & missing);
    l->COSEMProtectionServices = TCOSEMProtectionServices::FromOctet(static_cast<uint8_t>(current | add));
    missing = static_cast<uint8_t>(missing & ~add);
  }
  if (!missing) return;
  std::string names;
  for (int s = rcAUTHENTICATION; s <= rcCOMPRESSION; ++s) {
    if (!(missing & (1u << s))) continue;
    if (!names.empty()) names += " ,";
    names += DisplayName(static_cast<TProtectionService>(s));
  }
  throw Exception(Format("Protection services %s cannot be added or set in the layers", names.c_str()));
}

void TProtectionLayers::RemoveSingleEmptySymmetricLayer() {
  if (FItems.size() != 1) return;
  if (dynamic_cast<const TProtectionLayerGloDed*>(FItems[0].get()) && FItems[0]->COSEMProtectionServices.Empty())
    FItems.clear();
}

void TProtectionLayers::SetLayersCallBacks(const TProtectionAppliedProc& CallBack1,
                                           const TApplyingProtectionProc& Callback2) {
  for (auto& l : FItems) {
    l->ProtectionAppliedProc = CallBack1;
    l->ApplyingProtectionProc = Callback2;
  }
}

TProtectionServices TProtectionLayers::COSEMProtectionServicesToCTI(TCOSEMProtectionServices Services) {
  return TProtectionServices::FromOctet(Services.Octet());
}

TCOSEMProtectionServices TProtectionLayers::CTIToCOSEMProtectionServices(TProtectionServices Services) {
  return TCOSEMProtectionServices::FromOctet(Services.Octet());
}

TProtectionService TProtectionLayers::COSEMProtectionServiceToCTI(TCOSEMProtectionService Service) {
  switch (Service) {
    case psAuthentication: return rcAUTHENTICATION;
    case psEncryption: return rcENCRYPTION;
    case psSignature: return rcSIGNATURE;
    default: break;
  }
  ZV_ASSERT(false);
  return rcAUTHENTICATION;
}

TCOSEMProtectionService TProtectionLayers::CTIToCOSEMProtectionService(TProtectionService Service) {
  switch (Service) {
    case rcAUTHENTICATION: return psAuthentication;
    case rcENCRYPTION: return psEncryption;
    case rcSIGNATURE: return psSignature;
    default: break;
  }
  ZV_ASSERT(false);
  return psAuthentication;
}

}  // namespace zv
