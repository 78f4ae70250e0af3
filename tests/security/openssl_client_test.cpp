// Our layers against a client side written with OpenSSL alone, for security suites 0, 1
// and 2: what the client protects our layers remove, and what our layers protect the client
// removes (GCM tags, key wrap, ECDSA signatures and ECDH agreed keys all checked by OpenSSL).
#include <gtest/gtest.h>

#include "security/protection_layers.h"
#include "security/protection_pdu_helper.h"
#include "security_test_support.h"

using namespace zv;
using namespace zv::test;

namespace {

const PduStr kGetRequest = H("C0 01 C1 00 08 00 00 01 00 00 FF 02 00");
const PduStr kGetResponse = H("C4 01 C1 00 09 0C 07E5010105 0A0B0C 00 FF8880");

uint8_t Control(uint8_t services, int suite) { return static_cast<uint8_t>(services | suite); }

// The five additional fields of general ciphering and signing.
struct Fields {
  PduStr tid, orig, recip, dateTime, other;
  PduStr Encoded() const {
    return client::Octets(tid) + client::Octets(orig) + client::Octets(recip) + client::Octets(dateTime) +
           client::Octets(other);
  }
};

const Fields kRequestFields{H("A1B2C3"), kClientTitle, kServerTitle, PduStr(), H("0708")};

enum class Kind { ServiceGlo, ServiceDed, GeneralGlo, GeneralDed, Identified, Wrapped, OPDH, SUM, Signing };
const char* Name(Kind k) {
  const char* names[] = {"service glo", "service ded", "general glo", "general ded", "identified",
                         "wrapped", "opdh", "sum", "signing"};
  return names[static_cast<int>(k)];
}
bool NeedsCurves(Kind k) { return k == Kind::OPDH || k == Kind::SUM || k == Kind::Signing; }

// ---- client requests --------------------------------------------------------------------

PduStr ClientGeneralCiphering(int suite, TFakeSecurityMaterial& m, Kind kind, uint8_t services, uint32_t fc,
                              const PduStr& plain) {
  const Fields& f = kRequestFields;
  PduStr ek, keyInfo;
  if (kind == Kind::Identified) {
    ek = m.Keys[kiGUEK];
    keyInfo = H("01 00 00");
  } else if (kind == Kind::Wrapped) {
    ek = PduStr(suite == 2 ? 32 : 16, '\x77');
    keyInfo = H("01 01 00") + client::Octets(client::KeyWrap(ek, m.Keys[kiKEK], true));
  } else if (kind == Kind::OPDH) {
    const TKeyPair ephemeral = m.NewPair();
    const PduStr z = client::SharedSecret(suite, ephemeral, m.Pairs[{kServerTitle, kpAgreement}].PublicKey);
    ek = client::Kdf(suite, z, f.orig, f.recip);
    const PduStr signature = client::Sign(suite, m.Pairs[{kClientTitle, kpSigning}], ephemeral.PublicKey);
    keyInfo = H("01 02 01 01") + client::Octets(ephemeral.PublicKey + signature);
  } else {
    const PduStr z = client::SharedSecret(suite, m.Pairs[{kClientTitle, kpAgreement}],
                                          m.Pairs[{kServerTitle, kpAgreement}].PublicKey);
    ek = client::Kdf(suite, z, f.orig + static_cast<char>(f.tid.size()) + f.tid, f.recip);
    keyInfo = H("01 02 01 02 00");
  }
  const PduStr info = client::GcmProtect(Control(services, suite), fc, f.orig, plain, ek, m.Keys[kiGAK], f.Encoded());
  return H("DD") + f.Encoded() + keyInfo + client::Octets(info);
}

PduStr ClientProtect(int suite, TFakeSecurityMaterial& m, Kind kind, uint8_t services, uint32_t fc,
                     const PduStr& plain) {
  switch (kind) {
    case Kind::ServiceGlo:
    case Kind::ServiceDed: {
      const bool ded = kind == Kind::ServiceDed;
      const PduStr info = client::GcmProtect(Control(services, suite), fc, kClientTitle, plain,
                                             m.Keys[ded ? kiDEK : kiGUEK], m.Keys[kiGAK]);
      return PduStr(1, static_cast<char>(ded ? 0xD0 : 0xC8)) + client::Octets(info);
    }
    case Kind::GeneralGlo:
    case Kind::GeneralDed: {
      const bool ded = kind == Kind::GeneralDed;
      const PduStr info = client::GcmProtect(Control(services, suite), fc, kClientTitle, plain,
                                             m.Keys[ded ? kiDEK : kiGUEK], m.Keys[kiGAK]);
      return PduStr(1, static_cast<char>(ded ? 0xDC : 0xDB)) + client::Octets(kClientTitle) + client::Octets(info);
    }
    case Kind::Signing: {
      const Fields& f = kRequestFields;
      const PduStr signature = client::Sign(suite, m.Pairs[{kClientTitle, kpSigning}], f.Encoded() + plain);
      return H("DF") + f.Encoded() + client::Octets(plain) + client::Octets(signature);
    }
    default:
      return ClientGeneralCiphering(suite, m, kind, services, fc, plain);
  }
}

// ---- client reading server responses ------------------------------------------------------

struct ClientView {
  PduStr plain;
  uint8_t sc = 0;
  uint32_t fc = 0;
};

ClientView ClientUnprotect(int suite, TFakeSecurityMaterial& m, const PduStr& wire) {
  client::Reader r(wire);
  const uint8_t tag = r.Byte();
  auto unprotect = [&](const PduStr& title, const PduStr& info, const PduStr& ek, const PduStr& extra) {
    client::Unprotected u = client::GcmUnprotect(title, info, ek, m.Keys[kiGAK], extra);
    return ClientView{u.plain, u.sc, u.fc};
  };
  if (tag == 0xCC || tag == 0xD4) {  // glo or ded GetResponse
    return unprotect(kServerTitle, r.OctetString(), m.Keys[tag == 0xD4 ? kiDEK : kiGUEK], PduStr());
  }
  if (tag == 0xDB || tag == 0xDC) {
    const PduStr title = r.OctetString();
    return unprotect(title, r.OctetString(), m.Keys[tag == 0xDC ? kiDEK : kiGUEK], PduStr());
  }
  Fields f{r.OctetString(), r.OctetString(), r.OctetString(), r.OctetString(), r.OctetString()};
  EXPECT_EQ(f.orig, kServerTitle);
  EXPECT_EQ(f.recip, kClientTitle);
  if (tag == 0xDF) {
    const PduStr content = r.OctetString();
    const PduStr signature = r.OctetString();
    if (!client::Verify(suite, m.Pairs[{kServerTitle, kpSigning}].PublicKey, f.Encoded() + content, signature))
      throw Exception("client: signature of the general signing does not verify");
    return ClientView{content, 0, 0};
  }
  EXPECT_EQ(tag, 0xDD);
  EXPECT_EQ(r.Byte(), 0x01);  // key information present
  const uint8_t keyKind = r.Byte();
  PduStr ek;
  if (keyKind == 0) {
    EXPECT_EQ(r.Byte(), 0x00);
    ek = m.Keys[kiGUEK];
  } else if (keyKind == 1) {
    EXPECT_EQ(r.Byte(), 0x00);
    ek = client::KeyWrap(r.OctetString(), m.Keys[kiKEK], false);
  } else {
    const PduStr parameters = r.OctetString();
    const PduStr data = r.OctetString();
    const TKeyPair& agreement = m.Pairs[{kClientTitle, kpAgreement}];
    if (parameters == H("01")) {
      const size_t size = suite == 1 ? 64 : 96;
      const PduStr ephemeral = data.substr(0, size);
      if (!client::Verify(suite, m.Pairs[{kServerTitle, kpSigning}].PublicKey, ephemeral, data.substr(size)))
        throw Exception("client: signature of the ephemeral key does not verify");
      ek = client::Kdf(suite, client::SharedSecret(suite, agreement, ephemeral), f.orig, f.recip);
    } else {
      EXPECT_EQ(parameters, H("02"));
      EXPECT_EQ(data, PduStr());
      const PduStr z = client::SharedSecret(suite, agreement, m.Pairs[{kServerTitle, kpAgreement}].PublicKey);
      ek = client::Kdf(suite, z, f.orig + static_cast<char>(f.tid.size()) + f.tid, f.recip);
    }
  }
  return unprotect(f.orig, r.OctetString(), ek, f.Encoded());
}

// A response layer as the server makes one for a request layer: titles swapped.
std::unique_ptr<TProtectionLayer> ResponseLayer(Kind kind, uint32_t fc) {
  std::unique_ptr<TProtectionLayer> layer;
  switch (kind) {
    case Kind::ServiceGlo:
    case Kind::ServiceDed: {
      auto l = std::make_unique<TProtectionLayerGloDedService>();
      l->Dedicated = kind == Kind::ServiceDed;
      l->SystemTitle = kServerTitle;
      l->FrameCounterFunc = [fc] { return fc; };
      layer = std::move(l);
      break;
    }
    case Kind::GeneralGlo:
    case Kind::GeneralDed: {
      auto l = std::make_unique<TProtectionLayerGloDedGeneral>();
      l->Dedicated = kind == Kind::GeneralDed;
      l->SystemTitle = kServerTitle;
      l->FrameCounterFunc = [fc] { return fc; };
      layer = std::move(l);
      break;
    }
    case Kind::Signing: {
      auto l = std::make_unique<TProtectionLayerGeneralSigning>();
      l->TransactionId = kRequestFields.tid;
      l->OriginatorSystemTitle = kServerTitle;
      l->RecipientSystemTitle = kClientTitle;
      l->COSEMProtectionServices = {psSignature};
      return l;
    }
    default: {
      auto l = std::make_unique<TProtectionLayerGeneralCiphering>();
      l->TransactionId = kRequestFields.tid;
      l->OriginatorSystemTitle = kServerTitle;
      l->RecipientSystemTitle = kClientTitle;
      l->OtherInformation = H("0708");
      l->KeyInfo = kind == Kind::Identified ? TKeyInfo::KeyInfoIdentified(kiGUEK)
                   : kind == Kind::Wrapped  ? TKeyInfo::KeyInfoWrapped(kiKEK)
                   : kind == Kind::OPDH     ? TKeyInfo::KeyInfoAgreed(kaOPDH)
                                            : TKeyInfo::KeyInfoAgreed(kaSUM);
      l->FrameCounterFunc = [fc] { return fc; };
      layer = std::move(l);
    }
  }
  layer->COSEMProtectionServices = {psAuthentication, psEncryption};
  return layer;
}

const Kind kKinds[] = {Kind::ServiceGlo, Kind::ServiceDed, Kind::GeneralGlo, Kind::GeneralDed, Kind::Identified,
                       Kind::Wrapped,    Kind::OPDH,       Kind::SUM,        Kind::Signing};

}  // namespace

