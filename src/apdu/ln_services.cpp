#include "apdu/ln_services.h"

#include "apdu/errors_apdu.h"
#include "apdu/sn_services.h"
#include "foundation/axdr_types.h"

namespace zv {

// ---- Addressing -----------------------------------------------------------------

// The invoke-id-and-priority octet is kept whole; users mask out the bits they need.
constinit const TypeInfo T_InvokeIdAndPriority =
    NumberType("T_InvokeIdAndPriority", xml_InvokeIdAndPriority, NumKind::U8, 17);
constinit const TypeInfo T_ClassId = NumberType("T_ClassId", xml_ClassId, NumKind::U16, 18);
// The logical name: six octets without a length, also in the Data form.
constinit const TypeInfo T_ObjectInstanceId = OctetStringType("T_ObjectInstanceId", xml_ObjectInstanceId, 6, 9);
constinit const TypeInfo T_ObjectAttributeId =
    NumberType("T_ObjectAttributeId", xml_ObjectAttributeId, NumKind::I8, 15);

namespace {

constexpr MemberInfo kAttributeDescriptorMembers[] = {
    Mem(xmlClassId, T_ClassId),
    Mem(xmlInstanceId, T_ObjectInstanceId),
    Mem(xmlAttributeId, T_ObjectAttributeId),
};

constexpr MemberInfo kSelectiveAccessDescriptorMembers[] = {
    Mem(xmlAccessSelector, T_Unsigned8),
    Mem(xmlAccessParameters, T_Data),
};

constexpr MemberInfo kAttributeDescriptorWithSelectionMembers[] = {
    Mem(xmlAttributeDescriptor, T_AttributeDescriptor),
    Opt(xmlAccessSelection, T_SelectiveAccessDescriptor),
};

}  // namespace

constinit const TypeInfo T_AttributeDescriptor =
    SequenceType("T_AttributeDescriptor", xml_AttributeDescriptor, kAttributeDescriptorMembers);
constinit const TypeInfo T_SelectiveAccessDescriptor =
    SequenceType("T_SelectiveAccessDescriptor", xml_SelectiveAccessDescriptor, kSelectiveAccessDescriptorMembers);
constinit const TypeInfo T_AttributeDescriptorWithSelection = SequenceType(
    "T_AttributeDescriptorWithSelection", xml_AttributeDescriptorWithSelection, kAttributeDescriptorWithSelectionMembers);
constinit const TypeInfo T_ListOfAttributeDescriptorWithSelection =
    SequenceOfType("T_ListOfAttributeDescriptorWithSelection", xml_ListOfAttributeDescriptorWithSelection,
                   T_AttributeDescriptorWithSelection, xml_AttributeDescriptorWithSelection);

// ---- GET --------------------------------------------------------------------------

namespace {

constexpr MemberInfo kGetRequestNormalMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlAttributeDescriptor, T_AttributeDescriptor),
    Opt(xmlAccessSelection, T_SelectiveAccessDescriptor),
};

constexpr MemberInfo kGetRequestForNextDatablockMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlBlockNumber, T_Unsigned32),
};

constexpr MemberInfo kGetRequestWithListMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlAttributeDescriptorList, T_ListOfAttributeDescriptorWithSelection),
};

constexpr AltInfo kGetRequestAlts[] = {
    Alt(1, xmlGetRequestNormal, T_GetRequestNormal),
    Alt(2, xmlGetRequestForNextDataBlock, T_GetRequestForNextDatablock),
    Alt(3, xmlGetRequestWithList, T_GetRequestWithList),
};

constexpr AltInfo kGetDataResultAlts[] = {
    Alt(0, xmlData, T_Data),
    Alt(1, xmlDataAccessError, T_DataAccessResult),
};

constexpr AltInfo kDataBlockGResultAlts[] = {
    Alt(0, xmlRawData, T_OctetString),
    Alt(1, xmlDataAccessResult, T_DataAccessResult),
};

