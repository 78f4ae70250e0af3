#include "security/protection_pdu_helper.h"

#include "foundation/errors.h"

namespace zv {

COSEMpduPtr TProtectionPduHelper::MakeCOSEMPduFromPdu(std::string_view Pdu) {
  TStringWrapper w(Pdu);
  PduPtr p = CreateFromPduStr(T_COSEMpdu, xmlIgnore, w);
  auto* c = dynamic_cast<TCOSEMpdu*>(p.get());
  if (!c) throw EInvalidCast("Invalid class typecast");
  p.release();
  COSEMpduPtr pdu(c);
  if (w.RemainingBytes() > 0) throw EProtection("Unexpected pdu trailing data");
  return pdu;
}

COSEMpduPtr TProtectionPduHelper::MakeCOSEMPduFromXml(std::string_view Xml) {
  return TCOSEMPDUHelper::MakeFromXml(Xml);
}

}  // namespace zv
