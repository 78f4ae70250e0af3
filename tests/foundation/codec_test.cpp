#include <gtest/gtest.h>

#include <algorithm>

#include "foundation/axdr_types.h"
#include "foundation/data_helper.h"
#include "foundation/date_time.h"
#include "foundation/kit_support.h"
#include "support/error_of.h"

using namespace zv;
using zv::test::ErrorOf;

namespace {

PduStr H(const char* hex) { return HexStrToByteStr(hex); }
std::string X(const PduStr& s) { return ByteStrToHexStr(s); }

// Test descriptors, one per family, named after real element ids.
extern const TypeInfo T_TestEnum, T_TestSeq, T_TestChoice, T_TestList, T_TestDerived, T_TestOpt;
constexpr EnumName kTestNames[] = {{0, "Success"}, {3, "ReadWriteDenied"}};
constinit const TypeInfo T_TestEnum = EnumType("T_TestEnum", xml_DataAccessResult, kTestNames);
constexpr AltInfo kChoiceAlts[] = {Alt(0, xmlData, T_Data), Alt(1, xmlDataAccessResult, T_TestEnum)};
constinit const TypeInfo T_TestChoice = ChoiceType("T_TestChoice", xml_GetDataResult, kChoiceAlts);
constexpr MemberInfo kSeqMembers[] = {
    Mem(xmlInvokeIdAndPriority, T_Unsigned8),
    Opt(xmlAccessSelection, T_TestEnum),
    Mem(xmlResult, T_TestChoice),
};
constinit const TypeInfo T_TestSeq = SequenceType("T_TestSeq", xml_GetResponseNormal, kSeqMembers);
constinit const TypeInfo T_TestList = SequenceOfType("T_TestList", xml_ListOfGetDataResult, T_TestChoice, xml_GetDataResult);
constinit const TypeInfo T_TestDerived = DerivedType("T_TestDerived", xml_ClassId, T_Unsigned16);
constexpr MemberInfo kOptMembers[] = {Mem(xmlClassId, T_Unsigned16), Opt(xmlInstanceId, T_OctetString)};
constinit const TypeInfo T_TestOpt = SequenceType("T_TestOpt", xml_AttributeDescriptor, kOptMembers);

struct RoundTrip {
  const TypeInfo* type;
  TXMLId id;
  const char* plain;
  const char* xml;  // expected XML form (CR LF lines)
};

}  // namespace

TEST(Codec, VarLengthCoding) {
  struct Row { int64_t v; const char* hex; };
  const Row rows[] = {{0, "00"}, {127, "7F"}, {128, "8180"}, {255, "81FF"}, {256, "820100"}, {65536, "83010000"},
                      {0xFFFFFF, "83FFFFFF"}};
  for (const auto& r : rows) {
    PduStr s;
    EncodeVarLengthUnsignedInteger(s, r.v);
    EXPECT_EQ(X(s), r.hex);
    TStringWrapper w(s);
    EXPECT_EQ(DecodeVarLengthUnsignedInteger(w), r.v);
  }
  PduStr s;
  EXPECT_EQ(ErrorOf([&] { EncodeVarLengthUnsignedInteger(s, 0x1000000); }),
            "Coding of variable-length integer 16777216 not implemented");
  for (const char* bad : {"80", "84"}) {
    TStringWrapper w(H(bad));
    EXPECT_EQ(ErrorOf([&] { DecodeVarLengthUnsignedInteger(w); }), "Unsupported integer length.");
  }
  TStringWrapper w(H("8201"));
  EXPECT_EQ(ErrorOf([&] { DecodeVarLengthUnsignedInteger(w); }), "Wrong encoding in pdu");
}

