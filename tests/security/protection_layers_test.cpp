// The APDU protection layers and their stacking: the published glo-ciphering example in
// both directions, every stack applied then removed and removed then applied, the
// refusals of the removal, and the list's questions about services and counters.
#include <gtest/gtest.h>

#include "security/frame_counter_source.h"
#include "security/protection_layers.h"
#include "security/protection_pdu_helper.h"
#include "security_test_support.h"

using namespace zv;
using namespace zv::test;

namespace {

// The standard's published example (security suite 0).
const PduStr kGetRequest = H("C0 01 00 00 08 00 00 01 00 00 FF 02 00");
const PduStr kGloGetRequest =
    H("C8 1E 30 01 23 45 67 41 13 12 FF 93 5A 47 56 68 27 C4 67 BC 7D 82 5C 3B E4 A7 7C 3F CC 05 6B 6B");
const uint32_t kExampleFC = 0x01234567;
const PduStr kGetResponse = H("C4 01 C1 00 11 05");

const TCOSEMProtectionServices kAE{psAuthentication, psEncryption};
const TCOSEMProtectionServices kA{psAuthentication};
const TCOSEMProtectionServices kE{psEncryption};

COSEMpduPtr Pdu(const PduStr& octets) { return TProtectionPduHelper::MakeCOSEMPduFromPdu(octets); }

// One layer of a stack as the sender (the server) makes it.
struct LayerSpec {
  TProtectionLayerClass cls;
  TCOSEMProtectionServices services;
  bool dedicated = false;
  TKeyInfo key = TKeyInfo::KeyInfoIdentified(kiGUEK);
  const char* name = "";
};

std::unique_ptr<TProtectionLayer> SenderLayer(const LayerSpec& spec, uint32_t fc) {
  auto layer = TProtectionLayer::Create(spec.cls);
  layer->COSEMProtectionServices = spec.services;
  if (auto* g = dynamic_cast<TProtectionLayerGloDed*>(layer.get())) {
    g->Dedicated = spec.dedicated;
    g->SystemTitle = kServerTitle;
    g->FrameCounterFunc = [fc] { return fc; };
  }
  if (auto* g = dynamic_cast<TProtectionLayerGeneral*>(layer.get())) {
    g->TransactionId = H("0102030405");
    g->OriginatorSystemTitle = kServerTitle;
    g->RecipientSystemTitle = kClientTitle;
    g->OtherInformation = "info";
  }
  if (auto* c = dynamic_cast<TProtectionLayerGeneralCiphering*>(layer.get())) {
    c->KeyInfo = spec.key;
    c->FrameCounterFunc = [fc] { return fc; };
  }
  return layer;
}

const LayerSpec kServiceGlo{TProtectionLayerClass::GloDedService, kAE, false, {}, "service glo"};
const LayerSpec kServiceDed{TProtectionLayerClass::GloDedService, kAE, true, {}, "service ded"};
const LayerSpec kServiceGloAuth{TProtectionLayerClass::GloDedService, kA, false, {}, "service glo auth"};
const LayerSpec kServiceGloEnc{TProtectionLayerClass::GloDedService, kE, false, {}, "service glo enc"};
const LayerSpec kGeneralGlo{TProtectionLayerClass::GloDedGeneral, kAE, false, {}, "general glo"};
const LayerSpec kGeneralDedAuth{TProtectionLayerClass::GloDedGeneral, kA, true, {}, "general ded auth"};
const LayerSpec kIdentified{TProtectionLayerClass::GeneralCiphering, kAE, false, TKeyInfo::KeyInfoIdentified(kiGUEK),
                            "identified"};
const LayerSpec kWrapped{TProtectionLayerClass::GeneralCiphering, kAE, false, TKeyInfo::KeyInfoWrapped(kiKEK),
                         "wrapped"};
const LayerSpec kOPDH{TProtectionLayerClass::GeneralCiphering, kAE, false, TKeyInfo::KeyInfoAgreed(kaOPDH), "opdh"};
const LayerSpec kSUM{TProtectionLayerClass::GeneralCiphering, kA, false, TKeyInfo::KeyInfoAgreed(kaSUM), "sum"};
const LayerSpec kSigning{TProtectionLayerClass::GeneralSigning, {psSignature}, false, {}, "signing"};

struct Stack {
  std::vector<LayerSpec> layers;  // innermost first
  int minSuite;
};

const Stack kStacks[] = {
    {{kServiceGlo}, 0},
    {{kServiceDed}, 0},
    {{kServiceGloAuth}, 0},
    {{kServiceGloEnc}, 0},
    {{kGeneralGlo}, 0},
    {{kGeneralDedAuth}, 0},
    {{kIdentified}, 0},
    {{kWrapped}, 0},
    {{kOPDH}, 1},
    {{kSUM}, 1},
    {{kSigning}, 1},
    {{kGeneralGlo, kSigning}, 1},
    {{kServiceGlo, kSigning}, 1},
    {{kSigning, kGeneralGlo}, 1},
    {{kIdentified, kSigning}, 1},
    {{kServiceDed, kGeneralGlo}, 0},
    {{kWrapped, kOPDH, kSigning}, 1},
};

std::string Describe(const Stack& s, int suite) {
  std::string d = "suite " + std::to_string(suite) + ":";
  for (const auto& l : s.layers) d += std::string(" ") + l.name;
  return d;
}

PduStr ApplyStack(const Stack& s, TSecurityMaterial& m, const PduStr& plain) {
  TProtectionLayers list;
  uint32_t fc = 100;
  for (const auto& spec : s.layers) list.Add(SenderLayer(spec, fc++));
  TLogCapture log;
  COSEMpduPtr protectedPdu = list.Apply(*Pdu(plain), &m, &log.Context);
  return protectedPdu->Encode();
}

}  // namespace