constexpr MemberInfo kDataBlockGMembers[] = {
    Mem(xmlLastBlock, T_Boolean),
    Mem(xmlBlockNumber, T_Unsigned32),
    Mem(xmlResult, T_DataBlockGResult),
};

constexpr MemberInfo kGetResponseNormalMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlResult, T_GetDataResult),
};

constexpr MemberInfo kGetResponseWithDataBlockMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlResult, T_DataBlock_G),
};

constexpr MemberInfo kGetResponseWithListMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlResult, T_ListOfGetDataResult),
};

constexpr AltInfo kGetResponseAlts[] = {
    Alt(1, xmlGetResponseNormal, T_GetResponseNormal),
    Alt(2, xmlGetResponseWithDataBlock, T_GetResponseWithDataBlock),
    Alt(3, xmlGetResponseWithList, T_GetResponseWithList),
};

}  // namespace

constinit const TypeInfo T_GetRequestNormal =
    SequenceType("T_GetRequestNormal", xml_GetRequestNormal, kGetRequestNormalMembers);
constinit const TypeInfo T_GetRequestForNextDatablock =
    SequenceType("T_GetRequestForNextDatablock", xml_GetRequestForNextDatablock, kGetRequestForNextDatablockMembers);
constinit const TypeInfo T_GetRequestWithList =
    SequenceType("T_GetRequestWithList", xml_GetRequestWithList, kGetRequestWithListMembers);
constinit const TypeInfo T_GetRequest = ChoiceType("T_GetRequest", xml_GetRequest, kGetRequestAlts);

constinit const TypeInfo T_GetDataResult = ChoiceType("T_GetDataResult", xml_GetDataResult, kGetDataResultAlts);
constinit const TypeInfo T_DataBlockGResult =
    ChoiceType("T_DataBlockGResult", xml_DataBlockGResult, kDataBlockGResultAlts);
constinit const TypeInfo T_DataBlock_G = SequenceType("T_DataBlock_G", xml_DataBlock_G, kDataBlockGMembers);
constinit const TypeInfo T_ListOfGetDataResult =
    SequenceOfType("T_ListOfGetDataResult", xml_ListOfGetDataResult, T_GetDataResult, xml_GetDataResult);
constinit const TypeInfo T_GetResponseNormal =
    SequenceType("T_GetResponseNormal", xml_GetResponseNormal, kGetResponseNormalMembers);
constinit const TypeInfo T_GetResponseWithDataBlock =
    SequenceType("T_GetResponseWithDataBlock", xml_GetResponseWithDataBlock, kGetResponseWithDataBlockMembers);
constinit const TypeInfo T_GetResponseWithList =
    SequenceType("T_GetResponseWithList", xml_GetResponseWithList, kGetResponseWithListMembers);
constinit const TypeInfo T_GetResponse = ChoiceType("T_GetResponse", xml_GetResponse, kGetResponseAlts);

// ---- SET --------------------------------------------------------------------------

namespace {

constexpr MemberInfo kDataBlockSAMembers[] = {
    Mem(xmlLastBlock, T_Boolean),
    Mem(xmlBlockNumber, T_Unsigned32),
    Mem(xmlRawData, T_OctetString),
};

constexpr MemberInfo kSetRequestNormalMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlAttributeDescriptor, T_AttributeDescriptor),
    Opt(xmlAccessSelection, T_SelectiveAccessDescriptor),
    Mem(xmlValue, T_Data),
};

constexpr MemberInfo kSetRequestWithFirstDataBlockMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlAttributeDescriptor, T_AttributeDescriptor),
    Opt(xmlAccessSelection, T_SelectiveAccessDescriptor),
    Mem(xmlDataBlock, T_DataBlock_SA),
};

constexpr MemberInfo kSetRequestWithDataBlockMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlDataBlock, T_DataBlock_SA),
};

constexpr MemberInfo kSetRequestWithListMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlAttributeDescriptorList, T_ListOfAttributeDescriptorWithSelection),
    Mem(xmlValueList, T_ListOfData),
};

