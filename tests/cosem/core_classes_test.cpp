// The clock, association, security setup, push setup and data protection classes: the
// fixture with one object of each core class, byte examples of single attributes, the
// optional attributes and members in every form, and the descriptors.
#include "cosem/core_classes.h"

#include <gtest/gtest.h>

#include "apdu/ber.h"
#include "apdu/conformance.h"
#include "cosem/association_classes.h"
#include "cosem/basic_classes.h"
#include "cosem/class_test_support.h"
#include "cosem/clock.h"
#include "cosem/data_protection.h"
#include "cosem/push_setup.h"
#include "cosem/security_setup.h"

using namespace zv;
using namespace zv::test;

namespace {

std::string Device(const std::string& objects) {
  return "<LogicalDevice><Name Value=\"\"/><ServerSAP Value=\"0001\"/><COSEMObjectList Qty=\"AUTO\">\n" + objects +
         "</COSEMObjectList></LogicalDevice>";
}

// One object parsed from its own element.
PduPtr Object(const TypeInfo& t, TXMLId id, const std::string& xml) { return MakeAnyFromXml(id, t, xml); }

const char kSecuritySetup1Head[] =
    "<SecuritySetupObject_1><Name Value=\"0.0.43.0.1.255\"/><SecurityPolicy Value=\"00\"/>"
    "<SecuritySuite Value=\"01\"/><ClientSystemTitle Value=\"4142434445464748\"/>"
    "<ServerSystemTitle Value=\"4D4D4D0000BC614E\"/><Certificates Qty=\"0000\"></Certificates>";

const char kPushSetupHead[] =
    "<PushSetupObject><Name Value=\"0.0.25.9.0.255\"/><PushObjectList Qty=\"0\"></PushObjectList>"
    "<SendDestinationAndMethod><TransportServiceType Value=\"TransportServiceUDP\"/>"
    "<Destination Value=\"\\[::1]:4059\"/><Message Value=\"MessageTypeXML\"/></SendDestinationAndMethod>"
    "<CommunicationWindows Qty=\"0\"></CommunicationWindows><RandomisationStartInterval Value=\"0000\"/>"
    "<NumberOfRetries Value=\"00\"/><RepetitionDelay Value=\"0000\"/>";

const char kSNAssociationHead[] =
    "<SNAssociationObject_4><Name Value=\"0.0.40.0.0.255\"/><ObjectList Qty=\"0\"></ObjectList>"
    "<AccessRightsListSN Qty=\"0\"></AccessRightsListSN><SecuritySetupReference Value=\"\"/>"
    "<UserList Qty=\"0\"></UserList><CurrentUser><UserId Value=\"00\"/><UserName Value=\"\"/></CurrentUser>";

}  // namespace

TEST(CoreClasses, FixtureLoadsRendersBackAndEveryAttributeTravels) {
  CheckFixtureRoundTrip("core_classes.xml", nullptr, 12);
}

