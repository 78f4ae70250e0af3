#include "foundation/codec.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zv {

namespace {

constexpr TypeInfo BaseType(const char* name, const TypeInfo* parent) {
  TypeInfo t;
  t.name = name;
  t.family = Family::Abstract;
  t.parent = parent;
  return t;
}

}  // namespace

constinit const TypeInfo TCOSEMPduBase_Type = BaseType("TCOSEMPduBase", nullptr);
constinit const TypeInfo TSequence_Type = BaseType("TSequence", &TCOSEMPduBase_Type);
constinit const TypeInfo TChoice_Type = BaseType("TChoice", &TCOSEMPduBase_Type);
constinit const TypeInfo TSequenceOf_Type = BaseType("TSequenceOf", &TCOSEMPduBase_Type);
constinit const TypeInfo TOctetString_Type = BaseType("TOctetString", &TCOSEMPduBase_Type);
constinit const TypeInfo TBitStr_Type = BaseType("TBitStr", &TCOSEMPduBase_Type);
constinit const TypeInfo TNull_Type = BaseType("TNull", &TCOSEMPduBase_Type);
constinit const TypeInfo TEnum_Type = BaseType("TEnum", &TCOSEMPduBase_Type);
constinit const TypeInfo TNumber_Type = BaseType("TCOSEMPduBase", &TCOSEMPduBase_Type);

const char* TypeInfo::EnumNameOf(int value) const {
  const TypeInfo& s = Shape();
  for (uint16_t i = 0; i < s.nameCount; ++i)
    if (s.names[i].value == value) return s.names[i].name;
  return nullptr;
}

const AltInfo* TypeInfo::AltByTag(int tag) const {
  const TypeInfo& s = Shape();
  for (uint16_t i = 0; i < s.altCount; ++i)
    if (s.alts[i].tag == tag) return &s.alts[i];
  return nullptr;
}

const AltInfo* TypeInfo::AltById(TXMLId id) const {
  const TypeInfo& s = Shape();
  for (uint16_t i = 0; i < s.altCount; ++i)
    if (s.alts[i].id == id) return &s.alts[i];
  return nullptr;
}

// ---- Nesting ----------------------------------------------------------------

namespace {
thread_local int tDecodeDepth = 0;
}

NestingGuard::NestingGuard(TStringWrapper&) : counter_(&tDecodeDepth) {
  if (++*counter_ > kMaxNesting) {
    --*counter_;
    TStringWrapper::WrongEncoding();
  }
}

NestingGuard::NestingGuard(TXMLParser& p) : counter_(&tDecodeDepth) {
  if (++*counter_ > kMaxNesting) {
    --*counter_;
    p.RaiseXMLError("Nesting too deep");
  }
}

// ---- Virtual constructors ---------------------------------------------------

static TCOSEMPduBase* Alloc(const TypeInfo& t, TXMLId id) {
  // The nearest class with a C++ class of its own makes the object; a derived class
  // without one is made by its shape's family.
  for (const TypeInfo* x = &t; x; x = x->parent) {
    if (x->alloc) return x->alloc(t, id);
    if (x->family != Family::Derived) break;
  }
  const TypeInfo& s = t.Shape();
  switch (s.family) {
    case Family::Number: return new TNumber(t, id);
    case Family::OctetString: return new TOctetString(t, id);
    case Family::Enumerated: return new TEnum(t, id);
    case Family::Sequence: return new TSequence(t, id);
    case Family::Choice: return new TChoice(t, id);
    case Family::SequenceOf: return new TSequenceOf(t, id);
    case Family::BitStr: return new TBitStr(t, id);
    case Family::Null: return new TNull(t, id);
    default: break;
  }
  throw EAssertionFailed(Format("Assertion failure (%s cannot be made)", t.name));
}

PduPtr Create(const TypeInfo& t, TXMLId id) {
  PduPtr p(Alloc(t, id));
  p->InitDefault();
  return p;
}

PduPtr CreateFromPduStr(const TypeInfo& t, TXMLId id, TStringWrapper& w) {
  PduPtr p(Alloc(t, id));
  p->DecodePlain(w);
  return p;
}

PduPtr CreateFromXml(const TypeInfo& t, TXMLId id, TXMLParser& parser) {
  PduPtr p(Alloc(t, id));
  p->DecodeXml(parser);
  return p;
}

PduPtr CreateFromDataPduStr(const TypeInfo& t, TXMLId id, TStringWrapper& w) {
  PduPtr p(Alloc(t, id));
  p->DecodeData(w);
  return p;
}

PduPtr MakeAnyFromPdu(TXMLId id, const TypeInfo& t, std::string_view pdu) {
  TStringWrapper w(pdu);
  return CreateFromPduStr(t, id, w);
}

