#include "kit/editor/edit_document.h"

#include <gtest/gtest.h>

#include <random>

#include "kit/editor/edit_model.h"
#include "kit/editor/recording_listener.h"
#include "support/error_of.h"

namespace zv {
namespace {

using test::EditModel;
using test::ErrorOf;
using test::RecordingListener;
using Log = std::vector<std::string>;

TKitString Text(TKitEditDocument& doc) { return KitSeqToStr(doc.Chars()); }

int Kind(TKitEditDocument& doc, int line) {
  TKitLineSeparator kind;
  return doc.GetLineEndKind(line, kind) ? kind : -1;
}

TEST(DocumentTest, LinesAreAppendedInsertedAndDeleted) {
  TKitEditDocument doc;
  EXPECT_EQ(doc.getKitPackage(), 23);
  doc.AppendLine(u"x");
  EXPECT_EQ(Text(doc), u"x");
  doc.AppendLine(u"y");
  EXPECT_EQ(Text(doc), u"x\r\ny");
  doc.InsertLine(doc.LinesCount(), u"z");
  doc.InsertLine(0, u"w");
  EXPECT_EQ(Text(doc), u"w\r\nx\r\ny\r\nz");
  EXPECT_EQ(KitSegmentToStr(doc.GetLineWithCr(1)), u"x\r\n");
  EXPECT_EQ(KitSegmentToStr(doc.GetLineWithCr(3)), u"z");
  EXPECT_EQ(ErrorOf([&] { doc.InsertLine(5, u"v"); }), "Invalid line index: 5. Valid range: [0, 3]");

  doc.DeleteLine(3);  // the last line goes with the break before it
  EXPECT_EQ(Text(doc), u"w\r\nx\r\ny");
  doc.DeleteLine(0);
  EXPECT_EQ(Text(doc), u"x\r\ny");
  doc.DeleteLine(1);
  doc.DeleteLine(0);
  EXPECT_EQ(Text(doc), u"");
  EXPECT_EQ(doc.LinesCount(), 1);

  doc.SetLineSeparator(lsLF);
  doc.AppendLine(u"a");
  doc.AppendLine(u"b");
  EXPECT_EQ(Text(doc), u"a\nb");
  EXPECT_EQ(doc.LineSeparatorStr(), u"\n");
}

TEST(DocumentTest, EditsThatWouldCutAPairTakeItWhole) {
  TKitEditDocument doc;
  doc.Insert(0, u"a\r\nb");
  doc.Insert(2, u"x");  // between CR and LF
  EXPECT_EQ(Text(doc), u"a\rx\nb");
  EXPECT_EQ(doc.LinesCount(), 3);
  EXPECT_EQ(Kind(doc, 0), lsCR);
  EXPECT_EQ(Kind(doc, 1), lsLF);
  EXPECT_EQ(doc.UndoManager().UndoCount(), 2);  // the first insert and one step for the rewrite
  doc.Undo();
  EXPECT_EQ(Text(doc), u"a\r\nb");
  EXPECT_EQ(Kind(doc, 0), lsCRLF);

  struct Row {
    int start, count;
    const char16_t* expected;
  } rows[] = {
      {2, 1, u"a\rb"},        // only the LF: the CR stays
      {1, 1, u"a\nb"},        // only the CR: the LF stays
      {0, 2, u"\nb"},         // ends on the CR
      {2, 2, u"a\r"},         // starts on the LF
  };
  for (const Row& r : rows) {
    TKitEditDocument d;
    d.Insert(0, u"a\r\nb");
    d.Delete(r.start, r.count);
    EXPECT_EQ(Text(d), r.expected) << r.start << "," << r.count;
    EXPECT_EQ(test::IndexMismatch(test::IndexEntries(d.LineIndex()), Text(d)), "");
    d.Undo();
    EXPECT_EQ(Text(d), u"a\r\nb");
  }
  // Both ends cut a pair: the two halves left meet as one pair.
  TKitEditDocument both;
  both.Insert(0, u"a\r\nb\r\nc");
  both.Delete(2, 3);
  EXPECT_EQ(Text(both), u"a\r\nc");
  EXPECT_EQ(both.LinesCount(), 2);
  EXPECT_EQ(Kind(both, 0), lsCRLF);
}

TEST(DocumentTest, ChecksRaiseBeforeAnyChange) {
  TKitEditDocument doc;
  doc.Insert(0, u"abc");
  TKitSeqFromString src(u"xy");
  struct Row {
    std::function<void()> call;
    const char* message;
  } rows[] = {
      {[&] { doc.Insert(4, u"x"); }, "Invalid char index for insert: 4. Valid range: [0, 3]."},
      {[&] { doc.Delete(2, 2); }, "Invalid offset given to document: 3. Valid range: [0, 2]"},
      {[&] { doc.Delete(-1, 1); }, "Invalid offset given to document: -1. Valid range: [0, 2]"},
      {[&] { doc.Delete(4, 0); }, "Invalid char index for insert: 4. Valid range: [0, 3]."},
      {[&] { doc.Delete(2, -1); }, "Range start should be less or equal to range end: range: [2, 1]"},
      {[&] { doc.Replace(1, 3, u"x"); }, "Invalid offset given to document: 3. Valid range: [0, 2]"},
      {[&] { doc.InsertSeg(0, KitMakeSegment(1, 5, &src)); }, "Invalid segment passed to document method"},
      {[&] { doc.GetLine(1); }, "Invalid line index: 1. Valid range: [0, 0]"},
      {[&] { doc.EndCompoundEdit(false); }, "Document should be in compound edit mode here"},
      {[&] { doc.Redo(); }, "Redo stack is empty"},
  };
  for (const Row& r : rows) EXPECT_EQ(ErrorOf(r.call), r.message);
  EXPECT_EQ(Text(doc), u"abc");

  doc.SetReadOnly(true);
  for (auto call : std::vector<std::function<void()>>{[&] { doc.Insert(0, u"x"); }, [&] { doc.Delete(0, 1); },
                                                      [&] { doc.Undo(); }, [&] { doc.BeginCompoundEdit(false); },
                                                      [&] { doc.Lines().Add(u"x"); }}) {
    EXPECT_EQ(ErrorOf(call), "Document is read-only");
  }
  doc.SetReadOnly(false);

  doc.Internal().LockChanges();
  EXPECT_EQ(ErrorOf([&] { doc.Insert(0, u"x"); }), "Document is locked for changes");
  EXPECT_EQ(ErrorOf([&] { doc.SetUndoLimit(5); }), "Document is locked for changes");
  doc.Internal().UnlockChanges();
  EXPECT_THROW(doc.Internal().UnlockChanges(), EAssertionFailed);

  doc.BeginCompoundEdit(false);
  for (auto call : std::vector<std::function<void()>>{[&] { doc.Undo(); }, [&] { doc.ClearUndo(); },
                                                      [&] { doc.SetUndoLimit(3); }, [&] { doc.ClearNoUndo(); }}) {
    EXPECT_EQ(ErrorOf(call), "This method is prohibited while document in compound edit");
  }
  doc.EndCompoundEdit(false);
  EXPECT_EQ(Text(doc), u"abc");
}

// A sequence that claims more characters than it can have; nothing reads them, because a
// text that large is refused first.
class HugeSeq : public TKitCharSeq {
 public:
  explicit HugeSeq(int n) : TKitCharSeq(16) { FCount = n; }