TEST(ProtectionLayers, PublishedGloExampleRemoved) {
  TFakeSecurityMaterial m(0);
  TLogCapture log;
  TProtectionLayers list;
  COSEMpduPtr plain = list.Remove(kGloGetRequest, &m, &log.Context, kClientTitle);
  ASSERT_TRUE(plain);
  EXPECT_EQ(X(plain->Encode()), X(kGetRequest));
  ASSERT_EQ(list.Count(), 1);
  auto* layer = list.GetFirst<TProtectionLayerGloDedService>();
  ASSERT_TRUE(layer);
  EXPECT_FALSE(layer->Dedicated);
  EXPECT_EQ(layer->FrameCounter, kExampleFC);
  EXPECT_EQ(layer->COSEMProtectionServices, kAE);
  EXPECT_TRUE(log.Has(">>>Remove service glo/ded from:"));
  EXPECT_TRUE(log.Has("ENCRYPTION KEY: 000102030405060708090A0B0C0D0E0F, SYSTEM TITLE: 4D4D4D0000BC614E"));
}

TEST(ProtectionLayers, PublishedGloExampleApplied) {
  TFakeSecurityMaterial m(0);
  TLogCapture log;
  TProtectionLayers list;
  auto layer = std::make_unique<TProtectionLayerGloDedService>();
  layer->SystemTitle = kClientTitle;
  layer->COSEMProtectionServices = kAE;
  layer->FrameCounterFunc = [] { return kExampleFC; };
  list.Add(std::move(layer));
  COSEMpduPtr ciphered = list.Apply(*Pdu(kGetRequest), &m, &log.Context);
  EXPECT_EQ(X(ciphered->Encode()), X(kGloGetRequest));
  EXPECT_TRUE(log.Has(">>>Applying service glo/ded [AUTHENTICATION,ENCRYPTION] to:"));
  EXPECT_TRUE(log.Has("ENCRYPTION KEY: 000102030405060708090A0B0C0D0E0F, IC: 01234567"));
  // Built from its template: the log of the protected APDU shows the glo element.
  EXPECT_NE(ciphered->ToXMLString().find("<glo_GetRequest Value=\"3001234567"), std::string::npos);
}