PduPtr MakeAnyFromData(TXMLId id, const TypeInfo& t, std::string_view pdu) {
  TStringWrapper w(pdu);
  return CreateFromDataPduStr(t, id, w);
}

PduPtr MakeAnyFromXml(TXMLId id, const TypeInfo& t, std::string_view xml) {
  TXMLParser p(xml);
  return CreateFromXml(t, id, p);
}

std::string Clean(TXMLId id, const TypeInfo& t, std::string_view xml) {
  return MakeAnyFromXml(id, t, xml)->ToXMLString();
}

// ---- Root behaviour -----------------------------------------------------------

void TCOSEMPduBase::NotImplemented(const char* operation) const {
  throw Exception(Format("%s.%s not implemented", ClassName(), operation));
}

void TCOSEMPduBase::DecodeData(TStringWrapper&) { NotImplemented("CreateFromDataPduStr"); }
void TCOSEMPduBase::Another(const TCOSEMPduBase& src) { XMLId = src.XMLId; }

bool TCOSEMPduBase::CheckRange(int64_t, int64_t) const {
  throw Exception(Format("%s.CheckRange is not implemented", ClassName()));
}

int TCOSEMPduBase::CompareTo(const TCOSEMPduBase&) const {
  throw Exception(Format("%s.CompareTo is not implemented", ClassName()));
}

bool TCOSEMPduBase::EqualType(const TCOSEMPduBase& x) const {
  return std::strcmp(ClassName(), x.ClassName()) == 0;
}

int TCOSEMPduBase::DataTag() const {
  int tag = Type().Shape().dataTag;
  if (tag < 0) NotImplemented("DataTag");
  return tag;
}

void TCOSEMPduBase::EncodeToDataPduStr(PduStr&) const { NotImplemented("EncodeToDataPduStr"); }

std::string TCOSEMPduBase::FriendlyName() const {
  std::string n = ClassName();
  if (!n.empty() && n[0] == '_') return n.substr(1);
  if (n.rfind("T_", 0) == 0) return n.substr(2);
  return n;
}

PduPtr TCOSEMPduBase::Clone() const {
  PduPtr p(Alloc(Type(), XMLId));
  p->Another(*this);
  return p;
}

std::string TCOSEMPduBase::ToXMLString() const {
  TScriptStream s;
  ToXML(s);
  return s.TakeString();
}

std::vector<std::string> TCOSEMPduBase::ToStringList(int indent) const {
  TScriptStream s;
  s.Indent = indent;
  ToXML(s);
  std::vector<std::string> lines;
  SplitCrLfLines(s.AsString(), lines);
  return lines;
}

void TCOSEMPduBase::AddXmlToLines(int indent, std::vector<std::string>& lines) const {
  TScriptStream s;
  s.Indent = indent / 2;
  ToXML(s);
  SplitCrLfLines(s.AsString(), lines);
}

int TCOSEMPduBase::PDUSize() const { return static_cast<int>(Encode().size()); }

bool TCOSEMPduBase::IsEqual(const TCOSEMPduBase& x) const { return Encode() == x.Encode(); }

void TCOSEMPduBase::EmitTagAttrLine(TScriptStream& s, TXMLId tag, std::string_view value, TXMLId attr) {
  s.Emit("<");
  s.Append(XMLIdNames[tag]);
  s.Append(" ");
  s.Append(XMLIdNames[attr]);
  s.Append("=\"");
  s.Append(value);
  s.EmitLn("\" />");
}

// ---- A-XDR length -------------------------------------------------------------

void EncodeVarLengthUnsignedInteger(PduStr& out, int64_t value) {
  if (value < 0 || value > 0xFFFFFF)
    throw Exception(Format("Coding of variable-length integer %lld not implemented", static_cast<long long>(value)));
  if (value < 0x80) {
    out.push_back(static_cast<char>(value));
  } else if (value < 0x100) {
    out.push_back('\x81');
    AppendBE(out, static_cast<uint64_t>(value), 1);
  } else if (value < 0x10000) {
    out.push_back('\x82');
    AppendBE(out, static_cast<uint64_t>(value), 2);
  } else {
    out.push_back('\x83');
    AppendBE(out, static_cast<uint64_t>(value), 3);
  }
}

int DecodeVarLengthUnsignedInteger(TStringWrapper& w) {
  uint8_t b = w.NextByte();
  if (b < 0x80) return b;
  int n = b & 0x7F;
  if (n < 1 || n > 3) throw EAssertionFailed("Unsupported integer length.");
  int v = 0;
  for (int i = 0; i < n; ++i) v = (v << 8) | w.NextByte();
  return v;
}

// ---- Fixed-size numbers ---------------------------------------------------------

