// The data protection object: the attributes whose values are gathered into one protected
// octet string, the protection parameters for GET and SET, and the protection its methods
// require. The protection itself is applied by the server's security code.
#pragma once
#include "cosem/cosem_instance.h"

namespace zv {

extern const TypeInfo T_DataProtectionObject;
extern const TypeInfo T_ProtectionObjectList, T_ObjectDefinition_DataProtection, T_RestrictionElement,
    T_RestrictionType, T_ProtectionParameters, T_ProtectionParameterElement, T_ProtectionType, T_ProtectionOptions,
    T_KeyInfoElement, T_KeyInfoType, T_RequiredProtection;

struct DataProtectionAttr {
  enum : int {
    Name = 1, ProtectionBuffer, ProtectionObjectList, ProtectionParametersGet, ProtectionParametersSet,
    RequiredProtection
  };
};
struct ObjectDefinition_DataProtection {
  enum : size_t { ClassId, LogicalName, AttributeIndex, DataIndex, Restriction };
};
struct RestrictionElement {
  enum : size_t { RestrictionType, RestrictionValue };
};
struct ProtectionParameterElement {
  enum : size_t { ProtectionType, ProtectionOptions };
};
struct ProtectionOptions {
  enum : size_t { TransactionId, OriginatorSystemTitle, RecipientSystemTitle, OtherInformation, KeyInfo };
};
struct KeyInfoElement {
  enum : size_t { KeyInfoType, KeyInfoOptions };
};
enum TProtectionTypeValue : int {
  ptAuthentication = 0, ptEncryption, ptAuthenticationAndEncryption, ptDigitalSignature
};
enum TKeyInfoTypeValue : int { kitIdentifiedKey = 0, kitWrappedKey, kitAgreedKey };

// Views of a data protection object.
struct TDataProtection {
  static TOctetString& ProtectionBuffer(const TCOSEMInstance& d) {
    return d.Get<TOctetString>(DataProtectionAttr::ProtectionBuffer - 1);
  }
  // Elements are T_ObjectDefinition_DataProtection.
  static TSequenceOf& ProtectionObjectList(const TCOSEMInstance& d) {
    return d.Get<TSequenceOf>(DataProtectionAttr::ProtectionObjectList - 1);
  }
  // Elements are T_ProtectionParameterElement, in the order the layers are applied.
  static TSequenceOf& ProtectionParametersGet(const TCOSEMInstance& d) {
    return d.Get<TSequenceOf>(DataProtectionAttr::ProtectionParametersGet - 1);
  }
  static TSequenceOf& ProtectionParametersSet(const TCOSEMInstance& d) {
    return d.Get<TSequenceOf>(DataProtectionAttr::ProtectionParametersSet - 1);
  }
  static int RequiredProtection(const TCOSEMInstance& d) {
    return static_cast<int>(d.Get<TNumber>(DataProtectionAttr::RequiredProtection - 1).AsUInt64());
  }
};

}  // namespace zv
