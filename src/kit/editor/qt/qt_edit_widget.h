// The editor as a Qt widget: a scroll area whose viewport the view paints through a Qt
// canvas, with the caret drawn where the view puts it, and which turns Qt's events into the
// view's input: key strokes in the virtual-key vocabulary, input-method text, the wheel,
// scroll-bar actions as scroll codes, mouse presses, moves and releases with their shift
// state, drags of the selection and text dropped from other programs, focus and size.
//
// A frame makes one per view and shows its document in it:
//   auto* editor = new TQtEditWidget(parent);
//   doc.SetParser(std::move(parser));     // the document owns its parser
//   editor->SetDocument(&doc);            // the document must outlive the attachment
//   editor->View().Gutter()...            // settings through the view
//   editor->SetWindowShortcuts({QKeySequence("Ctrl+R")});  // the window's Run wins
//
// The operations below answer for the window: errors of the editor (a read-only document,
// say) are heard as a beep rather than thrown into Qt.
#pragma once
#include <memory>

#include <QAbstractScrollArea>
#include <QKeySequence>
#include <QList>
#include <QTimer>

#include "kit/editor/edit_view.h"
#include "kit/editor/qt/qt_edit_platform.h"
#include "kit/editor/qt/qt_keys.h"

class QDropEvent;

namespace zv {

class TQtEditWidgetHost;

// What a scroll-bar action of Qt is among the view's scroll codes.
TKitScrollCode KitScrollCodeFromSliderAction(int AAction);

enum TKitMouseEventKind { meDown, meMove, meUp };

// The MIME type of a selection dragged from an editor widget; the text itself goes from
// view to view.
inline constexpr char kQtEditDragMimeType[] = "application/x-kit-syntax-editor-drag";

class TQtEditWidget : public QAbstractScrollArea {
 public:
  explicit TQtEditWidget(QWidget* AParent = nullptr);
  ~TQtEditWidget() override;

  TKitEditView& View() { return *FView; }
  TQtEditHost& Host();
  void SetDocument(TKitEditDocument* ADoc) { FView->SetDocument(ADoc); }
  // The caret as drawn now (empty while hidden or blinked off).
  QRect DrawnCaret() const;

  // --- text, selection and the clipboard ---
  QString Text() const;
  int TextLength() const { return FView->GetTextLength(); }
  QString SelectedText();
  bool HasSelection() const { return FView->SelAvail(); }
  // A stream selection between two offsets of the text (clamped), the cursor at its end.
  void SetSelection(int AStart, int AEnd);
  void SelectAll();
  void Copy();
  void Cut();
  void Paste();
  // Removes the whole text, as one undo step.
  void Clear();

  // --- how the widget sits in a window ---
  // Tab and Return are the editor's keys (the default) or move the focus and press the
  // dialog's default button.
  bool WantTabs() const { return FView->WantTabs(); }
  void SetWantTabs(bool AValue) { FView->SetWantTabs(AValue); }
  bool WantReturns() const { return FView->WantReturns(); }
  void SetWantReturns(bool AValue) { FView->SetWantReturns(AValue); }
  // bsSingle draws the frame of a panel, bsNone none.
  void SetBorderStyle(TKitBorderStyle AValue);
  // Key strokes that the window's own shortcuts keep while the editor has the focus. Any
  // other stroke the editor binds overrides a window shortcut of the same keys.
  void SetWindowShortcuts(const QList<QKeySequence>& AKeys) { FWindowShortcuts = AKeys; }
  // The gutter beside one line, with the frame and the scroll bars shown.
  QSize minimumSizeHint() const override;
  QVariant inputMethodQuery(Qt::InputMethodQuery AQuery) const override;

  // --- the connection to the view's input handling ---
  // A key press: the key-down of the view, then, when it ran no command, each typed
  // character. Answers whether the editor took it.
  virtual bool DeliverKey(const TKitKeyStroke& AStroke);
  // Text an input method commits.
  virtual void DeliverInputText(const TKitString& AText);
  // The wheel in units of 120 per notch.
  virtual void DeliverWheel(int ADelta, TKitShiftState AShift);
  // A scroll-bar action with the bar's new position.
  virtual void DeliverScroll(TKitScrollBarKind AKind, TKitScrollCode ACode, int APos);
  // A mouse button or move in viewport pixels; the shift state carries the buttons held
  // and ssDouble for a double click.
  virtual void DeliverMouse(TKitMouseEventKind AKind, TKitMouseButton AButton, TKitShiftState AShift, int AX, int AY);

 protected:
  bool event(QEvent* AEvent) override;
  bool focusNextPrevChild(bool ANext) override;
  void paintEvent(QPaintEvent* AEvent) override;
  bool viewportEvent(QEvent* AEvent) override;
  void focusInEvent(QFocusEvent* AEvent) override;
  void focusOutEvent(QFocusEvent* AEvent) override;
  void keyPressEvent(QKeyEvent* AEvent) override;
  void inputMethodEvent(QInputMethodEvent* AEvent) override;
  void wheelEvent(QWheelEvent* AEvent) override;
  void mousePressEvent(QMouseEvent* AEvent) override;
  void mouseDoubleClickEvent(QMouseEvent* AEvent) override;
  void mouseMoveEvent(QMouseEvent* AEvent) override;
  void mouseReleaseEvent(QMouseEvent* AEvent) override;
  void dragEnterEvent(QDragEnterEvent* AEvent) override;
  void dragMoveEvent(QDragMoveEvent* AEvent) override;
  void dragLeaveEvent(QDragLeaveEvent* AEvent) override;
  void dropEvent(QDropEvent* AEvent) override;
  void scrollContentsBy(int ADx, int ADy) override;

 private:
  friend class TQtEditWidgetHost;
  void CaretMoved();
  void BlinkCaret();
  void Mouse(QMouseEvent* AEvent, TKitMouseEventKind AKind, bool ADouble);
  void SliderAction(TKitScrollBarKind AKind, int AAction);
  void StartSelectionDrag();
  // The editor view a drag comes from, null for data from elsewhere.
  TKitEditView* DragSourceView(const QDropEvent* AEvent) const;
  void DragOver(QDropEvent* AEvent, TKitDragState AState);
  // Runs an operation of the window's API; an editor error becomes a beep.
  template <class F>
  void Guard(F ABody);

  std::unique_ptr<TQtEditWidgetHost> FHost;
  std::unique_ptr<TKitEditView> FView;
  QTimer FBlink;
  bool FCaretOn = true;
  QList<QKeySequence> FWindowShortcuts;
};

}  // namespace zv
