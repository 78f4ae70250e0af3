// The data protection layers over plain octet strings: every key kind against an OpenSSL
// client in both directions, stacking order, counters, the refusal of data that announces
// less protection than the layer gives, and the list's key-material operations.
#include <gtest/gtest.h>

#include "security/data_protection.h"
#include "security/frame_counter_source.h"
#include "security/protection_crypto.h"
#include "security_test_support.h"

using namespace zv;
using namespace zv::test;

namespace {

// A structure of two values, as the attribute values of a data protection buffer.
const PduStr kValues = H("02 02 12 00 2A 09 06 00 00 01 00 00 FF");
const TCOSEMProtectionServices kAE{psAuthentication, psEncryption};
const TCOSEMProtectionServices kA{psAuthentication};
const TCOSEMProtectionServices kE{psEncryption};
const TCOSEMProtectionServices kS{psSignature};

enum class Kind { Identified, Wrapped, OPDH, SUM, Signature };
const char* Name(Kind k) {
  const char* names[] = {"identified", "wrapped", "opdh", "sum", "signature"};
  return names[static_cast<int>(k)];
}
bool NeedsCurves(Kind k) { return k == Kind::OPDH || k == Kind::SUM || k == Kind::Signature; }
const Kind kKinds[] = {Kind::Identified, Kind::Wrapped, Kind::OPDH, Kind::SUM, Kind::Signature};

// A layer from Originator to Recipient; counters come from a fixed callback.
std::unique_ptr<TDataProtectionLayer> Layer(TSecurityMaterial& m, Kind kind, TCOSEMProtectionServices services,
                                            const PduStr& originator, const PduStr& recipient,
                                            const TLoggingContext* log = nullptr) {
  auto l = std::make_unique<TDataProtectionLayer>(&m, log);
  l->COSEMProtectionServices = kind == Kind::Signature ? kS : services;
  l->TransactionId = H("0A0B");
  l->OtherInformation = "other";
  l->OriginatorSystemTitle = originator;
  l->RecipientSystemTitle = recipient;
  switch (kind) {
    case Kind::Identified: l->KeyInfo = TKeyInfo::KeyInfoIdentified(kiGUEK); break;
    case Kind::Wrapped: l->KeyInfo = TKeyInfo::KeyInfoWrapped(kiKEK); break;
    case Kind::OPDH: l->KeyInfo = TKeyInfo::KeyInfoAgreed(kaOPDH); break;
    case Kind::SUM: l->KeyInfo = TKeyInfo::KeyInfoAgreed(kaSUM); break;
    case Kind::Signature: break;
  }
  l->FrameCounterToApplyFunc = [](TDataProtectionLayer&) { return 0x00000101u; };
  return l;
}

PduStr Fields(const TDataProtectionLayer& l) {
  return client::Octets(l.TransactionId) + client::Octets(l.OriginatorSystemTitle) +
         client::Octets(l.RecipientSystemTitle) + client::Octets(l.OtherInformation);
}

// The client as originator: the protected buffer and the key-ciphered data it sends.
PduStr ClientProtect(int suite, TFakeSecurityMaterial& m, Kind kind, TDataProtectionLayer& l, uint8_t services,
                     uint32_t fc, const PduStr& data) {
  if (kind == Kind::Signature)
    return data + client::Sign(suite, m.Pairs[{kClientTitle, kpSigning}], Fields(l) + data);
  PduStr ek;
  if (kind == Kind::Identified) {
    ek = m.Keys[kiGUEK];
  } else if (kind == Kind::Wrapped) {
    ek = PduStr(suite == 2 ? 32 : 16, '\x3C');
    l.KeyCipheredData = client::KeyWrap(ek, m.Keys[kiKEK], true);
  } else if (kind == Kind::OPDH) {
    const TKeyPair ephemeral = m.NewPair();
    ek = client::Kdf(suite, client::SharedSecret(suite, ephemeral, m.Pairs[{kServerTitle, kpAgreement}].PublicKey),
                     kClientTitle, kServerTitle);
    l.KeyCipheredData =
        ephemeral.PublicKey + client::Sign(suite, m.Pairs[{kClientTitle, kpSigning}], ephemeral.PublicKey);
  } else {
    const PduStr z = client::SharedSecret(suite, m.Pairs[{kClientTitle, kpAgreement}],
                                          m.Pairs[{kServerTitle, kpAgreement}].PublicKey);
    ek = client::Kdf(suite, z, kClientTitle + static_cast<char>(l.TransactionId.size()) + l.TransactionId,
                     kServerTitle);
  }
  return client::GcmProtect(static_cast<uint8_t>(services | suite), fc, kClientTitle, data, ek, m.Keys[kiGAK],
                            Fields(l));
}

// The client as recipient of what the server's layer applied.
client::Unprotected ClientUnprotect(int suite, TFakeSecurityMaterial& m, Kind kind, const TDataProtectionLayer& l,
                                    const PduStr& buffer) {
  if (kind == Kind::Signature) {
    const size_t size = suite == 1 ? 64 : 96;
    const PduStr content = buffer.substr(0, buffer.size() - size);
    if (!client::Verify(suite, m.Pairs[{kServerTitle, kpSigning}].PublicKey, Fields(l) + content,
                        buffer.substr(buffer.size() - size)))
      throw Exception("client: signature does not verify");
    return client::Unprotected{0, 0, content};
  }
  PduStr ek;
  if (kind == Kind::Identified) {
    ek = m.Keys[kiGUEK];
  } else if (kind == Kind::Wrapped) {
    ek = client::KeyWrap(l.KeyCipheredData, m.Keys[kiKEK], false);
  } else if (kind == Kind::OPDH) {
    const size_t size = suite == 1 ? 64 : 96;
    const PduStr ephemeral = l.KeyCipheredData.substr(0, size);
    if (!client::Verify(suite, m.Pairs[{kServerTitle, kpSigning}].PublicKey, ephemeral,
                        l.KeyCipheredData.substr(size)))
      throw Exception("client: ephemeral key signature does not verify");
    ek = client::Kdf(suite, client::SharedSecret(suite, m.Pairs[{kClientTitle, kpAgreement}], ephemeral),
                     kServerTitle, kClientTitle);
  } else {
    const PduStr z = client::SharedSecret(suite, m.Pairs[{kClientTitle, kpAgreement}],
                                          m.Pairs[{kServerTitle, kpAgreement}].PublicKey);
    ek = client::Kdf(suite, z, kServerTitle + static_cast<char>(l.TransactionId.size()) + l.TransactionId,
                     kClientTitle);
  }
  return client::GcmUnprotect(kServerTitle, buffer, ek, m.Keys[kiGAK], Fields(l));
}

}  // namespace

