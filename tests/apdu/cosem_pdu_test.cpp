#include <gtest/gtest.h>

#include <set>

#include "apdu/access.h"
#include "apdu/acse.h"
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

// The byte examples of the xDLMS APDUs, one APDU each, tag first.
std::vector<std::string> ByteExamples() {
  std::vector<std::string> rows = {
      // GET request: normal, with selective access, next block, with list (empty and two).
      "C0 01 C1 0008 0000010000FF 02 00",
      "C0 01 C1 0007 0100630100FF 02 01 02 0202 0600000001 0600000005",
      "C0 01 C1 0007 0100630100FF 02 01 02 0202 0600000001 0600000005",
      "C0 02 C1 00000005",
      "C0 03 C1 00",
      "C0 03 C1 02 0008 0000010000FF 02 00 0001 0000600100FF 02 01 01 0F05",
      // GET response: value, error, blocks with raw data and with a result, list.
      "C4 01 C1 00 11 05",
      "C4 01 C1 01 04",
      "C4 02 C1 00 00000001 00 00",
      "C4 02 C1 01 00000001 01 0E",
      "C4 03 C1 02 00 1105 01 03",
      // SET request: normal, blocks, lists (more descriptors than values is the user's affair).
      "C1 01 C1 0001 0000600100FF 02 00 09 02 1234",
      "C1 03 C1 01 00000002 02 AABB",
      "C1 03 C1 05 00000002 00",
      "C1 04 C1 02 0008 0000010000FF 02 00 0001 0000600100FF 02 00 01 1107",
      "C1 05 C1 01 0001 0000600100FF 02 00 01 00000001 02 AABB",
      // SET response: the five variants.
      "C5 01 C1 00",
      "C5 02 C1 00000001",
      "C5 03 C1 00 00000007",
      "C5 04 C1 02 00 03 00000007",
      "C5 05 C1 02 00 03",
      // ACTION request: with and without parameter, negative method id, the block and list forms.
      "C3 01 C1 0046 0000600300FF 01 01 0F00",
      "C3 01 C1 0046 0000600300FF 01 00",
      "C3 01 C1 0046 0000600300FF 81 00",
      "C3 02 C1 00000001",
      "C3 03 C1 02 0046 0000600300FF 01 0046 0000600300FF 02 01 0F00",
      "C3 04 C1 0046 0000600300FF 01 00 00000001 02 AABB",
      "C3 05 C1 01 0046 0000600300FF 01 01 00000001 00",
      "C3 06 C1 01 00000002 01 AA",
      // ACTION response.
      "C7 01 C1 00 00",
      "C7 01 C1 00 01 00 1105",
      "C7 01 C1 FA 00",
      "C7 02 C1 01 00000001 02 AABB",
      "C7 03 C1 00",
      "C7 03 C1 02 00 00 0B 01 01 04",
      "C7 04 C1 00000003",
      // Event notification: without time, with a date-time, with a short time.
      "C2 00 0001 0000600A01FF 02 1105",
      "C2 01 0C 07E20101010C2238008000FF 0001 0000600A01FF 02 1105",
      "C2 01 03 414243 0001 0000600A01FF 02 1105",
      // ACCESS request and response.
      "D9 00000001 00 01 01 0008 0000010000FF 02 01 00",
      "D9 00000002 0C 07E20101010C2238008000FF 05 01 0008 0000010000FF 02 02 0001 0000600100FF 02"
      " 03 0046 0000600300FF 01 04 0007 0100630100FF 02 02 0100 05 0001 0000600100FF 02 01 00 02 1105 0900",
      "DA 00000001 00 00 01 00 01 01 00",
      "DA 00000001 00 01 01 01 0008 0000010000FF 02 01 00 03 01 00 02 03 03 FA",
      // READ and WRITE.
      "05 01 02 FA00",
      "05 01 04 0008 02 120001",
      "05 03 05 0001 06 01 0002 02 AABB 07 00 0003",
      "05 00",
      "0C 01 00 120001",
      "0C 01 01 03",
      "0C 01 03 0005",
      "0C 01 02 01 0001 02 AABB",
      "0D 01 00",
      "0D 02 00 01 0B",
      "0D 01 02 0007",
      "06 01 02 0008 01 1107",
      // Notifications and unconfirmed services.
      "0F 00000001 00 1105",
      "0F 00000001 0C 07E20101010C2238008000FF 0202 1105 0903616263",
      "16 01 02 0008 01 1107",
      "18 00 01 02 0008 01 1107",
      "18 01 02 AABB 01 02 0008 01 1107",
      // Confirmed service error: every alternative, and a code without a name.
      "0E 01 06 02",
      "0E 01 00 06",
      "0E 01 01 04",
      "0E 01 02 03",
      "0E 05 03 02",
      "0E 01 04 03",
      "0E 01 05 04",
      "0E 01 07 08",
      "0E 01 09 04",
      "0E 01 0A 7F",
      // Exception response.
      "D8 01 02",
      "D8 01 01",
      "D8 02 06",
      "D8 00 02",
      // General ciphering, signing, block transfer.
      "DB 08 0102030405060708 06 3000000001AA",
      "DC 08 0102030405060708 02 AABB",
      "DD 00 00 00 00 00 00 02 AABB",
      "DD 00 00 00 00 00 01 00 00 02 AABB",
      "DD 01 01 08 4D4D4D0000BC614E 08 0102030405060708 0C 07E20101010C2238008000FF 00 01 01 00 03 112233 02 AABB",
      "DD 00 00 00 00 00 01 02 02 1122 03 334455 01 AA",
      "DD 00 00 00 00 00 01 00 02 01 AA",
      "DF 00 00 00 00 00 00 00",
      "E0 81 0001 0000 02 0102",
      "E0 C5 0002 0001 00",
      // A bare Data value.
      "FF 1105",
      "FF 0202 1105 0903616263",
      // The glo-GET-request of the published ciphering example.
      "C8 1E 30 01234567 411312FF935A47566827C467BC 7D825C3BE4A77C3FCC056B6B",
  };
  // Long octet strings take a two-octet length.
  rows.push_back("C1 02 C1 0001 0000600100FF 02 00 00 00000001 81C8" + std::string(400, 'A'));
  rows.push_back("DF 00 00 00 00 00 82012C" + std::string(600, 'C') + " 40" + std::string(128, 'D'));
  rows.push_back("E0 80 0003 0002 81C8" + std::string(400, 'E'));
  // Every ciphered alternative holds its content as octets.
  for (int tag : {33, 37, 38, 40, 44, 45, 46, 54, 56, 65, 69, 70, 72, 76, 77, 78, 86, 88, 200, 201, 203, 204, 205,
                  207, 208, 209, 210, 211, 212, 213, 215})
    rows.push_back(IntToHex(static_cast<uint64_t>(tag), 2) + " 03 112233");
  return rows;
}

