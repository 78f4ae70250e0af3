// Editing at the caret and in scroll space through the commands: typing and overwriting,
// Tab and Return with their indentation rules, deletes, the clipboard in stream and block
// form, range indentation, and undo that puts each view's cursor back.
#include <gtest/gtest.h>

#include "key_view_support.h"
#include "support/error_of.h"

namespace zv {
namespace {

using test::ErrorOf;
using test::KeyViewFixture;

struct EditCase {
  const char* name;
  const char16_t* text;
  TKitPoint cursor;
  std::vector<TKitViewSetting> on;
  TKitEditCommand command;
  const char16_t* arg;
  const char16_t* expected;
  TKitPoint after;
};

TEST(ViewEditingTest, CommandsAtTheCaret) {
  const EditCase cases[] = {
      {"a typed letter in virtual space comes after spaces", u"abc", {6, 0}, {}, sedChar, u"x", u"abc   x", {7, 0}},
      {"typing inside a tab splits it", u"\tz", {3, 0}, {}, sedChar, u"x", u"   x     z", {4, 0}},
      {"overwrite replaces one character", u"abc", {1, 0}, {vsOverwrite}, sedChar, u"X", u"aXc", {2, 0}},
      {"overwrite at the line end inserts", u"abc", {3, 0}, {vsOverwrite}, sedChar, u"X", u"abcX", {4, 0}},
      {"overwrite on a tab keeps the rest as spaces", u"\tz", {0, 0}, {vsOverwrite}, sedChar, u"X", u"X       z",
       {1, 0}},
      {"a string", u"ab", {1, 0}, {}, sedStr, u"<x/>", u"a<x/>b", {5, 0}},
      {"an unassigned character does nothing", u"ab", {1, 0}, {}, sedChar, nullptr, u"ab", {1, 0}},
      // Return: the indentation of the line (or of the nearest non-blank line above).
      {"return copies the indentation", u"    foo", {7, 0}, {vsAutoIndent}, sedNewLine, nullptr, u"    foo\r\n    ",
       {4, 1}},
      {"a tab indentation is copied as a tab", u"\tfoo", {11, 0}, {vsAutoIndent}, sedNewLine, nullptr,
       u"\tfoo\r\n\t", {8, 1}},
      {"without auto-indent nothing is copied", u"    foo", {7, 0}, {}, sedNewLine, nullptr, u"    foo\r\n", {0, 1}},
      {"return at column 0 of an indented line moves it down", u"    foo", {0, 0}, {vsAutoIndent}, sedNewLine,
       nullptr, u"\r\n    foo", {0, 1}},
      {"return inside the leading blanks keeps the column", u"    foo", {2, 0}, {vsAutoIndent}, sedNewLine, nullptr,
       u"\r\n    foo", {2, 1}},
      {"trailing blanks go from both lines", u"    foo   ", {7, 0}, {vsAutoIndent}, sedNewLine, nullptr,
       u"    foo\r\n    ", {4, 1}},
      {"keep-blanks keeps them", u"    foo   ", {7, 0}, {vsAutoIndent, vsKeepBlanks}, sedNewLine, nullptr,
       u"    foo\r\n       ", {4, 1}},
      {"keep-blanks on a blank line breaks at the cursor", u"      ", {2, 0}, {vsAutoIndent, vsKeepBlanks},
       sedNewLine, nullptr, u"  \r\n    ", {0, 1}},
      {"return in overwrite mode still breaks the line", u"abcd", {2, 0}, {vsOverwrite}, sedNewLine, nullptr,
       u"ab\r\ncd", {0, 1}},
      {"return in virtual space does not fill it", u"ab", {5, 0}, {}, sedNewLine, nullptr, u"ab\r\n", {0, 1}},
      // Tab to the next stop (tab width 4 here).
      {"tab at column 5 inserts 3 spaces", u"abcde", {5, 0}, {}, sedTab, nullptr, u"abcde   ", {8, 0}},
      {"tab at column 8 inserts 4", u"abcdefgh", {8, 0}, {}, sedTab, nullptr, u"abcdefgh    ", {12, 0}},
      {"with use-tabs a tab character", u"ab", {2, 0}, {vsUseTabs}, sedTab, nullptr, u"ab\t", {4, 0}},
      {"overwrite tab only moves the cursor", u"abcdefgh", {1, 0}, {vsOverwrite}, sedTab, nullptr, u"abcdefgh",
       {4, 0}},
      {"smart tab indents to the line above", u"      x\r\n", {0, 1}, {vsAutoIndent}, sedTabOrIndent, nullptr,
       u"      x\r\n      ", {6, 1}},
      {"smart tab after text inserts a tab", u"      x\r\nab", {2, 1}, {vsAutoIndent}, sedTabOrIndent, nullptr,
       u"      x\r\nab      ", {8, 1}},
      // Deletes.
      {"delete in virtual space joins at the cursor column", u"ab\r\ncd", {5, 0}, {}, sedDeleteChar, nullptr,
       u"ab   cd", {5, 0}},
      {"backspace in virtual space only moves", u"ab", {5, 0}, {}, sedDeletePrevChar, nullptr, u"ab", {2, 0}},
      {"backspace after a tab takes the whole tab", u"a\tb", {8, 0}, {}, sedDeletePrevChar, nullptr, u"ab", {1, 0}},
      {"backspace at a line start joins", u"ab\r\ncd", {0, 1}, {}, sedDeletePrevChar, nullptr, u"abcd", {2, 0}},
      {"delete word", u"one two three", {4, 0}, {}, sedDeleteWord, nullptr, u"one three", {4, 0}},
      {"delete word left", u"one two three", {7, 0}, {}, sedDeletePrevWord, nullptr, u"one  three", {4, 0}},
      {"delete line", u"a\r\nb\r\nc", {1, 1}, {}, sedDeleteLine, nullptr, u"a\r\nc", {1, 1}},
      {"delete the empty last line takes the one above", u"a\r\nb\r\n", {0, 2}, {}, sedDeleteLine, nullptr,
       u"a\r\n", {0, 1}},
      {"delete to line end", u"abcdef\r\ng", {2, 0}, {}, sedDeleteToLineEnd, nullptr, u"ab\r\ng", {2, 0}},
      {"delete to line end from inside a tab keeps its columns", u"a\tb", {3, 0}, {}, sedDeleteToLineEnd, nullptr,
       u"a  ", {3, 0}},
      // Backspace that unindents: to the nearest line above that is indented less.
      {"backspace unindents to the previous level", u"    a\r\n        b\r\n        x", {8, 2},
       {vsBackspaceUnindents}, sedBackspaceOrUnindent, nullptr, u"    a\r\n        b\r\n    x", {4, 2}},
      {"backspace unindents a blank line's tail by moving", u"a\r\n  b\r\n  ", {6, 2}, {vsBackspaceUnindents},
       sedBackspaceOrUnindent, nullptr, u"a\r\n  b\r\n  ", {2, 2}},
      {"backspace after text deletes a character", u"    a\r\n        bx", {10, 1}, {vsBackspaceUnindents},
       sedBackspaceOrUnindent, nullptr, u"    a\r\n        b", {9, 1}},
  };
  for (const EditCase& c : cases) {
    SCOPED_TRACE(c.name);
    KeyViewFixture f(c.text);
    f.view.SetTabWidth(c.command == sedTab ? 4 : 8);
    TKitViewSettings s;
    for (TKitViewSetting v : c.on) s.Include(v);
    f.view.SetViewSettings(s);
    f.Put(c.cursor.X, c.cursor.Y);
    f.host.Beeps = 0;
    f.view.InvokeCommand(c.command, c.arg != nullptr ? TKitCommandArg(c.arg) : TKitCommandArg());
    EXPECT_EQ(f.Text(), c.expected);
    EXPECT_EQ(f.Cursor(), c.after);
    EXPECT_EQ(f.host.Beeps, 0);
    // One undo step takes every command back, with the cursor where it was.
    if (f.Text() != c.text) {
      f.view.InvokeCommand(sedUndo);
      EXPECT_EQ(f.Text(), c.text);
      EXPECT_EQ(f.Cursor(), c.cursor);
    }
  }
}

TEST(ViewEditingTest, RefusalsBeepOrRaise) {
  KeyViewFixture f(u"abc");
  f.view.InvokeCommand(sedUndo);
  EXPECT_EQ(f.host.Beeps, 1);
  f.Put(0, 0);
  f.view.InvokeCommand(sedDeletePrevChar);
  EXPECT_EQ(f.host.Beeps, 2);
  f.Put(3, 0);
  f.view.InvokeCommand(sedDeleteChar);  // nothing to join
  EXPECT_EQ(f.host.Beeps, 3);
  f.view.InvokeCommand(sedDeleteToLineEnd);
  EXPECT_EQ(f.host.Beeps, 4);
  f.view.SetReadOnly(true);
  for (TKitEditCommand c : {sedChar, sedPaste, sedNewLine, sedTab, sedRedo, sedBackspaceOrUnindent}) {
    f.host.Beeps = 0;
    f.view.InvokeCommand(c, u"z");
    EXPECT_EQ(f.host.Beeps, 1) << int(c);
  }
  f.view.InvokeCommand(sedSelectAll);
  f.view.InvokeCommand(sedCopy);  // allowed on a read-only view
  TKitString text;
  bool block = true;
  EXPECT_TRUE(f.host.FakeClipboard().GetText(text, block));
  EXPECT_EQ(text, u"abc");
  EXPECT_FALSE(block);
  EXPECT_EQ(f.Text(), u"abc");
  EXPECT_EQ(ErrorOf([&] { f.view.InsertAtCursor(u"x", false); }), "This View or its Document is read-only.");
  TFakeEditHost host;
  TKitEditView detached(host);
  detached.InvokeCommand(sedChar, u"x");
  EXPECT_EQ(host.Beeps, 1);
  EXPECT_EQ(ErrorOf([&] { detached.Paste(); }), "Document must be attached to View for this operation");
  // Every command on a view without a document beeps or does nothing; only the list's and
  // the incremental search's own commands refuse, as neither mode can begin.
  EXPECT_EQ(ErrorOf([&] { detached.InvokeCommand(sedIncrementalSearchBack); }),
            "View should be in incremental search mode for this command (or method)");
  for (int c = 0; c < kKitEditCommandCount; ++c) {
    const auto command = static_cast<TKitEditCommand>(c);
    const std::string error = ErrorOf([&] { detached.InvokeCommand(command, u"x"); });
    if (command >= sedCompletionUp && command <= sedCompletionEnd)
      EXPECT_EQ(error, "Completion list should be shown for this command (or method)");
    else if (command >= sedIncrementalSearchAddChar && command <= sedIncrementalSearchForward)
      EXPECT_EQ(error, "View should be in incremental search mode for this command (or method)");
    else
      EXPECT_EQ(error, "<no error>") << c;
  }
}

TEST(ViewEditingTest, ScrollSpaceEdits) {
  KeyViewFixture f(u"abc\r\n\tz");
  int end = 0, start = 0;
  f.view.InsertInScrollEx({10, 0}, u"x", end, start);
  EXPECT_EQ(f.Text(), u"abc       x\r\n\tz");
  EXPECT_EQ(start, 3);  // before the filler spaces
  EXPECT_EQ(end, 11);
  f.view.InsertInScrollEx({3, 1}, u"y", end, start);
  EXPECT_EQ(f.Text(), u"abc       x\r\n   y     z");
  EXPECT_EQ(end, 17);
  // A range wholly in the virtual space after a line's end deletes nothing.
  f.view.DeleteInScrollEx({13, 0}, {15, 0}, start);
  EXPECT_EQ(f.Text(), u"abc       x\r\n   y     z");
  EXPECT_EQ(start, 11);
  f.view.ReplaceInScrollEx({1, 0}, {4, 1}, end, start, u"-");
  EXPECT_EQ(f.Text(), u"a-     z");
  EXPECT_EQ(ErrorOf([&] { f.view.InsertInScroll({0, 5}, u"x"); }), "Bad scroll position: [y=5]. Valid range: [y=0]-[y=0]");

  // A drop puts its filler spaces before the text and selects the text alone.
  f.SetText(u"abc");
  f.Put(5, 0);
  EXPECT_EQ(f.view.ExternalDrop(u"dropped", false), deMove);
  EXPECT_EQ(f.Text(), u"abc  dropped");
  EXPECT_EQ(f.view.SelectedText(), u"dropped");
  EXPECT_EQ(f.view.CursorOffset(), 5);
  EXPECT_EQ(f.view.ExternalDragOver(true), deCopy);
  f.view.SetReadOnly(true);
  EXPECT_EQ(f.view.ExternalDragOver(false), deNone);
  EXPECT_EQ(f.view.ExternalDrop(u"x", false), deNone);
}

TEST(ViewEditingTest, ClipboardInStreamAndBlockForm) {
  KeyViewFixture f(u"abcd\r\nefgh\r\nij");
  // A block copied and pasted elsewhere; rows too short for it get filler spaces.
  f.Put(1, 0);
  f.view.InvokeCommand(sedSelectDownBlock);
  f.view.InvokeCommand(sedSelectRightBlock);
  f.view.InvokeCommand(sedSelectRightBlock);
  f.view.InvokeCommand(sedCopy);
  TKitString text;
  bool block = false;
  ASSERT_TRUE(f.host.FakeClipboard().GetText(text, block));
  EXPECT_EQ(text, u"bc\r\nfg");
  EXPECT_TRUE(block);
  f.Put(4, 1);
  f.view.InvokeCommand(sedPaste);
  EXPECT_EQ(f.Text(), u"abcd\r\nefghbc\r\nij  fg");
  f.view.InvokeCommand(sedUndo);
  EXPECT_EQ(f.Text(), u"abcd\r\nefgh\r\nij");
  // A block cut leaves the rows short, the cursor at the block's corner.
  f.Put(1, 0);
  f.view.InvokeCommand(sedSelectDownBlock);
  f.view.InvokeCommand(sedSelectRightBlock);
  f.view.InvokeCommand(sedCut);
  EXPECT_EQ(f.Text(), u"acd\r\negh\r\nij");
  EXPECT_EQ(f.Cursor(), (TKitPoint{1, 0}));
  // Lines are appended for a block pasted at the end.
  f.SetText(u"abcd");
  f.host.FakeClipboard().SetText(u"X\r\nY", true);
  f.Put(2, 0);
  f.view.InvokeCommand(sedPaste);
  EXPECT_EQ(f.Text(), u"abXcd\r\n  Y");
  // Stream text from another program replaces the selection.
  f.host.FakeClipboard().SetForeignText(u"new\r\ntext");
  f.view.InvokeCommand(sedSelectAll);
  f.view.InvokeCommand(sedPaste);
  EXPECT_EQ(f.Text(), u"new\r\ntext");
  EXPECT_EQ(f.Cursor(), (TKitPoint{4, 1}));
  f.view.InvokeCommand(sedUndo);
  EXPECT_EQ(f.Text(), u"abXcd\r\n  Y");
}

TEST(ViewEditingTest, BlockDeletedFromWrappedRows) {
  // Wrapped at 3 columns the rows are "  ", "  ", " ", "a", "\u00e9x". Emptying the last row
  // pulls the rows of the line together, so a block taken row by row from the bottom used to
  // find its next row gone: the command failed with part of the block deleted.
  KeyViewFixture f(u"     a\u00e9x");
  f.view.SetWrapRulerWidth(3);
  f.view.SetWrapMode(wmWrapToRuler);
  f.view.SetSelection(TKitPoint{0, 1}, TKitPoint{2, 4}, true);
  f.view.DeleteSelected();
  EXPECT_EQ(f.Text(), u"  ");
  f.view.InvokeCommand(sedUndo);
  EXPECT_EQ(f.Text(), u"     a\u00e9x");
  // Return over such a block runs through.
  f.view.SetSelection(TKitPoint{0, 1}, TKitPoint{2, 4}, true);
  EXPECT_EQ(ErrorOf([&] { f.view.InvokeCommand(sedNewLine); }), "<no error>");
  EXPECT_EQ(f.Text().find(u'a'), TKitString::npos);
}

TEST(ViewEditingTest, RangeIndentation) {
  struct Case {
    const char* name;
    TKitEditCommand command;
    const char16_t* expected;
  } cases[] = {
      {"indent by the indent width, tabs become spaces", sedIndent, u"    x\r\n      a\r\n\r\n            b\r\nc"},
      {"unindent at most the indent width", sedUnIndent, u"    x\r\na\r\n\r\n      b\r\nc"},
      {"indent to the deeper line above", sedIndentToPrevIndent, u"    x\r\n    a\r\n\r\n          b\r\nc"},
      {"unindent with no shallower line above", sedUnIndentToPrevIndent, u"    x\r\na\r\n\r\n      b\r\nc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Lines 1-3 selected; line 2 blank; line 3 tab-indented. The delta comes from line 1.
    KeyViewFixture f(u"    x\r\n  a\r\n\r\n\tb\r\nc");
    f.view.SetSelection(TKitPoint{0, 1}, TKitPoint{0, 4}, false);
    f.view.InvokeCommand(c.command);
    EXPECT_EQ(f.Text(), c.expected);
    f.view.InvokeCommand(sedUndo);
    EXPECT_EQ(f.Text(), u"    x\r\n  a\r\n\r\n\tb\r\nc");
  }
  // Without a selection the cursor's line.
  KeyViewFixture f(u"  a\r\nb");
  f.Put(2, 0);
  f.view.InvokeCommand(sedUnIndent);
  EXPECT_EQ(f.Text(), u"a\r\nb");
}

TEST(ViewEditingTest, WordTypingMakesEachWordAnUndoStep) {
  for (bool completion : {true, false}) {
    SCOPED_TRACE(completion ? "completion on" : "completion disabled");
    KeyViewFixture f;
    if (!completion) f.view.FCompletionType = ctDisabled;
    f.Type(u"foo bar");
    EXPECT_EQ(f.Text(), u"foo bar");
    if (completion) {
      // The word end asked the list to complete the word once.
      EXPECT_EQ(f.view.Causes, std::vector<TKitEditFillCompletionCause>{fcWordEnd});
      f.view.InvokeCommand(sedUndo);
      EXPECT_EQ(f.Text(), u"foo ");
      EXPECT_EQ(f.Cursor(), (TKitPoint{4, 0}));
      EXPECT_TRUE(f.view.InState(siComplWordTyping));
      f.view.InvokeCommand(sedUndo);
      EXPECT_EQ(f.Text(), u"foo");
      f.view.InvokeCommand(sedUndo);
      EXPECT_EQ(f.Text(), u"");
      f.view.InvokeCommand(sedRedo);
      EXPECT_EQ(f.Text(), u"foo");
    } else {
      EXPECT_TRUE(f.view.Causes.empty());
      f.view.InvokeCommand(sedUndo);
      EXPECT_EQ(f.Text(), u"");
    }
  }
  // The completion timer starts after a word character typed at a word end.
  KeyViewFixture f(u"x");
  f.Put(0, 0);
  f.Type(u"a");
  EXPECT_FALSE(f.host.Timers()[0]->Enabled());  // "a|x": inside a word
  f.Put(2, 0);
  f.Type(u"y");
  EXPECT_TRUE(f.view.InState(siComplTimer));
  EXPECT_TRUE(f.host.Timers()[0]->Enabled());
  f.view.InvokeCommand(sedLeft);
  EXPECT_FALSE(f.host.Timers()[0]->Enabled());
}

TEST(ViewEditingTest, EachViewRestoresItsOwnCursor) {
  KeyViewFixture f(u"line one\r\nline two");
  test::HookedView second(f.host);
  second.SetDocument(&f.doc);
  ASSERT_NE(second.AuthorID(), f.view.AuthorID());
  f.Put(8, 0);
  second.SetCursorPos({8, 1});
  f.view.InvokeCommand(sedChar, u"A");
  second.InvokeCommand(sedChar, u"B");
  f.view.InvokeCommand(sedTextHome);
  second.InvokeCommand(sedTextHome);
  EXPECT_EQ(f.Text(), u"line oneA\r\nline twoB");
  second.InvokeCommand(sedUndo);
  EXPECT_EQ(f.Text(), u"line oneA\r\nline two");
  EXPECT_EQ(second.CursorPos(), (TKitPoint{8, 1}));
  EXPECT_EQ(f.Cursor(), (TKitPoint{0, 0}));
  f.view.InvokeCommand(sedUndo);
  EXPECT_EQ(f.Text(), u"line one\r\nline two");
  EXPECT_EQ(f.Cursor(), (TKitPoint{8, 0}));
  // A cursor-only step (a move in virtual space by Backspace) is undone by its view only.
  second.SetCursorPos({12, 1});
  second.InvokeCommand(sedDeletePrevChar);
  EXPECT_EQ(second.CursorPos(), (TKitPoint{8, 1}));
  EXPECT_FALSE(f.view.CanUndo());
  EXPECT_TRUE(second.CanUndo());
  second.InvokeCommand(sedUndo);
  EXPECT_EQ(second.CursorPos(), (TKitPoint{12, 1}));
  second.SetDocument(nullptr);
}

}  // namespace
}  // namespace zv