TEST(CoreClasses, AttributeDataFormsMatchTheExamples) {
  auto dev = MakeLogicalDevice(ReadFixture("core_classes.xml"));
  struct Row {
    const TypeInfo* cls;
    int attribute;
    const char* data;
  };
  const Row rows[] = {
      {&T_DataObject, 2, "02 02 11 05 09 03 616263"},
      {&T_RegisterObject, 1, "09 06 0100010800FF"},
      {&T_RegisterObject, 3, "02 02 0F FF 16 1E"},
      {&T_ExtendedRegisterObject, 5, "09 0C 07EA0C0A0410000000800000"},
      {&T_DemandRegisterObject, 5, "00"},
      {&T_DemandRegisterObject, 7, "09 00"},
      {&T_DemandRegisterObject, 8, "06 00000384"},
      {&T_DemandRegisterObject, 9, "12 0001"},
      {&T_ProfileGenericObject, 3,
       "01 02 02 04 12 0008 09 06 0000010000FF 0F 02 12 0000 02 04 12 0003 09 06 0100010800FF 0F 02 12 0000"},
      {&T_ProfileGenericObject, 5, "16 01"},
      {&T_ClockObject, 2, "09 0C 07EA0C0A0410000000800000"},
      {&T_ClockObject, 3, "10 FFC4"},
      {&T_ClockObject, 4, "11 00"},
      {&T_ClockObject, 7, "0F 3C"},
      {&T_ClockObject, 8, "03 01"},
      {&T_ClockObject, 9, "16 01"},
      {&T_LNAssociationObject_3, 3, "02 02 0F 10 12 0001"},
      {&T_LNAssociationObject_3, 7, "09 08 3132333435363738"},
      {&T_LNAssociationObject_3, 8, "16 00"},
      {&T_LNAssociationObject_3, 10, "01 01 02 02 11 01 0A 08 4F70657261746F72"},
      {&T_LNAssociationObject_3, 11, "02 02 11 00 0A 00"},
      {&T_SNAssociationObject_4, 2,
       "01 02 02 04 10 FA00 12 000C 11 04 09 06 0000280000FF 02 04 10 0100 12 0001 11 00 09 06 0000600100FF"},
      {&T_SNAssociationObject_4, 3,
       "01 01 02 03 10 0100 01 02 02 03 0F 01 16 01 00 02 03 0F 02 16 03 00 01 00"},
      {&T_PushSetupObject, 3, "02 03 16 00 09 0E 3132372E302E302E313A34303539 16 00"},
      {&T_PushSetupObject, 4, "01 01 02 02 09 0C FFFFFFFFFF060000FF800000 09 0C FFFFFFFFFF160000FF800000"},
      {&T_PushSetupObject, 5, "12 000A"},
      {&T_PushSetupObject, 6, "11 03"},
      {&T_PushSetupObject, 7, "12 001E"},
      {&T_PushSetupObject, 8, "09 06 0000280001FF"},
      {&T_DataProtectionObject, 3, "01 01 02 05 12 0003 09 06 0100010800FF 0F 02 12 0000 02 02 16 00 00"},
      {&T_DataProtectionObject, 5,
       "01 01 02 02 16 01 02 05 09 00 09 08 4D4D4D0000BC614E 09 00 09 00 02 02 16 01 02 02 16 00 09 04 00112233"},
      {&T_DataProtectionObject, 6, "16 30"},
      {&T_SecuritySetupObject_0, 2, "16 03"},
      {&T_SecuritySetupObject_0, 9, "09 00"},
      {&T_SecuritySetupObject_1, 2, "16 FC"},
      {&T_SecuritySetupObject_1, 3, "16 01"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.cls->name) + " " + std::to_string(r.attribute));
    EXPECT_EQ(X(FindObject(*dev, *r.cls).Attribute(r.attribute)->EncodeData()), X(H(r.data)));
  }
  // The access mode of an LN object-list item travels as an enum.
  auto& item = TLNAssociation::ObjectList(FindObject(*dev, T_LNAssociationObject_3)).Elements(1)->As<TSequence>();
  auto& rights = item.Get<TSequence>(ObjectListItemLN::AccessRights);
  EXPECT_EQ(X(rights.EncodeData()), X(H("02 02 01 01 02 03 0F 02 16 E3 00 01 00")));
  EXPECT_EQ(TAccessRightsView::AttributeAccessMode(rights.Get<TSequenceOf>(AccessRights::AttributeAccessList), 2), 0xE3);
  EXPECT_EQ(TAccessRightsView::AttributeAccessMode(rights.Get<TSequenceOf>(AccessRights::AttributeAccessList), 3), -1);
}

