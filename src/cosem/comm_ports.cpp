// IEC local port, IEC HDLC and IEC twisted pair setup.
#include "cosem/comm_classes.h"
#include "cosem/cosem_instance.h"

namespace zv {

namespace {

constexpr EnumName kDefaultMode[] = {{0, "DefaultMode0"}, {1, "DefaultMode1"}, {2, "DefaultMode2"}};
constexpr EnumName kResponseTime[] = {{0, "ResponseTime0"}, {1, "ResponseTime1"}};
constexpr EnumName kFatalError[] = {
    {0, "NoError"}, {1, "t_EP_1F"}, {2, "t_EP_2F"}, {3, "t_EL_4F"}, {4, "t_EL_5F"},  {5, "eT_1F"},
    {6, "eT_2F"},   {7, "e_EP_3F"}, {8, "e_EP_4F"}, {9, "e_EP_5F"}, {10, "e_EL_2F"},
};
constexpr EnumName kTwistedPairMode[] = {{0, "TwistedPairMode0"}, {1, "TwistedPairMode1"}};

constexpr MemberInfo kIECLocalPortSetup[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlDefaultMode, T_DefaultMode),
    Mem(xmlDefaultBaud, T_Baud),
    Mem(xmlPropBaud, T_Baud),
    Mem(xmlResponseTime, T_ResponseTime),
    Mem(xmlDeviceAddr, T_OctetString),
    Mem(xmlPassP1, T_OctetString),
    Mem(xmlPassP2, T_OctetString),
    Mem(xmlPassW5, T_OctetString),
};

constexpr MemberInfo kIECHDLCSetup[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlCommSpeed, T_Baud),
    Mem(xmlWindowSizeTransmit, T_Unsigned8),
    Mem(xmlWindowSizeReceive, T_Unsigned8),
    Mem(xmlMaxInfoFieldLengthTransmit, T_Unsigned16),
    Mem(xmlMaxInfoFieldLengthReceive, T_Unsigned16),
    Mem(xmlInterOctetTimeout, T_Unsigned16),
    Mem(xmlInactivityTimeout, T_Unsigned16),
    Mem(xmlDeviceAddress, T_Unsigned16),
};

constexpr MemberInfo kIECTwistedPairSetup0[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlSecondaryAddress, T_OctetString),
    Mem(xmlPrimaryAddressList, T_PrimaryAddressList_0),
    Mem(xmlTabiList, T_TabiList),
    Mem(xmlFatalError, T_FatalError),
};

constexpr MemberInfo kIECTwistedPairSetup1[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlMode, T_TwistedPairMode),
    Mem(xmlCommSpeed, T_Baud),
    Mem(xmlPrimaryAddressList, T_PrimaryAddressList_1),
    Mem(xmlTabiList, T_TabiList),
};

}  // namespace

constinit const TypeInfo T_DefaultMode = EnumType("T_DefaultMode", xml_DefaultMode, kDefaultMode);
constinit const TypeInfo T_ResponseTime = EnumType("T_ResponseTime", xml_ResponseTime, kResponseTime);
constinit const TypeInfo T_FatalError = EnumType("T_FatalError", xml_FatalError, kFatalError);
constinit const TypeInfo T_TwistedPairMode = EnumType("T_TwistedPairMode", xml_TwistedPairMode, kTwistedPairMode);

constinit const TypeInfo T_PrimaryAddress_0 = OctetStringType("T_PrimaryAddress_0", xml_PrimaryAddress_0, -1, 9);
constinit const TypeInfo T_PrimaryAddressList_0 =
    SequenceOfType("T_PrimaryAddressList_0", xml_PrimaryAddressList_0, T_PrimaryAddress_0, xml_PrimaryAddress_0);
constinit const TypeInfo T_Tabi = DerivedType("T_Tabi", xml_Tabi, T_Integer8);
constinit const TypeInfo T_TabiList = SequenceOfType("T_TabiList", xml_TabiList, T_Tabi, xml_Tabi);
// One unsigned octet under a name of its own (the items of the version 1 address list).
constinit const TypeInfo T_PrimaryAddress_1 = NumberType("T_PrimaryAddress_1", xml_PrimaryAddress_1, NumKind::U8, 17);
constinit const TypeInfo T_PrimaryAddressList_1 =
    SequenceOfType("T_PrimaryAddressList_1", xml_PrimaryAddressList_1, T_PrimaryAddress_1, xml_PrimaryAddress_1);

constinit const TypeInfo T_IECLocalPortSetupObject =
    InterfaceClassType("T_IECLocalPortSetupObject", xml_IECLocalPortSetupObject, kIECLocalPortSetup, 19, 1);
constinit const TypeInfo T_IECHDLCSetupObject =
    InterfaceClassType("T_IECHDLCSetupObject", xml_IECHDLCSetupObject, kIECHDLCSetup, 23, 1);
constinit const TypeInfo T_IECTwistedPairSetupObject_0 =
    InterfaceClassType("T_IECTwistedPairSetupObject_0", xml_IECTwistedPairSetupObject_0, kIECTwistedPairSetup0, 24, 0);
constinit const TypeInfo T_IECTwistedPairSetupObject_1 =
    InterfaceClassType("T_IECTwistedPairSetupObject_1", xml_IECTwistedPairSetupObject_1, kIECTwistedPairSetup1, 24, 1);

}  // namespace zv