static int KindSize(NumKind k) {
  switch (k) {
    case NumKind::Bool: case NumKind::I8: case NumKind::U8: return 1;
    case NumKind::I16: case NumKind::U16: return 2;
    case NumKind::I32: case NumKind::U32: case NumKind::F32: return 4;
    default: return 8;
  }
}

int TNumber::Size() const { return KindSize(Kind()); }

int64_t TNumber::AsInt64() const {
  switch (Kind()) {
    case NumKind::I8: return static_cast<int8_t>(FRaw);
    case NumKind::I16: return static_cast<int16_t>(FRaw);
    case NumKind::I32: return static_cast<int32_t>(FRaw);
    case NumKind::F32: case NumKind::F64: return static_cast<int64_t>(AsDouble());
    default: return static_cast<int64_t>(FRaw);
  }
}

uint64_t TNumber::AsUInt64() const { return FRaw; }

double TNumber::AsDouble() const {
  if (Kind() == NumKind::F32) {
    uint32_t bits = static_cast<uint32_t>(FRaw);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
  }
  if (Kind() == NumKind::F64) {
    double d;
    std::memcpy(&d, &FRaw, 8);
    return d;
  }
  switch (Kind()) {
    case NumKind::U8: case NumKind::U16: case NumKind::U32: case NumKind::Bool: return static_cast<double>(FRaw);
    default: return static_cast<double>(AsInt64());
  }
}

void TNumber::SetInt64(int64_t v) {
  if (Kind() == NumKind::F32 || Kind() == NumKind::F64) {
    SetDouble(static_cast<double>(v));
    return;
  }
  int n = Size();
  uint64_t mask = n == 8 ? ~0ull : ((1ull << (8 * n)) - 1);
  FRaw = static_cast<uint64_t>(v) & mask;
}

void TNumber::SetDouble(double v) {
  if (Kind() == NumKind::F32) {
    float f = static_cast<float>(v);
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    FRaw = bits;
  } else if (Kind() == NumKind::F64) {
    std::memcpy(&FRaw, &v, 8);
  } else {
    SetInt64(static_cast<int64_t>(v));
  }
}

void TNumber::DecodePlain(TStringWrapper& w) {
  if (w.RemainingBytes() < Size()) TStringWrapper::WrongEncoding();
  uint64_t v = 0;
  for (int i = 0; i < Size(); ++i) v = (v << 8) | w.NextByte();
  FRaw = v;
}

void TNumber::DecodeXml(TXMLParser& p) {
  p.XMLAssertStartTag(XMLId);
  PduStr b;
  p.HexStrToByteStrOfValue(b);
  if (static_cast<int>(b.size()) != Size())
    p.RaiseXMLError(Format("Illegal data size, expected %d, found %d", Size(), static_cast<int>(b.size())));
  uint64_t v = 0;
  for (char c : b) v = (v << 8) | static_cast<uint8_t>(c);
  FRaw = v;
  p.Next();
}

void TNumber::DecodeData(TStringWrapper& w) {
  w.ExpectByte(static_cast<uint8_t>(DataTag()));
  DecodePlain(w);
}

void TNumber::Another(const TCOSEMPduBase& src) {
  TCOSEMPduBase::Another(src);
  FRaw = src.As<TNumber>().FRaw;
}

void TNumber::EncodeToPduStr(PduStr& out) const { AppendBE(out, FRaw, Size()); }

void TNumber::ToXML(TScriptStream& s) const {
  char buf[17];
  int n = Size() * 2;
  for (int i = 0; i < n; ++i) buf[i] = "0123456789ABCDEF"[(FRaw >> (4 * (n - 1 - i))) & 15];
  EmitTagAttrLine(s, XMLId, std::string_view(buf, static_cast<size_t>(n)), xmlValue);
}

bool TNumber::CheckRange(int64_t low, int64_t high) const {
  switch (Kind()) {
    case NumKind::F32: case NumKind::F64: {
      double d = AsDouble();
      if (std::isnan(d)) return false;
      return static_cast<double>(low) <= d && d <= static_cast<double>(high);
    }
    case NumKind::Bool: case NumKind::U8: case NumKind::U16: case NumKind::U32: {
      int64_t v = static_cast<int64_t>(FRaw);
      return low <= v && v <= high;
    }
    default: {
      int64_t v = AsInt64();
      return low <= v && v <= high;
    }
  }
}

