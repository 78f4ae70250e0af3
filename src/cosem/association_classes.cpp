#include "cosem/association_classes.h"

#include "apdu/ber.h"
#include "apdu/conformance.h"
#include "apdu/ln_services.h"

namespace zv {

namespace {

// ---- Access rights -----------------------------------------------------------------------

constexpr MemberInfo kAttributeAccessItem[] = {
    Mem(xmlAttributeNr, T_Integer8),
    Mem(xmlAccessMode, T_AccessMode),
    Mem(xmlAccessSelectors, T_AccessSelectors),
};
constexpr MemberInfo kMethodAccessItem[] = {
    Mem(xmlMethodNr, T_Integer8),
    Mem(xmlAccessMode, T_MethodAccessMode),
};
constexpr MemberInfo kAccessRights[] = {
    Mem(xmlAttributeAccessList, T_AttributeAccessList),
    Mem(xmlMethodAccessList, T_MethodAccessList),
};

// ---- LN association ------------------------------------------------------------------------

constexpr EnumName kAssociationStatusNames[] = {
    {0, "NonAssociated"}, {1, "AssociationPending"}, {2, "Associated"},
};

constexpr MemberInfo kObjectListItemLN[] = {
    Mem(xmlClassId, T_ClassId),
    Mem(xmlVersion, T_Version),
    Mem(xmlLogicalName, T_LogicalName),
    Mem(xmlAccessRights, T_AccessRights),
};
constexpr MemberInfo kAssociatedPartnersId[] = {
    Mem(xmlClientSAP, T_Integer8),
    Mem(xmlServerSAP, T_Unsigned16),
};
constexpr MemberInfo kxDLMSContextInfo[] = {
    Mem(xmlConformance, T_Conformance),
    Mem(xmlMaxRecPduSize, T_Unsigned16),
    Mem(xmlMaxSendPduSize, T_Unsigned16),
    Mem(xmlDLMSVersionNr, T_Unsigned8),
    Mem(xmlQualityOfService, T_Integer8),
    Mem(xmlCypheringInfo, T_OctetString),
};
constexpr MemberInfo kUserListEntry[] = {
    Mem(xmlUserId, T_Unsigned8),
    Mem(xmlUserName, T_VisibleString),
};
constexpr MemberInfo kLNAssociation[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlObjectList, T_ObjectListLN),
    Mem(xmlAssociatedPartnersId, T_AssociatedPartnersId),
    Mem(xmlApplicationContextName, T_ApplicationContextName),
    Mem(xmlxDLMSContextInfo, T_xDLMSContextInfo),
    Mem(xmlAuthenticationMechanismName, T_MechanismName),
    Mem(xmlSecret, T_OctetString),
    Mem(xmlAssociationStatus, T_AssociationStatus),
    Mem(xmlSecuritySetupReference, T_OctetString),
    Mem(xmlUserList, T_UserList),
    Mem(xmlCurrentUser, T_UserListEntry),
};

// ---- SN association -------------------------------------------------------------------------

constexpr MemberInfo kObjectListItemSN[] = {
    Mem(xmlBaseName, T_BaseName),
    Mem(xmlClassId, T_ClassId),
    Mem(xmlVersion, T_Version),
    Mem(xmlLogicalName, T_LogicalName),
};
constexpr MemberInfo kAccessRightsItem[] = {
    Mem(xmlBaseName, T_BaseName),
    Mem(xmlAttributeAccessList, T_AttributeAccessList),
    Mem(xmlMethodAccessList, T_MethodAccessList),
};
// The secret and the conformance block of short-name associations are this system's
// additions; they follow the six attributes of the class as optional attributes.
constexpr MemberInfo kSNAssociation[] = {
    Mem(xmlName, T_LogicalName),
    Mem(xmlObjectList, T_ObjectListSN),
    Mem(xmlAccessRightsListSN, T_AccessRightsListSN),
    Mem(xmlSecuritySetupReference, T_OctetString),
    Mem(xmlUserList, T_UserList),
    Mem(xmlCurrentUser, T_UserListEntry),
    Opt(xmlSecret, T_OctetString),
    Opt(xmlConformance, T_Conformance),
};

}  // namespace

// The access modes are unsigned octets that travel as enums.
constinit const TypeInfo T_AccessMode = NumberType("T_AccessMode", xml_AccessMode, NumKind::U8, 22);
constinit const TypeInfo T_MethodAccessMode = NumberType("T_MethodAccessMode", xml_MethodAccessMode, NumKind::U8, 22);
constinit const TypeInfo T_AccessSelectors = DerivedType("T_AccessSelectors", xml_AccessSelectors, T_Data);
constinit const TypeInfo T_AttributeAccessItem =
    SequenceType("T_AttributeAccessItem", xml_AttributeAccessItem, kAttributeAccessItem);
constinit const TypeInfo T_MethodAccessItem = SequenceType("T_MethodAccessItem", xml_MethodAccessItem, kMethodAccessItem);
constinit const TypeInfo T_AttributeAccessList =
    SequenceOfType("T_AttributeAccessList", xml_AttributeAccessList, T_AttributeAccessItem, xml_AttributeAccessItem);
constinit const TypeInfo T_MethodAccessList =
    SequenceOfType("T_MethodAccessList", xml_MethodAccessList, T_MethodAccessItem, xml_MethodAccessItem);
constinit const TypeInfo T_AccessRights = SequenceType("T_AccessRights", xml_AccessRights, kAccessRights);

constinit const TypeInfo T_Version = DerivedType("T_Version", xml_Version, T_Unsigned8);
constinit const TypeInfo T_AssociationStatus =
    EnumType("T_AssociationStatus", xml_AssociationStatus, kAssociationStatusNames);
