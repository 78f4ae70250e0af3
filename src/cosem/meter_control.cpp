// SAP assignment, image transfer, disconnect control, limiter and arbitrator. None has
// behaviour here: no image is received, no disconnector switched, no threshold watched and
// no request arbitrated; the attributes hold what the description or the last SET gave.
#include "apdu/ln_services.h"
#include "cosem/meter_classes.h"

namespace zv {

namespace {

constexpr EnumName kImageTransferStatus[] = {
    {0, "ImageTransferNotInitiated"},   {1, "ImageTransferInitiated"},  {2, "ImageVerificationInitiated"},
    {3, "ImageVerificationSuccessful"}, {4, "ImageVerificationFailed"}, {5, "ImageActivationInitiated"},
    {6, "ImageActivationSuccessful"},   {7, "ImageActivationFailed"},
};
constexpr EnumName kControlState[] = {
    {0, "ControlDiconnected"}, {1, "ControlConnected"}, {2, "ControlReadyForConnection"}};
constexpr EnumName kControlMode[] = {
    {0, "ControlMode0"}, {1, "ControlMode1"}, {2, "ControlMode2"}, {3, "ControlMode3"},
    {4, "ControlMode4"}, {5, "ControlMode5"}, {6, "ControlMode6"},
};

// SAP assignment: the server's own SAP comes from the description, never from this list.
constexpr MemberInfo kSAPAssignmentListItem[] = {
    Mem(xmlSAP, T_Unsigned16),
    Mem(xmlLogicalDeviceName, T_OctetString),
};
constexpr MemberInfo kSAPAssignment[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlSAPAssignmentList, T_SAPAssignmentList),
};

// Image transfer.
constexpr MemberInfo kImageToActivateInfoItem[] = {
    Mem(xmlImageSize, T_Unsigned32),
    Mem(xmlImageIdentification, T_OctetString),
    Mem(xmlImageSignature, T_OctetString),
};
constexpr MemberInfo kImageTransfer[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlImageBlockSize, T_Unsigned32),
    Mem(xmlImageTransferBlockStatus, T_BitString),
    Mem(xmlImageFirstNotTransferedBlockNumber, T_Unsigned32),
    Mem(xmlImageTransferEnabled, T_Boolean),
    Mem(xmlImageTransferStatus, T_ImageTransferStatus),
    Mem(xmlImageToActivateInfo, T_ImageToActivateInfo),
};

// Disconnect control.
constexpr MemberInfo kDisconnectControl[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlOutputState, T_Boolean),
    Mem(xmlControlState, T_ControlState),
    Mem(xmlControlMode, T_ControlMode),
};

// Limiter: the thresholds take Data values of any type, each independently.
constexpr MemberInfo kValueDefinition[] = {
    Mem(xmlClassId, T_ClassId),
    Mem(xmlLogicalName, T_LogicalName),
    Mem(xmlAttributeIndex, T_Integer8),
};
constexpr MemberInfo kEmergencyProfile[] = {
    Mem(xmlProfileId, T_Unsigned16),
    Mem(xmlActivationTime, T_OctetString),
    Mem(xmlDuration, T_Unsigned32),
};
constexpr MemberInfo kAction[] = {
    Mem(xmlOverThreshold, T_ActionItem),
    Mem(xmlUnderThresHold, T_ActionItem),
};
constexpr MemberInfo kLimiter[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlMonitoredValue, T_ValueDefinition),
    Mem(xmlThresholdActive, T_Data),
    Mem(xmlThresholdNormal, T_Data),
    Mem(xmlThresholdEmergency, T_Data),
    Mem(xmlMinOverThresholdDuration, T_Unsigned32),
    Mem(xmlMinUnderThresholdDuration, T_Unsigned32),
    Mem(xmlEmergencyProfile, T_EmergencyProfile),
    Mem(xmlEmergencyProfileGroupIdList, T_EmergencyProfileGroupIdList),
    Mem(xmlEmergencyprofileActive, T_Boolean),
    Mem(xmlActions, T_Action),
};

// Arbitrator: the script's name is a plain octet string here, not a logical name.
constexpr MemberInfo kArbitratorActionItem[] = {
    Mem(xmlScriptLogicalName, T_OctetString),
    Mem(xmlScriptSelector, T_Unsigned16),
};
constexpr MemberInfo kArbitrator[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlActions, T_ArbitratorActions),
    Mem(xmlPermissionsTable, T_PermissionsTable),
    Mem(xmlWeightingsTable, T_WeightingsTable),
    Mem(xmlMostRecentRequestsTable, T_MostRecentRequestsTable),
    Mem(xmlLastOutcome, T_Unsigned8),
};

}  // namespace