TEST(Codec, FamiliesRoundTripInEveryForm) {
  const RoundTrip rows[] = {
      {&T_TestSeq, xmlGetResponseNormal, "C1 01 03 00 11 05",
       "<GetResponseNormal>\r\n  <InvokeIdAndPriority Value=\"C1\" />\r\n  <AccessSelection Value=\"ReadWriteDenied\" />\r\n"
       "  <Result>\r\n    <Data>\r\n      <Unsigned Value=\"05\" />\r\n    </Data>\r\n  </Result>\r\n</GetResponseNormal>\r\n"},
      {&T_TestSeq, xmlGetResponseNormal, "C1 00 01 00",
       "<GetResponseNormal>\r\n  <InvokeIdAndPriority Value=\"C1\" />\r\n  <Result>\r\n"
       "    <DataAccessResult Value=\"Success\" />\r\n  </Result>\r\n</GetResponseNormal>\r\n"},
      {&T_TestList, xmlListOfData, "02 00 09 02 41 42 01 03",
       "<ListOfData Qty=\"0002\" >\r\n  <Data>\r\n    <OctetString Value=\"\\AB\" />\r\n  </Data>\r\n"
       "  <DataAccessResult Value=\"ReadWriteDenied\" />\r\n</ListOfData>\r\n"},
      {&T_TestDerived, xmlClassId, "0102", "<ClassId Value=\"0102\" />\r\n"},
      // A peer's code without a name keeps its octet and shows its number.
      {&T_TestEnum, xmlDataAccessResult, "07", "<DataAccessResult Value=\"07\" />\r\n"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.plain);
    PduPtr a = MakeAnyFromPdu(r.id, *r.type, H(r.plain));
    EXPECT_EQ(a->ToXMLString(), r.xml);
    PduPtr b = MakeAnyFromXml(r.id, *r.type, r.xml);
    EXPECT_EQ(X(b->Encode()), X(H(r.plain)));
    EXPECT_TRUE(a->Clone()->IsEqual(*a));
  }
}

TEST(Codec, DataFormOfSequencesAndChoices) {
  // Only trailing OPTIONAL members may be absent: the count says how many follow.
  PduPtr full = MakeAnyFromPdu(xmlAttributeDescriptor, T_TestOpt, H("0001 01 02 4142"));
  PduPtr part = MakeAnyFromPdu(xmlAttributeDescriptor, T_TestOpt, H("0001 00"));
  EXPECT_EQ(X(full->EncodeData()), X(H("02 02 12 0001 09 02 4142")));
  EXPECT_EQ(X(part->EncodeData()), X(H("02 01 12 0001")));
  for (const PduPtr* p : {&full, &part}) {
    PduPtr back = MakeAnyFromData(xmlAttributeDescriptor, T_TestOpt, (*p)->EncodeData());
    EXPECT_EQ(X(back->Encode()), X((*p)->Encode()));
  }
  EXPECT_EQ(ErrorOf([] { MakeAnyFromData(xmlAttributeDescriptor, T_TestOpt, H("02 00")); }), "Wrong encoding in pdu");
  EXPECT_EQ(ErrorOf([] { MakeAnyFromData(xmlAttributeDescriptor, T_TestOpt, H("02 03 12 0001 09 00 09 00")); }),
            "Wrong encoding in pdu");
  // A leading OPTIONAL member that is absent cannot be written in the Data form.
  PduPtr seq = MakeAnyFromPdu(xmlGetResponseNormal, T_TestSeq, H("C1 00 01 00"));
  EXPECT_EQ(ErrorOf([&] { seq->EncodeData(); }), "T_TestSeq.EncodeToDataPduStr : absent member AccessSelection");
  // A CHOICE's Data form is its alternative's; reading picks the alternative by Data tag.
  PduPtr c = MakeAnyFromPdu(xmlResult, T_TestChoice, H("01 03"));
  EXPECT_EQ(X(c->EncodeData()), "1603");
  EXPECT_EQ(MakeAnyFromData(xmlResult, T_TestChoice, H("1603"))->As<TChoice>().Tag, 1);
}

