// The editor frames: a frame around one editor view with its popup menu, file dialogs and
// the last file of its kind; the read-only log pane the logger writes into; and the device
// editor.
#pragma once
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <QFrame>
#include <QKeySequence>
#include <QList>
#include <QString>
#include <QStringList>

#include "app/prompter.h"
#include "foundation/logger.h"

class QAction;
class QMenu;

namespace zv {

class TFrameView;
struct TKitEditSearchDlgOptions;

class TFrameKit : public QFrame {
 public:
  explicit TFrameKit(QWidget* Owner = nullptr);
  ~TFrameKit() override;

  // The kind of file ("DEVICE", "LOG"; empty in the import window): the key of the last
  // file in "LastFiles" and part of the dialogs' titles and questions.
  QString FileKey() const { return FFileKey; }
  void SetFileKey(const QString& Key) { FFileKey = Key; }
  QString CurrentFileName() const { return FCurrentFileName; }
  QString FileExtension() const { return FFileExtension; }
  // Sets the filter of both file dialogs.
  void SetFileExtension(const QString& Extension);

  // After CurrentFileName changed.
  std::function<void(TFrameKit* Sender)> OnFileNameChanged;
  // "column:line" of the cursor, after each change of the view's status, a load and a
  // clear; a blank and the encoding's name follow when the text is not UTF-8.
  std::function<void(TFrameKit* Sender, const QString& Text)> OnEditorStatusChanged;

  bool ReadOnly() const;
  void SetReadOnly(bool Value);
  QString Text() const;
  QStringList Lines() const;

  // Append behind the last line; the view follows when the end of the text was in view.
  // The lines reach the view together when the event loop next runs (or before anything
  // else uses the view), so that a burst of log entries costs one edit of the view.
  void AddLine(const QString& S);
  void AddLines(const QStringList& List);
  void AddLines(const std::vector<std::string>& List);
  // Empties the text without undo; the text then belongs to no file.
  void Clear();
  // False when the user cancels the question whether to save a modified text.
  bool CloseQuery();
  void LoadFromFile(const QString& FileName);
  // CurrentFileName stays.
  void SaveToFile(const QString& FileName);
  // Loads the last file of FileKey when it exists.
  void InitialLoad();
  // Y: 1-based line, X: 0-based column in characters. Opens every fold and puts the cursor
  // there, focused.
  void GotoPosAndFocus(int X, int Y);
  void UnfoldAll();
  void FoldChildsAtCursor();
  void SetSytaxScheme(const std::vector<std::string>& List);
  void SetColorsScheme(const std::vector<std::string>& List);
  // A new item at the end of the popup menu ("-" makes a separator).
  QAction* AddMenuItem(const QString& Caption);
  // Search... (Ctrl+F) and Replace... (Ctrl+R) are the frame's own keys while the editor has
  // the focus, ahead of the window's shortcuts. Yielding a key leaves it to the window (its
  // item keeps its command but no longer shows the key).
  void YieldShortcut(const QKeySequence& Key);

  // Tells OnEditorStatusChanged where the cursor is (and the encoding, when not UTF-8).
  void StatusChanged();

  int LineCount() const;
  // Appended lines the view has yet to take in.
  qsizetype PendingLines() const { return FPending.size(); }

  // The editor: the view with its document and widget.
  TFrameView& KitView() { return View(); }
  const TFrameView& KitView() const { return View(); }

  // The popup menu. An item whose data (its tag) is an integer above 0 is always disabled.
  QMenu* PopUpMenu;
  QAction *PMUndo, *PMRedo, *PMCut, *PMCopy, *PMPaste, *PMDelete, *PMSelecteAll, *PMIndent, *PMUnindent,
      *PMSearch, *PMReplace, *PMNew, *PMLoad, *PMSave, *PMSaveAs;
  TFileDialog SaveDialog, OpenDialog;

 protected:
  void SetCurrentFileName(const QString& FileName);
  // Save as (AskName) or save; false when the user cancelled the file dialog.
  bool SaveFile(bool AskName);
  void StoreFile();
  void NotFound();
  void SearchAgain();

 private:
  void FontChanged();
  void KeyUp(int Key);
  QAction* FrameCommand(const QKeySequence& Key) const;
  void UpdateItems();
  void LoadClick();
  void SearchClick();
  void ReplaceClick();

  // The view with every appended line in it.
  TFrameView& View() const {
    Flush();
    return *FView;
  }
  // Appends the first Most waiting lines to the view.
  void Flush(qsizetype Most = std::numeric_limits<qsizetype>::max()) const;
  void PostFlush();

  std::unique_ptr<TFrameView> FView;
  QList<QKeySequence> FYielded;  // the window's keys
  mutable QStringList FPending;  // appended, not yet in the view
  bool FFlushPosted = false;
  // Kept between searches: the histories, the options and what the dialog did last.
  std::unique_ptr<TKitEditSearchDlgOptions> FSearchOptions;
  QString FFileKey, FCurrentFileName, FFileExtension;
};

// The read-only log pane; the logger's entries arrive here on the GUI thread.
class TFrameLog : public TFrameKit, public ILogSink {
 public:
  explicit TFrameLog(QWidget* Owner = nullptr);

  // ILogSink.
  void Clear() override { TFrameKit::Clear(); }
  void AppendLines(const std::vector<std::string>& Lines) override;
  int LineCount() const override;
};

// The device-description editor: the device syntax scheme, its colours and fold commands.
class TFrameDeviceEditor : public TFrameKit {
 public:
  explicit TFrameDeviceEditor(QWidget* Owner = nullptr);
};

}  // namespace zv
