// The protection vocabulary: display names and set texts, key information, the key store's
// sizes and random keys, security policies, the service-specific ciphered APDU tables.
#include <gtest/gtest.h>

#include "security/cti.h"
#include "security/glo_ded_items.h"
#include "security/policy.h"
#include "security/protection_layers.h"
#include "security_test_support.h"

using namespace zv;
using namespace zv::test;

TEST(ProtectionVocabulary, DisplayNamesAndSetTexts) {
  EXPECT_EQ(DisplayName(psAuthentication), "Authentication");
  EXPECT_EQ(DisplayName(psCompression), "Compression");
  EXPECT_EQ(DisplayName(kaEUM), "EUM");
  EXPECT_EQ(DisplayName(kiAgreed), "Agreed");
  EXPECT_EQ(DisplayName(kiDEK), "DEK");
  EXPECT_EQ(DisplayName(kpEphemeral), "Ephemeral");
  EXPECT_EQ(DisplayName(rcSIGNATURE), "SIGNATURE");
  EXPECT_EQ(ToString(TCOSEMProtectionServices{psEncryption, psAuthentication}), "[AUTHENTICATION,ENCRYPTION]");
  EXPECT_EQ(ToString(TCOSEMProtectionServices{}), "[]");
  EXPECT_EQ(ToString(TCOSEMProtectionServices{psCompression, psSignature}), "[SIGNATURE,COMPRESSION]");
  EXPECT_NE(ErrorOf([] { DisplayName(static_cast<TKeyId>(5)); }).find("Assertion failure"), std::string::npos);
}

TEST(ProtectionVocabulary, KeyInfo) {
  EXPECT_EQ(TKeyInfo::KeyInfoIdentified(kiGUEK).ToString(), "Identified KeyId=GUEK");
  EXPECT_EQ(TKeyInfo::KeyInfoWrapped(kiKEK).ToString(), "Wrapped KekId=KEK");
  EXPECT_EQ(TKeyInfo::KeyInfoAgreed(kaSUM).ToString(), "Agreed KeyAgreementKind=SUM");
  // All four octets count, also one the kind does not use.
  TKeyInfo a = TKeyInfo::KeyInfoIdentified(kiGUEK), b = a;
  EXPECT_TRUE(TKeyInfo::Equal(a, b));
  b.KekId = kiKEK;
  EXPECT_FALSE(TKeyInfo::Equal(a, b));
  static_assert(sizeof(TKeyInfo) == 4);
  TKeyInfo bad;
  bad.KeyInfoKind = static_cast<TKeyInfoKind>(3);
  EXPECT_NE(ErrorOf([&] { bad.ToString(); }).find("Assertion failure"), std::string::npos);
  EXPECT_TRUE(TKeyPair::IsEmpty(TKeyPair::MakeKeyPair("", "x")));
  EXPECT_FALSE(TKeyPair::IsEmpty(TKeyPair::MakeKeyPair("p", "x")));
}

TEST(ProtectionVocabulary, KeySizesBySuite) {
  struct Row {
    int suite, symmetric, publicKey;  // 0: assertion failure
  };
  for (const Row& r : {Row{0, 16, 0}, Row{1, 16, 64}, Row{2, 32, 96}, Row{3, 0, 0}}) {
    SCOPED_TRACE(r.suite);
    TFakeSecurityMaterial m(r.suite < 3 ? r.suite : 0);
    m.Suite = r.suite;
    if (r.symmetric) {
      EXPECT_EQ(m.SymetricKeySize(), r.symmetric);
      EXPECT_EQ(static_cast<int>(m.GetRandomSymetricKey().size()), r.symmetric);
    } else {
      EXPECT_NE(ErrorOf([&] { m.SymetricKeySize(); }).find("Assertion failure"), std::string::npos);
    }
    if (r.publicKey)
      EXPECT_EQ(m.PublicKeySize(), r.publicKey);
    else
      EXPECT_NE(ErrorOf([&] { m.PublicKeySize(); }).find("Assertion failure"), std::string::npos);
  }
}