constinit const TypeInfo T_SAPAssignmentListItem =
    SequenceType("T_SAPAssignmentListItem", xml_SAPAssignmentListItem, kSAPAssignmentListItem);
constinit const TypeInfo T_SAPAssignmentList =
    SequenceOfType("T_SAPAssignmentList", xml_SAPAssignmentList, T_SAPAssignmentListItem, xml_SAPAssignmentListItem);
constinit const TypeInfo T_SAPAssignmentObject =
    InterfaceClassType("T_SAPAssignmentObject", xml_SAPAssignmentObject, kSAPAssignment, 17, 0);

constinit const TypeInfo T_ImageTransferStatus =
    EnumType("T_ImageTransferStatus", xml_ImageTransferStatus, kImageTransferStatus);
constinit const TypeInfo T_ImageToActivateInfoItem =
    SequenceType("T_ImageToActivateInfoItem", xml_ImageToActivateInfoItem, kImageToActivateInfoItem);
constinit const TypeInfo T_ImageToActivateInfo = SequenceOfType("T_ImageToActivateInfo", xml_ImageToActivateInfo,
                                                                T_ImageToActivateInfoItem, xml_ImageToActivateInfoItem);
constinit const TypeInfo T_ImageTransferObject =
    InterfaceClassType("T_ImageTransferObject", xml_ImageTransferObject, kImageTransfer, 18, 0);

constinit const TypeInfo T_ControlState = EnumType("T_ControlState", xml_ControlState, kControlState);
constinit const TypeInfo T_ControlMode = EnumType("T_ControlMode", xml_ControlMode, kControlMode);
constinit const TypeInfo T_DisconnectControlObject =
    InterfaceClassType("T_DisconnectControlObject", xml_DisconnectControlObject, kDisconnectControl, 70, 0);

constinit const TypeInfo T_ValueDefinition = SequenceType("T_ValueDefinition", xml_ValueDefinition, kValueDefinition);
constinit const TypeInfo T_EmergencyProfile =
    SequenceType("T_EmergencyProfile", xml_EmergencyProfile, kEmergencyProfile);
constinit const TypeInfo T_EmergencyProfileGroupId =
    DerivedType("T_EmergencyProfileGroupId", xml_EmergencyProfileGroupId, T_Unsigned16);
constinit const TypeInfo T_EmergencyProfileGroupIdList =
    SequenceOfType("T_EmergencyProfileGroupIdList", xml_EmergencyProfileGroupIdList, T_EmergencyProfileGroupId,
                   xml_EmergencyProfileGroupId);
constinit const TypeInfo T_Action = SequenceType("T_Action", xml_Action, kAction);
constinit const TypeInfo T_LimiterObject = InterfaceClassType("T_LimiterObject", xml_LimiterObject, kLimiter, 71, 0);

constinit const TypeInfo T_ArbitratorActionItem =
    SequenceType("T_ArbitratorActionItem", xml_ArbitratorActionItem, kArbitratorActionItem);
constinit const TypeInfo T_ArbitratorActions =
    SequenceOfType("T_ArbitratorActions", xml_ArbitratorActions, T_ArbitratorActionItem, xml_ArbitratorActionItem);
constinit const TypeInfo T_PermissionsTable =
    SequenceOfType("T_PermissionsTable", xml_PermissionsTable, T_BitString, xml_BitString);
constinit const TypeInfo T_ActorWeightingList =
    SequenceOfType("T_ActorWeightingList", xml_ActorWeightingList, T_Unsigned16, xml_Unsigned16);
constinit const TypeInfo T_WeightingsTable =
    SequenceOfType("T_WeightingsTable", xml_WeightingsTable, T_ActorWeightingList, xml_ActorWeightingList);
constinit const TypeInfo T_MostRecentRequestsTable =
    SequenceOfType("T_MostRecentRequestsTable", xml_MostRecentRequestsTable, T_BitString, xml_BitString);
constinit const TypeInfo T_ArbitratorObject =
    InterfaceClassType("T_ArbitratorObject", xml_ArbitratorObject, kArbitrator, 68, 0);

}  // namespace zv
