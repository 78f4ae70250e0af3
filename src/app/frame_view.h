// The editor of an editor frame: one syntax editor view in its Qt widget with a document of
// its own (UTF-8, or Windows-1252 for a file that is not UTF-8), and the few conversions
// between the frame's Qt types and the editor's.
// Only the frames (and their tests) use it; everything else goes to View() and Document().
#pragma once
#include <functional>
#include <memory>

#include <QKeySequence>
#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

#include "kit/editor/edit_document.h"
#include "kit/editor/edit_view.h"
#include "kit/editor/qt/qt_text.h"

class QAction;
class QFont;
class QMenu;
class QWidget;

namespace zv {

class TFrameView {
 public:
  explicit TFrameView(QWidget* Parent);
  ~TFrameView();
  TFrameView(const TFrameView&) = delete;
  TFrameView& operator=(const TFrameView&) = delete;

  // The editor's window, to be laid out by the frame.
  QWidget* Widget() const;
  TKitEditView& View() const;
  TKitEditDocument& Document() const { return *FDocument; }

  // ---- Document ----
  // The whole text, line breaks as they are.
  QString Text() const;
  QStringList Lines() const;
  // At least 1: an empty text has one empty line.
  int LineCount() const { return FDocument->LinesCount(); }
  // Loads the file as UTF-8, or whole as Windows-1252 when it is not valid UTF-8: every
  // byte is kept, and a save writes the file back in the encoding it came in.
  void LoadFromFile(const QString& FileName);
  // Empties the text without undo; a text that belongs to no file is UTF-8 again.
  void Clear();
  // The name of the encoding when the text is not saved as UTF-8, else empty.
  QString OtherEncoding() const;
  // Appends the lines behind the last one (an empty text takes the first as its first line),
  // as one edit.
  void AppendLines(const QStringList& Lines);

  // ---- View, in scroll lines: what is on screen (folded lines are not counted) ----
  int TopLine() const;
  int LinesOnScreen() const;
  // Scrolls so that (Column, ScrollLine) is in view.
  void ScrollTo(int Column, int ScrollLine);
  // Moves the cursor there, as a click does: nothing stays selected.
  void SetCursor(int Column, int ScrollLine);
  // Column and scroll line of the cursor, as the status shows them.
  QPoint CursorPos() const;
  void SetFont(const QFont& Font);
  // Shown on a right click (the view has already placed the cursor, when it does).
  void SetPopupMenu(QMenu* Menu);
  // The physical line of the cursor.
  int CursorLine() const;

  // After every change of the view's status (cursor, text, selection, ...).
  std::function<void()> OnStatusChanged;
  // A key let go (Qt key code), autorepeat excluded.
  std::function<void(int Key)> OnKeyUp;
  // The frame's own command for a key, or none: a key that has one is taken from Qt's
  // shortcuts of the window (ShortcutOverride) and runs that command instead of reaching the
  // view. The editor's own keys override the window's shortcuts too, except these.
  std::function<QAction*(const QKeySequence& Key)> FrameCommand;
  void SetWindowShortcuts(const QList<QKeySequence>& Keys);

 private:
  class TWidget;
  // Declared first: the document outlives the widget, whose view is attached to it.
  std::unique_ptr<TKitEditDocument> FDocument;
  TWidget* FWidget;
};

}  // namespace zv