TEST(ProtectionLayers, EveryStackAppliedThenRemovedGivesTheOctetsBack) {
  for (int suite = 0; suite <= 2; ++suite) {
    TFakeSecurityMaterial m(suite);
    for (const Stack& s : kStacks) {
      if (suite < s.minSuite) continue;
      SCOPED_TRACE(Describe(s, suite));
      const PduStr wire = ApplyStack(s, m, kGetRequest);
      TProtectionLayers list;
      TLogCapture log;
      COSEMpduPtr plain = list.Remove(wire, &m, &log.Context, kServerTitle);
      ASSERT_TRUE(plain);
      EXPECT_EQ(X(plain->Encode()), X(kGetRequest));
      ASSERT_EQ(list.Count(), static_cast<int>(s.layers.size()));
      for (size_t i = 0; i < s.layers.size(); ++i) {
        TProtectionLayer& l = list.Items(static_cast<int>(i));
        const LayerSpec& spec = s.layers[i];
        EXPECT_EQ(l.COSEMProtectionServices, spec.services);
        if (auto* g = dynamic_cast<TProtectionLayerGloDed*>(&l)) {
          EXPECT_EQ(g->Dedicated, spec.dedicated);
          EXPECT_EQ(g->FrameCounter, 100 + i);
          EXPECT_EQ(g->SystemTitle, kServerTitle);
          EXPECT_EQ(spec.cls == TProtectionLayerClass::GloDedService,
                    dynamic_cast<TProtectionLayerGloDedService*>(&l) != nullptr);
        } else if (auto* c = dynamic_cast<TProtectionLayerGeneralCiphering*>(&l)) {
          EXPECT_TRUE(TKeyInfo::Equal(c->KeyInfo, spec.key)) << c->KeyInfo.ToString();
          EXPECT_EQ(c->FrameCounter, 100 + i);
          EXPECT_EQ(c->TransactionId, H("0102030405"));
          EXPECT_EQ(c->OtherInformation, "info");
        } else {
          auto* g = dynamic_cast<TProtectionLayerGeneralSigning*>(&l);
          ASSERT_TRUE(g);
          EXPECT_EQ(g->OriginatorSystemTitle, kServerTitle);
          EXPECT_EQ(g->RecipientSystemTitle, kClientTitle);
        }
      }
    }
  }
}

TEST(ProtectionLayers, DeterministicStacksRemovedThenAppliedGiveTheOctetsBack) {
  // Wrapped keys and ECDSA draw fresh random numbers; every other stack is a function of its
  // keys, fields and counters.
  const Stack stacks[] = {{{kServiceGlo}, 0}, {{kServiceDed}, 0}, {{kServiceGloAuth}, 0}, {{kGeneralGlo}, 0},
                          {{kGeneralDedAuth}, 0}, {{kIdentified}, 0}, {{kSUM}, 1}, {{kServiceDed, kGeneralGlo}, 0},
                          {{kIdentified, kGeneralGlo}, 0}};
  for (int suite = 0; suite <= 2; ++suite) {
    TFakeSecurityMaterial m(suite);
    for (const Stack& s : stacks) {
      if (suite < s.minSuite) continue;
      SCOPED_TRACE(Describe(s, suite));
      const PduStr wire = ApplyStack(s, m, kGetResponse);
      TProtectionLayers list;
      COSEMpduPtr plain = list.Remove(wire, &m, nullptr, kServerTitle);
      ASSERT_TRUE(plain);
      for (int i = 0; i < list.Count(); ++i) {
        if (auto* g = dynamic_cast<TProtectionLayerGloDed*>(&list.Items(i)))
          g->FrameCounterFunc = [fc = g->FrameCounter] { return fc; };
        if (auto* c = dynamic_cast<TProtectionLayerGeneralCiphering*>(&list.Items(i)))
          c->FrameCounterFunc = [fc = c->FrameCounter] { return fc; };
      }
      EXPECT_EQ(X(list.Apply(*plain, &m, nullptr)->Encode()), X(wire));
    }
  }
}

TEST(ProtectionLayers, AChangedOctetFailsAuthentication) {
  struct Row {
    Stack stack;
    size_t fromEnd;  // position of the changed octet, counted from the end
  };
  const Row rows[] = {
      {{{kServiceGlo}, 0}, 1},          // the tag
      {{{kServiceGlo}, 0}, 14},         // the ciphertext
      {{{kServiceGloAuth}, 0}, 14},     // the clear plaintext of authentication only
      {{{kGeneralGlo}, 0}, 20},
      {{{kIdentified}, 0}, 1},
      {{{kServiceGlo, kGeneralGlo}, 0}, 20},  // inner layer
  };
  for (int suite = 0; suite <= 2; ++suite) {
    TFakeSecurityMaterial m(suite);
    for (const Row& r : rows) {
      SCOPED_TRACE(Describe(r.stack, suite) + " at -" + std::to_string(r.fromEnd));
      PduStr wire = ApplyStack(r.stack, m, kGetRequest);
      wire[wire.size() - r.fromEnd] ^= 0x01;
      TProtectionLayers list;
      EXPECT_EQ(ErrorOf([&] { list.Remove(wire, &m, nullptr, kServerTitle); }),
                "Authentication failure (Decrypt error)");
    }
  }
  // The additional fields of general ciphering are authenticated: a changed transaction id.
  TFakeSecurityMaterial m(1);
  PduStr wire = ApplyStack({{kIdentified}, 0}, m, kGetRequest);
  ASSERT_EQ(wire.substr(0, 3), H("DD 05 01"));
  wire[2] = 0x09;
  TProtectionLayers list;
  EXPECT_EQ(ErrorOf([&] { list.Remove(wire, &m, nullptr, kServerTitle); }), "Authentication failure (Decrypt error)");
}

