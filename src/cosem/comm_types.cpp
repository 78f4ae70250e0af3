#include "cosem/comm_types.h"

namespace zv {

namespace {

constexpr EnumName kBaud[] = {
    {0, "Baud300"},  {1, "Baud600"},   {2, "Baud1200"},  {3, "Baud2400"},  {4, "Baud4800"},
    {5, "Baud9600"}, {6, "Baud19200"}, {7, "Baud38400"}, {8, "Baud57600"}, {9, "Baud115200"},
};
constexpr EnumName kAddrState[] = {{0, "AddrState0"}, {1, "AddrState1"}};

// The times are octet strings of any length: nothing here requires a date-time layout.
constexpr MemberInfo kWindow[] = {
    Mem(xmlStartTime, T_OctetString),
    Mem(xmlEndTime, T_OctetString),
};

}  // namespace

constinit const TypeInfo T_Baud = EnumType("T_Baud", xml_Baud, kBaud);
constinit const TypeInfo T_AddrState = EnumType("T_AddrState", xml_AddrState, kAddrState);
constinit const TypeInfo T_Window = SequenceType("T_Window", xml_Window, kWindow);
constinit const TypeInfo T_Windows = SequenceOfType("T_Windows", xml_Windows, T_Window, xml_Window);
// A sibling of T_OctetString, so that a value of that class is refused where this one is due.
constinit const TypeInfo T_OctetDateTime = OctetStringType("T_OctetDateTime", xml_OctetDateTime, -1, 9);

}  // namespace zv
