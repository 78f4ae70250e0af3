// The codec engine. Every value (A-XDR data, APDUs, interface-class objects) is an object
// of one of a few family classes, described by a TypeInfo: its class name, family, parent,
// own XML id, Data tag, members, alternatives, code names and element type. One engine
// per family implements the three forms (plain octets, A-XDR Data form, XML).
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/errors.h"
#include "foundation/misc.h"
#include "foundation/script_stream.h"
#include "foundation/xml_ids.h"
#include "foundation/xml_parser.h"

namespace zv {

class TCOSEMPduBase;
using PduPtr = std::unique_ptr<TCOSEMPduBase>;
struct TypeInfo;

enum class Family : uint8_t {
  Abstract,     // a structural base or a class that is never made (TSequence, TCOSEMInstance)
  Number,       // fixed-size number
  OctetString,
  Enumerated,
  Sequence,
  Choice,
  SequenceOf,
  BitStr,
  Null,
  Derived,      // codes exactly as its parent; differs only in class name
  Custom,       // hand-written class; alloc makes it
};

enum class NumKind : uint8_t { Bool, I8, U8, I16, U16, I32, U32, I64, U64, F32, F64 };

struct MemberInfo {
  TXMLId id;
  const TypeInfo* type;
  bool optional;
};

struct AltInfo {
  int tag;
  TXMLId id;
  const TypeInfo* type;
};

struct EnumName {
  int value;
  const char* name;
};

enum TypeFlags : uint8_t {
  tfRegisterSequence = 1,  // listed as a composite element in the editor scheme
  tfDataFormIsPlain = 2,   // the Data choice: its Data form is its plain form
};

// "Class reference": a descriptor of a concrete codec class.
struct TypeInfo {
  const char* name = nullptr;  // class name, e.g. "T_GetRequestNormal"
  Family family = Family::Abstract;
  const TypeInfo* parent = nullptr;
  TXMLId ownId = xmlIgnore;  // xml_<Type>
  int16_t dataTag = -1;      // -1: the class has no Data form
  NumKind numKind = NumKind::U8;
  int32_t size = -1;  // octet strings: fixed size, or -1 for a length prefix
  uint8_t flags = 0;
  const MemberInfo* members = nullptr;
  uint16_t memberCount = 0;
  const AltInfo* alts = nullptr;
  uint16_t altCount = 0;
  const EnumName* names = nullptr;
  uint16_t nameCount = 0;
  const TypeInfo* elemType = nullptr;
  TXMLId elemId = xmlIgnore;
  // Makes an empty object of the C++ class that implements this type (custom classes).
  TCOSEMPduBase* (*alloc)(const TypeInfo&, TXMLId) = nullptr;
  // Interface classes: COSEM class id and version; extra data of higher layers.
  int16_t classId = -1;
  int16_t classVersion = -1;
  const void* extra = nullptr;

  // The type that gives the shape: derived types code as their base.
  const TypeInfo& Shape() const {
    const TypeInfo* t = this;
    while (t->family == Family::Derived) t = t->parent;
    return *t;
  }
  bool InheritsFrom(const TypeInfo& base) const {
    for (const TypeInfo* t = this; t; t = t->parent)
      if (t == &base) return true;
    return false;
  }
  const char* EnumNameOf(int value) const;
  const AltInfo* AltByTag(int tag) const;
  const AltInfo* AltById(TXMLId id) const;
};

// Structural bases, for class tests ("of class X or derived from it").
extern const TypeInfo TCOSEMPduBase_Type, TSequence_Type, TChoice_Type, TSequenceOf_Type,
    TOctetString_Type, TBitStr_Type, TNull_Type, TEnum_Type, TNumber_Type;

// Decoders refuse nesting deeper than this (a peer could otherwise overflow the stack).
inline constexpr int kMaxNesting = 100;

class TCOSEMPduBase {
 public:
  TCOSEMPduBase(const TypeInfo& type, TXMLId id) : FType(&type), XMLId(id) {}
  virtual ~TCOSEMPduBase() = default;
  TCOSEMPduBase(const TCOSEMPduBase&) = delete;
  TCOSEMPduBase& operator=(const TCOSEMPduBase&) = delete;