TEST(DataProtection, OurLayersRemoveWhatTheClientProtects) {
  for (int suite = 0; suite <= 2; ++suite) {
    TFakeSecurityMaterial m(suite);
    for (Kind kind : kKinds) {
      if (suite == 0 && NeedsCurves(kind)) continue;
      for (uint8_t services : {0x10, 0x20, 0x30}) {
        if (kind == Kind::Signature && services != 0x30) continue;
        SCOPED_TRACE(std::string(Name(kind)) + " suite " + std::to_string(suite) + " SC " + std::to_string(services));
        auto l = Layer(m, kind, TCOSEMProtectionServices::FromOctet(services >> 4), kClientTitle, kServerTitle);
        uint32_t seen = 0;
        l->FrameCounterRemovedProc = [&](TDataProtectionLayer& layer) { seen = layer.FrameCounterWhenRemoving; };
        const PduStr buffer = ClientProtect(suite, m, kind, *l, services, 77, kValues);
        TDataProtectionLayers list;
        list.Add(std::move(l));
        PduStr plain;
        ASSERT_NO_THROW(plain = list.RemoveProtection(buffer));
        EXPECT_EQ(X(plain), X(kValues));
        if (kind != Kind::Signature) {
          EXPECT_EQ(seen, 77u);
        }
      }
    }
  }
}

