// The editor as a Qt widget: a scroll area whose viewport the view paints through a Qt
// canvas, with the caret drawn where the view puts it, and which turns Qt's events into the
// view's input: key strokes in the virtual-key vocabulary, the wheel, scroll-bar actions as
// scroll codes, mouse presses, moves and releases with their shift state, focus and size.
//
// A frame makes one per view and shows its document in it:
//   auto* editor = new TQtEditWidget(parent);
//   doc.SetParser(std::move(parser));     // the document owns its parser
//   editor->SetDocument(&doc);            // the document must outlive the attachment
//   editor->View().Gutter()...            // settings through the view
#pragma once
#include <memory>

#include <QAbstractScrollArea>
#include <QTimer>

#include "kit/editor/edit_view.h"
#include "kit/editor/qt/qt_edit_platform.h"
#include "kit/editor/qt/qt_keys.h"

namespace zv {

class TQtEditWidgetHost;

// What a scroll-bar action of Qt is among the view's scroll codes.
TKitScrollCode KitScrollCodeFromSliderAction(int AAction);

enum TKitMouseEventKind { meDown, meMove, meUp };

class TQtEditWidget : public QAbstractScrollArea {
 public:
  explicit TQtEditWidget(QWidget* AParent = nullptr);
  ~TQtEditWidget() override;

  TKitEditView& View() { return *FView; }
  TQtEditHost& Host();
  void SetDocument(TKitEditDocument* ADoc) { FView->SetDocument(ADoc); }
  // The caret as drawn now (empty while hidden or blinked off).
  QRect DrawnCaret() const;

  // --- the connection to the view's input handling ---
  // A key press: the key-down of the view, then, when it ran no command, each typed
  // character; a stroke without a key carries text from an input method. Answers whether
  // the view took it.
  virtual bool DeliverKey(const TKitKeyStroke& AStroke);
  // The wheel in units of 120 per notch.
  virtual void DeliverWheel(int ADelta, TKitShiftState AShift);
  // A scroll-bar action with the bar's new position.
  virtual void DeliverScroll(TKitScrollBarKind AKind, TKitScrollCode ACode, int APos);
  // A mouse button or move in viewport pixels; the shift state carries the buttons held
  // and ssDouble for a double click.
  virtual void DeliverMouse(TKitMouseEventKind AKind, TKitMouseButton AButton, TKitShiftState AShift, int AX, int AY);

 protected:
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
  void scrollContentsBy(int ADx, int ADy) override;

 private:
  friend class TQtEditWidgetHost;
  void CaretMoved();
  void BlinkCaret();
  void Mouse(QMouseEvent* AEvent, TKitMouseEventKind AKind, bool ADouble);
  void SliderAction(TKitScrollBarKind AKind, int AAction);

  std::unique_ptr<TQtEditWidgetHost> FHost;
  std::unique_ptr<TKitEditView> FView;
  QTimer FBlink;
  bool FCaretOn = true;
  int FWheelAcc = 0;
};

}  // namespace zv
