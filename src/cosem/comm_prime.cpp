// PRIME narrow-band OFDM power line: LLC SSCS setup, physical layer counters, MAC setup,
// MAC functional parameters, MAC counters, MAC network administration data and
// application identification.
#include "cosem/comm_classes.h"
#include "cosem/cosem_instance.h"

namespace zv {

namespace {

// "MACS_tateBase" is the stored name of value 3.
constexpr EnumName kMACState[] = {
    {0, "MAC_StateDisconnected"}, {1, "MAC_StateTerminal"}, {2, "MAC_StateSwitch"}, {3, "MACS_tateBase"}};

constexpr MemberInfo kLLCSSCSSetup[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlServiceNodeAddress, T_Unsigned16),
    Mem(xmlBaseNodeAddress, T_Unsigned16),
};

constexpr MemberInfo kPhysicalLayerCounters[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlPhysStatsCRCIncorrectCount, T_Unsigned16),
    Mem(xmlPysStatsCRCFailCount, T_Unsigned16),
    Mem(xmlPhysStatsTxDropCount, T_Unsigned16),
    Mem(xmlPhysStatsRxDropCount, T_Unsigned16),
};

constexpr MemberInfo kMACSetup[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlMAC_MinSwitchSearchTime, T_Unsigned8),
    Mem(xmlMAC_MaxPromotionPdu, T_Unsigned8),
    Mem(xmlMAC_PromotionPduTxPeriod, T_Unsigned8),
    Mem(xmlMAC_BeaconsPerFrame, T_Unsigned8),
    Mem(xmlMAC_ScpMaxTxAttempts, T_Unsigned8),
    Mem(xmlMAC_CtlReTxTimer, T_Unsigned8),
    Mem(xmlMAC_MaxCtlReTx, T_Unsigned8),
};

constexpr MemberInfo kMACFunctionalParameters[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlMAC_LNID, T_Integer16),
    Mem(xmlMAC_LSID, T_Unsigned8),
    Mem(xmlMAC_SID, T_Unsigned8),
    Mem(xmlMAC_SNA, T_OctetString),
    Mem(xmlMAC_State, T_MAC_State),
    Mem(xmlMAC_ScpLength, T_Integer16),
    Mem(xmlMAC_NodeHierarchyLevel, T_Unsigned8),
    Mem(xmlMAC_BeaconSlotCount, T_Unsigned8),
    Mem(xmlMAC_BeaconRxSlot, T_Unsigned8),
    Mem(xmlMAC_BeaconTxSlot, T_Unsigned8),
    Mem(xmlMAC_BeaconRxFrequency, T_Unsigned8),
    Mem(xmlMAC_BeaconTxFrequency, T_Unsigned8),
    Mem(xmlMAC_Capabilities, T_Unsigned16),
};

constexpr MemberInfo kMACCounters[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlMAC_TxDataPktCount, T_Unsigned32),
    Mem(xmlMAC_RxDataPktCount, T_Unsigned32),
    Mem(xmlMAC_TxCtrlPktCount, T_Unsigned32),
    Mem(xmlMAC_RxCtrlPktCount, T_Unsigned32),
    Mem(xmlMAC_CsmaFailCount, T_Unsigned32),
    Mem(xmlMAC_CsmaChBusyCount, T_Unsigned32),
};

constexpr MemberInfo kApplicationIdentification[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlFirmwareVersion, T_OctetString),
    Mem(xmlVerdorId, T_Unsigned16),
    Mem(xmlProductId, T_Unsigned16),
};

constexpr MemberInfo kMulticastEntriesElement[] = {
    Mem(xmlMCastEntryLCID, T_Integer8),
    Mem(xmlMCaseEntryMembers, T_Integer16),
};

constexpr MemberInfo kDirectTableElement[] = {
    Mem(xmlDConnEntrySrcSID, T_Integer16),
    Mem(xmlDConnEntrySrcLNID, T_Integer16),
    Mem(xmlDConnEntrySrcLCID, T_Integer16),
    Mem(xmlDConnEntryDstSID, T_Integer16),
    Mem(xmlDConnEntryDstLNID, T_Integer16),
    Mem(xmlDConnEntryDstLCID, T_Integer16),
    Mem(xmlDConnEntryDID, T_OctetString),
};

constexpr MemberInfo kAvailableSwitchesElement[] = {
    Mem(xmlSListEntrySNA, T_OctetString),
    Mem(xmlSListEntryLSID, T_Integer16),
    Mem(xmlSListEntryLevel, T_Integer8),
    Mem(xmlSListEntryRxLevel, T_Integer8),
    Mem(xmlSListEntryRxSNR, T_Integer8),
};

constexpr MemberInfo kPhyCommElement[] = {
    Mem(xmlPhyCommEUI, T_OctetString),
    Mem(xmlPhyCommTxPwr, T_Integer8),
    Mem(xmlPhyCommTxCod, T_Integer8),
    Mem(xmlPhyCommRxCod, T_Integer8),
    Mem(xmlPhyCommRxLvl, T_Integer8),
    Mem(xmlPhyCommSNR, T_Integer8),
    Mem(xmlPhyCommTxPwrMod, T_Integer8),
    Mem(xmlPhyCommTxCodMod, T_Integer8),
    Mem(xmlPhyCommRxCodMod, T_Integer8),
};