constexpr MemberInfo kSetRequestWithListAndWithFirstDatablockMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlAttributeDescriptorList, T_ListOfAttributeDescriptorWithSelection),
    Mem(xmlDataBlock, T_DataBlock_SA),
};

constexpr AltInfo kSetRequestAlts[] = {
    Alt(1, xmlSetRequestNormal, T_SetRequestNormal),
    Alt(2, xmlSetRequestWithFirstDataBlock, T_SetRequestWithFirstDataBlock),
    Alt(3, xmlSetRequestWithDataBlock, T_SetRequestWithDataBlock),
    Alt(4, xmlSetRequestWithList, T_SetRequestWithList),
    Alt(5, xmlSetRequestWithListAndWithFirstDatablock, T_SetRequestWithListAndWithFirstDatablock),
};

constexpr MemberInfo kSetResponseNormalMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlResult, T_DataAccessResult),
};

constexpr MemberInfo kSetResponseForDataBlockMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlBlockNumber, T_Unsigned32),
};

constexpr MemberInfo kSetResponseForLastDataBlockMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlResult, T_DataAccessResult),
    Mem(xmlBlockNumber, T_Unsigned32),
};

constexpr MemberInfo kSetResponseForLastDataBlockWithListMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlResult, T_ListOfDataAccessResult),
    Mem(xmlBlockNumber, T_Unsigned32),
};

constexpr MemberInfo kSetResponseWithListMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlResult, T_ListOfDataAccessResult),
};

constexpr AltInfo kSetResponseAlts[] = {
    Alt(1, xmlSetResponseNormal, T_SetResponseNormal),
    Alt(2, xmlSetResponseForDataBlock, T_SetResponseForDataBlock),
    Alt(3, xmlSetResponseForLastDataBlock, T_SetResponseForLastDataBlock),
    Alt(4, xmlSetResponseForLastDataBlockWithList, T_SetResponseForLastDataBlockWithList),
    Alt(5, xmlSetResponseWithList, T_SetResponseWithList),
};

}  // namespace

constinit const TypeInfo T_DataBlock_SA = SequenceType("T_DataBlock_SA", xml_DataBlock_SA, kDataBlockSAMembers);
constinit const TypeInfo T_SetRequestNormal =
    SequenceType("T_SetRequestNormal", xml_SetRequestNormal, kSetRequestNormalMembers);
constinit const TypeInfo T_SetRequestWithFirstDataBlock = SequenceType(
    "T_SetRequestWithFirstDataBlock", xml_SetRequestWithFirstDataBlock, kSetRequestWithFirstDataBlockMembers);
constinit const TypeInfo T_SetRequestWithDataBlock =
    SequenceType("T_SetRequestWithDataBlock", xml_SetRequestWithDataBlock, kSetRequestWithDataBlockMembers);
constinit const TypeInfo T_SetRequestWithList =
    SequenceType("T_SetRequestWithList", xml_SetRequestWithList, kSetRequestWithListMembers);
constinit const TypeInfo T_SetRequestWithListAndWithFirstDatablock =
    SequenceType("T_SetRequestWithListAndWithFirstDatablock", xml_SetRequestWithListAndWithFirstDatablock,
                 kSetRequestWithListAndWithFirstDatablockMembers);
constinit const TypeInfo T_SetRequest = ChoiceType("T_SetRequest", xml_SetRequest, kSetRequestAlts);

constinit const TypeInfo T_ListOfDataAccessResult =
    SequenceOfType("T_ListOfDataAccessResult", xml_ListOfDataAccessResult, T_DataAccessResult, xml_DataAccessResult);
constinit const TypeInfo T_SetResponseNormal =
    SequenceType("T_SetResponseNormal", xml_SetResponseNormal, kSetResponseNormalMembers);
constinit const TypeInfo T_SetResponseForDataBlock =
    SequenceType("T_SetResponseForDataBlock", xml_SetResponseForDataBlock, kSetResponseForDataBlockMembers);
