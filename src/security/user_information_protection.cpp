#include "security/user_information_protection.h"

namespace zv {

std::unique_ptr<TProtectionLayers> TUserInformationProtection::UnProtectUserInformation(
    TBERCOSEMpdu& UserInformation, TSecurityMaterial* SecurityMaterial, const TLoggingContext* LoggingContext,
    const PduStr& SystemTitle) {
  const PduStr octets = TProtectionLayer::EncodeToPdu(UserInformation);
  auto layers = std::make_unique<TProtectionLayers>();
  COSEMpduPtr plain = layers->Remove(octets, SecurityMaterial, LoggingContext, SystemTitle);
  if (plain) {
    UserInformation.Tag = plain->Tag;
    UserInformation.Value = std::move(plain->Value);
  }
  return layers;
}

}  // namespace zv