// The ACSE alternatives, whose byte forms belong to the ACSE classes.
const std::set<int> kAcseTags = {1, 8, 96, 97, 98, 99};

}  // namespace

TEST(COSEMpdu, EveryByteExampleRoundTripsThroughXml) {
  std::set<int> tags;
  for (const std::string& hex : ByteExamples()) {
    SCOPED_TRACE(hex);
    PduStr octets = H(hex);
    try {
      COSEMpduPtr pdu = TCOSEMPDUHelper::MakeFromPdu(octets);
      EXPECT_EQ(pdu->Tag, static_cast<uint8_t>(octets[0]));
      EXPECT_EQ(pdu->XMLId, xmlIgnore);
      EXPECT_EQ(X(pdu->Encode()), X(octets));
      std::string xml = pdu->ToXMLString();
      COSEMpduPtr back = TCOSEMPDUHelper::MakeFromXml(xml);
      EXPECT_EQ(X(back->Encode()), X(octets));
      EXPECT_EQ(back->ToXMLString(), xml);
      EXPECT_TRUE(pdu->Clone()->IsEqual(*pdu));
      tags.insert(pdu->Tag);
    } catch (const Exception& e) {
      ADD_FAILURE() << e.ClassName() << ": " << e.Message();
    }
  }
  // Together with the ACSE tags the examples cover every tag of the choice; every other
  // first octet is refused.
  tags.insert(kAcseTags.begin(), kAcseTags.end());
  EXPECT_EQ(tags.size(), 61u);
  for (int tag = 0; tag < 256; ++tag) {
    SCOPED_TRACE(tag);
    EXPECT_EQ(T_COSEMpdu.AltByTag(tag) != nullptr, tags.count(tag) == 1);
    if (tags.count(tag)) continue;
    PduStr one(1, static_cast<char>(tag));
    try {
      TCOSEMPDUHelper::MakeFromPdu(one + H("0000"));
      ADD_FAILURE();
    } catch (const EMakeCOSEMPdu& e) {
      EXPECT_EQ(e.Message(), Format("T_COSEMpdu : illegal Tag %d", tag));
      EXPECT_EQ(X(e.Octets), X(one + H("0000")));
    }
  }
}