TEST(DataProtection, TheClientRemovesWhatOurLayersProtect) {
  for (int suite = 0; suite <= 2; ++suite) {
    TFakeSecurityMaterial m(suite);
    for (Kind kind : kKinds) {
      if (suite == 0 && NeedsCurves(kind)) continue;
      SCOPED_TRACE(std::string(Name(kind)) + " suite " + std::to_string(suite));
      TDataProtectionLayers list;
      TDataProtectionLayer& l = list.Add(Layer(m, kind, kAE, kServerTitle, kClientTitle));
      const PduStr buffer = list.ApplyProtection(kValues);
      client::Unprotected u;
      ASSERT_NO_THROW(u = ClientUnprotect(suite, m, kind, l, buffer));
      EXPECT_EQ(X(u.plain), X(kValues));
      if (kind == Kind::Signature) continue;
      EXPECT_EQ(u.sc, 0x30 | suite);
      EXPECT_EQ(u.fc, 0x101u);
      EXPECT_EQ(l.FrameCounterWhenApplying, 0x101u);
    }
  }
}

TEST(DataProtection, CipheringUnderSignatureIsRemovedInReverse) {
  TFakeSecurityMaterial m(2);
  TLogCapture log;
  TDataProtectionLayers list;
  list.Add(Layer(m, Kind::Identified, kE, kServerTitle, kServerTitle, &log.Context));
  list.Add(Layer(m, Kind::Signature, kS, kServerTitle, kServerTitle, &log.Context));
  const PduStr buffer = list.ApplyProtection(kValues);
  // Encryption only: control octet, counter, ciphertext; then the 96-octet signature.
  EXPECT_EQ(buffer.size(), 5 + kValues.size() + 96);
  EXPECT_EQ(buffer[0], '\x22');
  log.Lines.clear();
  EXPECT_EQ(X(list.RemoveProtection(buffer)), X(kValues));
  ASSERT_GE(log.Lines.size(), 2u);
  EXPECT_EQ(log.Lines[0].rfind("Removing signature from ", 0), 0u);
  EXPECT_EQ(log.Lines[1].rfind("Removing ciphering from ", 0), 0u);
  EXPECT_EQ(list.GetAggregatedProtection(), (TCOSEMProtectionServices{psEncryption, psSignature}));
  EXPECT_TRUE(TDataProtectionLayers().GetAggregatedProtection().Empty());
  EXPECT_EQ(TDataProtectionLayers().ApplyProtection(kValues), kValues);
}

TEST(DataProtection, AuthenticationOnlyKeepsTheDataAndCoversTheFields) {
  TFakeSecurityMaterial m(1);
  TLogCapture log;
  TDataProtectionLayers list;
  list.Add(Layer(m, Kind::Identified, kA, kServerTitle, kClientTitle, &log.Context));
  const PduStr buffer = list.ApplyProtection(kValues);
  EXPECT_EQ(X(buffer.substr(0, 5 + kValues.size())), X(H("11 00000101") + kValues));
  EXPECT_EQ(buffer.size(), 5 + kValues.size() + 12);
  EXPECT_TRUE(log.Has("Applying ciphering to " + X(kValues)));
  EXPECT_TRUE(log.Has("ENCRYPTION KEY: 000102030405060708090A0B0C0D0E0F, IC: 00000101"));
  list.Items(0).TransactionId[1] ^= 0x01;
  EXPECT_EQ(ErrorOf([&] { list.RemoveProtection(buffer); }), "Authentication failure (Decrypt error)");
  // Four empty fields are four zero lengths.
  TDataProtectionLayer empty(&m, nullptr);
  EXPECT_EQ(X(empty.GetAdditionalFieldsForSignatureOrAuthentication()), "00000000");
  EXPECT_EQ(X(protection_crypto::StaticUnifiedPartUInfo(H("0102030405060708"), H("AABB"))), "010203040506070802AABB");
}

