// S-FSK Phy&MAC setup, active initiator, MAC synchronization timeouts, MAC counters and
// reporting system list.
#include "cosem/comm_classes.h"
#include "cosem/cosem_instance.h"

namespace zv {

namespace {

constexpr EnumName kPhase[] = {{0, "PhaseDefault"}, {1, "Phase1"}, {2, "Phase2"}, {3, "Phase3"}};
constexpr EnumName kDeltaElectricalPhase[] = {
    {0, "DeltaElectricalPhase0"}, {1, "DeltaElectricalPhase1"}, {2, "DeltaElectricalPhase2"},
    {3, "DeltaElectricalPhase3"}, {4, "DeltaElectricalPhase4"}, {5, "DeltaElectricalPhase5"},
    {6, "DeltaElectricalPhase6"},
};
constexpr EnumName kRepeater[] = {{0, "RepeaterNever"}, {1, "RepeaterAlways"}, {2, "RepeaterDynamic"}};

constexpr MemberInfo kFrequencies[] = {
    Mem(xmlMark, T_Unsigned32),
    Mem(xmlSpace, T_Unsigned32),
};

constexpr MemberInfo kInitiator[] = {
    Mem(xmlSystemTitle, T_OctetString),
    Mem(xmlMACAddress, T_Unsigned16),
    Mem(xmlLSAPSelector, T_Unsigned8),
};

constexpr MemberInfo kSynchronizationCouples[] = {
    Mem(xmlMACAddress, T_Unsigned16),
    Mem(xmlSynchronizationCounter, T_Unsigned32),
};

constexpr MemberInfo kSynchronizationListing[] = {
    Mem(xmlNbPhysicalLayerDesynchronization, T_Unsigned32),
    Mem(xmlNbTimeoutNotAddressedDesynchronization, T_Unsigned32),
    Mem(xmlNbTimeoutFrameNotOKDesynchronization, T_Unsigned32),
    Mem(xmlNbWriteRequestDesynchronization, T_Unsigned32),
    Mem(xmlNbWrongInitiatorDesynchronization, T_Unsigned32),
};

constexpr MemberInfo kBroadcastCouples[] = {
    Mem(xmlSourceMACAddress, T_Unsigned16),
    Mem(xmlFramesCounter, T_Unsigned32),
};

constexpr MemberInfo kPhyAndMACSetup[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlInitiatorElectricalPhase, T_Phase),
    Mem(xmlDeltaElectricalPhase, T_DeltaElectricalPhase),
    Mem(xmlMaxReceivingGain, T_Unsigned8),
    Mem(xmlMaxTransmittingGain, T_Unsigned8),
    Mem(xmlSearchInitiatorThreshold, T_Unsigned8),
    Mem(xmlFrequencies, T_Frequencies),
    Mem(xmlMACAddress, T_Unsigned16),
    Mem(xmlMacGroupAddresses, T_MacGroupAddresses),
    Mem(xmlRepeater, T_Repeater),
    Mem(xmlRepeaterStatus, T_Boolean),
    Mem(xmlMinDeltaCredit, T_Unsigned8),
    Mem(xmlInitiatorMACAddress, T_Unsigned16),
    Mem(xmlSynchronizationLocked, T_Boolean),
    Mem(xmlTransmissionSpeed, T_Baud),
};

constexpr MemberInfo kActiveInitiator[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlActiveInitiator, T_Initiator),
};

constexpr MemberInfo kMACSynchronizationTimeouts[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlSearchInitiatorTimeout, T_Unsigned16),
    Mem(xmlSynchronizationConfirmationTimeout, T_Unsigned16),
    Mem(xmlTimeoutNotAddressed, T_Unsigned16),
    Mem(xmlTimeOutFrameNotOk, T_Unsigned16),
};

