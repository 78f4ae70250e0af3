// The find and replace dialog, offscreen, over a view with a scripted prompter: the
// answers 0/1/2, the histories merged ignoring case, options written back also on Cancel,
// the initial search text, errors of the expression and of the view, and the dialog out of
// sight while the view asks its questions.
#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "kit/editor/edit_fakes.h"
#include "kit/editor/qt/find_dialog.h"
#include "kit/editor/qt/qt_edit_platform.h"

namespace zv {
namespace {

QString Q(const TKitString& S) { return QString::fromUtf16(S.data(), static_cast<qsizetype>(S.size())); }

// Answers from a queue (OK when empty), keeping each text and whether a find dialog was
// on screen when it was asked.
class DialogPrompter : public TKitEditPrompter {
 public:
  TKitPromptResult MessageBox(const TKitString&, const TKitString& AText, TKitPromptKind, TKitPromptButtons,
                              const TKitRect*) override {
    Texts.push_back(AText);
    bool shown = false;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (dynamic_cast<TKitSedFindDlg*>(w) != nullptr && w->isVisible()) shown = true;
    DialogShown.push_back(shown);
    if (Answers.empty()) return prOk;
    const TKitPromptResult r = Answers.front();
    Answers.pop_front();
    return r;
  }
  std::deque<TKitPromptResult> Answers;
  std::vector<TKitString> Texts;
  std::vector<bool> DialogShown;
};

class Host : public TFakeEditHost {
 public:
  TKitEditPrompter& Prompter() override { return Scripted; }
  DialogPrompter Scripted;
};

struct Fixture {
  explicit Fixture(const TKitString& AText) : view(host) {
    doc.RefreshText(AText.data(), static_cast<int>(AText.size()));
    view.SetDocument(&doc);
  }
  void Select(int AStart, int AEnd) {
    view.BeginUpdate();
    view.ScreenCache().SetSelection(TOffsetPoint{AStart, 0}, TOffsetPoint{AEnd, 0}, false);
    view.ScreenCache().SetCursorOffset({AEnd, 0}, scBackward, false);
    view.EndUpdate();
  }
  TKitString Text() { return KitSegmentToStr(KitWholeSegment(doc.Chars())); }
  // Shows the dialog and runs AAct on it once it is on screen; AAct ends it.
  int Show(bool AReplace, const std::function<void(TKitSedFindDlg&)>& AAct) {
    bool acted = false;
    QTimer::singleShot(0, [&] {
      auto* dlg = dynamic_cast<TKitSedFindDlg*>(QApplication::activeModalWidget());
      if (dlg == nullptr) return;
      acted = true;
      AAct(*dlg);
    });
    const int r = AReplace ? KitShowReplaceDialog(u"Replace text", &view, options)
                           : KitShowFindDialog(u"Search text", &view, options);
    EXPECT_TRUE(acted);
    return r;
  }

