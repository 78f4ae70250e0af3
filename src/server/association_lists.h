// The object lists of the association objects: look-ups, additions, sorting and base-name
// resolution, the meaning of the access-mode octets, and the completion of a list with
// every object of the device.
#pragma once
#include <cstdint>
#include <vector>

#include "cosem/cosem_instance.h"
#include "crypto/protection_services.h"

namespace zv {

// Attribute access mode octet: bit 0 read, bit 1 write, bits 2-4 the protection the
// request must carry, bits 5-7 the protection the response must carry.
struct TAccessModeHelper {
  static bool CanRead(int Mode) { return Mode & 1; }
  static bool CanWrite(int Mode) { return (Mode >> 1) & 1; }
  static TCOSEMProtectionServices RequestProtection(int Mode) {
    return TCOSEMProtectionServices::FromOctet(static_cast<uint8_t>((Mode >> 2) & 7));
  }
  static TCOSEMProtectionServices ResponseProtection(int Mode) {
    return TCOSEMProtectionServices::FromOctet(static_cast<uint8_t>((Mode >> 5) & 7));
  }
};

// Method access mode octet: bit 0 access; bit 1 is not read; bits 2-7 as for attributes.
struct TMethodAccessModeHelper {
  static bool CanAccess(int Mode) { return Mode & 1; }
  static TCOSEMProtectionServices RequestProtection(int Mode) { return TAccessModeHelper::RequestProtection(Mode); }
  static TCOSEMProtectionServices ResponseProtection(int Mode) { return TAccessModeHelper::ResponseProtection(Mode); }
};

struct TAttributeAccessItemHelper {
  // The item's access mode octet.
  static int AccessMode(const TSequence& Item);
  // The selectors are an array with an integer element equal to Selector.
  static bool SelectorAllowed(const TSequence& Item, int Selector);
};

// LN object lists (Association: a T_LNAssociationObject_3). Items are T_ObjectListItemLN,
// access items T_AttributeAccessItem and T_MethodAccessItem; null when not found.
struct TLNAssociationObjectHelper {
  static TSequence* FindItem(const TCOSEMInstance& Association, const PduStr& LogicalName, int ClassId);
  static TSequence* FindAttributeAccessItem(const TCOSEMInstance& Association, const PduStr& LogicalName, int ClassId,
                                            int AttributeId);
  static TSequence* FindMethodAccessItem(const TCOSEMInstance& Association, const PduStr& LogicalName, int ClassId,
                                         int MethodId);
  static TSequence* ItemAttributeAccess(const TSequence& Item, int Number);
  static TSequence* ItemMethodAccess(const TSequence& Item, int Number);
  static void AddItem(TCOSEMInstance& Association, PduPtr Item);
  // Nothing when the item has an access item of that number already. Selectors null:
  // null-data; else an array of integers.
  static void AddAttributeAccess(TSequence& Item, int AttributeNr, int AccessMode, const std::vector<int>* Selectors);
  static void AddMethodAccess(TSequence& Item, int MethodNr, int AccessMode);
};

// SN object lists (Association: a T_SNAssociationObject_4). Base names compare unsigned.
struct TSNAssociationObjectHelper {
  static TSequence* FindItem(const TCOSEMInstance& Association, const PduStr& LogicalName, int ClassId);
  static void AddItem(TCOSEMInstance& Association, PduPtr Item, PduPtr AccessRightsItem);
  static int CompareBaseNames(const TCOSEMPduBase& A, const TCOSEMPduBase& B);
  static void Sort(TCOSEMInstance& Association);
  // Resolves a short name on the sorted list to the object at or below it; true when the
  // access-rights list holds an attribute item for it. A name below the first object's
  // names no object: false, without access item.
  static bool GetSNInfo(const TCOSEMInstance& Association, int BaseName, int& ClassId, int& AttributeIndex,
                        PduStr& LogicalName, TSequence*& AccessItem);
};

}  // namespace zv
