#include "foundation/data_helper.h"

namespace zv {

namespace {

const TCOSEMPduBase& Alternative(const TData& d) {
  if (!d.Value) throw EInvalidCast("Invalid class typecast");
  return *d.Value;
}

template <class T>
T& AltAs(const TData& d, const TypeInfo& t) {
  const TCOSEMPduBase& v = Alternative(d);
  if (!v.IsA(t)) throw EInvalidCast("Invalid class typecast");
  return const_cast<T&>(v.As<T>());
}

}  // namespace

TSequenceOf& TDataHelper::AsArray(const TData& d) { return AltAs<TSequenceOf>(d, T_Array); }
TSequenceOf& TDataHelper::AsStructure(const TData& d) { return AltAs<TSequenceOf>(d, T_Structure); }
TOctetString& TDataHelper::AsOctetString(const TData& d) { return AltAs<TOctetString>(d, T_OctetString); }
TNumber& TDataHelper::AsUnsigned16(const TData& d) { return AltAs<TNumber>(d, T_Unsigned16); }
const PduStr& TDataHelper::OctetStringValue(const TData& d) { return AsOctetString(d).Value; }
uint16_t TDataHelper::Unsigned16Value(const TData& d) { return static_cast<uint16_t>(AsUnsigned16(d).AsUInt64()); }
uint32_t TDataHelper::Unsigned32Value(const TData& d) {
  return static_cast<uint32_t>(AltAs<TNumber>(d, T_Unsigned32).AsUInt64());
}
int8_t TDataHelper::Integer8Value(const TData& d) {
  return static_cast<int8_t>(AltAs<TNumber>(d, T_Integer8).AsInt64());
}
uint8_t TDataHelper::EnumValue(const TData& d) { return static_cast<uint8_t>(AltAs<TNumber>(d, T_Enum).AsUInt64()); }

bool TDataHelper::IsArray(const TData& d) { return d.Value && d.Value->IsA(T_Array); }

bool TDataHelper::IsStructureOf(const TData& d, int count) {
  return d.Value && d.Value->IsA(T_Structure) && d.Value->As<TSequenceOf>().ElementCount() == count;
}

std::unique_ptr<TData> TDataHelper::MakeFromPduStr(std::string_view pdu) {
  TStringWrapper w(pdu);
  PduPtr p = CreateFromPduStr(T_Data, xml_Data, w);
  return std::unique_ptr<TData>(static_cast<TData*>(p.release()));
}

std::unique_ptr<TData> TDataHelper::MakeFromXml(std::string_view xml) {
  PduPtr p = MakeAnyFromXml(xmlData, T_Data, xml);
  return std::unique_ptr<TData>(static_cast<TData*>(p.release()));
}

std::unique_ptr<TData> TDataHelper::MakeFromPdu(const TCOSEMPduBase& pdu) {
  PduStr s;
  pdu.EncodeToDataPduStr(s);
  TStringWrapper w(s);
  PduPtr p = CreateFromPduStr(T_Data, xmlData, w);
  return std::unique_ptr<TData>(static_cast<TData*>(p.release()));
}

std::string TDataHelper::ValueToXMLString(const TData& d) {
  TScriptStream s;
  Alternative(d).ToXML(s);
  return RemoveTrailingCRLF(s.TakeString());
}

bool TDataHelper::SameTypeAs(const TData& self, const TData& other) {
  if (!self.Value || !other.Value) return !self.Value && !other.Value;
  if (&self.Value->Type() != &other.Value->Type()) return false;
  if (self.Value->IsA(T_Array)) {
    const auto& a = self.Value->As<TSequenceOf>();
    const auto& t = other.Value->As<TSequenceOf>();
    if (a.ElementCount() == 0) return true;
    if (t.ElementCount() == 0) return false;
    const auto* tmpl = dynamic_cast<const TData*>(t.FElements[0].get());
    for (const auto& e : a.FElements) {
      const auto* de = dynamic_cast<const TData*>(e.get());
      if (!de || !tmpl || !SameTypeAs(*de, *tmpl)) return false;
    }
    return true;
  }
  if (self.Value->IsA(T_Structure)) {
    const auto& a = self.Value->As<TSequenceOf>();
    const auto& t = other.Value->As<TSequenceOf>();
    if (a.ElementCount() != t.ElementCount()) return false;
    for (size_t i = 0; i < a.FElements.size(); ++i) {
      const auto* x = dynamic_cast<const TData*>(a.FElements[i].get());
      const auto* y = dynamic_cast<const TData*>(t.FElements[i].get());
      if (!x || !y || !SameTypeAs(*x, *y)) return false;
    }
    return true;
  }
  return true;
}

void TDataHelper::CheckType(const TData& self, std::string_view xmlTemplate, const std::string& msg) {
  auto tmpl = MakeFromXml(xmlTemplate);
  if (!SameTypeAs(self, *tmpl)) throw Exception(msg);
}

std::unique_ptr<TData> TDataHelper::Make(TXMLId variant, PduPtr value) {
  auto d = std::make_unique<TData>(T_Data, xml_Data);
  d->CreateVariant(variant, std::move(value));
  d->Value->XMLId = variant;  // the alternative's element carries the alternative's name
  return d;
}

TData* GetDataElement(const TSequenceOf& list, int index) {
  if (index < 0 || index >= list.ElementCount()) return nullptr;
  auto* e = list.FElements[static_cast<size_t>(index)].get();
  return e->IsA(T_Data) ? static_cast<TData*>(e) : nullptr;
}

PduPtr MakeNumber(const TypeInfo& type, int64_t value, TXMLId id) {
  PduPtr p = Create(type, id == xmlIgnore ? type.ownId : id);
  p->As<TNumber>().SetInt64(value);
  return p;
}

PduPtr MakeOctets(const TypeInfo& type, std::string_view value, TXMLId id) {
  PduPtr p = Create(type, id == xmlIgnore ? type.ownId : id);
  p->As<TOctetString>().Value = value;
  return p;
}

}  // namespace zv
