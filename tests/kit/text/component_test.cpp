#include "kit/text/component.h"

#include <gtest/gtest.h>

#include "kit/text/stream.h"

namespace zv {
namespace {

template <class T>
int Fires(T& Obj, void (*Script)(T&)) {
  int fired = 0;
  Obj.SetOnChange([&](TObject* Sender) {
    EXPECT_EQ(Sender, &Obj);
    ++fired;
  });
  Script(Obj);
  return fired;
}

TEST(ComponentTest, ObjectUpdateFlagDoesNotNest) {
  TKitObject obj;
  EXPECT_EQ(Fires<TKitObject>(obj, [](TKitObject& o) {
              o.BeginUpdate();
              o.BeginUpdate();
              o.Change();
              o.EndUpdate(false);
              o.Change();
            }),
            1);
  EXPECT_EQ(Fires<TKitObject>(obj, [](TKitObject& o) { o.EndUpdate(true); }), 1);
}

TEST(ComponentTest, ComponentCounterNests) {
  TKitCustomComponent comp;
  EXPECT_EQ(Fires<TKitCustomComponent>(comp, [](TKitCustomComponent& c) {
              c.BeginUpdate();
              c.BeginUpdate();
              c.EndUpdate(true);
              c.Change();
            }),
            0);
  EXPECT_TRUE(comp.IsUpdating());
  EXPECT_EQ(Fires<TKitCustomComponent>(comp, [](TKitCustomComponent& c) { c.EndUpdate(true); }), 1);
  // Ending a batch that never began still notifies, and the counter stays at 0.
  EXPECT_EQ(Fires<TKitCustomComponent>(comp, [](TKitCustomComponent& c) { c.EndUpdate(true); }), 1);
  EXPECT_FALSE(comp.IsUpdating());
  EXPECT_EQ(comp.getKitPackage(), pi_Kit_TOOLS);
}

// With the handler taken away, no change notifies the old one, and the update state is
// left as it was.
TEST(ComponentTest, ChangeWithoutHandlerDoesNothing) {
  int fired = 0;
  TKitObject obj;
  TKitCustomComponent comp;
  obj.SetOnChange([&](TObject*) { ++fired; });
  comp.SetOnChange([&](TObject*) { ++fired; });
  obj.SetOnChange(nullptr);
  comp.SetOnChange(nullptr);
  EXPECT_FALSE(obj.OnChange());
  EXPECT_FALSE(comp.OnChange());
  obj.Change();
  obj.NotifyChange(&comp);
  obj.EndUpdate(true);
  comp.Change();
  comp.NotifyChange(&obj);
  comp.BeginUpdate();
  comp.EndUpdate(true);
  EXPECT_EQ(fired, 0);
  EXPECT_FALSE(obj.IsUpdating());
  EXPECT_FALSE(comp.IsUpdating());
}

TEST(StreamTest, MemoryStreamReadsWritesAndRefusesShortReads) {
  TKitMemoryStream s;
  s.WriteBuffer("abcdef", 6);
  EXPECT_EQ(s.Size(), 6);
  s.SetPosition(4);
  char buf[4] = {};
  EXPECT_EQ(s.Read(buf, 4), 2);
  s.SetPosition(5);
  EXPECT_THROW(s.ReadBuffer(buf, 2), EReadError);
  s.SetSize(3);
  EXPECT_EQ(s.Position(), 3);
  TKitMemoryStream copy;
  EXPECT_EQ(copy.CopyFrom(s, 0), 3);
  EXPECT_EQ(std::string(copy.Data().begin(), copy.Data().end()), "abc");
}

}  // namespace
}  // namespace zv
