// Removal of the protection of the xDLMS APDU that an AARQ or RLRQ carries in its
// user-information.
#pragma once
#include <memory>

#include "apdu/acse.h"
#include "security/protection_layers.h"

namespace zv {

class TUserInformationProtection {
 public:
  // Peels the user-information's APDU and puts the unprotected APDU in its place; returns
  // the layers found, which the caller owns (and from which the answer is protected).
  // SystemTitle is the client's (the calling AP title). A plain APDU is left as it is and
  // gives an empty list; errors of the layers pass unchanged.
  static std::unique_ptr<TProtectionLayers> UnProtectUserInformation(TBERCOSEMpdu& UserInformation,
                                                                     TSecurityMaterial* SecurityMaterial,
                                                                     const TLoggingContext* LoggingContext,
                                                                     const PduStr& SystemTitle);
};

}  // namespace zv
