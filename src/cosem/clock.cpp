#include "cosem/clock.h"

namespace zv {

namespace {

constexpr EnumName kClockBaseNames[] = {
    {0, "ClockBaseNotDefined"}, {1, "ClockBaseInternalCrystal"}, {2, "ClockBaseMains50Hz"},
    {3, "ClockBaseMains60Hz"},  {4, "ClockBaseGPS"},             {5, "ClockBaseRadioControlled"},
};

// The date-times are plain octet strings: any length is held and returned unchanged.
constexpr MemberInfo kClock[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlTime, T_OctetString),
    Mem(xmlTimeZone, T_Integer16),
    Mem(xmlStatus, T_Unsigned8),
    Mem(xmlDaylightSavingsBegin, T_OctetString),
    Mem(xmlDaylightSavingsEnd, T_OctetString),
    Mem(xmlDaylightSavingsDeviation, T_Integer8),
    Mem(xmlDaylightSavingsEnabled, T_Boolean),
    Mem(xmlClockBase, T_ClockBase),
};

}  // namespace

constinit const TypeInfo T_ClockBase = EnumType("T_ClockBase", xml_ClockBase, kClockBaseNames);
constinit const TypeInfo T_ClockObject = InterfaceClassType("T_ClockObject", xml_ClockObject, kClock, 8, 0);

}  // namespace zv
