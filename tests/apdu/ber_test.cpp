#include <gtest/gtest.h>

#include "apdu/ber.h"
#include "apdu/test_util.h"

using namespace zv;
using namespace zv::test;

namespace {

TBERObjectIdentifier& Oid(const PduPtr& p) { return p->As<TBERObjectIdentifier>(); }

}  // namespace

TEST(BerObjectIdentifier, EveryNameInEveryForm) {
  struct Row {
    TObjectIdentifier value;
    const char* name;
    const char* plain;
  };
  const Row rows[] = {
      {TObjectIdentifier::UNKNOWN, "UNKNOWN", "07 5F 85 75 04 07 02 03"},
      {TObjectIdentifier::LN, "LN", "07 60 85 74 05 08 01 01"},
      {TObjectIdentifier::SN, "SN", "07 60 85 74 05 08 01 02"},
      {TObjectIdentifier::LN_WITH_CIPHERING, "LN_WITH_CIPHERING", "07 60 85 74 05 08 01 03"},
      {TObjectIdentifier::SN_WITH_CIPHERING, "SN_WITH_CIPHERING", "07 60 85 74 05 08 01 04"},
      {TObjectIdentifier::NO_SECURITY, "NO_SECURITY", "07 60 85 74 05 08 02 00"},
      {TObjectIdentifier::LOW_SECURITY, "LOW_SECURITY", "07 60 85 74 05 08 02 01"},
      {TObjectIdentifier::HIGH_SECURITY, "HIGH_SECURITY", "07 60 85 74 05 08 02 02"},
      {TObjectIdentifier::HIGH_SECURITY_MD5, "HIGH_SECURITY_MD5", "07 60 85 74 05 08 02 03"},
      {TObjectIdentifier::HIGH_SECURITY_SHA1, "HIGH_SECURITY_SHA1", "07 60 85 74 05 08 02 04"},
      {TObjectIdentifier::HIGH_SECURITY_GMAC, "HIGH_SECURITY_GMAC", "07 60 85 74 05 08 02 05"},
      {TObjectIdentifier::HIGH_SECURITY_SHA256, "HIGH_SECURITY_SHA256", "07 60 85 74 05 08 02 06"},
      {TObjectIdentifier::HIGH_SECURITY_ECDSA, "HIGH_SECURITY_ECDSA", "07 60 85 74 05 08 02 07"},
  };
  ASSERT_EQ(std::size(rows), static_cast<size_t>(kObjectIdentifierCount));
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(ObjectIdentifierName(r.value), std::string(r.name));
    PduPtr o = MakeAnyFromPdu(xmlMechanismName, T_MechanismName, H(r.plain));
    EXPECT_EQ(Oid(o).Value, r.value);
    EXPECT_EQ(X(o->Encode()), X(H(r.plain)));
    EXPECT_EQ(X(o->EncodeData()), "09" + X(H(r.plain)));
    EXPECT_EQ(Oid(MakeAnyFromData(xmlMechanismName, T_MechanismName, o->EncodeData())).Value, r.value);
    std::string xml = o->ToXMLString();
    EXPECT_EQ(xml, std::string("<MechanismName Value=\"") + r.name + "\" />\r\n");
    // Both field classes take every name.
    EXPECT_EQ(Oid(MakeAnyFromXml(xmlMechanismName, T_MechanismName, xml)).Value, r.value);
    PduPtr ctx = MakeAnyFromXml(xmlApplicationContextName, T_ApplicationContextName,
                                std::string("<ApplicationContextName Value=\"") + r.name + "\"/>");
    EXPECT_EQ(Oid(ctx).Value, r.value);
  }
}

