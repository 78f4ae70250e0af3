#include "security/protection_layer.h"

#include <exception>

#include "apdu/general_apdus.h"
#include "crypto/gcm_cipher.h"
#include "crypto/key_wrap.h"
#include "foundation/errors.h"
#include "security/frame_counter_source.h"
#include "security/glo_ded_items.h"
#include "security/protection_crypto.h"
#include "security/protection_pdu_helper.h"

namespace zv {

namespace {

std::string Hex(const PduStr& s) { return ByteStrToHexStr(s); }
std::string Text(const PduStr& s) { return ByteStrToFormatedString(s); }
std::string CounterText(uint32_t fc) { return IntToHex(fc, 8); }

const PduStr& OctetsOf(const TSequence& seq, size_t member) {
  return seq.Get<TOctetString>(member).Value;
}

TSecurityControl ControlOf(TCOSEMProtectionServices services, int suite) {
  return TSecurityControl::Construct(services, false, suite);
}

// The plaintext of a general glo/ded ciphering or general ciphering: any failure to read it
// as exactly one APDU means it was not one.
COSEMpduPtr DecodeDeciphered(const PduStr& plain) {
  try {
    return TProtectionPduHelper::MakeCOSEMPduFromPdu(plain);
  } catch (const std::exception&) {
    throw EProtection("GCMDecrypted data is not a valid APDU");
  }
}

uint32_t DrawCounter(const TFrameCounterFunc& func) { return func ? func() : NextFrameCounter(); }

}  // namespace

// ---- TProtectionLayer ---------------------------------------------------------

std::unique_ptr<TProtectionLayer> TProtectionLayer::Create(TProtectionLayerClass LayerClass) {
  switch (LayerClass) {
    case TProtectionLayerClass::GloDedService: return std::make_unique<TProtectionLayerGloDedService>();
    case TProtectionLayerClass::GloDedGeneral: return std::make_unique<TProtectionLayerGloDedGeneral>();
    case TProtectionLayerClass::GeneralCiphering: return std::make_unique<TProtectionLayerGeneralCiphering>();
    case TProtectionLayerClass::GeneralSigning: return std::make_unique<TProtectionLayerGeneralSigning>();
  }
  ZV_ASSERT(false);
  return nullptr;
}

bool TProtectionLayer::GetCipheredPduInfo(std::string_view FromPDU, TProtectionLayerClass& LayerClass,
                                          bool& Dedicated) {
  if (FromPDU.empty()) return false;
  Dedicated = false;
  switch (static_cast<uint8_t>(FromPDU[0])) {
    case 33: case 37: case 38: case 40: case 44: case 45: case 46: case 54: case 56:
    case 200: case 201: case 203: case 204: case 205: case 207:
      LayerClass = TProtectionLayerClass::GloDedService;
      return true;
    case 65: case 69: case 70: case 72: case 76: case 77: case 78: case 86: case 88:
    case 208: case 209: case 210: case 211: case 212: case 213: case 215:
      LayerClass = TProtectionLayerClass::GloDedService;
      Dedicated = true;
      return true;
    case 219: case 220:
      LayerClass = TProtectionLayerClass::GloDedGeneral;
      return true;
    case 221:
      LayerClass = TProtectionLayerClass::GeneralCiphering;
      return true;
    case 223:
      LayerClass = TProtectionLayerClass::GeneralSigning;
      return true;
    default:
      return false;
  }
}

bool TProtectionLayer::PDURemove(std::string_view FromPDU, TSecurityMaterial* SecurityMaterial,
                                 const TLoggingContext* LoggingContext, const PduStr& SystemTitle,
                                 COSEMpduPtr& COSEMPdu, std::unique_ptr<TProtectionLayer>& Protection) {
  TProtectionLayerClass layerClass;
  bool dedicated = false;
  if (!GetCipheredPduInfo(FromPDU, layerClass, dedicated)) return false;
  COSEMpduPtr received = TProtectionPduHelper::MakeCOSEMPduFromPdu(FromPDU);
  std::unique_ptr<TProtectionLayer> layer = Create(layerClass);
  layer->SecurityMaterial = SecurityMaterial;
  layer->LoggingContext = LoggingContext;
  if (auto* service = dynamic_cast<TProtectionLayerGloDedService*>(layer.get())) {
    service->Dedicated = dedicated;
    service->SystemTitle = SystemTitle;
  }
  COSEMPdu = layer->RemoveFromCOSEMPdu(*received);
  Protection = std::move(layer);
  return true;
}

PduStr TProtectionLayer::EncodeToPdu(const TCOSEMpdu& COSEMPdu) {
  PduStr s;
  COSEMPdu.EncodeToPduStrNoLen(s);
  return s;
}

PduStr TProtectionLayer::CheckSystemTitleLength(const PduStr& SystemTitle) {
  if (SystemTitle.size() != 8) throw EProtection("System-title of illegal length");
  return SystemTitle;
}

void TProtectionLayer::CheckReceivedSecuritySuite(int ReceivedSecuritySuite) const {
  if (ReceivedSecuritySuite != Material().GetSecuritySuite())
    throw EProtection("Unexpected SecuritySuite in received ciphered PDU");
}

void TProtectionLayer::LogCOSEMService(const std::string& Title, const TCOSEMpdu& COSEMPdu) const {
  if (LoggingContext) LoggingContext->LogProtocolItem(&COSEMPdu, ">>>" + Title, 20);
}

void TProtectionLayer::ToStringList(std::vector<std::string>& L) const {
  L.push_back(std::string("ClassName=") + ClassName());
}

TSecurityMaterial& TProtectionLayer::Material() const {
  if (!SecurityMaterial) throw EKeyMissing("No security material available");
  return *SecurityMaterial;
}

void TProtectionLayer::Log(const std::string& s) const {
  if (LoggingContext) LoggingContext->LogString(s);
}

void TProtectionLayer::BeginApply(const std::string& Title, const TCOSEMpdu& COSEMPdu) {
  LogCOSEMService(Title, COSEMPdu);
  if (ApplyingProtectionProc) ApplyingProtectionProc(*this);
}

COSEMpduPtr TProtectionLayer::FinishApply(const std::string& Xml) {
  COSEMpduPtr pdu = TProtectionPduHelper::MakeCOSEMPduFromXml(Xml);
  if (ProtectionAppliedProc) ProtectionAppliedProc(*this, pdu);
  return pdu;
}

COSEMpduPtr TProtectionLayer::CloneOf(const TCOSEMpdu& COSEMPdu) {
  PduPtr copy = COSEMPdu.Clone();
  auto* c = dynamic_cast<TCOSEMpdu*>(copy.get());
  ZV_ASSERT(c != nullptr);
  copy.release();
  return COSEMpduPtr(c);
}

void TProtectionLayer::CheckCipheredServices(TCOSEMProtectionServices Received) {
  if (!Received.Contains(psAuthentication) && !Received.Contains(psEncryption))
    throw EProtection("Ciphered PDU without authentication and encryption");
}

// ---- TProtectionLayerGeneral -------------------------------------------------------

void TProtectionLayerGeneral::ToStringList(std::vector<std::string>& L) const {
  TProtectionLayer::ToStringList(L);
  L.push_back("TransactionId=" + Hex(TransactionId));
  L.push_back("OriginatorSystemTitle=" + Text(OriginatorSystemTitle));
  L.push_back("RecipientSystemTitle=" + Text(RecipientSystemTitle));
  L.push_back("DateTime=" + Hex(DateTime));
  L.push_back("OtherInformation=" + Hex(OtherInformation));
}

PduStr TProtectionLayerGeneral::GetAdditionalFieldsForSignatureOrAuthentication() const {
  PduStr s;
  for (const PduStr* field : {&TransactionId, &OriginatorSystemTitle, &RecipientSystemTitle, &DateTime,
                              &OtherInformation})
    protection_crypto::AppendAdditionalField(s, *field);
  return s;
}

void TProtectionLayerGeneral::CopyFields(const TSequence& Apdu) {
  // General ciphering and general signing hold these five fields at the same positions.
  static_assert(size_t{GeneralCiphering::TransactionId} == size_t{GeneralSigning::TransactionId} &&
                size_t{GeneralCiphering::OtherInformation} == size_t{GeneralSigning::OtherInformation});
  TransactionId = OctetsOf(Apdu, GeneralCiphering::TransactionId);
  OriginatorSystemTitle = CheckSystemTitleLength(OctetsOf(Apdu, GeneralCiphering::OriginatorSystemTitle));
  RecipientSystemTitle = CheckSystemTitleLength(OctetsOf(Apdu, GeneralCiphering::RecipientSystemTitle));
  DateTime = OctetsOf(Apdu, GeneralCiphering::DateTime);
  OtherInformation = OctetsOf(Apdu, GeneralCiphering::OtherInformation);
}

// ---- TProtectionLayerGeneralCiphering ------------------------------------------------

PduStr TProtectionLayerGeneralCiphering::GetSharedSecret(const PduStr& PublicKey, const PduStr& PrivateKey) {
  return protection_crypto::SharedSecret(Material().GetSecuritySuite(), PublicKey, PrivateKey);
}

PduStr TProtectionLayerGeneralCiphering::GetDerivedKey(const PduStr& SharedSecret, const PduStr& PartUInfo,
                                                       const PduStr& PartVInfo) {
  return protection_crypto::DerivedKey(Material().GetSecuritySuite(), SharedSecret, PartUInfo, PartVInfo);
}

COSEMpduPtr TProtectionLayerGeneralCiphering::ApplyToCOSEMPdu(const TCOSEMpdu& COSEMPdu) {
  BeginApply(Format("Applying general ciphering %s to:", ToString(COSEMProtectionServices).c_str()), COSEMPdu);
  TSecurityMaterial& m = Material();
  const int suite = m.GetSecuritySuite();
  PduStr ek;
  std::string keyInfoXml;
  switch (KeyInfo.KeyInfoKind) {
    case kiIdentified:
      ZV_ASSERT(KeyInfo.KeyId == kiGUEK);
      ek = m.GetSymmetricKey(kiGUEK);
      keyInfoXml =
          "  <KeyInfo>    <IdentifiedKey>      <KeyId Value = \"GlobalUnicastEncryptionKey\" />"
          "    </IdentifiedKey>  </KeyInfo>";
      break;
    case kiWrapped: {
      ZV_ASSERT(KeyInfo.KekId == kiKEK);
      ek = m.GetRandomSymetricKey();
      const PduStr kek = m.GetSymmetricKey(kiKEK);
      Log(Format("WRAPPED %s WITH = %s", Hex(ek).c_str(), Hex(kek).c_str()));
      const PduStr wrapped = TKeyWrap::Wrap(suite, ek, kek);
      keyInfoXml = Format(
          "  <KeyInfo>    <WrappedKey>      <KekId Value = \"MasterKey\" />      <KeyCipheredData Value = \"%s\" />"
          "    </WrappedKey>  </KeyInfo>",
          Hex(wrapped).c_str());
      break;
    }
    case kiAgreed: {
      if (suite < 1) throw EProtection("Key agreement requires security suite 1 or 2");
      PduStr keyParameters, keyCipheredData;
      if (KeyInfo.KeyAgreementKind == kaOPDH) {
        // The key pair, not its halves: the store makes the own ephemeral pair on first use,
        // where asking for the halves would sign and agree with empty keys.
        const TKeyPair ephemeral = m.GetKeyPair(OriginatorSystemTitle, kpEphemeral);
        const PduStr& ephemeralPublic = ephemeral.PublicKey;
        const PduStr& ephemeralPrivate = ephemeral.PrivateKey;
        const PduStr peer = m.GetPublicKey(RecipientSystemTitle, kpAgreement);
        ek = GetDerivedKey(GetSharedSecret(peer, ephemeralPrivate), OriginatorSystemTitle, RecipientSystemTitle);
        keyParameters = PduStr(1, '\x01');
        const PduStr signature = protection_crypto::Sign(
            suite, ephemeralPublic, m.GetPrivateKey(OriginatorSystemTitle, kpSigning), nullptr);
        keyCipheredData = ephemeralPublic + signature;
      } else {
        ZV_ASSERT(KeyInfo.KeyAgreementKind == kaSUM);
        const PduStr z = GetSharedSecret(m.GetPublicKey(RecipientSystemTitle, kpAgreement),
                                         m.GetPrivateKey(OriginatorSystemTitle, kpAgreement));
        ek = GetDerivedKey(z, protection_crypto::StaticUnifiedPartUInfo(OriginatorSystemTitle, TransactionId),
                           RecipientSystemTitle);
        keyParameters = PduStr(1, '\x02');
      }
      keyInfoXml = Format(
          "  <KeyInfo>    <AgreedKey>      <KeyParameters Value = \"%s\" />      <KeyCipheredData Value = \"%s\" />"
          "    </AgreedKey>  </KeyInfo>",
          Hex(keyParameters).c_str(), Hex(keyCipheredData).c_str());
      break;
    }
    default:
      ZV_ASSERT(false);
  }
  const PduStr octets = EncodeToPdu(COSEMPdu);
  FrameCounter = DrawCounter(FrameCounterFunc);
  Log(Format("ENCRYPTION KEY: %s, IC: %s", Hex(ek).c_str(), CounterText(FrameCounter).c_str()));
  PduStr ciphered;
  TGCMCipher::GCMEncrypt(OriginatorSystemTitle, octets, ek, m.GetSymmetricKey(kiGAK),
                         ControlOf(COSEMProtectionServices, suite), FrameCounter,
                         GetAdditionalFieldsForSignatureOrAuthentication(), ciphered);
  return FinishApply(Format(
      "<GeneralCiphering>  <TransactionId Value = \"%s\" />  <OriginatorSystemTitle Value = \"%s\" />"
      "  <RecipientSystemTitle Value = \"%s\" />  <DateTime Value = \"%s\" />  <OtherInformation Value = \"%s\" />"
      "%s  <CipheredContent Value = \"%s\" /></GeneralCiphering>",
      Hex(TransactionId).c_str(), Text(OriginatorSystemTitle).c_str(), Text(RecipientSystemTitle).c_str(),
      Hex(DateTime).c_str(), Hex(OtherInformation).c_str(), keyInfoXml.c_str(), Hex(ciphered).c_str()));
}

COSEMpduPtr TProtectionLayerGeneralCiphering::RemoveFromCOSEMPdu(const TCOSEMpdu& COSEMPdu) {
  LogCOSEMService("Remove general ciphering from:", COSEMPdu);
  const auto& apdu = COSEMPdu.Value->As<TSequence>();
  CopyFields(apdu);
  TSecurityMaterial& m = Material();
  const int suite = m.GetSecuritySuite();
  auto* keyInfo = apdu.Member(GeneralCiphering::KeyInfo);
  if (!keyInfo) throw EProtection("General ciphering without key information");
  const auto& choice = keyInfo->As<TChoice>();
  const auto& key = choice.Value->As<TSequence>();
  PduStr ek;
  switch (choice.Tag) {
    case kiIdentified:
      KeyInfo = TKeyInfo::KeyInfoIdentified(kiGUEK);
      if (key.Get<TEnum>(IdentifiedKey::KeyId).Value != 0) throw EProtection("Identified key id not supported");
      ek = m.GetSymmetricKey(kiGUEK);
      break;
    case kiWrapped: {
      KeyInfo = TKeyInfo::KeyInfoWrapped(kiKEK);
      ZV_ASSERT(key.Get<TEnum>(WrappedKey::KekId).Value == 0);
      const PduStr kek = m.GetSymmetricKey(kiKEK);
      try {
        ek = TKeyWrap::UnWrap(suite, OctetsOf(key, WrappedKey::KeyCipheredData), kek);
      } catch (const std::exception& e) {
        throw EProtection(e.what());
      }
      break;
    }
    case kiAgreed: {
      if (suite < 1) throw EProtection("Key agreement requires security suite 1 or 2");
      const PduStr& parameters = OctetsOf(key, AgreedKey::KeyParameters);
      const PduStr& keyCipheredData = OctetsOf(key, AgreedKey::KeyCipheredData);
      if (parameters == PduStr(1, '\x01')) {
        KeyInfo = TKeyInfo::KeyInfoAgreed(kaOPDH);
        const size_t size = static_cast<size_t>(m.PublicKeySize());
        const PduStr ephemeral = keyCipheredData.substr(0, size);
        const PduStr signature = keyCipheredData.size() > size ? keyCipheredData.substr(size) : PduStr();
        if (!protection_crypto::Verify(suite, ephemeral, signature,
                                       m.GetPublicKey(OriginatorSystemTitle, kpSigning)))
          throw ESignatureCheck("Signature check failed in GeneralCiphering");
        ek = GetDerivedKey(GetSharedSecret(ephemeral, m.GetPrivateKey(RecipientSystemTitle, kpAgreement)),
                           OriginatorSystemTitle, RecipientSystemTitle);
      } else if (parameters == PduStr(1, '\x02')) {
        KeyInfo = TKeyInfo::KeyInfoAgreed(kaSUM);
        if (!keyCipheredData.empty()) throw EProtection("Unexpected Key-ciphered-data");
        const PduStr z = GetSharedSecret(m.GetPublicKey(OriginatorSystemTitle, kpAgreement),
                                         m.GetPrivateKey(RecipientSystemTitle, kpAgreement));
        ek = GetDerivedKey(z, protection_crypto::StaticUnifiedPartUInfo(OriginatorSystemTitle, TransactionId),
                           RecipientSystemTitle);
      } else {
        ZV_ASSERT(false);
      }
      break;
    }
    default:
      ZV_ASSERT(false);
  }
  Log(Format("ENCRYPTION KEY: %s", Hex(ek).c_str()));
  TSecurityControl sc;
  PduStr plain;
  TGCMCipher::GCMDecrypt(OriginatorSystemTitle, OctetsOf(apdu, GeneralCiphering::CipheredContent),
                         GetAdditionalFieldsForSignatureOrAuthentication(), ek, m.GetSymmetricKey(kiGAK), sc,
                         FrameCounter, plain);
  COSEMProtectionServices = sc.COSEMProtectionServices;
  CheckReceivedSecuritySuite(sc.SecuritySuite);
  CheckCipheredServices(COSEMProtectionServices);
  return DecodeDeciphered(plain);
}

void TProtectionLayerGeneralCiphering::ToStringList(std::vector<std::string>& L) const {
  TProtectionLayerGeneral::ToStringList(L);
  L.push_back(Format("COSEMProtectionServices=%s", ToString(COSEMProtectionServices).c_str()));
  L.push_back(Format("FrameCounter=%u", FrameCounter));
  L.push_back(Format("KeyInfo=%s", KeyInfo.ToString().c_str()));
}

// ---- TProtectionLayerGeneralSigning ---------------------------------------------------

void TProtectionLayerGeneralSigning::CheckSuite() {
  if (Material().GetSecuritySuite() < 1) throw EProtection("Digital signature requires security suite 1 or 2");
}

COSEMpduPtr TProtectionLayerGeneralSigning::ApplyToCOSEMPdu(const TCOSEMpdu& COSEMPdu) {
  CheckSuite();
  if (COSEMProtectionServices.Empty()) return CloneOf(COSEMPdu);
  BeginApply("Applying SIGNATURE on:", COSEMPdu);
  TSecurityMaterial& m = Material();
  const PduStr content = EncodeToPdu(COSEMPdu);
  const PduStr toSign = GetAdditionalFieldsForSignatureOrAuthentication() + content;
  const PduStr privateKey = m.GetPrivateKey(OriginatorSystemTitle, kpSigning);
  Log(Format("TO SIGN: %s", Hex(toSign).c_str()));
  Log(Format("PRIV.KEY: %s", Hex(privateKey).c_str()));
  const PduStr signature = protection_crypto::Sign(m.GetSecuritySuite(), toSign, privateKey, LoggingContext);
  return FinishApply(Format(
      "<GeneralSigning>  <TransactionId Value = \"%s\" />  <OriginatorSystemTitle Value = \"%s\" />"
      "  <RecipientSystemTitle Value = \"%s\" />  <DateTime Value = \"%s\" />  <OtherInformation Value = \"%s\" />"
      "  <Content Value = \"%s\" />  <Signature Value = \"%s\" /></GeneralSigning>",
      Hex(TransactionId).c_str(), Text(OriginatorSystemTitle).c_str(), Text(RecipientSystemTitle).c_str(),
      Hex(DateTime).c_str(), Hex(OtherInformation).c_str(), Hex(content).c_str(), Hex(signature).c_str()));
}

COSEMpduPtr TProtectionLayerGeneralSigning::RemoveFromCOSEMPdu(const TCOSEMpdu& COSEMPdu) {
  CheckSuite();
  LogCOSEMService("Remove general signing from:", COSEMPdu);
  const auto& apdu = COSEMPdu.Value->As<TSequence>();
  CopyFields(apdu);
  TSecurityMaterial& m = Material();
  const PduStr& content = OctetsOf(apdu, GeneralSigning::Content);
  const PduStr toVerify = GetAdditionalFieldsForSignatureOrAuthentication() + content;
  const PduStr publicKey = m.GetPublicKey(OriginatorSystemTitle, kpSigning);
  Log(Format("VERIFY: %s", Hex(toVerify).c_str()));
  Log(Format("PUB.KEY: %s", Hex(publicKey).c_str()));
  if (!protection_crypto::Verify(m.GetSecuritySuite(), toVerify, OctetsOf(apdu, GeneralSigning::Signature),
                                 publicKey))
    throw ESignatureCheck("Signature check failed in GeneralSigning");
  COSEMProtectionServices = {psSignature};
  return TProtectionPduHelper::MakeCOSEMPduFromPdu(content);
}

// ---- TProtectionLayerGloDed ----------------------------------------------------------

void TProtectionLayerGloDed::ToStringList(std::vector<std::string>& L) const {
  TProtectionLayer::ToStringList(L);
  L.push_back(Format("Dedicated=%d", Dedicated ? 1 : 0));
  L.push_back("SystemTitle=" + Hex(SystemTitle));
  L.push_back("COSEMProtectionServices=" + ToString(COSEMProtectionServices));
  L.push_back(Format("FrameCounter=%u", FrameCounter));
}

PduStr TProtectionLayerGloDed::EncryptionKey() const {
  return Material().GetSymmetricKey(Dedicated ? kiDEK : kiGUEK);
}

PduStr TProtectionLayerGloDed::Cipher(const PduStr& EK, const PduStr& Octets) {
  TSecurityMaterial& m = Material();
  FrameCounter = DrawCounter(FrameCounterFunc);
  Log(Format("ENCRYPTION KEY: %s, IC: %s", Hex(EK).c_str(), CounterText(FrameCounter).c_str()));
  PduStr ciphered;
  TGCMCipher::GCMEncrypt(SystemTitle, Octets, EK, m.GetSymmetricKey(kiGAK),
                         ControlOf(COSEMProtectionServices, m.GetSecuritySuite()), FrameCounter, PduStr(),
                         ciphered);
  return ciphered;
}

PduStr TProtectionLayerGloDed::Decipher(const PduStr& EK, const PduStr& CipheredInformation) {
  TSecurityControl sc;
  PduStr plain;
  TGCMCipher::GCMDecrypt(SystemTitle, CipheredInformation, PduStr(), EK, Material().GetSymmetricKey(kiGAK), sc,
                         FrameCounter, plain);
  COSEMProtectionServices = sc.COSEMProtectionServices;
  CheckReceivedSecuritySuite(sc.SecuritySuite);
  CheckCipheredServices(COSEMProtectionServices);
  return plain;
}

// ---- TProtectionLayerGloDedGeneral ---------------------------------------------------

COSEMpduPtr TProtectionLayerGloDedGeneral::ApplyToCOSEMPdu(const TCOSEMpdu& COSEMPdu) {
  if (COSEMProtectionServices.Empty()) return CloneOf(COSEMPdu);
  BeginApply(Format("Applying general glo/ded %s to:", ToString(COSEMProtectionServices).c_str()), COSEMPdu);
  const PduStr ek = EncryptionKey();
  const PduStr ciphered = Cipher(ek, EncodeToPdu(COSEMPdu));
  const char* element = Dedicated ? "GeneralDedCiphering" : "GeneralGloCiphering";
  return FinishApply(Format("<%s>  <SystemTitle Value = \"%s\" />  <CipheredService Value = \"%s\" /></%s>",
                            element, Text(SystemTitle).c_str(), Hex(ciphered).c_str(), element));
}

COSEMpduPtr TProtectionLayerGloDedGeneral::RemoveFromCOSEMPdu(const TCOSEMpdu& COSEMPdu) {
  LogCOSEMService("Remove general glo/ded from:", COSEMPdu);
  Dedicated = COSEMPdu.Tag == 220;
  const auto& apdu = COSEMPdu.Value->As<TSequence>();
  SystemTitle = CheckSystemTitleLength(OctetsOf(apdu, GeneralGloCiphering::SystemTitle));
  const PduStr ek = EncryptionKey();
  Log(Format("ENCRYPTION KEY: %s", Hex(ek).c_str()));
  return DecodeDeciphered(Decipher(ek, OctetsOf(apdu, GeneralGloCiphering::CipheredService)));
}

// ---- TProtectionLayerGloDedService ---------------------------------------------------

COSEMpduPtr TProtectionLayerGloDedService::ApplyToCOSEMPdu(const TCOSEMpdu& COSEMPdu) {
  if (COSEMProtectionServices.Empty()) return CloneOf(COSEMPdu);
  BeginApply(Format("Applying service glo/ded %s to:", ToString(COSEMProtectionServices).c_str()), COSEMPdu);
  const PduStr ek = EncryptionKey();
  const TXMLId element = Dedicated ? DedItemOfTag(COSEMPdu.Tag) : GloItemOfTag(COSEMPdu.Tag);
  const PduStr ciphered = Cipher(ek, EncodeToPdu(COSEMPdu));
  return FinishApply(Format("<%s Value = \"%s\" />", XMLIdNames[element], Hex(ciphered).c_str()));
}

COSEMpduPtr TProtectionLayerGloDedService::RemoveFromCOSEMPdu(const TCOSEMpdu& COSEMPdu) {
  LogCOSEMService("Remove service glo/ded from:", COSEMPdu);
  const PduStr& ciphered = COSEMPdu.Value->As<TOctetString>().Value;
  const PduStr ek = EncryptionKey();
  Log(Format("ENCRYPTION KEY: %s, SYSTEM TITLE: %s", Hex(ek).c_str(), Hex(SystemTitle).c_str()));
  CheckSystemTitleLength(SystemTitle);
  return TProtectionPduHelper::MakeCOSEMPduFromPdu(Decipher(ek, ciphered));
}

}  // namespace zv
