// The loaded device: name, server SAP and the object list, whose entries are the choice
// over all interface classes.
#pragma once
#include "cosem/cosem_instance.h"

namespace zv {

extern const TypeInfo T_COSEMObject, T_COSEMObjectList, TLogicalDevice_Type;

// Views of a loaded device (a TSequence of class TLogicalDevice).
struct TLogicalDevice {
  static const PduStr& Name(const TSequence& device) { return device.Get<TOctetString>(0).Value; }
  static int ServerSAP(const TSequence& device) { return static_cast<int>(device.Get<TNumber>(1).AsUInt64()); }
  static TSequenceOf& ObjectList(const TSequence& device) { return device.Get<TSequenceOf>(2); }
  // The interface-class object of list entry Index.
  static TCOSEMInstance& Object(const TSequence& device, int index);
  static int ObjectCount(const TSequence& device) { return ObjectList(device).ElementCount(); }
};

// Parses a device description; XML errors carry line and column.
std::unique_ptr<TSequence> MakeLogicalDevice(std::string_view text);

const TypeTable& CosemTypes();

}  // namespace zv