TEST(BerObjectIdentifier, DecodingOtherIdentifiersAndErrors) {
  struct Row {
    const char* plain;
    int consumed;  // octets read; -1: the error below
    const char* error;
  };
  const Row rows[] = {
      {"00 FF", 1, nullptr},                       // empty: nothing more is read
      {"07 60 85 74 05 08 01 05", 8, nullptr},     // a context name DLMS does not define
      {"07 60 85 74 05 08 02 08", 8, nullptr},
      {"07 60 85 74 05 08 03 01", 8, nullptr},
      {"07 60 85 74 05 09 01 01 00", 8, nullptr},  // another arc: the octets stay consumed
      {"06 60 85 74 05 08 01", -1, "Object identifier illegal length 6"},
      {"08 60 85 74 05 08 01 01 00", -1, "Object identifier illegal length 8"},
      {"07 60 85 74", -1, "Wrong encoding in pdu"},
      {"", -1, "Wrong encoding in pdu"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.plain);
    TStringWrapper w(H(r.plain));
    if (r.error) {
      EXPECT_EQ(ErrorOf([&] { CreateFromPduStr(T_ApplicationContextName, xmlApplicationContextName, w); }), r.error);
      continue;
    }
    PduPtr o = CreateFromPduStr(T_ApplicationContextName, xmlApplicationContextName, w);
    EXPECT_EQ(Oid(o).Value, TObjectIdentifier::UNKNOWN);
    EXPECT_EQ(w.Index() - 1, r.consumed);
  }
  EXPECT_EQ(ErrorOf([] { MakeAnyFromData(xmlMechanismName, T_MechanismName, H("04 07 60 85 74 05 08 01 01")); }),
            "Byte[1]:, expected 0x09 found 0x04");
}

TEST(BerObjectIdentifier, XmlErrorsAndEquality) {
  try {
    MakeAnyFromXml(xmlMechanismName, T_MechanismName, "\n  <MechanismName Value=\"ln\" />");
    FAIL();
  } catch (const EXMLError& e) {
    EXPECT_EQ(e.Message(), "Illegal value ln");
    EXPECT_EQ(e.PosY, 2);
  }
  EXPECT_EQ(ErrorOf([] { MakeAnyFromXml(xmlMechanismName, T_MechanismName, "<ApplicationContextName Value=\"LN\"/>"); }),
            "Start tag \"MechanismName\" expected");
  EXPECT_EQ(ErrorOf([] { MakeAnyFromXml(xmlMechanismName, T_MechanismName, "<MechanismName />"); }),
            "\"Value\" expected");

  PduPtr ln = MakeAnyFromPdu(xmlMechanismName, T_ApplicationContextName, H("07 60 85 74 05 08 01 01"));
  PduPtr ln2 = ln->Clone();
  PduPtr sn = MakeAnyFromPdu(xmlMechanismName, T_ApplicationContextName, H("07 60 85 74 05 08 01 02"));
  EXPECT_TRUE(TBERObjectIdentifier::Equal(nullptr, nullptr));
  EXPECT_FALSE(TBERObjectIdentifier::Equal(nullptr, &Oid(ln)));
  EXPECT_FALSE(TBERObjectIdentifier::Equal(&Oid(ln), nullptr));
  EXPECT_TRUE(TBERObjectIdentifier::Equal(&Oid(ln), &Oid(ln2)));
  EXPECT_FALSE(TBERObjectIdentifier::Equal(&Oid(ln), &Oid(sn)));
  EXPECT_EQ(ErrorOf([&] { ln->CompareTo(*sn); }), "T_ApplicationContextName.CompareTo is not implemented");
  EXPECT_EQ(ErrorOf([&] { ln->DataTag(); }), "T_ApplicationContextName.DataTag not implemented");
}

TEST(BerObjectIdentifier, BraceText) {
  PduStr out = H("AA");  // encoders append
  EncodeObjectIdentifierText(" {2, 15, 757, 4, 7, 2, 3}", out);
  EXPECT_EQ(X(out), "AA075F857504070203");
#if __has_include("foundation/lexer.h")
  struct Row {
    const char* text;
    const char* octets;
    const char* error;  // the lexical error's message without its position
  };
  const Row rows[] = {
      {"{2, 16, 756, 5, 8, 1, 1}", "07 60 85 74 05 08 01 01", nullptr},
      {"{1 3 6 1 4 1 2147483647}", "0A 2B 06 01 04 01 87 FF FF FF 7F", nullptr},  // commas are optional
      {"{0, 39}", "01 27", nullptr},
      {"{2}", nullptr, "Some values missing"},
      {"{}", nullptr, "Some values missing"},
      {"{3, 1}", nullptr, "Value out of range 3."},
      {"{1, 40}", nullptr, "Value out of range 40."},
      {"2, 1}", nullptr, "'{' expected"},
      {"{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}", nullptr, "'}' expected"},
      {"{1, x}", nullptr, "'}' expected"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.text);
    PduStr s;
    if (!r.error) {
      EncodeObjectIdentifierText(r.text, s);
      EXPECT_EQ(X(s), X(H(r.octets)));
      continue;
    }
    try {
      EncodeObjectIdentifierText(r.text, s);
      ADD_FAILURE() << "no error";
    } catch (const ELexError& e) {
      std::string m = e.Message();
      EXPECT_EQ(m.substr(m.find(')') + 2), r.error);
    }
  }
#endif
}