TEST(DataProtection, LessProtectionThanTheLayerGivesIsRefused) {
  // Each row: what the layer requires, the control octet the data carries, accepted?
  struct Row {
    TCOSEMProtectionServices layer;
    uint8_t sc;
    bool accepted;
  };
  const Row rows[] = {
      {kAE, 0x00, false}, {kAE, 0x10, false}, {kAE, 0x20, false}, {kAE, 0x30, true},
      {kA, 0x00, false},  {kA, 0x20, false},  {kA, 0x10, true},   {kA, 0x30, true},
      {kE, 0x00, false},  {kE, 0x10, false},  {kE, 0x20, true},
  };
  TFakeSecurityMaterial m(0);
  for (const Row& r : rows) {
    SCOPED_TRACE(ToString(r.layer) + " SC " + std::to_string(r.sc));
    auto l = Layer(m, Kind::Identified, r.layer, kClientTitle, kServerTitle);
    bool told = false;
    l->FrameCounterRemovedProc = [&](TDataProtectionLayer&) { told = true; };
    const PduStr buffer = client::GcmProtect(r.sc, 0xFFFFFFFF, kClientTitle, kValues, m.Keys[kiGUEK],
                                             m.Keys[kiGAK], Fields(*l));
    TDataProtectionLayers list;
    list.Add(std::move(l));
    if (r.accepted) {
      EXPECT_EQ(list.RemoveProtection(buffer), kValues);
      EXPECT_TRUE(told);
    } else {
      EXPECT_THROW(list.RemoveProtection(buffer), EDataProtection);
      // A counter that nothing vouched for never reaches the counter table.
      EXPECT_FALSE(told);
    }
  }
  auto l = Layer(m, Kind::Identified, kAE, kClientTitle, kServerTitle);
  EXPECT_EQ(ErrorOf([&] { l->Remove(H("00 00000001") + kValues); }),
            "Protection [] received where [AUTHENTICATION,ENCRYPTION] is required");
}

TEST(DataProtection, RefusalsPassUnchanged) {
  TFakeSecurityMaterial m(1);
  auto remove = [&](Kind kind, const PduStr& data, TCOSEMProtectionServices services = kAE) {
    auto l = Layer(m, kind, services, kClientTitle, kServerTitle);
    return ErrorOf([&] { l->Remove(data); });
  };
  // GCM input too short for the control octet, the counter and the tag.
  EXPECT_EQ(remove(Kind::Identified, H("30 0000")), "Ciphered information too short");
  EXPECT_EQ(remove(Kind::Identified, H("30 00000001 0102")), "Ciphered information too short");
  // A signature that cannot be there, or is wrong.
  EXPECT_EQ(remove(Kind::Signature, kValues), "Signature check failed in GeneralSigning");
  EXPECT_EQ(remove(Kind::Signature, kValues + PduStr(64, '\x01')), "Signature check failed in GeneralSigning");
  // A wrapped key that does not unwrap: EProtection with the unwrap's message.
  {
    auto l = Layer(m, Kind::Wrapped, kAE, kClientTitle, kServerTitle);
    l->KeyCipheredData = PduStr(24, 'w');
    try {
      l->Remove(H("30 00000001") + PduStr(20, 'x'));
      ADD_FAILURE();
    } catch (const EProtection& e) {
      EXPECT_EQ(e.Message().rfind("TKeyWrap.UnWrap: Error: ", 0), 0u);
    }
  }
  // One-pass Diffie-Hellman with an ephemeral key signed by another key.
  {
    auto l = Layer(m, Kind::OPDH, kAE, kClientTitle, kServerTitle);
    const PduStr buffer = ClientProtect(1, m, Kind::OPDH, *l, 0x30, 1, kValues);
    m.Pairs[{kClientTitle, kpSigning}] = m.NewPair();
    EXPECT_THROW(l->Remove(buffer), ESignatureCheck);
    EXPECT_EQ(ErrorOf([&] { l->Remove(buffer); }), "Signature check failed in GeneralCiphering");
  }
  // A missing key passes as EKeyMissing.
  m.Keys.erase(kiGAK);
  EXPECT_THROW(Layer(m, Kind::Identified, kAE, kClientTitle, kServerTitle)->Apply(kValues), EKeyMissing);
  TDataProtectionLayer noStore(nullptr, nullptr);
  noStore.COSEMProtectionServices = kA;
  EXPECT_THROW(noStore.Apply(kValues), EKeyMissing);
  // Suite 0 refuses signatures; layers with nothing to do or keys they cannot use fail.
  TFakeSecurityMaterial m0(0);
  EXPECT_EQ(ErrorOf([&] { Layer(m0, Kind::Signature, kS, kServerTitle, kClientTitle)->Apply(kValues); }),
            "Digital signature requires security suite 1 or 2");
  EXPECT_EQ(ErrorOf([&] { Layer(m0, Kind::Signature, kS, kServerTitle, kClientTitle)->Remove(kValues); }),
            "Digital signature requires security suite 1 or 2");
  TDataProtectionLayer nothing(&m0, nullptr);
  EXPECT_NE(ErrorOf([&] { nothing.Apply(kValues); }).find("Assertion failure"), std::string::npos);
  auto broadcast = Layer(m0, Kind::Identified, kAE, kServerTitle, kClientTitle);
  broadcast->KeyInfo = TKeyInfo::KeyInfoIdentified(kiGBEK);
  EXPECT_NE(ErrorOf([&] { broadcast->Apply(kValues); }).find("Assertion failure"), std::string::npos);
  auto eum = Layer(m0, Kind::SUM, kAE, kServerTitle, kClientTitle);
  eum->KeyInfo.KeyAgreementKind = kaEUM;
  EXPECT_NE(ErrorOf([&] { eum->Apply(kValues); }).find("Assertion failure"), std::string::npos);
}

