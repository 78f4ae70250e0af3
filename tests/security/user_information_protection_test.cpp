// The protected user-information of an AARQ: unprotected in place, with the layers found
// kept for the answer, whose user-information the client then deciphers with OpenSSL.
#include <gtest/gtest.h>

#include "apdu/apdu_views.h"
#include "security/protection_pdu_helper.h"
#include "security/user_information_protection.h"
#include "security_test_support.h"

using namespace zv;
using namespace zv::test;

namespace {

const PduStr kInitiateRequest = H("01 00 00 00 06 5F 1F 04 00 00 7E 1F 04 B0");
const PduStr kInitiateResponse = H("08 00 06 5F 1F 04 00 00 1E 1D 04 C8 00 07");

PduStr Tlv(const char* tag, const PduStr& content) {
  return H(tag) + static_cast<char>(content.size()) + content;
}

// An AARQ in the LN context with ciphering, whose user-information is UserInformation.
PduStr Aarq(const PduStr& UserInformation) {
  return Tlv("60", H("A1 09 06 07 60 85 74 05 08 01 03") + Tlv("A6", Tlv("04", kClientTitle)) +
                       Tlv("BE", Tlv("04", UserInformation)));
}

}  // namespace

TEST(UserInformationProtection, GloInitiateRequestUnprotectedInPlace) {
  for (int suite = 0; suite <= 2; ++suite) {
    SCOPED_TRACE(suite);
    TFakeSecurityMaterial m(suite);
    const PduStr info = client::GcmProtect(static_cast<uint8_t>(0x30 | suite), 0x11223344, kClientTitle,
                                           kInitiateRequest, m.Keys[kiGUEK], m.Keys[kiGAK]);
    COSEMpduPtr aarq = TCOSEMPDUHelper::MakeFromPdu(Aarq(H("21") + client::Octets(info)));
    TBERCOSEMpdu& userInformation = *TCOSEMPDUHelper::AsAssociationRequest(*aarq).UserInformation();
    TLogCapture log;
    auto layers = TUserInformationProtection::UnProtectUserInformation(userInformation, &m, &log.Context, kClientTitle);
    ASSERT_EQ(layers->Count(), 1);
    EXPECT_TRUE(layers->HasProtectionServices(psCurrent, {rcAUTHENTICATION, rcENCRYPTION}));
    EXPECT_EQ(userInformation.Tag, 1);
    EXPECT_EQ(X(aarq->Encode()), X(Aarq(kInitiateRequest)));
    EXPECT_TRUE(log.Has(">>>Remove service glo/ded from:"));

    // The answer mirrors the request: glo-ciphered with the server's title, which the
    // client deciphers.
    TProtectionLayers response;
    auto layer = std::make_unique<TProtectionLayerGloDedService>();
    layer->SystemTitle = kServerTitle;
    layer->COSEMProtectionServices = {psAuthentication, psEncryption};
    layer->FrameCounterFunc = [] { return 9u; };
    response.Add(std::move(layer));
    auto answer = TCOSEMPDUHelper::MakeBERFromXml(
        TProtectionPduHelper::MakeCOSEMPduFromPdu(kInitiateResponse)->ToXMLString());
    COSEMpduPtr ciphered = response.Apply(*answer, &m, nullptr);
    client::Reader r(ciphered->Encode());
    EXPECT_EQ(r.Byte(), 40);  // glo-InitiateResponse
    client::Unprotected u = client::GcmUnprotect(kServerTitle, r.OctetString(), m.Keys[kiGUEK], m.Keys[kiGAK]);
    EXPECT_EQ(X(u.plain), X(kInitiateResponse));
    EXPECT_EQ(u.fc, 9u);
  }
}

TEST(UserInformationProtection, PlainAndBrokenUserInformation) {
  TFakeSecurityMaterial m(0);
  // A plain InitiateRequest stays as it is, with no layer.
  COSEMpduPtr aarq = TCOSEMPDUHelper::MakeFromPdu(Aarq(kInitiateRequest));
  TBERCOSEMpdu& plain = *TCOSEMPDUHelper::AsAssociationRequest(*aarq).UserInformation();
  EXPECT_EQ(TUserInformationProtection::UnProtectUserInformation(plain, &m, nullptr, kClientTitle)->Count(), 0);
  EXPECT_EQ(X(aarq->Encode()), X(Aarq(kInitiateRequest)));
  // A changed octet fails authentication; the user-information is left alone.
  PduStr info = client::GcmProtect(0x30, 1, kClientTitle, kInitiateRequest, m.Keys[kiGUEK], m.Keys[kiGAK]);
  info[7] ^= 0x40;
  const PduStr bad = Aarq(H("21") + client::Octets(info));
  COSEMpduPtr badAarq = TCOSEMPDUHelper::MakeFromPdu(bad);
  TBERCOSEMpdu& userInformation = *TCOSEMPDUHelper::AsAssociationRequest(*badAarq).UserInformation();
  EXPECT_EQ(ErrorOf([&] { TUserInformationProtection::UnProtectUserInformation(userInformation, &m, nullptr, kClientTitle); }),
            "Authentication failure (Decrypt error)");
  EXPECT_EQ(X(badAarq->Encode()), X(bad));
}
