#include <gtest/gtest.h>

#include <cctype>
#include <set>

#include "apdu/access.h"
#include "apdu/cosem_pdu.h"
#include "apdu/errors_apdu.h"
#include "apdu/general_apdus.h"
#include "apdu/ln_services.h"
#include "apdu/notifications.h"
#include "apdu/sn_services.h"
#include "foundation/axdr_types.h"
#include "support/error_of.h"

using namespace zv;
using zv::test::ErrorOf;

namespace {

PduStr H(std::string_view hex) { return HexStrToByteStr(hex); }
std::string X(const PduStr& s) { return ByteStrToHexStr(s); }

std::string EnumXml(TXMLId id, std::string_view value) {
  return Format("<%s Value=\"%.*s\" />\r\n", XMLIdNames[id], static_cast<int>(value.size()), value.data());
}

}  // namespace

// Every descriptor names its own element "_" + type name, and every element it reads is
// found again by its name (names are looked up without regard to case).
TEST(XdlmsTypes, DescriptorsAreConsistent) {
  const TypeTable& table = ApduXdlmsTypes();
  std::set<const TypeInfo*> seen;
  auto resolves = [](TXMLId id) {
    TXMLId found;
    return TXMLParser::TryKeyWord(XMLIdNames[id], found) && found == id;
  };
  for (size_t i = 0; i < table.count; ++i) {
    const TypeInfo& t = *table.types[i];
    SCOPED_TRACE(t.name);
    EXPECT_TRUE(seen.insert(&t).second);
    EXPECT_EQ(std::string("_") + (t.name + 2), XMLIdNames[t.ownId]);
    for (uint16_t m = 0; m < t.memberCount; ++m) EXPECT_TRUE(resolves(t.members[m].id));
    std::set<int> tags;
    std::set<TXMLId> ids;
    for (uint16_t a = 0; a < t.altCount; ++a) {
      EXPECT_TRUE(resolves(t.alts[a].id));
      EXPECT_TRUE(tags.insert(t.alts[a].tag).second);
      EXPECT_TRUE(ids.insert(t.alts[a].id).second);
    }
    if (t.family == Family::SequenceOf) {
      EXPECT_EQ(t.elemId, t.elemType->ownId);
    }
    if (t.family == Family::Enumerated) {
      std::set<std::string> names;
      for (uint16_t n = 0; n < t.nameCount; ++n) {
        std::string name = t.names[n].name;
        EXPECT_TRUE(names.insert(name).second);
        // Unnamed codes are written as two hex digits: no name may look like one.
        EXPECT_FALSE(name.size() == 2 && std::isxdigit(name[0]) && std::isxdigit(name[1]));
      }
    }
  }
}

