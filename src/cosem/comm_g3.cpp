// G3 narrow-band OFDM power line: MAC layer counters, MAC setup and 6LoWPAN adaptation
// layer setup.
#include "cosem/comm_classes.h"
#include "cosem/cosem_instance.h"

namespace zv {

namespace {

constexpr EnumName kModulation[] = {{0, "RobustMode"}, {1, "DBPSK"}, {2, "DQPSK"}, {3, "D8PSK"}, {4, "QAM_16"}};
constexpr EnumName kTxRes[] = {{0, "SixdB"}, {1, "ThreedB"}};
constexpr EnumName kADPDeviceType[] = {
    {0, "ADP_DevicePANDevice"}, {1, "ADP_DevicePANCoordinator"}, {2, "ADP_DeviceNotDefined"}};

// A key of any length: nothing checks or pads it.
constexpr MemberInfo kMACGMK[] = {
    Mem(xmlKeyId, T_Unsigned8),
    Mem(xmlKey, T_OctetString),
};

constexpr MemberInfo kNeighbourTableElement[] = {
    Mem(xmlShortAddress, T_Unsigned16),
    Mem(xmlPayloadModulationScheme, T_Boolean),
    Mem(xmlToneMap, T_BitString),
    Mem(xmlModulation, T_Modulation),
    Mem(xmlTxGain, T_Integer8),
    Mem(xmlTxRes, T_TxRes),
    Mem(xmlTxCoeff, T_BitString),
    Mem(xmlLqi, T_Unsigned8),
    Mem(xmlPhaseDifferential, T_Integer8),
    Mem(xmlTMRValidTime, T_Unsigned8),
    Mem(xmlNeighbourValidTime, T_Unsigned8),
};

constexpr MemberInfo kMACLayerCounters[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlMAC_TxDataPacketCount, T_Unsigned32),
    Mem(xmlMAC_RxDataPacketCount, T_Unsigned32),
    Mem(xmlMAC_TxCmdPacketCount, T_Unsigned32),
    Mem(xmlMAC_RxCmdPacketCount, T_Unsigned32),
    Mem(xmlMAC_CSMA_FailCount, T_Unsigned32),
    Mem(xmlMAC_CSMA_NoAckCount, T_Unsigned32),
    Mem(xmlMAC_BadCRCCount, T_Unsigned32),
    Mem(xmlMAC_TxDataBroadcastCount, T_Unsigned32),
    Mem(xmlMAC_RxDataBroadcastCount, T_Unsigned32),
};

constexpr MemberInfo kMACSetup[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlMAC_ShortAddress, T_Unsigned16),
    Mem(xmlMAC_RCCoord, T_Unsigned16),
    Mem(xmlMAC_PANId, T_Unsigned16),
    Mem(xmlMAC_KeyTable, T_MAC_KeyTable),
    Mem(xmlMAC_FrameCounter, T_Unsigned32),
    Mem(xmlMAC_ToneMask, T_BitString),
    Mem(xmlMAC_TMR_TTL, T_Unsigned8),
    Mem(xmlMAX_MaxFrameRetries, T_Unsigned8),
    Mem(xmlMAC_NeighbourTableEntryTTL, T_Unsigned8),
    Mem(xmlMAC_NeighbourTable, T_MAC_NeighbourTable),
    Mem(xmlMAC_HighPriorityWindowSize, T_Unsigned8),
    Mem(xmlMAC_CSMA_FairnessLimit, T_Unsigned8),
    Mem(xmlMAC_BeaconRandomizationWindowLength, T_Unsigned8),
    Mem(xmlMAC_A, T_Unsigned8),
    Mem(xmlMAC_K, T_Unsigned8),
    Mem(xmlMAC_MinCWAttempts, T_Unsigned8),
    Mem(xmlMAC_CenelecLegacyMode, T_Unsigned8),
    Mem(xmlMAC_FCC_LegacyMode, T_Unsigned8),
    Mem(xmlMAC_MaxBE, T_Unsigned8),
    Mem(xmlMAC_Max_CSMA_Backoffs, T_Unsigned8),
    Mem(xmlMAC_MINBe, T_Unsigned8),
};