constexpr MemberInfo kMACCounters[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlSynchronizationRegister, T_SynchronizationRegister),
    Mem(xmlSynchronizationListing, T_SynchronizationListing),
    Mem(xmlBroadcastFramesCounter, T_BroadcastFramesCounter),
    Mem(xmlRepetitionsCounter, T_Unsigned32),
    Mem(xmlTransmissionsCounters, T_Unsigned32),
    Mem(xmlCRCOKFrameCounters, T_Unsigned32),
    Mem(xmlCRNNOKFrameCounters, T_Unsigned32),
};

constexpr MemberInfo kReportingSystemList[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlReportingSystemList, T_ReportingSystemList),
};

}  // namespace

constinit const TypeInfo T_Phase = EnumType("T_Phase", xml_Phase, kPhase);
constinit const TypeInfo T_DeltaElectricalPhase =
    EnumType("T_DeltaElectricalPhase", xml_DeltaElectricalPhase, kDeltaElectricalPhase);
constinit const TypeInfo T_Repeater = EnumType("T_Repeater", xml_Repeater, kRepeater);

constinit const TypeInfo T_Frequencies = SequenceType("T_Frequencies", xml_Frequencies, kFrequencies);
constinit const TypeInfo T_Initiator = SequenceType("T_Initiator", xml_Initiator, kInitiator);
constinit const TypeInfo T_SynchronizationCouples =
    SequenceType("T_SynchronizationCouples", xml_SynchronizationCouples, kSynchronizationCouples);
constinit const TypeInfo T_SynchronizationListing =
    SequenceType("T_SynchronizationListing", xml_SynchronizationListing, kSynchronizationListing);
constinit const TypeInfo T_BroadcastCouples =
    SequenceType("T_BroadcastCouples", xml_BroadcastCouples, kBroadcastCouples);

// Aliases: they code as their parents and give the list items their own names.
constinit const TypeInfo T_MacAddress = DerivedType("T_MacAddress", xml_MacAddress, T_Unsigned16);
constinit const TypeInfo T_SystemTitle = DerivedType("T_SystemTitle", xml_SystemTitle, T_OctetString);

constinit const TypeInfo T_MacGroupAddresses =
    SequenceOfType("T_MacGroupAddresses", xml_MacGroupAddresses, T_MacAddress, xml_MacAddress);
constinit const TypeInfo T_SynchronizationRegister = SequenceOfType(
    "T_SynchronizationRegister", xml_SynchronizationRegister, T_SynchronizationCouples, xml_SynchronizationCouples);
constinit const TypeInfo T_BroadcastFramesCounter =
    SequenceOfType("T_BroadcastFramesCounter", xml_BroadcastFramesCounter, T_BroadcastCouples, xml_BroadcastCouples);
constinit const TypeInfo T_ReportingSystemList =
    SequenceOfType("T_ReportingSystemList", xml_ReportingSystemList, T_SystemTitle, xml_SystemTitle);

constinit const TypeInfo T_SFSKPhyAndMACSetupObject =
    InterfaceClassType("T_SFSKPhyAndMACSetupObject", xml_SFSKPhyAndMACSetupObject, kPhyAndMACSetup, 50, 1);
constinit const TypeInfo T_SFSKActiveInitiatorObject =
    InterfaceClassType("T_SFSKActiveInitiatorObject", xml_SFSKActiveInitiatorObject, kActiveInitiator, 51, 0);
constinit const TypeInfo T_SFSKMACSynchronizationTimeoutsObject =
    InterfaceClassType("T_SFSKMACSynchronizationTimeoutsObject", xml_SFSKMACSynchronizationTimeoutsObject,
                       kMACSynchronizationTimeouts, 52, 0);
constinit const TypeInfo T_SFSKMACCountersObject =
    InterfaceClassType("T_SFSKMACCountersObject", xml_SFSKMACCountersObject, kMACCounters, 53, 0);
constinit const TypeInfo T_SFSKReportingSystemListObject = InterfaceClassType(
    "T_SFSKReportingSystemListObject", xml_SFSKReportingSystemListObject, kReportingSystemList, 56, 0);

}  // namespace zv
