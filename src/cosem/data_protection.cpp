#include "cosem/data_protection.h"

#include "apdu/ln_services.h"

namespace zv {

namespace {

constexpr EnumName kRestrictionTypeNames[] = {
    {0, "RestrictionNone"}, {1, "RestrictionByDate"}, {2, "RestrictionByEntry"},
};
constexpr EnumName kProtectionTypeNames[] = {
    {0, "Authentication"}, {1, "Encryption"}, {2, "AuthenticationAndEncryption"}, {3, "DigitalSignature"},
};
constexpr EnumName kKeyInfoTypeNames[] = {{0, "IdentifiedKey"}, {1, "WrappedKey"}, {2, "AgreedKey"}};

constexpr MemberInfo kRestrictionElement[] = {
    Mem(xmlRestrictionType, T_RestrictionType),
    Mem(xmlRestrictionValue, T_Data),
};
// The logical name here is a plain octet string of any length.
constexpr MemberInfo kObjectDefinition[] = {
    Mem(xmlClassId, T_ClassId),
    Mem(xmlLogicalName, T_OctetString),
    Mem(xmlAttributeIndex, T_Integer8),
    Mem(xmlDataIndex, T_Unsigned16),
    Mem(xmlRestriction, T_RestrictionElement),
};
// The key information options take any Data value; the security code checks their shape.
constexpr MemberInfo kKeyInfoElement[] = {
    Mem(xmlKeyInfoType, T_KeyInfoType),
    Mem(xmlKeyInfoOptions, T_Data),
};
constexpr MemberInfo kProtectionOptions[] = {
    Mem(xmlTransactionId, T_OctetString),
    Mem(xmlOriginatorSystemTitle, T_OctetString),
    Mem(xmlRecipientSystemTitle, T_OctetString),
    Mem(xmlOtherInformation, T_OctetString),
    Mem(xmlKeyInfo, T_KeyInfoElement),
};
constexpr MemberInfo kProtectionParameterElement[] = {
    Mem(xmlProtectionType, T_ProtectionType),
    Mem(xmlProtectionOptions, T_ProtectionOptions),
};
constexpr MemberInfo kDataProtection[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlProtectionBuffer, T_OctetString),
    Mem(xmlProtectionObjectList, T_ProtectionObjectList),
    Mem(xmlProtectionParametersGet, T_ProtectionParameters),
    Mem(xmlProtectionParametersSet, T_ProtectionParameters),
    Mem(xmlRequiredProtection, T_RequiredProtection),
};

}  // namespace

constinit const TypeInfo T_RestrictionType = EnumType("T_RestrictionType", xml_RestrictionType, kRestrictionTypeNames);
constinit const TypeInfo T_ProtectionType = EnumType("T_ProtectionType", xml_ProtectionType, kProtectionTypeNames);
constinit const TypeInfo T_KeyInfoType = EnumType("T_KeyInfoType", xml_KeyInfoType, kKeyInfoTypeNames);
// A bit set over request and response that clients read and write as an enum.
constinit const TypeInfo T_RequiredProtection =
    NumberType("T_RequiredProtection", xml_RequiredProtection, NumKind::U8, 22);
constinit const TypeInfo T_RestrictionElement =
    SequenceType("T_RestrictionElement", xml_RestrictionElement, kRestrictionElement);
constinit const TypeInfo T_ObjectDefinition_DataProtection =
    SequenceType("T_ObjectDefinition_DataProtection", xml_ObjectDefinition_DataProtection, kObjectDefinition);
constinit const TypeInfo T_ProtectionObjectList = SequenceOfType(
    "T_ProtectionObjectList", xml_ProtectionObjectList, T_ObjectDefinition_DataProtection, xml_ObjectDefinition_DataProtection);
constinit const TypeInfo T_KeyInfoElement = SequenceType("T_KeyInfoElement", xml_KeyInfoElement, kKeyInfoElement);
constinit const TypeInfo T_ProtectionOptions = SequenceType("T_ProtectionOptions", xml_ProtectionOptions, kProtectionOptions);
constinit const TypeInfo T_ProtectionParameterElement =
    SequenceType("T_ProtectionParameterElement", xml_ProtectionParameterElement, kProtectionParameterElement);
constinit const TypeInfo T_ProtectionParameters = SequenceOfType(
    "T_ProtectionParameters", xml_ProtectionParameters, T_ProtectionParameterElement, xml_ProtectionParameterElement);
constinit const TypeInfo T_DataProtectionObject =
    InterfaceClassType("T_DataProtectionObject", xml_DataProtectionObject, kDataProtection, 30, 0);

}  // namespace zv
