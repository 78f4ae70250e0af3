// The metering, scheduling, control and payment interface classes and their element
// types: register activation, register monitor, register table, status mapping, parameter
// monitor, compact data, utility tables; script table, schedule, special days, single
// action schedule; activity calendar; SAP assignment, image transfer, disconnect control,
// limiter, arbitrator; token gateway, account, credit and charge. They hold data only:
// the server serves their attributes as stored values (the script table's execute method
// is bound by the server and reads the scripts through the views below).
#pragma once
#include "cosem/cosem_instance.h"

namespace zv {

// Register activation, register monitor, register table, status mapping, parameter
// monitor, compact data and utility tables.
extern const TypeInfo T_RegisterActivationObject, T_RegisterMonitorObject, T_RegisterTableObject, T_StatusMappingObject,
    T_ParameterMonitorObject, T_CompactDataObject, T_UtilityTablesObject;
extern const TypeInfo T_ObjectDefinition, T_RegisterAssignment, T_IndexArray, T_RegisterActMask, T_MaskList,
    T_Thresholds, T_Value, T_ActionItem, T_ActionSet, T_Actions, T_TableCellValues, T_GroupEValue, T_GroupEValues,
    T_TableCellDefinition, T_MappingTable, T_ChangedParameter, T_ParameterListElement, T_ParameterList, T_CaptureMethod;

// Script table, schedule, special days table and single action schedule.
extern const TypeInfo T_ScriptTableObject, T_ScheduleObject, T_SpecialDaysTableObject, T_SingleActionScheduleObject;
extern const TypeInfo T_ServiceId, T_ScriptAction, T_ScriptActions, T_Script, T_Scripts, T_ScheduleEntry,
    T_ScheduleEntries, T_SpecialDay, T_SpecialDays, T_ExecutedScript, T_ScheduleType, T_ExecutionTime, T_ExecutionTimes;

// Activity calendar.
extern const TypeInfo T_ActivityCalendarObject;
extern const TypeInfo T_Season, T_SeasonProfile, T_WeekProfile, T_WeekProfileTable, T_DayProfileAction,
    T_DayProfileActions, T_DayProfile, T_DayProfileTable;

// SAP assignment, image transfer, disconnect control, limiter and arbitrator.
extern const TypeInfo T_SAPAssignmentObject, T_ImageTransferObject, T_DisconnectControlObject, T_LimiterObject,
    T_ArbitratorObject;
extern const TypeInfo T_SAPAssignmentListItem, T_SAPAssignmentList, T_ImageTransferStatus, T_ImageToActivateInfoItem,
    T_ImageToActivateInfo, T_ControlState, T_ControlMode, T_ValueDefinition, T_EmergencyProfile,
    T_EmergencyProfileGroupId, T_EmergencyProfileGroupIdList, T_Action, T_ArbitratorActionItem, T_ArbitratorActions,
    T_PermissionsTable, T_ActorWeightingList, T_WeightingsTable, T_MostRecentRequestsTable;

// Token gateway, account, credit and charge.
extern const TypeInfo T_TokenGatewayObject, T_AccountObject, T_CreditObject, T_ChargeObject;
extern const TypeInfo T_TokenDescription, T_TokenDeliveryMethod, T_StatusCode, T_TokenStatus, T_PaymentMode,
    T_AccountStatus, T_CurrencyUnit, T_AccountModeAndStatus, T_CreditReferenceList, T_ChargeReferenceList,
    T_CreditChargeConfigurationItem, T_CreditChargeConfiguration, T_TokenGatewayConfigurationItem,
    T_TokenGatewayConfiguration, T_Currency, T_CreditType, T_CreditStatus, T_ChargeType, T_ChargePerUnitScaling,
    T_CommodityReference, T_ChargeTableItem, T_ChargeTable, T_UnitCharge;

// Member positions of the structures that script execution reads.
struct Script {
  enum : size_t { ScriptIdentifier, ScriptActions };
};
struct ScriptAction {
  enum : size_t { ServiceId, ClassId, LogicalName, Index, Parameter };
};
// The service codes of a script action.
enum TServiceId : int { ServiceUndefined = 0, ServiceWriteAttribute = 1, ServiceExecuteCommand = 2 };

// Every descriptor of these classes and their element types.
const TypeTable& MeterClassTypes();

}  // namespace zv