TEST(OpenSSLClient, OurLayersRemoveWhatTheClientProtects) {
  for (int suite = 0; suite <= 2; ++suite) {
    TFakeSecurityMaterial m(suite);
    for (Kind kind : kKinds) {
      if (suite == 0 && NeedsCurves(kind)) continue;
      for (uint8_t services : {0x10, 0x20, 0x30}) {
        if (kind == Kind::Signing && services != 0x30) continue;
        SCOPED_TRACE(std::string(Name(kind)) + " suite " + std::to_string(suite) + " SC " + std::to_string(services));
        const uint32_t fc = 0x80000001u + services;
        const PduStr wire = ClientProtect(suite, m, kind, services, fc, kGetRequest);
        TProtectionLayers list;
        COSEMpduPtr plain;
        ASSERT_NO_THROW(plain = list.Remove(wire, &m, nullptr, kClientTitle));
        ASSERT_TRUE(plain);
        EXPECT_EQ(X(plain->Encode()), X(kGetRequest));
        ASSERT_EQ(list.Count(), 1);
        if (kind == Kind::Signing) {
          EXPECT_EQ(list.Items(0).COSEMProtectionServices, TCOSEMProtectionServices{psSignature});
          continue;
        }
        EXPECT_EQ(list.Items(0).COSEMProtectionServices.Octet(), services >> 4);
        uint32_t last = fc - 1;
        list.CheckFrameCounter(last);
        EXPECT_EQ(last, fc);
      }
    }
  }
}