TEST(DataProtection, FrameCounters) {
  TFakeSecurityMaterial m(0);
  auto l = Layer(m, Kind::Identified, kA, kServerTitle, kClientTitle);
  PduStr keySeen;
  l->FrameCounterToApplyFunc = [&](TDataProtectionLayer& layer) {
    keySeen = layer.EncryptionKey;  // called after the key is established
    return 40u;
  };
  l->ForcedFrameCounterWhenApplying = 5;
  EXPECT_EQ(X(l->Apply(kValues).substr(0, 5)), "1000000005");
  EXPECT_EQ(l->ForcedFrameCounterWhenApplying, 0u);
  EXPECT_EQ(X(l->Apply(kValues).substr(0, 5)), "1000000028");
  EXPECT_EQ(keySeen, m.Keys[kiGUEK]);
  // Without a callback: the process-wide source.
  l->FrameCounterToApplyFunc = nullptr;
  SetFrameCounterSource([] { return 0x12345678u; });
  EXPECT_EQ(X(l->Apply(kValues).substr(0, 5)), "1012345678");
  SetFrameCounterSource(nullptr);
  EXPECT_EQ(ErrorOf([&] { l->Apply(kValues); }), "No frame counter source");
  // A refused counter propagates after deciphering; the key and counter are already kept.
  l->FrameCounterToApplyFunc = [](TDataProtectionLayer&) { return 9u; };
  const PduStr buffer = l->Apply(kValues);
  auto r = Layer(m, Kind::Identified, kA, kServerTitle, kClientTitle);
  r->FrameCounterRemovedProc = [](TDataProtectionLayer&) {
    throw EDataProtection("FC not incremented when removing protection");
  };
  EXPECT_THROW(r->Remove(buffer), EDataProtection);
  EXPECT_EQ(r->FrameCounterWhenRemoving, 9u);
  EXPECT_EQ(r->EncryptionKey, m.Keys[kiGUEK]);
}

