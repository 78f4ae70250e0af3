// What a client's SET can do to a communication object: new values built from the Data
// form, unnamed enumeration codes, and the values a class refuses.
#include <gtest/gtest.h>

#include "cosem/class_test_support.h"
#include "cosem/comm_classes.h"
#include "foundation/data_helper.h"

using namespace zv;
using namespace zv::test;

namespace {

PduPtr MakeObject(const TypeInfo& t, TXMLId id) {
  PduPtr p = Create(t, id);
  p->As<TCOSEMInstance>().Attribute(1)->As<TOctetString>().Value = HexStrToByteStr("0000160000FF");
  return p;
}

}  // namespace

TEST(CommAttributes, EveryEnumerationKeepsCodesWithoutAName) {
  EXPECT_EQ(CheckUnnamedEnumCodes(CommunicationTypes()), 24);
}

TEST(CommAttributes, SetWithAnUnnamedCodeKeepsTheDescriptionWritable) {
  PduPtr hdlc = MakeObject(T_IECHDLCSetupObject, xmlIECHDLCSetupObject);
  auto& obj = hdlc->As<TCOSEMInstance>();
  SetFromData(obj, 2, "16 05");
  EXPECT_NE(obj.ToXMLString().find("<CommSpeed Value=\"Baud9600\" />"), std::string::npos);
  SetFromData(obj, 2, "16 0A");
  EXPECT_EQ(X(obj.Attribute(2)->EncodeData()), "160A");
  const std::string xml = obj.ToXMLString();
  EXPECT_NE(xml.find("<CommSpeed Value=\"0A\" />"), std::string::npos);
  PduPtr reloaded = MakeAnyFromXml(xmlIECHDLCSetupObject, T_IECHDLCSetupObject, xml);
  EXPECT_TRUE(reloaded->IsEqual(obj));

  // The same in a list item: a neighbour entry with an unnamed modulation.
  PduPtr table = MakeAnyFromData(
      xmlMAC_NeighbourTable, T_MAC_NeighbourTable,
      HexStrToByteStr("01 01 02 0B 12 0001 03 00 04 03 A0 16 07 0F FE 16 02 04 00 11 10 0F 00 11 01 11 02"));
  const std::string tableXml = table->ToXMLString();
  EXPECT_NE(tableXml.find("<Modulation Value=\"07\" />"), std::string::npos);
  EXPECT_NE(tableXml.find("<TxRes Value=\"02\" />"), std::string::npos);
  EXPECT_TRUE(MakeAnyFromXml(xmlMAC_NeighbourTable, T_MAC_NeighbourTable, tableXml)->IsEqual(*table));
}

