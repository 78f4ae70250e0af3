// BER value types of the ACSE APDUs: object identifiers restricted to the DLMS names,
// BIT STRING and OCTET STRING. Their plain form is a BER element's length and content;
// the APDU that holds a field writes its tag.
#pragma once
#include <cstdint>
#include <string_view>

#include "foundation/codec.h"

namespace zv {

// The application context names (LN .. SN_WITH_CIPHERING) and authentication mechanism
// names (NO_SECURITY .. HIGH_SECURITY_ECDSA) of DLMS; the ordinals are compared by callers.
enum class TObjectIdentifier : uint8_t {
  UNKNOWN,
  LN,
  SN,
  LN_WITH_CIPHERING,
  SN_WITH_CIPHERING,
  NO_SECURITY,
  LOW_SECURITY,
  HIGH_SECURITY,
  HIGH_SECURITY_MD5,
  HIGH_SECURITY_SHA1,
  HIGH_SECURITY_GMAC,
  HIGH_SECURITY_SHA256,
  HIGH_SECURITY_ECDSA,
};
inline constexpr int kObjectIdentifierCount = 13;

// The identifier text of a value ("LN", "HIGH_SECURITY_GMAC", "UNKNOWN").
const char* ObjectIdentifierName(TObjectIdentifier value);

// Appends the BER encoding (length octet and content) of an object identifier written in
// brace form, e.g. "{2, 16, 756, 5, 8, 1, 1}"; lexical errors are ELexError.
void EncodeObjectIdentifierText(std::string_view text, PduStr& out);

// Descriptor of a hand-written class C of this library: made by its own allocator.
template <class C>
TCOSEMPduBase* AllocOf(const TypeInfo& t, TXMLId id) {
  return new C(t, id);
}
constexpr TypeInfo CustomType(const char* name, TXMLId own, const TypeInfo& parent,
                              TCOSEMPduBase* (*alloc)(const TypeInfo&, TXMLId)) {
  TypeInfo t;
  t.name = name;
  t.family = alloc ? Family::Custom : Family::Abstract;
  t.parent = &parent;
  t.ownId = own;
  t.alloc = alloc;
  return t;
}

// Structural bases of the BER field classes, for class tests.
extern const TypeInfo TBERObjectIdentifier_Type, TBERBitStr_Type, TBEROctetStr_Type;

// Object identifier fields.
extern const TypeInfo T_ApplicationContextName, T_MechanismName;
// Bit string fields (T_Conformance is in conformance.h).
extern const TypeInfo T_ProtocolVersion, T_ACSERequirement;
// Octet string fields.
extern const TypeInfo T_APTitle, T_AEQualifier, T_AuthenticationValue, T_ImplementationData;

class TBERObjectIdentifier : public TCOSEMPduBase {
 public:
  using TCOSEMPduBase::TCOSEMPduBase;
  TObjectIdentifier Value = TObjectIdentifier::UNKNOWN;

  void LoadFromPDUStr(TStringWrapper& w);
  void LoadFromXml(TXMLParser& p);
  const char* GetValueStr() const { return ObjectIdentifierName(Value); }
  // True when both are absent, or both present with the same value.
  static bool Equal(const TBERObjectIdentifier* o1, const TBERObjectIdentifier* o2);

  void DecodePlain(TStringWrapper& w) override { LoadFromPDUStr(w); }
  void DecodeXml(TXMLParser& p) override;
  void DecodeData(TStringWrapper& w) override;
  void Another(const TCOSEMPduBase& src) override;
  void EncodeToPduStr(PduStr& out) const override;
  void ToXML(TScriptStream& s) const override;
  void EncodeToDataPduStr(PduStr& out) const override;
};

// A BER BIT STRING; character 1 of Value is bit 0, the most significant bit of the first octet.
class TBERBitStr : public TCOSEMPduBase {
 public:
  using TCOSEMPduBase::TCOSEMPduBase;
  std::string Value;

  void LoadPduStr(TStringWrapper& w);
  // Bit BitNr (0-based) is present and '1'.
  bool IsSet(int bitNr) const;
  // Clears every bit that S has as '0', over the length both have.
  void IntersectWith(const TBERBitStr& s);

  void DecodePlain(TStringWrapper& w) override { LoadPduStr(w); }
  void DecodeXml(TXMLParser& p) override;
  void DecodeData(TStringWrapper& w) override;
  void Another(const TCOSEMPduBase& src) override;
  void EncodeToPduStr(PduStr& out) const override;
  void ToXML(TScriptStream& s) const override;
  void EncodeToDataPduStr(PduStr& out) const override;
};

// A BER OCTET STRING (or graphic string) with a definite length.
class TBEROctetStr : public TCOSEMPduBase {
 public:
  using TCOSEMPduBase::TCOSEMPduBase;
  PduStr Value;

  void LoadFromPduStr(TStringWrapper& w);
  void LoadFromXml(TXMLParser& p);

  void DecodePlain(TStringWrapper& w) override { LoadFromPduStr(w); }
  void DecodeXml(TXMLParser& p) override;
  void Another(const TCOSEMPduBase& src) override;
  void EncodeToPduStr(PduStr& out) const override;
  void ToXML(TScriptStream& s) const override;
};

}  // namespace zv
