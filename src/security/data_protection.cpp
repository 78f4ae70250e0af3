#include "security/data_protection.h"

#include <exception>

#include "crypto/gcm_cipher.h"
#include "crypto/key_wrap.h"
#include "crypto/prng.h"
#include "foundation/errors.h"
#include "security/frame_counter_source.h"
#include "security/protection_crypto.h"

namespace zv {

namespace {

std::string Hex(const PduStr& s) { return ByteStrToHexStr(s); }

void CheckSignatureSuite(int suite) {
  if (suite < 1) throw EProtection("Digital signature requires security suite 1 or 2");
}

TCOSEMProtectionServices CipheringPart(TCOSEMProtectionServices services) {
  TCOSEMProtectionServices r;
  if (services.Contains(psAuthentication)) r.Include(psAuthentication);
  if (services.Contains(psEncryption)) r.Include(psEncryption);
  return r;
}

}  // namespace

// ---- TDataProtectionLayer ------------------------------------------------------------

TSecurityMaterial& TDataProtectionLayer::Material() const {
  if (!SecurityMaterial) throw EKeyMissing("No security material available");
  return *SecurityMaterial;
}

void TDataProtectionLayer::Log(const std::string& s) const {
  if (LoggingContext) LoggingContext->LogString(s);
}

PduStr TDataProtectionLayer::GetAdditionalFieldsForSignatureOrAuthentication() const {
  PduStr s;
  for (const PduStr* field : {&TransactionId, &OriginatorSystemTitle, &RecipientSystemTitle, &OtherInformation})
    protection_crypto::AppendAdditionalField(s, *field);
  return s;
}

PduStr TDataProtectionLayer::GetSharedSecret(const PduStr& PublicKey, const PduStr& PrivateKey) {
  return protection_crypto::SharedSecret(Material().GetSecuritySuite(), PublicKey, PrivateKey);
}

PduStr TDataProtectionLayer::GetDerivedKey(const PduStr& SharedSecret, const PduStr& PartUInfo,
                                           const PduStr& PartVInfo) {
  return protection_crypto::DerivedKey(Material().GetSecuritySuite(), SharedSecret, PartUInfo, PartVInfo);
}

void TDataProtectionLayer::SignEphemeralKey(const TKeyPair& Ephemeral) {
  TSecurityMaterial& m = Material();
  const PduStr signature = protection_crypto::Sign(m.GetSecuritySuite(), Ephemeral.PublicKey,
                                                   m.GetPrivateKey(OriginatorSystemTitle, kpSigning), nullptr);
  KeyCipheredData = Ephemeral.PublicKey + signature;
}

void TDataProtectionLayer::EstablishKeyToApply() {
  TSecurityMaterial& m = Material();
  switch (KeyInfo.KeyInfoKind) {
    case kiIdentified:
      ZV_ASSERT(KeyInfo.KeyId == kiGUEK);
      EncryptionKey = m.GetSymmetricKey(kiGUEK);
      return;
    case kiWrapped: {
      ZV_ASSERT(KeyInfo.KekId == kiKEK);
      const PduStr kek = m.GetSymmetricKey(kiKEK);
      if (!KeyCipheredData.empty()) {
        EncryptionKey = TKeyWrap::UnWrap(m.GetSecuritySuite(), KeyCipheredData, kek);
      } else {
        EncryptionKey = m.GetRandomSymetricKey();
        KeyCipheredData = TKeyWrap::Wrap(m.GetSecuritySuite(), EncryptionKey, kek);
      }
      Log(Format("WRAPPED %s WITH = %s", Hex(EncryptionKey).c_str(), Hex(kek).c_str()));
      return;
    }
    case kiAgreed:
      if (KeyInfo.KeyAgreementKind == kaOPDH) {
        const TKeyPair ephemeral = m.GetKeyPair(OriginatorSystemTitle, kpEphemeral);
        const PduStr peer = m.GetPublicKey(RecipientSystemTitle, kpAgreement);
        EncryptionKey = GetDerivedKey(GetSharedSecret(peer, ephemeral.PrivateKey), OriginatorSystemTitle,
                                      RecipientSystemTitle);
        SignEphemeralKey(ephemeral);
        return;
      }
      if (KeyInfo.KeyAgreementKind == kaSUM) {
        const PduStr z = GetSharedSecret(m.GetPublicKey(RecipientSystemTitle, kpAgreement),
                                         m.GetPrivateKey(OriginatorSystemTitle, kpAgreement));
        EncryptionKey = GetDerivedKey(
            z, protection_crypto::StaticUnifiedPartUInfo(OriginatorSystemTitle, TransactionId), RecipientSystemTitle);
        return;
      }
      break;
  }
  ZV_ASSERT(false);
}

void TDataProtectionLayer::EstablishKeyToRemove() {
  TSecurityMaterial& m = Material();
  switch (KeyInfo.KeyInfoKind) {
    case kiIdentified:
      ZV_ASSERT(KeyInfo.KeyId == kiGUEK);
      EncryptionKey = m.GetSymmetricKey(kiGUEK);
      return;
    case kiWrapped: {
      ZV_ASSERT(KeyInfo.KekId == kiKEK);
      const PduStr kek = m.GetSymmetricKey(kiKEK);
      try {
        EncryptionKey = TKeyWrap::UnWrap(m.GetSecuritySuite(), KeyCipheredData, kek);
      } catch (const std::exception& e) {
        throw EProtection(e.what());
      }
      return;
    }
    case kiAgreed:
      if (KeyInfo.KeyAgreementKind == kaOPDH) {
        const size_t size = static_cast<size_t>(m.PublicKeySize());
        const PduStr ephemeral = KeyCipheredData.substr(0, size);
        const PduStr signature = KeyCipheredData.size() > size ? KeyCipheredData.substr(size) : PduStr();
        if (!protection_crypto::Verify(m.GetSecuritySuite(), ephemeral, signature,
                                       m.GetPublicKey(OriginatorSystemTitle, kpSigning)))
          throw ESignatureCheck("Signature check failed in GeneralCiphering");
        EncryptionKey = GetDerivedKey(GetSharedSecret(ephemeral, m.GetPrivateKey(RecipientSystemTitle, kpAgreement)),
                                      OriginatorSystemTitle, RecipientSystemTitle);
        return;
      }
      if (KeyInfo.KeyAgreementKind == kaSUM) {
        const PduStr z = GetSharedSecret(m.GetPublicKey(OriginatorSystemTitle, kpAgreement),
                                         m.GetPrivateKey(RecipientSystemTitle, kpAgreement));
        EncryptionKey = GetDerivedKey(
            z, protection_crypto::StaticUnifiedPartUInfo(OriginatorSystemTitle, TransactionId), RecipientSystemTitle);
        return;
      }
      break;
  }
  ZV_ASSERT(false);
}

PduStr TDataProtectionLayer::Cipher(const PduStr& Data) {
  Log(Format("Applying ciphering to %s", Hex(Data).c_str()));
  EstablishKeyToApply();
  if (ForcedFrameCounterWhenApplying != 0) {
    FrameCounterWhenApplying = ForcedFrameCounterWhenApplying;
    ForcedFrameCounterWhenApplying = 0;
  } else if (FrameCounterToApplyFunc) {
    FrameCounterWhenApplying = FrameCounterToApplyFunc(*this);
  } else {
    FrameCounterWhenApplying = NextFrameCounter();
  }
  Log(Format("ENCRYPTION KEY: %s, IC: %s", Hex(EncryptionKey).c_str(), IntToHex(FrameCounterWhenApplying, 8).c_str()));
  TSecurityMaterial& m = Material();
  PduStr ciphered;
  TGCMCipher::GCMEncrypt(OriginatorSystemTitle, Data, EncryptionKey, m.GetSymmetricKey(kiGAK),
                         TSecurityControl::Construct(COSEMProtectionServices, false, m.GetSecuritySuite()),
                         FrameCounterWhenApplying, GetAdditionalFieldsForSignatureOrAuthentication(), ciphered);
  return ciphered;
}

PduStr TDataProtectionLayer::Sign(const PduStr& Data) {
  Log(Format("Applying signature to %s", Hex(Data).c_str()));
  TSecurityMaterial& m = Material();
  CheckSignatureSuite(m.GetSecuritySuite());
  const PduStr toSign = GetAdditionalFieldsForSignatureOrAuthentication() + Data;
  const PduStr key = m.GetPrivateKey(OriginatorSystemTitle, kpSigning);
  Log(Format("TO SIGN: %s", Hex(toSign).c_str()));
  return Data + protection_crypto::Sign(m.GetSecuritySuite(), toSign, key, nullptr);
}

PduStr TDataProtectionLayer::Decipher(const PduStr& Data) {
  Log(Format("Removing ciphering from %s", Hex(Data).c_str()));
  EstablishKeyToRemove();
  TSecurityMaterial& m = Material();
  TSecurityControl sc;
  uint32_t fc = 0;
  PduStr plain;
  TGCMCipher::GCMDecrypt(OriginatorSystemTitle, Data, GetAdditionalFieldsForSignatureOrAuthentication(),
                         EncryptionKey, m.GetSymmetricKey(kiGAK), sc, fc, plain);
  // The control octet decides what GCM checks: data that announces less than the layer
  // gives has not been checked for it, and its counter is not to be believed either.
  const TCOSEMProtectionServices required = CipheringPart(COSEMProtectionServices);
  if ((required.Octet() & ~sc.COSEMProtectionServices.Octet()) != 0)
    throw EDataProtection(Format("Protection %s received where %s is required",
                                 ToString(sc.COSEMProtectionServices).c_str(), ToString(required).c_str()));
  FrameCounterWhenRemoving = fc;
  Log(Format("ENCRYPTION KEY: %s, IC: %s", Hex(EncryptionKey).c_str(), IntToHex(FrameCounterWhenRemoving, 8).c_str()));
  if (FrameCounterRemovedProc) FrameCounterRemovedProc(*this);
  return plain;
}

PduStr TDataProtectionLayer::CheckSignature(const PduStr& Data) {
  Log(Format("Removing signature from %s", Hex(Data).c_str()));
  TSecurityMaterial& m = Material();
  CheckSignatureSuite(m.GetSecuritySuite());
  const size_t size = static_cast<size_t>(m.PublicKeySize());
  // Data too short to hold a signature cannot carry a valid one.
  if (Data.size() < size) throw ESignatureCheck("Signature check failed in GeneralSigning");
  const PduStr content = Data.substr(0, Data.size() - size);
  if (!protection_crypto::Verify(m.GetSecuritySuite(), GetAdditionalFieldsForSignatureOrAuthentication() + content,
                                 Data.substr(Data.size() - size), m.GetPublicKey(OriginatorSystemTitle, kpSigning)))
    throw ESignatureCheck("Signature check failed in GeneralSigning");
  return content;
}

PduStr TDataProtectionLayer::Apply(const PduStr& Data) {
  if (IsCiphering()) return Cipher(Data);
  ZV_ASSERT(COSEMProtectionServices.Contains(psSignature));
  return Sign(Data);
}

PduStr TDataProtectionLayer::Remove(const PduStr& Data) {
  if (IsCiphering()) return Decipher(Data);
  ZV_ASSERT(COSEMProtectionServices.Contains(psSignature));
  return CheckSignature(Data);
}

std::unique_ptr<TDataProtectionLayer> TDataProtectionLayer::Clone() const {
  auto c = std::make_unique<TDataProtectionLayer>(SecurityMaterial, LoggingContext);
  c->COSEMProtectionServices = COSEMProtectionServices;
  c->TransactionId = TransactionId;
  c->OtherInformation = OtherInformation;
  c->OriginatorSystemTitle = OriginatorSystemTitle;
  c->RecipientSystemTitle = RecipientSystemTitle;
  c->KeyInfo = KeyInfo;
  c->KeyCipheredData = KeyCipheredData;
  return c;
}

bool TDataProtectionLayer::Equal(const TDataProtectionLayer& L1, const TDataProtectionLayer& L2) {
  return L1.COSEMProtectionServices == L2.COSEMProtectionServices && L1.TransactionId == L2.TransactionId &&
         L1.OtherInformation == L2.OtherInformation && L1.OriginatorSystemTitle == L2.OriginatorSystemTitle &&
         L1.RecipientSystemTitle == L2.RecipientSystemTitle && TKeyInfo::Equal(L1.KeyInfo, L2.KeyInfo) &&
         L1.KeyCipheredData == L2.KeyCipheredData;
}

// ---- TDataProtectionLayers -----------------------------------------------------------

PduStr TDataProtectionLayers::ApplyProtection(const PduStr& Data) {
  PduStr s = Data;
  for (auto& l : FItems) s = l->Apply(s);
  return s;
}

PduStr TDataProtectionLayers::RemoveProtection(const PduStr& Data) {
  PduStr s = Data;
  for (auto it = FItems.rbegin(); it != FItems.rend(); ++it) s = (*it)->Remove(s);
  return s;
}

TCOSEMProtectionServices TDataProtectionLayers::GetAggregatedProtection() const {
  uint8_t bits = 0;
  for (const auto& l : FItems) bits = static_cast<uint8_t>(bits | l->COSEMProtectionServices.Octet());
  return TCOSEMProtectionServices::FromOctet(bits);
}

TDataProtectionLayer* TDataProtectionLayers::GetOneLayer(const TFilterFunc& FilterFunc) const {
  for (const auto& l : FItems)
    if (FilterFunc(*l)) return l.get();
  return nullptr;
}

void TDataProtectionLayers::MakeKeyCipheredData(TKeyInfoKindSet KeyInfoKindSet) {
  for (auto& l : FItems) {
    if (!l->IsCiphering()) continue;
    TSecurityMaterial& m = l->Material();
    if (l->KeyInfo.KeyInfoKind == kiWrapped && KeyInfoKindSet.Contains(kiWrapped)) {
      const PduStr key = m.GetRandomSymetricKey();
      l->KeyCipheredData = TKeyWrap::Wrap(m.GetSecuritySuite(), key, m.GetSymmetricKey(kiKEK));
      l->Log(Format("KEY TO WRAP: %s", Hex(key).c_str()));
    } else if (l->KeyInfo.KeyInfoKind == kiAgreed && l->KeyInfo.KeyAgreementKind == kaOPDH &&
               KeyInfoKindSet.Contains(kiAgreed)) {
      const TKeyPair ephemeral = m.GetKeyPair(l->OriginatorSystemTitle, kpEphemeral);
      m.GetPublicKey(l->RecipientSystemTitle, kpAgreement);  // a missing recipient key fails here
      l->SignEphemeralKey(ephemeral);
    }
  }
}

void TDataProtectionLayers::ModifyTransactionId() {
  for (auto& l : FItems) {
    if (!l->IsCiphering() || l->KeyInfo.KeyInfoKind != kiAgreed || l->KeyInfo.KeyAgreementKind != kaSUM) continue;
    const PduStr r = GetRandomOctets(2);
    l->TransactionId += "_" + IntToHex((static_cast<uint8_t>(r[0]) << 8) | static_cast<uint8_t>(r[1]), 4);
  }
}

std::unique_ptr<TDataProtectionLayers> TDataProtectionLayers::Clone() const {
  auto c = std::make_unique<TDataProtectionLayers>();
  for (const auto& l : FItems) c->Add(l->Clone());
  return c;
}

bool TDataProtectionLayers::Equal(const TDataProtectionLayers& L1, const TDataProtectionLayers& L2) {
  if (L1.Count() != L2.Count()) return false;
  for (int i = 0; i < L1.Count(); ++i)
    if (!TDataProtectionLayer::Equal(L1.Items(i), L2.Items(i))) return false;
  return true;
}

}  // namespace zv