TEST(ProtectionLayers, MissingKeysRaiseEKeyMissing) {
  struct Row {
    Stack stack;
    std::function<void(TFakeSecurityMaterial&)> drop;
    const char* message;
  };
  const Row rows[] = {
      {{{kServiceGlo}, 0}, [](auto& m) { m.Keys.erase(kiGUEK); }, "No GUEK key"},
      {{{kServiceDed}, 0}, [](auto& m) { m.Keys.erase(kiDEK); }, "No DEK key"},
      {{{kGeneralGlo}, 0}, [](auto& m) { m.Keys.erase(kiGAK); }, "No GAK key"},
      {{{kWrapped}, 0}, [](auto& m) { m.Keys.erase(kiKEK); }, "No KEK key"},
      {{{kSigning}, 1}, [](auto& m) { m.Pairs.erase({kServerTitle, kpSigning}); },
       "No Signing public key for 5A52560000000001 found"},
      {{{kOPDH}, 1}, [](auto& m) { m.Pairs.erase({kClientTitle, kpAgreement}); },
       "Private key for 4D4D4D0000BC614E is not available"},
      {{{kSUM}, 1}, [](auto& m) { m.Pairs.erase({kServerTitle, kpAgreement}); }, "No Agreement public key for "},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(Describe(r.stack, 1));
    TFakeSecurityMaterial m(1);
    const PduStr wire = ApplyStack(r.stack, m, kGetRequest);
    r.drop(m);
    TProtectionLayers list;
    try {
      list.Remove(wire, &m, nullptr, kServerTitle);
      ADD_FAILURE() << "no error";
    } catch (const EKeyMissing& e) {
      EXPECT_EQ(e.Message().substr(0, 28), std::string(r.message).substr(0, 28));
    }
  }
  // Without any key store.
  TProtectionLayers list;
  EXPECT_THROW(list.Remove(kGloGetRequest, nullptr, nullptr, kClientTitle), EKeyMissing);
  // Applying needs the keys as well.
  TFakeSecurityMaterial m(0);
  m.Keys.erase(kiGAK);
  EXPECT_THROW(ApplyStack({{kServiceGlo}, 0}, m, kGetRequest), EKeyMissing);
}

TEST(ProtectionLayers, RefusalsOfTheRemoval) {
  TFakeSecurityMaterial m0(0), m1(1);
  auto removeError = [](const PduStr& wire, TFakeSecurityMaterial& m, const PduStr& title = kServerTitle) {
    TProtectionLayers list;
    return ErrorOf([&] { list.Remove(wire, &m, nullptr, title); });
  };
  // Glo ciphering of a plaintext followed by one more octet.
  {
    TProtectionLayerGloDedService l;
    l.SecurityMaterial = &m0;
    l.SystemTitle = kServerTitle;
    l.COSEMProtectionServices = kAE;
    l.FrameCounterFunc = [] { return 7u; };
    COSEMpduPtr c = l.ApplyToCOSEMPdu(*Pdu(kGetRequest));
    // Re-cipher the octets with one more octet after the APDU.
    PduStr info = client::GcmProtect(0x30, 8, kServerTitle, kGetRequest + PduStr(1, '\0'), m0.Keys[kiGUEK],
                                     m0.Keys[kiGAK]);
    EXPECT_EQ(removeError(H("C8") + client::Octets(info), m0), "Unexpected pdu trailing data");
    // The same in a general glo ciphering.
    EXPECT_EQ(removeError(H("DB") + client::Octets(kServerTitle) + client::Octets(info), m0),
              "GCMDecrypted data is not a valid APDU");
    // And an undecodable plaintext.
    info = client::GcmProtect(0x30, 9, kServerTitle, H("C0 07"), m0.Keys[kiGUEK], m0.Keys[kiGAK]);
    EXPECT_EQ(removeError(H("DB") + client::Octets(kServerTitle) + client::Octets(info), m0),
              "GCMDecrypted data is not a valid APDU");
    // Octets after the protected APDU itself.
    EXPECT_EQ(removeError(c->Encode() + "\x01", m0), "Unexpected pdu trailing data");
  }
  // A system title of 7 octets: refused before any decryption.
  {
    TLogCapture log;
    TProtectionLayers list;
    const PduStr wire = H("DB 07 01020304050607 05 3000000001");
    EXPECT_EQ(ErrorOf([&] { list.Remove(wire, &m0, &log.Context, kServerTitle); }), "System-title of illegal length");
    EXPECT_TRUE(log.Has(">>>Remove general glo/ded from:"));
    for (const auto& line : log.Lines) EXPECT_EQ(line.find("ENCRYPTION KEY"), std::string::npos);
    EXPECT_EQ(removeError(kGloGetRequest, m0, H("4D4D4D0000BC61")), "System-title of illegal length");
  }
  // A control octet of another suite.
  EXPECT_EQ(removeError(ApplyStack({{kGeneralGlo}, 0}, m0, kGetRequest), m1),
            "Unexpected SecuritySuite in received ciphered PDU");
  // No protection at all in a ciphered APDU (security control 0x00): refused, not passed.
  EXPECT_EQ(removeError(H("C8 12 00 00000001") + kGetRequest, m0),
            "Ciphered PDU without authentication and encryption");
  EXPECT_EQ(removeError(H("DB 08") + kServerTitle + H("12 00 00000001") + kGetRequest, m0),
            "Ciphered PDU without authentication and encryption");
  // Ciphered information too short for its control octet, counter and tag.
  EXPECT_EQ(removeError(H("C8 03 30 00 01"), m0), "Ciphered information too short");
  EXPECT_EQ(removeError(H("C8 0A 30 00000001 0102030405"), m0), "Ciphered information too short");
  // Compressed APDUs are not accepted.
  EXPECT_NE(removeError(H("C8 12 80 00000001") + kGetRequest, m0).find("Assertion failure"), std::string::npos);
}