 protected:
  void FillBuffer(int, int) override { ADD_FAILURE() << "read"; }
};

TEST(DocumentTest, RefusesATextTheIndexCannotHold) {
  TKitEditDocument doc;
  doc.Insert(0, u"abc");
  Log log;
  RecordingListener lst(log, "c");
  doc.AddListener(&lst);
  HugeSeq huge(KitMaxTextLength - 2);
  EXPECT_THROW(doc.InsertSeg(1, KitWholeSegment(huge)), EKitEditDocError);
  EXPECT_THROW(doc.ReplaceSeg(0, 0, KitWholeSegment(huge)), EKitEditDocError);
  HugeSeq over(KitMaxTextLength + 1);
  EXPECT_THROW(doc.RefreshText(KitWholeSegment(over)), EKitEditDocError);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(Text(doc), u"abc");
  doc.RemoveListener(&lst);
}

TEST(DocumentTest, NotificationsFollowTheirOrder) {
  TKitEditDocument doc;
  Log log;
  RecordingListener custom(log, "c"), view(log, "v");
  doc.AddListener(&custom);
  doc.Internal().AddListener(&view);
  doc.OnDocChanged = [&](TObject* sender, TKitDocStatusChanges changes) {
    EXPECT_EQ(sender, &doc);
    log.push_back("OnDocChanged " + std::to_string(changes));
  };
  doc.OnLinesChanged = [&](TObject*, int first, int count) {
    log.push_back("OnLinesChanged " + std::to_string(first) + "," + std::to_string(count));
  };

  doc.Insert(0, u"a\nb");
  EXPECT_EQ(log, (Log{"c:BeforeInsert(0,3)", "v:BeforeInsert(0,3)", "OnLinesChanged 0,1", "v:AfterInsert(0,3)",
                      "c:AfterInsert(0,3)", "v:User", "c:User",
                      "OnDocChanged " + std::to_string(dcInsert | dcModifiedPropertyChanged)}));
  log.clear();
  doc.Delete(1, 1);
  EXPECT_EQ(log, (Log{"c:BeforeDelete(1,1)", "v:BeforeDelete(1,1)", "OnLinesChanged 0,2", "v:AfterDelete(1,1)",
                      "c:AfterDelete(1,1)", "v:User", "c:User", "OnDocChanged " + std::to_string(dcDelete)}));
  log.clear();

  // Nested brackets report once, at the outermost end.
  doc.BeginUpdate();
  doc.BeginUpdate();
  doc.Insert(0, u"x");
  doc.EndUpdate(true);
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](auto& s) { return s.starts_with("OnDocChanged"); }), 0);
  doc.EndUpdate(true);
  EXPECT_EQ(log.back(), "OnDocChanged " + std::to_string(dcInsert));
  log.clear();

  // A compound edit: one before and one after, around the inner edits.
  doc.BeginCompoundEdit(true);
  doc.Insert(0, u"y");
  doc.EndCompoundEdit(true);
  EXPECT_EQ(log.front(), "c:BeforeCompoundEdit");
  EXPECT_EQ(log[1], "v:BeforeCompoundEdit");
  EXPECT_EQ((Log{log.end() - 5, log.end()}),
            (Log{"v:AfterCompoundEdit", "c:AfterCompoundEdit", "v:User", "c:User",
                 "OnDocChanged " + std::to_string(dcInsert | dcCompoundChange)}));
  log.clear();

  // Markers: creation inside the marker bracket, deletion announced before the text goes.
  doc.OnMarkCreating = [&](TObject*, const IKitMarkersPtr&, const IKitMarkPtr&) {
    log.push_back("OnMarkCreating");
    EXPECT_EQ(ErrorOf([&] { doc.Insert(0, u"z"); }), "Document is locked for changes");
  };
  doc.OnMarkDeleting = [&](TObject*, const IKitMarkersPtr&, const IKitMarkPtr&) { log.push_back("OnMarkDeleting"); };
  IKitMarkersPtr marks = doc.CreateCustomMarkers(false, false, true);
  marks->CreateMark(1);
  EXPECT_EQ(log, (Log{"c:BeforeMarkChange", "v:BeforeMarkChange", "OnMarkCreating", "v:MarkCreated",
                      "c:MarkCreated", "v:AfterMarkChange", "c:AfterMarkChange", "v:User", "c:User",
                      "OnDocChanged " + std::to_string(dcMarkersCreated)}));
  log.clear();
  doc.Delete(0, 2);
  EXPECT_EQ((Log{log.begin(), log.begin() + 9}),
            (Log{"c:BeforeMarkChange", "v:BeforeMarkChange", "OnMarkDeleting", "c:MarksDeleting 1",
                 "v:MarksDeleting 1", "v:AfterMarkChange", "c:AfterMarkChange", "v:User", "c:User"}));
  EXPECT_EQ(log[9], "c:BeforeDelete(0,2)");
  EXPECT_EQ(log.back(), "OnDocChanged " + std::to_string(dcDelete | dcMarkersDeleted));
  log.clear();

  doc.SetReadOnly(false);
  EXPECT_EQ(log, (Log{"c:BeforeSettingsRefresh", "v:BeforeSettingsRefresh", "v:AfterSettingsRefresh",
                      "c:AfterSettingsRefresh", "v:User", "c:User"}));
  doc.RemoveListener(&custom);
  doc.Internal().RemoveListener(&view);
}