constexpr MemberInfo kRoutingConfiguration[] = {
    Mem(xmlADP_NetTraversalTime, T_Unsigned8),
    Mem(xmlADP_RoutingTableEntry, T_Unsigned16),
    Mem(xmlADP_Kr, T_Unsigned8),
    Mem(xmlADP_Km, T_Unsigned8),
    Mem(xmlADP_Kc, T_Unsigned8),
    Mem(xmlADP_Kq, T_Unsigned8),
    Mem(xmlADP_Kh, T_Unsigned8),
    Mem(xmlADP_Krt, T_Unsigned8),
    Mem(xmlADP_RREQ_Retries, T_Unsigned8),
    Mem(xmlADP_RREQ_RERR_Wait, T_Unsigned8),
    Mem(xmlADP_BLockListTableEtrnyTTL, T_Unsigned16),
    Mem(xmlADP_Unicast_RREQ_GenEnable, T_Boolean),
    Mem(xmlADP_RLC_Enabled, T_Boolean),
    Mem(xmlADP_AddRevLinkCost, T_Unsigned8),
};

constexpr MemberInfo kRoutingTable[] = {
    Mem(xmlDestinationAddress, T_Unsigned16),
    Mem(xmlNextHopAddress, T_Unsigned16),
    Mem(xmlRouteCost, T_Unsigned16),
    Mem(xmlHopCount, T_Unsigned8),
    Mem(xmlWeakLinkCount, T_Unsigned8),
    Mem(xmlValidTime, T_Unsigned16),
};

constexpr MemberInfo kContextInformationTable[] = {
    Mem(xmlCID, T_BitString),
    Mem(xmlContextLength, T_Unsigned8),
    Mem(xmlContext, T_OctetString),
    Mem(xmlC, T_Boolean),
    Mem(xmlValidLifeTime, T_Unsigned16),
};

constexpr MemberInfo kBlackListedNeighbourSet[] = {
    Mem(xmlBlockListedNeighbourAddress, T_Unsigned16),
    Mem(xmlValidTime, T_Unsigned16),
};

constexpr MemberInfo kBroadcastLogTableEntry[] = {
    Mem(xmlSourceAddress, T_Unsigned16),
    Mem(xmlSequenceNumber, T_Unsigned8),
    Mem(xmlValidTime, T_Unsigned16),
};

constexpr MemberInfo k6LoWPANSetup[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlADP_MaxHops, T_Unsigned8),
    Mem(xmlADP_Weak_LQI_Value, T_Unsigned8),
    Mem(xmlADP_SecurityLevel, T_Unsigned8),
    Mem(xmlADP_PrefixTable, T_ADP_PrefixTable),
    Mem(xmlADP_RoutingConfiguration, T_ADP_RoutingConfiguration),
    Mem(xmlADP_BroadcastLogTableEbtryTTL, T_Unsigned16),
    Mem(xmlADP_RoutingTable, T_ADP_RoutingTable),
    Mem(xmlADP_ContextInformationTable, T_ADP_ContextInformationTable),
    Mem(xmlADP_BlackListTable, T_ADP_BlackListTable),
    Mem(xmlADP_BroadcasetLogTable, T_ADP_BroadcasetLogTable),
    Mem(xmlADP_GroupTable, T_ADP_GroupTable),
    Mem(xmlADP_MaxJoinWaitTime, T_Unsigned16),
    Mem(xmlADP_PathDiscoveryTime, T_Unsigned8),
    Mem(xmlADP_ActiveKeyIndex, T_Unsigned8),
    Mem(xmlADP_MetricType, T_Unsigned8),
    Mem(xmlADP_CoordShortAddress, T_Unsigned16),
    Mem(xmlADP_DisableDefaultRouting, T_Boolean),
    Mem(xmlADP_DeviceType, T_ADP_DeviceType),
};

}  // namespace

constinit const TypeInfo T_Modulation = EnumType("T_Modulation", xml_Modulation, kModulation);
constinit const TypeInfo T_TxRes = EnumType("T_TxRes", xml_TxRes, kTxRes);
constinit const TypeInfo T_ADP_DeviceType = EnumType("T_ADP_DeviceType", xml_ADP_DeviceType, kADPDeviceType);

