// Modem configuration, auto answer, PSTN auto dial and auto connect.
#include "cosem/comm_classes.h"
#include "cosem/cosem_instance.h"

namespace zv {

namespace {

// "AutoAnsverMode2" is the stored name of value 2; descriptions rely on it.
constexpr EnumName kAutoAnswerMode[] = {
    {0, "AutoAnswerMode0"}, {1, "AutoAnswerMode1"}, {2, "AutoAnsverMode2"}, {3, "AutoAnswerMode3"}};
constexpr EnumName kAutoAnswerStatus[] = {{0, "AutoAnswerStatus0"}, {1, "AutoAnswerStatus1"}, {2, "AutoAnswerStatus2"}};
constexpr EnumName kCallType[] = {{0, "CallType0"}, {1, "CallType1"}};
constexpr EnumName kAutoDialMode[] = {
    {0, "AutoDialMode0"}, {1, "AutoDialMode1"}, {2, "AutoDialMode2"}, {3, "AutoDialMode3"}};
constexpr EnumName kAutoConnectMode[] = {
    {0, "AutoConnectMode0"},     {1, "AutoConnectMode1"},     {2, "AutoConnectMode2"},     {3, "AutoConnectMode3"},
    {4, "AutoConnectMode4"},     {5, "AutoConnectMode5"},     {6, "AutoConnectMode6"},     {101, "AutoConnectMode101"},
    {102, "AutoConnectMode102"}, {103, "AutoConnectMode103"}, {104, "AutoConnectMode104"},
};

constexpr MemberInfo kInitializationString0[] = {
    Mem(xmlRequest, T_OctetString),
    Mem(xmlResponse, T_OctetString),
};

constexpr MemberInfo kInitializationString1[] = {
    Mem(xmlRequest, T_OctetString),
    Mem(xmlResponse, T_OctetString),
    Mem(xmlDelayAfterResponse, T_Unsigned16),
};

constexpr MemberInfo kNumberOfRings[] = {
    Mem(xmlNrRingsInWindow, T_Unsigned8),
    Mem(xmlNrRingsOutOfWindow, T_Unsigned8),
};

constexpr MemberInfo kListOfAllowedCallersElement[] = {
    Mem(xmlCallerId, T_OctetString),
    Mem(xmlCallType, T_CallType),
};

constexpr MemberInfo kModemConfiguration0[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlCommSpeed, T_Baud),
    Mem(xmlInitializationStrings, T_InitializationStrings_0),
    Mem(xmlModemProfiles, T_ModemProfiles),
};

constexpr MemberInfo kModemConfiguration1[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlCommSpeed, T_Baud),
    Mem(xmlInitializationStrings, T_InitializationStrings_1),
    Mem(xmlModemProfiles, T_ModemProfiles),
};

constexpr MemberInfo kAutoAnswer0[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlMode, T_AutoAnswerMode),
    Mem(xmlListeningWindows, T_Windows),
    Mem(xmlStatus, T_AutoAnswerStatus),
    Mem(xmlNumberOfCalls, T_Unsigned8),
    Mem(xmlNumberOfRings, T_NumberOfRings),
};

constexpr MemberInfo kAutoAnswer2[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlMode, T_AutoAnswerMode),
    Mem(xmlListeningWindows, T_Windows),
    Mem(xmlStatus, T_AutoAnswerStatus),
    Mem(xmlNumberOfCalls, T_Unsigned8),
    Mem(xmlNumberOfRings, T_NumberOfRings),
    Mem(xmlListOfAllowedCallers, T_ListOfAllowedCallers),
};

constexpr MemberInfo kPSTNAutoDial[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlMode, T_AutoDialMode),
    Mem(xmlRepetitions, T_Unsigned8),
    Mem(xmlRepetitionDelay, T_Unsigned16),
    Mem(xmlCallingWindows, T_Windows),
    Mem(xmlPhoneList, T_Phonelist),
};

// Versions 1 and 2 of auto connect share their attributes.
constexpr MemberInfo kAutoConnect[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlMode, T_AutoConnectMode),
    Mem(xmlRepetitions, T_Unsigned8),
    Mem(xmlRepetitionDelay, T_Unsigned16),
    Mem(xmlCallingWindows, T_Windows),
    Mem(xmlDestinationList, T_DestinationList),
};

}  // namespace

