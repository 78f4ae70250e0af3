#include "support/data_protection_client.h"

#include <openssl/rand.h>

#include "foundation/data_helper.h"
#include "security/security_test_support.h"

namespace zv::test::dataprot {

namespace {

std::string Hex2(int Value) { return IntToHex(static_cast<uint64_t>(Value) & 0xFF, 2); }

std::string OctetsXml(const PduStr& s) { return "<OctetString Value=\"" + ByteStrToHexStr(s) + "\" />"; }

PduStr AdditionalFields(const TClientLayer& l) {
  return client::Octets(l.TransactionId) + client::Octets(l.OriginatorSystemTitle) +
         client::Octets(l.RecipientSystemTitle) + client::Octets(l.OtherInformation);
}

bool Ciphers(const TClientLayer& l) { return l.ProtectionType != ptSign; }

uint8_t SecurityControl(const TClientKeys& k, const TClientLayer& l) {
  uint8_t sc = static_cast<uint8_t>(k.Suite);
  if (l.ProtectionType == ptAuth || l.ProtectionType == ptAuthEnc) sc |= 0x10;
  if (l.ProtectionType == ptEnc || l.ProtectionType == ptAuthEnc) sc |= 0x20;
  return sc;
}

size_t PublicKeySize(const TClientKeys& k) { return k.Suite == 2 ? 96 : 64; }

PduStr StaticUnifiedPartU(const TClientLayer& l) {
  return l.OriginatorSystemTitle + static_cast<char>(l.TransactionId.size()) + l.TransactionId;
}

// The content key of a layer the client applies; fills the key-ciphered data it draws.
PduStr KeyToApply(const TClientKeys& k, TClientLayer& l) {
  switch (l.KeyInfoType) {
    case kitIdentified: return k.GUEK;
    case kitWrapped: {
      if (!l.KeyCipheredData.empty()) return client::KeyWrap(l.KeyCipheredData, k.KEK, false);
      PduStr key(k.GUEK.size(), '\0');
      RAND_bytes(reinterpret_cast<unsigned char*>(key.data()), static_cast<int>(key.size()));
      l.KeyCipheredData = client::KeyWrap(key, k.KEK, true);
      return key;
    }
    default:
      if (l.KeyParameters == kpOnePass) {
        const TKeyPair ephemeral = client::NewPair(k.Suite);
        l.KeyCipheredData = ephemeral.PublicKey + client::Sign(k.Suite, k.ClientSigning, ephemeral.PublicKey);
        return client::Kdf(k.Suite, client::SharedSecret(k.Suite, ephemeral, k.ServerAgreementPublic),
                           l.OriginatorSystemTitle, l.RecipientSystemTitle);
      }
      return client::Kdf(k.Suite, client::SharedSecret(k.Suite, k.ClientAgreement, k.ServerAgreementPublic),
                         StaticUnifiedPartU(l), l.RecipientSystemTitle);
  }
}

// The content key of a layer the server applied.
PduStr KeyToRemove(const TClientKeys& k, const TClientLayer& l) {
  switch (l.KeyInfoType) {
    case kitIdentified: return k.GUEK;
    case kitWrapped: return client::KeyWrap(l.KeyCipheredData, k.KEK, false);
    default:
      if (l.KeyParameters == kpOnePass) {
        const size_t size = PublicKeySize(k);
        if (l.KeyCipheredData.size() != 2 * size) throw Exception("client: key-ciphered data of a wrong size");
        const PduStr ephemeral = l.KeyCipheredData.substr(0, size);
        if (!client::Verify(k.Suite, k.ServerSigningPublic, ephemeral, l.KeyCipheredData.substr(size)))
          throw Exception("client: the ephemeral key's signature does not verify");
        return client::Kdf(k.Suite, client::SharedSecret(k.Suite, k.ClientAgreement, ephemeral),
                           l.OriginatorSystemTitle, l.RecipientSystemTitle);
      }
      return client::Kdf(k.Suite, client::SharedSecret(k.Suite, k.ClientAgreement, k.ServerAgreementPublic),
                         StaticUnifiedPartU(l), l.RecipientSystemTitle);
  }
}

const TData& Element(const TSequenceOf& s, int i) { return s.Elements(i)->As<TData>(); }

}  // namespace

TClientLayer ToServer(const TClientKeys& Keys, int ProtectionType, int KeyInfoType, int KeyParameters) {
  TClientLayer l;
  l.ProtectionType = ProtectionType;
  l.KeyInfoType = KeyInfoType;
  l.KeyParameters = KeyParameters;
  l.TransactionId = HexStrToByteStr("C1");
  l.OriginatorSystemTitle = Keys.ClientTitle;
  l.RecipientSystemTitle = Keys.ServerTitle;
  return l;
}

TClientLayer FromServer(const TClientKeys& Keys, int ProtectionType, int KeyInfoType, int KeyParameters) {
  TClientLayer l = ToServer(Keys, ProtectionType, KeyInfoType, KeyParameters);
  l.TransactionId = HexStrToByteStr("5E");
  std::swap(l.OriginatorSystemTitle, l.RecipientSystemTitle);
  return l;
}

std::string ParametersXml(const std::vector<TClientLayer>& Layers) {
  std::string x = "<Array Qty=\"" + IntToHex(Layers.size(), 4) + "\" >";
  for (const TClientLayer& l : Layers) {
    std::string options;
    switch (l.KeyInfoType) {
      case kitIdentified: options = "<Enum Value=\"" + Hex2(l.IdentifiedKey) + "\" />"; break;
      case kitWrapped:
        options = "<Structure Qty=\"0002\" ><Enum Value=\"00\" />" + OctetsXml(l.KeyCipheredData) + "</Structure>";
        break;
      default:
        options = "<Structure Qty=\"0002\" >" + OctetsXml(PduStr(1, static_cast<char>(l.KeyParameters))) +
                  OctetsXml(l.KeyCipheredData) + "</Structure>";
    }
    x += "<Structure Qty=\"0002\" ><Enum Value=\"" + Hex2(l.ProtectionType) + "\" /><Structure Qty=\"0005\" >" +
         OctetsXml(l.TransactionId) + OctetsXml(l.OriginatorSystemTitle) + OctetsXml(l.RecipientSystemTitle) +
         OctetsXml(l.OtherInformation) + "<Structure Qty=\"0002\" ><Enum Value=\"" + Hex2(l.KeyInfoType) + "\" />" +
         options + "</Structure></Structure></Structure>";
  }
  return x + "</Array>";
}

std::vector<TClientLayer> ParseParameters(const TData& Value) {
  std::vector<TClientLayer> layers;
  const TSequenceOf& array = TDataHelper::AsArray(Value);
  for (int i = 0; i < array.ElementCount(); ++i) {
    const TSequenceOf& element = TDataHelper::AsStructure(Element(array, i));
    TClientLayer l;
    l.ProtectionType = TDataHelper::EnumValue(Element(element, 0));
    const TSequenceOf& options = TDataHelper::AsStructure(Element(element, 1));
    l.TransactionId = TDataHelper::OctetStringValue(Element(options, 0));
    l.OriginatorSystemTitle = TDataHelper::OctetStringValue(Element(options, 1));
    l.RecipientSystemTitle = TDataHelper::OctetStringValue(Element(options, 2));
    l.OtherInformation = TDataHelper::OctetStringValue(Element(options, 3));
    const TSequenceOf& keyInfo = TDataHelper::AsStructure(Element(options, 4));
    l.KeyInfoType = TDataHelper::EnumValue(Element(keyInfo, 0));
    const TData& keyOptions = Element(keyInfo, 1);
    if (l.KeyInfoType == kitIdentified) {
      l.IdentifiedKey = TDataHelper::EnumValue(keyOptions);
    } else {
      const TSequenceOf& s = TDataHelper::AsStructure(keyOptions);
      if (l.KeyInfoType == kitAgreed) l.KeyParameters = TDataHelper::OctetStringValue(Element(s, 0)).at(0);
      l.KeyCipheredData = TDataHelper::OctetStringValue(Element(s, 1));
    }
    layers.push_back(l);
  }
  return layers;
}

std::string ObjectListXml(const std::vector<TObjectRef>& Objects) {
  std::string x = "<Array Qty=\"" + IntToHex(Objects.size(), 4) + "\" >";
  for (const TObjectRef& o : Objects)
    x += "<Structure Qty=\"0005\" ><LongUnsigned Value=\"" + IntToHex(static_cast<uint64_t>(o.ClassId), 4) +
         "\" /><OctetString Value=\"" + o.LogicalNameHex + "\" /><Integer Value=\"" + Hex2(o.AttributeIndex) +
         "\" /><LongUnsigned Value=\"0000\" /><Structure Qty=\"0002\" ><Enum Value=\"00\" /><NullData /></Structure>"
         "</Structure>";
  return x + "</Array>";
}

PduStr Protect(const TClientKeys& Keys, std::vector<TClientLayer>& Layers, const PduStr& Plain,
               uint32_t& FrameCounter) {
  PduStr data = Plain;
  for (TClientLayer& l : Layers) {
    if (Ciphers(l)) {
      const PduStr key = KeyToApply(Keys, l);
      const uint8_t right = SecurityControl(Keys, l);
      // The tag and the ciphering follow the control octet actually written, as a peer
      // that announces less than it should would compute them.
      const uint8_t sc = l.ForcedSecurityControl >= 0 ? static_cast<uint8_t>(l.ForcedSecurityControl) : right;
      data = client::GcmProtect(sc, FrameCounter++, l.OriginatorSystemTitle, data, key, Keys.GAK, AdditionalFields(l));
    } else {
      data += client::Sign(Keys.Suite, Keys.ClientSigning, AdditionalFields(l) + data);
    }
  }
  return data;
}

PduStr Unprotect(const TClientKeys& Keys, const std::vector<TClientLayer>& Layers, const PduStr& Buffer,
                 std::vector<uint32_t>* FrameCounters) {
  PduStr data = Buffer;
  for (auto it = Layers.rbegin(); it != Layers.rend(); ++it) {
    const TClientLayer& l = *it;
    if (Ciphers(l)) {
      const client::Unprotected u =
          client::GcmUnprotect(l.OriginatorSystemTitle, data, KeyToRemove(Keys, l), Keys.GAK, AdditionalFields(l));
      if (u.sc != SecurityControl(Keys, l))
        throw Exception("client: security control " + IntToHex(u.sc, 2) + " where " +
                        IntToHex(SecurityControl(Keys, l), 2) + " belongs");
      if (FrameCounters) FrameCounters->push_back(u.fc);
      data = u.plain;
    } else {
      const size_t size = PublicKeySize(Keys);
      if (data.size() < size) throw Exception("client: no room for a signature");
      const PduStr content = data.substr(0, data.size() - size);
      if (!client::Verify(Keys.Suite, Keys.ServerSigningPublic, AdditionalFields(l) + content,
                          data.substr(data.size() - size)))
        throw Exception("client: the signature does not verify");
      data = content;
    }
  }
  return data;
}

}  // namespace zv::test::dataprot