TEST(ProtectionLayers, GeneralCipheringRefusals) {
  TFakeSecurityMaterial m1(1), m0(0);
  auto removeError = [](const PduStr& wire, TFakeSecurityMaterial& m) {
    TProtectionLayers list;
    return ErrorOf([&] { list.Remove(wire, &m, nullptr, kServerTitle); });
  };
  const PduStr fields = H("DD 00 08") + kServerTitle + H("08") + kClientTitle + H("00 00");
  const PduStr content = H("05 30 00000001");
  EXPECT_EQ(removeError(fields + H("01 00 01") + content, m1), "Identified key id not supported");
  EXPECT_EQ(removeError(fields + H("00") + content, m1), "General ciphering without key information");
  EXPECT_EQ(removeError(fields + H("01 02 01 02 01 AA") + content, m1), "Unexpected Key-ciphered-data");
  EXPECT_EQ(removeError(fields + H("01 02 01 01 00") + content, m0), "Key agreement requires security suite 1 or 2");
  EXPECT_NE(removeError(fields + H("01 02 01 03 00") + content, m1).find("Assertion failure"), std::string::npos);
  EXPECT_NE(removeError(fields + H("01 01 01 00") + content, m1).find("Assertion failure"), std::string::npos);
  // A wrapped key that does not unwrap under the master key.
  try {
    TProtectionLayers list;
    list.Remove(fields + H("01 01 00 18") + PduStr(24, 'w') + content, &m1, nullptr, kServerTitle);
    ADD_FAILURE();
  } catch (const EProtection& e) {
    EXPECT_EQ(e.Message().rfind("TKeyWrap.UnWrap: Error: ", 0), 0u) << e.Message();
  }
  // One-pass Diffie-Hellman whose ephemeral key was signed with another key.
  {
    const PduStr wire = ApplyStack({{kOPDH}, 1}, m1, kGetRequest);
    m1.Pairs[{kServerTitle, kpSigning}] = m1.NewPair();
    TProtectionLayers list;
    EXPECT_THROW(list.Remove(wire, &m1, nullptr, kServerTitle), ESignatureCheck);
    EXPECT_EQ(removeError(wire, m1), "Signature check failed in GeneralCiphering");
  }
  // Suite 0 refuses key agreement and signatures before asking for their keys.
  EXPECT_EQ(ErrorOf([&] { ApplyStack({{kOPDH}, 0}, m0, kGetRequest); }), "Key agreement requires security suite 1 or 2");
  EXPECT_EQ(ErrorOf([&] { ApplyStack({{kSigning}, 0}, m0, kGetRequest); }),
            "Digital signature requires security suite 1 or 2");
}