TEST(ProtectionVocabulary, RandomKeysHaveNoZeroOctetAndDiffer) {
  TFakeSecurityMaterial m(2);
  PduStr all;
  for (int i = 0; i < 200; ++i) all += m.GetRandomSymetricKey();
  EXPECT_EQ(all.find('\0'), std::string::npos);
  EXPECT_NE(m.GetRandomSymetricKey(), m.GetRandomSymetricKey());
  // Every octet value 1..255 turns up in 6400 draws: the generator is not a narrow one.
  bool seen[256] = {};
  for (char c : all) seen[static_cast<uint8_t>(c)] = true;
  int distinct = 0;
  for (int v = 1; v < 256; ++v) distinct += seen[v];
  EXPECT_EQ(distinct, 255);
}

TEST(SecurityPolicy, Versions) {
  struct Row {
    int version, value;
    uint8_t request, response;
  };
  const Row rows[] = {
      {0, 0, 0x00, 0x00}, {0, 1, 0x01, 0x01}, {0, 2, 0x02, 0x02}, {0, 3, 0x03, 0x03},
      {1, 0x24, 0x01, 0x01},  // request and response authentication
      {1, 0xFC, 0x07, 0x07}, {1, 0x30, 0x04, 0x01}, {1, 0x00, 0x00, 0x00},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.value);
    TPolicyProtectionServices p = GetPolicyProtectionServices(r.version, r.value);
    EXPECT_EQ(p.Request.Octet(), r.request);
    EXPECT_EQ(p.Response.Octet(), r.response);
  }
  EXPECT_EQ(ErrorOf([] { GetPolicyProtectionServices(1, 0x03); }), "Illegal EnumValue");
  EXPECT_EQ(ErrorOf([] { GetPolicyProtectionServices(1, 0x25); }), "Illegal EnumValue");
  EXPECT_NE(ErrorOf([] { GetPolicyProtectionServices(0, 4); }).find("Assertion failure"), std::string::npos);
  EXPECT_NE(ErrorOf([] { GetPolicyProtectionServices(2, 0); }).find("Assertion failure"), std::string::npos);
}

TEST(ProtectionVocabulary, VocabulariesConvertBitForBit) {
  for (int bits = 0; bits < 16; ++bits) {
    auto cosem = TCOSEMProtectionServices::FromOctet(static_cast<uint8_t>(bits));
    EXPECT_EQ(TProtectionLayers::COSEMProtectionServicesToCTI(cosem).Octet(), bits);
    EXPECT_EQ(TProtectionLayers::CTIToCOSEMProtectionServices(TProtectionServices::FromOctet(bits)), cosem);
  }
  EXPECT_EQ(TProtectionLayers::COSEMProtectionServiceToCTI(psSignature), rcSIGNATURE);
  EXPECT_EQ(TProtectionLayers::CTIToCOSEMProtectionService(rcENCRYPTION), psEncryption);
  EXPECT_NE(ErrorOf([] { TProtectionLayers::COSEMProtectionServiceToCTI(psCompression); }).find("Assertion failure"),
            std::string::npos);
  EXPECT_NE(ErrorOf([] { TProtectionLayers::CTIToCOSEMProtectionService(rcCOMPRESSION); }).find("Assertion failure"),
            std::string::npos);
}

TEST(GloDedItems, TablesByPlainTag) {
  EXPECT_STREQ(XMLIdNames[GloItemOfTag(192)], "glo_GetRequest");
  EXPECT_STREQ(XMLIdNames[DedItemOfTag(199)], "ded_ActionResponse");
  EXPECT_STREQ(XMLIdNames[GloItemOfTag(1)], "glo_InitiateRequest");
  EXPECT_STREQ(XMLIdNames[DedItemOfTag(14)], "ded_ConfirmedServiceError");
  EXPECT_EQ(ErrorOf([] { GloItemOfTag(194); }), "No glotag for tag 194");
  EXPECT_EQ(ErrorOf([] { DedItemOfTag(15); }), "No dedtag for tag 15");
}
