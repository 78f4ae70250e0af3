// The xDLMS conformance block: 24 bits, one per service or capability, BER-coded
// with its APPLICATION tag and written in XML as one named element per set bit.
#pragma once
#include <string_view>

#include "apdu/ber.h"

namespace zv {

extern const TypeInfo T_Conformance;

// Bit numbers the server tests.
enum TConformanceBit : int {
  cbGeneralBlockTransfer = 2,
  cbBlockTransferWithGetOrRead = 11,
  cbMultipleReferences = 14,
};

class TConformance : public TBERBitStr {
 public:
  TConformance(const TypeInfo& t, TXMLId id) : TBERBitStr(t, id) {}
  // The element of each set bit.
  TXMLId BitXMLId = xmlConformanceBit;

  // The bit number of a name; "T_Conformance.NameToValue, no such name %s" otherwise.
  static int NameToValue(std::string_view name);
  // The name of bit 0 to 23; "T_Conformance.ValueToName, illegal value %d" otherwise.
  static const char* ValueToName(int value);
  void SetDefaultValue() { Value.assign(24, '0'); }

  void DecodePlain(TStringWrapper& w) override;
  void DecodeXml(TXMLParser& p) override;
  void Another(const TCOSEMPduBase& src) override;
  void EncodeToPduStr(PduStr& out) const override;
  void ToXML(TScriptStream& s) const override;
};

}  // namespace zv
