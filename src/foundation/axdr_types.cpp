#include "foundation/axdr_types.h"

namespace zv {

namespace {

constexpr TypeInfo NullType(const char* name, TXMLId own, int dataTag) {
  TypeInfo t;
  t.name = name;
  t.family = Family::Null;
  t.parent = &TNull_Type;
  t.ownId = own;
  t.dataTag = static_cast<int16_t>(dataTag);
  return t;
}

constexpr TypeInfo BitStringType(const char* name, TXMLId own) {
  TypeInfo t;
  t.name = name;
  t.family = Family::BitStr;
  t.parent = &TBitStr_Type;
  t.ownId = own;
  t.dataTag = 4;
  return t;
}

}  // namespace

constinit const TypeInfo T_NullData = NullType("T_NullData", xml_NullData, 0);
constinit const TypeInfo T_DontCare = NullType("T_DontCare", xml_DontCare, 255);
constinit const TypeInfo T_Boolean = NumberType("T_Boolean", xml_Boolean, NumKind::Bool, 3);
constinit const TypeInfo T_BitString = BitStringType("T_BitString", xml_BitString);
constinit const TypeInfo T_Integer32 = NumberType("T_Integer32", xml_Integer32, NumKind::I32, 5);
constinit const TypeInfo T_Unsigned32 = NumberType("T_Unsigned32", xml_Unsigned32, NumKind::U32, 6);
constinit const TypeInfo T_FloatingPoint = OctetStringType("T_FloatingPoint", xml_FloatingPoint, 4, 7);
constinit const TypeInfo T_OctetString = OctetStringType("T_OctetString", xml_OctetString, -1, 9);
constinit const TypeInfo T_VisibleString = OctetStringType("T_VisibleString", xml_VisibleString, -1, 10);
constinit const TypeInfo T_UTF8String = OctetStringType("T_UTF8String", xml_UTF8String, -1, 12);
constinit const TypeInfo T_Bcd = NumberType("T_Bcd", xml_Bcd, NumKind::I8, 13);
constinit const TypeInfo T_Integer8 = NumberType("T_Integer8", xml_Integer8, NumKind::I8, 15);
constinit const TypeInfo T_Integer16 = NumberType("T_Integer16", xml_Integer16, NumKind::I16, 16);
constinit const TypeInfo T_Unsigned8 = NumberType("T_Unsigned8", xml_Unsigned8, NumKind::U8, 17);
constinit const TypeInfo T_Unsigned16 = NumberType("T_Unsigned16", xml_Unsigned16, NumKind::U16, 18);
constinit const TypeInfo T_Integer64 = NumberType("T_Integer64", xml_Integer64, NumKind::I64, 20);
constinit const TypeInfo T_Unsigned64 = NumberType("T_Unsigned64", xml_Unsigned64, NumKind::U64, 21);
constinit const TypeInfo T_Enum = NumberType("T_Enum", xml_Enum, NumKind::U8, 22);
constinit const TypeInfo T_Float32 = NumberType("T_Float32", xml_Float32, NumKind::F32, 23);
constinit const TypeInfo T_Float64 = NumberType("T_Float64", xml_Float64, NumKind::F64, 24);
constinit const TypeInfo T_DateTime = OctetStringType("T_DateTime", xml_DateTime, 12, 25);
constinit const TypeInfo T_Date = OctetStringType("T_Date", xml_Date, 5, 26);
constinit const TypeInfo T_Time = OctetStringType("T_Time", xml_Time, 4, 27);
// The OBIS code of an object: a length-prefixed octet string (six octets by convention).
constinit const TypeInfo T_LogicalName = OctetStringType("T_LogicalName", xml_LogicalName, -1, 9);

namespace {

constexpr AltInfo kDataAlts[] = {
    Alt(0, xmlNullData, T_NullData),
    Alt(1, xmlArray, T_Array),
    Alt(2, xmlStructure, T_Structure),
    Alt(3, xmlBoolean, T_Boolean),
    Alt(4, xmlBitString, T_BitString),
    Alt(5, xmlDoubleLong, T_Integer32),
    Alt(6, xmlDoubleLongUnsigned, T_Unsigned32),
    Alt(7, xmlFloatingPoint, T_FloatingPoint),
    Alt(9, xmlOctetString, T_OctetString),
    Alt(10, xmlVisibleString, T_VisibleString),
    Alt(12, xmlUTF8String, T_UTF8String),
    Alt(13, xmlBcd, T_Bcd),
    Alt(15, xmlInteger, T_Integer8),
    Alt(16, xmlLong, T_Integer16),
    Alt(17, xmlUnsigned, T_Unsigned8),
    Alt(18, xmlLongUnsigned, T_Unsigned16),
    Alt(19, xmlCompactArray, T_CompactArray),
    Alt(20, xmlLong64, T_Integer64),
    Alt(21, xmlLong64Unsigned, T_Unsigned64),
    Alt(22, xmlEnum, T_Enum),
    Alt(23, xmlFloat32, T_Float32),
    Alt(24, xmlFloat64, T_Float64),
    Alt(25, xmlDateTime, T_DateTime),
    Alt(26, xmlDate, T_Date),
    Alt(27, xmlTime, T_Time),
    Alt(255, xmlDontCare, T_DontCare),
};

constexpr TypeInfo DataType() {
  TypeInfo t = ChoiceType("T_Data", xml_Data, kDataAlts);
  t.flags = tfDataFormIsPlain;
  return t;
}

// A type description names a simple type by an empty value made with the type's id.
constexpr AltInfo kTypeDescriptionAlts[] = {
    Alt(0, xmlNullData, T_NullData),
    Alt(1, xmlArray, T_ArrayTypeDescription),
    Alt(2, xmlStructure, T_StructureTypeDescription),
    Alt(3, xmlBoolean, T_NullData),
    Alt(4, xmlBitString, T_NullData),
    Alt(5, xmlDoubleLong, T_NullData),
    Alt(6, xmlDoubleLongUnsigned, T_NullData),
    Alt(7, xmlFloatingPoint, T_NullData),
    Alt(9, xmlOctetString, T_NullData),
    Alt(10, xmlVisibleString, T_NullData),
    Alt(12, xmlUTF8String, T_NullData),
    Alt(13, xmlBcd, T_NullData),
    Alt(15, xmlInteger, T_NullData),
    Alt(16, xmlLong, T_NullData),
    Alt(17, xmlUnsigned, T_NullData),
    Alt(18, xmlLongUnsigned, T_NullData),
    Alt(20, xmlLong64, T_NullData),
    Alt(21, xmlLong64Unsigned, T_NullData),
    Alt(22, xmlEnum, T_NullData),
    Alt(23, xmlFloat32, T_NullData),
    Alt(24, xmlFloat64, T_NullData),
    Alt(25, xmlDateTime, T_NullData),
    Alt(26, xmlDate, T_NullData),
    Alt(27, xmlTime, T_NullData),
    Alt(255, xmlDontCare, T_NullData),
};

constexpr MemberInfo kArrayTypeDescriptionMembers[] = {
    Mem(xmlNumberOfElements, T_Unsigned16),
    Mem(xmlTypeDescription, T_TypeDescription),
};

constexpr MemberInfo kCompactArrayMembers[] = {
    Mem(xmlContentDescription, T_TypeDescription),
    Mem(xmlArrayContent, T_OctetString),
};

}  // namespace

constinit const TypeInfo T_Data = DataType();
constinit const TypeInfo T_Array = SequenceOfType("T_Array", xml_Array, T_Data, xml_Data, 1);
constinit const TypeInfo T_Structure = SequenceOfType("T_Structure", xml_Structure, T_Data, xml_Data, 2);
constinit const TypeInfo T_TypeDescription =
    ChoiceType("T_TypeDescription", xml_TypeDescription, kTypeDescriptionAlts);
constinit const TypeInfo T_ArrayTypeDescription =
    SequenceType("T_ArrayTypeDescription", xml_ArrayTypeDescription, kArrayTypeDescriptionMembers);
constinit const TypeInfo T_StructureTypeDescription = SequenceOfType(
    "T_StructureTypeDescription", xml_StructureTypeDescription, T_TypeDescription, xml_TypeDescription, 1);
constinit const TypeInfo T_CompactArray =
    SequenceType("T_CompactArray", xml_CompactArray, kCompactArrayMembers, 19);

namespace {
const TypeInfo* const kFoundationTypes[] = {
    &T_NullData, &T_Boolean, &T_BitString, &T_Integer32, &T_Unsigned32, &T_FloatingPoint, &T_OctetString,
    &T_VisibleString, &T_UTF8String, &T_Bcd, &T_Integer8, &T_Integer16, &T_Unsigned8, &T_Unsigned16,
    &T_Integer64, &T_Unsigned64, &T_Enum, &T_Float32, &T_Float64, &T_DateTime, &T_Date, &T_Time,
    &T_DontCare, &T_LogicalName, &T_Data, &T_Array, &T_Structure, &T_TypeDescription,
    &T_ArrayTypeDescription, &T_StructureTypeDescription, &T_CompactArray,
};
}  // namespace

const TypeTable& FoundationTypes() {
  static const TypeTable table{kFoundationTypes, std::size(kFoundationTypes)};
  return table;
}

}  // namespace zv