TEST(BerBitString, PlainForms) {
  struct Row {
    const char* bits;
    const char* plain;
  };
  const Row rows[] = {
      {"1", "02 07 80"},
      {"101", "02 05 A0"},
      {"10000001", "02 00 81"},
      {"", "01 00"},
      {"000000000001000000011101", "04 00 00 10 1D"},
      {"1111111100", "03 06 FF 00"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.plain);
    PduPtr b = MakeAnyFromPdu(xmlProtocolVersion, T_ProtocolVersion, H(r.plain));
    EXPECT_EQ(b->As<TBERBitStr>().Value, r.bits);
    EXPECT_EQ(X(b->Encode()), X(H(r.plain)));
    std::string xml = b->ToXMLString();
    EXPECT_EQ(xml, std::string("<ProtocolVersion Value=\"") + r.bits + "\" />\r\n");
    EXPECT_EQ(X(MakeAnyFromXml(xmlProtocolVersion, T_ProtocolVersion, xml)->Encode()), X(H(r.plain)));
  }
  // The unused bits of the last octet are dropped; eight or more unused bits leave none.
  EXPECT_EQ(MakeAnyFromPdu(xmlProtocolVersion, T_ProtocolVersion, H("02 07 FF"))->As<TBERBitStr>().Value, "1");
  EXPECT_EQ(MakeAnyFromPdu(xmlProtocolVersion, T_ProtocolVersion, H("03 08 FF FF"))->As<TBERBitStr>().Value,
            "11111111");
  EXPECT_EQ(ErrorOf([] { MakeAnyFromPdu(xmlProtocolVersion, T_ProtocolVersion, H("03 00 FF")); }),
            "Wrong encoding in pdu");
}

TEST(BerBitString, OnlyZerosAndOnes) {
  // Reading XML takes any element name, but only the characters 0 and 1.
  PduPtr b = MakeAnyFromXml(xmlSenderACSERequirements, T_ACSERequirement, "<ProtocolVersion Value=\"10\" />");
  EXPECT_EQ(b->ToXMLString(), "<SenderACSERequirements Value=\"10\" />\r\n");
  try {
    MakeAnyFromXml(xmlProtocolVersion, T_ProtocolVersion, "\n\n<ProtocolVersion Value=\"12\" />");
    FAIL();
  } catch (const EXMLError& e) {
    EXPECT_EQ(e.Message(), "BERBitString: illegal character");
    EXPECT_EQ(e.PosY, 3);
  }
  // A text set in code is checked when written.
  b->As<TBERBitStr>().Value = "12";
  EXPECT_EQ(ErrorOf([&] { b->Encode(); }), "BERBitString: illegal character");
  EXPECT_EQ(ErrorOf([&] { b->EncodeData(); }), "BERBitString: illegal character");
}

TEST(BerBitString, DataForm) {
  PduPtr b = MakeAnyFromXml(xmlProtocolVersion, T_ProtocolVersion, "<ProtocolVersion Value=\"1011001110\" />");
  EXPECT_EQ(X(b->EncodeData()), "040AB380");
  PduPtr back = MakeAnyFromData(xmlProtocolVersion, T_ProtocolVersion, H("04 0A B3 80"));
  EXPECT_EQ(back->As<TBERBitStr>().Value, "1011001110");
  EXPECT_EQ(ErrorOf([] { MakeAnyFromData(xmlProtocolVersion, T_ProtocolVersion, H("09 01 80")); }),
            "Byte[1]:, expected 0x04 found 0x09");
}

TEST(BerBitString, BitTestAndIntersection) {
  auto bits = [](const char* text) {
    PduPtr p = Create(T_ACSERequirement, xmlSenderACSERequirements);
    p->As<TBERBitStr>().Value = text;
    return p;
  };
  PduPtr b24 = bits("000000000000000000000001");
  EXPECT_TRUE(b24->As<TBERBitStr>().IsSet(23));
  EXPECT_FALSE(b24->As<TBERBitStr>().IsSet(22));
  EXPECT_FALSE(b24->As<TBERBitStr>().IsSet(24));
  EXPECT_FALSE(b24->As<TBERBitStr>().IsSet(-1));

  struct Row {
    const char* self;
    const char* other;
    const char* result;
  };
  const Row rows[] = {{"1111", "10", "1011"}, {"10", "1111", "10"}, {"0110", "1010", "0010"}, {"", "1", ""}};
  for (const auto& r : rows) {
    PduPtr a = bits(r.self);
    a->As<TBERBitStr>().IntersectWith(bits(r.other)->As<TBERBitStr>());
    EXPECT_EQ(a->As<TBERBitStr>().Value, r.result) << r.self << " & " << r.other;
  }
}