TEST(DocumentTest, DestructionClosesOpenEditsAndTellsCustomListenersFirst) {
  Log log;
  RecordingListener custom(log, "c"), view(log, "v");
  {
    TKitEditDocument doc;
    doc.AddListener(&custom);
    doc.Internal().AddListener(&view);
    doc.BeginCompoundEdit(false);
    log.clear();
  }
  EXPECT_EQ(log, (Log{"v:AfterCompoundEdit", "c:AfterCompoundEdit", "v:User", "c:User", "c:DocumentDestroing",
                      "v:DocumentDestroing"}));
}

TEST(DocumentTest, RefreshReplacesTheWholeTextAsOneRefresh) {
  TKitEditDocument doc;
  Log log;
  doc.OnDocChanged = [&](TObject*, TKitDocStatusChanges c) { log.push_back("OnDocChanged " + std::to_string(c)); };
  doc.Insert(0, u"old\r\ntext");
  doc.Bookmarks()->CreateLineMark(1);
  RecordingListener view(log, "v");
  doc.Internal().AddListener(&view);
  log.clear();
  TKitSeqFromString text(u"a\nb\r\nc");
  doc.RefreshText(KitWholeSegment(text));
  EXPECT_EQ(log, (Log{"v:BeforeMarkChange", "v:MarksDeleting 1", "v:AfterMarkChange", "v:User",
                      "v:BeforeDelete(0,9)", "v:AfterDelete(0,9)", "v:User", "v:BeforeRefresh", "v:AfterRefresh",
                      "v:User",
                      "OnDocChanged " + std::to_string(dcDelete | dcMarkersDeleted | dcModifiedPropertyChanged)}));
  EXPECT_EQ(Text(doc), u"a\nb\r\nc");
  EXPECT_EQ(doc.LinesCount(), 3);
  EXPECT_EQ(Kind(doc, 0), lsLF);
  EXPECT_EQ(Kind(doc, 1), lsCRLF);
  EXPECT_FALSE(doc.Modified());
  EXPECT_FALSE(doc.CanUndo());
  EXPECT_EQ(doc.UndoLimit(), 1024);
  EXPECT_EQ(doc.Bookmarks()->get_Count(), 0);
  doc.Internal().RemoveListener(&view);
}