  Host host;
  TKitEditDocument doc;
  TKitEditView view;
  TKitEditSearchDlgOptions options;
};

void Search(TKitSedFindDlg& ADlg, const TKitString& AText) {
  ADlg.edTextToSearch->setEditText(Q(AText));
  ADlg.btnFind->click();
}

TEST(FindDialogTest, AnswersFoundNotFoundAndCancelled) {
  Fixture f(u"foo bar foo");
  EXPECT_EQ(KitShowFindDialog(u"Search text", nullptr, f.options), 2);

  EXPECT_EQ(f.Show(false, [](TKitSedFindDlg& D) { Search(D, u"bar"); }), 0);
  EXPECT_EQ(f.view.SelectionOffsetStart().Offset, 4);
  EXPECT_EQ(f.view.SelectionOffsetEnd().Offset, 7);

  // Nothing found: 1, the cursor where the view left it, the text in the history.
  EXPECT_EQ(f.Show(false, [](TKitSedFindDlg& D) { Search(D, u"zzz"); }), 1);
  EXPECT_EQ(f.view.ScreenCache().CursorOffset().Offset, 7);
  EXPECT_EQ(f.options.Searches, (TKitStringList{u"zzz", u"bar"}));

  // Cancel: 2, yet the check boxes and radio buttons reach the record; the history stays.
  EXPECT_EQ(f.Show(false,
                   [](TKitSedFindDlg& D) {
                     D.edTextToSearch->setEditText(QStringLiteral("typed"));
                     D.cbCaseSensitive->setChecked(true);
                     D.cbWholeWords->setChecked(true);
                     D.cbBackward->setChecked(true);
                     D.cbFromTextStart->setChecked(true);
                     D.btnFindCancel->click();
                   }),
            2);
  EXPECT_EQ(f.options.Options, (TKitEditSearchOptions{soCaseSensitive, soWholeWords}));
  EXPECT_EQ(f.options.Direction, sdBackward);
  EXPECT_EQ(f.options.Start, ssTextStartEnd);
  EXPECT_EQ(f.options.Searches, (TKitStringList{u"zzz", u"bar"}));

  // Closing the window is a Cancel too.
  EXPECT_EQ(f.Show(false, [](TKitSedFindDlg& D) { D.reject(); }), 2);
}

TEST(FindDialogTest, HistoriesMergeIgnoringCase) {
  Fixture f(u"Foo foo");
  f.options.Searches = {u"x", u"Foo", u"y"};
  EXPECT_EQ(f.Show(false, [](TKitSedFindDlg& D) { Search(D, u"foo"); }), 0);
  EXPECT_EQ(f.options.Searches, (TKitStringList{u"foo", u"x", u"y"}));
  // An empty search text is no entry; an empty replacement is one, kept once.
  f.options.Replaces = {u"r"};
  for (int i = 0; i < 2; ++i)
    f.Show(true, [](TKitSedFindDlg& D) {
      D.edTextToSearch->setEditText(QStringLiteral("zz"));
      D.edReplaceText->setEditText(QString());
      D.btnReplace->click();
    });
  EXPECT_EQ(f.options.Replaces, (TKitStringList{u"", u"r"}));
  EXPECT_EQ(f.Show(false, [](TKitSedFindDlg& D) { Search(D, u""); }), 1);
  EXPECT_EQ(f.options.Searches, (TKitStringList{u"zz", u"foo", u"x", u"y"}));
}

TEST(FindDialogTest, TheInitialSearchText) {
  Fixture f(u"foo bar");
  f.options.Searches = {u"last"};
  QString shown, selected;
  const auto peek = [&](TKitSedFindDlg& D) {
    shown = D.edTextToSearch->currentText();
    selected = D.edTextToSearch->lineEdit()->selectedText();
    D.btnFindCancel->click();
  };
  f.Select(4, 7);
  f.Show(false, peek);
  EXPECT_EQ(shown, QStringLiteral("bar"));  // the selection
  EXPECT_EQ(selected, shown);               // selected, so that typing replaces it
  f.Select(1, 1);
  f.Show(false, peek);
  EXPECT_EQ(shown, QStringLiteral("foo"));  // the word at the cursor
  f.Select(3, 3);
  f.Show(false, peek);
  EXPECT_EQ(shown, QStringLiteral("last"));  // the history's first entry
}

TEST(FindDialogTest, ABadExpressionIsShownAndStillRemembered) {
  Fixture f(u"abc");
  EXPECT_EQ(f.Show(false,
                   [](TKitSedFindDlg& D) {
                     D.cbRegexps->setChecked(true);
                     Search(D, u"(a");
                   }),
            2);
  ASSERT_EQ(f.host.Scripted.Texts.size(), 1u);
  EXPECT_EQ(f.host.Scripted.Texts[0].rfind(u"Error in search expression or substitution string: ", 0), 0u);
  EXPECT_EQ(f.options.Searches, TKitStringList{u"(a"});
  EXPECT_EQ(f.options.Options, (TKitEditSearchOptions{soRegexp, soRegexpSubstitute}));
}

TEST(FindDialogTest, ReplaceAllReportsItsCount) {
  Fixture f(u"ab ab ab");
  EXPECT_EQ(f.Show(true,
                   [](TKitSedFindDlg& D) {
                     EXPECT_TRUE(D.pnSearchBtns->isHidden());
                     EXPECT_FALSE(D.cbConfirmReplace->isHidden());
                     EXPECT_EQ(D.minimumHeight(), D.maximumHeight());
                     D.edTextToSearch->setEditText(QStringLiteral("ab"));
                     D.edReplaceText->setEditText(QStringLiteral("X"));
                     D.btnReplaceAll->click();
                   }),
            0);
  EXPECT_EQ(f.Text(), u"X X X");
  EXPECT_TRUE(f.options.WasReplaceAllChosen);
  EXPECT_EQ(f.options.LastNumberOfReplacements, 3);
  EXPECT_EQ(f.options.Replaces, TKitStringList{u"X"});

  // OK in replace mode replaces one match.
  EXPECT_EQ(f.Show(true,
                   [](TKitSedFindDlg& D) {
                     D.edTextToSearch->setEditText(QStringLiteral("X"));
                     D.edReplaceText->setEditText(QStringLiteral("yy"));
                     D.cbFromTextStart->setChecked(true);
                     D.btnReplace->click();
                   }),
            0);
  EXPECT_EQ(f.Text(), u"yy X X");
  EXPECT_FALSE(f.options.WasReplaceAllChosen);
  EXPECT_EQ(f.options.LastNumberOfReplacements, 1);
}

TEST(FindDialogTest, FindModeKeepsTheReplaceSettings) {
  Fixture f(u"foo");
  f.options.Replaces = {u"r1", u"r2"};
  f.options.Options = {soConfirmReplace};
  f.options.ReplaceAllBounds = rbSelection;
  EXPECT_EQ(f.Show(false,
                   [](TKitSedFindDlg& D) {
                     EXPECT_TRUE(D.pnReplaceText->isHidden());
                     EXPECT_TRUE(D.pnReplaceBtns->isHidden());
                     EXPECT_TRUE(D.grBounds->isHidden());
                     EXPECT_TRUE(D.cbConfirmReplace->isHidden());
                     EXPECT_EQ(D.minimumHeight(), D.maximumHeight());
                     Search(D, u"foo");
                   }),
            0);
  EXPECT_EQ(f.options.Replaces, (TKitStringList{u"r1", u"r2"}));
  EXPECT_EQ(f.options.Options, (TKitEditSearchOptions{soConfirmReplace}));
  EXPECT_EQ(f.options.ReplaceAllBounds, rbSelection);
}

TEST(FindDialogTest, AViewErrorIsShownAndAnswersCancel) {
  Fixture f(u"ab");
  f.doc.SetReadOnly(true);
  f.options.Searches = {u"old"};
  EXPECT_EQ(f.Show(true,
                   [](TKitSedFindDlg& D) {
                     D.edTextToSearch->setEditText(QStringLiteral("ab"));
                     D.cbCaseSensitive->setChecked(true);
                     D.btnReplace->click();
                   }),
            2);
  EXPECT_EQ(f.host.Scripted.Texts, TKitStringList{u"This View or its Document is read-only."});
  EXPECT_EQ(f.options.Options, TKitEditSearchOptions{soCaseSensitive});
  EXPECT_EQ(f.options.Searches, TKitStringList{u"old"});
  EXPECT_EQ(f.Text(), u"ab");
}

TEST(FindDialogTest, TheDialogIsOutOfSightWhileTheViewAsks) {
  Fixture f(u"ab cd ab");
  f.Select(4, 4);
  // The match lies before the cursor: wrap around, then confirm.
  f.host.Scripted.Answers = {prYes, prYes};
  f.options.Options = {soConfirmReplace};
  EXPECT_EQ(f.Show(true,
                   [](TKitSedFindDlg& D) {
                     D.edTextToSearch->setEditText(QStringLiteral("cd"));
                     D.edReplaceText->setEditText(QStringLiteral("Z"));
                     D.btnReplace->click();
                   }),
            0);
  EXPECT_EQ(f.host.Scripted.Texts, (TKitStringList{u"End of document reached. Continue search/replace from start?",
                                                    u"Replace this occurence of cd?"}));
  EXPECT_EQ(f.host.Scripted.DialogShown, (std::vector<bool>{false, false}));
  EXPECT_EQ(f.Text(), u"ab Z ab");
}

TEST(FindDialogTest, TheConfirmationKeepsTheMatchClear) {
  QWidget text;
  text.setGeometry(100, 100, 600, 400);
  text.show();
  TQtEditPrompter prompter(&text);
  // A match near the top left: the box goes below it, its left edge at the match's start.
  const TKitRect near{40, 16, 80, 32};
  QPoint pos;
  QSize size;
  QTimer::singleShot(0, [&] {
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr);
    pos = text.mapFromGlobal(box->pos());
    size = box->size();
    box->close();
  });
  prompter.MessageBox(u"Confirm", u"Replace this occurence of ab?", pkConfirmation, pbYes | pbNo, &near);
  EXPECT_EQ(pos, QPoint(40, 34));
  EXPECT_GT(size.height(), 0);
}

}  // namespace
}  // namespace zv