// The member positions that server code reads by name match the descriptors.
TEST(XdlmsTypes, MemberPositions) {
  struct Row { const TypeInfo* type; size_t index; TXMLId id; };
  const Row rows[] = {
      {&T_AttributeDescriptor, AttributeDescriptor::ClassId, xmlClassId},
      {&T_AttributeDescriptor, AttributeDescriptor::InstanceId, xmlInstanceId},
      {&T_AttributeDescriptor, AttributeDescriptor::AttributeId, xmlAttributeId},
      {&T_SelectiveAccessDescriptor, SelectiveAccessDescriptor::AccessSelector, xmlAccessSelector},
      {&T_SelectiveAccessDescriptor, SelectiveAccessDescriptor::AccessParameters, xmlAccessParameters},
      {&T_AttributeDescriptorWithSelection, AttributeDescriptorWithSelection::AttributeDescriptor,
       xmlAttributeDescriptor},
      {&T_AttributeDescriptorWithSelection, AttributeDescriptorWithSelection::AccessSelection, xmlAccessSelection},
      {&T_GetRequestNormal, GetRequestNormal::InvokeIdAndPriority, xmlInvokeIdAndPriority},
      {&T_GetRequestNormal, GetRequestNormal::AttributeDescriptor, xmlAttributeDescriptor},
      {&T_GetRequestNormal, GetRequestNormal::AccessSelection, xmlAccessSelection},
      {&T_GetRequestForNextDatablock, GetRequestForNextDatablock::BlockNumber, xmlBlockNumber},
      {&T_GetRequestWithList, GetRequestWithList::AttributeDescriptorList, xmlAttributeDescriptorList},
      {&T_GetResponseNormal, GetResponseNormal::Result, xmlResult},
      {&T_DataBlock_G, DataBlock_G::LastBlock, xmlLastBlock},
      {&T_DataBlock_G, DataBlock_G::BlockNumber, xmlBlockNumber},
      {&T_DataBlock_G, DataBlock_G::Result, xmlResult},
      {&T_SetRequestNormal, SetRequestNormal::AccessSelection, xmlAccessSelection},
      {&T_SetRequestNormal, SetRequestNormal::Value, xmlValue},
      {&T_SetRequestWithFirstDataBlock, SetRequestWithFirstDataBlock::AttributeDescriptor, xmlAttributeDescriptor},
      {&T_SetRequestWithFirstDataBlock, SetRequestWithFirstDataBlock::DataBlock, xmlDataBlock},
      {&T_SetRequestWithDataBlock, SetRequestWithDataBlock::DataBlock, xmlDataBlock},
      {&T_SetRequestWithList, SetRequestWithList::AttributeDescriptorList, xmlAttributeDescriptorList},
      {&T_SetRequestWithList, SetRequestWithList::ValueList, xmlValueList},
      {&T_SetRequestWithListAndWithFirstDatablock, SetRequestWithListAndWithFirstDatablock::DataBlock,
       xmlDataBlock},
      {&T_DataBlock_SA, DataBlock_SA::LastBlock, xmlLastBlock},
      {&T_DataBlock_SA, DataBlock_SA::BlockNumber, xmlBlockNumber},
      {&T_DataBlock_SA, DataBlock_SA::RawData, xmlRawData},
      {&T_MethodDescriptor, MethodDescriptor::ClassId, xmlClassId},
      {&T_MethodDescriptor, MethodDescriptor::InstanceId, xmlInstanceId},
      {&T_MethodDescriptor, MethodDescriptor::MethodId, xmlMethodId},
      {&T_ActionRequestNormal, ActionRequestNormal::MethodDescriptor, xmlMethodDescriptor},
      {&T_ActionRequestNormal, ActionRequestNormal::MethodInvocationParameters, xmlMethodInvocationParameters},
      {&T_ActionRequestWithList, ActionRequestWithList::MethodDescriptorList, xmlMethodDescriptorList},
      {&T_ActionRequestWithList, ActionRequestWithList::MethodInvocationParameters, xmlMethodInvocationParameters},
      {&T_ActionResponseNormal, ActionResponseNormal::Result, xmlResult},
      {&T_ActionResponseNormal, ActionResponseNormal::ReturnParameters, xmlReturnParameters},
      {&T_AccessRequest, AccessRequest::LongInvokeIdAndPriority, xmlLongInvokeIdAndPriority},
      {&T_AccessRequest, AccessRequest::DateTime, xmlDateTime},
      {&T_AccessRequest, AccessRequest::AccessRequestBody, xmlAccessRequestBody},
      {&T_AccessRequestBody, AccessRequestBody::AccessRequestSpecification, xmlAccessRequestSpecification},
      {&T_AccessRequestBody, AccessRequestBody::AccessRequestListOfData, xmlAccessRequestListOfData},
      {&T_AccessRequestGet, AccessRequestItem::Descriptor, xmlAttributeDescriptor},
      {&T_AccessRequestAction, AccessRequestItem::Descriptor, xmlMethodDescriptor},
      {&T_AccessRequestSetWithSelection, AccessRequestItem::AccessSelection, xmlAccessSelection},
      {&T_AccessResponse, AccessResponse::AccessResponseBody, xmlAccessResponseBody},
      {&T_AccessResponseBody, AccessResponseBody::AccessRequestSpecification, xmlAccessRequestSpecification},
      {&T_AccessResponseBody, AccessResponseBody::AccessResponseListOfData, xmlAccessResponseListOfData},
      {&T_AccessResponseBody, AccessResponseBody::AccessResponseSpecification, xmlAccessResponseSpecification},
      {&T_AccessResponseAction, AccessResponseItem::Result, xmlResult},
      {&T_ParametrisedAccess, ParametrisedAccess::VariableName, xmlVariableName},
      {&T_ParametrisedAccess, ParametrisedAccess::Selector, xmlSelector},
      {&T_ParametrisedAccess, ParametrisedAccess::Parameter, xmlParameter},
      {&T_BlockNumberAccess, BlockNumberAccess::BlockNumber, xmlBlockNumber},
      {&T_ReadDataBlockAccess, ReadDataBlockAccess::RawData, xmlRawData},
      {&T_WriteDataBlockAccess, WriteDataBlockAccess::LastBlock, xmlLastBlock},
      {&T_WriteDataBlockAccess, WriteDataBlockAccess::BlockNumber, xmlBlockNumber},
      {&T_WriteRequest, WriteRequest::ListOfVariableAccessSpecification, xmlListOfVariableAccessSpecification},
      {&T_WriteRequest, WriteRequest::ListOfData, xmlListOfData},
      {&T_DataBlockResult, DataBlockResult::RawData, xmlRawData},
      {&T_DataNotification, DataNotification::LongInvokeIdAndPriority, xmlLongInvokeIdAndPriority},
      {&T_DataNotification, DataNotification::DateTime, xmlDateTime},
      {&T_DataNotification, DataNotification::NotificationBody, xmlNotificationBody},
      {&T_NotificationBody, NotificationBody::DataValue, xmlDataValue},
      {&T_InformationReportRequest, InformationReportRequest::CurrentTime, xmlCurrentTime},
      {&T_InformationReportRequest, InformationReportRequest::ListOfData, xmlListOfData},
      {&T_EventNotificationRequest, EventNotificationRequest::Time, xmlTime},
      {&T_EventNotificationRequest, EventNotificationRequest::AttributeValue, xmlAttributeValue},
      {&T_ExceptionResponse, ExceptionResponse::StateError, xmlStateError},
      {&T_ExceptionResponse, ExceptionResponse::ServiceError, xmlServiceError},
      {&T_ConfirmedServiceError, ConfirmedServiceError::Service, xmlService},
      {&T_ConfirmedServiceError, ConfirmedServiceError::ServiceError, xmlServiceError},
      {&T_GeneralGloCiphering, GeneralGloCiphering::SystemTitle, xmlSystemTitle},
      {&T_GeneralDedCiphering, GeneralGloCiphering::CipheredService, xmlCipheredService},
      {&T_GeneralCiphering, GeneralCiphering::TransactionId, xmlTransactionId},
      {&T_GeneralCiphering, GeneralCiphering::OtherInformation, xmlOtherInformation},
      {&T_GeneralCiphering, GeneralCiphering::KeyInfo, xmlKeyInfo},
      {&T_GeneralCiphering, GeneralCiphering::CipheredContent, xmlCipheredContent},
      {&T_IdentifiedKey, IdentifiedKey::KeyId, xmlKeyId},
      {&T_WrappedKey, WrappedKey::KekId, xmlKekId},
      {&T_WrappedKey, WrappedKey::KeyCipheredData, xmlKeyCipheredData},
      {&T_AgreedKey, AgreedKey::KeyParameters, xmlKeyParameters},
      {&T_GeneralSigning, GeneralSigning::DateTime, xmlDateTime},
      {&T_GeneralSigning, GeneralSigning::Content, xmlContent},
      {&T_GeneralSigning, GeneralSigning::Signature, xmlSignature},
      {&T_GeneralBlockTransfer, GeneralBlockTransfer::BlockControl, xmlBlockControl},
      {&T_GeneralBlockTransfer, GeneralBlockTransfer::BlockNumber, xmlBlockNumber},
      {&T_GeneralBlockTransfer, GeneralBlockTransfer::BlockNumberAck, xmlBlockNumberAck},
      {&T_GeneralBlockTransfer, GeneralBlockTransfer::BlockData, xmlBlockData},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.type->name) + " " + XMLIdNames[r.id]);
    ASSERT_LT(r.index, r.type->memberCount);
    EXPECT_EQ(r.type->members[r.index].id, r.id);
  }
}