// One length octet counts the unused-bits octet and at most 126 data octets.
TEST(BerBitString, OutOfFormatLengthsAreRefused) {
  PduPtr b = Create(T_ProtocolVersion, xmlProtocolVersion);
  b->As<TBERBitStr>().Value.assign(1008, '1');
  PduStr longest = b->Encode();
  EXPECT_EQ(longest.size(), 128u);
  EXPECT_EQ(X(longest.substr(0, 3)), "7F00FF");
  EXPECT_EQ(MakeAnyFromPdu(xmlProtocolVersion, T_ProtocolVersion, longest)->As<TBERBitStr>().Value.size(), 1008u);

  b->As<TBERBitStr>().Value.assign(1009, '1');
  EXPECT_EQ(ErrorOf([&] { b->Encode(); }), "BERBitString: too long (1009 bits)");
  // The Data form has a length of its own and takes any count.
  EXPECT_EQ(X(b->EncodeData().substr(0, 4)), "048203F1");

  for (const char* bad : {"00", "00 00 00", "80 00", "81 02 00 FF"}) {
    SCOPED_TRACE(bad);
    int length = H(bad)[0] & 0xFF;
    EXPECT_EQ(ErrorOf([&] { MakeAnyFromPdu(xmlProtocolVersion, T_ProtocolVersion, H(bad)); }),
              Format("BERBitString: illegal length %d", length));
  }
}

TEST(BerOctetString, Forms) {
  struct Row {
    const char* octets;
    const char* plain;
    const char* xmlValue;
  };
  const Row rows[] = {
      {"41 42 43", "03 41 42 43", "\\ABC"},
      {"22 41", "02 22 41", "2241"},
      {"", "00", ""},
      {"4D 4D 4D 00 00 BC 61 4E", "08 4D 4D 4D 00 00 BC 61 4E", "4D4D4D0000BC614E"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.plain);
    PduPtr o = MakeAnyFromPdu(xmlCallingAPTitle, T_APTitle, H(r.plain));
    EXPECT_EQ(X(o->As<TBEROctetStr>().Value), X(H(r.octets)));
    EXPECT_EQ(X(o->Encode()), X(H(r.plain)));
    std::string xml = o->ToXMLString();
    EXPECT_EQ(xml, std::string("<CallingAPTitle Value=\"") + r.xmlValue + "\" />\r\n");
    EXPECT_EQ(X(MakeAnyFromXml(xmlCallingAPTitle, T_APTitle, xml)->Encode()), X(H(r.plain)));
  }
  PduPtr o = Create(T_AuthenticationValue, xmlCallingAuthenticationValue);
  o->As<TBEROctetStr>().Value.assign(200, 'x');
  EXPECT_EQ(X(o->Encode().substr(0, 3)), "81C878");
  // Blanks in hex text are skipped; six dotted numbers are octets too.
  EXPECT_EQ(X(MakeAnyFromXml(xmlCallingAPTitle, T_APTitle, "<CallingAPTitle Value=\"01 02 03\"/>")->Encode()),
            "03010203");
  EXPECT_EQ(X(MakeAnyFromXml(xmlCallingAPTitle, T_APTitle, "<CallingAPTitle Value=\"1.2.3.4.5.255\"/>")->Encode()),
            "060102030405FF");

  EXPECT_EQ(ErrorOf([] { MakeAnyFromPdu(xmlCallingAPTitle, T_APTitle, H("05 41 42")); }), "Wrong encoding in pdu");
  EXPECT_EQ(ErrorOf([] { MakeAnyFromPdu(xmlCallingAPTitle, T_APTitle, H("84 00 00 00 01 41")); }),
            "Unsupported integer length.");
  EXPECT_EQ(ErrorOf([] { MakeAnyFromData(xmlCallingAPTitle, T_APTitle, H("09 00")); }),
            "T_APTitle.CreateFromDataPduStr not implemented");
  EXPECT_EQ(ErrorOf([&] { o->EncodeData(); }), "T_AuthenticationValue.EncodeToDataPduStr not implemented");
}