int TNumber::CompareTo(const TCOSEMPduBase& x) const {
  if (!x.IsA(Type())) throw Exception(Format("%s.CompareTo illegal type", ClassName()));
  const auto& o = static_cast<const TNumber&>(x);
  auto sign = [](auto a, auto b) { return a < b ? 1 : a > b ? -1 : 0; };
  switch (Kind()) {
    case NumKind::F32: case NumKind::F64: return sign(AsDouble(), o.AsDouble());
    case NumKind::Bool: return sign(static_cast<int8_t>(FRaw), static_cast<int8_t>(o.FRaw));
    // Unsigned kinds, long64-unsigned included, order as unsigned numbers.
    case NumKind::U8: case NumKind::U16: case NumKind::U32: case NumKind::U64: return sign(FRaw, o.FRaw);
    default: return sign(AsInt64(), o.AsInt64());
  }
}

void TNumber::EncodeToDataPduStr(PduStr& out) const {
  out.push_back(static_cast<char>(DataTag()));
  EncodeToPduStr(out);
}

// ---- Octet strings -----------------------------------------------------------------

void TOctetString::LoadFromPduStr(TStringWrapper& w) {
  int n = Size < 0 ? DecodeVarLengthUnsignedInteger(w) : Size;
  Value += w.CopyFromIndexAndForward(n);
}

void TOctetString::LoadFromXml(TXMLParser& p) {
  p.HexStrToByteStrOfValue(Value);
  if (Size >= 0 && static_cast<int>(Value.size()) != Size)
    p.RaiseXMLError(Format("%s: Illegal data size, expected %d, found %d", ClassName(), Size,
                           static_cast<int>(Value.size())));
}

void TOctetString::DecodePlain(TStringWrapper& w) {
  Size = Type().Shape().size;
  LoadFromPduStr(w);
}

void TOctetString::DecodeXml(TXMLParser& p) {
  Size = Type().Shape().size;
  p.XMLAssertStartTag(XMLId);
  LoadFromXml(p);
  p.Next();
}

void TOctetString::DecodeData(TStringWrapper& w) {
  Size = Type().Shape().size;
  w.ExpectByte(static_cast<uint8_t>(DataTag()));
  LoadFromPduStr(w);
}

void TOctetString::Another(const TCOSEMPduBase& src) {
  TCOSEMPduBase::Another(src);
  const auto& o = src.As<TOctetString>();
  Value = o.Value;
  Size = o.Size;
}

void TOctetString::EncodeToPduStr(PduStr& out) const {
  if (Size < 0) {
    EncodeVarLengthUnsignedInteger(out, static_cast<int64_t>(Value.size()));
    out += Value;
    return;
  }
  // A fixed-size string that is too short cannot be written without inventing octets.
  if (static_cast<int>(Value.size()) < Size)
    throw Exception(Format("%s: Illegal data size, expected %d, found %d", ClassName(), Size,
                           static_cast<int>(Value.size())));
  out.append(Value, 0, static_cast<size_t>(Size));
}

void TOctetString::ToXML(TScriptStream& s) const {
  EmitTagAttrLine(s, XMLId, TMisc::ByteStrToFormatedString2(Value), xmlValue);
}

int TOctetString::CompareTo(const TCOSEMPduBase& x) const {
  const auto* o = dynamic_cast<const TOctetString*>(&x);
  if (!o) throw Exception("TOctetString.CompareTo illegal type");
  int c = Value.compare(o->Value);  // std::string compares as unsigned char
  return c < 0 ? 1 : c > 0 ? -1 : 0;
}

void TOctetString::EncodeToDataPduStr(PduStr& out) const {
  out.push_back(static_cast<char>(DataTag()));
  EncodeToPduStr(out);
}

// ---- Bit strings -------------------------------------------------------------------

void TBitStr::DecodePlain(TStringWrapper& w) {
  int n = DecodeVarLengthUnsignedInteger(w);
  if (w.RemainingBytes() < (n + 7) / 8) TStringWrapper::WrongEncoding();
  Value.clear();
  Value.reserve(static_cast<size_t>(n));
  while (static_cast<int>(Value.size()) < n) {
    uint8_t b = w.NextByte();
    for (int bit = 7; bit >= 0 && static_cast<int>(Value.size()) < n; --bit)
      Value.push_back((b >> bit) & 1 ? '1' : '0');
  }
}

void TBitStr::DecodeXml(TXMLParser& p) {
  Value = p.XMLGetAttributeValue(xmlValue);
  // Refused while the description loads, where the position is known, not at the first GET.
  if (Value.find_first_not_of("01") != std::string::npos) p.RaiseXMLError("BERBitString: illegal character");
  p.Next();
}

void TBitStr::DecodeData(TStringWrapper& w) {
  w.ExpectByte(static_cast<uint8_t>(DataTag()));
  DecodePlain(w);
}

void TBitStr::Another(const TCOSEMPduBase& src) {
  TCOSEMPduBase::Another(src);
  Value = src.As<TBitStr>().Value;
}

