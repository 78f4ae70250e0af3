#include "cosem/logical_device.h"

#include "cosem/basic_classes.h"

namespace zv {

namespace {

// The choice over the interface classes, by choice tag; the XML reader tries the element
// names in table order (the order of the element-name table).
constexpr AltInfo kObjectAlts[] = {
    Alt(0, xmlDataObject, T_DataObject),
};

constexpr MemberInfo kLogicalDevice[] = {
    Mem(xmlName, T_OctetString),
    Mem(xmlServerSAP, T_Unsigned16),
    Mem(xmlCOSEMObjectList, T_COSEMObjectList),
};

}  // namespace

constinit const TypeInfo T_COSEMObject = ChoiceType("T_COSEMObject", xml_COSEMObject, kObjectAlts);
constinit const TypeInfo T_COSEMObjectList =
    SequenceOfType("T_COSEMObjectList", xml_COSEMObjectList, T_COSEMObject, xml_COSEMObject);
constinit const TypeInfo TLogicalDevice_Type = SequenceType("TLogicalDevice", xmlLogicalDevice, kLogicalDevice);

TCOSEMInstance& TLogicalDevice::Object(const TSequence& device, int index) {
  auto* entry = ObjectList(device).Elements(index);
  return entry->As<TChoice>().Value->As<TCOSEMInstance>();
}

std::unique_ptr<TSequence> MakeLogicalDevice(std::string_view text) {
  PduPtr p = MakeAnyFromXml(xmlLogicalDevice, TLogicalDevice_Type, text);
  return std::unique_ptr<TSequence>(static_cast<TSequence*>(p.release()));
}

namespace {
const TypeInfo* const kCosemTypes[] = {
    &T_COSEMObject, &T_COSEMObjectList, &TLogicalDevice_Type, &T_DataObject,
};
}  // namespace

const TypeTable& CosemTypes() {
  static const TypeTable table{kCosemTypes, std::size(kCosemTypes)};
  return table;
}

}  // namespace zv