TEST(OpenSSLClient, TheClientRemovesWhatOurLayersProtect) {
  for (int suite = 0; suite <= 2; ++suite) {
    TFakeSecurityMaterial m(suite);
    for (Kind kind : kKinds) {
      if (suite == 0 && NeedsCurves(kind)) continue;
      SCOPED_TRACE(std::string(Name(kind)) + " suite " + std::to_string(suite));
      TProtectionLayers list;
      list.Add(ResponseLayer(kind, 0x00ABCDEF));
      COSEMpduPtr wire = list.Apply(*TProtectionPduHelper::MakeCOSEMPduFromPdu(kGetResponse), &m, nullptr);
      ClientView v;
      ASSERT_NO_THROW(v = ClientUnprotect(suite, m, wire->Encode()));
      EXPECT_EQ(X(v.plain), X(kGetResponse));
      if (kind != Kind::Signing) {
        EXPECT_EQ(v.sc, Control(0x30, suite));
        EXPECT_EQ(v.fc, 0x00ABCDEFu);
      }
    }
  }
}

TEST(OpenSSLClient, GeneralSigningOverGeneralGloBothWays) {
  for (int suite = 1; suite <= 2; ++suite) {
    SCOPED_TRACE(suite);
    TFakeSecurityMaterial m(suite);
    // The client's request: signing(general-glo(get-request)).
    const PduStr inner = ClientProtect(suite, m, Kind::GeneralGlo, 0x30, 5, kGetRequest);
    const PduStr wire = ClientProtect(suite, m, Kind::Signing, 0, 0, inner);
    TProtectionLayers request;
    COSEMpduPtr plain = request.Remove(wire, &m, nullptr, kClientTitle);
    ASSERT_TRUE(plain);
    EXPECT_EQ(X(plain->Encode()), X(kGetRequest));
    ASSERT_EQ(request.Count(), 2);
    EXPECT_TRUE(dynamic_cast<TProtectionLayerGloDedGeneral*>(&request.Items(0)));
    EXPECT_TRUE(dynamic_cast<TProtectionLayerGeneralSigning*>(&request.Items(1)));
    // The answer in the same nesting: signing(general-glo(get-response)).
    TProtectionLayers response;
    response.Add(ResponseLayer(Kind::GeneralGlo, 6));
    response.Add(ResponseLayer(Kind::Signing, 0));
    COSEMpduPtr answer = response.Apply(*TProtectionPduHelper::MakeCOSEMPduFromPdu(kGetResponse), &m, nullptr);
    const ClientView outer = ClientUnprotect(suite, m, answer->Encode());
    EXPECT_EQ(outer.plain[0], '\xDB');
    EXPECT_EQ(X(ClientUnprotect(suite, m, outer.plain).plain), X(kGetResponse));
  }
}

TEST(OpenSSLClient, PrintableSystemTitlesTravelThroughTheTemplates) {
  // System titles are written in their text form; characters that mean something in the XML
  // form must come back as they went.
  TFakeSecurityMaterial m(1);
  for (const PduStr& title : {PduStr("AB'C//(*"), PduStr("<X>/&=*)"), PduStr("12.34.56"), PduStr("\\\\ \\ ab ")}) {
    SCOPED_TRACE(title);
    auto l = std::make_unique<TProtectionLayerGloDedGeneral>();
    l->SystemTitle = title;
    l->COSEMProtectionServices = {psAuthentication};
    l->FrameCounterFunc = [] { return 3u; };
    TProtectionLayers list;
    list.Add(std::move(l));
    COSEMpduPtr wire = list.Apply(*TProtectionPduHelper::MakeCOSEMPduFromPdu(kGetResponse), &m, nullptr);
    client::Reader r(wire->Encode());
    r.Byte();
    EXPECT_EQ(r.OctetString(), title);
    TProtectionLayers back;
    ASSERT_TRUE(back.Remove(wire->Encode(), &m, nullptr, PduStr()));
    EXPECT_EQ(static_cast<TProtectionLayerGloDed&>(back.Items(0)).SystemTitle, title);
  }
}
