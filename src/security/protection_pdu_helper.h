// The two ways the protection code makes an APDU object: from octets that must hold
// exactly one APDU, and from the XML form of a protected APDU written from its template.
// The octet-string texts and algorithm ids of the same helper family are in
// crypto/protection_misc.h (TProtectionHelper), which knows no APDU.
#pragma once
#include <string_view>

#include "apdu/cosem_pdu.h"
#include "crypto/protection_misc.h"

namespace zv {

class TProtectionPduHelper : public TProtectionHelper {
 public:
  // Decoding errors pass unchanged; octets after the APDU raise EProtection "Unexpected pdu
  // trailing data".
  static COSEMpduPtr MakeCOSEMPduFromPdu(std::string_view Pdu);
  // Parse errors pass unchanged.
  static COSEMpduPtr MakeCOSEMPduFromXml(std::string_view Xml);
};

}  // namespace zv
