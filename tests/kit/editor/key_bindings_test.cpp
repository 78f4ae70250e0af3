// Key bindings: the default table as a view loads it, the uniqueness rules of command
// lists, and key presses through the bindings (two strokes, custom over default, AltGr).
#include <gtest/gtest.h>

#include <set>

#include "key_view_support.h"
#include "support/error_of.h"

namespace zv {
namespace {

using test::ErrorOf;
using test::kAlt;
using test::kCtrl;
using test::kShift;
using test::KeyViewFixture;

TKitEditCommand CommandOf(const TKitEditCommandBinding* B) {
  EXPECT_NE(B, nullptr);
  return B != nullptr ? B->ParentItem()->Command() : sedChar;
}

TEST(KeyBindingsTest, TheDefaultTableLoadsIntoEveryView) {
  const std::vector<TDefaultKeyBinding>& table = KitDefaultKeyBindings();
  ASSERT_EQ(table.size(), 86u);
  std::set<TKitEditCommand> commands;
  for (const TDefaultKeyBinding& row : table) commands.insert(row.Command);
  std::set<TKitString> categories;
  for (const TDefaultKeyBinding& row : table)
    if (row.Cat[0] != 0) categories.insert(row.Cat);
  EXPECT_EQ(categories.size(), 8u);

  KeyViewFixture f;
  TKitEditCommandList& list = f.view.DefaultKeyBindings();
  EXPECT_EQ(list.Count(), static_cast<int>(commands.size()));
  int bindings = 0;
  for (int i = 0; i < list.Count(); ++i) bindings += list.Items(i)->Bindings().Count();
  EXPECT_EQ(bindings, 86);
  EXPECT_EQ(f.view.CustomKeyBindings().Count(), 0);
  // The table passes the list's own uniqueness checks, which loading it skips.
  TKitEditCommandList& custom = f.view.CustomKeyBindings();
  EXPECT_NO_THROW(custom.Assign(list));
  EXPECT_EQ(custom.Count(), list.Count());
  custom.Clear();

  // Up is bound twice, in modes that do not meet.
  const TKitEditCommandModes view{cmForView}, cmpl{cmForCompletion}, inc{cmForIncSearch};
  EXPECT_EQ(CommandOf(list.FindKeyBinding(kVkUp, 0, view)), sedUp);
  EXPECT_EQ(CommandOf(list.FindKeyBinding(kVkUp, 0, inc)), sedUp);
  EXPECT_EQ(CommandOf(list.FindKeyBinding(kVkUp, 0, cmpl)), sedCompletionUp);
  EXPECT_EQ(CommandOf(list.FindKeyBinding(kVkBack, 0, view)), sedBackspaceOrUnindent);
  EXPECT_EQ(CommandOf(list.FindKeyBinding(kVkBack, 0, inc)), sedIncrementalSearchBack);
  EXPECT_EQ(CommandOf(list.FindKeyBinding(kVkBack, 0, cmpl)), sedCompletionBack);
  EXPECT_EQ(CommandOf(list.FindKeyBinding(kVkRight, kShift | kAlt | kCtrl, view)), sedSelectNextWordBlock);
  EXPECT_EQ(list.FindKeyBinding(kVkRight, kShift | kAlt, inc), nullptr);  // block selection is view-only
  // The shortcut encoding: key | 0x2000 Shift | 0x4000 Ctrl | 0x8000 Alt.
  EXPECT_EQ(CommandOf(list.FindBinding(TKitShortCut(0x4000 | 'Z'), view)), sedUndo);
  EXPECT_EQ(CommandOf(list.FindBinding(TKitShortCut(0x6000 | 'Z'), view)), sedRedo);
  EXPECT_EQ(CommandOf(list.FindBinding(TKitShortCut(0xC000 | kVkBack), view)), sedDeletePrevChar);

  TKitEditCommandItem* copy = list.FindCommand(sedCopy);
  ASSERT_NE(copy, nullptr);
  ASSERT_EQ(copy->Bindings().Count(), 2);
  EXPECT_EQ(copy->Bindings().Items(0)->Shortcut(), 0x4000 | kVkInsert);
  EXPECT_EQ(copy->Bindings().Items(1)->Shortcut(), 0x4000 | 'C');
  EXPECT_EQ(copy->Description(), u"Copy selection");
  EXPECT_EQ(copy->Category(), u"Clipboard");
  TKitEditCommandItem* back = list.FindCommand(sedDeletePrevChar);
  ASSERT_EQ(back->Bindings().Count(), 2);
  EXPECT_EQ(back->Bindings().Items(0)->Shortcut(), 0xC000 | kVkBack);
  EXPECT_EQ(back->Bindings().Items(1)->Shortcut(), 0x2000 | kVkBack);
  EXPECT_EQ(back->Modes(), (TKitEditCommandModes{cmForView, cmForIncSearch}));
  EXPECT_FALSE(list.FindCommand(sedCompletionUp)->Editable());
  EXPECT_EQ(list.FindCommand(sedStr), nullptr);
  TKitEditCommandItem* str = f.view.CustomKeyBindings().Add();
  str->SetCommand(sedStr);
  EXPECT_EQ(str->Description(), u"");
}

TEST(KeyBindingsTest, UniquenessRulesAndManualCreationAreRefused) {
  KeyViewFixture f;
  EXPECT_EQ(ErrorOf([&] { TKitEditCommandList list(&f.view); }),
            "This internal View class should not be created manually.");
  EXPECT_EQ(ErrorOf([&] { TKitEditCommandList list(nullptr); }),
            "This internal View class should not be created manually.");

  TKitEditCommandList& custom = f.view.CustomKeyBindings();
  TKitEditCommandItem* copy = custom.Add();
  copy->SetCommand(sedCopy);
  copy->SetModes({cmForView});
  copy->Bindings().Add()->SetShortcut(KitShortCut('C', kCtrl));
  TKitEditCommandItem* cut = custom.Add();
  cut->SetCommand(sedCut);
  cut->SetModes({cmForView, cmForIncSearch});
  TKitEditCommandBinding* b = cut->Bindings().Add();
  EXPECT_EQ(ErrorOf([&] { b->SetShortcut(KitShortCut('C', kCtrl)); }), "Keybindings should be unique in Command items");
  EXPECT_EQ(b->Shortcut(), 0);
  // A second stroke makes another pair; the same pair in a mode that does not meet is fine.
  b->SetShortcut2('X');
  b->SetShortcut(KitShortCut('C', kCtrl));
  EXPECT_EQ(ErrorOf([&] { b->SetShortcut2(0); }), "Keybindings should be unique in Command items");
  TKitEditCommandItem* list = custom.Add();
  list->SetCommand(sedCompletionCommit);
  list->SetModes({cmForCompletion});
  list->Bindings().Add()->SetShortcut(KitShortCut('C', kCtrl));
  EXPECT_EQ(ErrorOf([&] { cut->SetCommand(sedCopy); }),
            "Command items in collection should have unique Command property.");
  cut->SetCommand(sedCut);  // its own value again
  EXPECT_EQ(cut->Command(), sedCut);

  // Assigning another view's list copies it; its own list is left alone.
  KeyViewFixture g;
  g.view.SetCustomKeyBindings(custom);
  ASSERT_EQ(g.view.CustomKeyBindings().Count(), 3);
  EXPECT_EQ(g.view.CustomKeyBindings().Items(1)->Bindings().Items(0)->Shortcut2(), 'X');
  g.view.SetCustomKeyBindings(g.view.CustomKeyBindings());
  EXPECT_EQ(g.view.CustomKeyBindings().Count(), 3);
}

TEST(KeyBindingsTest, KeyPressesRunBoundCommandsAndTypeTheRest) {
  KeyViewFixture f(u"one two\r\nthree");
  f.Type(u"ab");
  EXPECT_EQ(f.Text(), u"abone two\r\nthree");
  // Ctrl+End: a command; its character is dropped.
  f.Press(kVkEnd, kCtrl, u'x');
  EXPECT_EQ(f.Cursor(), (TKitPoint{5, 1}));
  EXPECT_EQ(f.Text(), u"abone two\r\nthree");
  // An unbound Ctrl key types nothing either.
  f.Press('Q', kCtrl, u'\x11');
  f.Press('Q', kCtrl, u'q');
  EXPECT_EQ(f.Text(), u"abone two\r\nthree");
  // AltGr (Ctrl+Alt) types its character; Ctrl+Alt+Backspace is still looked up.
  f.Press('Q', kCtrl | kAlt, u'@');
  EXPECT_EQ(f.Text(), u"abone two\r\nthree@");
  f.Press(kVkBack, kCtrl | kAlt);
  EXPECT_EQ(f.Text(), u"abone two\r\nthree");
  // A handler that takes the key: nothing runs, the character is typed.
  f.view.OnKeyDown = [](TObject*, uint16_t& key, TKitShiftState) {
    if (key == kVkHome) key = 0;
  };
  f.Press(kVkHome, 0, u'!');
  EXPECT_EQ(f.Text(), u"abone two\r\nthree!");
}

TEST(KeyBindingsTest, TwoStrokesAndCustomBindingsOverDefaults) {
  KeyViewFixture f(u"alpha\r\nbeta");
  TKitEditCommandItem* all = f.view.CustomKeyBindings().Add();
  all->SetCommand(sedSelectAll);
  all->SetModes({cmForView});
  TKitEditCommandBinding* b = all->Bindings().Add();
  b->SetShortcut(KitShortCut('K', kCtrl));
  b->SetShortcut2(KitShortCut('B', 0));

  // Ctrl+K (also a default: delete to line end) waits for the second stroke.
  f.Press('K', kCtrl);
  EXPECT_EQ(f.view.PressedShortcut(), KitShortCut('K', kCtrl));
  EXPECT_EQ(f.Text(), u"alpha\r\nbeta");
  f.Press(kVkEscape);  // drops it
  EXPECT_EQ(f.view.PressedShortcut(), 0);
  f.Press('B', 0, u'b');
  EXPECT_EQ(f.Text(), u"balpha\r\nbeta");
  EXPECT_FALSE(f.view.SelAvail());
  f.Press('K', kCtrl);
  f.Press('X', 0, u'x');  // no such pair: nothing runs, the stroke is gone, the character types
  EXPECT_EQ(f.view.PressedShortcut(), 0);
  EXPECT_EQ(f.Text(), u"bxalpha\r\nbeta");
  f.Press('K', kCtrl);
  f.Press('B', 0, u'b');
  EXPECT_TRUE(f.view.SelAvail());
  EXPECT_EQ(f.view.SelectedText(), u"bxalpha\r\nbeta");

  // A custom binding of Undo takes every default binding of Undo away.
  f.Press(kVkRight);
  TKitEditCommandItem* undo = f.view.CustomKeyBindings().Add();
  undo->SetCommand(sedUndo);
  undo->SetModes({cmForView});
  undo->Bindings().Add()->SetShortcut(KitShortCut(kVkBack, kAlt));
  f.Press('Z', kCtrl, u'z');
  EXPECT_EQ(f.Text(), u"bxalpha\r\nbeta");
  f.Press(kVkBack, kAlt);
  EXPECT_EQ(f.Text(), u"alpha\r\nbeta");
}

}  // namespace
}  // namespace zv