TEST(COSEMpdu, AcseAlternativesAreTheAcseClasses) {
  struct Row { TXMLId id; int tag; const TypeInfo* type; };
  const Row rows[] = {
      {xmlInitiateRequest, 1, &T_InitiateRequest},       {xmlInitiateResponse, 8, &T_InitiateResponse},
      {xmlAssociationRequest, 96, &T_AssociationRequest}, {xmlAssociationResponse, 97, &T_AssociationResponse},
      {xmlReleaseRequest, 98, &T_ReleaseRequest},         {xmlReleaseResponse, 99, &T_ReleaseResponse},
  };
  for (const auto& r : rows) {
    const AltInfo* a = T_COSEMpdu.AltByTag(r.tag);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->id, r.id);
    EXPECT_EQ(a->type, r.type);
  }
}

TEST(COSEMpdu, XmlForms) {
  struct Row { const char* hex; const char* xml; };
  const Row rows[] = {
      {"C0 01 C1 0008 0000010000FF 02 00",
       "<GetRequest>\r\n  <GetRequestNormal>\r\n    <InvokeIdAndPriority Value=\"C1\" />\r\n"
       "    <AttributeDescriptor>\r\n      <ClassId Value=\"0008\" />\r\n      <InstanceId Value=\"0000010000FF\" />\r\n"
       "      <AttributeId Value=\"02\" />\r\n    </AttributeDescriptor>\r\n  </GetRequestNormal>\r\n</GetRequest>\r\n"},
      {"C8 03 112233", "<glo_GetRequest Value=\"112233\" />\r\n"},
      {"D2 03 112233", "<ded_EventNotificationRequest Value=\"112233\" />\r\n"},
      {"C0 02 C1 00000005",
       "<GetRequest>\r\n  <GetRequestForNextDataBlock>\r\n    <InvokeIdAndPriority Value=\"C1\" />\r\n"
       "    <BlockNumber Value=\"00000005\" />\r\n  </GetRequestForNextDataBlock>\r\n</GetRequest>\r\n"},
      {"C4 03 C1 02 00 1105 01 03",
       "<GetResponse>\r\n  <GetResponseWithList>\r\n    <InvokeIdAndPriority Value=\"C1\" />\r\n"
       "    <Result Qty=\"0002\" >\r\n      <Data>\r\n        <Unsigned Value=\"05\" />\r\n      </Data>\r\n"
       "      <DataAccessError Value=\"ReadWriteDenied\" />\r\n    </Result>\r\n  </GetResponseWithList>\r\n"
       "</GetResponse>\r\n"},
      {"C4 02 C1 01 00000001 01 0E",
       "<GetResponse>\r\n  <GetResponseWithDataBlock>\r\n    <InvokeIdAndPriority Value=\"C1\" />\r\n"
       "    <Result>\r\n      <LastBlock Value=\"01\" />\r\n      <BlockNumber Value=\"00000001\" />\r\n"
       "      <Result>\r\n        <DataAccessResult Value=\"DataBlockUnavailable\" />\r\n      </Result>\r\n"
       "    </Result>\r\n  </GetResponseWithDataBlock>\r\n</GetResponse>\r\n"},
      {"C5 05 C1 02 00 03",
       "<SetResponse>\r\n  <SetResponseWithList>\r\n    <InvokeIdAndPriority Value=\"C1\" />\r\n"
       "    <Result Qty=\"0002\" >\r\n      <_DataAccessResult Value=\"Success\" />\r\n"
       "      <_DataAccessResult Value=\"ReadWriteDenied\" />\r\n    </Result>\r\n  </SetResponseWithList>\r\n"
       "</SetResponse>\r\n"},
      {"0E 01 06 02",
       "<ConfirmedServiceError>\r\n  <Service Value=\"01\" />\r\n  <ServiceError>\r\n"
       "    <Initiate Value=\"IncompatibleConformance\" />\r\n  </ServiceError>\r\n</ConfirmedServiceError>\r\n"},
      {"D8 01 02",
       "<ExceptionResponse>\r\n  <StateError Value=\"ServiceNotAllowed\" />\r\n"
       "  <ServiceError Value=\"ServiceNotSupported\" />\r\n</ExceptionResponse>\r\n"},
      {"DD 00 00 00 00 00 01 00 00 02 AABB",
       "<GeneralCiphering>\r\n  <TransactionId Value=\"\" />\r\n  <OriginatorSystemTitle Value=\"\" />\r\n"
       "  <RecipientSystemTitle Value=\"\" />\r\n  <DateTime Value=\"\" />\r\n  <OtherInformation Value=\"\" />\r\n"
       "  <KeyInfo>\r\n    <IdentifiedKey>\r\n      <KeyId Value=\"GlobalUnicastEncryptionKey\" />\r\n"
       "    </IdentifiedKey>\r\n  </KeyInfo>\r\n  <CipheredContent Value=\"AABB\" />\r\n</GeneralCiphering>\r\n"},
      {"05 01 02 FA00", "<ReadRequest Qty=\"0001\" >\r\n  <VariableName Value=\"FA00\" />\r\n</ReadRequest>\r\n"},
      {"0D 02 00 01 0B",
       "<WriteResponse Qty=\"0002\" >\r\n  <Success />\r\n  <DataAccessError Value=\"ObjectUnavailable\" />\r\n"
       "</WriteResponse>\r\n"},
      {"C2 00 0001 0000600A01FF 02 1105",
       "<EventNotificationRequest>\r\n  <AttributeDescriptor>\r\n    <ClassId Value=\"0001\" />\r\n"
       "    <InstanceId Value=\"0000600A01FF\" />\r\n    <AttributeId Value=\"02\" />\r\n  </AttributeDescriptor>\r\n"
       "  <AttributeValue>\r\n    <Unsigned Value=\"05\" />\r\n  </AttributeValue>\r\n</EventNotificationRequest>\r\n"},
      {"FF 1105", "<Data>\r\n  <Unsigned Value=\"05\" />\r\n</Data>\r\n"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.hex);
    EXPECT_EQ(TCOSEMPDUHelper::MakeFromPdu(H(r.hex))->ToXMLString(), r.xml);
    EXPECT_EQ(X(TCOSEMPDUHelper::MakeFromXml(r.xml)->Encode()), X(H(r.hex)));
  }
  // The response's copy of the ACCESS operation list is left out when absent.
  std::string xml = TCOSEMPDUHelper::MakeFromPdu(H("DA 00000001 00 00 01 00 01 01 00"))->ToXMLString();
  EXPECT_EQ(xml.find("AccessRequestSpecification"), std::string::npos);
  EXPECT_NE(xml.find("<AccessResponseGet>"), std::string::npos);
}

