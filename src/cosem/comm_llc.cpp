// IEC 61334-4-32 LLC setup and LLC type 1, 2 and 3 setup.
#include "cosem/comm_classes.h"
#include "cosem/cosem_instance.h"

namespace zv {

namespace {

constexpr MemberInfo kReplayStatus[] = {
    Mem(xmlLSAPSelector, T_Unsigned8),
    Mem(xmlReplyStatus, T_Unsigned8),
};

// The list is stored as "ReplyStatusList" while its class is the "Replay" status list.
constexpr MemberInfo kIEC61334LLCSetup[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlMaxFrameLength, T_Unsigned16),
    Mem(xmlReplyStatusList, T_ReplayStatusList),
};

constexpr MemberInfo kLLCType1Setup[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlMaxOctetsUiPdu, T_Unsigned16),
};

constexpr MemberInfo kLLCType2Setup[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlTransmitWindowsSizeK, T_Unsigned8),
    Mem(xmlReceiveWindowSizeRW, T_Unsigned8),
    Mem(xmlMaxOctetsIPduN1, T_Unsigned16),
    Mem(xmlMaxNumberTransmissionsN2, T_Unsigned8),
    Mem(xmlAcknowledgementTimer, T_Unsigned16),
    Mem(xmlPBitTimer, T_Unsigned16),
    Mem(xmlRejectTimer, T_Unsigned16),
    Mem(xmlBusyStateTimer, T_Unsigned16),
};

constexpr MemberInfo kLLCType3Setup[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlMaxOctetsAcnPduN3, T_Unsigned16),
    Mem(xmlMaxNumberTransmissionsN4, T_Unsigned8),
    Mem(xmlAcknowledgementTimeT1, T_Unsigned16),
    Mem(xmlReceiveLifetimeVarT2, T_Unsigned16),
    Mem(xmlTransmitLifetimeVarT3, T_Unsigned16),
};

}  // namespace

constinit const TypeInfo T_ReplayStatus = SequenceType("T_ReplayStatus", xml_ReplayStatus, kReplayStatus);
constinit const TypeInfo T_ReplayStatusList =
    SequenceOfType("T_ReplayStatusList", xml_ReplayStatusList, T_ReplayStatus, xml_ReplayStatus);

constinit const TypeInfo T_IEC_61334_4_32_LLCSetupObject =
    InterfaceClassType("T_IEC_61334_4_32_LLCSetupObject", xml_IEC_61334_4_32_LLCSetupObject, kIEC61334LLCSetup, 55, 1);
constinit const TypeInfo T_LLCType1SetupObject =
    InterfaceClassType("T_LLCType1SetupObject", xml_LLCType1SetupObject, kLLCType1Setup, 57, 0);
constinit const TypeInfo T_LLCType2SetupObject =
    InterfaceClassType("T_LLCType2SetupObject", xml_LLCType2SetupObject, kLLCType2Setup, 58, 0);
constinit const TypeInfo T_LLCType3SetupObject =
    InterfaceClassType("T_LLCType3SetupObject", xml_LLCType3SetupObject, kLLCType3Setup, 59, 0);

}  // namespace zv
