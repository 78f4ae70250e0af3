#include "apdu/cosem_pdu.h"

#include <exception>
#include <iterator>

#include "apdu/access.h"
#include "apdu/acse.h"
#include "apdu/errors_apdu.h"
#include "apdu/general_apdus.h"
#include "apdu/ln_services.h"
#include "apdu/notifications.h"
#include "apdu/sn_services.h"
#include "foundation/axdr_types.h"

namespace zv {

namespace {

// Tag order; the XML reader tries the elements in this order. The ciphered forms are
// opaque length-prefixed octet strings. 202 (glo event notification) has no element and
// is refused, while its ded form 210 is accepted.
constexpr AltInfo kCOSEMpduAlts[] = {
    Alt(1, xmlInitiateRequest, T_InitiateRequest),
    Alt(5, xmlReadRequest, T_ReadRequest),
    Alt(6, xmlWriteRequest, T_WriteRequest),
    Alt(8, xmlInitiateResponse, T_InitiateResponse),
    Alt(12, xmlReadResponse, T_ReadResponse),
    Alt(13, xmlWriteResponse, T_WriteResponse),
    Alt(14, xmlConfirmedServiceError, T_ConfirmedServiceError),
    Alt(15, xmlDataNotification, T_DataNotification),
    Alt(22, xmlUnconfirmedWriteRequest, T_UnconfirmedWriteRequest),
    Alt(24, xmlInformationReportRequest, T_InformationReportRequest),
    Alt(33, xmlglo_InitiateRequest, T_OctetString),
    Alt(37, xmlglo_ReadRequest, T_OctetString),
    Alt(38, xmlglo_WriteRequest, T_OctetString),
    Alt(40, xmlglo_InitiateResponse, T_OctetString),
    Alt(44, xmlglo_ReadResponse, T_OctetString),
    Alt(45, xmlglo_WriteResponse, T_OctetString),
    Alt(46, xmlglo_ConfirmedServiceError, T_OctetString),
    Alt(54, xmlglo_UnconfirmedWriteRequest, T_OctetString),
    Alt(56, xmlglo_InformationReportRequest, T_OctetString),
    Alt(65, xmlded_InitiateRequest, T_OctetString),
    Alt(69, xmlded_ReadRequest, T_OctetString),
    Alt(70, xmlded_WriteRequest, T_OctetString),
    Alt(72, xmlded_InitiateResponse, T_OctetString),
    Alt(76, xmlded_ReadResponse, T_OctetString),
    Alt(77, xmlded_WriteResponse, T_OctetString),
    Alt(78, xmlded_ConfirmedServiceError, T_OctetString),
    Alt(86, xmlded_UnconfirmedWriteRequest, T_OctetString),
    Alt(88, xmlded_InformationReportRequest, T_OctetString),
    Alt(96, xmlAssociationRequest, T_AssociationRequest),
    Alt(97, xmlAssociationResponse, T_AssociationResponse),
    Alt(98, xmlReleaseRequest, T_ReleaseRequest),
    Alt(99, xmlReleaseResponse, T_ReleaseResponse),
    Alt(192, xmlGetRequest, T_GetRequest),
    Alt(193, xmlSetRequest, T_SetRequest),
    Alt(194, xmlEventNotificationRequest, T_EventNotificationRequest),
    Alt(195, xmlActionRequest, T_ActionRequest),
    Alt(196, xmlGetResponse, T_GetResponse),
    Alt(197, xmlSetResponse, T_SetResponse),
    Alt(199, xmlActionResponse, T_ActionResponse),
    Alt(200, xmlglo_GetRequest, T_OctetString),
    Alt(201, xmlglo_SetRequest, T_OctetString),
    Alt(203, xmlglo_ActionRequest, T_OctetString),
    Alt(204, xmlglo_GetResponse, T_OctetString),
    Alt(205, xmlglo_SetResponse, T_OctetString),
    Alt(207, xmlglo_ActionResponse, T_OctetString),
    Alt(208, xmlded_GetRequest, T_OctetString),
    Alt(209, xmlded_SetRequest, T_OctetString),
    Alt(210, xmlded_EventNotificationRequest, T_OctetString),
    Alt(211, xmlded_ActionRequest, T_OctetString),
    Alt(212, xmlded_GetResponse, T_OctetString),
    Alt(213, xmlded_SetResponse, T_OctetString),
    Alt(215, xmlded_ActionResponse, T_OctetString),
    Alt(216, xmlExceptionResponse, T_ExceptionResponse),
    Alt(217, xmlAccessRequest, T_AccessRequest),
    Alt(218, xmlAccessResponse, T_AccessResponse),
    Alt(219, xmlGeneralGloCiphering, T_GeneralGloCiphering),
    Alt(220, xmlGeneralDedCiphering, T_GeneralDedCiphering),
    Alt(221, xmlGeneralCiphering, T_GeneralCiphering),
    Alt(223, xmlGeneralSigning, T_GeneralSigning),
    Alt(224, xmlGeneralBlockTransfer, T_GeneralBlockTransfer),
    Alt(255, xmlData, T_Data),
};
static_assert(std::size(kCOSEMpduAlts) == 61);

TCOSEMPduBase* AllocCOSEMpdu(const TypeInfo& t, TXMLId id) { return new TCOSEMpdu(t, id); }

constexpr TypeInfo COSEMpduType() {
  TypeInfo t = ChoiceType("T_COSEMpdu", xml_COSEMpdu, kCOSEMpduAlts);
  t.alloc = AllocCOSEMpdu;
  return t;
}

COSEMpduPtr AsCOSEMpdu(PduPtr p) {
  auto* c = dynamic_cast<TCOSEMpdu*>(p.get());
  if (!c) throw EInvalidCast("Invalid class typecast");
  p.release();
  return COSEMpduPtr(c);
}

COSEMpduPtr DecodeWrapped(std::string_view octets, int* used) {
  try {
    TStringWrapper w(octets);
    COSEMpduPtr pdu = AsCOSEMpdu(CreateFromPduStr(T_COSEMpdu, xmlIgnore, w));
    if (used) *used = static_cast<int>(octets.size()) - w.RemainingBytes();
    return pdu;
  } catch (const std::exception& e) {
    // The server logs the octets and answers with an exception response.
    throw EMakeCOSEMPdu(e.what(), std::string(octets));
  }
}

}  // namespace

constinit const TypeInfo T_COSEMpdu = COSEMpduType();

void TCOSEMpdu::CreateVariant(TXMLId variantId, PduPtr v) {
  TChoice::CreateVariant(variantId, std::move(v));
  XMLId = xmlIgnore;
}

// A choice whose alternatives share Data tags cannot be told apart by them: the tag
// octet comes first, in reading and in writing, so that what is written reads back.
void TCOSEMpdu::DecodeData(TStringWrapper& w) {
  NestingGuard guard(w);
  int tag = w.NextByte();
  const AltInfo* a = Type().AltByTag(tag);
  if (!a) IllegalTag(tag);
  Tag = tag;
  Value = CreateFromDataPduStr(*a->type, a->id, w);
}

void TCOSEMpdu::EncodeToDataPduStr(PduStr& out) const {
  RequireValue();
  out.push_back(static_cast<char>(Tag));
  Value->EncodeToDataPduStr(out);
}

namespace TCOSEMPDUHelper {

COSEMpduPtr MakeFromPdu(std::string_view pdu) { return DecodeWrapped(pdu, nullptr); }

COSEMpduPtr MakeFromPduBuffer(PduStr& buffer) {
  int used = 0;
  COSEMpduPtr pdu = DecodeWrapped(buffer, &used);
  buffer.erase(0, static_cast<size_t>(used));
  return pdu;
}

COSEMpduPtr MakeFromXml(std::string_view xml) {
  TXMLParser p(xml);
  return AsCOSEMpdu(CreateFromXml(T_COSEMpdu, xmlIgnore, p));
}

COSEMpduPtr CreateVariant(TXMLId variantId, PduPtr pdu) {
  COSEMpduPtr c = AsCOSEMpdu(Create(T_COSEMpdu, xmlIgnore));
  c->CreateVariant(variantId, std::move(pdu));
  return c;
}

}  // namespace TCOSEMPDUHelper

namespace {
const TypeInfo* const kXdlmsTypes[] = {
    // The APDU choice.
    &T_COSEMpdu,
    // Results and errors.
    &T_DataAccessResult, &T_ExceptionResponse, &T_ExceptionStateError, &T_ExceptionServiceError,
    &T_ConfirmedServiceError, &T_ServiceError, &T_ApplicationReference, &T_HardwareResource, &T_VdeStateError,
    &T_Service, &T_Definition, &T_Access, &T_Initiate, &T_LoadDataSet, &T_Task, &T_OtherError,
    // Logical-name addressing, GET, SET, ACTION.
    &T_InvokeIdAndPriority, &T_ClassId, &T_ObjectInstanceId, &T_ObjectAttributeId, &T_AttributeDescriptor,
    &T_SelectiveAccessDescriptor, &T_AttributeDescriptorWithSelection, &T_ListOfAttributeDescriptorWithSelection,
    &T_GetRequest, &T_GetRequestNormal, &T_GetRequestForNextDatablock, &T_GetRequestWithList, &T_GetResponse,
    &T_GetResponseNormal, &T_GetResponseWithDataBlock, &T_GetResponseWithList, &T_GetDataResult, &T_DataBlock_G,
    &T_DataBlockGResult, &T_ListOfGetDataResult, &T_SetRequest, &T_SetRequestNormal,
    &T_SetRequestWithFirstDataBlock, &T_SetRequestWithDataBlock, &T_SetRequestWithList,
    &T_SetRequestWithListAndWithFirstDatablock, &T_DataBlock_SA, &T_SetResponse, &T_SetResponseNormal,
    &T_SetResponseForDataBlock, &T_SetResponseForLastDataBlock, &T_SetResponseForLastDataBlockWithList,
    &T_SetResponseWithList, &T_ListOfDataAccessResult, &T_ObjectMethodId, &T_MethodDescriptor,
    &T_ListOfMethodDescriptor, &T_ActionRequest, &T_ActionRequestNormal, &T_ActionRequestForNextPBlock,
    &T_ActionRequestWithList, &T_ActionRequestWithFirstPBlock, &T_ActionRequestWithListAndWithFirstPBlock,
    &T_ActionRequestWithPBlock, &T_ActionResult, &T_ActionResponse, &T_ActionResponseNormal,
    &T_ActionResponseWithPBlock, &T_ActionResponseWithList, &T_ActionResponseForNextPBlock,
    &T_SingleActionResponse, &T_ListOfSingleActionResponse,
    // ACCESS.
    &T_AccessRequestGet, &T_AccessRequestSet, &T_AccessRequestAction, &T_AccessRequestGetWithSelection,
    &T_AccessRequestSetWithSelection, &T_AccessRequestSpecification, &T_ListOfAccessRequestSpecification,
    &T_AccessRequestBody, &T_AccessRequest, &T_AccessResponseGet, &T_AccessResponseSet, &T_AccessResponseAction,
    &T_AccessResponseSpecification, &T_ListOfAccessResponseSpecification, &T_AccessResponseBody,
    &T_AccessResponse,
    // Short-name services.
    &T_ObjectName, &T_ParametrisedAccess, &T_BlockNumberAccess, &T_ReadDataBlockAccess, &T_WriteDataBlockAccess,
    &T_VariableAccessSpecification, &T_ReadRequest, &T_ReadResponse, &T_WriteRequest, &T_WriteResponse,
    &T_ListOfVariableAccessSpecifications, &T_ListOfData, &T_DataBlockResult, &T_SingleReadResponse,
    &T_SingleWriteResponse,
    // Notifications.
    &T_LongInvokeIdAndPriority, &T_NotificationBody, &T_DataNotification, &T_UnconfirmedWriteRequest,
    &T_InformationReportRequest, &T_EventNotificationRequest,
    // Protection envelopes and block transfer.
    &T_GeneralGloCiphering, &T_GeneralDedCiphering, &T_GeneralCiphering, &T_KeyInfo, &T_IdentifiedKey,
    &T_WrappedKey, &T_AgreedKey, &T_KeyId, &T_KekId, &T_GeneralSigning, &T_BlockControl, &T_GeneralBlockTransfer,
};
}  // namespace

const TypeTable& ApduXdlmsTypes() {
  static const TypeTable table{kXdlmsTypes, std::size(kXdlmsTypes)};
  return table;
}

}  // namespace zv