TEST(DataProtection, WrappedKeysAreDrawnOnceAndReused) {
  TFakeSecurityMaterial m(2);
  TLogCapture log;
  auto l = Layer(m, Kind::Wrapped, kAE, kServerTitle, kClientTitle, &log.Context);
  ASSERT_TRUE(l->KeyCipheredData.empty());
  const PduStr first = l->Apply(kValues);
  ASSERT_EQ(l->KeyCipheredData.size(), 40u);
  const PduStr key = l->EncryptionKey;
  EXPECT_EQ(key.size(), 32u);
  EXPECT_TRUE(log.Has("WRAPPED " + X(key) + " WITH = " + X(m.Keys[kiKEK])));
  auto clone = l->Clone();
  EXPECT_TRUE(TDataProtectionLayer::Equal(*l, *clone));
  EXPECT_FALSE(clone->FrameCounterToApplyFunc);  // callbacks, counters and key stay behind
  EXPECT_TRUE(clone->EncryptionKey.empty());
  clone->ForcedFrameCounterWhenApplying = 2;
  clone->Apply(kValues);
  EXPECT_EQ(clone->EncryptionKey, key);
  // The recipient unwraps the same key from the key-ciphered data.
  auto r = l->Clone();
  EXPECT_EQ(r->Remove(first), kValues);
  EXPECT_EQ(r->EncryptionKey, key);
}

TEST(DataProtection, ListOperations) {
  TFakeSecurityMaterial m(1);
  TLogCapture log;
  TDataProtectionLayers list;
  list.Add(Layer(m, Kind::Wrapped, kAE, kServerTitle, kClientTitle, &log.Context));
  list.Add(Layer(m, Kind::OPDH, kAE, kServerTitle, kClientTitle, &log.Context));
  list.Add(Layer(m, Kind::SUM, kA, kServerTitle, kClientTitle, &log.Context));
  list.Add(Layer(m, Kind::Signature, kS, kServerTitle, kClientTitle, &log.Context));
  EXPECT_EQ(list.GetOneLayer([](const TDataProtectionLayer& l) { return l.KeyInfo.KeyInfoKind == kiAgreed; }),
            &list.Items(1));
  EXPECT_EQ(list.GetOneLayer([](const TDataProtectionLayer&) { return false; }), nullptr);

  auto clone = list.Clone();
  EXPECT_TRUE(TDataProtectionLayers::Equal(list, *clone));
  list.MakeKeyCipheredData({kiWrapped});
  EXPECT_EQ(list.Items(0).KeyCipheredData.size(), 24u);
  EXPECT_TRUE(list.Items(1).KeyCipheredData.empty());
  EXPECT_FALSE(TDataProtectionLayers::Equal(list, *clone));
  list.MakeKeyCipheredData({kiAgreed});
  EXPECT_EQ(list.Items(1).KeyCipheredData.size(), 128u);
  bool keyLogged = false;
  for (const auto& line : log.Lines) keyLogged |= line.rfind("KEY TO WRAP: ", 0) == 0;
  EXPECT_TRUE(keyLogged);
  // The prepared wrapped key is the one that ciphers.
  const PduStr wrapped = list.Items(0).KeyCipheredData;
  const PduStr buffer = list.ApplyProtection(kValues);
  EXPECT_EQ(list.Items(0).KeyCipheredData, wrapped);
  auto recipient = list.Clone();
  EXPECT_EQ(recipient->RemoveProtection(buffer), kValues);

  list.ModifyTransactionId();
  EXPECT_EQ(list.Items(0).TransactionId, H("0A0B"));
  const PduStr& id = list.Items(2).TransactionId;
  ASSERT_EQ(id.size(), 7u);
  EXPECT_EQ(id.substr(0, 3), H("0A0B") + "_");
  for (char c : id.substr(3)) EXPECT_TRUE(isxdigit(static_cast<unsigned char>(c)) && !islower(c));

  // A missing recipient agreement key fails the preparation.
  m.Pairs.erase({kClientTitle, kpAgreement});
  EXPECT_THROW(list.MakeKeyCipheredData({kiAgreed}), EKeyMissing);
}