TEST(CoreClasses, ServerViews) {
  auto dev = MakeLogicalDevice(ReadFixture("core_classes.xml"));
  auto& ln = FindObject(*dev, T_LNAssociationObject_3);
  EXPECT_EQ(TLNAssociation::ClientSAP(ln), 16);
  EXPECT_EQ(TLNAssociation::ServerSAP(ln), 1);
  EXPECT_EQ(TLNAssociation::ApplicationContextName(ln).Value, TObjectIdentifier::LN);
  EXPECT_EQ(TLNAssociation::AuthenticationMechanismName(ln).Value, TObjectIdentifier::LOW_SECURITY);
  EXPECT_TRUE(TLNAssociation::Conformance(ln).IsSet(cbBlockTransferWithGetOrRead));
  EXPECT_EQ(TLNAssociation::MaxRecPduSize(ln), 1024);
  EXPECT_EQ(TLNAssociation::MaxSendPduSize(ln), 1024);
  EXPECT_EQ(TLNAssociation::Secret(ln), "12345678");
  EXPECT_EQ(TLNAssociation::AssociationStatus(ln), asNonAssociated);
  EXPECT_EQ(X(TLNAssociation::SecuritySetupReference(ln)), "00002B0001FF");
  EXPECT_EQ(TLNAssociation::UserList(ln).ElementCount(), 1);
  auto& sn = FindObject(*dev, T_SNAssociationObject_4);
  ASSERT_NE(TSNAssociation::Secret(sn), nullptr);
  EXPECT_EQ(TSNAssociation::Secret(sn)->Value, "12345678");
  ASSERT_NE(TSNAssociation::Conformance(sn), nullptr);
  EXPECT_TRUE(TSNAssociation::Conformance(sn)->IsSet(cbMultipleReferences));
  // Base names of 0x8000 and above are negative in the object.
  auto& first = TSNAssociation::ObjectList(sn).Elements(0)->As<TSequence>();
  EXPECT_EQ(first.Get<TNumber>(ObjectListItemSN::BaseName).AsInt64(), -0x600);

  auto& push = FindObject(*dev, T_PushSetupObject);
  EXPECT_EQ(TPushSetup::PushObjectList(push).ElementCount(), 2);
  EXPECT_EQ(TPushSetup::TransportServiceType(push), tsTCP);
  EXPECT_EQ(TPushSetup::Destination(push), "127.0.0.1:4059");
  EXPECT_EQ(TPushSetup::MessageType(push), mtAXDR);
  EXPECT_EQ(TPushSetup::CommunicationWindows(push).ElementCount(), 1);
  EXPECT_EQ(TPushSetup::RandomisationStartInterval(push), 10);
  EXPECT_EQ(TPushSetup::NumberOfRetries(push), 3);
  EXPECT_EQ(TPushSetup::RepetitionDelay(push), 30);
  ASSERT_NE(TPushSetup::AAReference(push), nullptr);
  EXPECT_EQ(X(*TPushSetup::AAReference(push)), "0000280001FF");

  auto& dp = FindObject(*dev, T_DataProtectionObject);
  EXPECT_EQ(TDataProtection::ProtectionBuffer(dp).Value, "");
  EXPECT_EQ(TDataProtection::ProtectionObjectList(dp).ElementCount(), 1);
  EXPECT_EQ(TDataProtection::ProtectionParametersGet(dp).ElementCount(), 1);
  EXPECT_EQ(TDataProtection::ProtectionParametersSet(dp).ElementCount(), 1);
  EXPECT_EQ(TDataProtection::RequiredProtection(dp), 0x30);

  auto& ss0 = FindObject(*dev, T_SecuritySetupObject_0).As<TCosemInstance_SecuritySetup>();
  auto& ss1 = FindObject(*dev, T_SecuritySetupObject_1).As<TCosemInstance_SecuritySetup>();
  EXPECT_EQ(ss0.SecurityPolicy(), 3);
  EXPECT_EQ(ss1.SecurityPolicy(), 0xFC);
  EXPECT_EQ(ss1.SecuritySuite(), 1);
  EXPECT_EQ(X(ss1.ClientSystemTitle()), "4142434445464748");
  EXPECT_EQ(X(ss1.ServerSystemTitle()), "4D4D4D0000BC614E");
  EXPECT_EQ(ss0.Certificates(), nullptr);
  ASSERT_NE(ss1.Certificates(), nullptr);
  EXPECT_EQ(ss1.Certificates()->ElementCount(), 2);
  for (auto* ss : {&ss0, &ss1}) {
    EXPECT_EQ(X(ss->KeyAttribute(xmlGlobalUnicastEncryptionKey)->Value), "000102030405060708090A0B0C0D0E0F");
    EXPECT_EQ(X(ss->KeyAttribute(xmlGlobalBroadCastEncryptionKey)->Value), "101112131415161718191A1B1C1D1E1F");
    EXPECT_EQ(X(ss->KeyAttribute(xmlGlobalAuthenticationKey)->Value), "D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF");
    EXPECT_EQ(ss->KeyAttribute(xmlDedicatedKey)->Value, "");
    EXPECT_NE(ss->KeyAttribute(xmlMasterKey), nullptr);
    EXPECT_EQ(ss->KeyAttribute(xmlClientSystemTitle), nullptr);
  }
  EXPECT_EQ(ss0.KeyAttribute(xmlSignaturePrivateKey), nullptr);
  EXPECT_EQ(ss1.KeyAttribute(xmlSignaturePrivateKey)->Value.size(), 32u);
  EXPECT_EQ(ss1.KeyAttribute(xmlKeyAgreementPrivateKey)->Value.size(), 32u);
}

