#include "kit/editor/markers.h"

#include <gtest/gtest.h>

#include <random>

#include "kit/editor/edit_document.h"
#include "kit/editor/recording_listener.h"
#include "support/error_of.h"

namespace zv {
namespace {

using test::ErrorOf;
using Log = std::vector<std::string>;

TKitEditDocument& FiveLines(TKitEditDocument& doc) {
  doc.Insert(0, u"zero\r\none\r\ntwo\r\nthree\r\nfour");
  return doc;
}

TEST(MarkersTest, LineMarkersFollowInsertedAndDeletedLines) {
  TKitEditDocument doc;
  FiveLines(doc);
  IKitMarkPtr book = doc.Bookmarks()->CreateLineMark(3);
  IKitMarkPtr brk = doc.Breakpoints()->CreateLineMark(3);
  EXPECT_EQ(book->get_Line(), 3);
  doc.Insert(book->get_Pos(), u"new\r\n");  // a whole line in front of line 3
  EXPECT_EQ(book->get_Line(), 4);
  EXPECT_EQ(doc.GetLineByOffset(brk->get_Pos()), 4);
  EXPECT_EQ(brk->get_Column(), 0);
  doc.Insert(book->get_Pos(), u"x");  // text at the line's start: the marker stays
  EXPECT_EQ(book->get_Pos(), doc.GetLine(4).Start);

  // Line 4 deleted from the middle of line 2: the breakpoint goes, the bookmark moves to
  // the start of line 2.
  Log log;
  test::RecordingListener lst(log, "c");
  doc.AddListener(&lst);
  const int from = doc.GetLine(2).Start + 1;
  doc.Delete(from, doc.GetLine(4).Start + 2 - from);
  EXPECT_FALSE(brk->get_IsValid());
  EXPECT_EQ(ErrorOf([&] { brk->get_Pos(); }), "Can't get/set attributes for invalid marker. Mark.Valid=false.");
  EXPECT_EQ(brk->get_Collection(), doc.Breakpoints());
  EXPECT_TRUE(book->get_IsValid());
  EXPECT_EQ(book->get_Pos(), doc.GetLine(2).Start);
  EXPECT_EQ(book->get_Line(), 2);
  EXPECT_NE(std::find(log.begin(), log.end(), "c:MarksDeleting 1"), log.end());
  doc.RemoveListener(&lst);

  // The whole text: every marker goes, bookmarks included.
  IKitMarkPtr b2 = doc.Breakpoints()->CreateLineMark(0);
  doc.Clear();
  EXPECT_EQ(doc.Bookmarks()->get_Count(), 0);
  EXPECT_EQ(doc.Breakpoints()->get_Count(), 0);
  EXPECT_FALSE(book->get_IsValid());
  EXPECT_FALSE(b2->get_IsValid());
}

TEST(MarkersTest, CreationQueriesAndNames) {
  TKitEditDocument doc;
  FiveLines(doc);  // lines start at 0, 6, 11, 16, 23; 27 characters
  IKitMarkersPtr m = doc.CreateCustomMarkers(false, false, true);
  EXPECT_EQ(ErrorOf([&] { m->CreateMark(28); }), "Invalid char index for insert: 28. Valid range: [0, 27].");
  EXPECT_TRUE(m->CreateMark(27)->get_IsValid());
  EXPECT_EQ(ErrorOf([&] { m->CreateLineColumnMark(1, 3); }), "Invalid line column: 3. Valid range: [0, 2]");
  EXPECT_EQ(m->CreateLineColumnMark(3, 4)->get_Pos(), 20);
  EXPECT_EQ(m->CreateMark(21)->get_Column(), 5);  // on the line break: still line 3

  IKitMarkPtr a9 = m->CreateMark(9), a2 = m->CreateMark(2), low = m->CreateMark(5);
  a9->set_Name(u"A");
  a2->set_Name(u"A");
  low->set_Name(u"a");
  EXPECT_EQ(m->FindMarkByName(u"A"), a2);
  EXPECT_EQ(m->FindMarkByName(u"a"), low);
  EXPECT_EQ(m->FindMarkByName(u"b"), nullptr);

  EXPECT_EQ(m->get_Count(), 6);
  EXPECT_EQ(m->Marks(0), a2);
  EXPECT_EQ(m->GetMarksBySegment(5, 6), (TKitMarkArray{low, a9}));
  EXPECT_EQ(m->GetMarksCountByLines(0, 2), 3);  // 2, 5 and 9 (the break of line 1 belongs to it)
  EXPECT_EQ(m->GetLastLineMark(1), a9);
  EXPECT_EQ(m->GetLastLineMark(2), nullptr);
  EXPECT_EQ(ErrorOf([&] { m->GetMarksByLines(4, 2); }), "Invalid line index: 5. Valid range: [0, 4]");
  int visited = 0;
  EXPECT_EQ(m->EnumMarkersByOffset(0, 27, nullptr,
                                   [&](const IKitMarkPtr& mk, void*, bool& stop) {
                                     ++visited;
                                     stop = mk == low;
                                   }),
            low);
  EXPECT_EQ(visited, 2);
  EXPECT_EQ(m->EnumMarkersByLines(0, 0, nullptr, [&](const IKitMarkPtr&, void*, bool&) { ++visited; }), nullptr);
  EXPECT_EQ(visited, 2);

  a9->DeleteFromCollection();
  EXPECT_FALSE(a9->get_IsValid());
  EXPECT_EQ(ErrorOf([&] { m->DeleteMark(a9); }), "Can't delete marker with Valid=false");
  m->DeleteMarksAtLine(0);  // 2 only: 5 is the LF of line 0's break, on line 1
  EXPECT_EQ(m->get_Count(), 4);
  m->DeleteLastMarkAtLine(3);
  EXPECT_EQ(m->get_Count(), 3);
  EXPECT_EQ(m->Marks(1)->get_Pos(), 20);
}

TEST(MarkersTest, SettingsNotifyOnlyOnChange) {
  TKitEditDocument doc;
  FiveLines(doc);
  Log log;
  test::RecordingListener lst(log, "c");
  doc.AddListener(&lst);
  IKitMarkPtr brk = doc.Breakpoints()->CreateLineMark(1);
  log.clear();
  int data = 0;
  brk->set_Data(&data);
  brk->set_Data(&data);
  brk->set_Name(u"n");
  brk->set_Name(u"n");
  doc.SetBreakpointKind(brk, mkBreakDisabled);
  doc.SetBreakpointKind(brk, mkBreakDisabled);
  brk->NotifyDataChanged();
  EXPECT_EQ(std::count(log.begin(), log.end(), "c:MarkSettingsChanged"), 4);
  EXPECT_EQ(doc.GetBreakpointKind(brk), mkBreakDisabled);
  EXPECT_EQ(brk->get_Data(), &data);
  EXPECT_EQ(ErrorOf([&] { doc.GetDebugFrameKind(brk); }),
            "This method expects passed marker belongs to DebuggerStackLines document collection");
  IKitMarkPtr frame = doc.DebugFrameLines()->CreateLineMark(2);
  doc.SetDebugFrameKind(frame, fkFrameActive);
  EXPECT_EQ(doc.GetDebugFrameKind(frame), fkFrameActive);
  EXPECT_EQ(ErrorOf([&] { doc.SetBreakpointKind(frame, mkBreakActive); }),
            "This method expects passed marker belongs to Breakpoints document collection");

  // Silent collections tell nobody.
  IKitMarkersPtr quiet = doc.CreateCustomLineMarkers(false, false);
  log.clear();
  quiet->CreateLineMark(0)->set_Name(u"q");
  quiet->Clear();
  EXPECT_TRUE(log.empty());

  doc.Internal().LockMarkers();
  EXPECT_EQ(ErrorOf([&] { brk->set_Name(u"m"); }), "Document markers are locked for changes");
  EXPECT_EQ(brk->get_Name(), u"n");
  doc.Internal().UnlockMarkers();
  doc.RemoveListener(&lst);
}

TEST(MarkersTest, DetachedCollectionsRefuseEveryUse) {
  TKitEditDocument doc;
  FiveLines(doc);
  IKitMarkersPtr m = doc.CreateCustomMarkers(true, false, true);
  IKitMarkPtr mark = m->CreateMark(3);
  EXPECT_EQ(ErrorOf([&] { doc.DetachCustomMarkers(doc.Bookmarks()); }),
            "This markers collection (Bookmarks, Breakpoints etc) can't be detached from Document");
  EXPECT_EQ(ErrorOf([&] { doc.DetachCustomMarkers(nullptr); }), "Custom markers are nil or not belongs to this document");
  doc.DetachCustomMarkers(m);
  EXPECT_EQ(ErrorOf([&] { doc.DetachCustomMarkers(m); }), "Custom markers are nil or not belongs to this document");
  EXPECT_FALSE(mark->get_IsValid());
  for (auto call : std::vector<std::function<void()>>{[&] { m->get_Count(); }, [&] { m->CreateMark(0); },
                                                      [&] { m->Clear(); }, [&] { m->FindMarkByName(u""); }})
    EXPECT_EQ(ErrorOf(call), "This markers collection was deleted from Document. Can't use it.");

  // A collection outlives its document safely.
  IKitMarkersPtr orphan;
  IKitMarkPtr kept;
  {
    TKitEditDocument gone;
    orphan = gone.CreateCustomMarkers(false, false, true);
    kept = orphan->CreateMark(0);
  }
  EXPECT_FALSE(kept->get_IsValid());
  EXPECT_EQ(ErrorOf([&] { orphan->get_Count(); }), "This markers collection was deleted from Document. Can't use it.");
}

// Random edits with markers of every kind of collection: the markers stay sorted inside
// the text, and each one's line (cached or not) is the line of its position.
TEST(MarkersTest, RandomEditsKeepMarkersConsistent) {
  std::mt19937 rng(3);
  const char16_t alphabet[] = {u'a', u'\r', u'\n', u'b', u'\r', u'\n'};
  for (int round = 0; round < 20; ++round) {
    TKitEditDocument doc;
    std::vector<IKitMarkersPtr> sets{doc.Bookmarks(), doc.Breakpoints(), doc.CreateCustomMarkers(true, false, true),
                                     doc.CreateCustomMarkers(false, false, false)};
    for (int step = 0; step < 150; ++step) {
      const int len = doc.CharsCount();
      const int at = static_cast<int>(rng() % (len + 1));
      if (rng() % 4 == 0) {
        sets[rng() % sets.size()]->CreateMark(at);
      } else if (len == 0 || rng() % 2 == 0) {
        TKitString s(rng() % 6 + 1, u'a');
        for (auto& c : s) c = alphabet[rng() % 6];
        doc.Insert(at, s);
      } else {
        const int from = std::min(at, len - 1);
        doc.Delete(from, static_cast<int>(rng() % std::min(8, len - from) + 1));
      }
      if (rng() % 10 == 0 && doc.CanUndo()) doc.Undo();
      for (const IKitMarkersPtr& set : sets) {
        int prev = 0;
        for (int i = 0; i < set->get_Count(); ++i) {
          IKitMarkPtr mk = set->Marks(i);
          ASSERT_TRUE(mk->get_IsValid());
          ASSERT_LE(prev, mk->get_Pos());
          ASSERT_LE(mk->get_Pos(), doc.CharsCount());
          ASSERT_EQ(mk->get_Line(), doc.GetLineByOffset(mk->get_Pos())) << "round " << round << " step " << step;
          prev = mk->get_Pos();
        }
      }
    }
  }
}

}  // namespace
}  // namespace zv