void TBitStr::EncodeToPduStr(PduStr& out) const {
  EncodeVarLengthUnsignedInteger(out, static_cast<int64_t>(Value.size()));
  uint8_t acc = 0;
  int bits = 0;
  for (char c : Value) {
    if (c != '0' && c != '1') throw Exception("BERBitString: illegal character");
    acc = static_cast<uint8_t>((acc << 1) | (c == '1'));
    if (++bits == 8) {
      out.push_back(static_cast<char>(acc));
      acc = 0;
      bits = 0;
    }
  }
  if (bits) out.push_back(static_cast<char>(acc << (8 - bits)));
}

void TBitStr::ToXML(TScriptStream& s) const { EmitTagAttrLine(s, XMLId, Value, xmlValue); }

void TBitStr::EncodeToDataPduStr(PduStr& out) const {
  out.push_back(static_cast<char>(DataTag()));
  EncodeToPduStr(out);
}

// ---- Null ----------------------------------------------------------------------------

void TNull::DecodeData(TStringWrapper& w) { w.ExpectByte(static_cast<uint8_t>(DataTag())); }

void TNull::ToXML(TScriptStream& s) const {
  s.Emit("<");
  s.Append(XMLIdNames[XMLId]);
  s.EmitLn(" />");
}

void TNull::EncodeToDataPduStr(PduStr& out) const { out.push_back(static_cast<char>(DataTag())); }

// ---- ENUMERATED ------------------------------------------------------------------------

std::string TEnum::GetString(const TypeInfo& t, int value) {
  const char* n = t.EnumNameOf(value);
  if (!n) throw Exception(Format("%s: illegal enum value", t.name));
  return n;
}

void TEnum::DecodeXml(TXMLParser& p) {
  p.XMLAssertStartTag(XMLId);
  std::string v = p.XMLGetAttributeValue(xmlValue);
  const TypeInfo& s = Type().Shape();
  bool found = false;
  for (uint16_t i = 0; i < s.nameCount; ++i) {
    if (v == s.names[i].name) {
      Value = s.names[i].value;
      found = true;
      break;
    }
  }
  // A code without a name is written as two hex digits; read that form back.
  if (!found && v.size() == 2 && std::isxdigit(static_cast<unsigned char>(v[0])) &&
      std::isxdigit(static_cast<unsigned char>(v[1]))) {
    Value = TMisc::H2(v[0], v[1]);
    found = true;
  }
  if (!found) p.RaiseXMLError(Format("%s: illegal element %s", ClassName(), v.c_str()));
  p.Next();
}

void TEnum::DecodeData(TStringWrapper& w) {
  w.ExpectByte(22);
  Value = w.NextByte();
}

void TEnum::Another(const TCOSEMPduBase& src) {
  TCOSEMPduBase::Another(src);
  Value = src.As<TEnum>().Value;
}

void TEnum::ToXML(TScriptStream& s) const {
  const char* n = Type().EnumNameOf(Value);
  // A peer's unnamed code must not abort the request it came in: show its number.
  EmitTagAttrLine(s, XMLId, n ? std::string(n) : IntToHex(static_cast<uint8_t>(Value), 2), xmlValue);
}

void TEnum::EncodeToDataPduStr(PduStr& out) const {
  out.push_back(22);
  EncodeToPduStr(out);
}

// ---- SEQUENCE ---------------------------------------------------------------------------

TCOSEMPduBase* TSequence::M(TXMLId id) const {
  const TypeInfo& s = Type().Shape();
  for (uint16_t i = 0; i < s.memberCount && i < Members.size(); ++i)
    if (s.members[i].id == id) return Members[i].get();
  return nullptr;
}

void TSequence::InitDefault() {
  const TypeInfo& s = Type().Shape();
  Members.clear();
  Members.reserve(s.memberCount);
  for (uint16_t i = 0; i < s.memberCount; ++i) {
    const MemberInfo& m = s.members[i];
    Members.push_back(m.optional ? nullptr : Create(*m.type, m.id));
  }
}

void TSequence::DecodePlain(TStringWrapper& w) {
  NestingGuard guard(w);
  const TypeInfo& s = Type().Shape();
  Members.clear();
  Members.reserve(s.memberCount);
  for (uint16_t i = 0; i < s.memberCount; ++i) {
    const MemberInfo& m = s.members[i];
    if (m.optional && w.NextByte() == 0) {
      Members.push_back(nullptr);
      continue;
    }
    Members.push_back(CreateFromPduStr(*m.type, m.id, w));
  }
}