  const TypeInfo& Type() const { return *FType; }
  const char* ClassName() const { return FType->name; }
  bool IsA(const TypeInfo& t) const { return FType->InheritsFrom(t); }

  // Initialisers behind the virtual constructors (the object is already allocated).
  virtual void InitDefault() {}
  virtual void DecodePlain(TStringWrapper& w) = 0;
  virtual void DecodeXml(TXMLParser& p) = 0;
  virtual void DecodeData(TStringWrapper& w);
  // Copies the source's own fields (deep); the "copy constructor".
  virtual void Another(const TCOSEMPduBase& src);

  virtual void EncodeToPduStr(PduStr& out) const = 0;
  virtual void EncodeToPduStrNoLen(PduStr& out) const { EncodeToPduStr(out); }
  virtual void ToXML(TScriptStream& s) const = 0;
  virtual bool CheckRange(int64_t low, int64_t high) const;
  virtual int CompareTo(const TCOSEMPduBase& x) const;
  virtual bool EqualType(const TCOSEMPduBase& x) const;
  virtual int DataTag() const;
  virtual void EncodeToDataPduStr(PduStr& out) const;

  std::string FriendlyName() const;
  PduPtr Clone() const;

  std::string ToXMLString() const;
  std::vector<std::string> ToStringList(int indent) const;
  void AddXmlToLines(int indent, std::vector<std::string>& lines) const;
  int PDUSize() const;
  bool IsEqual(const TCOSEMPduBase& x) const;
  PduStr Encode() const {
    PduStr s;
    EncodeToPduStr(s);
    return s;
  }
  PduStr EncodeData() const {
    PduStr s;
    EncodeToDataPduStr(s);
    return s;
  }

  static void EmitTagAttrLine(TScriptStream& s, TXMLId tag, std::string_view value, TXMLId attr);
  [[noreturn]] void NotImplemented(const char* operation) const;

  template <class T>
  T& As() {
    auto* p = dynamic_cast<T*>(this);
    if (!p) throw EInvalidCast("Invalid class typecast");
    return *p;
  }
  template <class T>
  const T& As() const {
    auto* p = dynamic_cast<const T*>(this);
    if (!p) throw EInvalidCast("Invalid class typecast");
    return *p;
  }

 private:
  const TypeInfo* FType;

 public:
  TXMLId XMLId;
};

// The virtual constructors: make an object of a class known only at run time.
PduPtr Create(const TypeInfo& t, TXMLId id);
PduPtr CreateFromPduStr(const TypeInfo& t, TXMLId id, TStringWrapper& w);
PduPtr CreateFromXml(const TypeInfo& t, TXMLId id, TXMLParser& p);
PduPtr CreateFromDataPduStr(const TypeInfo& t, TXMLId id, TStringWrapper& w);
PduPtr MakeAnyFromPdu(TXMLId id, const TypeInfo& t, std::string_view pdu);
PduPtr MakeAnyFromXml(TXMLId id, const TypeInfo& t, std::string_view xml);
PduPtr MakeAnyFromData(TXMLId id, const TypeInfo& t, std::string_view pdu);
std::string Clean(TXMLId id, const TypeInfo& t, std::string_view xml);

// A-XDR variable-length unsigned integer (lengths and counts).
void EncodeVarLengthUnsignedInteger(PduStr& out, int64_t value);
int DecodeVarLengthUnsignedInteger(TStringWrapper& w);

// Counts nesting while decoding; refuses what is too deep.
class NestingGuard {
 public:
  explicit NestingGuard(TStringWrapper& w);
  explicit NestingGuard(TXMLParser& p);
  ~NestingGuard() { --*counter_; }
  NestingGuard(const NestingGuard&) = delete;
  NestingGuard& operator=(const NestingGuard&) = delete;

