// M-Bus slave port setup, M-Bus client, wireless mode Q channel, M-Bus master port setup
// and M-Bus diagnostic.
#include "cosem/comm_classes.h"
#include "cosem/cosem_instance.h"

namespace zv {

namespace {

constexpr EnumName kLinkStatus[] = {{0, "LinkStatus_0"}, {1, "LinkStatus_1"}, {2, "LinkStatus_2"}, {3, "LinkStatus_3"}};

constexpr MemberInfo kCaptureDefinitionElement[] = {
    Mem(xmlDataInformationBlock, T_OctetString),
    Mem(xmlValueInformationBlock, T_OctetString),
};

constexpr MemberInfo kMBusBroadcastFramesCounterItem[] = {
    Mem(xmlClientId, T_Unsigned8),
    Mem(xmlCounter, T_Unsigned32),
    Mem(xmlTimeStamp, T_DateTime),
};

constexpr MemberInfo kCaptureTime[] = {
    Mem(xmlAttributeId, T_Unsigned8),
    Mem(xmlTimeStamp, T_DateTime),
};

constexpr MemberInfo kMBUSSlavePortSetup[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlDefaultBaud, T_Baud),
    Mem(xmlAvailBaud, T_Baud),
    Mem(xmlAddrState, T_AddrState),
    Mem(xmlBusAddress, T_Unsigned8),
};

constexpr MemberInfo kMBusClient[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlMBusPortReference, T_OctetString),
    Mem(xmlCaptureDefinition, T_CaptureDefinition),
    Mem(xmlCapturePeriod, T_Unsigned32),
    Mem(xmlPrimaryAddress, T_Unsigned8),
    Mem(xmlIdentificationNumber, T_Unsigned32),
    Mem(xmlManufacturerId, T_Unsigned16),
    Mem(xmlVersion, T_Unsigned8),
    Mem(xmlDeviceType, T_Unsigned8),
    Mem(xmlAccessNumber, T_Unsigned8),
    Mem(xmlStatus, T_Unsigned8),
    Mem(xmlAlarm, T_Unsigned8),
};

constexpr MemberInfo kWirelessModeQChannel[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlAddrState, T_AddrState),
    Mem(xmlDeviceAddress, T_OctetString),
    Mem(xmlAddressMask, T_OctetString),
};

constexpr MemberInfo kMBusMasterPortSetup[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlCommSpeed, T_Baud),
};

constexpr MemberInfo kMBusDiagnostic[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlReceivedSignalStrength, T_Unsigned8),
    Mem(xmlChannelId, T_Unsigned8),
    Mem(xmlLinkStatus, T_LinkStatus),
    Mem(xmlBroadcastFramesCounter, T_MBusBroadcastFramesCounter),
    Mem(xmlTransmissionsCounter, T_Unsigned32),
    Mem(xmlFCS_OK_FrameCounter, T_Unsigned32),
    Mem(xmlFCS_NOK_FrameCounter, T_Unsigned32),
    Mem(xmlCaptureTime, T_CaptureTime),
};

}  // namespace

constinit const TypeInfo T_LinkStatus = EnumType("T_LinkStatus", xml_LinkStatus, kLinkStatus);

constinit const TypeInfo T_CaptureDefinitionElement =
    SequenceType("T_CaptureDefinitionElement", xml_CaptureDefinitionElement, kCaptureDefinitionElement);
constinit const TypeInfo T_CaptureDefinition = SequenceOfType("T_CaptureDefinition", xml_CaptureDefinition,
                                                              T_CaptureDefinitionElement, xml_CaptureDefinitionElement);
constinit const TypeInfo T_MBusBroadcastFramesCounterItem = SequenceType(
    "T_MBusBroadcastFramesCounterItem", xml_MBusBroadcastFramesCounterItem, kMBusBroadcastFramesCounterItem);
constinit const TypeInfo T_MBusBroadcastFramesCounter =
    SequenceOfType("T_MBusBroadcastFramesCounter", xml_MBusBroadcastFramesCounter, T_MBusBroadcastFramesCounterItem,
                   xml_MBusBroadcastFramesCounterItem);
constinit const TypeInfo T_CaptureTime = SequenceType("T_CaptureTime", xml_CaptureTime, kCaptureTime);

constinit const TypeInfo T_MBUSSlavePortSetupObject =
    InterfaceClassType("T_MBUSSlavePortSetupObject", xml_MBUSSlavePortSetupObject, kMBUSSlavePortSetup, 25, 0);
constinit const TypeInfo T_MBusClientObject =
    InterfaceClassType("T_MBusClientObject", xml_MBusClientObject, kMBusClient, 72, 0);
constinit const TypeInfo T_WirelessModeQChannelObject =
    InterfaceClassType("T_WirelessModeQChannelObject", xml_WirelessModeQChannelObject, kWirelessModeQChannel, 73, 1);
constinit const TypeInfo T_MBusMasterPortSetupObject =
    InterfaceClassType("T_MBusMasterPortSetupObject", xml_MBusMasterPortSetupObject, kMBusMasterPortSetup, 74, 0);
constinit const TypeInfo T_MBusDiagnosticObject =
    InterfaceClassType("T_MBusDiagnosticObject", xml_MBusDiagnosticObject, kMBusDiagnostic, 77, 0);

}  // namespace zv
