#include <gtest/gtest.h>

#include "apdu/conformance.h"
#include "apdu/test_util.h"

using namespace zv;
using namespace zv::test;

namespace {

PduPtr FromPdu(const char* hex) { return MakeAnyFromPdu(xmlProposedConformance, T_Conformance, H(hex)); }
PduPtr FromXml(const std::string& xml) { return MakeAnyFromXml(xmlProposedConformance, T_Conformance, xml); }
TConformance& C(const PduPtr& p) { return p->As<TConformance>(); }

}  // namespace

TEST(Conformance, NamedBitsRoundTrip) {
  struct Row {
    const char* plain;
    std::string xml;
  };
  const Row rows[] = {
      {"5F 1F 04 00 00 00 1D",
       Lines({"<ProposedConformance>", "  <ConformanceBit Name=\"Action\" />",
              "  <ConformanceBit Name=\"SelectiveAccess\" />", "  <ConformanceBit Name=\"Set\" />",
              "  <ConformanceBit Name=\"Get\" />", "</ProposedConformance>"})},
      {"5F 1F 04 00 00 FF FF",
       Lines({"<ProposedConformance>", "  <ConformanceBit Name=\"Action\" />",
              "  <ConformanceBit Name=\"EventNotification\" />", "  <ConformanceBit Name=\"SelectiveAccess\" />",
              "  <ConformanceBit Name=\"Set\" />", "  <ConformanceBit Name=\"Get\" />",
              "  <ConformanceBit Name=\"ParametrizedAccess\" />", "  <ConformanceBit Name=\"Access\" />",
              "  <ConformanceBit Name=\"DataNotification\" />", "  <ConformanceBit Name=\"InformationReport\" />",
              "  <ConformanceBit Name=\"MultipleReferences\" />", "  <ConformanceBit Name=\"BlockTransferWithAction\" />",
              "  <ConformanceBit Name=\"BlockTransferWithSetOrWrite\" />",
              "  <ConformanceBit Name=\"BlockTransferWithGetOrRead\" />",
              "  <ConformanceBit Name=\"Attribute0SupportedWithGet\" />",
              "  <ConformanceBit Name=\"PriorityMgmtSupported\" />",
              "  <ConformanceBit Name=\"Attribute0SupportedWithSet\" />", "</ProposedConformance>"})},
      {"5F 1F 04 00 FF 00 00",
       Lines({"<ProposedConformance>", "  <ConformanceBit Name=\"Reserved7\" />",
              "  <ConformanceBit Name=\"Reserved6\" />", "  <ConformanceBit Name=\"UnconfirmedWrite\" />",
              "  <ConformanceBit Name=\"Write\" />", "  <ConformanceBit Name=\"Read\" />",
              "  <ConformanceBit Name=\"GeneralBlockTransfer\" />", "  <ConformanceBit Name=\"GeneralProtection\" />",
              "  <ConformanceBit Name=\"Reserved0\" />", "</ProposedConformance>"})},
      {"5F 1F 04 00 00 00 00", Lines({"<ProposedConformance>", "</ProposedConformance>"})},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.plain);
    PduPtr c = FromPdu(r.plain);
    EXPECT_EQ(c->ToXMLString(), r.xml);
    EXPECT_EQ(X(c->Encode()), X(H(r.plain)));
    PduPtr back = FromXml(r.xml);
    EXPECT_EQ(C(back).Value.size(), 24u);
    EXPECT_EQ(X(back->Encode()), X(H(r.plain)));
  }
}

TEST(Conformance, ReadingOctets) {
  // Without the second identifier octet the block is the same; writing adds it.
  PduPtr shortForm = FromPdu("5F 04 00 00 10 1D");
  PduPtr longForm = FromPdu("5F 1F 04 00 00 10 1D");
  EXPECT_EQ(C(shortForm).Value, C(longForm).Value);
  for (int bit : {11, 19, 20, 21, 23}) EXPECT_TRUE(C(shortForm).IsSet(bit)) << bit;
  EXPECT_FALSE(C(shortForm).IsSet(22));
  EXPECT_EQ(X(shortForm->Encode()), "5F1F040000101D");

  // A block has as many bits as its octets give.
  PduPtr eight = FromPdu("5F 1F 02 00 FF");
  EXPECT_EQ(C(eight).Value, "11111111");
  EXPECT_TRUE(C(eight).IsSet(7));
  EXPECT_FALSE(C(eight).IsSet(8));
  EXPECT_NE(eight->ToXMLString().find("<ConformanceBit Name=\"Reserved0\" />\r\n</ProposedConformance>"),
            std::string::npos);

  // Bits past 23 render only when they are set, by number, and read back.
  EXPECT_EQ(FromPdu("5F 1F 05 00 00 00 1D 00")->ToXMLString(), FromPdu("5F 1F 04 00 00 00 1D")->ToXMLString());
  PduPtr wide = FromPdu("5F 1F 05 00 00 00 01 81");
  std::string xml = wide->ToXMLString();
  EXPECT_EQ(xml, Lines({"<ProposedConformance>", "  <ConformanceBit Name=\"31\" />", "  <ConformanceBit Name=\"24\" />",
                        "  <ConformanceBit Name=\"Action\" />", "</ProposedConformance>"}));
  EXPECT_EQ(C(FromXml(xml)).Value, C(wide).Value);
  EXPECT_TRUE(C(FromXml("<ProposedConformance><ConformanceBit Name=\"23\"/></ProposedConformance>")).IsSet(23));
  EXPECT_EQ(ErrorOf([] { TConformance::ValueToName(24); }), "T_Conformance.ValueToName, illegal value 24");

  EXPECT_EQ(ErrorOf([] { FromPdu("5E 1F 04 00 00 00 1D"); }), "Byte[1]:, expected 0x5F found 0x5E");
  EXPECT_EQ(ErrorOf([] { FromPdu("5F 1F 04 00 00"); }), "Wrong encoding in pdu");
  EXPECT_EQ(ErrorOf([] { FromPdu("5F"); }), "Wrong encoding in pdu");
}