TEST(Codec, DataValuesByTag) {
  struct Row { const char* data; const char* xml; };
  const Row rows[] = {
      {"00", "<NullData />"},
      {"0102 1101 1102", "<Array Qty=\"0002\" >\r\n  <Unsigned Value=\"01\" />\r\n  <Unsigned Value=\"02\" />\r\n</Array>"},
      {"0100", "<Array Qty=\"0000\" >\r\n</Array>"},
      {"0202 1105 0903616263",
       "<Structure Qty=\"0002\" >\r\n  <Unsigned Value=\"05\" />\r\n  <OctetString Value=\"\\abc\" />\r\n</Structure>"},
      {"0305", "<Boolean Value=\"05\" />"},
      {"04 0A B380", "<BitString Value=\"1011001110\" />"},
      {"04 00", "<BitString Value=\"\" />"},
      {"05 FFFFFFFF", "<DoubleLong Value=\"FFFFFFFF\" />"},
      {"06 00000102", "<DoubleLongUnsigned Value=\"00000102\" />"},
      {"07 41424344", "<FloatingPoint Value=\"\\ABCD\" />"},
      {"09 02 0041", "<OctetString Value=\"0041\" />"},
      {"0A 00", "<VisibleString Value=\"\" />"},
      {"0C 02 C3A4", "<UTF8String Value=\"C3A4\" />"},
      {"0D 42", "<Bcd Value=\"42\" />"},
      {"0F 80", "<Integer Value=\"80\" />"},
      {"10 FFFE", "<Long Value=\"FFFE\" />"},
      {"12 0102", "<LongUnsigned Value=\"0102\" />"},
      {"13 01 0003 12 06 000100020003",
       "<CompactArray>\r\n  <ContentDescription>\r\n    <Array>\r\n      <NumberOfElements Value=\"0003\" />\r\n"
       "      <TypeDescription>\r\n        <LongUnsigned />\r\n      </TypeDescription>\r\n    </Array>\r\n"
       "  </ContentDescription>\r\n  <ArrayContent Value=\"000100020003\" />\r\n</CompactArray>"},
      {"13 02 02 11 0A 00", "<CompactArray>\r\n  <ContentDescription>\r\n    <Structure Qty=\"0002\" >\r\n"
       "      <Unsigned />\r\n      <VisibleString />\r\n    </Structure>\r\n  </ContentDescription>\r\n"
       "  <ArrayContent Value=\"\" />\r\n</CompactArray>"},
      {"14 8000000000000000", "<Long64 Value=\"8000000000000000\" />"},
      {"15 FFFFFFFFFFFFFFFF", "<Long64Unsigned Value=\"FFFFFFFFFFFFFFFF\" />"},
      {"16 07", "<Enum Value=\"07\" />"},
      {"17 3F800000", "<Float32 Value=\"3F800000\" />"},
      {"18 7FF8000000000001", "<Float64 Value=\"7FF8000000000001\" />"},
      {"19 07E2010101 0C2238 00 8000 FF", "<DateTime Value=\"07E20101010C2238008000FF\" />"},
      {"1A 07E2010101", "<Date Value=\"07E2010101\" />"},
      {"1B 0C223800", "<Time Value=\"0C223800\" />"},
      {"FF", "<DontCare />"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.data);
    PduStr octets = H(r.data);
    auto d = TDataHelper::MakeFromPduStr(octets);
    std::string xml = TDataHelper::ValueToXMLString(*d);
    EXPECT_EQ(xml, r.xml);
    EXPECT_EQ(X(d->EncodeData()), X(octets));  // the Data form of a Data value is its plain form
    auto back = TDataHelper::MakeFromXml("<Data>" + xml + "</Data>");
    EXPECT_EQ(X(back->Encode()), X(octets));
  }
  for (int tag : {8, 11, 14, 28, 254}) {
    PduStr s(1, static_cast<char>(tag));
    EXPECT_EQ(ErrorOf([&] { TDataHelper::MakeFromPduStr(s); }), Format("T_Data : illegal Tag %d", tag));
  }
  EXPECT_EQ(ErrorOf([] { TDataHelper::MakeFromPduStr(H("1313")); }), "T_TypeDescription : illegal Tag 19");
}

