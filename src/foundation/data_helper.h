// Typed access to Data values and the factories that make them.
#pragma once
#include "foundation/axdr_types.h"

namespace zv {

struct TDataHelper {
  static TSequenceOf& AsArray(const TData& d);
  static TSequenceOf& AsStructure(const TData& d);
  static TOctetString& AsOctetString(const TData& d);
  static TNumber& AsUnsigned16(const TData& d);
  static const PduStr& OctetStringValue(const TData& d);
  static uint16_t Unsigned16Value(const TData& d);
  static uint32_t Unsigned32Value(const TData& d);
  static int8_t Integer8Value(const TData& d);
  static uint8_t EnumValue(const TData& d);
  static bool IsArray(const TData& d);
  static bool IsStructureOf(const TData& d, int count);

  static std::unique_ptr<TData> MakeFromPduStr(std::string_view pdu);
  static std::unique_ptr<TData> MakeFromXml(std::string_view xml);
  static std::unique_ptr<TData> MakeFromPdu(const TCOSEMPduBase& pdu);

  static std::string ValueToXMLString(const TData& d);
  static bool SameTypeAs(const TData& self, const TData& other);
  static void CheckType(const TData& self, std::string_view xmlTemplate, const std::string& msg);

  // Builders used by the server: a Data value of the given alternative.
  static std::unique_ptr<TData> Make(TXMLId variant, PduPtr value = nullptr);
};

// The element Index of a list when it exists and is a Data value; else null.
TData* GetDataElement(const TSequenceOf& list, int index);

// A new number of a type with a value, made with the type's own id.
PduPtr MakeNumber(const TypeInfo& type, int64_t value, TXMLId id = xmlIgnore);
PduPtr MakeOctets(const TypeInfo& type, std::string_view value, TXMLId id = xmlIgnore);

}  // namespace zv