TEST(CommAttributes, ValuesOfAnotherClassAreRefused) {
  struct Row {
    const TypeInfo* ic;
    TXMLId id;
    int attribute;
    const char* data;  // a SET value that does not fit the attribute
    const char* error;
  };
  // Each fails while the new member is built: the server answers "type unmatched".
  const Row rows[] = {
      // A window size is an unsigned, not a long-unsigned.
      {&T_IECHDLCSetupObject, xmlIECHDLCSetupObject, 4, "12 0080", "Byte[1]:, expected 0x11 found 0x12"},
      // A time stamp is a date-time; a capture time of the GSM diagnostic an octet string.
      {&T_MBusDiagnosticObject, xmlMBusDiagnosticObject, 9, "02 02 11 02 09 0C 000000000000000000000000",
       "Byte[5]:, expected 0x19 found 0x09"},
      {&T_GSMDiagnosticObject, xmlGSMDiagnosticObject, 8, "19 000000000000000000000000",
       "Byte[1]:, expected 0x09 found 0x19"},
      // Structure counts that do not match the class: a member short, a member too many.
      {&T_AutoAnswerObject_0, xmlAutoAnswerObject_0, 6, "02 01 11 03", "Wrong encoding in pdu"},
      {&T_AutoAnswerObject_0, xmlAutoAnswerObject_0, 6, "02 03 11 03 11 05 11 07", "Wrong encoding in pdu"},
      // Octets that run out inside a list item or a number.
      {&T_AutoAnswerObject_0, xmlAutoAnswerObject_0, 3, "01 01 02 02 09 00", "Wrong encoding in pdu"},
      {&T_IPv4SetupObject, xmlIPv4SetupObject, 3, "06 C0A800", "Wrong encoding in pdu"},
  };

  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.ic->name) + " " + r.data);
    PduPtr p = MakeObject(*r.ic, r.id);
    auto& obj = p->As<TCOSEMInstance>();
    const TCOSEMPduBase* before = obj.Attribute(r.attribute);
    EXPECT_EQ(ErrorOf([&] { SetFromData(obj, r.attribute, r.data); }), r.error);
    EXPECT_EQ(obj.Attribute(r.attribute), before);
  }

  // Replacing directly checks the attribute's class, derived alias classes included.
  PduPtr ppp = MakeObject(T_PPPSetupObject, xmlPPPSetupObject);
  auto& pppObj = ppp->As<TCOSEMInstance>();
  const std::string nullData(1, '\0');
  EXPECT_EQ(ErrorOf([&] { pppObj.ReplaceAttribute(5, MakeAnyFromData(xmlPPPAuthentication, T_Data, nullData)); }),
            "Invalid class typecast");
  pppObj.ReplaceAttribute(5, MakeAnyFromData(xmlPPPAuthentication, T_PPPAuthType, nullData));
  EXPECT_EQ(X(pppObj.Attribute(5)->EncodeData()), "00");

  PduPtr gsm = MakeObject(T_GSMDiagnosticObject, xmlGSMDiagnosticObject);
  EXPECT_EQ(ErrorOf([&] { gsm->As<TCOSEMInstance>().ReplaceAttribute(8, Create(T_OctetString, xmlCaptureTime)); }),
            "Invalid class typecast");
  PduPtr v4 = MakeObject(T_IPv4SetupObject, xmlIPv4SetupObject);
  EXPECT_EQ(ErrorOf([&] { v4->As<TCOSEMInstance>().ReplaceAttribute(9, Create(T_OctetString, xmlPrimaryDNSAddress)); }),
            "Invalid class typecast");
  PduPtr v6 = MakeObject(T_IPv6SetupObject, xmlIPv6SetupObject);
  v6->As<TCOSEMInstance>().ReplaceAttribute(7, MakeOctets(T_OctetString, "\x20\x01", xmlPrimaryDNSAddress));
  EXPECT_EQ(X(v6->As<TCOSEMInstance>().Attribute(7)->EncodeData()), "09022001");
  for (int id : {0, 11}) {
    EXPECT_EQ(ErrorOf([&] { v6->As<TCOSEMInstance>().ReplaceAttribute(id, Create(T_OctetString, xmlName)); }),
              "Argument out of range");
  }
}

TEST(CommAttributes, BadBitStringStopsTheDescriptionWhereItStands) {
  const char kDevice[] =
      "<LogicalDevice>\n"
      "  <Name Value=\"\\Meter\" />\n"
      "  <ServerSAP Value=\"0001\" />\n"
      "  <COSEMObjectList Qty=\"AUTO\" >\n"
      "    <ZigBeeNetworkControlObject>\n"
      "      <Name Value=\"0000680000FF\" />\n"
      "      <EnableDisableJoining Value=\"00\" />\n"
      "      <JoinTimeout Value=\"0000\" />\n"
      "      <ActiveDevices Qty=\"0001\" >\n"
      "        <_ActiveDevice>\n"
      "          <MACAddress Value=\"0011223344556677\" />\n"
      "          <Status Value=\"10x1\" />\n";
  try {
    MakeLogicalDevice(kDevice);
    ADD_FAILURE() << "loaded";
  } catch (const EXMLError& e) {
    EXPECT_EQ(e.Message(), "BERBitString: illegal character");
    EXPECT_EQ(e.PosY, 12);
  }
}
