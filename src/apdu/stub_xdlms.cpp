// Temporary stand-ins for the xDLMS side: only what the ACSE classes and their tests need.
#include "apdu/stub_xdlms.h"

#include "apdu/acse.h"
#include "foundation/axdr_types.h"

namespace zv {

namespace {

extern const TypeInfo T_ServiceError, T_Initiate, T_BlockControl;

constexpr EnumName kInitiateNames[] = {
    {0, "Other"}, {1, "DlmsVersionTooLow"}, {2, "IncompatibleConformance"}, {3, "PduSizeTooShort"},
    {4, "RefusedByTheVDEHandler"},
};
constinit const TypeInfo T_Initiate = EnumType("T_Initiate", xml_Initiate, kInitiateNames);
constexpr AltInfo kServiceErrorAlts[] = {Alt(6, xmlInitiate, T_Initiate)};
constinit const TypeInfo T_ServiceError = ChoiceType("T_ServiceError", xml_ServiceError, kServiceErrorAlts);
constexpr MemberInfo kConfirmedServiceErrorMembers[] = {
    Mem(xmlService, T_Unsigned8),
    Mem(xmlServiceError, T_ServiceError),
};
constexpr MemberInfo kGeneralGloCipheringMembers[] = {
    Mem(xmlSystemTitle, T_OctetString),
    Mem(xmlCipheredService, T_OctetString),
};
constinit const TypeInfo T_BlockControl = NumberType("T_BlockControl", xml_BlockControl, NumKind::U8, 17);
constexpr MemberInfo kGeneralBlockTransferMembers[] = {
    Mem(xmlBlockControl, T_BlockControl),
    Mem(xmlBlockNumber, T_Unsigned16),
    Mem(xmlBlockNumberAck, T_Unsigned16),
    Mem(xmlBlockData, T_OctetString),
};
constexpr MemberInfo kAccessResponseMembers[] = {
    Mem(xmlLongInvokeIdAndPriority, T_Unsigned32),
    Mem(xmlDateTime, T_OctetString),
};

constexpr AltInfo kCOSEMpduAlts[] = {
    Alt(1, xmlInitiateRequest, T_InitiateRequest),
    Alt(8, xmlInitiateResponse, T_InitiateResponse),
    Alt(14, xmlConfirmedServiceError, T_ConfirmedServiceError),
    Alt(33, xmlglo_InitiateRequest, T_OctetString),
    Alt(40, xmlglo_InitiateResponse, T_OctetString),
    Alt(46, xmlglo_ConfirmedServiceError, T_OctetString),
    Alt(96, xmlAssociationRequest, T_AssociationRequest),
    Alt(97, xmlAssociationResponse, T_AssociationResponse),
    Alt(98, xmlReleaseRequest, T_ReleaseRequest),
    Alt(99, xmlReleaseResponse, T_ReleaseResponse),
    Alt(218, xmlAccessResponse, T_AccessResponse),
    Alt(219, xmlGeneralGloCiphering, T_GeneralGloCiphering),
    Alt(224, xmlGeneralBlockTransfer, T_GeneralBlockTransfer),
};

constexpr TypeInfo COSEMpduType() {
  TypeInfo t = ChoiceType("T_COSEMpdu", xml_COSEMpdu, kCOSEMpduAlts);
  t.alloc = AllocOf<TCOSEMpdu>;
  return t;
}

}  // namespace

constinit const TypeInfo T_ObjectName = NumberType("T_ObjectName", xml_ObjectName, NumKind::I16, 16);
constinit const TypeInfo T_ConfirmedServiceError =
    SequenceType("T_ConfirmedServiceError", xml_ConfirmedServiceError, kConfirmedServiceErrorMembers);
constinit const TypeInfo T_GeneralGloCiphering =
    SequenceType("T_GeneralGloCiphering", xml_GeneralGloCiphering, kGeneralGloCipheringMembers);
constinit const TypeInfo T_GeneralBlockTransfer =
    SequenceType("T_GeneralBlockTransfer", xml_GeneralBlockTransfer, kGeneralBlockTransferMembers);
constinit const TypeInfo T_AccessResponse = SequenceType("T_AccessResponse", xml_AccessResponse, kAccessResponseMembers);
constinit const TypeInfo T_COSEMpdu = COSEMpduType();

}  // namespace zv
