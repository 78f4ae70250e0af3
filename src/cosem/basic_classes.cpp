#include "cosem/basic_classes.h"

#include "apdu/ln_services.h"

namespace zv {

namespace {

constexpr EnumName kPhysUnitNames[] = {
    {1, "UnitYear"}, {2, "UnitMonth"}, {3, "UnitWeek"}, {4, "UnitDay"}, {5, "UnitHour"}, {6, "UnitMin"},
    {7, "UnitSecond"}, {8, "UnitDegree"}, {9, "UnitDegreeCelsius"}, {10, "UnitCurrency"}, {11, "UnitMeter"},
    {12, "UnitMeterPerSecond"}, {13, "UnitCubicMeter"}, {14, "UnitCubicMeterC"}, {15, "UnitCubicMeterPerHour"},
    {16, "UnitCubicMeterPerHourC"}, {17, "Unit17"}, {18, "Unit18"}, {19, "UnitLitre"}, {20, "UnitkG"},
    {21, "UnitNewton"}, {22, "UnitNewtonMeter"}, {23, "UnitPascal"}, {24, "UnitBar"}, {25, "UnitJoule"},
    {26, "UnitJoulePerHour"}, {27, "UnitWatt"}, {28, "UnitVoltAmpere"}, {29, "UnitVar"}, {30, "UnitWattHour"},
    {31, "UnitVoltAmpereHour"}, {32, "UnitVarHour"}, {33, "UnitAmpere"}, {34, "UnitCoulomb"}, {35, "UnitVolt"},
    {36, "UnitVoltPerMeter"}, {37, "UnitFarad"}, {38, "UnitOhm"}, {39, "UnitOhmMeter"}, {40, "UnitWeber"},
    {41, "UnitTesla"}, {42, "UnitAmperePerMeter"}, {43, "UnitHenry"}, {44, "UnitHerz"}, {45, "Unit45"},
    {46, "Unit46"}, {47, "Unit47"}, {48, "UnitVoltSquaredHours"}, {49, "UnitAmpereSquaredHours"},
    {50, "UnitKilogramPerSecond"}, {51, "UnitSiemens"}, {52, "UnitKelvin"}, {53, "Unit53"}, {54, "Unit54"},
    {55, "Unit55"}, {56, "UnitPercent"}, {57, "UnitAmpereHour"}, {58, "Unit58"}, {59, "Unit59"},
    {60, "Unit60"}, {61, "Unit61"}, {62, "UnitMolePercent"}, {63, "Unit63"}, {64, "UnitPascalSecond"},
    {65, "UnitJoulePerKilogram"}, {70, "UnitdBm"}, {71, "UnitdBuv"}, {72, "UnitdB"}, {255, "UnitCount"},
};

constexpr EnumName kSortMethodNames[] = {
    {1, "SortFifo"}, {2, "SortLifo"}, {3, "SortLargest"}, {4, "SortSmallest"}, {5, "SortNearestToZero"},
    {6, "SortFarestFromZero"},
};

constexpr MemberInfo kScalerUnit[] = {Mem(xmlScaler, T_Integer8), Mem(xmlPhysUnit, T_PhysUnit)};
constexpr MemberInfo kCaptureObject[] = {
    Mem(xmlClassId, T_ClassId), Mem(xmlLogicalName, T_LogicalName),
    Mem(xmlAttributeIndex, T_Integer8), Mem(xmlDataIndex, T_Unsigned16)};

constexpr MemberInfo kDataObject[] = {Mem(xmlName, T_LogicalName), Mem(xmlDataValue, T_Data)};
constexpr MemberInfo kRegister[] = {
    Mem(xmlName, T_LogicalName), Mem(xmlValue, T_Data), Mem(xmlScalerUnit, T_ScalerUnit)};
constexpr MemberInfo kExtendedRegister[] = {
    Mem(xmlName, T_LogicalName), Mem(xmlValue, T_Data), Mem(xmlScalerUnit, T_ScalerUnit),
    Mem(xmlStatus, T_Data), Mem(xmlCaptureTime, T_OctetString)};
constexpr MemberInfo kDemandRegister[] = {
    Mem(xmlName, T_LogicalName), Mem(xmlCurrentAverageValue, T_Data), Mem(xmlLastAverageValue, T_Data),
    Mem(xmlScalerUnit, T_ScalerUnit), Mem(xmlStatus, T_Data), Mem(xmlCaptureTime, T_OctetString),
    Mem(xmlStartTimeCurrent, T_OctetString), Mem(xmlPeriod, T_Unsigned32), Mem(xmlNumberOfPeriods, T_Unsigned16)};
constexpr MemberInfo kProfileGeneric[] = {
    Mem(xmlName, T_LogicalName), Mem(xmlBuffer, T_Data), Mem(xmlCaptureObjects, T_CaptureObjects),
    Mem(xmlCapturePeriod, T_Unsigned32), Mem(xmlSortMethod, T_SortMethod), Mem(xmlSortObject, T_CaptureObject),
    Mem(xmlEntriesInUse, T_Unsigned32), Mem(xmlProfileEntries, T_Unsigned32)};

}  // namespace

constinit const TypeInfo T_PhysUnit = EnumType("T_PhysUnit", xml_PhysUnit, kPhysUnitNames);
constinit const TypeInfo T_SortMethod = EnumType("T_SortMethod", xml_SortMethod, kSortMethodNames);
constinit const TypeInfo T_ScalerUnit = SequenceType("T_ScalerUnit", xml_ScalerUnit, kScalerUnit);
constinit const TypeInfo T_CaptureObject = SequenceType("T_CaptureObject", xml_CaptureObject, kCaptureObject);
constinit const TypeInfo T_CaptureObjects =
    SequenceOfType("T_CaptureObjects", xml_CaptureObjects, T_CaptureObject, xml_CaptureObject);

constinit const TypeInfo T_DataObject = InterfaceClassType("T_DataObject", xml_DataObject, kDataObject, 1, 0);
constinit const TypeInfo T_RegisterObject = InterfaceClassType("T_RegisterObject", xml_RegisterObject, kRegister, 3, 0);
constinit const TypeInfo T_ExtendedRegisterObject =
    InterfaceClassType("T_ExtendedRegisterObject", xml_ExtendedRegisterObject, kExtendedRegister, 4, 0);
constinit const TypeInfo T_DemandRegisterObject =
    InterfaceClassType("T_DemandRegisterObject", xml_DemandRegisterObject, kDemandRegister, 5, 0);
constinit const TypeInfo T_ProfileGenericObject =
    InterfaceClassType("T_ProfileGenericObject", xml_ProfileGenericObject, kProfileGeneric, 7, 1);

namespace {
const TypeInfo* const kBasicTypes[] = {
    &T_PhysUnit, &T_SortMethod, &T_ScalerUnit, &T_CaptureObject, &T_CaptureObjects, &T_DataObject,
    &T_RegisterObject, &T_ExtendedRegisterObject, &T_DemandRegisterObject, &T_ProfileGenericObject,
};
}  // namespace

const TypeTable& BasicClassTypes() {
  static const TypeTable table{kBasicTypes, std::size(kBasicTypes)};
  return table;
}

}  // namespace zv
