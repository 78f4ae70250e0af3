// A chained hash table of objects whose hashing, key comparison, admission and re-check
// are delegated to a traits class, so one table serves integer, pointer and string keys.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "kit/text/kit_types.h"

namespace zv {

class TKitHashTable;

// Keys are pointer-sized values whose meaning only the traits know (a line number, an
// object, the address of a string).
using TKitHashKey = intptr_t;

enum TKitHashUpdateAction { uaDelete, uaNothing };

// A stateless policy. MakeHashI, MakeHashK and Compare must be overridden; MakeHashK of a
// key must equal MakeHashI of the item that has that key.
class TKitHashTableTraits : public TObject {
 public:
  virtual bool BeforeAdd(TObject* Item, TKitHashTable& Table) const;
  virtual uint32_t MakeHashI(TObject* Item) const;
  virtual uint32_t MakeHashK(TKitHashKey Key) const;
  virtual bool Compare(TKitHashKey Key, TObject* Item) const;
  virtual TKitHashUpdateAction OnUpdate(TObject* Item) const;
};

using TKitHashTableItemProc = std::function<void(TObject* Item)>;
using TKitHashTableItemProcEx = std::function<void(TObject* Item, void* Data)>;

class TKitHashTable : public TObject {
 public:
  // Traits must outlive the table (a static instance of a stateless class, usually).
  TKitHashTable(const TKitHashTableTraits& Traits, bool OwnItems);
  ~TKitHashTable() override;
  TKitHashTable(const TKitHashTable&) = delete;
  TKitHashTable& operator=(const TKitHashTable&) = delete;

  // False when BeforeAdd refused the item. Equal keys are not detected here.
  bool Add(TObject* Item);
  // Unlinks the newest item with the key (and frees it when the table owns its items).
  bool Remove(TKitHashKey Key);
  TObject* Find(TKitHashKey Key) const;
  void Clear();
  // Enumeration: slots from 0 upward, each slot's items from the newest to the oldest.
  void GetAll(std::vector<TObject*>& List) const;
  void GetAll(const TKitHashTableItemProc& Proc) const;
  void GetAll(void* Data, const TKitHashTableItemProcEx& Proc) const;
  // Asks OnUpdate of every item: drops those answered uaDelete and re-files the table when
  // a kept item now hashes to another slot.
  void Update();

  int Count() const { return FCount; }
  bool OwnItems() const { return FOwnItems; }
  int SlotCount() const { return static_cast<int>(FItems.size()); }
  const TKitHashTableTraits& Traits() const { return *FTraits; }

  static uint32_t IntHash(uint32_t Key);
  static uint32_t PtrHash(const void* P);
  static uint32_t StrHash(const TKitString& S);

 private:
  // An item beyond the first of its slot. A slot holds its newest item directly, so a
  // table without collisions allocates nothing but the slot array.
  struct TKitHashTableColl {
    TObject* Item;
    TKitHashTableColl* Next;
  };
  struct TSlot {
    TObject* First = nullptr;
    TKitHashTableColl* Rest = nullptr;
  };

  void Insert(TObject* Item);
  void Refile();
  // Unlink an entry and free the item when the table owns its items.
  void UnlinkFirst(TSlot& Slot);
  void UnlinkLink(TKitHashTableColl** Pos);
  void DropItem(TObject* Item);
  template <class F>
  void ForEach(F&& Fn) const;

  const TKitHashTableTraits* FTraits;
  bool FOwnItems;
  std::vector<TSlot> FItems;
  int FIndexMask = 0;
  int FCount = 0;
};

}  // namespace zv