constinit const TypeInfo T_SetResponseForLastDataBlock = SequenceType(
    "T_SetResponseForLastDataBlock", xml_SetResponseForLastDataBlock, kSetResponseForLastDataBlockMembers);
constinit const TypeInfo T_SetResponseForLastDataBlockWithList =
    SequenceType("T_SetResponseForLastDataBlockWithList", xml_SetResponseForLastDataBlockWithList,
                 kSetResponseForLastDataBlockWithListMembers);
constinit const TypeInfo T_SetResponseWithList =
    SequenceType("T_SetResponseWithList", xml_SetResponseWithList, kSetResponseWithListMembers);
constinit const TypeInfo T_SetResponse = ChoiceType("T_SetResponse", xml_SetResponse, kSetResponseAlts);

// ---- ACTION -----------------------------------------------------------------------

constinit const TypeInfo T_ObjectMethodId = NumberType("T_ObjectMethodId", xml_ObjectMethodId, NumKind::I8, 15);

namespace {

constexpr MemberInfo kMethodDescriptorMembers[] = {
    Mem(xmlClassId, T_ClassId),
    Mem(xmlInstanceId, T_ObjectInstanceId),
    Mem(xmlMethodId, T_ObjectMethodId),
};

constexpr MemberInfo kActionRequestNormalMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlMethodDescriptor, T_MethodDescriptor),
    Opt(xmlMethodInvocationParameters, T_Data),
};

constexpr MemberInfo kActionRequestForNextPBlockMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlBlockNumber, T_Unsigned32),
};

constexpr MemberInfo kActionRequestWithListMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlMethodDescriptorList, T_ListOfMethodDescriptor),
    Mem(xmlMethodInvocationParameters, T_ListOfData),
};

constexpr MemberInfo kActionRequestWithFirstPBlockMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlMethodDescriptor, T_MethodDescriptor),
    Mem(xmlPBlock, T_DataBlock_SA),
};

constexpr MemberInfo kActionRequestWithListAndWithFirstPBlockMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlMethodDescriptorList, T_ListOfMethodDescriptor),
    Mem(xmlPBlock, T_DataBlock_SA),
};

constexpr MemberInfo kActionRequestWithPBlockMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlPBlock, T_DataBlock_SA),
};

// The element of variant 5 lacks the second "With" of its class name.
constexpr AltInfo kActionRequestAlts[] = {
    Alt(1, xmlActionRequestNormal, T_ActionRequestNormal),
    Alt(2, xmlActionRequestForNextPBlock, T_ActionRequestForNextPBlock),
    Alt(3, xmlActionRequestWithList, T_ActionRequestWithList),
    Alt(4, xmlActionRequestWithFirstPBlock, T_ActionRequestWithFirstPBlock),
    Alt(5, xmlActionRequestWithListAndFirstPBlock, T_ActionRequestWithListAndWithFirstPBlock),
    Alt(6, xmlActionRequestWithPBlock, T_ActionRequestWithPBlock),
};

constexpr EnumName kActionResultNames[] = {
    {0, "Success"},
    {1, "HardwareFault"},
    {2, "TemporaryFailure"},
    {3, "ReadWriteDenied"},
    {4, "ObjectUndefined"},
    {9, "ObjectClassInconsistent"},
    {11, "ObjectUnavailable"},
    {12, "TypeUnmatched"},
    {13, "ScopeOfAccessViolated"},
    {14, "DataBlockUnavailable"},
    {15, "LongActionAborted"},
    {16, "NoLongActionInProgress"},
    {250, "OtherReason"},
};

constexpr MemberInfo kActionResponseNormalMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlResult, T_ActionResult),
    Opt(xmlReturnParameters, T_GetDataResult),
};

constexpr MemberInfo kActionResponseWithPBlockMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlPBlock, T_DataBlock_SA),
};

constexpr MemberInfo kActionResponseWithListMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlListOfSingleActionResponse, T_ListOfSingleActionResponse),
};

constexpr MemberInfo kActionResponseForNextPBlockMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_InvokeIdAndPriority),
    Mem(xmlBlockNumber, T_Unsigned32),
};