TEST(COSEMpdu, ReadingXml) {
  // Element names are matched without regard to case; they are written in their own case.
  auto p = TCOSEMPDUHelper::MakeFromXml(
      "<GetRequest><GetRequestForNextDatablock><InvokeIdAndPriority Value=\"C1\"/>"
      "<BlockNumber Value=\"00000005\"/></GetRequestForNextDatablock></GetRequest>");
  EXPECT_EQ(X(p->Encode()), "C002C100000005");
  EXPECT_NE(p->ToXMLString().find("GetRequestForNextDataBlock"), std::string::npos);
  p = TCOSEMPDUHelper::MakeFromXml(
      "<GetResponse><GetResponsewithDataBlock><InvokeIdAndPriority Value=\"C1\"/><Result>"
      "<LastBlock Value=\"01\"/><BlockNumber Value=\"00000001\"/><Result><RawData Value=\"\"/></Result></Result>"
      "</GetResponsewithDataBlock></GetResponse> trailing text is ignored");
  EXPECT_EQ(X(p->Encode()), "C402C1010000000100" "00");
  // The access selection and the optional list of an ACCESS response are there exactly
  // when their elements are.
  p = TCOSEMPDUHelper::MakeFromXml(
      "<AccessResponse><LongInvokeIdAndPriority Value=\"00000001\"/><DateTime Value=\"\"/><AccessResponseBody>"
      "<AccessRequestSpecification Qty=\"AUTO\"><AccessRequestGet><AttributeDescriptor><ClassId Value=\"0008\"/>"
      "<InstanceId Value=\"0.0.1.0.0.255\"/><AttributeId Value=\"02\"/></AttributeDescriptor></AccessRequestGet>"
      "</AccessRequestSpecification><AccessResponseListOfData Qty=\"0001\"><NullData/></AccessResponseListOfData>"
      "<AccessResponseSpecification Qty=\"0001\"><AccessResponseGet><Result Value=\"Success\"/></AccessResponseGet>"
      "</AccessResponseSpecification></AccessResponseBody></AccessResponse>");
  EXPECT_EQ(X(p->Encode()), X(H("DA 00000001 00 01 01 01 0008 0000010000FF 02 01 00 01 01 00")));

  // Wrapped in an element of its own the APDU needs both of the wrapper's tags.
  const char* inner = "<GetResponse><GetResponseNormal><InvokeIdAndPriority Value=\"C1\"/>"
                      "<Result><Data><Unsigned Value=\"05\"/></Data></Result></GetResponseNormal></GetResponse>";
  auto wrapped = MakeAnyFromXml(xml_COSEMpdu, T_COSEMpdu, std::string("<_COSEMpdu>") + inner + "</_COSEMpdu>");
  EXPECT_EQ(wrapped->As<TChoice>().Tag, 196);
  EXPECT_EQ(wrapped->ToXMLString().rfind("<_COSEMpdu>\r\n  <GetResponse>", 0), 0u);
  EXPECT_EQ(ErrorOf([&] { MakeAnyFromXml(xml_COSEMpdu, T_COSEMpdu, inner); }), "Start tag \"_COSEMpdu\" expected");

  struct Row { const char* xml; const char* error; };
  const Row errors[] = {
      {"<GetRequestNormal><InvokeIdAndPriority Value=\"C1\"/></GetRequestNormal>",
       "T_COSEMpdu.CreateFromXml : illegal choice"},
      {"<Nonsense/>", "'Nonsense' unknown identifier"},
      {"<ActionRequest><_ActionRequestWithListAndWithFirstPBlock/></ActionRequest>",
       "T_ActionRequest.CreateFromXml : illegal choice"},
      {"<GetResponse><GetResponseNormal><InvokeIdAndPriority Value=\"C1\"/><Result>"
       "<DataAccessResult Value=\"Success\"/></Result></GetResponseNormal></GetResponse>",
       "T_GetDataResult.CreateFromXml : illegal choice"},
      {"<GetRequest><GetRequestNormal><InvokeIdAndPriority Value=\"C1\"/><AttributeDescriptor>"
       "<ClassId Value=\"08\"/>", "Illegal data size, expected 2, found 1"},
      {"<GetRequest><GetRequestNormal><InvokeIdAndPriority Value=\"C1\"/><AttributeDescriptor>"
       "<ClassId Value=\"0008\"/><InstanceId Value=\"0000010000\"/>",
       "T_ObjectInstanceId: Illegal data size, expected 6, found 5"},
      {"<SetResponse><SetResponseWithList><InvokeIdAndPriority Value=\"C1\"/><Result Qty=\"02\">"
       "<_DataAccessResult Value=\"Success\"/></Result></SetResponseWithList></SetResponse>",
       "ExpectedQty=2, ActualQty=1"},
      {"<ExceptionResponse><StateError Value=\"ServiceNotAllowed\"/><ServiceError Value=\"PDUTooLong\"/>"
       "</ExceptionResponse>", "T_ExceptionServiceError: illegal element PDUTooLong"},
      {"<GeneralSigning><TransactionId Value=\"\"/><OriginatorSystemTitle Value=\"\"/>"
       "<RecipientSystemTitle Value=\"\"/><DateTime Value=\"\"/><OtherInformation Value=\"\"/>"
       "<Signature Value=\"\"/><Content Value=\"\"/></GeneralSigning>", "Start tag \"Content\" expected"},
      {"<DataNotification><LongInvokeIdAndPriority Value=\"0001\"/>", "Illegal data size, expected 4, found 2"},
      {"<EventNotificationRequest><AttributeDescriptor><ClassId Value=\"0001\"/><InstanceId Value=\"0000600A01FF\"/>"
       "<AttributeId Value=\"02\"/></AttributeDescriptor><Time Value=\"00\"/>", "Start tag \"AttributeValue\" expected"},
  };
  for (const auto& r : errors) {
    SCOPED_TRACE(r.xml);
    EXPECT_THROW(TCOSEMPDUHelper::MakeFromXml(r.xml), EXMLError);
    EXPECT_EQ(ErrorOf([&] { TCOSEMPDUHelper::MakeFromXml(r.xml); }), r.error);
  }
}

