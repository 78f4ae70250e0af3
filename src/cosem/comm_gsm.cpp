// GSM diagnostic.
#include "cosem/comm_classes.h"
#include "cosem/cosem_instance.h"

namespace zv {

namespace {

constexpr EnumName kGSMDiagnosticStatus[] = {
    {0, "GSMDiagnosticStatus0"}, {1, "GSMDiagnosticStatus1"}, {2, "GSMDiagnosticStatus2"},
    {3, "GSMDiagnosticStatus3"}, {4, "GSMDiagnosticStatus4"}, {5, "GSMDiagnosticStatus5"},
};
constexpr EnumName kCSAttachment[] = {{0, "CSAttachment0"}, {1, "CSAttachment1"}, {2, "CSAttachment2"}};
constexpr EnumName kPSStatus[] = {
    {0, "PSStatus0"}, {1, "PSStatus1"}, {2, "PSStatus2"}, {3, "PSStatus3"}, {4, "PSStatus4"}, {5, "PSStatus5"},
};

constexpr MemberInfo kCellInfo[] = {
    Mem(xmlCellId, T_Unsigned16),
    Mem(xmlLocationId, T_Unsigned16),
    Mem(xmlSignalQuality, T_Unsigned8),
    Mem(xmlBER, T_Unsigned8),
};

constexpr MemberInfo kAdjacentCell[] = {
    Mem(xmlCellId, T_Unsigned16),
    Mem(xmlSignalQuality, T_Unsigned8),
};

constexpr MemberInfo kGSMDiagnostic[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlOperator, T_VisibleString),
    Mem(xmlStatus, T_GSMDiagnosticStatus),
    Mem(xmlCSAttachement, T_CSAttachment),
    Mem(xmlPSStatus, T_PSStatus),
    Mem(xmlCellInfo, T_CellInfo),
    Mem(xmlAdjacentCells, T_AdjacentCells),
    Mem(xmlCaptureTime, T_OctetDateTime),
};

}  // namespace

constinit const TypeInfo T_GSMDiagnosticStatus =
    EnumType("T_GSMDiagnosticStatus", xml_GSMDiagnosticStatus, kGSMDiagnosticStatus);
constinit const TypeInfo T_CSAttachment = EnumType("T_CSAttachment", xml_CSAttachment, kCSAttachment);
constinit const TypeInfo T_PSStatus = EnumType("T_PSStatus", xml_PSStatus, kPSStatus);

constinit const TypeInfo T_CellInfo = SequenceType("T_CellInfo", xml_CellInfo, kCellInfo);
constinit const TypeInfo T_AdjacentCell = SequenceType("T_AdjacentCell", xml_AdjacentCell, kAdjacentCell);
constinit const TypeInfo T_AdjacentCells =
    SequenceOfType("T_AdjacentCells", xml_AdjacentCells, T_AdjacentCell, xml_AdjacentCell);

constinit const TypeInfo T_GSMDiagnosticObject =
    InterfaceClassType("T_GSMDiagnosticObject", xml_GSMDiagnosticObject, kGSMDiagnostic, 47, 0);

}  // namespace zv