TEST(ProtectionLayers, GeneralSigningChecks) {
  TFakeSecurityMaterial m(2);
  PduStr wire = ApplyStack({{kSigning}, 1}, m, kGetRequest);
  {
    PduStr bad = wire;
    bad[bad.size() - 1] ^= 0x80;
    TProtectionLayers list;
    EXPECT_THROW(list.Remove(bad, &m, nullptr, kServerTitle), ESignatureCheck);
  }
  // The signed fields: another transaction id invalidates the signature.
  {
    PduStr bad = wire;
    bad[2] ^= 0x01;
    TProtectionLayers list;
    EXPECT_EQ(ErrorOf([&] { list.Remove(bad, &m, nullptr, kServerTitle); }), "Signature check failed in GeneralSigning");
  }
  // A signing layer with no services hands back a copy of its input.
  TProtectionLayerGeneralSigning l;
  l.SecurityMaterial = &m;
  COSEMpduPtr in = Pdu(kGetRequest);
  COSEMpduPtr out = l.ApplyToCOSEMPdu(*in);
  EXPECT_NE(out.get(), in.get());
  EXPECT_EQ(out->Encode(), kGetRequest);
}

TEST(ProtectionLayers, PlainApdusAndTheCipheredTags) {
  TFakeSecurityMaterial m(0);
  TProtectionLayers list;
  EXPECT_EQ(list.Remove(kGetRequest, &m, nullptr, kClientTitle), nullptr);
  EXPECT_EQ(list.Count(), 0);
  TProtectionLayerClass cls;
  bool dedicated = true;
  EXPECT_FALSE(TProtectionLayer::GetCipheredPduInfo(H("CA 00"), cls, dedicated));  // glo event notification
  EXPECT_FALSE(TProtectionLayer::GetCipheredPduInfo(H("D6"), cls, dedicated));
  EXPECT_FALSE(TProtectionLayer::GetCipheredPduInfo("", cls, dedicated));
  ASSERT_TRUE(TProtectionLayer::GetCipheredPduInfo(H("D2"), cls, dedicated));  // ded event notification
  EXPECT_EQ(cls, TProtectionLayerClass::GloDedService);
  EXPECT_TRUE(dedicated);
  ASSERT_TRUE(TProtectionLayer::GetCipheredPduInfo(H("21"), cls, dedicated));
  EXPECT_FALSE(dedicated);
  ASSERT_TRUE(TProtectionLayer::GetCipheredPduInfo(H("DC"), cls, dedicated));
  EXPECT_EQ(cls, TProtectionLayerClass::GloDedGeneral);
  ASSERT_TRUE(TProtectionLayer::GetCipheredPduInfo(H("DF"), cls, dedicated));
  EXPECT_EQ(cls, TProtectionLayerClass::GeneralSigning);
}

TEST(ProtectionLayers, NestingIsBounded) {
  TFakeSecurityMaterial m(0);
  PduStr wire = kGetRequest;
  for (int i = 0; i < 150; ++i) {
    const PduStr info = client::GcmProtect(0x10, static_cast<uint32_t>(i + 1), kServerTitle, wire, m.Keys[kiGUEK],
                                           m.Keys[kiGAK]);
    wire = H("DB 08") + kServerTitle + client::Octets(info);
  }
  TProtectionLayers list;
  EXPECT_EQ(ErrorOf([&] { list.Remove(wire, &m, nullptr, kServerTitle); }), "Protection layers nested too deeply");
}

