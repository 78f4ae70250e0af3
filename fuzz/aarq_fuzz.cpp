// Arbitrary octets as the body of an association request (what follows its APDU tag).
// What decodes must encode (unless an ACSE APDU lacks a mandatory field), decode again to
// the same octets, copy, render to XML and, where XML reading accepts its user-information,
// read back to the same XML.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "apdu/acse.h"

using namespace zv;

namespace {

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string octets(reinterpret_cast<const char*>(data), size);
  PduPtr aarq;
  try {
    aarq = MakeAnyFromPdu(xmlAssociationRequest, T_AssociationRequest, octets);
  } catch (const Exception&) {
    return 0;
  }
  const auto& request = aarq->As<TAssociationRequest>();
  PduStr again;
  try {
    again = aarq->Encode();
  } catch (const Exception& e) {
    // Only an ACSE APDU without a mandatory field cannot be written: this request, or one
    // that its user-information carries.
    const std::string& m = e.Message();
    if (StartsWith(m, "Field ") && m.size() > 8 && m.compare(m.size() - 8, 8, " missing") == 0) return 0;
    std::abort();
  }
  try {
    if (MakeAnyFromPdu(xmlAssociationRequest, T_AssociationRequest, again)->Encode() != again) std::abort();
    if (aarq->Clone()->Encode() != again) std::abort();
  } catch (const Exception&) {
    std::abort();  // what we write we must read
  }

  try {
    // Rendering never fails on a peer's odd octets: the request is logged before it is handled.
    std::string xml = aarq->ToXMLString();
    // XML reading takes only these APDUs as user-information of a request.
    const TBERCOSEMpdu* ui = request.UserInformation();
    if (ui && ui->Tag != 1 && ui->Tag != 33 && ui->Tag != 219) return 0;
    // The XML form is compared: a conformance block read from XML has at least 24 bits.
    PduPtr back = MakeAnyFromXml(xmlAssociationRequest, T_AssociationRequest, xml);
    if (back->ToXMLString() != xml) std::abort();
    back->Encode();
  } catch (const Exception&) {
    std::abort();
  }
  return 0;
}