TEST(COSEMpdu, DecodingErrorsCarryTheOctets) {
  struct Row { const char* hex; const char* error; };
  const Row rows[] = {
      {"", "Wrong encoding in pdu"},
      {"00", "T_COSEMpdu : illegal Tag 0"},
      {"CA", "T_COSEMpdu : illegal Tag 202"},
      {"C0 01 C1 0008 0000010000", "Wrong encoding in pdu"},
      {"C0 04", "T_GetRequest : illegal Tag 4"},
      {"C4 04", "T_GetResponse : illegal Tag 4"},
      {"C4 01 C1 02", "T_GetDataResult : illegal Tag 2"},
      {"C4 02 C1 00 00000001 02", "T_DataBlockGResult : illegal Tag 2"},
      {"C1 06", "T_SetRequest : illegal Tag 6"},
      {"C5 00", "T_SetResponse : illegal Tag 0"},
      {"C3 00", "T_ActionRequest : illegal Tag 0"},
      {"C3 07", "T_ActionRequest : illegal Tag 7"},
      {"C7 05", "T_ActionResponse : illegal Tag 5"},
      {"0E 01 08 00", "T_ServiceError : illegal Tag 8"},
      {"D9 00000001 00 01 06", "T_AccessRequestSpecification : illegal Tag 6"},
      {"DA 00000001 00 00 00 01 04", "T_AccessResponseSpecification : illegal Tag 4"},
      {"05 01 03", "T_VariableAccessSpecification : illegal Tag 3"},
      {"0C 01 04", "T_SingleReadResponse : illegal Tag 4"},
      {"0D 01 03", "T_SingleWriteResponse : illegal Tag 3"},
      {"DD 00 00 00 00 00 01 03", "T_KeyInfo : illegal Tag 3"},
      {"FF 08", "T_Data : illegal Tag 8"},
      {"DF 00 00 00 00 00 00 84", "Unsupported integer length."},
      // A count larger than what follows fails at the end of the octets.
      {"05 83FFFFFF 02 FA00", "Wrong encoding in pdu"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.hex);
    try {
      TCOSEMPDUHelper::MakeFromPdu(H(r.hex));
      ADD_FAILURE();
    } catch (const EMakeCOSEMPdu& e) {
      EXPECT_EQ(e.Message(), r.error);
      EXPECT_EQ(X(e.Octets), X(H(r.hex)));
    }
  }
  // Nesting from a peer is bounded.
  PduStr deep = H("FF");
  for (int i = 0; i < 100000; ++i) deep += H("0101");
  EXPECT_EQ(ErrorOf([&] { TCOSEMPDUHelper::MakeFromPdu(deep); }), "Wrong encoding in pdu");
}

