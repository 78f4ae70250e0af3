// Register activation, register monitor, register table, status mapping, parameter
// monitor, compact data and utility tables. No rule ties one attribute to another: masks
// may index registers that are not assigned, buffers need not match their length, and the
// Data members take values of any type.
#include "apdu/ln_services.h"
#include "cosem/basic_classes.h"
#include "cosem/comm_types.h"
#include "cosem/meter_classes.h"

namespace zv {

namespace {

constexpr EnumName kCaptureMethod[] = {{0, "CaptureMethod_0"}, {1, "CaptureMethod_1"}};

// Register activation.
constexpr MemberInfo kObjectDefinition[] = {
    Mem(xmlClassId, T_ClassId),
    Mem(xmlLogicalName, T_LogicalName),
};
constexpr MemberInfo kRegisterActMask[] = {
    Mem(xmlMaskName, T_OctetString),
    Mem(xmlIndexList, T_IndexArray),
};
constexpr MemberInfo kRegisterActivation[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlRegisterAssignment, T_RegisterAssignment),
    Mem(xmlMaskList, T_MaskList),
    Mem(xmlActiveMask, T_OctetString),
};

// Register monitor; the action item is shared with the limiter.
constexpr MemberInfo kValue[] = {
    Mem(xmlClassId, T_ClassId),
    Mem(xmlLogicalName, T_LogicalName),
    Mem(xmlAttributeIndex, T_Integer8),
};
constexpr MemberInfo kActionItem[] = {
    Mem(xmlScriptLogicalName, T_LogicalName),
    Mem(xmlScriptSelector, T_Unsigned16),
};
constexpr MemberInfo kActionSet[] = {
    Mem(xmlActionUp, T_ActionItem),
    Mem(xmlActionDown, T_ActionItem),
};
constexpr MemberInfo kRegisterMonitor[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlThresholds, T_Thresholds),
    Mem(xmlMonitoredValue, T_Value),
    Mem(xmlActions, T_Actions),
};

// Register table.
constexpr MemberInfo kTableCellDefinition[] = {
    Mem(xmlClassId, T_ClassId),
    Mem(xmlLogicalName, T_LogicalName),
    Mem(xmlGroupEValues, T_GroupEValues),
    Mem(xmlAttributeIndex, T_Integer8),
};
constexpr MemberInfo kRegisterTable[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlTableCellValues, T_TableCellValues),
    Mem(xmlTableCellDefinition, T_TableCellDefinition),
    Mem(xmlScalerUnit, T_ScalerUnit),
};

// Status mapping.
constexpr MemberInfo kMappingTable[] = {
    Mem(xmlRefTableId, T_Unsigned8),
    Mem(xmlMappingTableEntry, T_Data),
};
constexpr MemberInfo kStatusMapping[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlStatusWord, T_Data),
    Mem(xmlMappingTable, T_MappingTable),
};

// Parameter monitor: its class ids are plain long-unsigned values.
constexpr MemberInfo kChangedParameter[] = {
    Mem(xmlClassId, T_Unsigned16),
    Mem(xmlLogicalName, T_LogicalName),
    Mem(xmlAttributeIndex, T_Integer8),
    Mem(xmlAttributeValue, T_Data),
};
constexpr MemberInfo kParameterListElement[] = {
    Mem(xmlClassId, T_Unsigned16),
    Mem(xmlLogicalName, T_LogicalName),
    Mem(xmlAttributeIndex, T_Integer8),
};
constexpr MemberInfo kParameterMonitor[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlChangedParameter, T_ChangedParameter),
    Mem(xmlCaptureTime, T_OctetDateTime),
    Mem(xmlParameterList, T_ParameterList),
};

// Compact data: the buffer is kept as given, never built from the capture objects.
constexpr MemberInfo kCompactData[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlCompactBuffer, T_OctetString),
    Mem(xmlCaptureObjects, T_CaptureObjects),
    Mem(xmlTemplateId, T_Unsigned8),
    Mem(xmlTemplateDescription, T_OctetString),
    Mem(xmlCaptureMethod, T_CaptureMethod),
};