// Names of codes render and parse exactly; codes without a name survive every form.
TEST(XdlmsTypes, EnumerationNames) {
  const TypeTable& table = ApduXdlmsTypes();
  for (size_t i = 0; i < table.count; ++i) {
    const TypeInfo& t = *table.types[i];
    if (t.family != Family::Enumerated) continue;
    SCOPED_TRACE(t.name);
    for (int code = 0; code < 256; ++code) {
      PduPtr e = MakeAnyFromPdu(xmlResult, t, PduStr(1, static_cast<char>(code)));
      std::string xml = e->ToXMLString();
      const char* name = t.EnumNameOf(code);
      EXPECT_EQ(xml, EnumXml(xmlResult, name ? std::string(name) : IntToHex(static_cast<uint64_t>(code), 2)));
      EXPECT_EQ(MakeAnyFromXml(xmlResult, t, xml)->Encode(), e->Encode());
      if (name) {
        EXPECT_EQ(e->As<TEnum>().GetString(), name);
        std::string lower = LowerCase(name);
        EXPECT_EQ(ErrorOf([&] { MakeAnyFromXml(xmlResult, t, EnumXml(xmlResult, lower)); }),
                  Format("%s: illegal element %s", t.name, lower.c_str()));
      } else {
        EXPECT_EQ(ErrorOf([&] { e->As<TEnum>().GetString(); }), Format("%s: illegal enum value", t.name));
      }
    }
  }
  // Names as the protocol gives them, case and spelling included.
  struct Row { const TypeInfo* type; int code; const char* name; };
  const Row rows[] = {
      {&T_DataAccessResult, 0, "Success"},
      {&T_DataAccessResult, 11, "ObjectUnavailable"},
      {&T_DataAccessResult, 19, "DataBlockNumberInvalid"},
      {&T_DataAccessResult, 250, "OtherReason"},
      {&T_DataAccessResult, 5, nullptr},
      {&T_DataAccessResult, 20, nullptr},
      {&T_ActionResult, 15, "LongActionAborted"},
      {&T_ActionResult, 16, "NoLongActionInProgress"},
      {&T_ActionResult, 17, nullptr},
      {&T_ExceptionStateError, 2, "ServiceUnknown"},
      {&T_ExceptionServiceError, 4, "PduTooLong"},
      {&T_ExceptionServiceError, 6, "InvocationCounterError"},
      {&T_Initiate, 4, "RefusedByTheVDEHandler"},
      {&T_VdeStateError, 3, "StatusNochange"},
      {&T_Access, 2, "ObjectAccessInvalid"},
      {&T_LoadDataSet, 7, "DataSetNotReady"},
      {&T_LoadDataSet, 8, nullptr},
      {&T_ApplicationReference, 6, "DecipheringError"},
      {&T_HardwareResource, 2, "ProcessorResourceUnavailable"},
      {&T_Service, 2, "ServiceUnsupported"},
      {&T_Definition, 3, "ObjectAttributeInconsistent"},
      {&T_Task, 1, "NoRemoteControl"},
      {&T_KeyId, 1, "GlobalBroadcastEncryptionKey"},
      {&T_KeyId, 2, nullptr},
      {&T_KekId, 0, "MasterKey"},
      {&T_KekId, 1, nullptr},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.type->name) + " " + std::to_string(r.code));
    if (r.name) {
      EXPECT_EQ(TEnum::GetString(*r.type, r.code), r.name);
    } else {
      EXPECT_EQ(r.type->EnumNameOf(r.code), nullptr);
    }
  }
}