// The certificate entries of attribute 6 and the keys after it are optional. A certificate
// entry without a public key is a structure of six in the Data form, one with a key a
// structure of seven, so a client can read the list and write it back.
TEST(CoreClasses, AbsentOptionalMembersInEveryForm) {
  auto dev = MakeLogicalDevice(ReadFixture("core_classes.xml"));
  auto& ss1 = FindObject(*dev, T_SecuritySetupObject_1);
  auto& certs = ss1.Attribute(6)->As<TSequenceOf>();
  ASSERT_NE(certs.Elements(0)->As<TSequence>().Member(CertificateInfo::PublicKey), nullptr);
  ASSERT_EQ(certs.Elements(1)->As<TSequence>().Member(CertificateInfo::PublicKey), nullptr);
  const PduStr get = ss1.Attribute(6)->EncodeData();
  EXPECT_EQ(X(certs.Elements(1)->EncodeData()), X(H("02 06 16 00 16 02 09 01 02 09 02 4341 09 08 4D4D4D0000BC614E 09 00")));
  EXPECT_EQ(X(get.substr(0, 4)), "01020207");

  // SET of attribute 6: the same list comes back; then a list whose first entry drops its key.
  PduPtr same = MakeAnyFromData(xmlCertificates, T_Certificates, get);
  ss1.ReplaceAttribute(6, same);
  EXPECT_EQ(X(ss1.Attribute(6)->EncodeData()), X(get));
  const PduStr noKeys = H(
      "01 01 02 06 16 01 16 00 09 01 01 09 02 4341 09 08 4142434445464748 09 00");
  PduPtr set = MakeAnyFromData(xmlCertificates, T_Certificates, noKeys);
  ss1.ReplaceAttribute(6, set);
  EXPECT_EQ(ss1.Attribute(6)->As<TSequenceOf>().Elements(0)->As<TSequence>().Member(CertificateInfo::PublicKey), nullptr);
  EXPECT_EQ(X(ss1.Attribute(6)->EncodeData()), X(noKeys));
  EXPECT_EQ(ss1.Attribute(6)->ToXMLString().find("PublicKey"), std::string::npos);
  // A structure of five is not a certificate entry.
  EXPECT_EQ(ErrorOf([] { MakeAnyFromData(xmlCertificates, T_Certificates, H("01 01 02 05 16 01 16 00 09 00 09 00 09 00")); }),
            "Wrong encoding in pdu");

  // Version 1 with attributes 1 to 6 only: seven absent keys, seven presence octets 0.
  PduPtr bare = Object(T_SecuritySetupObject_1, xmlSecuritySetupObject_1,
                       std::string(kSecuritySetup1Head) + "</SecuritySetupObject_1>");
  auto& b = bare->As<TCOSEMInstance>();
  for (int a = 7; a <= 13; ++a) EXPECT_EQ(b.Attribute(a), nullptr) << a;
  EXPECT_EQ(X(bare->Encode()).substr(X(bare->Encode()).size() - 16), "0000000000000000");
  EXPECT_EQ(bare->ToXMLString().find("Key"), std::string::npos);
  EXPECT_EQ(MakeAnyFromPdu(xmlSecuritySetupObject_1, T_SecuritySetupObject_1, bare->Encode())->ToXMLString(),
            bare->ToXMLString());
  // The whole object in the Data form: absent trailing attributes are not counted.
  EXPECT_EQ(MakeAnyFromData(xmlSecuritySetupObject_1, T_SecuritySetupObject_1, bare->EncodeData())->ToXMLString(),
            bare->ToXMLString());

  // Only MasterKey and SignaturePrivateKey: places 11 and 12, the others absent.
  PduPtr two = Object(T_SecuritySetupObject_1, xmlSecuritySetupObject_1,
                      std::string(kSecuritySetup1Head) +
                          "<MasterKey Value=\"00112233\"/><SignaturePrivateKey Value=\"44\"/></SecuritySetupObject_1>");
  auto& t = two->As<TCOSEMInstance>();
  for (int a : {7, 8, 9, 10, 13}) EXPECT_EQ(t.Attribute(a), nullptr) << a;
  EXPECT_EQ(X(t.Attribute(11)->EncodeData()), "090400112233");
  EXPECT_EQ(X(t.Attribute(12)->EncodeData()), "090144");
  EXPECT_EQ(X(two->Encode()).substr(X(two->Encode()).size() - 30), "000000000001040011223301014400");
  // A presence octet other than 0 and 1 counts as present.
  PduStr plain = two->Encode();
  plain[plain.size() - 10] = 2;
  EXPECT_EQ(MakeAnyFromPdu(xmlSecuritySetupObject_1, T_SecuritySetupObject_1, plain)->ToXMLString(), two->ToXMLString());
  // A copy keeps the absent keys absent.
  PduPtr copy = two->Clone();
  EXPECT_EQ(copy->As<TCOSEMInstance>().Attribute(7), nullptr);
  EXPECT_EQ(copy->ToXMLString(), two->ToXMLString());

  // The keys must keep their order: the master key is read, then the object must end.
  try {
    MakeLogicalDevice(Device(std::string(kSecuritySetup1Head) +
                             "<MasterKey Value=\"00\"/>\n  <GlobalUnicastEncryptionKey Value=\"00\"/></SecuritySetupObject_1>"));
    ADD_FAILURE() << "no error";
  } catch (const EXMLError& e) {
    EXPECT_EQ(e.Message(), "Stop tag \"SecuritySetupObject_1\" expected");
    EXPECT_EQ(e.PosY, 3);
    EXPECT_GT(e.PosX, 1);
  }

  // SN association: without Secret and Conformance, and with only Conformance.
  PduPtr sn = Object(T_SNAssociationObject_4, xmlSNAssociationObject_4,
                     std::string(kSNAssociationHead) + "</SNAssociationObject_4>");
  EXPECT_EQ(X(sn->Encode()).substr(X(sn->Encode()).size() - 4), "0000");
  EXPECT_EQ(sn->ToXMLString().find("Secret"), std::string::npos);
  PduPtr snC = Object(T_SNAssociationObject_4, xmlSNAssociationObject_4,
                      std::string(kSNAssociationHead) +
                          "<Conformance><ConformanceBit Name=\"Read\"/></Conformance></SNAssociationObject_4>");
  EXPECT_EQ(snC->As<TCOSEMInstance>().Attribute(7), nullptr);
  ASSERT_NE(snC->As<TCOSEMInstance>().Attribute(8), nullptr);
  EXPECT_EQ(X(snC->Encode()).substr(X(snC->Encode()).size() - 18), "00015F1F0400100000");
  EXPECT_EQ(MakeAnyFromPdu(xmlSNAssociationObject_4, T_SNAssociationObject_4, snC->Encode())->ToXMLString(),
            snC->ToXMLString());
  EXPECT_EQ(ErrorOf([] {
              MakeAnyFromXml(xmlSNAssociationObject_4, T_SNAssociationObject_4,
                             std::string(kSNAssociationHead) +
                                 "<Conformance><ConformanceBit Name=\"Read\"/></Conformance><Secret Value=\"\"/>"
                                 "</SNAssociationObject_4>");
            }),
            "Stop tag \"SNAssociationObject_4\" expected");

  // Push setup without AAReference.
  PduPtr push = Object(T_PushSetupObject, xmlPushSetupObject, std::string(kPushSetupHead) + "</PushSetupObject>");
  EXPECT_EQ(push->As<TCOSEMInstance>().Attribute(8), nullptr);
  EXPECT_EQ(TPushSetup::AAReference(push->As<TCOSEMInstance>()), nullptr);
  EXPECT_EQ(push->ToXMLString().find("AAReference"), std::string::npos);
  EXPECT_EQ(X(push->Encode()).substr(X(push->Encode()).size() - 2), "00");
  // Every attribute is made by Create, the optional one too.
  PduPtr empty = Create(T_PushSetupObject, xmlPushSetupObject);
  EXPECT_NE(empty->As<TCOSEMInstance>().Attribute(8), nullptr);
  // A certificate entry made by Create has no public key.
  EXPECT_EQ(Create(T_CertificateInfo, xml_CertificateInfo)->As<TSequence>().Member(CertificateInfo::PublicKey), nullptr);
}