TEST(Conformance, ReadingXml) {
  // Older names are read; the current ones are written.
  PduPtr c = FromXml(
      "<ProposedConformance><ConformanceBit Name=\"BlockTransferWithGet\"/>"
      "<ConformanceBit Name=\"BlockTransferWithGetOrRead\"/><ConformanceBit Name=\"Attribute0Supported\"/>"
      "<ConformanceBit Name=\"BlockTransferWithSet\"/></ProposedConformance>");
  EXPECT_EQ(C(c).Value, "000000000011100000000000");
  EXPECT_EQ(c->ToXMLString(), Lines({"<ProposedConformance>", "  <ConformanceBit Name=\"BlockTransferWithSetOrWrite\" />",
                                     "  <ConformanceBit Name=\"BlockTransferWithGetOrRead\" />",
                                     "  <ConformanceBit Name=\"Attribute0SupportedWithGet\" />",
                                     "</ProposedConformance>"}));

  // The element name is not compared: the block keeps the id it was made with.
  PduPtr other = FromXml("<NegotiatedConformance><ConformanceBit Name=\"Get\"/></NegotiatedConformance>");
  EXPECT_EQ(other->ToXMLString(),
            Lines({"<ProposedConformance>", "  <ConformanceBit Name=\"Get\" />", "</ProposedConformance>"}));

  try {
    FromXml("<ProposedConformance><ConformanceBit Name=\"get\"/></ProposedConformance>");
    FAIL();
  } catch (const EXMLError&) {
    FAIL() << "a bad name is no XML error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "T_Conformance.NameToValue, no such name get");
  }

  struct Row {
    const char* xml;
    const char* error;
  };
  const Row rows[] = {
      {"<ProposedConformance><Name Value=\"Get\"/></ProposedConformance>", "Unexpected keyword \"Name\""},
      {"<ProposedConformance><ConformanceBit/></ProposedConformance>", "\"Name\" expected"},
      {"<ProposedConformance><ConformanceBit Value=\"Get\"/></ProposedConformance>", "\"Name\" expected"},
      {"<ProposedConformance></NegotiatedConformance>", "Stop tag \"ProposedConformance\" expected"},
      {"<ProposedConformance>", "Stop tag \"ProposedConformance\" expected"},
      {"<NoSuchElement></NoSuchElement>", "'NoSuchElement' unknown identifier"},
      {"<ProposedConformance><ConformanceBit Name=\"1008\"/></ProposedConformance>",
       "T_Conformance.NameToValue, no such name 1008"},
  };
  for (const auto& r : rows) EXPECT_EQ(ErrorOf([&] { FromXml(r.xml); }), r.error) << r.xml;
}

TEST(Conformance, DataFormCopyAndNegotiation) {
  PduPtr c = FromPdu("5F 1F 04 00 00 7E 1F");
  EXPECT_EQ(X(c->EncodeData()), "0418007E1F");
  PduPtr d = MakeAnyFromData(xmlConformance, T_Conformance, H("04 18 00 7E 1F"));
  EXPECT_EQ(C(d).Value, C(c).Value);
  EXPECT_EQ(C(d).BitXMLId, xmlConformanceBit);

  // The server clones its block and keeps what the client proposed.
  PduPtr agreed = FromPdu("5F 1F 04 00 00 50 1F")->Clone();
  C(agreed).IntersectWith(C(FromPdu("5F 1F 04 00 00 10 1D")));
  EXPECT_EQ(X(agreed->Encode()), "5F1F040000101D");
  EXPECT_TRUE(C(agreed).IsSet(cbBlockTransferWithGetOrRead));
  EXPECT_FALSE(C(agreed).IsSet(cbGeneralBlockTransfer));
  EXPECT_FALSE(C(agreed).IsSet(cbMultipleReferences));

  EXPECT_EQ(TConformance::NameToValue("Action"), 23);
  EXPECT_STREQ(TConformance::ValueToName(0), "Reserved0");
  EXPECT_EQ(ErrorOf([] { TConformance::ValueToName(-1); }), "T_Conformance.ValueToName, illegal value -1");
  PduPtr fresh = Create(T_Conformance, xmlNegotiatedConformance);
  C(fresh).SetDefaultValue();
  EXPECT_EQ(X(fresh->Encode()), "5F1F0400000000");
}
