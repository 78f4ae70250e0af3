#include "cosem/logical_device.h"

#include "cosem/association_classes.h"
#include "cosem/basic_classes.h"
#include "cosem/clock.h"
#include "cosem/comm_classes.h"
#include "cosem/data_protection.h"
#include "cosem/meter_classes.h"
#include "cosem/push_setup.h"
#include "cosem/security_setup.h"

namespace zv {

namespace {

// The choice over the interface classes, by choice tag; the XML reader tries the element
// names in table order (the order of the element-name table).
constexpr AltInfo kObjectAlts[] = {
    Alt(0, xmlDataObject, T_DataObject),
    Alt(1, xmlRegisterObject, T_RegisterObject),
    Alt(2, xmlExtendedRegisterObject, T_ExtendedRegisterObject),
    Alt(3, xmlDemandRegisterObject, T_DemandRegisterObject),
    Alt(4, xmlRegisterActivationObject, T_RegisterActivationObject),
    Alt(5, xmlProfileGenericObject, T_ProfileGenericObject),
    Alt(6, xmlClockObject, T_ClockObject),
    Alt(7, xmlScriptTableObject, T_ScriptTableObject),
    Alt(8, xmlScheduleObject, T_ScheduleObject),
    Alt(9, xmlSpecialDaysTableObject, T_SpecialDaysTableObject),
    Alt(55, xmlSNAssociationObject_4, T_SNAssociationObject_4),
    Alt(56, xmlLNAssociationObject_3, T_LNAssociationObject_3),
    Alt(13, xmlSAPAssignmentObject, T_SAPAssignmentObject),
    Alt(48, xmlImageTransferObject, T_ImageTransferObject),
    Alt(15, xmlIECLocalPortSetupObject, T_IECLocalPortSetupObject),
    Alt(16, xmlActivityCalendarObject, T_ActivityCalendarObject),
    Alt(17, xmlRegisterMonitorObject, T_RegisterMonitorObject),
    Alt(18, xmlSingleActionScheduleObject, T_SingleActionScheduleObject),
    Alt(20, xmlIECHDLCSetupObject, T_IECHDLCSetupObject),
    Alt(21, xmlIECTwistedPairSetupObject_0, T_IECTwistedPairSetupObject_0),
    Alt(57, xmlIECTwistedPairSetupObject_1, T_IECTwistedPairSetupObject_1),
    Alt(22, xmlMBUSSlavePortSetupObject, T_MBUSSlavePortSetupObject),
    Alt(23, xmlUtilityTablesObject, T_UtilityTablesObject),
    Alt(25, xmlModemConfigurationObject_0, T_ModemConfigurationObject_0),
    Alt(64, xmlModemConfigurationObject_1, T_ModemConfigurationObject_1),
    Alt(26, xmlAutoAnswerObject_0, T_AutoAnswerObject_0),
    Alt(58, xmlAutoAnswerObject_2, T_AutoAnswerObject_2),
    Alt(65, xmlPSTNAutoDialObject, T_PSTNAutoDialObject),
    Alt(66, xmlAutoConnectObject_1, T_AutoConnectObject_1),
    Alt(28, xmlAutoConnectObject_2, T_AutoConnectObject_2),
    Alt(82, xmlDataProtectionObject, T_DataProtectionObject),
    Alt(59, xmlPushSetupObject, T_PushSetupObject),
    Alt(51, xmlTCPUDPSetupObject, T_TCPUDPSetupObject),
    Alt(52, xmlIPv4SetupObject, T_IPv4SetupObject),
    Alt(60, xmlMACAddressSetupObject, T_MACAddressSetupObject),
    Alt(53, xmlPPPSetupObject, T_PPPSetupObject),
    Alt(54, xmlGPRSModemSetupObject, T_GPRSModemSetupObject),
    Alt(29, xmlSMTPSetupObject, T_SMTPSetupObject),
    Alt(61, xmlGSMDiagnosticObject, T_GSMDiagnosticObject),
    Alt(62, xmlIPv6SetupObject, T_IPv6SetupObject),
    Alt(49, xmlSFSKPhyAndMACSetupObject, T_SFSKPhyAndMACSetupObject),
    Alt(31, xmlSFSKActiveInitiatorObject, T_SFSKActiveInitiatorObject),
    Alt(32, xmlSFSKMACSynchronizationTimeoutsObject, T_SFSKMACSynchronizationTimeoutsObject),
    Alt(33, xmlSFSKMACCountersObject, T_SFSKMACCountersObject),
    Alt(50, xmlIEC_61334_4_32_LLCSetupObject, T_IEC_61334_4_32_LLCSetupObject),
    Alt(35, xmlSFSKReportingSystemListObject, T_SFSKReportingSystemListObject),
    Alt(36, xmlLLCType1SetupObject, T_LLCType1SetupObject),
    Alt(37, xmlLLCType2SetupObject, T_LLCType2SetupObject),
    Alt(38, xmlLLCType3SetupObject, T_LLCType3SetupObject),
    Alt(39, xmlRegisterTableObject, T_RegisterTableObject),
    Alt(87, xmlCompactDataObject, T_CompactDataObject),
    Alt(40, xmlStatusMappingObject, T_StatusMappingObject),
    Alt(90, xmlSecuritySetupObject_0, T_SecuritySetupObject_0),
    Alt(41, xmlSecuritySetupObject_1, T_SecuritySetupObject_1),
    Alt(63, xmlParameterMonitorObject, T_ParameterMonitorObject),
    Alt(88, xmlArbitratorObject, T_ArbitratorObject),
    Alt(42, xmlDisconnectControlObject, T_DisconnectControlObject),
    Alt(43, xmlLimiterObject, T_LimiterObject),
    Alt(44, xmlMBusClientObject, T_MBusClientObject),
    Alt(45, xmlWirelessModeQChannelObject, T_WirelessModeQChannelObject),
    Alt(46, xmlMBusMasterPortSetupObject, T_MBusMasterPortSetupObject),
    Alt(89, xmlMBusDiagnosticObject, T_MBusDiagnosticObject),
    Alt(67, xmlLLC_SSCS_SetupObject, T_LLC_SSCS_SetupObject),
    Alt(68, xmlPRIME_NB_OFDM_PLC_PhysicalLayerCountersObject, T_PRIME_NB_OFDM_PLC_PhysicalLayerCountersObject),
    Alt(69, xmlPRIME_NB_OFDM_PLC_MACSetupObject, T_PRIME_NB_OFDM_PLC_MACSetupObject),
    Alt(70, xmlPRIME_NB_OFDM_PLC_MACFunctionalParameters, T_PRIME_NB_OFDM_PLC_MACFunctionalParameters),
    Alt(71, xmlPRIME_NB_OFDM_PLC_MACCountersObject, T_PRIME_NB_OFDM_PLC_MACCountersObject),
    Alt(72, xmlPRIME_NB_OFDM_PLC_MACNetworkAdministrationDataObject, T_PRIME_NB_OFDM_PLC_MACNetworkAdministrationDataObject),
    Alt(73, xmlPRIME_NB_OFDM_PLCApplicationIdentificationObject, T_PRIME_NB_OFDM_PLCApplicationIdentificationObject),
    Alt(74, xmlG3_NB_OFDM_PLC_MACLayerCountersObject, T_G3_NB_OFDM_PLC_MACLayerCountersObject),
    Alt(75, xmlG3_NB_OFDM_PLC_MACSetupObject, T_G3_NB_OFDM_PLC_MACSetupObject),
    Alt(76, xmlG3_NB_OFDM_PLC_6LoWPANAdaptationLayerSetupObject, T_G3_NB_OFDM_PLC_6LoWPANAdaptationLayerSetupObject),
    Alt(77, xmlZigBeeSASStartupObject, T_ZigBeeSASStartupObject),
    Alt(78, xmlZigBeeSASJoinObject, T_ZigBeeSASJoinObject),
    Alt(79, xmlZigBeeSAS_APSFragmentationObject, T_ZigBeeSAS_APSFragmentationObject),
    Alt(80, xmlZigBeeNetworkControlObject, T_ZigBeeNetworkControlObject),
    Alt(81, xmlZigBeeTunnelSetupObject, T_ZigBeeTunnelSetupObject),
    Alt(83, xmlAccountObject, T_AccountObject),
    Alt(84, xmlCreditObject, T_CreditObject),
    Alt(85, xmlChargeObject, T_ChargeObject),
    Alt(86, xmlTokenGatewayObject, T_TokenGatewayObject),
};

constexpr MemberInfo kLogicalDevice[] = {
    Mem(xmlName, T_OctetString),
    Mem(xmlServerSAP, T_Unsigned16),
    Mem(xmlCOSEMObjectList, T_COSEMObjectList),
};

}  // namespace

constinit const TypeInfo T_COSEMObject = ChoiceType("T_COSEMObject", xml_COSEMObject, kObjectAlts);
constinit const TypeInfo T_COSEMObjectList =
    SequenceOfType("T_COSEMObjectList", xml_COSEMObjectList, T_COSEMObject, xml_COSEMObject);
constinit const TypeInfo TLogicalDevice_Type = SequenceType("TLogicalDevice", xmlLogicalDevice, kLogicalDevice);

TCOSEMInstance& TLogicalDevice::Object(const TSequence& device, int index) {
  auto* entry = ObjectList(device).Elements(index);
  return entry->As<TChoice>().Value->As<TCOSEMInstance>();
}

std::unique_ptr<TSequence> MakeLogicalDevice(std::string_view text) {
  PduPtr p = MakeAnyFromXml(xmlLogicalDevice, TLogicalDevice_Type, text);
  return std::unique_ptr<TSequence>(static_cast<TSequence*>(p.release()));
}

namespace {
const TypeInfo* const kCosemTypes[] = {
    &T_COSEMObject, &T_COSEMObjectList, &TLogicalDevice_Type,
};
}  // namespace

const TypeTable& CosemTypes() {
  static const TypeTable table{kCosemTypes, std::size(kCosemTypes)};
  return table;
}

}  // namespace zv
