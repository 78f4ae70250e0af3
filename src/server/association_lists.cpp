#include "server/association_lists.h"

#include <set>
#include <utility>

#include "cosem/association_classes.h"
#include "cosem/basic_classes.h"
#include "cosem/logical_device.h"
#include "cosem/push_setup.h"
#include "cosem/security_setup.h"
#include "foundation/data_helper.h"
#include "server/object_services.h"

namespace zv {

namespace {

int ClassIdOf(const TSequence& Item, size_t Member) { return static_cast<int>(Item.Get<TNumber>(Member).AsUInt64()); }
const PduStr& NameOf(const TSequence& Item, size_t Member) { return Item.Get<TOctetString>(Member).Value; }

// The item of an object list (LN or SN, whose items hold class id and logical name at
// different places) that names the object.
TSequence* FindListItem(const TSequenceOf& List, size_t ClassIdAt, size_t NameAt, const PduStr& LogicalName,
                        int ClassId) {
  for (const auto& e : List.FElements) {
    auto& item = e->As<TSequence>();
    if (ClassIdOf(item, ClassIdAt) == ClassId && NameOf(item, NameAt) == LogicalName) return &item;
  }
  return nullptr;
}
int NumberOf(const TSequence& AccessItem) { return static_cast<int>(AccessItem.Get<TNumber>(0).AsInt64()); }
int BaseNameOf(const TCOSEMPduBase& Item) {
  return static_cast<int>(Item.As<TSequence>().Get<TNumber>(ObjectListItemSN::BaseName).AsUInt64() & 0xFFFF);
}

TSequence& AccessRightsOf(const TSequence& ItemLN) { return ItemLN.Get<TSequence>(ObjectListItemLN::AccessRights); }

TSequence* FindAccessItem(const TSequenceOf& List, int Number) {
  for (const auto& e : List.FElements) {
    auto& item = e->As<TSequence>();
    if (NumberOf(item) == Number) return &item;
  }
  return nullptr;
}

bool IsIntegerNumber(const TCOSEMPduBase& v) {
  if (!v.IsA(TNumber_Type)) return false;
  NumKind k = v.As<TNumber>().Kind();
  return k != NumKind::Bool && k != NumKind::F32 && k != NumKind::F64;
}

// A new attribute access item with null-data selectors or an array of integers.
PduPtr MakeAttributeAccessItem(int AttributeNr, int AccessMode, const std::vector<int>* Selectors) {
  PduPtr p = Create(T_AttributeAccessItem, xml_AttributeAccessItem);
  auto& item = p->As<TSequence>();
  item.Get<TNumber>(AttributeAccessItem::AttributeNr).SetInt64(AttributeNr);
  item.Get<TNumber>(AttributeAccessItem::AccessMode).SetInt64(AccessMode);
  auto& selectors = item.Get<TChoice>(AttributeAccessItem::AccessSelectors);
  if (Selectors) {
    selectors.CreateVariant(xmlArray);
    auto& array = selectors.Value->As<TSequenceOf>();
    for (int s : *Selectors) array.Add(TDataHelper::Make(xmlInteger, MakeNumber(T_Integer8, s, xmlInteger)));
  } else {
    selectors.CreateVariant(xmlNullData);
  }
  selectors.XMLId = xmlAccessSelectors;
  return p;
}

using TListedSet = std::set<std::pair<int, PduStr>>;

}  // namespace

// ---- Access items ------------------------------------------------------------------------

int TAttributeAccessItemHelper::AccessMode(const TSequence& Item) {
  return static_cast<int>(Item.Get<TNumber>(AttributeAccessItem::AccessMode).AsUInt64());
}

bool TAttributeAccessItemHelper::SelectorAllowed(const TSequence& Item, int Selector) {
  const TCOSEMPduBase* m = Item.Member(AttributeAccessItem::AccessSelectors);
  if (!m || !m->IsA(T_Data)) return false;
  const auto& selectors = m->As<TChoice>();
  if (!TDataHelper::IsArray(selectors)) return false;
  for (const auto& e : selectors.Value->As<TSequenceOf>().FElements) {
    const auto* d = dynamic_cast<const TChoice*>(e.get());
    if (d && d->Value && IsIntegerNumber(*d->Value) && d->Value->As<TNumber>().AsInt64() == Selector) return true;
  }
  return false;
}

// ---- LN object lists ----------------------------------------------------------------------

TSequence* TLNAssociationObjectHelper::FindItem(const TCOSEMInstance& Association, const PduStr& LogicalName,
                                                int ClassId) {
  return FindListItem(TLNAssociation::ObjectList(Association), ObjectListItemLN::ClassId,
                      ObjectListItemLN::LogicalName, LogicalName, ClassId);
}

TSequence* TLNAssociationObjectHelper::FindAttributeAccessItem(const TCOSEMInstance& Association,
                                                               const PduStr& LogicalName, int ClassId,
                                                               int AttributeId) {
  TSequence* item = FindItem(Association, LogicalName, ClassId);
  return item ? ItemAttributeAccess(*item, AttributeId) : nullptr;
}

TSequence* TLNAssociationObjectHelper::FindMethodAccessItem(const TCOSEMInstance& Association,
                                                            const PduStr& LogicalName, int ClassId, int MethodId) {
  TSequence* item = FindItem(Association, LogicalName, ClassId);
  return item ? ItemMethodAccess(*item, MethodId) : nullptr;
}

TSequence* TLNAssociationObjectHelper::ItemAttributeAccess(const TSequence& Item, int Number) {
  return FindAccessItem(AccessRightsOf(Item).Get<TSequenceOf>(AccessRights::AttributeAccessList), Number);
}

TSequence* TLNAssociationObjectHelper::ItemMethodAccess(const TSequence& Item, int Number) {
  return FindAccessItem(AccessRightsOf(Item).Get<TSequenceOf>(AccessRights::MethodAccessList), Number);
}

void TLNAssociationObjectHelper::AddItem(TCOSEMInstance& Association, PduPtr Item) {
  TLNAssociation::ObjectList(Association).Add(std::move(Item));
}

void TLNAssociationObjectHelper::AddAttributeAccess(TSequence& Item, int AttributeNr, int AccessMode,
                                                    const std::vector<int>* Selectors) {
  if (ItemAttributeAccess(Item, AttributeNr)) return;
  AccessRightsOf(Item).Get<TSequenceOf>(AccessRights::AttributeAccessList)
      .Add(MakeAttributeAccessItem(AttributeNr, AccessMode, Selectors));
}

void TLNAssociationObjectHelper::AddMethodAccess(TSequence& Item, int MethodNr, int AccessMode) {
  if (ItemMethodAccess(Item, MethodNr)) return;
  PduPtr p = Create(T_MethodAccessItem, xml_MethodAccessItem);
  auto& m = p->As<TSequence>();
  m.Get<TNumber>(MethodAccessItem::MethodNr).SetInt64(MethodNr);
  m.Get<TNumber>(MethodAccessItem::AccessMode).SetInt64(AccessMode);
  AccessRightsOf(Item).Get<TSequenceOf>(AccessRights::MethodAccessList).Add(std::move(p));
}

// ---- SN object lists ----------------------------------------------------------------------

TSequence* TSNAssociationObjectHelper::FindItem(const TCOSEMInstance& Association, const PduStr& LogicalName,
                                                int ClassId) {
  return FindListItem(TSNAssociation::ObjectList(Association), ObjectListItemSN::ClassId,
                      ObjectListItemSN::LogicalName, LogicalName, ClassId);
}

void TSNAssociationObjectHelper::AddItem(TCOSEMInstance& Association, PduPtr Item, PduPtr AccessRightsItem) {
  TSNAssociation::ObjectList(Association).Add(std::move(Item));
  TSNAssociation::AccessRightsList(Association).Add(std::move(AccessRightsItem));
}

int TSNAssociationObjectHelper::CompareBaseNames(const TCOSEMPduBase& A, const TCOSEMPduBase& B) {
  int a = BaseNameOf(A), b = BaseNameOf(B);
  return a < b ? -1 : a > b ? 1 : 0;
}

void TSNAssociationObjectHelper::Sort(TCOSEMInstance& Association) {
  TSNAssociation::ObjectList(Association).Sort(CompareBaseNames);
}

bool TSNAssociationObjectHelper::GetSNInfo(const TCOSEMInstance& Association, int BaseName, int& ClassId,
                                           int& AttributeIndex, PduStr& LogicalName, TSequence*& AccessItem) {
  const TSequenceOf& list = TSNAssociation::ObjectList(Association);
  PduPtr key = Create(T_ObjectListItemSN, xmlIgnore);
  key->As<TSequence>().Get<TNumber>(ObjectListItemSN::BaseName).SetInt64(BaseName);
  int index = 0;
  if (!list.Search(*key, index, CompareBaseNames)) --index;
  AccessItem = nullptr;
  if (index < 0) {
    // Below the first object's base name (or an empty list) no object is named.
    ClassId = 0;
    AttributeIndex = 0;
    LogicalName.clear();
    return false;
  }
  const auto& item = list.Elements(index)->As<TSequence>();
  const int itemBaseName = BaseNameOf(item);
  AttributeIndex = ((BaseName & 0xFFFF) - itemBaseName) / 8 + 1;
  ClassId = ClassIdOf(item, ObjectListItemSN::ClassId);
  LogicalName = NameOf(item, ObjectListItemSN::LogicalName);
  AccessItem = nullptr;
  for (const auto& e : TSNAssociation::AccessRightsList(Association).FElements) {
    const auto& rights = e->As<TSequence>();
    if (BaseNameOf(rights) != itemBaseName) continue;
    AccessItem = FindAccessItem(rights.Get<TSequenceOf>(AccessRightsItem::AttributeAccessList), AttributeIndex);
    if (AccessItem) break;
  }
  return AccessItem != nullptr;
}

// ---- Completion ---------------------------------------------------------------------------

bool TLogicalDeviceHelper::IsListedMember(const TCOSEMInstance& Object, int MemberIndex) {
  const TypeInfo& t = Object.Type();
  if (&t == &T_SecuritySetupObject_1) return MemberIndex <= 5;
  if (&t == &T_SecuritySetupObject_0) return MemberIndex <= 4;
  if (&t == &T_PushSetupObject) return MemberIndex <= 6;
  if (&t == &T_SNAssociationObject_4) return MemberIndex <= 5;
  return true;
}

void TLogicalDeviceHelper::CompleteLNObjectList(const TSequence& Device, TCOSEMInstance& Association) {
  TListedSet listed;
  for (const auto& e : TLNAssociation::ObjectList(Association).FElements) {
    const auto& item = e->As<TSequence>();
    listed.emplace(ClassIdOf(item, ObjectListItemLN::ClassId), NameOf(item, ObjectListItemLN::LogicalName));
  }
  static const std::vector<int> kProfileSelectors = {1, 2};
  const int count = TLogicalDevice::ObjectCount(Device);
  for (int i = 0; i < count; ++i) {
    const TCOSEMInstance& object = TLogicalDevice::Object(Device, i);
    const int classId = object.COSEMClassId();
    const PduStr name = object.LogicalName();
    if (!listed.emplace(classId, name).second) continue;
    PduPtr p = Create(T_ObjectListItemLN, xml_ObjectListItemLN);
    auto& item = p->As<TSequence>();
    item.Get<TNumber>(ObjectListItemLN::ClassId).SetInt64(classId);
    item.Get<TNumber>(ObjectListItemLN::Version).SetInt64(object.COSEMClassVersion());
    item.Get<TOctetString>(ObjectListItemLN::LogicalName).Value = name;
    for (int m = 0; m < object.AttributeCount(); ++m) {
      if (!object.Member(static_cast<size_t>(m)) || !IsListedMember(object, m)) continue;
      const bool buffer = object.IsA(T_ProfileGenericObject) && m + 1 == 2;
      TLNAssociationObjectHelper::AddAttributeAccess(item, m + 1, 3, buffer ? &kProfileSelectors : nullptr);
    }
    std::vector<int> methods;
    if (classId == 30) methods = {1, 2, 3};
    else if (classId == 40) methods = {1};
    else if (classId == 64) methods = {1, 2};
    for (int m : methods) TLNAssociationObjectHelper::AddMethodAccess(item, m, 1);
    TLNAssociationObjectHelper::AddItem(Association, std::move(p));
  }
}

void TLogicalDeviceHelper::CompleteSNObjectList(const TSequence& Device, TCOSEMInstance& Association) {
  TListedSet listed;
  for (const auto& e : TSNAssociation::ObjectList(Association).FElements) {
    const auto& item = e->As<TSequence>();
    listed.emplace(ClassIdOf(item, ObjectListItemSN::ClassId), NameOf(item, ObjectListItemSN::LogicalName));
  }
  static const PduStr kSecuritySetupList("\x00\x00\x2A\x00\x00\xFF", 6);
  uint16_t counter = 0;
  auto nextBaseName = [&counter](const TCOSEMInstance& object) -> uint16_t {
    if (object.COSEMClassId() == 12) return 0xFA00;
    if (object.COSEMClassId() == 17) return 0xFC00;
    if (object.LogicalName() == kSecuritySetupList) return 0xFD00;
    do {
      counter = static_cast<uint16_t>(counter - 0x100);
    } while (counter == 0xFA00 || counter == 0xFB00 || counter == 0xFC00 || counter == 0xFD00);
    return counter;
  };
  const int count = TLogicalDevice::ObjectCount(Device);
  for (int i = 0; i < count; ++i) {
    const TCOSEMInstance& object = TLogicalDevice::Object(Device, i);
    const int classId = object.COSEMClassId();
    const PduStr name = object.LogicalName();
    if (!listed.emplace(classId, name).second) continue;
    const uint16_t baseName = nextBaseName(object);
    PduPtr p = Create(T_ObjectListItemSN, xml_ObjectListItemSN);
    auto& item = p->As<TSequence>();
    item.Get<TNumber>(ObjectListItemSN::BaseName).SetInt64(baseName);
    item.Get<TNumber>(ObjectListItemSN::ClassId).SetInt64(classId);
    item.Get<TNumber>(ObjectListItemSN::Version).SetInt64(object.COSEMClassVersion());
    item.Get<TOctetString>(ObjectListItemSN::LogicalName).Value = name;
    PduPtr r = Create(T_AccessRightsItem, xml_AccessRightsItem);
    auto& rights = r->As<TSequence>();
    rights.Get<TNumber>(AccessRightsItem::BaseName).SetInt64(baseName);
    auto& attributes = rights.Get<TSequenceOf>(AccessRightsItem::AttributeAccessList);
    for (int m = 0; m < object.AttributeCount(); ++m) {
      if (!object.Member(static_cast<size_t>(m)) || !IsListedMember(object, m)) continue;
      attributes.Add(MakeAttributeAccessItem(m + 1, 3, nullptr));
    }
    counter = static_cast<uint16_t>(counter - 0x100);
    TSNAssociationObjectHelper::AddItem(Association, std::move(p), std::move(r));
  }
}

}  // namespace zv
