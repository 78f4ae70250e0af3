#include "kit/text/hash_table.h"

namespace zv {

bool TKitHashTableTraits::BeforeAdd(TObject*, TKitHashTable&) const { return true; }
uint32_t TKitHashTableTraits::MakeHashI(TObject*) const { ZV_ASSERT(false); }
uint32_t TKitHashTableTraits::MakeHashK(TKitHashKey) const { ZV_ASSERT(false); }
bool TKitHashTableTraits::Compare(TKitHashKey, TObject*) const { ZV_ASSERT(false); }
TKitHashUpdateAction TKitHashTableTraits::OnUpdate(TObject*) const { return uaNothing; }

TKitHashTable::TKitHashTable(const TKitHashTableTraits& Traits, bool OwnItems)
    : FTraits(&Traits), FOwnItems(OwnItems) {}

TKitHashTable::~TKitHashTable() { Clear(); }

uint32_t TKitHashTable::IntHash(uint32_t Key) {
  uint32_t h = Key;
  h += ~(h << 9);
  h ^= h >> 14;
  h += h << 4;
  h ^= h >> 10;
  return h;
}

uint32_t TKitHashTable::PtrHash(const void* P) {
  return IntHash(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(P)));
}

uint32_t TKitHashTable::StrHash(const TKitString& S) {
  uint32_t h = 0;
  for (char16_t c : S) h = h * 4 + c;
  return h;
}

void TKitHashTable::Insert(TObject* Item) {
  TSlot& slot = FItems[FTraits->MakeHashI(Item) & static_cast<uint32_t>(FIndexMask)];
  if (slot.First) slot.Rest = new TKitHashTableColl{slot.First, slot.Rest};
  slot.First = Item;
}

// Re-files every slot from the highest index down, each slot's items in chain order.
void TKitHashTable::Refile() {
  std::vector<TObject*> items;
  for (size_t i = FItems.size(); i-- > 0;) {
    TSlot& slot = FItems[i];
    items.clear();
    if (slot.First) items.push_back(slot.First);
    for (TKitHashTableColl* link = slot.Rest; link;) {
      items.push_back(link->Item);
      TKitHashTableColl* next = link->Next;
      delete link;
      link = next;
    }
    slot = TSlot{};
    for (TObject* item : items) Insert(item);
  }
}

bool TKitHashTable::Add(TObject* Item) {
  if (!FTraits->BeforeAdd(Item, *this)) return false;
  if (static_cast<int>(FItems.size()) == FCount) {
    FItems.resize(FItems.empty() ? 4 : FItems.size() * 2);
    FIndexMask = static_cast<int>(FItems.size()) - 1;
    Refile();
  }
  Insert(Item);
  ++FCount;
  return true;
}

void TKitHashTable::DropItem(TObject* Item) {
  --FCount;
  if (FOwnItems) delete Item;
}

void TKitHashTable::UnlinkFirst(TSlot& Slot) {
  TObject* item = Slot.First;
  if (TKitHashTableColl* head = Slot.Rest) {
    Slot.First = head->Item;
    Slot.Rest = head->Next;
    delete head;
  } else {
    Slot.First = nullptr;
  }
  DropItem(item);
}

void TKitHashTable::UnlinkLink(TKitHashTableColl** Pos) {
  TKitHashTableColl* link = *Pos;
  *Pos = link->Next;
  TObject* item = link->Item;
  delete link;
  DropItem(item);
}

TObject* TKitHashTable::Find(TKitHashKey Key) const {
  if (FItems.empty()) return nullptr;
  const TSlot& slot = FItems[FTraits->MakeHashK(Key) & static_cast<uint32_t>(FIndexMask)];
  if (slot.First && FTraits->Compare(Key, slot.First)) return slot.First;
  for (const TKitHashTableColl* link = slot.Rest; link; link = link->Next)
    if (FTraits->Compare(Key, link->Item)) return link->Item;
  return nullptr;
}

bool TKitHashTable::Remove(TKitHashKey Key) {
  if (FItems.empty()) return false;
  TSlot& slot = FItems[FTraits->MakeHashK(Key) & static_cast<uint32_t>(FIndexMask)];
  if (!slot.First) return false;
  if (FTraits->Compare(Key, slot.First)) {
    UnlinkFirst(slot);
    return true;
  }
  for (TKitHashTableColl** pos = &slot.Rest; *pos; pos = &(*pos)->Next) {
    if (FTraits->Compare(Key, (*pos)->Item)) {
      UnlinkLink(pos);
      return true;
    }
  }
  return false;
}

void TKitHashTable::Clear() {
  for (TSlot& slot : FItems) {
    if (FOwnItems) delete slot.First;
    for (TKitHashTableColl* link = slot.Rest; link;) {
      TKitHashTableColl* next = link->Next;
      if (FOwnItems) delete link->Item;
      delete link;
      link = next;
    }
  }
  FItems.clear();
  FItems.shrink_to_fit();
  FIndexMask = 0;
  FCount = 0;
}

template <class F>
void TKitHashTable::ForEach(F&& Fn) const {
  for (const TSlot& slot : FItems) {
    if (slot.First) Fn(slot.First);
    for (const TKitHashTableColl* link = slot.Rest; link; link = link->Next) Fn(link->Item);
  }
}

void TKitHashTable::GetAll(std::vector<TObject*>& List) const {
  ForEach([&](TObject* item) { List.push_back(item); });
}

void TKitHashTable::GetAll(const TKitHashTableItemProc& Proc) const { ForEach(Proc); }

void TKitHashTable::GetAll(void* Data, const TKitHashTableItemProcEx& Proc) const {
  ForEach([&](TObject* item) { Proc(item, Data); });
}

void TKitHashTable::Update() {
  bool refile = false;
  for (size_t i = 0; i < FItems.size(); ++i) {
    TSlot& slot = FItems[i];
    auto keep = [&](TObject* item) {
      if ((FTraits->MakeHashI(item) & static_cast<uint32_t>(FIndexMask)) != i) refile = true;
    };
    while (slot.First && FTraits->OnUpdate(slot.First) == uaDelete) UnlinkFirst(slot);
    if (!slot.First) continue;
    keep(slot.First);
    for (TKitHashTableColl** pos = &slot.Rest; *pos;) {
      if (FTraits->OnUpdate((*pos)->Item) == uaDelete) {
        UnlinkLink(pos);
      } else {
        keep((*pos)->Item);
        pos = &(*pos)->Next;
      }
    }
  }
  if (refile) Refile();
}

}  // namespace zv