TEST(DocumentTest, LinesProxy) {
  TKitEditDocument doc;
  TDocumentStringsProxy& lines = doc.Lines();
  EXPECT_EQ(lines.Count(), 1);
  lines.Add(u"one");
  EXPECT_EQ(Text(doc), u"one");
  lines.Add(u"two");
  lines.Insert(0, u"zero");
  EXPECT_EQ(Text(doc), u"zero\r\none\r\ntwo");
  EXPECT_EQ(lines.Get(1), u"one");
  EXPECT_EQ(lines.Text(), u"zero\r\none\r\ntwo\r\n");
  lines.Delete(1);
  EXPECT_EQ(lines.ToList(), (TKitStringList{u"zero", u"two"}));

  doc.SetLines({u"a", u"b"});
  EXPECT_EQ(Text(doc), u"a\r\nb");
  EXPECT_FALSE(doc.Modified());
  EXPECT_FALSE(doc.CanUndo());
  EXPECT_EQ(doc.UndoLimit(), 1024);
  TKitEditDocument other;
  other.Lines().Assign(doc.Lines());
  EXPECT_EQ(Text(other), u"a\r\nb");
  lines.Assign(lines);
  lines.Clear();
  EXPECT_EQ(Text(doc), u"");
}

TEST(DocumentTest, SettingsAndSeparators) {
  TKitEditDocument doc;
  EXPECT_EQ(doc.WordSeparators(), u"[]()<>{};.,'\"#@&*!^:-+=/\\~`%|");
  EXPECT_EQ(doc.WordSeparators().size(), 29u);
  EXPECT_EQ(doc.GetFullWordSeparators(), doc.WordSeparators() + u"\r\n\f \t");
  doc.SetWordSeparators(u". \t");
  EXPECT_EQ(doc.GetFullWordSeparators(), u". \t\r\n\f");
  EXPECT_EQ(doc.MaxLineLengthToParse(), 1000);
  doc.SetMaxLineLengthToParse(50);
  EXPECT_EQ(doc.GetParser().MaxLineLengthToParse(), 50);
}

