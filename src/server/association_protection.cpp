#include "server/association_protection.h"

#include <memory>

#include "cosem/frame_counter.h"
#include "foundation/errors.h"
#include "security/protection_layers.h"
#include "security/security_material_server.h"
#include "security/user_information_protection.h"
#include "server/transfer_context.h"

namespace zv {

namespace {

uint32_t NextCounter() { return TFrameCounter::GetNext(); }

// The layer that answers a received one; null for a layer that gives none.
std::unique_ptr<TProtectionLayer> ResponseLayerOf(const TTransferContext& Context, const TProtectionLayer& Received) {
  if (const auto* signing = dynamic_cast<const TProtectionLayerGeneralSigning*>(&Received)) {
    auto layer = std::make_unique<TProtectionLayerGeneralSigning>();
    layer->TransactionId = signing->TransactionId;
    layer->OriginatorSystemTitle = signing->RecipientSystemTitle;
    layer->RecipientSystemTitle = signing->OriginatorSystemTitle;
    layer->COSEMProtectionServices = {psSignature};
    return layer;
  }
  std::unique_ptr<TProtectionLayerGloDed> layer;
  if (dynamic_cast<const TProtectionLayerGloDedService*>(&Received))
    layer = std::make_unique<TProtectionLayerGloDedService>();
  else if (dynamic_cast<const TProtectionLayerGloDedGeneral*>(&Received))
    layer = std::make_unique<TProtectionLayerGloDedGeneral>();
  else
    return nullptr;
  layer->SystemTitle = Context.MySystemTitle;
  layer->COSEMProtectionServices = {psAuthentication, psEncryption};
  layer->FrameCounterFunc = NextCounter;
  return layer;
}

}  // namespace

namespace TAssociationProtection {

void MakeSecurityMaterial(TTransferContext& Context) {
  if (Context.SecuritySetupObject)
    Context.SecurityMaterial = std::make_unique<TSecurityMaterialServer>(Context.SecuritySetupObject);
  else
    Context.SecurityMaterial.reset();
}

void UnprotectUserInformation(TTransferContext& Context, TBERCOSEMpdu& UserInformation, const char* NotSufficient) {
  if (!Context.SecurityMaterial) throw EProtection("No key store for the ciphered association");
  Context.SetProtectionOfRequestReceived(TUserInformationProtection::UnProtectUserInformation(
      UserInformation, Context.SecurityMaterial.get(), Context.LoggingContext, Context.ClientSystemTitle));
  if (!Context.ProtectionOfRequestReceived()->HasProtectionServices(psCurrent, {rcAUTHENTICATION, rcENCRYPTION}))
    throw EProtection(NotSufficient);
}

void ProtectResponseUserInformation(TTransferContext& Context, TBERCOSEMpdu& UserInformation) {
  if (!Context.SecurityMaterial) throw EProtection("No key store for the ciphered association");
  const TProtectionLayers* received = Context.ProtectionOfRequestReceived();
  if (!received) return;
  TProtectionLayers response;
  for (int i = 0; i < received->Count(); ++i)
    if (auto layer = ResponseLayerOf(Context, received->Items(i))) response.Add(std::move(layer));
  COSEMpduPtr protectedPdu = response.Apply(UserInformation, Context.SecurityMaterial.get(), Context.LoggingContext);
  if (!protectedPdu) return;
  UserInformation.Tag = protectedPdu->Tag;
  UserInformation.Value = std::move(protectedPdu->Value);
}

}  // namespace TAssociationProtection

}  // namespace zv
