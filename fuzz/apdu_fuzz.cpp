// Arbitrary octets as an APDU: what decodes must re-encode to octets that decode to the
// same APDU (presence octets and non-minimal lengths are the only octets that may
// change), render to XML and read back to the same octets. What fails to decode must
// fail with EMakeCOSEMPdu carrying the octets.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "apdu/cosem_pdu.h"

using namespace zv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string octets(reinterpret_cast<const char*>(data), size);
  COSEMpduPtr pdu;
  try {
    pdu = TCOSEMPDUHelper::MakeFromPdu(octets);
  } catch (const EMakeCOSEMPdu& e) {
    if (e.Octets != octets) std::abort();
    return 0;
  }
  // The ACSE APDUs and the initiate request and response they carry have their own target:
  // a decoded AARQ may lack a field it needs to be written, and identifiers and conformance
  // blocks are written in their canonical length.
  if ((pdu->Tag >= 96 && pdu->Tag <= 99) || pdu->Tag == 1 || pdu->Tag == 8) return 0;
  try {
    PduStr again = pdu->Encode();
    if (again.size() > octets.size()) std::abort();
    if (TCOSEMPDUHelper::MakeFromPdu(again)->Encode() != again) std::abort();
    // Rendering never fails on a peer's odd octet, and what we write we must read.
    std::string xml = pdu->ToXMLString();
    if (TCOSEMPDUHelper::MakeFromXml(xml)->Encode() != again) std::abort();
    if (!pdu->Clone()->IsEqual(*pdu)) std::abort();
  } catch (const Exception&) {
    std::abort();
  }
  return 0;
}