constexpr MemberInfo kSingleActionResponseMembers[] = {
    Mem(xmlResult, T_ActionResult),
    Opt(xmlReturnParameters, T_GetDataResult),
};

constexpr AltInfo kActionResponseAlts[] = {
    Alt(1, xmlActionResponseNormal, T_ActionResponseNormal),
    Alt(2, xmlActionResponseWithPBlock, T_ActionResponseWithPBlock),
    Alt(3, xmlActionResponseWithList, T_ActionResponseWithList),
    Alt(4, xmlActionResponseForNextPBlock, T_ActionResponseForNextPBlock),
};

}  // namespace

constinit const TypeInfo T_MethodDescriptor =
    SequenceType("T_MethodDescriptor", xml_MethodDescriptor, kMethodDescriptorMembers);
constinit const TypeInfo T_ListOfMethodDescriptor =
    SequenceOfType("T_ListOfMethodDescriptor", xml_ListOfMethodDescriptor, T_MethodDescriptor, xml_MethodDescriptor);
constinit const TypeInfo T_ActionRequestNormal =
    SequenceType("T_ActionRequestNormal", xml_ActionRequestNormal, kActionRequestNormalMembers);
constinit const TypeInfo T_ActionRequestForNextPBlock =
    SequenceType("T_ActionRequestForNextPBlock", xml_ActionRequestForNextPBlock, kActionRequestForNextPBlockMembers);
constinit const TypeInfo T_ActionRequestWithList =
    SequenceType("T_ActionRequestWithList", xml_ActionRequestWithList, kActionRequestWithListMembers);
constinit const TypeInfo T_ActionRequestWithFirstPBlock = SequenceType(
    "T_ActionRequestWithFirstPBlock", xml_ActionRequestWithFirstPBlock, kActionRequestWithFirstPBlockMembers);
constinit const TypeInfo T_ActionRequestWithListAndWithFirstPBlock =
    SequenceType("T_ActionRequestWithListAndWithFirstPBlock", xml_ActionRequestWithListAndWithFirstPBlock,
                 kActionRequestWithListAndWithFirstPBlockMembers);
constinit const TypeInfo T_ActionRequestWithPBlock =
    SequenceType("T_ActionRequestWithPBlock", xml_ActionRequestWithPBlock, kActionRequestWithPBlockMembers);
constinit const TypeInfo T_ActionRequest = ChoiceType("T_ActionRequest", xml_ActionRequest, kActionRequestAlts);

constinit const TypeInfo T_ActionResult = EnumType("T_ActionResult", xml_ActionResult, kActionResultNames);
constinit const TypeInfo T_SingleActionResponse =
    SequenceType("T_SingleActionResponse", xml_SingleActionResponse, kSingleActionResponseMembers);
constinit const TypeInfo T_ListOfSingleActionResponse = SequenceOfType(
    "T_ListOfSingleActionResponse", xml_ListOfSingleActionResponse, T_SingleActionResponse, xml_SingleActionResponse);
constinit const TypeInfo T_ActionResponseNormal =
    SequenceType("T_ActionResponseNormal", xml_ActionResponseNormal, kActionResponseNormalMembers);
constinit const TypeInfo T_ActionResponseWithPBlock =
    SequenceType("T_ActionResponseWithPBlock", xml_ActionResponseWithPBlock, kActionResponseWithPBlockMembers);
constinit const TypeInfo T_ActionResponseWithList =
    SequenceType("T_ActionResponseWithList", xml_ActionResponseWithList, kActionResponseWithListMembers);
constinit const TypeInfo T_ActionResponseForNextPBlock = SequenceType(
    "T_ActionResponseForNextPBlock", xml_ActionResponseForNextPBlock, kActionResponseForNextPBlockMembers);
constinit const TypeInfo T_ActionResponse = ChoiceType("T_ActionResponse", xml_ActionResponse, kActionResponseAlts);

}  // namespace zv