 private:
  int* counter_;
};

// ---- Family classes --------------------------------------------------------

class TNumber : public TCOSEMPduBase {
 public:
  using TCOSEMPduBase::TCOSEMPduBase;
  NumKind Kind() const { return Type().Shape().numKind; }
  int Size() const;

  int64_t AsInt64() const;    // sign-extended for signed kinds
  uint64_t AsUInt64() const;  // zero-extended raw octets
  double AsDouble() const;
  bool AsBool() const { return FRaw != 0; }
  void SetInt64(int64_t v);   // truncated to the size
  void SetUInt64(uint64_t v) { SetInt64(static_cast<int64_t>(v)); }
  void SetDouble(double v);
  uint64_t Raw() const { return FRaw; }

  void DecodePlain(TStringWrapper& w) override;
  void DecodeXml(TXMLParser& p) override;
  void DecodeData(TStringWrapper& w) override;
  void Another(const TCOSEMPduBase& src) override;
  void EncodeToPduStr(PduStr& out) const override;
  void ToXML(TScriptStream& s) const override;
  bool CheckRange(int64_t low, int64_t high) const override;
  int CompareTo(const TCOSEMPduBase& x) const override;
  void EncodeToDataPduStr(PduStr& out) const override;

 private:
  uint64_t FRaw = 0;
};

class TOctetString : public TCOSEMPduBase {
 public:
  TOctetString(const TypeInfo& t, TXMLId id) : TCOSEMPduBase(t, id), Size(t.Shape().size) {}
  PduStr Value;
  int Size;

  void LoadFromPduStr(TStringWrapper& w);
  void LoadFromXml(TXMLParser& p);
  void DecodePlain(TStringWrapper& w) override;
  void DecodeXml(TXMLParser& p) override;
  void DecodeData(TStringWrapper& w) override;
  void Another(const TCOSEMPduBase& src) override;
  void EncodeToPduStr(PduStr& out) const override;
  void ToXML(TScriptStream& s) const override;
  int CompareTo(const TCOSEMPduBase& x) const override;
  void EncodeToDataPduStr(PduStr& out) const override;
};

class TBitStr : public TCOSEMPduBase {
 public:
  using TCOSEMPduBase::TCOSEMPduBase;
  std::string Value;  // "0"/"1" characters, first = most significant bit of the first octet

  void DecodePlain(TStringWrapper& w) override;
  void DecodeXml(TXMLParser& p) override;
  void DecodeData(TStringWrapper& w) override;
  void Another(const TCOSEMPduBase& src) override;
  void EncodeToPduStr(PduStr& out) const override;
  void ToXML(TScriptStream& s) const override;
  void EncodeToDataPduStr(PduStr& out) const override;
};

class TNull : public TCOSEMPduBase {
 public:
  using TCOSEMPduBase::TCOSEMPduBase;
  void DecodePlain(TStringWrapper&) override {}
  void DecodeXml(TXMLParser& p) override { p.XMLAssertStartTagAndNext(XMLId); }
  void DecodeData(TStringWrapper& w) override;
  void EncodeToPduStr(PduStr&) const override {}
  void ToXML(TScriptStream& s) const override;
  void EncodeToDataPduStr(PduStr& out) const override;
};

// ENUMERATED: one octet with named codes.
class TEnum : public TCOSEMPduBase {
 public:
  using TCOSEMPduBase::TCOSEMPduBase;
  int32_t Value = 0;

  // The name of a code; ": illegal enum value" when it has none.
  static std::string GetString(const TypeInfo& t, int value);
  std::string GetString() const { return GetString(Type(), Value); }

