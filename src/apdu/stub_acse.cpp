// Stand-ins for the ACSE classes until their own unit is merged: octet strings that
// carry the class names, so that the APDU choice builds and links.
#include "apdu/acse.h"
#include "foundation/axdr_types.h"

namespace zv {

constinit const TypeInfo T_InitiateRequest = DerivedType("T_InitiateRequest", xml_InitiateRequest, T_OctetString);
constinit const TypeInfo T_InitiateResponse = DerivedType("T_InitiateResponse", xml_InitiateResponse, T_OctetString);
constinit const TypeInfo T_AssociationRequest =
    DerivedType("T_AssociationRequest", xml_AssociationRequest, T_OctetString);
constinit const TypeInfo T_AssociationResponse =
    DerivedType("T_AssociationResponse", xml_AssociationResponse, T_OctetString);
constinit const TypeInfo T_ReleaseRequest = DerivedType("T_ReleaseRequest", xml_ReleaseRequest, T_OctetString);
constinit const TypeInfo T_ReleaseResponse = DerivedType("T_ReleaseResponse", xml_ReleaseResponse, T_OctetString);
constinit const TypeInfo T_BERCOSEMpdu = DerivedType("T_BERCOSEMpdu", xml_BERCOSEMpdu, T_OctetString);

}  // namespace zv
