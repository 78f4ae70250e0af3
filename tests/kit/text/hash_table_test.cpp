#include "kit/text/hash_table.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

struct TItem : TObject {
  TItem(int Key, int* Alive = nullptr) : Key(Key), Alive(Alive) {
    if (Alive) ++*Alive;
  }
  ~TItem() override {
    if (Alive) --*Alive;
  }
  int Key;
  int* Alive;
  bool Drop = false;
};

// Hashes by key; HashOf lets a test force collisions. Counts the calls it answers.
struct TItemTraits : TKitHashTableTraits {
  mutable int Calls = 0;
  uint32_t (*HashOf)(int) = [](int k) { return TKitHashTable::IntHash(static_cast<uint32_t>(k)); };
  uint32_t MakeHashI(TObject* Item) const override {
    ++Calls;
    return HashOf(static_cast<TItem*>(Item)->Key);
  }
  uint32_t MakeHashK(TKitHashKey Key) const override {
    ++Calls;
    return HashOf(static_cast<int>(Key));
  }
  bool Compare(TKitHashKey Key, TObject* Item) const override {
    ++Calls;
    return static_cast<TItem*>(Item)->Key == Key;
  }
  TKitHashUpdateAction OnUpdate(TObject* Item) const override {
    return static_cast<TItem*>(Item)->Drop ? uaDelete : uaNothing;
  }
};

std::vector<int> Keys(const TKitHashTable& T) {
  std::vector<int> keys;
  T.GetAll([&](TObject* Item) { keys.push_back(static_cast<TItem*>(Item)->Key); });
  return keys;
}

TEST(HashTableTest, Hashes) {
  EXPECT_EQ(TKitHashTable::IntHash(0), 0xFF83EF00u);
  EXPECT_EQ(TKitHashTable::IntHash(1), 0xFF83CEE7u);
  EXPECT_EQ(TKitHashTable::StrHash(u"abc"), 2043u);
  EXPECT_EQ(TKitHashTable::StrHash(u""), 0u);
}

TEST(HashTableTest, EmptyTableAsksNoTraits) {
  TItemTraits traits;
  TKitHashTable t(traits, true);
  EXPECT_EQ(t.Find(1), nullptr);
  EXPECT_FALSE(t.Remove(1));
  EXPECT_EQ(traits.Calls, 0);
}

TEST(HashTableTest, GrowsAtLoadOneAndNeverShrinks) {
  TItemTraits traits;
  int alive = 0;
  {
    TKitHashTable t(traits, true);
    for (int k = 1; k <= 4; ++k) ASSERT_TRUE(t.Add(new TItem(k, &alive)));
    EXPECT_EQ(t.SlotCount(), 4);
    t.Add(new TItem(5, &alive));
    EXPECT_EQ(t.SlotCount(), 8);
    for (int k = 1; k <= 4; ++k) EXPECT_TRUE(t.Remove(k));
    EXPECT_FALSE(t.Remove(1));
    EXPECT_EQ(alive, 1);
    EXPECT_EQ(t.SlotCount(), 8);
    EXPECT_EQ(t.Count(), 1);
    ASSERT_NE(t.Find(5), nullptr);
    EXPECT_EQ(static_cast<TItem*>(t.Find(5))->Key, 5);
  }
  EXPECT_EQ(alive, 0);  // the owning table frees what it still holds
}

TEST(HashTableTest, CollisionsChainNewestFirst) {
  TItemTraits traits;
  traits.HashOf = [](int) { return 7u; };
  TKitHashTable t(traits, true);
  for (int k = 1; k <= 3; ++k) t.Add(new TItem(k));
  EXPECT_EQ(Keys(t), (std::vector<int>{3, 2, 1}));
  // Removing from the front, the middle and the end of a chain keeps the rest reachable.
  for (int k : {2, 3, 1}) {
    EXPECT_TRUE(t.Remove(k));
    EXPECT_EQ(t.Find(k), nullptr);
  }
  EXPECT_EQ(t.Count(), 0);
  t.Add(new TItem(4));
  t.Add(new TItem(4));
  TObject* newer = t.Find(4);
  std::vector<TObject*> all;
  t.GetAll(all);
  EXPECT_EQ(all.front(), newer);
}

TEST(HashTableTest, BeforeAddCanRefuse) {
  struct TUnique : TItemTraits {
    bool BeforeAdd(TObject* Item, TKitHashTable& Table) const override {
      return Table.Find(static_cast<TItem*>(Item)->Key) == nullptr;
    }
  } traits;
  TKitHashTable t(traits, false);
  TItem a(1), b(1);
  EXPECT_TRUE(t.Add(&a));
  EXPECT_FALSE(t.Add(&b));
  EXPECT_EQ(t.Count(), 1);
}

TEST(HashTableTest, UpdateDropsAndRefiles) {
  TItemTraits traits;
  int alive = 0;
  TKitHashTable t(traits, true);
  std::vector<TItem*> items;
  for (int k = 0; k < 20; ++k) {
    items.push_back(new TItem(k, &alive));
    t.Add(items.back());
  }
  // Odd keys go, even keys move to a new key (and so, mostly, to another slot).
  std::vector<TItem*> kept;
  for (TItem* item : items) {
    if (item->Key % 2) {
      item->Drop = true;
    } else {
      item->Key += 1000;
      kept.push_back(item);
    }
  }
  t.Update();
  EXPECT_EQ(t.Count(), 10);
  EXPECT_EQ(alive, 10);
  for (int k = 0; k < 20; k += 2) EXPECT_NE(t.Find(k + 1000), nullptr) << k;
  for (TItem* item : kept) item->Drop = true;
  t.Update();
  EXPECT_EQ(t.Count(), 0);
  EXPECT_EQ(alive, 0);
  EXPECT_EQ(t.SlotCount(), 32);
  EXPECT_TRUE(Keys(t).empty());
}

TEST(HashTableTest, BaseTraitsMustBeOverridden) {
  TKitHashTableTraits traits;
  TKitHashTable t(traits, false);
  TItem item(1);
  EXPECT_THROW(t.Add(&item), EAssertionFailed);
}

}  // namespace
}  // namespace zv