constexpr MemberInfo kNetworkAdministrationData[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlMAC_ListMulticastEntries, T_MAC_ListMulticastEntries),
    Mem(xmlMAC_ListSwitchTable, T_MAC_ListSwitchTable),
    Mem(xmlMAC_ListDirectTable, T_MAC_ListDirectTable),
    Mem(xmlMAC_ListAvailableSwitches, T_MAC_ListAvailableSwitches),
    Mem(xmlMAC_ListPhyComm, T_MAC_ListPhyComm),
};

}  // namespace

constinit const TypeInfo T_MAC_State = EnumType("T_MAC_State", xml_MAC_State, kMACState);

constinit const TypeInfo T_MAC_ListMulticastEntriesElement =
    SequenceType("T_MAC_ListMulticastEntriesElement", xml_MAC_ListMulticastEntriesElement, kMulticastEntriesElement);
constinit const TypeInfo T_MAC_ListMulticastEntries =
    SequenceOfType("T_MAC_ListMulticastEntries", xml_MAC_ListMulticastEntries, T_MAC_ListMulticastEntriesElement,
                   xml_MAC_ListMulticastEntriesElement);
constinit const TypeInfo T_StblEntryLSID = DerivedType("T_StblEntryLSID", xml_StblEntryLSID, T_Integer16);
constinit const TypeInfo T_MAC_ListSwitchTable =
    SequenceOfType("T_MAC_ListSwitchTable", xml_MAC_ListSwitchTable, T_StblEntryLSID, xml_StblEntryLSID);
constinit const TypeInfo T_MAC_DirectTableElement =
    SequenceType("T_MAC_DirectTableElement", xml_MAC_DirectTableElement, kDirectTableElement);
constinit const TypeInfo T_MAC_ListDirectTable = SequenceOfType("T_MAC_ListDirectTable", xml_MAC_ListDirectTable,
                                                                T_MAC_DirectTableElement, xml_MAC_DirectTableElement);
constinit const TypeInfo T_MAC_ListAvailableSwitchesElement =
    SequenceType("T_MAC_ListAvailableSwitchesElement", xml_MAC_ListAvailableSwitchesElement, kAvailableSwitchesElement);
constinit const TypeInfo T_MAC_ListAvailableSwitches =
    SequenceOfType("T_MAC_ListAvailableSwitches", xml_MAC_ListAvailableSwitches, T_MAC_ListAvailableSwitchesElement,
                   xml_MAC_ListAvailableSwitchesElement);
constinit const TypeInfo T_PhyCommElement = SequenceType("T_PhyCommElement", xml_PhyCommElement, kPhyCommElement);
constinit const TypeInfo T_MAC_ListPhyComm =
    SequenceOfType("T_MAC_ListPhyComm", xml_MAC_ListPhyComm, T_PhyCommElement, xml_PhyCommElement);

constinit const TypeInfo T_LLC_SSCS_SetupObject =
    InterfaceClassType("T_LLC_SSCS_SetupObject", xml_LLC_SSCS_SetupObject, kLLCSSCSSetup, 80, 0);
constinit const TypeInfo T_PRIME_NB_OFDM_PLC_PhysicalLayerCountersObject =
    InterfaceClassType("T_PRIME_NB_OFDM_PLC_PhysicalLayerCountersObject",
                       xml_PRIME_NB_OFDM_PLC_PhysicalLayerCountersObject, kPhysicalLayerCounters, 81, 0);
constinit const TypeInfo T_PRIME_NB_OFDM_PLC_MACSetupObject =
    InterfaceClassType("T_PRIME_NB_OFDM_PLC_MACSetupObject", xml_PRIME_NB_OFDM_PLC_MACSetupObject, kMACSetup, 82, 0);
constinit const TypeInfo T_PRIME_NB_OFDM_PLC_MACFunctionalParameters =
    InterfaceClassType("T_PRIME_NB_OFDM_PLC_MACFunctionalParameters", xml_PRIME_NB_OFDM_PLC_MACFunctionalParameters,
                       kMACFunctionalParameters, 83, 0);
constinit const TypeInfo T_PRIME_NB_OFDM_PLC_MACCountersObject = InterfaceClassType(
    "T_PRIME_NB_OFDM_PLC_MACCountersObject", xml_PRIME_NB_OFDM_PLC_MACCountersObject, kMACCounters, 84, 0);
constinit const TypeInfo T_PRIME_NB_OFDM_PLC_MACNetworkAdministrationDataObject =
    InterfaceClassType("T_PRIME_NB_OFDM_PLC_MACNetworkAdministrationDataObject",
                       xml_PRIME_NB_OFDM_PLC_MACNetworkAdministrationDataObject, kNetworkAdministrationData, 85, 0);
constinit const TypeInfo T_PRIME_NB_OFDM_PLCApplicationIdentificationObject =
    InterfaceClassType("T_PRIME_NB_OFDM_PLCApplicationIdentificationObject",
                       xml_PRIME_NB_OFDM_PLCApplicationIdentificationObject, kApplicationIdentification, 86, 0);

}  // namespace zv
