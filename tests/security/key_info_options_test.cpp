// The key-information options: their three forms, how a KeyInfoOptions Data value becomes
// an option object, and how that becomes the key of a data protection layer.
#include <gtest/gtest.h>

#include "foundation/data_helper.h"
#include "security/data_protection.h"
#include "security/key_info_options.h"
#include "security_test_support.h"

using namespace zv;
using namespace zv::test;

namespace {

std::unique_ptr<TData> Data(const char* hex) { return TDataHelper::MakeFromPduStr(H(hex)); }

}  // namespace

TEST(KeyInfoOptions, ThreeFormsRoundTrip) {
  struct Row {
    const TypeInfo* type;
    const char* plain;
    const char* data;
  };
  const Row rows[] = {
      {&T_IdentifiedKeyInfoOptions, "01", "16 01"},
      {&T_WrappedKeyInfoOptions, "00 03 AABBCC", "02 02 16 00 09 03 AABBCC"},
      {&T_AgreedKeyInfoOptions, "01 01 02 A1A2", "02 02 09 01 01 09 02 A1A2"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.type->name);
    PduPtr fromPlain = MakeAnyFromPdu(r.type->ownId, *r.type, H(r.plain));
    EXPECT_EQ(X(fromPlain->Encode()), X(H(r.plain)));
    EXPECT_EQ(X(fromPlain->EncodeData()), X(H(r.data)));
    PduPtr fromData = MakeAnyFromData(r.type->ownId, *r.type, H(r.data));
    EXPECT_EQ(X(fromData->Encode()), X(H(r.plain)));
    PduPtr fromXml = MakeAnyFromXml(r.type->ownId, *r.type, fromPlain->ToXMLString());
    EXPECT_EQ(X(fromXml->Encode()), X(H(r.plain)));
  }
  PduPtr identified = MakeAnyFromPdu(xml_IdentifiedKeyInfoOptions, T_IdentifiedKeyInfoOptions, H("00"));
  EXPECT_NE(identified->ToXMLString().find("<_IdentifiedKeyInfoOptions Value=\"GlobalUnicastEncryptionKey\" />"),
            std::string::npos);
  PduPtr wrapped = MakeAnyFromPdu(xml_WrappedKeyInfoOptions, T_WrappedKeyInfoOptions, H("00 01 55"));
  EXPECT_NE(wrapped->ToXMLString().find("<KekId Value=\"MasterKey\" />"), std::string::npos);
  EXPECT_EQ(SecurityTypes().count, 3u);
}

TEST(KeyInfoOptions, OptionObjectsFromData) {
  PduPtr identified = TDataProtectionHelper::MakeIdentifiedKeyInfoOptions(*Data("16 07"));
  EXPECT_EQ(identified->XMLId, xml_IdentifiedKeyInfoOptions);
  EXPECT_EQ(identified->As<TEnum>().Value, 7);  // no range test here
  // The first element of a wrapped structure is not read.
  PduPtr wrapped = TDataProtectionHelper::MakeWrappedKeyInfoOptions(*Data("02 02 16 05 09 02 ABCD"));
  const auto& w = wrapped->As<TSequence>();
  EXPECT_EQ(w.Get<TEnum>(WrappedKeyInfoOptions::KekId).Value, 0);
  EXPECT_EQ(w.Get<TOctetString>(WrappedKeyInfoOptions::KeyCipheredData).Value, H("ABCD"));
  PduPtr agreed = TDataProtectionHelper::MakeAgreedKeyInfoOptions(*Data("02 03 09 01 02 09 00 09 01 FF"));
  EXPECT_EQ(agreed->As<TSequence>().Get<TOctetString>(AgreedKeyInfoOptions::KeyParameters).Value, H("02"));
  EXPECT_EQ(agreed->XMLId, xml_AgreedKeyInfoOptions);

  EXPECT_EQ(ErrorOf([] { TDataProtectionHelper::MakeIdentifiedKeyInfoOptions(*Data("02 01 16 00")); }),
            "Invalid class typecast");
  EXPECT_EQ(ErrorOf([] { TDataProtectionHelper::MakeWrappedKeyInfoOptions(*Data("16 00")); }), "Invalid class typecast");
  EXPECT_EQ(ErrorOf([] { TDataProtectionHelper::MakeWrappedKeyInfoOptions(*Data("02 01 16 00")); }),
            "List index out of bounds (1)");
  EXPECT_EQ(ErrorOf([] { TDataProtectionHelper::MakeAgreedKeyInfoOptions(*Data("02 02 09 01 01 11 05")); }),
            "Invalid class typecast");
}

TEST(KeyInfoOptions, LayerKeys) {
  struct Row {
    int type;
    const char* options;
    const char* keyInfo;  // nullptr: assertion failure
    const char* keyCipheredData;
  };
  const Row rows[] = {
      {0, "16 00", "Identified KeyId=GUEK", ""},
      {0, "16 01", "Identified KeyId=GBEK", ""},
      {0, "16 07", nullptr, ""},
      {1, "02 02 16 05 09 02 ABCD", "Wrapped KekId=KEK", "ABCD"},
      {1, "02 02 16 00 09 00", "Wrapped KekId=KEK", ""},
      {2, "02 02 09 01 01 09 01 99", "Agreed KeyAgreementKind=OPDH", "99"},
      {2, "02 03 09 01 02 09 00 09 01 FF", "Agreed KeyAgreementKind=SUM", ""},
      {2, "02 02 09 02 0100 09 00", nullptr, ""},
      {2, "02 02 09 00 09 00", nullptr, ""},
      {2, "02 02 09 01 03 09 00", nullptr, ""},
      {3, "16 00", nullptr, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.type) + " " + r.options);
    auto options = Data(r.options);
    if (!r.keyInfo) {
      EXPECT_NE(ErrorOf([&] { TDataProtectionHelper::MakeLayerKey(r.type, *options); }).find("Assertion failure"),
                std::string::npos);
      continue;
    }
    TLayerKey key = TDataProtectionHelper::MakeLayerKey(r.type, *options);
    EXPECT_EQ(key.KeyInfo.ToString(), r.keyInfo);
    EXPECT_EQ(X(key.KeyCipheredData), r.keyCipheredData);
  }
}

TEST(KeyInfoOptions, KeysFromOptionsDriveTheLayers) {
  TFakeSecurityMaterial m(0);
  // The broadcast key is named but the layers cipher only with the unicast key.
  TDataProtectionLayer broadcast(&m, nullptr);
  broadcast.COSEMProtectionServices = {psAuthentication};
  broadcast.KeyInfo = TDataProtectionHelper::MakeLayerKey(0, *Data("16 01")).KeyInfo;
  EXPECT_NE(ErrorOf([&] { broadcast.Apply("x"); }).find("Assertion failure"), std::string::npos);
  // Empty wrapped options: the layer draws a fresh content key when it protects.
  TLayerKey key = TDataProtectionHelper::MakeLayerKey(1, *Data("02 02 16 00 09 00"));
  TDataProtectionLayer wrapped(&m, nullptr);
  wrapped.COSEMProtectionServices = {psAuthentication, psEncryption};
  wrapped.KeyInfo = key.KeyInfo;
  wrapped.KeyCipheredData = key.KeyCipheredData;
  wrapped.OriginatorSystemTitle = kServerTitle;
  wrapped.ForcedFrameCounterWhenApplying = 1;
  wrapped.Apply("values");
  EXPECT_EQ(wrapped.KeyCipheredData.size(), 24u);
  EXPECT_EQ(wrapped.EncryptionKey.size(), 16u);
}
