// The A-XDR data types: simple values, the Data choice with its arrays and structures,
// type descriptions and the compact array.
#pragma once
#include "foundation/codec.h"

namespace zv {

extern const TypeInfo T_NullData, T_Boolean, T_BitString, T_Integer32, T_Unsigned32, T_FloatingPoint,
    T_OctetString, T_VisibleString, T_UTF8String, T_Bcd, T_Integer8, T_Integer16, T_Unsigned8,
    T_Unsigned16, T_Integer64, T_Unsigned64, T_Enum, T_Float32, T_Float64, T_DateTime, T_Date, T_Time,
    T_DontCare, T_LogicalName;
extern const TypeInfo T_Data, T_Array, T_Structure;
extern const TypeInfo T_TypeDescription, T_ArrayTypeDescription, T_StructureTypeDescription, T_CompactArray;

// Every descriptor of this library.
const TypeTable& FoundationTypes();

// Data values are CHOICE objects of class T_Data.
using TData = TChoice;

}  // namespace zv