// Without a scheme, a line is one token of id 0 in the system colours and no fold starts
// anywhere.
TEST(DocumentTest, ParserWithoutSchemes) {
  TKitEditDocument doc;
  doc.Insert(0, u"ab\ncd");
  struct Handler : TKitTokenHandler {
    std::vector<std::pair<TKitString, int>> tokens;
    void HandleToken(const TKitSegment& seg, int id, const TKitEditAttributes& attrs) override {
      EXPECT_EQ(attrs.AttributesSet, asBackgroundColor | asTextColor);
      EXPECT_EQ(attrs.BackgroundColor, clBackground);
      EXPECT_EQ(attrs.TextColor, clCaptionText);
      tokens.emplace_back(KitSegmentToStr(seg), id);
    }
  } handler;
  TKitEditParserBase& parser = doc.GetParser();
  EXPECT_EQ(parser.GetDocument(), &doc);
  parser.MarkTokens(1, handler);
  EXPECT_EQ(handler.tokens, (std::vector<std::pair<TKitString, int>>{{u"cd", 0}}));
  EXPECT_FALSE(parser.IsFoldStart(0));
  EXPECT_EQ(parser.GetFoldEnd(0), -1);
  ASSERT_NE(parser.GetParsedLine(0), nullptr);
  EXPECT_EQ(parser.GetParsedLine(0)->TokenCount(), 0);
  TKitIntArray ids{1};
  parser.GetAllTokenIDs(u"string", ids);
  EXPECT_TRUE(ids.empty());
}

// Random insert, delete and replace scripts with CR and LF against the model; then undo of
// everything gives each earlier text back, and redo of everything the last one.
TEST(DocumentTest, RandomScriptsMatchTheModelAndUndoAll) {
  std::mt19937 rng(5);
  const char16_t alphabet[] = {u'a', u'b', u'\r', u'\n', u'\r', u'\n', u' '};
  for (int round = 0; round < 30; ++round) {
    TKitEditDocument doc;
    EditModel model;
    std::vector<TKitString> texts{u""};
    for (int step = 0; step < 120; ++step) {
      const int len = model.Len();
      TKitString s(rng() % 5, u'a');
      for (auto& c : s) c = alphabet[rng() % 7];
      const int op = len == 0 ? 0 : static_cast<int>(rng() % 3);
      const int at = static_cast<int>(rng() % (len + (op == 0 ? 1 : 0)));
      const int n = op == 0 ? 0 : static_cast<int>(rng() % std::min(6, len - at) + 1);
      if (op == 0) {
        doc.Insert(at, s);
        model.Insert(at, s);
      } else if (op == 1) {
        doc.Delete(at, n);
        model.Delete(at, n);
      } else {
        doc.Replace(at, n, s);
        model.Delete(at, n);
        // The deletion's rewrite may leave the insertion point between a new pair.
        model.Insert(at, s);
      }
      ASSERT_EQ(Text(doc), model.Text());
      ASSERT_EQ(test::IndexEntries(doc.LineIndex()), model.Entries()) << "round " << round << " step " << step;
      if (texts.back() != model.Text()) texts.push_back(model.Text());
    }
    const TKitString last = Text(doc);
    std::vector<TKitString> seen{last};
    while (doc.CanUndo()) {
      doc.Undo();
      seen.push_back(Text(doc));
      ASSERT_EQ(test::IndexMismatch(test::IndexEntries(doc.LineIndex()), Text(doc)), "");
    }
    EXPECT_EQ(Text(doc), u"");
    EXPECT_FALSE(doc.Modified());
    // Merged typing skips some intermediate texts; every text undo shows was one we had.
    for (const TKitString& t : seen) EXPECT_NE(std::find(texts.begin(), texts.end(), t), texts.end());
    while (doc.CanRedo()) doc.Redo();
    EXPECT_EQ(Text(doc), last);
    EXPECT_EQ(test::IndexMismatch(test::IndexEntries(doc.LineIndex()), Text(doc)), "");
  }
}

}  // namespace
}  // namespace zv