void TSequence::DecodeXml(TXMLParser& p) {
  NestingGuard guard(p);
  const TypeInfo& s = Type().Shape();
  p.XMLAssertStartTagAndNext(XMLId);
  Members.clear();
  Members.reserve(s.memberCount);
  for (uint16_t i = 0; i < s.memberCount; ++i) {
    const MemberInfo& m = s.members[i];
    if (m.optional && !p.IsStartTag(m.id)) {
      Members.push_back(nullptr);
      continue;
    }
    Members.push_back(CreateFromXml(*m.type, m.id, p));
  }
  p.XMLAssertStopTagAndNext(XMLId);
}

// The Data form has no presence octets: the structure count tells how many members
// follow, so only trailing OPTIONAL members can be left out.
void TSequence::DecodeData(TStringWrapper& w) {
  NestingGuard guard(w);
  const TypeInfo& s = Type().Shape();
  w.ExpectByte(static_cast<uint8_t>(DataTag()));
  int count = DecodeVarLengthUnsignedInteger(w);
  if (count > s.memberCount) TStringWrapper::WrongEncoding();
  Members.clear();
  Members.reserve(s.memberCount);
  for (uint16_t i = 0; i < s.memberCount; ++i) {
    const MemberInfo& m = s.members[i];
    if (i >= count) {
      if (!m.optional) TStringWrapper::WrongEncoding();
      Members.push_back(nullptr);
      continue;
    }
    Members.push_back(CreateFromDataPduStr(*m.type, m.id, w));
  }
}

void TSequence::Another(const TCOSEMPduBase& src) {
  TCOSEMPduBase::Another(src);
  const auto& o = src.As<TSequence>();
  Members.clear();
  Members.reserve(o.Members.size());
  for (const auto& m : o.Members) Members.push_back(m ? m->Clone() : nullptr);
}

void TSequence::EncodeToPduStr(PduStr& out) const {
  const TypeInfo& s = Type().Shape();
  for (size_t i = 0; i < Members.size(); ++i) {
    bool optional = i < s.memberCount && s.members[i].optional;
    if (optional) out.push_back(Members[i] ? 1 : 0);
    if (Members[i]) Members[i]->EncodeToPduStr(out);
  }
}

void TSequence::WriteMembersXML(TScriptStream& s) const {
  for (const auto& m : Members)
    if (m) m->ToXML(s);
}

void TSequence::ToXML(TScriptStream& s) const {
  s.XMLOpenTagLn(XMLIdNames[XMLId]);
  ++s.Indent;
  WriteMembersXML(s);
  --s.Indent;
  s.XMLCloseTagLn(XMLIdNames[XMLId]);
}

std::string TSequence::ToXMLNoOuterTag() const {
  TScriptStream s;
  WriteMembersXML(s);
  return s.TakeString();
}

void TSequence::EncodeToDataPduStr(PduStr& out) const {
  size_t present = Members.size();
  while (present > 0 && !Members[present - 1]) --present;
  for (size_t i = 0; i < present; ++i)
    if (!Members[i]) {
      const TypeInfo& s = Type().Shape();
      throw Exception(Format("%s.EncodeToDataPduStr : absent member %s", ClassName(),
                             i < s.memberCount ? XMLIdNames[s.members[i].id] : "?"));
    }
  out.push_back(static_cast<char>(DataTag()));
  EncodeVarLengthUnsignedInteger(out, static_cast<int64_t>(present));
  for (size_t i = 0; i < present; ++i) Members[i]->EncodeToDataPduStr(out);
}

// ---- CHOICE ---------------------------------------------------------------------------------

void TChoice::IllegalTag(int tag) const { throw Exception(Format("%s : illegal Tag %d", ClassName(), tag)); }

void TChoice::RequireValue() const {
  if (!Value) throw Exception(Format("%s : no alternative", ClassName()));
}

void TChoice::CreateVariant(TXMLId variantId, PduPtr v) {
  const AltInfo* a = Type().AltById(variantId);
  if (!a) throw Exception(Format("%s.CreateVariant : illegal choice", ClassName()));
  XMLId = Type().Shape().ownId;
  Tag = a->tag;
  Value = v ? std::move(v) : Create(*a->type, a->id);
}

void TChoice::MakeClone() { ValueClone = Value ? Value->Clone() : nullptr; }

void TChoice::RestoreValue() {
  ZV_ASSERT(ValueClone != nullptr);
  Value = std::move(ValueClone);
}

void TChoice::DecodePlainAlt(TStringWrapper& w, int tag) {
  const AltInfo* a = Type().AltByTag(tag);
  if (!a) IllegalTag(tag);
  Tag = tag;
  Value = CreateFromPduStr(*a->type, a->id, w);
}

void TChoice::DecodePlain(TStringWrapper& w) {
  NestingGuard guard(w);
  DecodePlainAlt(w, w.NextByte());
}