TEST(CoreClasses, XmlErrorsOfTheCoreClasses) {
  struct Row {
    std::string object;
    const char* error;
  };
  const std::string clockHead =
      "<ClockObject><Name Value=\"0.0.1.0.0.255\"/><Time Value=\"07EA0C0A\"/>";
  const std::string clockTail =
      "<Status Value=\"00\"/><DaylightSavingsBegin Value=\"\"/><DaylightSavingsEnd Value=\"\"/>"
      "<DaylightSavingsDeviation Value=\"00\"/><DaylightSavingsEnabled Value=\"00\"/>";
  const Row rows[] = {
      {clockHead + "<TimeZone Value=\"000000\"/>", "Illegal data size, expected 2, found 3"},
      {clockHead + "<TimeZone Value=\"0000\"/>" + clockTail + "<ClockBase Value=\"clockbasegps\"/></ClockObject>",
       "T_ClockBase: illegal element clockbasegps"},
      {std::string(kPushSetupHead).replace(std::string(kPushSetupHead).find("TransportServiceUDP"), 19,
                                           "TransportServiceTcp"),
       "T_TransportServiceType: illegal element TransportServiceTcp"},
      {std::string(kPushSetupHead).replace(std::string(kPushSetupHead).find("MessageTypeXML"), 14, "MessageTypeXml"),
       "T_MessageType: illegal element MessageTypeXml"},
      {"<LNAssociationObject_3><Name Value=\"\"/><ObjectList Qty=\"0001\"><_ObjectListItemLN><ClassId Value=\"0001\"/>"
       "<Version Value=\"00\"/><LogicalName Value=\"\"/><AccessRights><AttributeAccessList Qty=\"1\">"
       "<_AttributeAccessItem><AttributeNr Value=\"01\"/><AccessMode Value=\"0003\"/>",
       "Illegal data size, expected 1, found 2"},
      {std::string(kSecuritySetup1Head).replace(std::string(kSecuritySetup1Head).find("Qty=\"0000\"></Certificates>"), 26,
                                                "Qty=\"1\"><_CertificateInfo><CertificateEntity Value=\"server\"/>"),
       "T_CertificateEntity: illegal element server"},
      {"<DataProtectionObject><Name Value=\"\"/><ProtectionBuffer Value=\"\"/><ProtectionObjectList Qty=\"0\">"
       "</ProtectionObjectList><ProtectionParametersGet Qty=\"1\"><_ProtectionParameterElement>"
       "<ProtectionType Value=\"authentication\"/>",
       "T_ProtectionType: illegal element authentication"},
      {"<DataProtectionObject><Name Value=\"\"/><ProtectionBuffer Value=\"\"/><ProtectionObjectList Qty=\"0\">"
       "</ProtectionObjectList><ProtectionParametersGet Qty=\"0\"></ProtectionParametersGet>"
       "<ProtectionParametersSet Qty=\"0\"></ProtectionParametersSet><RequiredProtection Value=\"0030\"/>",
       "Illegal data size, expected 1, found 2"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.object);
    try {
      MakeLogicalDevice(Device(r.object));
      ADD_FAILURE() << "no error";
    } catch (const EXMLError& e) {
      EXPECT_EQ(e.Message(), r.error);
      EXPECT_EQ(e.PosY, 2);  // the object's line
      EXPECT_GT(e.PosX, 1);
    }
  }
  // Association status names are exact.
  PduPtr status = MakeAnyFromXml(xmlAssociationStatus, T_AssociationStatus, "<AssociationStatus Value=\"AssociationPending\"/>");
  EXPECT_EQ(status->As<TEnum>().Value, asAssociationPending);
  EXPECT_EQ(status->ToXMLString(), "<AssociationStatus Value=\"AssociationPending\" />\r\n");
  EXPECT_EQ(ErrorOf([] {
              MakeAnyFromXml(xmlAssociationStatus, T_AssociationStatus, "<AssociationStatus Value=\"associationpending\"/>");
            }),
            "T_AssociationStatus: illegal element associationpending");
  EXPECT_EQ(ErrorOf([] { MakeAnyFromPdu(xmlClockBase, T_ClockBase, "\x06")->As<TEnum>().GetString(); }),
            "T_ClockBase: illegal enum value");
  // Access modes and the required protection compare only with their own kind.
  PduPtr mode = MakeAnyFromPdu(xmlAccessMode, T_AccessMode, "\x03");
  PduPtr other = MakeAnyFromPdu(xmlAccessMode, T_MethodAccessMode, "\x03");
  EXPECT_EQ(ErrorOf([&] { mode->CompareTo(*other); }), "T_AccessMode.CompareTo illegal type");
  PduPtr rp = MakeAnyFromPdu(xmlRequiredProtection, T_RequiredProtection, "\x30");
  EXPECT_EQ(ErrorOf([&] { rp->CompareTo(*mode); }), "T_RequiredProtection.CompareTo illegal type");
  EXPECT_TRUE(rp->CheckRange(0x30, 0x30));
  // A SET of the required protection takes any enum, never an unsigned.
  EXPECT_EQ(MakeAnyFromData(xmlRequiredProtection, T_RequiredProtection, H("16 FF"))->As<TNumber>().AsUInt64(), 255u);
  EXPECT_EQ(ErrorOf([] { MakeAnyFromData(xmlRequiredProtection, T_RequiredProtection, H("11 30")); }),
            "Byte[1]:, expected 0x16 found 0x11");
}

