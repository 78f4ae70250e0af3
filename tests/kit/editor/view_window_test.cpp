// What the view's window answers: its text, the clipboard operations and clearing with and
// without a document, the key strokes it binds, Tab and Return, and the debug frames'
// colours.
#include <gtest/gtest.h>

#include "key_view_support.h"

namespace zv {
namespace {

using test::KeyViewFixture;

TEST(ViewWindowTest, TextClipboardAndClearing) {
  KeyViewFixture f(u"alpha beta");
  EXPECT_EQ(f.view.GetText(), u"alpha beta");
  EXPECT_EQ(f.view.GetTextLength(), 10);
  f.view.SetSelection(6, 10, false);
  f.view.ClipboardCopy();
  TKitString clip;
  bool block = true;
  ASSERT_TRUE(f.host.FakeClipboard().GetText(clip, block));
  EXPECT_EQ(clip, u"beta");
  f.view.ClipboardCut();
  EXPECT_EQ(f.Text(), u"alpha ");
  f.Put(0, 0);
  f.view.ClipboardPaste();
  EXPECT_EQ(f.Text(), u"betaalpha ");
  // Clearing takes the whole text as one undo step.
  f.view.ClearText();
  EXPECT_EQ(f.Text(), u"");
  f.view.Undo();
  EXPECT_EQ(f.Text(), u"betaalpha ");
  // Read-only: the editor's refusal.
  f.view.SetReadOnly(true);
  EXPECT_THROW(f.view.ClearText(), EKitEditViewError);
  EXPECT_EQ(f.Text(), u"betaalpha ");
  // Without a document: beeps and an empty text.
  f.view.SetDocument(nullptr);
  f.host.Beeps = 0;
  f.view.ClipboardCopy();
  f.view.ClipboardCut();
  f.view.ClipboardPaste();
  f.view.ClearText();
  EXPECT_EQ(f.host.Beeps, 4);
  EXPECT_EQ(f.view.GetText(), u"");
}

TEST(ViewWindowTest, KeyStrokesTheEditorBinds) {
  KeyViewFixture f(u"text");
  EXPECT_TRUE(f.view.IsKeyBound('C', test::kCtrl));   // copy
  EXPECT_TRUE(f.view.IsKeyBound(kVkLeft, 0));
  EXPECT_FALSE(f.view.IsKeyBound('Q', test::kCtrl | test::kAlt));  // AltGr types
  EXPECT_FALSE(f.view.IsKeyBound(0x7B, 0));                        // F12
  // A custom binding of a command hides the command's default strokes.
  TKitEditCommandItem* copy = f.view.CustomKeyBindings().Add();
  copy->SetCommand(sedCopy);
  copy->SetModes({cmForView});
  copy->Bindings().Add()->SetShortcut(KitShortCut(0x7B, 0));
  EXPECT_TRUE(f.view.IsKeyBound(0x7B, 0));
  EXPECT_FALSE(f.view.IsKeyBound('C', test::kCtrl));
  EXPECT_TRUE(f.view.WantTabs());
  EXPECT_TRUE(f.view.WantReturns());
}

TEST(ViewWindowTest, DebugFrameColoursAreViewSettings) {
  KeyViewFixture f(u"text");
  std::vector<TKitViewStatusChanges> statuses;
  f.view.OnStatusChanged = [&](TObject*, TKitViewStatusChanges c) { statuses.push_back(c); };
  f.view.SetDebugFrameLineBg(0x123456);
  EXPECT_EQ(f.view.DebugFrameLineBg(), 0x123456u);
  f.view.SetDebugFrameLineBg(0x123456);  // unchanged: no report
  f.view.SetDebugFrameTopLineColor(0x010203);
  EXPECT_EQ(f.view.DebugFrameTopLineColor(), 0x010203u);
  ASSERT_EQ(statuses.size(), 2u);
  EXPECT_TRUE(statuses[0].Contains(scViewSettings));
}

}  // namespace
}  // namespace zv