TEST(Codec, XmlErrors) {
  struct Row { const char* xml; const char* error; };
  const Row rows[] = {
      {"<Data><Array Qty=\"0003\"><Unsigned Value=\"01\"/><Unsigned Value=\"02\"/></Array></Data>",
       "ExpectedQty=3, ActualQty=2"},
      {"<Data><Array Qty=\"auto\"><Unsigned Value=\"01\"/><Long Value=\"0002\"/></Array></Data>", nullptr},
      {"<Data><Array><Unsigned Value=\"01\"/></Array></Data>", "\"Qty\" expected"},
      {"<Data><LongUnsigned Value=\"12\"/></Data>", "Illegal data size, expected 2, found 1"},
      {"<Data><LongUnsigned Value=\"123456\"/></Data>", "Illegal data size, expected 2, found 3"},
      {"<Data><Boolean Value=\"0001\"/></Data>", "Illegal data size, expected 1, found 2"},
      {"<Data><FloatingPoint Value=\"414243\"/></Data>", "T_FloatingPoint: Illegal data size, expected 4, found 3"},
      {"<Data><Unsigned Value=\"05\"/><Unsigned Value=\"05\"/></Data>", "Stop tag \"Data\" expected"},
      {"<Data><Name Value=\"05\"/></Data>", "T_Data.CreateFromXml : illegal choice"},
      {"<Unsigned Value=\"05\"/>", "Start tag \"Data\" expected"},
      {"<Data><CompactArray><ContentDescription><Array><NumberOfElements Value=\"03\"/>", "Illegal data size, expected 2, found 1"},
      {"<Data><CompactArray><ContentDescription><CompactArray/>", "T_TypeDescription.CreateFromXml : illegal choice"},
      {"<Data><Array Qty=\"0001\"><Unsigned Value=\"01\"/> x </Array></Data>", "UnexpectedKeyword"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.xml);
    if (r.error) {
      EXPECT_EQ(ErrorOf([&] { TDataHelper::MakeFromXml(r.xml); }), r.error);
    } else {
      auto d = TDataHelper::MakeFromXml(r.xml);
      EXPECT_EQ(X(d->Encode()), X(H("0102 1101 100002")));
      EXPECT_NE(d->ToXMLString().find("Qty=\"0002\""), std::string::npos);
    }
  }
  try {
    TDataHelper::MakeFromXml("<Data>\n  <Array Qty=\"0002\">\n  </Array></Data>");
    FAIL();
  } catch (const EXMLError& e) {
    EXPECT_EQ(e.PosY, 3);
    EXPECT_EQ(e.PosX, 4);
  }
}

TEST(Codec, MendedFaults) {
  // Nesting from a peer is bounded: an ordinary decoding error, not a stack overflow.
  PduStr deep;
  for (int i = 0; i < 100000; ++i) deep += H("0101");
  EXPECT_EQ(ErrorOf([&] { TDataHelper::MakeFromPduStr(deep); }), "Wrong encoding in pdu");
  std::string deepXml = "<Data>";
  for (int i = 0; i < 10000; ++i) deepXml += "<Array Qty=\"AUTO\">";
  EXPECT_EQ(ErrorOf([&] { TDataHelper::MakeFromXml(deepXml); }), "Nesting too deep");
  PduStr deepTypes = H("13");
  for (int i = 0; i < 10000; ++i) deepTypes += H("010001");
  EXPECT_EQ(ErrorOf([&] { TDataHelper::MakeFromPduStr(deepTypes); }), "Wrong encoding in pdu");
  // Real nesting depths still decode.
  PduStr ok;
  for (int i = 0; i < 20; ++i) ok += H("0101");
  ok += H("00");
  EXPECT_NO_THROW(TDataHelper::MakeFromPduStr(ok));
  // A huge count never pre-allocates: it fails at the end of the octets.
  EXPECT_EQ(ErrorOf([] { TDataHelper::MakeFromPduStr(H("0183FFFFFF 00")); }), "Wrong encoding in pdu");
  EXPECT_EQ(ErrorOf([] { TDataHelper::MakeFromPduStr(H("0483FFFFFF 00")); }), "Wrong encoding in pdu");

  // long64-unsigned orders as unsigned.
  auto big = MakeAnyFromPdu(xmlLong64Unsigned, T_Unsigned64, H("8000000000000000"));
  auto one = MakeAnyFromPdu(xmlLong64Unsigned, T_Unsigned64, H("0000000000000001"));
  EXPECT_EQ(big->CompareTo(*one), -1);
  EXPECT_EQ(one->CompareTo(*big), 1);
  EXPECT_TRUE(big->CheckRange(INT64_MIN, 0));  // the range check keeps the signed field

  // A fixed-size octet string shorter than its size is refused when written.
  auto dt = Create(T_DateTime, xmlDateTime);
  dt->As<TOctetString>().Value = H("07E2");
  EXPECT_EQ(ErrorOf([&] { dt->Encode(); }), "T_DateTime: Illegal data size, expected 12, found 2");

  // An unnamed ENUMERATED code renders as hex and reads back; names stay case-sensitive.
  auto e = MakeAnyFromPdu(xmlDataAccessResult, T_TestEnum, H("FA"));
  EXPECT_EQ(e->ToXMLString(), "<DataAccessResult Value=\"FA\" />\r\n");
  EXPECT_EQ(X(MakeAnyFromXml(xmlDataAccessResult, T_TestEnum, e->ToXMLString())->Encode()), "FA");
  EXPECT_EQ(ErrorOf([] { MakeAnyFromXml(xmlDataAccessResult, T_TestEnum, "<DataAccessResult Value=\"success\"/>"); }),
            "T_TestEnum: illegal element success");
  EXPECT_EQ(ErrorOf([&] { e->As<TEnum>().GetString(); }), "T_TestEnum: illegal enum value");
}

