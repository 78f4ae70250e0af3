// The editor view of an editor frame: everything a frame asks of its view and document, in
// one place. Only the frames (and their tests) use it.
//
// INTERIM: until the syntax editor's Qt view lands, a plain text edit stands in here. It has
// no syntax scheme, no folds and a minimal find dialog; those entries are marked below.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QPoint>
#include <QString>
#include <QStringList>

class QFont;
class QMenu;
class QWidget;

namespace zv {

// What the find and replace dialog keeps between its runs.
struct TSearchDlgOptions {
  QStringList Searches;  // most recent first
  QStringList Replaces;
  int ReplaceAllBounds = 0;  // 0 the whole text, 1 the selection
  bool CaseSensitive = false;
  int LastNumberOfReplacements = 0;
  bool WasReplaceAllChosen = false;
};

class TFrameView {
 public:
  enum TSearchState { ssNone, ssSearching, ssReplacing };
  // The answers of the find dialog.
  enum TFindResult { frDone = 0, frNotFound = 1, frCancelled = 2 };

  explicit TFrameView(QWidget* Parent);
  ~TFrameView();
  TFrameView(const TFrameView&) = delete;
  TFrameView& operator=(const TFrameView&) = delete;

  // The view's window, to be laid out by the frame.
  QWidget* Widget() const;

  // ---- Document ----
  QString Text() const;
  QStringList Lines() const;
  // At least 1: an empty text has one empty line.
  int LineCount() const;
  // Appends the lines behind the last one (an empty text takes the first as its first line).
  void AppendLines(const QStringList& Lines);
  // Empties the text; nothing is kept for undo.
  void ClearNoUndo();
  // Replaces the whole text as one undoable edit.
  void SetText(const QString& Text);
  bool Modified() const;
  void SetModified(bool Value);
  // UTF-8, a byte-order mark kept as found; the line break found first is used for every
  // line when saving. Errors raise zv::Exception.
  void LoadFromFile(const QString& FileName);
  void SaveToFile(const QString& FileName) const;

  // ---- View ----
  bool ReadOnly() const;
  void SetReadOnly(bool Value);
  void SetFont(const QFont& Font);
  // Scroll lines: what is on screen (folded lines are not counted).
  int TopLine() const;
  int LinesOnScreen() const;
  int PhysicalToScrollLine(int Line) const;
  // Scrolls so that (Column, ScrollLine) is in view and puts the cursor there.
  void ScrollTo(int Column, int ScrollLine);
  void SetCursor(int Column, int ScrollLine);
  void SetFocus();
  // Column and line of the cursor, as the status shows them.
  QPoint CursorPos() const;
  // Shown on a right click, after the click moved the cursor (unless it hit the selection).
  void SetPopupMenu(QMenu* Menu);
  // After every move of the cursor and change of the text.
  std::function<void()> OnStatusChanged;
  // A key let go (Qt key code), autorepeat excluded.
  std::function<void(int Key)> OnKeyUp;

  // ---- Commands ----
  bool CanUndo() const;
  bool CanRedo() const;
  bool CanCut() const;
  bool CanCopy() const;
  bool CanPaste() const;
  bool HasSelection() const;
  void Undo();
  void Redo();
  void Cut();
  void Copy();
  void Paste();
  void DeleteSelection();
  void SelectAll();
  void Indent();
  void Unindent();
  void SetIndentWidth(int Width);

  // ---- Search ----
  TSearchState SearchState() const;
  QString SearchText() const;
  // A new search from the cursor; selects the match. False when there is none.
  bool SearchFirst(const QString& Text, bool CaseSensitive);
  bool SearchNext();
  // A new replacement from the cursor: selects the first match, which ReplaceNext replaces.
  bool StartReplace(const QString& Text, const QString& With, bool CaseSensitive);
  // Replaces the match at the cursor, then looks for the next one; false when none follows.
  bool ReplaceNext();
  // Replaces every match (in the selection when InSelection); answers the count.
  int ReplaceAll(const QString& Text, const QString& With, bool CaseSensitive, bool InSelection);
  // The modal find (Replace false) or replace dialog over this view; answers a TFindResult
  // and writes the options back.
  int ShowFindDialog(const QString& Caption, bool Replace, TSearchDlgOptions& Options);
  // Tests answer the dialog in place of a person; nullptr brings the dialog back.
  using TFindDialogRunner = std::function<int(TFrameView& View, const QString& Caption, bool Replace,
                                              TSearchDlgOptions& Options)>;
  static void SetFindDialogRunner(TFindDialogRunner Runner);

  // ---- Schemes and folds ----
  // INTERIM stubs: the plain text edit has no syntax scheme, no colour scheme and no folds.
  // The texts are kept so that a test can see what the frame gave.
  void SetSyntaxScheme(const std::vector<std::string>& Lines);
  void SetColorScheme(const std::vector<std::string>& Lines);
  const std::vector<std::string>& SyntaxScheme() const;
  const std::vector<std::string>& ColorScheme() const;
  void UnfoldAll();
  void FoldChildsAtCursor();

 private:
  struct TState;
  std::unique_ptr<TState> F;
};

}  // namespace zv
