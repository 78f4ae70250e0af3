#include "apdu/ber.h"

#include <vector>

#include "foundation/axdr_types.h"

#include "foundation/lexer.h"

namespace zv {

namespace {

constexpr const char* kObjectIdentifierNames[kObjectIdentifierCount] = {
    "UNKNOWN",           "LN",                 "SN",                  "LN_WITH_CIPHERING", "SN_WITH_CIPHERING",
    "NO_SECURITY",       "LOW_SECURITY",       "HIGH_SECURITY",       "HIGH_SECURITY_MD5", "HIGH_SECURITY_SHA1",
    "HIGH_SECURITY_GMAC", "HIGH_SECURITY_SHA256", "HIGH_SECURITY_ECDSA",
};

// Every DLMS name is 2.16.756.5.8.group.value.
constexpr char kDlmsPrefix[] = "\x60\x85\x74\x05\x08";
constexpr size_t kDlmsPrefixSize = 5;

// What an identifier outside the DLMS names is written as.
constexpr std::string_view kUnknownObjectIdentifierText = " {2, 15, 757, 4, 7, 2, 3}";

// The components of an object identifier in brace form: "{", up to ten integers each
// optionally followed by a comma, "}".
std::vector<int32_t> ReadObjectIdentifierText(std::string_view text) {
  TLexicalAnalyser lex;
  lex.SetText(std::string(text));
  lex.Expect(toCurlOpen);
  std::vector<int32_t> components;
  while (lex.Token() == toIntConst && components.size() < 10) {
    int32_t high = components.empty() ? 2 : components.size() == 1 ? 39 : 2147483647;
    components.push_back(lex.ExpectInt(0, high));
    if (lex.Token() == toComma) lex.Next();
  }
  lex.Expect(toCurlClose);
  if (components.size() < 2) lex.RaiseLexError("Some values missing");
  return components;
}

const PduStr& UnknownObjectIdentifierOctets() {
  static const PduStr octets = [] {
    PduStr s;
    EncodeObjectIdentifierText(kUnknownObjectIdentifierText, s);
    return s;
  }();
  return octets;
}

}  // namespace

const char* ObjectIdentifierName(TObjectIdentifier value) {
  auto i = static_cast<size_t>(value);
  return i < std::size(kObjectIdentifierNames) ? kObjectIdentifierNames[i] : kObjectIdentifierNames[0];
}

void EncodeObjectIdentifierText(std::string_view text, PduStr& out) {
  std::vector<int32_t> c = ReadObjectIdentifierText(text);
  size_t lengthAt = out.size();
  out.push_back(0);
  out.push_back(static_cast<char>(40 * c[0] + c[1]));
  for (size_t i = 2; i < c.size(); ++i) {
    auto v = static_cast<uint32_t>(c[i]);
    uint8_t groups[5];
    int n = 0;
    do {
      groups[n++] = static_cast<uint8_t>(v & 0x7F);
      v >>= 7;
    } while (v != 0);
    while (n-- > 0) out.push_back(static_cast<char>(groups[n] | (n > 0 ? 0x80 : 0)));
  }
  // At most ten components of five octets each: the length fits the short form.
  out[lengthAt] = static_cast<char>(out.size() - lengthAt - 1);
}

// ---- Object identifiers ---------------------------------------------------------------

void TBERObjectIdentifier::LoadFromPDUStr(TStringWrapper& w) {
  Value = TObjectIdentifier::UNKNOWN;
  int length = w.NextByte();
  if (length == 0) return;
  if (length != 7) throw Exception(Format("Object identifier illegal length %d", length));
  std::string c = w.CopyFromIndexAndForward(7);
  if (c.compare(0, kDlmsPrefixSize, kDlmsPrefix, kDlmsPrefixSize) != 0) return;
  auto group = static_cast<uint8_t>(c[5]);
  auto value = static_cast<uint8_t>(c[6]);
  if (group == 1 && value >= 1 && value <= 4)
    Value = static_cast<TObjectIdentifier>(value);
  else if (group == 2 && value <= 7)
    Value = static_cast<TObjectIdentifier>(static_cast<int>(TObjectIdentifier::NO_SECURITY) + value);
}

void TBERObjectIdentifier::LoadFromXml(TXMLParser& p) {
  std::string text = p.XMLGetAttributeValue(xmlValue);
  for (int i = 0; i < kObjectIdentifierCount; ++i) {
    if (text == kObjectIdentifierNames[i]) {
      Value = static_cast<TObjectIdentifier>(i);
      return;
    }
  }
  p.RaiseXMLError("Illegal value " + text);
}

bool TBERObjectIdentifier::Equal(const TBERObjectIdentifier* o1, const TBERObjectIdentifier* o2) {
  if (!o1 || !o2) return !o1 && !o2;
  return o1->Value == o2->Value;
}

void TBERObjectIdentifier::DecodeXml(TXMLParser& p) {
  p.XMLAssertStartTag(XMLId);
  LoadFromXml(p);
  p.Next();
}

// The Data form reads the seven content octets as an A-XDR octet-string.
void TBERObjectIdentifier::DecodeData(TStringWrapper& w) {
  w.ExpectByte(9);
  LoadFromPDUStr(w);
}

void TBERObjectIdentifier::Another(const TCOSEMPduBase& src) {
  TCOSEMPduBase::Another(src);
  Value = src.As<TBERObjectIdentifier>().Value;
}

void TBERObjectIdentifier::EncodeToPduStr(PduStr& out) const {
  int ordinal = static_cast<int>(Value);
  if (ordinal < 1 || ordinal >= kObjectIdentifierCount) {
    out += UnknownObjectIdentifierOctets();
    return;
  }
  out.push_back(7);
  out.append(kDlmsPrefix, kDlmsPrefixSize);
  bool context = ordinal <= static_cast<int>(TObjectIdentifier::SN_WITH_CIPHERING);
  out.push_back(context ? 1 : 2);
  out.push_back(static_cast<char>(context ? ordinal : ordinal - static_cast<int>(TObjectIdentifier::NO_SECURITY)));
}

void TBERObjectIdentifier::ToXML(TScriptStream& s) const { EmitTagAttrLine(s, XMLId, GetValueStr(), xmlValue); }

void TBERObjectIdentifier::EncodeToDataPduStr(PduStr& out) const {
  out.push_back(9);
  EncodeToPduStr(out);
}

// ---- Bit strings ----------------------------------------------------------------------

// The length octet is the short form only: it counts the unused-bits octet and at most
// 126 data octets. A length of 0 (no unused-bits octet) or in the long form is refused.
void TBERBitStr::LoadPduStr(TStringWrapper& w) {
  int length = w.NextByte();
  if (length == 0 || length > 127) throw Exception(Format("BERBitString: illegal length %d", length));
  int unused = w.NextByte();
  int octets = length - 1;
  if (w.RemainingBytes() < octets) TStringWrapper::WrongEncoding();
  Value.clear();
  for (int i = 0; i < octets; ++i) {
    uint8_t b = w.NextByte();
    int bits = i + 1 < octets ? 8 : unused >= 8 ? 0 : 8 - unused;
    for (int k = 0; k < bits; ++k) Value.push_back((b >> (7 - k)) & 1 ? '1' : '0');
  }
}

bool TBERBitStr::IsSet(int bitNr) const {
  return bitNr >= 0 && static_cast<size_t>(bitNr) < Value.size() && Value[static_cast<size_t>(bitNr)] == '1';
}

void TBERBitStr::IntersectWith(const TBERBitStr& s) {
  size_t n = std::min(Value.size(), s.Value.size());
  for (size_t i = 0; i < n; ++i)
    if (s.Value[i] == '0') Value[i] = '0';
}

void TBERBitStr::DecodeXml(TXMLParser& p) {
  Value = p.XMLGetAttributeValue(xmlValue);
  // Refused while a description or template loads, where the position is known.
  if (Value.find_first_not_of("01") != std::string::npos) p.RaiseXMLError("BERBitString: illegal character");
  p.Next();
}

void TBERBitStr::DecodeData(TStringWrapper& w) {
  PduPtr bits = CreateFromDataPduStr(T_BitString, XMLId, w);
  Value = std::move(bits->As<TBitStr>().Value);
}

void TBERBitStr::Another(const TCOSEMPduBase& src) {
  TCOSEMPduBase::Another(src);
  Value = src.As<TBERBitStr>().Value;
}

void TBERBitStr::EncodeToPduStr(PduStr& out) const {
  PduStr data;
  uint8_t acc = 0;
  int bits = 0;
  for (char c : Value) {
    if (c != '0' && c != '1') throw Exception("BERBitString: illegal character");
    acc = static_cast<uint8_t>((acc << 1) | (c == '1'));
    if (++bits == 8) {
      data.push_back(static_cast<char>(acc));
      acc = 0;
      bits = 0;
    }
  }
  int unused = 0;
  if (bits) {
    data.push_back(static_cast<char>(acc << (8 - bits)));
    unused = 8 - bits;
  }
  // One length octet cannot count more: a longer string would be written with a wrong length.
  if (data.size() > 126)
    throw Exception(Format("BERBitString: too long (%d bits)", static_cast<int>(Value.size())));
  out.push_back(static_cast<char>(1 + data.size()));
  out.push_back(static_cast<char>(unused));
  out += data;
}

void TBERBitStr::ToXML(TScriptStream& s) const { EmitTagAttrLine(s, XMLId, Value, xmlValue); }

void TBERBitStr::EncodeToDataPduStr(PduStr& out) const {
  PduPtr bits = Create(T_BitString, XMLId);
  bits->As<TBitStr>().Value = Value;
  bits->EncodeToDataPduStr(out);
}

// ---- Octet strings ----------------------------------------------------------------------

void TBEROctetStr::LoadFromPduStr(TStringWrapper& w) {
  int n = DecodeVarLengthUnsignedInteger(w);
  Value = w.CopyFromIndexAndForward(n);
}

void TBEROctetStr::LoadFromXml(TXMLParser& p) { p.HexStrToByteStrOfValue(Value); }

void TBEROctetStr::DecodeXml(TXMLParser& p) {
  p.XMLAssertStartTag(XMLId);
  LoadFromXml(p);
  p.Next();
}

void TBEROctetStr::Another(const TCOSEMPduBase& src) {
  TCOSEMPduBase::Another(src);
  Value = src.As<TBEROctetStr>().Value;
}

void TBEROctetStr::EncodeToPduStr(PduStr& out) const {
  EncodeVarLengthUnsignedInteger(out, static_cast<int64_t>(Value.size()));
  out += Value;
}

void TBEROctetStr::ToXML(TScriptStream& s) const {
  EmitTagAttrLine(s, XMLId, TMisc::ByteStrToFormatedString2(Value), xmlValue);
}

// ---- Descriptors ------------------------------------------------------------------------

constinit const TypeInfo TBERObjectIdentifier_Type =
    CustomType("TBERObjectIdentifier", xmlIgnore, TCOSEMPduBase_Type, nullptr);
constinit const TypeInfo TBERBitStr_Type = CustomType("TBERBitStr", xmlIgnore, TCOSEMPduBase_Type, nullptr);
constinit const TypeInfo TBEROctetStr_Type = CustomType("TBEROctetStr", xmlIgnore, TCOSEMPduBase_Type, nullptr);

constinit const TypeInfo T_ApplicationContextName = CustomType(
    "T_ApplicationContextName", xml_ApplicationContextName, TBERObjectIdentifier_Type, AllocOf<TBERObjectIdentifier>);
constinit const TypeInfo T_MechanismName =
    CustomType("T_MechanismName", xml_MechanismName, TBERObjectIdentifier_Type, AllocOf<TBERObjectIdentifier>);
constinit const TypeInfo T_ProtocolVersion =
    CustomType("T_ProtocolVersion", xml_ProtocolVersion, TBERBitStr_Type, AllocOf<TBERBitStr>);
constinit const TypeInfo T_ACSERequirement =
    CustomType("T_ACSERequirement", xml_ACSERequirement, TBERBitStr_Type, AllocOf<TBERBitStr>);
constinit const TypeInfo T_APTitle = CustomType("T_APTitle", xml_APTitle, TBEROctetStr_Type, AllocOf<TBEROctetStr>);
constinit const TypeInfo T_AEQualifier =
    CustomType("T_AEQualifier", xml_AEQualifier, TBEROctetStr_Type, AllocOf<TBEROctetStr>);
constinit const TypeInfo T_AuthenticationValue =
    CustomType("T_AuthenticationValue", xml_AuthenticationValue, TBEROctetStr_Type, AllocOf<TBEROctetStr>);
constinit const TypeInfo T_ImplementationData =
    CustomType("T_ImplementationData", xml_ImplementationData, TBEROctetStr_Type, AllocOf<TBEROctetStr>);

}  // namespace zv