TEST(CoreClasses, LogicalNamesAndCounts) {
  struct Row {
    const char* text;
    const char* octets;
  };
  const Row rows[] = {
      {"1-0:99.1.0*255", "0100630100FF"},
      {"0.0.40.0.0.255", "0000280000FF"},
      {"0000280000FF", "0000280000FF"},
      {"00 00 28 00 00 FF", "0000280000FF"},
      {"\\ABCDEF", "414243444546"},
      {"1.2.3.4.5.6.7", "010203040506"},
      {"0102030405", "0102030405"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.text);
    PduPtr clock = Object(T_ClockObject, xmlClockObject,
                          std::string("<ClockObject><Name Value=\"") + r.text +
                              "\"/><Time Value=\"\"/><TimeZone Value=\"0000\"/><Status Value=\"00\"/>"
                              "<DaylightSavingsBegin Value=\"\"/><DaylightSavingsEnd Value=\"\"/>"
                              "<DaylightSavingsDeviation Value=\"00\"/><DaylightSavingsEnabled Value=\"00\"/>"
                              "<ClockBase Value=\"ClockBaseNotDefined\"/></ClockObject>");
    EXPECT_EQ(X(clock->As<TCOSEMInstance>().LogicalName()), r.octets);
    EXPECT_EQ(MakeAnyFromXml(xmlClockObject, T_ClockObject, clock->ToXMLString())->ToXMLString(), clock->ToXMLString());
  }
  EXPECT_EQ(ErrorOf([] { MakeAnyFromXml(xmlName, T_LogicalName, "<Name Value=\"1.2.3\"/>"); }),
            "'' is not a valid integer value");
  // Counts: "AUTO" in any case, or hexadecimal of any width.
  const std::string items = "<_UserListEntry><UserId Value=\"01\"/><UserName Value=\"\"/></_UserListEntry>";
  std::string ten;
  for (int i = 0; i < 10; ++i) ten += items;
  for (const char* qty : {"A", "0A", "000A", "auto", "AUTO"}) {
    PduPtr list = MakeAnyFromXml(xmlUserList, T_UserList, std::string("<UserList Qty=\"") + qty + "\">" + ten + "</UserList>");
    EXPECT_EQ(list->As<TSequenceOf>().ElementCount(), 10) << qty;
    EXPECT_EQ(list->ToXMLString().substr(0, 23), "<UserList Qty=\"000A\" >\r") << qty;
  }
  EXPECT_EQ(ErrorOf([&] { MakeAnyFromXml(xmlUserList, T_UserList, "<UserList Qty=\"0B\">" + ten + "</UserList>"); }),
            "ExpectedQty=11, ActualQty=10");
}

