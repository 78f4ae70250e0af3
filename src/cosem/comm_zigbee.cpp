// ZigBee SAS startup, SAS join, SAS APS fragmentation, network control and tunnel setup.
#include "cosem/comm_classes.h"
#include "cosem/cosem_instance.h"

namespace zv {

namespace {

// The stack profiles are numbered from 1; 0 has no name.
constexpr EnumName kStackProfile[] = {{1, "ZigBee"}, {2, "ZigBeePro"}};

constexpr MemberInfo kActiveDevice[] = {
    Mem(xmlMACAddress, T_OctetString),
    Mem(xmlStatus, T_BitString),
    Mem(xmlMaxRSSI, T_Integer8),
    Mem(xmlAverageRSSI, T_Integer8),
    Mem(xmlMinRSSI, T_Integer8),
    Mem(xmlMaxLQI, T_Unsigned8),
    Mem(xmlAverageLQI, T_Unsigned8),
    Mem(xmlMinLQI, T_Unsigned8),
    Mem(xmlLastCommunicationDateTime, T_OctetString),
    Mem(xmlNumberOfHops, T_Unsigned8),
    Mem(xmlTransmissionFailures, T_Unsigned8),
    Mem(xmlTransmissionSuccesses, T_Unsigned8),
    Mem(xmlApplicationVersion, T_Unsigned8),
    Mem(xmlStackVersion, T_Unsigned8),
};

constexpr MemberInfo kSASStartup[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlShortAddress, T_Unsigned16),
    Mem(xmlExtendedPANId, T_OctetString),
    Mem(xmlPANId, T_Unsigned16),
    Mem(xmlChannelMask, T_Unsigned32),
    Mem(xmlProtocolVersion, T_Unsigned8),
    Mem(xmlStackProfile, T_StackProfile),
    Mem(xmlStartUpControl, T_Unsigned8),
    Mem(xmlTrustCenterAddress, T_OctetString),
    Mem(xmlLinkKey, T_OctetString),
    Mem(xmlNetworkKey, T_OctetString),
    Mem(xmlUseInsecureJoin, T_Boolean),
};

constexpr MemberInfo kSASJoin[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlScanAttempts, T_Unsigned8),
    Mem(xmlTimeBetweenScans, T_Unsigned16),
    Mem(xmlRejoinInterval, T_Unsigned16),
    Mem(xmlRejoinRetryInterval, T_Unsigned16),
};

constexpr MemberInfo kSASAPSFragmentation[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlAPS_InterframeDelay, T_Unsigned16),
    Mem(xmlAPS_MaxWindowSize, T_Unsigned16),
};

constexpr MemberInfo kNetworkControl[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlEnableDisableJoining, T_Boolean),
    Mem(xmlJoinTimeout, T_Unsigned16),
    Mem(xmlActiveDevices, T_ActiveDevices),
};

constexpr MemberInfo kTunnelSetup[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlMaximumIncomingTransferSize, T_Unsigned16),
    Mem(xmlMaximumOutGoingTransferSize, T_Unsigned16),
    Mem(xmlProtocolAddress, T_OctetString),
    Mem(xmlCloseTunnedTimeout, T_Unsigned16),
};

}  // namespace

constinit const TypeInfo T_StackProfile = EnumType("T_StackProfile", xml_StackProfile, kStackProfile);
constinit const TypeInfo T_ActiveDevice = SequenceType("T_ActiveDevice", xml_ActiveDevice, kActiveDevice);
constinit const TypeInfo T_ActiveDevices =
    SequenceOfType("T_ActiveDevices", xml_ActiveDevices, T_ActiveDevice, xml_ActiveDevice);

constinit const TypeInfo T_ZigBeeSASStartupObject =
    InterfaceClassType("T_ZigBeeSASStartupObject", xml_ZigBeeSASStartupObject, kSASStartup, 101, 0);
constinit const TypeInfo T_ZigBeeSASJoinObject =
    InterfaceClassType("T_ZigBeeSASJoinObject", xml_ZigBeeSASJoinObject, kSASJoin, 102, 0);
constinit const TypeInfo T_ZigBeeSAS_APSFragmentationObject = InterfaceClassType(
    "T_ZigBeeSAS_APSFragmentationObject", xml_ZigBeeSAS_APSFragmentationObject, kSASAPSFragmentation, 103, 0);
constinit const TypeInfo T_ZigBeeNetworkControlObject =
    InterfaceClassType("T_ZigBeeNetworkControlObject", xml_ZigBeeNetworkControlObject, kNetworkControl, 104, 0);
constinit const TypeInfo T_ZigBeeTunnelSetupObject =
    InterfaceClassType("T_ZigBeeTunnelSetupObject", xml_ZigBeeTunnelSetupObject, kTunnelSetup, 105, 0);

}  // namespace zv