TEST(Codec, BaseBehaviour) {
  auto u16 = MakeAnyFromPdu(xmlClassId, T_Unsigned16, H("0102"));
  auto der = MakeAnyFromPdu(xmlClassId, T_TestDerived, H("0102"));
  EXPECT_TRUE(u16->IsEqual(*der));
  EXPECT_FALSE(u16->EqualType(*der));
  EXPECT_EQ(u16->CompareTo(*der), 0);  // a derived value compares with its base
  EXPECT_EQ(ErrorOf([&] { der->CompareTo(*u16); }), "T_TestDerived.CompareTo illegal type");
  EXPECT_EQ(ErrorOf([&] { u16->CompareTo(*MakeAnyFromPdu(xmlValue, T_Unsigned8, H("01"))); }),
            "T_Unsigned16.CompareTo illegal type");
  EXPECT_EQ(der->FriendlyName(), "TestDerived");
  EXPECT_EQ(ErrorOf([] { Create(T_Array, xmlArray)->CheckRange(0, 1); }), "T_Array.CheckRange is not implemented");
  EXPECT_EQ(ErrorOf([] { Create(T_Data, xmlData)->DataTag(); }), "T_Data.DataTag not implemented");
  EXPECT_EQ(Create(T_Structure, xmlStructure)->DataTag(), 2);
  EXPECT_EQ(Create(T_Array, xmlArray)->DataTag(), 1);
  EXPECT_EQ(Create(T_StructureTypeDescription, xmlStructure)->DataTag(), 1);
  EXPECT_EQ(ErrorOf([] { Create(T_Data, xmlData)->As<TChoice>().CreateVariant(xmlName); }),
            "T_Data.CreateVariant : illegal choice");
  auto arr = TDataHelper::Make(xmlArray);
  EXPECT_EQ(X(arr->Encode()), "0100");
  auto os = MakeAnyFromPdu(xmlOctetString, T_OctetString, H("02 4142"));
  auto os2 = MakeAnyFromPdu(xmlOctetString, T_OctetString, H("01 41"));
  EXPECT_EQ(os->CompareTo(*os2), -1);  // a proper prefix is smaller
  EXPECT_EQ(os2->CompareTo(*os), 1);
  PduStr long200(200, 'x');
  auto os200 = Create(T_OctetString, xmlOctetString);
  os200->As<TOctetString>().Value = long200;
  EXPECT_EQ(X(os200->Encode().substr(0, 2)), "81C8");
  auto c = TDataHelper::MakeFromPduStr(H("1105"));
  c->MakeClone();
  c->Value->As<TNumber>().SetInt64(9);
  c->RestoreValue();
  EXPECT_EQ(X(c->Encode()), "1105");
  EXPECT_THROW(c->RestoreValue(), EAssertionFailed);
}