TEST(CoreClasses, ReplaceAttributeAndCopies) {
  auto dev = MakeLogicalDevice(ReadFixture("core_classes.xml"));
  auto& push = FindObject(*dev, T_PushSetupObject);
  const std::string before = push.ToXMLString();
  PduPtr data = Create(T_Data, xmlSendDestinationAndMethod);
  EXPECT_EQ(ErrorOf([&] { push.ReplaceAttribute(3, data); }), "Invalid class typecast");
  EXPECT_NE(data, nullptr);
  for (int id : {0, 9}) {
    PduPtr v = Create(T_LogicalName, xmlAAReference);
    EXPECT_EQ(ErrorOf([&] { push.ReplaceAttribute(id, v); }), "Argument out of range");
  }
  EXPECT_EQ(push.ToXMLString(), before);
  // SET of attribute 5 with long-unsigned 30, then GET.
  push.ReplaceAttribute(5, MakeAnyFromData(xmlRandomisationStartInterval, T_Unsigned16, H("12 001E")));
  EXPECT_EQ(X(push.Attribute(5)->EncodeData()), "12001E");
  // A SET value of another type fails before it reaches the object.
  EXPECT_EQ(ErrorOf([] { MakeAnyFromData(xmlRandomisationStartInterval, T_Unsigned16, H("11 1E")); }),
            "Byte[1]:, expected 0x12 found 0x11");
  // The clock's date-time takes any length; its time zone keeps its sign.
  auto& clock = FindObject(*dev, T_ClockObject);
  clock.ReplaceAttribute(ClockAttr::Time, MakeAnyFromData(xmlTime, T_OctetString, H("09 05 0102030405")));
  EXPECT_EQ(X(clock.Attribute(ClockAttr::Time)->Encode()), "050102030405");
  EXPECT_EQ(clock.Attribute(ClockAttr::TimeZone)->As<TNumber>().AsInt64(), -60);

  // Copies are deep, carry no hooks, no added-instance flag and no pending keys.
  auto& ln = FindObject(*dev, T_LNAssociationObject_3);
  ln.InvokeMethodFunc = [](void*, TCOSEMInstance*, int, const TData*, std::unique_ptr<TData>&) { return 0; };
  ln.ProcessFunc = [] {};
  ln.IsAddedInstance = true;
  PduPtr copy = ln.Clone();
  auto& c = copy->As<TCOSEMInstance>();
  EXPECT_FALSE(c.InvokeMethodFunc);
  EXPECT_FALSE(c.ProcessFunc);
  EXPECT_FALSE(c.IsAddedInstance);
  EXPECT_TRUE(copy->IsA(TCosemInstance_Association_Type));
  TLNAssociation::SetAssociationStatus(c, asAssociated);
  TLNAssociation::ObjectList(c).Elements(0)->As<TSequence>().Get<TSequence>(ObjectListItemLN::AccessRights)
      .Get<TSequenceOf>(AccessRights::AttributeAccessList).Clear();
  TLNAssociation::UserList(c).Clear();
  EXPECT_EQ(TLNAssociation::AssociationStatus(ln), asNonAssociated);
  EXPECT_EQ(TLNAssociation::UserList(ln).ElementCount(), 1);
  EXPECT_EQ(TLNAssociation::ObjectList(ln).Elements(0)->As<TSequence>().Get<TSequence>(ObjectListItemLN::AccessRights)
                .Get<TSequenceOf>(AccessRights::AttributeAccessList).ElementCount(),
            2);
  EXPECT_EQ(ErrorOf([&] { c.Another(FindObject(*dev, T_SNAssociationObject_4)); }), "Invalid class typecast");

  auto& ss = FindObject(*dev, T_SecuritySetupObject_1).As<TCosemInstance_SecuritySetup>();
  ss.NewGlobalUnicastEncryptionKey = "k";
  ss.EphemeralPrivateKey = "d";
  PduPtr ssCopy = ss.Clone();
  auto& sc = ssCopy->As<TCosemInstance_SecuritySetup>();
  EXPECT_TRUE(sc.NewGlobalUnicastEncryptionKey.empty());
  EXPECT_TRUE(sc.EphemeralPrivateKey.empty());
  EXPECT_EQ(ssCopy->ToXMLString(), ss.ToXMLString());
}

