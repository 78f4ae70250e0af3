// Script table, schedule, special days table and single action schedule.
#include "apdu/ln_services.h"
#include "cosem/meter_classes.h"

namespace zv {

namespace {

constexpr EnumName kServiceId[] = {{0, "ServiceUndefined"}, {1, "ServiceWriteAttribute"}, {2, "ServiceExecuteCommand"}};
// Code 0 has no name of its own.
constexpr EnumName kScheduleType[] = {
    {1, "ScheduleType1"}, {2, "ScheduleType2"}, {3, "ScheduleType3"}, {4, "ScheduleType4"}, {5, "ScheduleType5"}};

constexpr MemberInfo kScriptAction[] = {
    Mem(xmlServiceId, T_ServiceId),
    Mem(xmlClassId, T_ClassId),
    Mem(xmlLogicalName, T_LogicalName),
    Mem(xmlIndex, T_Integer8),
    Mem(xmlParameter, T_Data),
};
constexpr MemberInfo kScript[] = {
    Mem(xmlScriptIdentifier, T_Unsigned16),
    Mem(xmlScriptActions, T_ScriptActions),
};
constexpr MemberInfo kScriptTable[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlScripts, T_Scripts),
};

// Times and dates are octet strings of any length: nothing here looks into their fields.
constexpr MemberInfo kScheduleEntry[] = {
    Mem(xmlIndex, T_Unsigned16),
    Mem(xmlEnable, T_Boolean),
    Mem(xmlScriptLogicalName, T_LogicalName),
    Mem(xmlScriptSelector, T_Unsigned16),
    Mem(xmlSwitchTime, T_OctetString),
    Mem(xmlValidityWindow, T_Unsigned16),
    Mem(xmlExecWeekDays, T_BitString),
    Mem(xmlExecSpecDays, T_BitString),
    Mem(xmlBeginDate, T_OctetString),
    Mem(xmlEndDate, T_OctetString),
};
constexpr MemberInfo kSchedule[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlEntries, T_ScheduleEntries),
};

constexpr MemberInfo kSpecialDay[] = {
    Mem(xmlIndex, T_Unsigned16),
    Mem(xmlDayDate, T_OctetString),
    Mem(xmlDayId, T_Unsigned8),
};
constexpr MemberInfo kSpecialDaysTable[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlEntries, T_SpecialDays),
};

constexpr MemberInfo kExecutedScript[] = {
    Mem(xmlLogicalName, T_LogicalName),
    Mem(xmlScriptSelector, T_Unsigned16),
};
constexpr MemberInfo kExecutionTime[] = {
    Mem(xmlTime, T_OctetString),
    Mem(xmlDate, T_OctetString),
};
constexpr MemberInfo kSingleActionSchedule[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlExecutedScript, T_ExecutedScript),
    Mem(xmlScheduleType, T_ScheduleType),
    Mem(xmlExecutionTimes, T_ExecutionTimes),
};

}  // namespace

constinit const TypeInfo T_ServiceId = EnumType("T_ServiceId", xml_ServiceId, kServiceId);
constinit const TypeInfo T_ScriptAction = SequenceType("T_ScriptAction", xml_ScriptAction, kScriptAction);
constinit const TypeInfo T_ScriptActions =
    SequenceOfType("T_ScriptActions", xml_ScriptActions, T_ScriptAction, xml_ScriptAction);
constinit const TypeInfo T_Script = SequenceType("T_Script", xml_Script, kScript);
constinit const TypeInfo T_Scripts = SequenceOfType("T_Scripts", xml_Scripts, T_Script, xml_Script);
constinit const TypeInfo T_ScriptTableObject =
    InterfaceClassType("T_ScriptTableObject", xml_ScriptTableObject, kScriptTable, 9, 0);

constinit const TypeInfo T_ScheduleEntry = SequenceType("T_ScheduleEntry", xml_ScheduleEntry, kScheduleEntry);
constinit const TypeInfo T_ScheduleEntries =
    SequenceOfType("T_ScheduleEntries", xml_ScheduleEntries, T_ScheduleEntry, xml_ScheduleEntry);
constinit const TypeInfo T_ScheduleObject =
    InterfaceClassType("T_ScheduleObject", xml_ScheduleObject, kSchedule, 10, 0);

constinit const TypeInfo T_SpecialDay = SequenceType("T_SpecialDay", xml_SpecialDay, kSpecialDay);
constinit const TypeInfo T_SpecialDays = SequenceOfType("T_SpecialDays", xml_SpecialDays, T_SpecialDay, xml_SpecialDay);
constinit const TypeInfo T_SpecialDaysTableObject =
    InterfaceClassType("T_SpecialDaysTableObject", xml_SpecialDaysTableObject, kSpecialDaysTable, 11, 0);

constinit const TypeInfo T_ExecutedScript = SequenceType("T_ExecutedScript", xml_ExecutedScript, kExecutedScript);
constinit const TypeInfo T_ScheduleType = EnumType("T_ScheduleType", xml_ScheduleType, kScheduleType);
constinit const TypeInfo T_ExecutionTime = SequenceType("T_ExecutionTime", xml_ExecutionTime, kExecutionTime);
constinit const TypeInfo T_ExecutionTimes =
    SequenceOfType("T_ExecutionTimes", xml_ExecutionTimes, T_ExecutionTime, xml_ExecutionTime);
constinit const TypeInfo T_SingleActionScheduleObject =
    InterfaceClassType("T_SingleActionScheduleObject", xml_SingleActionScheduleObject, kSingleActionSchedule, 22, 0);

}  // namespace zv
