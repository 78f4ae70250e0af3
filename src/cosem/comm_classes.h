// The communication interface classes (ports, HDLC, twisted pair, M-Bus, modems and
// dial-up, ZigBee, IP, PPP, GPRS, SMTP, GSM, S-FSK, LLC, PRIME, G3) and their element
// types. They hold data only: the server serves their attributes as stored values.
#pragma once
#include "cosem/comm_types.h"

namespace zv {

// Local port, HDLC and twisted pair.
extern const TypeInfo T_IECLocalPortSetupObject, T_IECHDLCSetupObject, T_IECTwistedPairSetupObject_0,
    T_IECTwistedPairSetupObject_1;
extern const TypeInfo T_DefaultMode, T_ResponseTime, T_FatalError, T_TwistedPairMode, T_PrimaryAddress_0,
    T_PrimaryAddressList_0, T_Tabi, T_TabiList, T_PrimaryAddress_1, T_PrimaryAddressList_1;

// M-Bus.
extern const TypeInfo T_MBUSSlavePortSetupObject, T_MBusClientObject, T_WirelessModeQChannelObject,
    T_MBusMasterPortSetupObject, T_MBusDiagnosticObject;
extern const TypeInfo T_LinkStatus, T_CaptureDefinitionElement, T_CaptureDefinition, T_MBusBroadcastFramesCounterItem,
    T_MBusBroadcastFramesCounter, T_CaptureTime;

// Modem configuration, auto answer, auto dial and auto connect.
extern const TypeInfo T_ModemConfigurationObject_0, T_ModemConfigurationObject_1, T_AutoAnswerObject_0,
    T_AutoAnswerObject_2, T_PSTNAutoDialObject, T_AutoConnectObject_1, T_AutoConnectObject_2;
extern const TypeInfo T_AutoAnswerMode, T_AutoAnswerStatus, T_CallType, T_AutoDialMode, T_AutoConnectMode,
    T_InitializationString_0, T_InitializationString_1, T_NumberOfRings, T_ListOfAllowedCallersElement,
    T_InitializationStrings_0, T_InitializationStrings_1, T_ModelProfileElement, T_ModemProfiles,
    T_ListOfAllowedCallers, T_PhoneNumber, T_Phonelist, T_Destination, T_DestinationList;

// ZigBee.
extern const TypeInfo T_ZigBeeSASStartupObject, T_ZigBeeSASJoinObject, T_ZigBeeSAS_APSFragmentationObject,
    T_ZigBeeNetworkControlObject, T_ZigBeeTunnelSetupObject;
extern const TypeInfo T_StackProfile, T_ActiveDevice, T_ActiveDevices;

// TCP-UDP, IPv4, MAC address, IPv6, PPP, GPRS modem and SMTP.
extern const TypeInfo T_TCPUDPSetupObject, T_IPv4SetupObject, T_MACAddressSetupObject, T_IPv6SetupObject,
    T_PPPSetupObject, T_GPRSModemSetupObject, T_SMTPSetupObject;
extern const TypeInfo T_AddressConfigMode, T_IPOptionsElement, T_NeighborDiscoverySetupElement, T_MulticastIPAddress,
    T_IPOptions, T_UnicastIPv6Addresses, T_MulticastIPv6Addresses, T_GatewayIPv6Addresses, T_NeighborDiscoverySetup,
    T_LCPOptionsTypeElement, T_IPCPOptionsTypeElement, T_QOSElement, T_QualityOfService, T_LCPOptionsType,
    T_IPCPOptionsType, T_PPPAuthType;

// GSM diagnostic.
extern const TypeInfo T_GSMDiagnosticObject;
extern const TypeInfo T_GSMDiagnosticStatus, T_CSAttachment, T_PSStatus, T_CellInfo, T_AdjacentCell, T_AdjacentCells;

// S-FSK.
extern const TypeInfo T_SFSKPhyAndMACSetupObject, T_SFSKActiveInitiatorObject, T_SFSKMACSynchronizationTimeoutsObject,
    T_SFSKMACCountersObject, T_SFSKReportingSystemListObject;
extern const TypeInfo T_Phase, T_DeltaElectricalPhase, T_Repeater, T_Frequencies, T_Initiator, T_MacAddress,
    T_MacGroupAddresses, T_SynchronizationCouples, T_SynchronizationListing, T_BroadcastCouples,
    T_SynchronizationRegister, T_BroadcastFramesCounter, T_SystemTitle, T_ReportingSystemList;

// LLC.
extern const TypeInfo T_IEC_61334_4_32_LLCSetupObject, T_LLCType1SetupObject, T_LLCType2SetupObject,
    T_LLCType3SetupObject;
extern const TypeInfo T_ReplayStatus, T_ReplayStatusList;

// PRIME.
extern const TypeInfo T_LLC_SSCS_SetupObject, T_PRIME_NB_OFDM_PLC_PhysicalLayerCountersObject,
    T_PRIME_NB_OFDM_PLC_MACSetupObject, T_PRIME_NB_OFDM_PLC_MACFunctionalParameters,
    T_PRIME_NB_OFDM_PLC_MACCountersObject, T_PRIME_NB_OFDM_PLC_MACNetworkAdministrationDataObject,
    T_PRIME_NB_OFDM_PLCApplicationIdentificationObject;
extern const TypeInfo T_MAC_State, T_MAC_ListMulticastEntriesElement, T_MAC_ListMulticastEntries, T_StblEntryLSID,
    T_MAC_ListSwitchTable, T_MAC_DirectTableElement, T_MAC_ListDirectTable, T_MAC_ListAvailableSwitchesElement,
    T_MAC_ListAvailableSwitches, T_PhyCommElement, T_MAC_ListPhyComm;

// G3.
extern const TypeInfo T_G3_NB_OFDM_PLC_MACLayerCountersObject, T_G3_NB_OFDM_PLC_MACSetupObject,
    T_G3_NB_OFDM_PLC_6LoWPANAdaptationLayerSetupObject;
extern const TypeInfo T_Modulation, T_TxRes, T_MAC_GMK, T_MAC_KeyTable, T_MAC_NeighbourTableElement,
    T_MAC_NeighbourTable, T_ADP_DeviceType, T_RoutingConfiguration, T_RoutingTable, T_ContextInformationTable,
    T_BlackListedNeighbourSet, T_BroadcastLogTableEntry, T_GroupAddress, T_ADP_PrefixTable, T_ADP_RoutingConfiguration,
    T_ADP_RoutingTable, T_ADP_ContextInformationTable, T_ADP_BlackListTable, T_ADP_BroadcasetLogTable, T_ADP_GroupTable;

// Every descriptor of the communication classes and their element types.
const TypeTable& CommunicationTypes();

}  // namespace zv