// The Data form is the alternative's own Data form; its Data tag picks the alternative.
void TChoice::DecodeData(TStringWrapper& w) {
  NestingGuard guard(w);
  if (Type().Shape().flags & tfDataFormIsPlain) {
    DecodePlainAlt(w, w.NextByte());
    return;
  }
  int tag = w.Inspect();
  const TypeInfo& s = Type().Shape();
  // An alternative of that exact Data tag first; else one that takes any Data value.
  for (int pass = 0; pass < 2; ++pass) {
    for (uint16_t i = 0; i < s.altCount; ++i) {
      const TypeInfo& at = s.alts[i].type->Shape();
      bool anyData = at.family == Family::Choice && (at.flags & tfDataFormIsPlain);
      if (pass == 0 ? (!anyData && at.dataTag == tag) : anyData) {
        Tag = s.alts[i].tag;
        Value = CreateFromDataPduStr(*s.alts[i].type, s.alts[i].id, w);
        return;
      }
    }
  }
  IllegalTag(tag);
}

void TChoice::DecodeXml(TXMLParser& p) {
  NestingGuard guard(p);
  bool wrapped = XMLId != xmlIgnore;
  if (wrapped) p.XMLAssertStartTagAndNext(XMLId);
  const TypeInfo& s = Type().Shape();
  const AltInfo* found = nullptr;
  if (p.Token() == xtStartTag) {
    TXMLId t = p.Tag();
    for (uint16_t i = 0; i < s.altCount; ++i)
      if (s.alts[i].id == t) {
        found = &s.alts[i];
        break;
      }
  }
  if (!found) p.RaiseXMLError(Format("%s.CreateFromXml : illegal choice", ClassName()));
  Tag = found->tag;
  Value = CreateFromXml(*found->type, found->id, p);
  if (wrapped) p.XMLAssertStopTagAndNext(XMLId);
}

void TChoice::Another(const TCOSEMPduBase& src) {
  TCOSEMPduBase::Another(src);
  const auto& o = src.As<TChoice>();
  Tag = o.Tag;
  Value = o.Value ? o.Value->Clone() : nullptr;
  ValueClone.reset();
}

void TChoice::EncodeToPduStr(PduStr& out) const {
  RequireValue();
  out.push_back(static_cast<char>(Tag));
  Value->EncodeToPduStr(out);
}

void TChoice::WriteAlternativeXML(TScriptStream& s) const {
  RequireValue();
  Value->ToXML(s);
}

void TChoice::ToXML(TScriptStream& s) const {
  RequireValue();
  if (XMLId == xmlIgnore) {
    Value->ToXML(s);
    return;
  }
  s.XMLOpenTagLn(XMLIdNames[XMLId]);
  ++s.Indent;
  Value->ToXML(s);
  --s.Indent;
  s.XMLCloseTagLn(XMLIdNames[XMLId]);
}

bool TChoice::EqualType(const TCOSEMPduBase& x) const {
  const auto* o = dynamic_cast<const TChoice*>(&x);
  if (!o || o->Tag != Tag) return false;
  if (!Value || !o->Value) return !Value && !o->Value;
  return Value->EqualType(*o->Value);
}

void TChoice::EncodeToDataPduStr(PduStr& out) const {
  RequireValue();
  if (Type().Shape().flags & tfDataFormIsPlain) {
    EncodeToPduStr(out);
    return;
  }
  Value->EncodeToDataPduStr(out);
}

// ---- SEQUENCE OF ------------------------------------------------------------------------------

TCOSEMPduBase* TSequenceOf::Elements(int index) const {
  if (index < 0 || index >= ElementCount()) throw EListError(Format("List index out of bounds (%d)", index));
  return FElements[static_cast<size_t>(index)].get();
}

void TSequenceOf::AtFree(int index) {
  Elements(index);
  FElements.erase(FElements.begin() + index);
}

void TSequenceOf::FreeRange(int fromIndex, int count) {
  if (count <= 0) return;
  Elements(fromIndex);
  Elements(fromIndex + count - 1);
  FElements.erase(FElements.begin() + fromIndex, FElements.begin() + fromIndex + count);
}

void TSequenceOf::Sort(const Comparer& cmp) {
  std::stable_sort(FElements.begin(), FElements.end(),
                   [&](const PduPtr& a, const PduPtr& b) { return cmp(*a, *b) < 0; });
}

bool TSequenceOf::Search(const TCOSEMPduBase& item, int& index, const Comparer& cmp) const {
  int lo = 0, hi = ElementCount() - 1;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    int c = cmp(*FElements[static_cast<size_t>(mid)], item);
    if (c < 0) {
      lo = mid + 1;
    } else if (c > 0) {
      hi = mid - 1;
    } else {
      index = mid;
      return true;
    }
  }
  index = lo;
  return false;
}