  void DecodePlain(TStringWrapper& w) override { Value = w.NextByte(); }
  void DecodeXml(TXMLParser& p) override;
  void DecodeData(TStringWrapper& w) override;
  void Another(const TCOSEMPduBase& src) override;
  void EncodeToPduStr(PduStr& out) const override { out.push_back(static_cast<char>(Value)); }
  void ToXML(TScriptStream& s) const override;
  void EncodeToDataPduStr(PduStr& out) const override;
};

class TSequence : public TCOSEMPduBase {
 public:
  using TCOSEMPduBase::TCOSEMPduBase;
  // In declared order; an empty entry is an absent OPTIONAL member.
  std::vector<PduPtr> Members;

  TCOSEMPduBase* Member(size_t i) const { return i < Members.size() ? Members[i].get() : nullptr; }
  // The member made with this XML id, or null.
  TCOSEMPduBase* M(TXMLId id) const;
  template <class T>
  T& Get(size_t i) const {
    if (!Member(i)) throw EInvalidCast("Invalid class typecast");
    return Members[i]->As<T>();
  }
  void SetMember(size_t i, PduPtr value) { Members.at(i) = std::move(value); }

  void InitDefault() override;
  void DecodePlain(TStringWrapper& w) override;
  void DecodeXml(TXMLParser& p) override;
  void DecodeData(TStringWrapper& w) override;
  void Another(const TCOSEMPduBase& src) override;
  void EncodeToPduStr(PduStr& out) const override;
  void ToXML(TScriptStream& s) const override;
  void EncodeToDataPduStr(PduStr& out) const override;
  std::string ToXMLNoOuterTag() const;

 protected:
  void WriteMembersXML(TScriptStream& s) const;
};

class TChoice : public TCOSEMPduBase {
 public:
  using TCOSEMPduBase::TCOSEMPduBase;
  int Tag = -1;
  PduPtr Value;
  PduPtr ValueClone;

  // Sets the alternative with this id; V (or, when null, a default one) becomes ours.
  void CreateVariant(TXMLId variantId, PduPtr v = nullptr);
  bool IsA(const TypeInfo& t) const { return Value && Value->IsA(t); }
  void MakeClone();
  void RestoreValue();
  // Writes the alternative's element alone (a CHOICE inside a list).
  void WriteAlternativeXML(TScriptStream& s) const;

  void DecodePlain(TStringWrapper& w) override;
  void DecodeXml(TXMLParser& p) override;
  void DecodeData(TStringWrapper& w) override;
  void Another(const TCOSEMPduBase& src) override;
  void EncodeToPduStr(PduStr& out) const override;
  void ToXML(TScriptStream& s) const override;
  bool EqualType(const TCOSEMPduBase& x) const override;
  void EncodeToDataPduStr(PduStr& out) const override;

 protected:
  const TypeInfo& AltClass(const AltInfo& a) const { return *a.type; }
  void DecodePlainAlt(TStringWrapper& w, int tag);
  [[noreturn]] void IllegalTag(int tag) const;
  void RequireValue() const;
};

class TSequenceOf : public TCOSEMPduBase {
 public:
  using TCOSEMPduBase::TCOSEMPduBase;
  std::vector<PduPtr> FElements;

  void Add(PduPtr item) { FElements.push_back(std::move(item)); }
  int ElementCount() const { return static_cast<int>(FElements.size()); }
  TCOSEMPduBase* Elements(int index) const;
  void AtFree(int index);
  void FreeRange(int fromIndex, int count);
  void Clear() { FElements.clear(); }
  using Comparer = std::function<int(const TCOSEMPduBase&, const TCOSEMPduBase&)>;
  void Sort(const Comparer& cmp);
  bool Search(const TCOSEMPduBase& item, int& index, const Comparer& cmp) const;

  void LoadFromPduElementsOfType(TStringWrapper& w, TXMLId elemId, const TypeInfo& elemType);
  void LoadFromDataPduElementsOfType(TStringWrapper& w, TXMLId elemId, const TypeInfo& elemType);
  void LoadFromXmlElementsOfTag(TXMLParser& p, TXMLId elemId, const TypeInfo& elemType);
  void SaveToXml(TScriptStream& s) const;