// Utility tables: the length is a value of its own, not the buffer's length.
constexpr MemberInfo kUtilityTables[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlTableId, T_Unsigned16),
    Mem(xmlLength, T_Unsigned32),
    Mem(xmlBuffer, T_OctetString),
};

}  // namespace

constinit const TypeInfo T_ObjectDefinition =
    SequenceType("T_ObjectDefinition", xml_ObjectDefinition, kObjectDefinition);
constinit const TypeInfo T_RegisterAssignment =
    SequenceOfType("T_RegisterAssignment", xml_RegisterAssignment, T_ObjectDefinition, xml_ObjectDefinition);
constinit const TypeInfo T_IndexArray = SequenceOfType("T_IndexArray", xml_IndexArray, T_Unsigned8, xml_Unsigned8);
constinit const TypeInfo T_RegisterActMask = SequenceType("T_RegisterActMask", xml_RegisterActMask, kRegisterActMask);
constinit const TypeInfo T_MaskList =
    SequenceOfType("T_MaskList", xml_MaskList, T_RegisterActMask, xml_RegisterActMask);
constinit const TypeInfo T_RegisterActivationObject =
    InterfaceClassType("T_RegisterActivationObject", xml_RegisterActivationObject, kRegisterActivation, 6, 0);

constinit const TypeInfo T_Thresholds = SequenceOfType("T_Thresholds", xml_Thresholds, T_Data, xml_Data);
constinit const TypeInfo T_Value = SequenceType("T_Value", xml_Value, kValue);
constinit const TypeInfo T_ActionItem = SequenceType("T_ActionItem", xml_ActionItem, kActionItem);
constinit const TypeInfo T_ActionSet = SequenceType("T_ActionSet", xml_ActionSet, kActionSet);
constinit const TypeInfo T_Actions = SequenceOfType("T_Actions", xml_Actions, T_ActionSet, xml_ActionSet);
constinit const TypeInfo T_RegisterMonitorObject =
    InterfaceClassType("T_RegisterMonitorObject", xml_RegisterMonitorObject, kRegisterMonitor, 21, 0);

constinit const TypeInfo T_TableCellValues = SequenceOfType("T_TableCellValues", xml_TableCellValues, T_Data, xml_Data);
constinit const TypeInfo T_GroupEValue = DerivedType("T_GroupEValue", xml_GroupEValue, T_Unsigned8);
constinit const TypeInfo T_GroupEValues =
    SequenceOfType("T_GroupEValues", xml_GroupEValues, T_GroupEValue, xml_GroupEValue);
constinit const TypeInfo T_TableCellDefinition =
    SequenceType("T_TableCellDefinition", xml_TableCellDefinition, kTableCellDefinition);
constinit const TypeInfo T_RegisterTableObject =
    InterfaceClassType("T_RegisterTableObject", xml_RegisterTableObject, kRegisterTable, 61, 0);

constinit const TypeInfo T_MappingTable = SequenceType("T_MappingTable", xml_MappingTable, kMappingTable);
constinit const TypeInfo T_StatusMappingObject =
    InterfaceClassType("T_StatusMappingObject", xml_StatusMappingObject, kStatusMapping, 63, 0);

constinit const TypeInfo T_ChangedParameter =
    SequenceType("T_ChangedParameter", xml_ChangedParameter, kChangedParameter);
constinit const TypeInfo T_ParameterListElement =
    SequenceType("T_ParameterListElement", xml_ParameterListElement, kParameterListElement);
constinit const TypeInfo T_ParameterList =
    SequenceOfType("T_ParameterList", xml_ParameterList, T_ParameterListElement, xml_ParameterListElement);
constinit const TypeInfo T_ParameterMonitorObject =
    InterfaceClassType("T_ParameterMonitorObject", xml_ParameterMonitorObject, kParameterMonitor, 65, 0);

constinit const TypeInfo T_CaptureMethod = EnumType("T_CaptureMethod", xml_CaptureMethod, kCaptureMethod);
constinit const TypeInfo T_CompactDataObject =
    InterfaceClassType("T_CompactDataObject", xml_CompactDataObject, kCompactData, 62, 0);

constinit const TypeInfo T_UtilityTablesObject =
    InterfaceClassType("T_UtilityTablesObject", xml_UtilityTablesObject, kUtilityTables, 26, 0);

}  // namespace zv