TEST(CoreClasses, EphemeralKeyPairs) {
  PduPtr obj = Create(T_SecuritySetupObject_0, xmlSecuritySetupObject_0);
  auto& ss = obj->As<TCosemInstance_SecuritySetup>();
  ss.GenerateEphemeralKeyPair(1);
  EXPECT_EQ(ss.EphemeralPrivateKey.size(), 32u);
  EXPECT_EQ(ss.EphemeralPublicKey.size(), 64u);
  const PduStr first = ss.EphemeralPrivateKey;
  ss.GenerateEphemeralKeyPair(1);
  EXPECT_NE(ss.EphemeralPrivateKey, first);
  ss.GenerateEphemeralKeyPair(2);
  EXPECT_EQ(ss.EphemeralPrivateKey.size(), 48u);
  EXPECT_EQ(ss.EphemeralPublicKey.size(), 96u);
  for (int suite : {0, 3}) {
    EXPECT_EQ(ErrorOf([&] { ss.GenerateEphemeralKeyPair(suite); }), "Ephemeral key pair not generated");
    EXPECT_TRUE(ss.EphemeralPrivateKey.empty());
    EXPECT_TRUE(ss.EphemeralPublicKey.empty());
  }
}

TEST(CoreClasses, DescriptorInvariants) {
  const DescriptorSummary s = CheckDescriptorInvariants(CoreClassTypes());
  EXPECT_EQ(s.interfaceClasses, (std::set<std::string>{"T_ClockObject", "T_LNAssociationObject_3",
                                                       "T_SNAssociationObject_4", "T_SecuritySetupObject_0",
                                                       "T_SecuritySetupObject_1", "T_PushSetupObject",
                                                       "T_DataProtectionObject"}));
  EXPECT_TRUE(T_LNAssociationObject_3.InheritsFrom(TCosemInstance_Association_Type));
  EXPECT_TRUE(T_SNAssociationObject_4.InheritsFrom(TCosemInstance_Association_Type));
  EXPECT_TRUE(T_SecuritySetupObject_0.InheritsFrom(TCosemInstance_SecuritySetup_Type));
  EXPECT_TRUE(T_SecuritySetupObject_1.InheritsFrom(TCosemInstance_SecuritySetup_Type));
  // The object choice covers all 81 interface classes.
  EXPECT_EQ(T_COSEMObject.altCount, 81);
  for (const auto& e : kInterfaceClasses) {
    const AltInfo* alt = T_COSEMObject.AltByTag(e.tag);
    ASSERT_NE(alt, nullptr) << e.name;
    EXPECT_STREQ(alt->type->name, e.name);
  }

  // The editor scheme knows the classes and their arrays.
  const std::set<std::string> registered = EditorSchemeNames(CoreClassTypes());
  for (const char* n : {"LNAssociationObject_3", "SecuritySetupObject_0", "ObjectListLN", "_ObjectListItemLN",
                        "Certificates", "_CertificateInfo", "UserList", "_UserListEntry", "PushObjectList",
                        "_CaptureObject", "CommunicationWindows", "_Window", "ProtectionParameters",
                        "_ProtectionParameterElement", "AttributeAccessList", "_AttributeAccessItem"})
    EXPECT_EQ(registered.count(n), 1u) << n;
  for (const char* n : {"ClockBase", "AccessRights", "xDLMSContextInfo"}) EXPECT_EQ(registered.count(n), 0u) << n;
}