  void DecodePlain(TStringWrapper& w) override;
  void DecodeXml(TXMLParser& p) override;
  void DecodeData(TStringWrapper& w) override;
  void Another(const TCOSEMPduBase& src) override;
  void EncodeToPduStr(PduStr& out) const override;
  void ToXML(TScriptStream& s) const override { SaveToXml(s); }
  bool EqualType(const TCOSEMPduBase& x) const override;
  int DataTag() const override;
  void EncodeToDataPduStr(PduStr& out) const override;
};

// ---- Descriptor builders (constant-initialised; no start-up order) ----------

constexpr TypeInfo NumberType(const char* name, TXMLId own, NumKind kind, int dataTag,
                              const TypeInfo* parent = &TNumber_Type) {
  TypeInfo t;
  t.name = name;
  t.family = Family::Number;
  t.parent = parent;
  t.ownId = own;
  t.dataTag = static_cast<int16_t>(dataTag);
  t.numKind = kind;
  return t;
}

constexpr TypeInfo OctetStringType(const char* name, TXMLId own, int size, int dataTag) {
  TypeInfo t;
  t.name = name;
  t.family = Family::OctetString;
  t.parent = &TOctetString_Type;
  t.ownId = own;
  t.dataTag = static_cast<int16_t>(dataTag);
  t.size = size;
  return t;
}

template <size_t N>
constexpr TypeInfo EnumType(const char* name, TXMLId own, const EnumName (&names)[N]) {
  TypeInfo t;
  t.name = name;
  t.family = Family::Enumerated;
  t.parent = &TEnum_Type;
  t.ownId = own;
  t.dataTag = 22;
  t.names = names;
  t.nameCount = static_cast<uint16_t>(N);
  return t;
}

template <size_t N>
constexpr TypeInfo SequenceType(const char* name, TXMLId own, const MemberInfo (&members)[N],
                                int dataTag = 2, const TypeInfo* parent = &TSequence_Type) {
  TypeInfo t;
  t.name = name;
  t.family = Family::Sequence;
  t.parent = parent;
  t.ownId = own;
  t.dataTag = static_cast<int16_t>(dataTag);
  t.members = members;
  t.memberCount = static_cast<uint16_t>(N);
  return t;
}

template <size_t N>
constexpr TypeInfo ChoiceType(const char* name, TXMLId own, const AltInfo (&alts)[N]) {
  TypeInfo t;
  t.name = name;
  t.family = Family::Choice;
  t.parent = &TChoice_Type;
  t.ownId = own;
  t.alts = alts;
  t.altCount = static_cast<uint16_t>(N);
  return t;
}

constexpr TypeInfo SequenceOfType(const char* name, TXMLId own, const TypeInfo& elem, TXMLId elemId,
                                  int dataTag = 1) {
  TypeInfo t;
  t.name = name;
  t.family = Family::SequenceOf;
  t.parent = &TSequenceOf_Type;
  t.ownId = own;
  t.dataTag = static_cast<int16_t>(dataTag);
  t.elemType = &elem;
  t.elemId = elemId;
  return t;
}

constexpr TypeInfo DerivedType(const char* name, TXMLId own, const TypeInfo& base) {
  TypeInfo t;
  t.name = name;
  t.family = Family::Derived;
  t.parent = &base;
  t.ownId = own;
  return t;
}

constexpr MemberInfo Mem(TXMLId id, const TypeInfo& type) { return {id, &type, false}; }
constexpr MemberInfo Opt(TXMLId id, const TypeInfo& type) { return {id, &type, true}; }
constexpr AltInfo Alt(int tag, TXMLId id, const TypeInfo& type) { return {tag, id, &type}; }

// A list of descriptors, for the class registry and descriptor-wide checks.
struct TypeTable {
  const TypeInfo* const* types;
  size_t count;
};

}  // namespace zv