TEST(XdlmsTypes, ValuesAndOrder) {
  // Object names are signed: FA00 is below 0008.
  auto fa00 = MakeAnyFromPdu(xmlVariableName, T_ObjectName, H("FA00"));
  auto n8 = MakeAnyFromPdu(xmlVariableName, T_ObjectName, H("0008"));
  EXPECT_EQ(fa00->As<TNumber>().AsInt64(), -1536);
  EXPECT_EQ(n8->CompareTo(*fa00), -1);
  EXPECT_EQ(ErrorOf([&] { n8->CompareTo(*MakeAnyFromPdu(xmlClassId, T_ClassId, H("0008"))); }),
            "T_ObjectName.CompareTo illegal type");
  // Method and attribute ids are signed octets.
  auto m = MakeAnyFromPdu(xmlMethodId, T_ObjectMethodId, H("81"));
  EXPECT_EQ(m->As<TNumber>().AsInt64(), -127);
  EXPECT_FALSE(m->CheckRange(1, 127));
  EXPECT_EQ(MakeAnyFromPdu(xmlAttributeId, T_ObjectAttributeId, H("FF"))->As<TNumber>().AsInt64(), -1);
  // The long invoke id is unsigned.
  auto big = MakeAnyFromPdu(xmlLongInvokeIdAndPriority, T_LongInvokeIdAndPriority, H("80000001"));
  auto one = MakeAnyFromPdu(xmlLongInvokeIdAndPriority, T_LongInvokeIdAndPriority, H("00000001"));
  EXPECT_EQ(big->CompareTo(*one), -1);
  EXPECT_EQ(big->ToXMLString(), "<LongInvokeIdAndPriority Value=\"80000001\" />\r\n");
  // The instance id: printable octets show as text, and the dotted form reads.
  auto printable = MakeAnyFromPdu(xmlInstanceId, T_ObjectInstanceId, H("414243444546"));
  EXPECT_EQ(printable->ToXMLString(), "<InstanceId Value=\"\\ABCDEF\" />\r\n");
  EXPECT_EQ(X(MakeAnyFromXml(xmlInstanceId, T_ObjectInstanceId, printable->ToXMLString())->Encode()), "414243444546");
  EXPECT_EQ(X(MakeAnyFromXml(xmlInstanceId, T_ObjectInstanceId, "<InstanceId Value=\"0.0.96.1.0.255\"/>")->Encode()),
            "0000600100FF");
  EXPECT_EQ(X(printable->EncodeData()), "09414243444546");  // no length octet in the Data form either
  // Empty alternatives of the key information.
  for (auto [id, hex] : {std::pair{xmlIdentifiedKey, "0000"}, {xmlWrappedKey, "010000"}, {xmlAgreedKey, "020000"}}) {
    auto k = Create(T_KeyInfo, xmlKeyInfo);
    k->As<TChoice>().CreateVariant(id);
    EXPECT_EQ(X(k->Encode()), hex);
  }
}

// Presence octets other than 0 and 1 read as present; they are written back as 1.
TEST(XdlmsTypes, PresenceOctets) {
  struct Row { const char* in; const char* out; };
  const Row rows[] = {
      {"C0 03 C1 01 0008 0000010000FF 02 02 01 0F05", "C0 03 C1 01 0008 0000010000FF 02 01 01 0F05"},
      {"C3 01 C1 0046 0000600300FF 01 02 0F00", "C3 01 C1 0046 0000600300FF 01 01 0F00"},
      {"C2 05 01 AA 0001 0000600A01FF 02 1105", "C2 01 01 AA 0001 0000600A01FF 02 1105"},
      {"DA 00000001 00 02 01 01 0008 0000010000FF 02 01 00 01 01 00",
       "DA 00000001 00 01 01 01 0008 0000010000FF 02 01 00 01 01 00"},
      {"DD 00 00 00 00 00 FF 00 00 00", "DD 00 00 00 00 00 01 00 00 00"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.in);
    EXPECT_EQ(X(TCOSEMPDUHelper::MakeFromPdu(H(r.in))->Encode()), X(H(r.out)));
  }
}
