// The association classes (LN association, SN association) with the access rights of their
// object lists and the user list they share. The server keeps a clone of the association
// that accepted a client and reads it through the views below.
#pragma once
#include "cosem/cosem_instance.h"

namespace zv {

// Access rights.
extern const TypeInfo T_AccessMode, T_MethodAccessMode, T_AccessSelectors, T_AttributeAccessItem,
    T_MethodAccessItem, T_AttributeAccessList, T_MethodAccessList, T_AccessRights;
// LN association and the user list.
extern const TypeInfo T_LNAssociationObject_3, T_ObjectListLN, T_ObjectListItemLN, T_Version, T_AssociatedPartnersId,
    T_xDLMSContextInfo, T_AssociationStatus, T_UserListEntry, T_UserList;
// SN association.
extern const TypeInfo T_SNAssociationObject_4, T_ObjectListSN, T_ObjectListItemSN, T_BaseName, T_AccessRightsItem,
    T_AccessRightsListSN;

// The values of an association status.
enum TAssociationStatusValue : int { asNonAssociated = 0, asAssociationPending = 1, asAssociated = 2 };

// Attribute numbers.
struct LNAssociationAttr {
  enum : int {
    Name = 1, ObjectList, AssociatedPartnersId, ApplicationContextName, xDLMSContextInfo,
    AuthenticationMechanismName, Secret, AssociationStatus, SecuritySetupReference, UserList, CurrentUser
  };
};
struct SNAssociationAttr {
  enum : int { Name = 1, ObjectList, AccessRightsListSN, SecuritySetupReference, UserList, CurrentUser, Secret, Conformance };
};

// Member positions of the element types.
struct AttributeAccessItem {
  enum : size_t { AttributeNr, AccessMode, AccessSelectors };
};
struct MethodAccessItem {
  enum : size_t { MethodNr, AccessMode };
};
struct AccessRights {
  enum : size_t { AttributeAccessList, MethodAccessList };
};
struct ObjectListItemLN {
  enum : size_t { ClassId, Version, LogicalName, AccessRights };
};
struct AssociatedPartnersId {
  enum : size_t { ClientSAP, ServerSAP };
};
struct xDLMSContextInfo {
  enum : size_t { Conformance, MaxRecPduSize, MaxSendPduSize, DLMSVersionNr, QualityOfService, CypheringInfo };
};
struct UserListEntry {
  enum : size_t { UserId, UserName };
};
struct ObjectListItemSN {
  enum : size_t { BaseName, ClassId, Version, LogicalName };
};
struct AccessRightsItem {
  enum : size_t { BaseName, AttributeAccessList, MethodAccessList };
};

class TBERObjectIdentifier;
class TConformance;

// Views of an LN association object (T_LNAssociationObject_3).
struct TLNAssociation {
  static TSequenceOf& ObjectList(const TCOSEMInstance& a) { return a.Get<TSequenceOf>(LNAssociationAttr::ObjectList - 1); }
  static int ClientSAP(const TCOSEMInstance& a);  // signed 8-bit
  static int ServerSAP(const TCOSEMInstance& a);
  static TBERObjectIdentifier& ApplicationContextName(const TCOSEMInstance& a);
  static TBERObjectIdentifier& AuthenticationMechanismName(const TCOSEMInstance& a);
  static TSequence& ContextInfo(const TCOSEMInstance& a) { return a.Get<TSequence>(LNAssociationAttr::xDLMSContextInfo - 1); }
  static TConformance& Conformance(const TCOSEMInstance& a);
  static int MaxRecPduSize(const TCOSEMInstance& a);
  static int MaxSendPduSize(const TCOSEMInstance& a);
  static const PduStr& Secret(const TCOSEMInstance& a) { return a.Get<TOctetString>(LNAssociationAttr::Secret - 1).Value; }
  static int AssociationStatus(const TCOSEMInstance& a);
  static void SetAssociationStatus(TCOSEMInstance& a, int status);
  static const PduStr& SecuritySetupReference(const TCOSEMInstance& a) {
    return a.Get<TOctetString>(LNAssociationAttr::SecuritySetupReference - 1).Value;
  }
  static TSequenceOf& UserList(const TCOSEMInstance& a) { return a.Get<TSequenceOf>(LNAssociationAttr::UserList - 1); }
  static TSequence& CurrentUser(const TCOSEMInstance& a) { return a.Get<TSequence>(LNAssociationAttr::CurrentUser - 1); }
};

// Views of an SN association object (T_SNAssociationObject_4). Secret and Conformance are
// optional: null when absent.
struct TSNAssociation {
  static TSequenceOf& ObjectList(const TCOSEMInstance& a) { return a.Get<TSequenceOf>(SNAssociationAttr::ObjectList - 1); }
  static TSequenceOf& AccessRightsList(const TCOSEMInstance& a) {
    return a.Get<TSequenceOf>(SNAssociationAttr::AccessRightsListSN - 1);
  }
  static const PduStr& SecuritySetupReference(const TCOSEMInstance& a) {
    return a.Get<TOctetString>(SNAssociationAttr::SecuritySetupReference - 1).Value;
  }
  static TSequenceOf& UserList(const TCOSEMInstance& a) { return a.Get<TSequenceOf>(SNAssociationAttr::UserList - 1); }
  static TSequence& CurrentUser(const TCOSEMInstance& a) { return a.Get<TSequence>(SNAssociationAttr::CurrentUser - 1); }
  static TOctetString* Secret(const TCOSEMInstance& a);
  static TConformance* Conformance(const TCOSEMInstance& a);
};

// Views of the list items.
struct TAccessRightsView {
  // The access mode octet of attribute/method Nr in an access-rights pair of lists; -1 when
  // the list has no item for it.
  static int AttributeAccessMode(const TSequenceOf& attributeAccessList, int attributeNr);
  static int MethodAccessMode(const TSequenceOf& methodAccessList, int methodNr);
};

}  // namespace zv
