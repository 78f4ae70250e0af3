#include "cosem/core_classes.h"

#include "cosem/association_classes.h"
#include "cosem/clock.h"
#include "cosem/data_protection.h"
#include "cosem/push_setup.h"
#include "cosem/security_setup.h"

namespace zv {

namespace {

const TypeInfo* const kCoreClassTypes[] = {
    // Clock.
    &T_ClockObject,
    &T_ClockBase,
    // Access rights.
    &T_AccessMode,
    &T_MethodAccessMode,
    &T_AccessSelectors,
    &T_AttributeAccessItem,
    &T_MethodAccessItem,
    &T_AttributeAccessList,
    &T_MethodAccessList,
    &T_AccessRights,
    // LN association and the user list.
    &T_LNAssociationObject_3,
    &T_ObjectListLN,
    &T_ObjectListItemLN,
    &T_Version,
    &T_AssociatedPartnersId,
    &T_xDLMSContextInfo,
    &T_AssociationStatus,
    &T_UserListEntry,
    &T_UserList,
    // SN association.
    &T_SNAssociationObject_4,
    &T_ObjectListSN,
    &T_ObjectListItemSN,
    &T_BaseName,
    &T_AccessRightsItem,
    &T_AccessRightsListSN,
    // Security setup.
    &T_SecuritySetupObject_0,
    &T_SecuritySetupObject_1,
    &T_SecurityPolicy,
    &T_SecuritySuite,
    &T_CertificateEntity,
    &T_CertificateType,
    &T_CertificateInfo,
    &T_Certificates,
    // Push setup.
    &T_PushSetupObject,
    &T_PushObjectList,
    &T_SendDestinationAndMethod,
    &T_TransportServiceType,
    &T_MessageType,
    &T_CommunicationWindows,
    // Data protection.
    &T_DataProtectionObject,
    &T_ProtectionObjectList,
    &T_ObjectDefinition_DataProtection,
    &T_RestrictionElement,
    &T_RestrictionType,
    &T_ProtectionParameters,
    &T_ProtectionParameterElement,
    &T_ProtectionType,
    &T_ProtectionOptions,
    &T_KeyInfoElement,
    &T_KeyInfoType,
    &T_RequiredProtection,
};

}  // namespace

const TypeTable& CoreClassTypes() {
  static const TypeTable table{kCoreClassTypes, std::size(kCoreClassTypes)};
  return table;
}

}  // namespace zv