constinit const TypeInfo T_ObjectListItemLN = SequenceType("T_ObjectListItemLN", xml_ObjectListItemLN, kObjectListItemLN);
constinit const TypeInfo T_ObjectListLN =
    SequenceOfType("T_ObjectListLN", xml_ObjectListLN, T_ObjectListItemLN, xml_ObjectListItemLN);
constinit const TypeInfo T_AssociatedPartnersId =
    SequenceType("T_AssociatedPartnersId", xml_AssociatedPartnersId, kAssociatedPartnersId);
constinit const TypeInfo T_xDLMSContextInfo = SequenceType("T_xDLMSContextInfo", xml_xDLMSContextInfo, kxDLMSContextInfo);
constinit const TypeInfo T_UserListEntry = SequenceType("T_UserListEntry", xml_UserListEntry, kUserListEntry);
constinit const TypeInfo T_UserList = SequenceOfType("T_UserList", xml_UserList, T_UserListEntry, xml_UserListEntry);
constinit const TypeInfo T_LNAssociationObject_3 = InterfaceClassType(
    "T_LNAssociationObject_3", xml_LNAssociationObject_3, kLNAssociation, 15, 3, &TCosemInstance_Association_Type);

constinit const TypeInfo T_BaseName = DerivedType("T_BaseName", xml_BaseName, T_Integer16);
constinit const TypeInfo T_ObjectListItemSN = SequenceType("T_ObjectListItemSN", xml_ObjectListItemSN, kObjectListItemSN);
constinit const TypeInfo T_ObjectListSN =
    SequenceOfType("T_ObjectListSN", xml_ObjectListSN, T_ObjectListItemSN, xml_ObjectListItemSN);
constinit const TypeInfo T_AccessRightsItem = SequenceType("T_AccessRightsItem", xml_AccessRightsItem, kAccessRightsItem);
constinit const TypeInfo T_AccessRightsListSN =
    SequenceOfType("T_AccessRightsListSN", xml_AccessRightsListSN, T_AccessRightsItem, xml_AccessRightsItem);
constinit const TypeInfo T_SNAssociationObject_4 = InterfaceClassType(
    "T_SNAssociationObject_4", xml_SNAssociationObject_4, kSNAssociation, 12, 4, &TCosemInstance_Association_Type);

// ---- Views ------------------------------------------------------------------------------------

int TLNAssociation::ClientSAP(const TCOSEMInstance& a) {
  const auto& p = a.Get<TSequence>(LNAssociationAttr::AssociatedPartnersId - 1);
  return static_cast<int>(p.Get<TNumber>(AssociatedPartnersId::ClientSAP).AsInt64());
}

int TLNAssociation::ServerSAP(const TCOSEMInstance& a) {
  const auto& p = a.Get<TSequence>(LNAssociationAttr::AssociatedPartnersId - 1);
  return static_cast<int>(p.Get<TNumber>(AssociatedPartnersId::ServerSAP).AsUInt64());
}

TBERObjectIdentifier& TLNAssociation::ApplicationContextName(const TCOSEMInstance& a) {
  return a.Get<TBERObjectIdentifier>(LNAssociationAttr::ApplicationContextName - 1);
}

TBERObjectIdentifier& TLNAssociation::AuthenticationMechanismName(const TCOSEMInstance& a) {
  return a.Get<TBERObjectIdentifier>(LNAssociationAttr::AuthenticationMechanismName - 1);
}

TConformance& TLNAssociation::Conformance(const TCOSEMInstance& a) {
  return ContextInfo(a).Get<TConformance>(xDLMSContextInfo::Conformance);
}

int TLNAssociation::MaxRecPduSize(const TCOSEMInstance& a) {
  return static_cast<int>(ContextInfo(a).Get<TNumber>(xDLMSContextInfo::MaxRecPduSize).AsUInt64());
}

int TLNAssociation::MaxSendPduSize(const TCOSEMInstance& a) {
  return static_cast<int>(ContextInfo(a).Get<TNumber>(xDLMSContextInfo::MaxSendPduSize).AsUInt64());
}

int TLNAssociation::AssociationStatus(const TCOSEMInstance& a) {
  return a.Get<TEnum>(LNAssociationAttr::AssociationStatus - 1).Value;
}

void TLNAssociation::SetAssociationStatus(TCOSEMInstance& a, int status) {
  a.Get<TEnum>(LNAssociationAttr::AssociationStatus - 1).Value = status;
}

TOctetString* TSNAssociation::Secret(const TCOSEMInstance& a) {
  auto* m = a.Member(SNAssociationAttr::Secret - 1);
  return m ? &m->As<TOctetString>() : nullptr;
}

TConformance* TSNAssociation::Conformance(const TCOSEMInstance& a) {
  auto* m = a.Member(SNAssociationAttr::Conformance - 1);
  return m ? &m->As<TConformance>() : nullptr;
}

static int FindAccessMode(const TSequenceOf& list, int nr) {
  for (const auto& e : list.FElements) {
    const auto& item = e->As<TSequence>();
    if (item.Get<TNumber>(0).AsInt64() == nr) return static_cast<int>(item.Get<TNumber>(1).AsUInt64());
  }
  return -1;
}

int TAccessRightsView::AttributeAccessMode(const TSequenceOf& attributeAccessList, int attributeNr) {
  return FindAccessMode(attributeAccessList, attributeNr);
}

int TAccessRightsView::MethodAccessMode(const TSequenceOf& methodAccessList, int methodNr) {
  return FindAccessMode(methodAccessList, methodNr);
}

}  // namespace zv