TEST(COSEMpdu, Factories) {
  const PduStr get = H("C0 01 C1 0008 0000010000FF 02 00");
  const PduStr rsp = H("C4 01 C1 00 11 05");
  // Octets after the APDU are not looked at.
  EXPECT_EQ(X(TCOSEMPDUHelper::MakeFromPdu(get + H("ABCD"))->Encode()), X(get));

  PduStr buffer = get + rsp;
  EXPECT_EQ(X(TCOSEMPDUHelper::MakeFromPduBuffer(buffer)->Encode()), X(get));
  EXPECT_EQ(X(buffer), X(rsp));
  EXPECT_EQ(X(TCOSEMPDUHelper::MakeFromPduBuffer(buffer)->Encode()), X(rsp));
  EXPECT_TRUE(buffer.empty());

  // Half an APDU stays in the buffer for the rest to arrive.
  buffer = get.substr(0, 7);
  try {
    TCOSEMPDUHelper::MakeFromPduBuffer(buffer);
    ADD_FAILURE();
  } catch (const EMakeCOSEMPdu& e) {
    EXPECT_EQ(e.Message(), "Wrong encoding in pdu");
    EXPECT_EQ(X(e.Octets), X(get.substr(0, 7)));
  }
  EXPECT_EQ(X(buffer), X(get.substr(0, 7)));

  // An APDU around an alternative made elsewhere, or around an empty one.
  auto exc = TCOSEMPDUHelper::CreateVariant(xmlExceptionResponse);
  EXPECT_EQ(exc->Tag, 216);
  EXPECT_EQ(exc->XMLId, xmlIgnore);
  EXPECT_TRUE(exc->Value->IsA(T_ExceptionResponse));
  EXPECT_EQ(X(exc->Encode()), "D80000");
  auto rr = TCOSEMPDUHelper::CreateVariant(xmlReadResponse, Create(T_ReadResponse, xmlReadResponse));
  EXPECT_EQ(X(rr->Encode()), "0C00");
  EXPECT_EQ(rr->ToXMLString(), "<ReadResponse Qty=\"0000\" >\r\n</ReadResponse>\r\n");
  auto gr = TCOSEMPDUHelper::CreateVariant(xmlGetRequest);
  EXPECT_EQ(ErrorOf([&] { gr->Encode(); }), "T_GetRequest : no alternative");
  EXPECT_EQ(ErrorOf([] { TCOSEMPDUHelper::CreateVariant(xmlGetRequestNormal); }),
            "T_COSEMpdu.CreateVariant : illegal choice");
}