TEST(DataHelper, AccessorsAndTypeTests) {
  auto s3 = TDataHelper::MakeFromPduStr(H("0203 1101 1102 1103"));
  EXPECT_FALSE(TDataHelper::IsStructureOf(*s3, 2));
  EXPECT_TRUE(TDataHelper::IsStructureOf(*s3, 3));
  EXPECT_FALSE(TDataHelper::IsStructureOf(*TDataHelper::MakeFromPduStr(H("0102 1101 1102")), 2));
  auto tmplArr = TDataHelper::MakeFromPduStr(H("0101 0201 1100"));
  EXPECT_TRUE(TDataHelper::SameTypeAs(*TDataHelper::MakeFromPduStr(H("0100")), *tmplArr));
  EXPECT_FALSE(TDataHelper::SameTypeAs(*TDataHelper::MakeFromPduStr(H("0102 1101 1102")),
                                       *TDataHelper::MakeFromPduStr(H("0101 120001"))));
  EXPECT_FALSE(TDataHelper::SameTypeAs(*TDataHelper::MakeFromPduStr(H("0202 1101 0900")),
                                       *TDataHelper::MakeFromPduStr(H("0202 1101 0A00"))));
  EXPECT_TRUE(TDataHelper::SameTypeAs(*TDataHelper::MakeFromPduStr(H("0202 1101 0900")),
                                      *TDataHelper::MakeFromPduStr(H("0202 1109 090141"))));
  EXPECT_EQ(ErrorOf([] { TDataHelper::OctetStringValue(*TDataHelper::MakeFromPduStr(H("19 000000000000000000000000"))); }),
            "Invalid class typecast");
  EXPECT_EQ(TDataHelper::ValueToXMLString(*TDataHelper::MakeFromPduStr(H("1105 FF"))), "<Unsigned Value=\"05\" />");
  EXPECT_EQ(ErrorOf([] { TDataHelper::MakeFromXml("<Unsigned Value=\"05\"/>"); }), "Start tag \"Data\" expected");
  auto v = TDataHelper::MakeFromPduStr(H("0600000102"));
  EXPECT_EQ(TDataHelper::Unsigned32Value(*v), 0x102u);
  EXPECT_EQ(ErrorOf([&] {
              TDataHelper::CheckType(*v, "<Data><DoubleLongUnsigned Value=\"00000000\"/></Data>", "x");
              TDataHelper::CheckType(*v, "<Data><LongUnsigned Value=\"0000\"/></Data>", "Illegal \"from entry\"");
            }),
            "Illegal \"from entry\"");
  EXPECT_EQ(GetDataElement(s3->Value->As<TSequenceOf>(), 3), nullptr);
  EXPECT_NE(GetDataElement(s3->Value->As<TSequenceOf>(), 0), nullptr);
  auto from = TDataHelper::MakeFromPdu(*MakeNumber(T_Unsigned16, 7));
  EXPECT_EQ(X(from->Encode()), "120007");
}

TEST(DataHelper, CompareCOSEMDateTime) {
  auto a = TDataHelper::MakeFromPduStr(H("09 0C 07E2010101 000000 00 8000 FF"));
  auto b = TDataHelper::MakeFromPduStr(H("09 0C 07E2010101 000001 00 8000 FF"));
  EXPECT_EQ(CompareCOSEMDateTime(*a, *a), 0);
  EXPECT_EQ(CompareCOSEMDateTime(*a, *b), -1);
  EXPECT_EQ(CompareCOSEMDateTime(*b, *a), 1);
  EXPECT_EQ(ErrorOf([] { CompareCOSEMDateTime(*TDataHelper::MakeFromPduStr(H("09 0B 07E2010101 000000 00 8000")),
                                              *TDataHelper::MakeFromPduStr(H("09 0B 07E2010101 000000 00 8000"))); }),
            "Illegal COSEM date time ()");
  EXPECT_EQ(ErrorOf([] { CompareCOSEMDateTime(*TDataHelper::MakeFromPduStr(H("1101")), *TDataHelper::MakeFromPduStr(H("1101"))); }),
            "Illegal COSEM date time (Invalid class typecast)");
}

TEST(KitSupport, SchemeText) {
  TKitSupport::Clear();
  TKitSupport::AddTypeTable(FoundationTypes());
  TKitSupport::AddTypeTable(FoundationTypes());  // registering twice changes nothing
  EXPECT_EQ(TKitSupport::RegisteredClassNames(),
            (std::vector<std::string>{"_Data", "_TypeDescription", "Array", "Structure", "StructureTypeDescription"}));
  auto lines = TKitSupport::GetKitSchema();
  // _Data and _TypeDescription go: Data and TypeDescription are not registered themselves.
  EXPECT_EQ(TKitSupport::RegisteredClassNames(),
            (std::vector<std::string>{"Array", "Structure", "StructureTypeDescription"}));
  int keywords = 0;
  for (const auto& l : lines) {
    EXPECT_EQ(l.find("// KEYWORDS"), std::string::npos);
    EXPECT_EQ(l.find("//SYNTAX_BLOCKS"), std::string::npos);
    if (l.rfind("      ", 0) == 0 && l.find('<') == std::string::npos) ++keywords;
  }
  EXPECT_EQ(keywords, 1442);
  auto it = std::find(lines.begin(), lines.end(), "    <Start>openTag:Array</Start>");
  ASSERT_NE(it, lines.end());
  EXPECT_EQ(*(it - 1), "    <SyntaxBlock capture=\"true\">");
  EXPECT_EQ(*(it + 1), "    <End>closeTag:Array</End>");
  EXPECT_EQ(*(it + 2), "    </SyntaxBlock>");
  EXPECT_EQ(*(it + 3), "");
  EXPECT_EQ(*(it + 5), "    <Start>openTag:Structure</Start>");
  TKitSupport::Clear();
}