TEST(ProtectionLayers, ServicesOfTheList) {
  TFakeSecurityMaterial m(1);
  TProtectionLayers list;
  ASSERT_TRUE(list.Remove(ApplyStack({{kServiceDed, kSigning}, 1}, m, kGetRequest), &m, nullptr, kServerTitle));
  EXPECT_EQ(list.GetProtectionServices(psCurrent), (TProtectionServices{rcAUTHENTICATION, rcENCRYPTION, rcSIGNATURE}));
  EXPECT_TRUE(list.HasProtectionServices(psCurrent, {rcAUTHENTICATION, rcSIGNATURE}));
  EXPECT_FALSE(list.HasProtectionServices(psCurrent, {rcCOMPRESSION}));
  EXPECT_TRUE(list.GetProtectionServices(psPMax).Empty());
  EXPECT_TRUE(list.UseDedicatedServices());
  EXPECT_TRUE(list.HasLayerWithServiceSpecificStyle());
  EXPECT_EQ(list.GetFirst<TProtectionLayerGloDed>(), &list.Items(0));
  EXPECT_EQ(list.GetFirst<TProtectionLayerGeneral>(), &list.Items(1));
  EXPECT_EQ(list.GetFirst<TProtectionLayerGeneralCiphering>(), nullptr);
  EXPECT_TRUE(list.CheckRecipientSystemTitle(kClientTitle));
  EXPECT_FALSE(list.CheckRecipientSystemTitle(kServerTitle));

  list.SetMaximumProtection();
  list.RemoveProtectionServices({rcENCRYPTION, rcSIGNATURE});
  EXPECT_EQ(list.GetProtectionServices(psCurrent), TProtectionServices{rcAUTHENTICATION});
  list.RealizeProtection({rcSIGNATURE, rcENCRYPTION});
  EXPECT_EQ(list.Items(0).COSEMProtectionServices, kAE);
  EXPECT_EQ(list.Items(1).COSEMProtectionServices, TCOSEMProtectionServices{psSignature});
  list.ForceProtection({rcAUTHENTICATION});
  EXPECT_EQ(list.Items(0).COSEMProtectionServices, kA);
  EXPECT_TRUE(list.Items(1).COSEMProtectionServices.Empty());
  list.SetMinimumProtection();
  EXPECT_EQ(list.GetProtectionServices(psPMin), TProtectionServices{rcAUTHENTICATION});
  EXPECT_EQ(ErrorOf([&] { list.RealizeProtection({rcCOMPRESSION, rcAUTHENTICATION}); }),
            "Protection services COMPRESSION cannot be added or set in the layers");
}

TEST(ProtectionLayers, RealizeProtectionNamesWhatIsMissing) {
  TProtectionLayers list;
  auto layer = std::make_unique<TProtectionLayerGloDedService>();
  layer->MaxCOSEMProtectionServices = kAE;
  list.Add(std::move(layer));
  EXPECT_EQ(ErrorOf([&] { list.RealizeProtection({rcSIGNATURE, rcCOMPRESSION, rcAUTHENTICATION}); }),
            "Protection services SIGNATURE ,COMPRESSION cannot be added or set in the layers");
  EXPECT_EQ(list.Items(0).COSEMProtectionServices, kA);
  // The only layer, a glo/ded one that gives nothing, goes.
  list.RemoveProtectionServices({rcAUTHENTICATION});
  list.RemoveSingleEmptySymmetricLayer();
  EXPECT_EQ(list.Count(), 0);
}

TEST(ProtectionLayers, CheckFrameCounter) {
  TFakeSecurityMaterial m(0);
  TProtectionLayers list;
  ASSERT_TRUE(list.Remove(ApplyStack({{kServiceGlo, kGeneralGlo}, 0}, m, kGetRequest), &m, nullptr, kServerTitle));
  // Counters 100 (inner) and 101 (outer).
  uint32_t last = 100;
  EXPECT_EQ(ErrorOf([&] { list.CheckFrameCounter(last); }), "IC reused");
  last = 99;
  list.CheckFrameCounter(last);
  EXPECT_EQ(last, 101u);
  // Outer counter not above the inner one.
  TProtectionLayers reversed;
  ASSERT_TRUE(reversed.Remove(ApplyStack({{kGeneralGlo, kGeneralGlo}, 0}, m, kGetRequest), &m, nullptr, kServerTitle));
  static_cast<TProtectionLayerGloDed&>(reversed.Items(1)).FrameCounter = 100;
  last = 0;
  EXPECT_EQ(ErrorOf([&] { reversed.CheckFrameCounter(last); }), "IC reused");
  // Signing layers have no counter; an unsigned comparison.
  TProtectionLayers signing;
  TFakeSecurityMaterial m1(1);
  ASSERT_TRUE(signing.Remove(ApplyStack({{kSigning}, 1}, m1, kGetRequest), &m1, nullptr, kServerTitle));
  last = 0xFFFFFFFF;
  signing.CheckFrameCounter(last);
  EXPECT_EQ(last, 0xFFFFFFFFu);
}