void TSequenceOf::LoadFromPduElementsOfType(TStringWrapper& w, TXMLId elemId, const TypeInfo& elemType) {
  NestingGuard guard(w);
  int n = DecodeVarLengthUnsignedInteger(w);
  // Every element takes at least one octet, except empty ones; never trust the count to size memory.
  for (int i = 0; i < n; ++i) Add(CreateFromPduStr(elemType, elemId, w));
}

void TSequenceOf::LoadFromDataPduElementsOfType(TStringWrapper& w, TXMLId elemId, const TypeInfo& elemType) {
  NestingGuard guard(w);
  w.ExpectByte(static_cast<uint8_t>(DataTag()));
  int n = DecodeVarLengthUnsignedInteger(w);
  for (int i = 0; i < n; ++i) Add(CreateFromDataPduStr(elemType, elemId, w));
}

void TSequenceOf::LoadFromXmlElementsOfTag(TXMLParser& p, TXMLId elemId, const TypeInfo& elemType) {
  NestingGuard guard(p);
  bool isChoice = elemType.InheritsFrom(TChoice_Type) || elemType.Shape().family == Family::Choice;
  p.XMLAssertStartTag(XMLId);
  std::string qty = p.XMLGetAttributeValue(xmlQty);
  int expected = -1;
  if (UpperCase(qty) != "AUTO") expected = StrToInt("$" + qty);
  p.Next();
  while (p.Token() == xtStartTag) Add(CreateFromXml(elemType, isChoice ? xmlIgnore : elemId, p));
  if (p.Token() == xtUnknown) p.RaiseXMLError("UnexpectedKeyword");
  if (expected >= 0 && expected != ElementCount())
    p.RaiseXMLError(Format("ExpectedQty=%d, ActualQty=%d", expected, ElementCount()));
  p.XMLAssertStopTagAndNext(XMLId);
}

void TSequenceOf::SaveToXml(TScriptStream& s) const {
  std::string open = Format("%s %s=\"%s\" ", XMLIdNames[XMLId], XMLIdNames[xmlQty],
                            IntToHex(static_cast<uint64_t>(ElementCount()), 4).c_str());
  s.XMLOpenTagLn(open);
  ++s.Indent;
  for (const auto& e : FElements) {
    if (auto* c = dynamic_cast<const TChoice*>(e.get())) c->WriteAlternativeXML(s);
    else e->ToXML(s);
    if (s.LineNotEmpty) s.EmitLn("");
  }
  --s.Indent;
  s.XMLCloseTagLn(XMLIdNames[XMLId]);
}

void TSequenceOf::DecodePlain(TStringWrapper& w) {
  const TypeInfo& s = Type().Shape();
  FElements.clear();
  LoadFromPduElementsOfType(w, s.elemId, *s.elemType);
}

void TSequenceOf::DecodeXml(TXMLParser& p) {
  const TypeInfo& s = Type().Shape();
  FElements.clear();
  LoadFromXmlElementsOfTag(p, s.elemId, *s.elemType);
}

void TSequenceOf::DecodeData(TStringWrapper& w) {
  const TypeInfo& s = Type().Shape();
  FElements.clear();
  LoadFromDataPduElementsOfType(w, s.elemId, *s.elemType);
}

void TSequenceOf::Another(const TCOSEMPduBase& src) {
  TCOSEMPduBase::Another(src);
  const auto& o = src.As<TSequenceOf>();
  FElements.clear();
  FElements.reserve(o.FElements.size());
  for (const auto& e : o.FElements) FElements.push_back(e->Clone());
}

void TSequenceOf::EncodeToPduStr(PduStr& out) const {
  EncodeVarLengthUnsignedInteger(out, ElementCount());
  for (const auto& e : FElements) e->EncodeToPduStr(out);
}

bool TSequenceOf::EqualType(const TCOSEMPduBase& x) const {
  const auto* o = dynamic_cast<const TSequenceOf*>(&x);
  if (!o || o->ElementCount() != ElementCount()) return false;
  for (size_t i = 0; i < FElements.size(); ++i)
    if (!FElements[i]->EqualType(*o->FElements[i])) return false;
  return true;
}

int TSequenceOf::DataTag() const {
  int tag = Type().Shape().dataTag;
  return tag < 0 ? 1 : tag;
}

void TSequenceOf::EncodeToDataPduStr(PduStr& out) const {
  out.push_back(static_cast<char>(DataTag()));
  EncodeVarLengthUnsignedInteger(out, ElementCount());
  for (const auto& e : FElements) e->EncodeToDataPduStr(out);
}

}  // namespace zv
