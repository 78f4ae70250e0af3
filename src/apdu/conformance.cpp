#include "apdu/conformance.h"

#include <string>

namespace zv {

namespace {

constexpr const char* kBitNames[24] = {
    "Reserved0",
    "GeneralProtection",
    "GeneralBlockTransfer",
    "Read",
    "Write",
    "UnconfirmedWrite",
    "Reserved6",
    "Reserved7",
    "Attribute0SupportedWithSet",
    "PriorityMgmtSupported",
    "Attribute0SupportedWithGet",
    "BlockTransferWithGetOrRead",
    "BlockTransferWithSetOrWrite",
    "BlockTransferWithAction",
    "MultipleReferences",
    "InformationReport",
    "DataNotification",
    "Access",
    "ParametrizedAccess",
    "Get",
    "Set",
    "SelectiveAccess",
    "EventNotification",
    "Action",
};

// Older names that are still read.
struct AltName {
  int bit;
  const char* name;
};
constexpr AltName kAltNames[] = {
    {10, "Attribute0Supported"},
    {11, "BlockTransferWithGet"},
    {12, "BlockTransferWithSet"},
};

}  // namespace

int TConformance::NameToValue(std::string_view name) {
  for (int bit = 0; bit < 24; ++bit) {
    if (name == kBitNames[bit]) return bit;
    for (const auto& a : kAltNames)
      if (a.bit == bit && name == a.name) return bit;
  }
  throw Exception("T_Conformance.NameToValue, no such name " + std::string(name));
}

const char* TConformance::ValueToName(int value) {
  if (value < 0 || value >= 24) throw Exception(Format("T_Conformance.ValueToName, illegal value %d", value));
  return kBitNames[value];
}

// Some clients leave out the second identifier octet.
void TConformance::DecodePlain(TStringWrapper& w) {
  BitXMLId = xmlConformanceBit;
  w.ExpectByte(0x5F);
  if (w.Inspect() == 0x1F) w.NextByte();
  LoadPduStr(w);
}

namespace {

// The most bits a BER bit string of one length octet holds.
constexpr int kMaxBits = 126 * 8;

// A bit without a name is written as its number.
int BitOfName(std::string_view name) {
  if (!name.empty() && name.size() <= 4 && name.find_first_not_of("0123456789") == std::string_view::npos) {
    int bit = 0;
    for (char c : name) bit = bit * 10 + (c - '0');
    if (bit < kMaxBits) return bit;
  }
  return TConformance::NameToValue(name);
}

}  // namespace

void TConformance::DecodeXml(TXMLParser& p) {
  BitXMLId = xmlConformanceBit;
  SetDefaultValue();
  // The opening element's name is not compared: the block is read under any field name.
  TXMLId opening = p.XMLStartTag();
  p.Next();
  while (p.Token() == xtStartTag) {
    TXMLId tag = p.Tag();
    if (tag != BitXMLId) p.UnexpectedKeyword(tag);
    auto bit = static_cast<size_t>(BitOfName(p.XMLGetAttributeValue(xmlName)));
    if (bit >= Value.size()) Value.resize(bit + 1, '0');
    Value[bit] = '1';
    p.Next();
  }
  p.XMLAssertStopTagAndNext(opening);
}

void TConformance::Another(const TCOSEMPduBase& src) {
  TBERBitStr::Another(src);
  if (const auto* c = dynamic_cast<const TConformance*>(&src)) BitXMLId = c->BitXMLId;
}

void TConformance::EncodeToPduStr(PduStr& out) const {
  out.append("\x5F\x1F", 2);
  TBERBitStr::EncodeToPduStr(out);
}

// A peer's block may set bits past the 24 named ones: they are shown by number, so that
// the request can still be logged.
void TConformance::ToXML(TScriptStream& s) const {
  s.XMLOpenTagLn(XMLIdNames[XMLId]);
  ++s.Indent;
  for (size_t p = Value.size(); p-- > 0;) {
    if (Value[p] != '1') continue;
    EmitTagAttrLine(s, BitXMLId, p < 24 ? std::string(ValueToName(static_cast<int>(p))) : std::to_string(p), xmlName);
  }
  --s.Indent;
  s.XMLCloseTagLn(XMLIdNames[XMLId]);
}

constinit const TypeInfo T_Conformance =
    CustomType("T_Conformance", xml_Conformance, TBERBitStr_Type, AllocOf<TConformance>);

}  // namespace zv