constinit const TypeInfo T_MAC_GMK = SequenceType("T_MAC_GMK", xml_MAC_GMK, kMACGMK);
constinit const TypeInfo T_MAC_KeyTable = SequenceOfType("T_MAC_KeyTable", xml_MAC_KeyTable, T_MAC_GMK, xml_MAC_GMK);
constinit const TypeInfo T_MAC_NeighbourTableElement =
    SequenceType("T_MAC_NeighbourTableElement", xml_MAC_NeighbourTableElement, kNeighbourTableElement);
constinit const TypeInfo T_MAC_NeighbourTable = SequenceOfType(
    "T_MAC_NeighbourTable", xml_MAC_NeighbourTable, T_MAC_NeighbourTableElement, xml_MAC_NeighbourTableElement);

constinit const TypeInfo T_RoutingConfiguration =
    SequenceType("T_RoutingConfiguration", xml_RoutingConfiguration, kRoutingConfiguration);
constinit const TypeInfo T_RoutingTable = SequenceType("T_RoutingTable", xml_RoutingTable, kRoutingTable);
constinit const TypeInfo T_ContextInformationTable =
    SequenceType("T_ContextInformationTable", xml_ContextInformationTable, kContextInformationTable);
constinit const TypeInfo T_BlackListedNeighbourSet =
    SequenceType("T_BlackListedNeighbourSet", xml_BlackListedNeighbourSet, kBlackListedNeighbourSet);
constinit const TypeInfo T_BroadcastLogTableEntry =
    SequenceType("T_BroadcastLogTableEntry", xml_BroadcastLogTableEntry, kBroadcastLogTableEntry);
constinit const TypeInfo T_GroupAddress = DerivedType("T_GroupAddress", xml_GroupAddress, T_Unsigned16);

constinit const TypeInfo T_ADP_PrefixTable =
    SequenceOfType("T_ADP_PrefixTable", xml_ADP_PrefixTable, T_Unsigned8, xml_Unsigned8);
constinit const TypeInfo T_ADP_RoutingConfiguration = SequenceOfType(
    "T_ADP_RoutingConfiguration", xml_ADP_RoutingConfiguration, T_RoutingConfiguration, xml_RoutingConfiguration);
constinit const TypeInfo T_ADP_RoutingTable =
    SequenceOfType("T_ADP_RoutingTable", xml_ADP_RoutingTable, T_RoutingTable, xml_RoutingTable);
constinit const TypeInfo T_ADP_ContextInformationTable =
    SequenceOfType("T_ADP_ContextInformationTable", xml_ADP_ContextInformationTable, T_ContextInformationTable,
                   xml_ContextInformationTable);
constinit const TypeInfo T_ADP_BlackListTable = SequenceOfType("T_ADP_BlackListTable", xml_ADP_BlackListTable,
                                                               T_BlackListedNeighbourSet, xml_BlackListedNeighbourSet);
constinit const TypeInfo T_ADP_BroadcasetLogTable = SequenceOfType(
    "T_ADP_BroadcasetLogTable", xml_ADP_BroadcasetLogTable, T_BroadcastLogTableEntry, xml_BroadcastLogTableEntry);
constinit const TypeInfo T_ADP_GroupTable =
    SequenceOfType("T_ADP_GroupTable", xml_ADP_GroupTable, T_GroupAddress, xml_GroupAddress);

constinit const TypeInfo T_G3_NB_OFDM_PLC_MACLayerCountersObject = InterfaceClassType(
    "T_G3_NB_OFDM_PLC_MACLayerCountersObject", xml_G3_NB_OFDM_PLC_MACLayerCountersObject, kMACLayerCounters, 90, 1);
constinit const TypeInfo T_G3_NB_OFDM_PLC_MACSetupObject =
    InterfaceClassType("T_G3_NB_OFDM_PLC_MACSetupObject", xml_G3_NB_OFDM_PLC_MACSetupObject, kMACSetup, 91, 1);
constinit const TypeInfo T_G3_NB_OFDM_PLC_6LoWPANAdaptationLayerSetupObject =
    InterfaceClassType("T_G3_NB_OFDM_PLC_6LoWPANAdaptationLayerSetupObject",
                       xml_G3_NB_OFDM_PLC_6LoWPANAdaptationLayerSetupObject, k6LoWPANSetup, 92, 1);

}  // namespace zv