constinit const TypeInfo T_AutoAnswerMode = EnumType("T_AutoAnswerMode", xml_AutoAnswerMode, kAutoAnswerMode);
constinit const TypeInfo T_AutoAnswerStatus = EnumType("T_AutoAnswerStatus", xml_AutoAnswerStatus, kAutoAnswerStatus);
constinit const TypeInfo T_CallType = EnumType("T_CallType", xml_CallType, kCallType);
constinit const TypeInfo T_AutoDialMode = EnumType("T_AutoDialMode", xml_AutoDialMode, kAutoDialMode);
constinit const TypeInfo T_AutoConnectMode = EnumType("T_AutoConnectMode", xml_AutoConnectMode, kAutoConnectMode);

constinit const TypeInfo T_InitializationString_0 =
    SequenceType("T_InitializationString_0", xml_InitializationString_0, kInitializationString0);
constinit const TypeInfo T_InitializationString_1 =
    SequenceType("T_InitializationString_1", xml_InitializationString_1, kInitializationString1);
constinit const TypeInfo T_NumberOfRings = SequenceType("T_NumberOfRings", xml_NumberOfRings, kNumberOfRings);
constinit const TypeInfo T_ListOfAllowedCallersElement =
    SequenceType("T_ListOfAllowedCallersElement", xml_ListOfAllowedCallersElement, kListOfAllowedCallersElement);

constinit const TypeInfo T_InitializationStrings_0 = SequenceOfType(
    "T_InitializationStrings_0", xml_InitializationStrings_0, T_InitializationString_0, xml_InitializationString_0);
constinit const TypeInfo T_InitializationStrings_1 = SequenceOfType(
    "T_InitializationStrings_1", xml_InitializationStrings_1, T_InitializationString_1, xml_InitializationString_1);
// The profiles' item class is spelled "Model": that is its element name.
constinit const TypeInfo T_ModelProfileElement =
    OctetStringType("T_ModelProfileElement", xml_ModelProfileElement, -1, 9);
constinit const TypeInfo T_ModemProfiles =
    SequenceOfType("T_ModemProfiles", xml_ModemProfiles, T_ModelProfileElement, xml_ModelProfileElement);
constinit const TypeInfo T_ListOfAllowedCallers = SequenceOfType(
    "T_ListOfAllowedCallers", xml_ListOfAllowedCallers, T_ListOfAllowedCallersElement, xml_ListOfAllowedCallersElement);
constinit const TypeInfo T_PhoneNumber = OctetStringType("T_PhoneNumber", xml_PhoneNumber, -1, 9);
constinit const TypeInfo T_Phonelist = SequenceOfType("T_Phonelist", xml_Phonelist, T_PhoneNumber, xml_PhoneNumber);
constinit const TypeInfo T_Destination = OctetStringType("T_Destination", xml_Destination, -1, 9);
constinit const TypeInfo T_DestinationList =
    SequenceOfType("T_DestinationList", xml_DestinationList, T_Destination, xml_Destination);

constinit const TypeInfo T_ModemConfigurationObject_0 =
    InterfaceClassType("T_ModemConfigurationObject_0", xml_ModemConfigurationObject_0, kModemConfiguration0, 27, 0);
constinit const TypeInfo T_ModemConfigurationObject_1 =
    InterfaceClassType("T_ModemConfigurationObject_1", xml_ModemConfigurationObject_1, kModemConfiguration1, 27, 1);
constinit const TypeInfo T_AutoAnswerObject_0 =
    InterfaceClassType("T_AutoAnswerObject_0", xml_AutoAnswerObject_0, kAutoAnswer0, 28, 0);
constinit const TypeInfo T_AutoAnswerObject_2 =
    InterfaceClassType("T_AutoAnswerObject_2", xml_AutoAnswerObject_2, kAutoAnswer2, 28, 2);
constinit const TypeInfo T_PSTNAutoDialObject =
    InterfaceClassType("T_PSTNAutoDialObject", xml_PSTNAutoDialObject, kPSTNAutoDial, 29, 0);
constinit const TypeInfo T_AutoConnectObject_1 =
    InterfaceClassType("T_AutoConnectObject_1", xml_AutoConnectObject_1, kAutoConnect, 29, 1);
constinit const TypeInfo T_AutoConnectObject_2 =
    InterfaceClassType("T_AutoConnectObject_2", xml_AutoConnectObject_2, kAutoConnect, 29, 2);

}  // namespace zv