TEST(ProtectionLayers, CallbacksCountersAndLines) {
  TFakeSecurityMaterial m(0);
  TProtectionLayers list;
  ASSERT_TRUE(list.Remove(ApplyStack({{kGeneralGlo}, 0}, m, kGetRequest), &m, nullptr, kServerTitle));
  int applying = 0;
  list.SetLayersCallBacks(
      [](TProtectionLayer&, COSEMpduPtr& pdu) { pdu = TProtectionPduHelper::MakeCOSEMPduFromPdu(H("C4 01 C1 00 11 07")); },
      [&](TProtectionLayer&) { ++applying; });
  // Without a counter function the layer takes the process-wide source, and refuses without one.
  SetFrameCounterSource(nullptr);
  EXPECT_EQ(ErrorOf([&] { list.Apply(*Pdu(kGetRequest), &m, nullptr); }), "No frame counter source");
  SetFrameCounterSource([] { return 0x0A0B0C0Du; });
  COSEMpduPtr out = list.Apply(*Pdu(kGetRequest), &m, nullptr);
  SetFrameCounterSource(nullptr);
  EXPECT_EQ(X(out->Encode()), "C401C1001107");
  EXPECT_EQ(applying, 2);
  EXPECT_EQ(static_cast<TProtectionLayerGloDed&>(list.Items(0)).FrameCounter, 0x0A0B0C0Du);

  std::vector<std::string> lines;
  list.Items(0).ToStringList(lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"ClassName=TProtectionLayerGloDedGeneral", "Dedicated=0",
                                             "SystemTitle=5A52560000000001",
                                             "COSEMProtectionServices=[AUTHENTICATION,ENCRYPTION]",
                                             "FrameCounter=168496141"}));
  TFakeSecurityMaterial m1(1);
  TProtectionLayers general;
  ASSERT_TRUE(general.Remove(ApplyStack({{kSUM}, 1}, m1, kGetRequest), &m1, nullptr, kServerTitle));
  lines.clear();
  general.Items(0).ToStringList(lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"ClassName=TProtectionLayerGeneralCiphering", "TransactionId=0102030405",
                                             "OriginatorSystemTitle=5A52560000000001",
                                             "RecipientSystemTitle=4D4D4D0000BC614E",
                                             "DateTime=", "OtherInformation=696E666F",
                                             "COSEMProtectionServices=[AUTHENTICATION]", "FrameCounter=100",
                                             "KeyInfo=Agreed KeyAgreementKind=SUM"}));
}

TEST(ProtectionLayers, ApplyOfAnEmptyListAndTheCallersApdu) {
  TFakeSecurityMaterial m(0);
  TProtectionLayers empty;
  COSEMpduPtr in = Pdu(kGetRequest);
  EXPECT_EQ(empty.Apply(*in, &m, nullptr), nullptr);
  // A layer with nothing to give copies; the caller keeps its APDU in every case.
  TProtectionLayers list;
  list.Add(std::make_unique<TProtectionLayerGloDedGeneral>());
  COSEMpduPtr out = list.Apply(*in, &m, nullptr);
  EXPECT_EQ(out->Encode(), kGetRequest);
  EXPECT_EQ(in->Encode(), kGetRequest);
  // A plain APDU without a glo form.
  auto glo = std::make_unique<TProtectionLayerGloDedService>();
  glo->COSEMProtectionServices = kAE;
  glo->FrameCounterFunc = [] { return 1u; };
  glo->SystemTitle = kServerTitle;
  TProtectionLayers one;
  one.Add(std::move(glo));
  EXPECT_EQ(ErrorOf([&] { one.Apply(*Pdu(H("D8 01 02")), &m, nullptr); }), "No glotag for tag 216");
}

TEST(ProtectionLayers, KeysOfTheWrongLengthAreRefusedNotUsed) {
  struct Row {
    Stack stack;
    TKeyId key;
    const char* prefix;
  };
  const Row rows[] = {
      {{{kServiceGlo}, 0}, kiGUEK, "Crypto error"},
      {{{kGeneralDedAuth}, 0}, kiDEK, "Crypto error"},
      {{{kWrapped}, 0}, kiKEK, "TKeyWrap.Wrap: Error"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(Describe(r.stack, 0));
    TFakeSecurityMaterial m(0);
    const PduStr wire = ApplyStack(r.stack, m, kGetRequest);
    m.Keys[r.key] = H("0102030405");
    TProtectionLayers list;
    EXPECT_THROW(list.Remove(wire, &m, nullptr, kServerTitle), EProtection);
    EXPECT_EQ(ErrorOf([&] { ApplyStack(r.stack, m, kGetRequest); }).rfind(r.prefix, 0), 0u);
  }
  // A public key of the wrong length: the curve code's own error.
  TFakeSecurityMaterial m(1);
  const PduStr wire = ApplyStack({{kSigning}, 1}, m, kGetRequest);
  m.Pairs[{kServerTitle, kpSigning}].PublicKey.resize(63);
  TProtectionLayers list;
  const std::string error = ErrorOf([&] { list.Remove(wire, &m, nullptr, kServerTitle); });
  EXPECT_NE(error, "<no error>");
  EXPECT_NE(error, "Signature check failed in GeneralSigning");
}