// No APDU travels in the Data form; what the choice writes there still reads back.
TEST(COSEMpdu, DataForm) {
  for (const char* hex : {"C4 01 C1 00 1105", "D8 01 02", "FF 0202 1105 0903616263", "C8 03 112233"}) {
    SCOPED_TRACE(hex);
    auto pdu = TCOSEMPDUHelper::MakeFromPdu(H(hex));
    PduStr data = pdu->EncodeData();
    EXPECT_EQ(data[0], H(hex)[0]);  // the tag octet first: the alternatives share Data tags
    EXPECT_EQ(X(MakeAnyFromData(xmlIgnore, T_COSEMpdu, data)->Encode()), X(H(hex)));
  }
  EXPECT_EQ(X(TCOSEMPDUHelper::MakeFromPdu(H("D8 01 02"))->EncodeData()), "D8020216011602");
  EXPECT_EQ(ErrorOf([] { MakeAnyFromData(xmlIgnore, T_COSEMpdu, H("CA 00")); }), "T_COSEMpdu : illegal Tag 202");
}

// What the server writes as XML templates and reads back before it encodes.
TEST(COSEMpdu, ServerTemplates) {
  auto value = MakeAnyFromXml(xmlResult, T_GetDataResult, "<Result><Data><Unsigned Value=\"05\" /></Data></Result>");
  EXPECT_EQ(X(value->Encode()), "001105");
  auto error = MakeAnyFromXml(xmlResult, T_GetDataResult,
                              Format("<Result><DataAccessError Value = \"%s\" /></Result>",
                                     TEnum::GetString(T_DataAccessResult, 3).c_str()));
  EXPECT_EQ(X(error->Encode()), "0103");
  auto gbt = TCOSEMPDUHelper::MakeFromXml(
      Format("<GeneralBlockTransfer><BlockControl Value=\"%s\" /><BlockNumber Value=\"%s\" />"
             "<BlockNumberAck Value=\"%s\" /><BlockData Value=\"\" /></GeneralBlockTransfer>",
             "81", "0001", "0000"));
  EXPECT_EQ(X(gbt->Encode()), "E081000100000" "0");
  auto& body = gbt->Value->As<TSequence>();
  EXPECT_EQ(body.Get<TNumber>(GeneralBlockTransfer::BlockControl).AsUInt64() & kGbtLastBlock, 0x80u);
}

TEST(COSEMpdu, PublishedCipheringExample) {
  const PduStr octets = H("C8 1E 30 01234567 411312FF935A47566827C467BC 7D825C3BE4A77C3FCC056B6B");
  auto pdu = TCOSEMPDUHelper::MakeFromPdu(octets);
  EXPECT_EQ(pdu->Tag, 200);
  const auto& content = pdu->Value->As<TOctetString>();
  EXPECT_EQ(content.Value.size(), 30u);
  EXPECT_EQ(static_cast<uint8_t>(content.Value[0]), 0x30);  // security control: authenticated and encrypted
  EXPECT_EQ(pdu->ToXMLString(),
            "<glo_GetRequest Value=\"3001234567411312FF935A47566827C467BC7D825C3BE4A77C3FCC056B6B\" />\r\n");
  // The plaintext of that example is an ordinary GET request.
  auto plain = TCOSEMPDUHelper::MakeFromPdu(H("C0 01 00 0008 0000010000FF 02 00"));
  auto& normal = plain->Value->As<TChoice>().Value->As<TSequence>();
  auto& descriptor = normal.Get<TSequence>(GetRequestNormal::AttributeDescriptor);
  EXPECT_EQ(descriptor.Get<TNumber>(AttributeDescriptor::ClassId).AsUInt64(), 8u);
  EXPECT_EQ(X(descriptor.Get<TOctetString>(AttributeDescriptor::InstanceId).Value), "0000010000FF");
  EXPECT_EQ(descriptor.Get<TNumber>(AttributeDescriptor::AttributeId).AsInt64(), 2);
  EXPECT_EQ(normal.Member(GetRequestNormal::AccessSelection), nullptr);
}
