#include "kit/editor/qt/qt_edit_widget.h"

#include <algorithm>

#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QWheelEvent>

#include "kit/editor/qt/qt_completion_popup.h"
#include "kit/editor/qt/qt_text.h"

namespace zv {

// The host of the widget: the scroll area's host, with the completion list's popup and the
// caret's blinking restarted whenever the caret moves or shows.
class TQtEditWidgetHost : public TQtEditHost {
 public:
  explicit TQtEditWidgetHost(TQtEditWidget* AWidget) : TQtEditHost(AWidget), FWidget(AWidget) {}
  std::unique_ptr<TKitPopupList> CreatePopupList() override { return std::make_unique<TQtPopupList>(); }
  void SetCaretPos(int AX, int AY) override {
    TQtEditHost::SetCaretPos(AX, AY);
    FWidget->CaretMoved();
  }
  void ShowCaret() override {
    TQtEditHost::ShowCaret();
    FWidget->CaretMoved();
  }
  void SetScrollBar(TKitScrollBarKind AKind, const TKitScrollInfo& AInfo) override {
    TQtEditHost::SetScrollBar(AKind, AInfo);
    Bars[AKind] = AInfo;
  }
  // The bars as the view last set them.
  TKitScrollInfo Bars[2];

 private:
  TQtEditWidget* FWidget;
};

namespace {

bool IsWindowShortcut(const QList<QKeySequence>& AKeys, const QKeyEvent& AEvent) {
  const QKeySequence stroke(QKeyCombination(AEvent.modifiers() & ~Qt::KeypadModifier, Qt::Key(AEvent.key())));
  return AKeys.contains(stroke);
}

TKitShiftState ButtonsShift(Qt::MouseButtons AButtons) {
  TKitShiftState s = 0;
  if (AButtons & Qt::LeftButton) s |= KitShift(ssLeft);
  if (AButtons & Qt::RightButton) s |= KitShift(ssRight);
  if (AButtons & Qt::MiddleButton) s |= KitShift(ssMiddle);
  return s;
}

}  // namespace

TKitScrollCode KitScrollCodeFromSliderAction(int AAction) {
  switch (AAction) {
    case QAbstractSlider::SliderSingleStepSub: return scLineUp;
    case QAbstractSlider::SliderSingleStepAdd: return scLineDown;
    case QAbstractSlider::SliderPageStepSub: return scPageUp;
    case QAbstractSlider::SliderPageStepAdd: return scPageDown;
    case QAbstractSlider::SliderToMinimum: return scTop;
    case QAbstractSlider::SliderToMaximum: return scBottom;
    case QAbstractSlider::SliderMove: return scTrack;
    default: return scPosition;
  }
}

// Errors must not leave a Qt event handler: the user hears them.
template <class F>
void TQtEditWidget::Guard(F ABody) {
  try {
    ABody();
  } catch (const std::exception&) {
    FHost->Beep();
  }
}

TQtEditWidget::TQtEditWidget(QWidget* AParent) : QAbstractScrollArea(AParent) {
  // The system colours of the editor (clWindow, clBtnFace, ...) are the desktop's palette
  // from the first editor on.
  static TQtSystemColors desktopColors;
  [[maybe_unused]] static const bool colorsSet = (KitSetSystemColors(&desktopColors), true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAutoFillBackground(false);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setMouseTracking(true);
  viewport()->setAcceptDrops(true);
  setAcceptDrops(true);
  FHost = std::make_unique<TQtEditWidgetHost>(this);
  FHost->OnStartDrag = [this] { StartSelectionDrag(); };
  FView = std::make_unique<TKitEditView>(*FHost);
  const int flash = QGuiApplication::styleHints()->cursorFlashTime();
  FBlink.setInterval(std::max(1, flash / 2));
  if (flash > 0) connect(&FBlink, &QTimer::timeout, this, [this] { BlinkCaret(); });
  for (TKitScrollBarKind kind : {sbHorizontal, sbVertical}) {
    QScrollBar* bar = kind == sbHorizontal ? horizontalScrollBar() : verticalScrollBar();
    connect(bar, &QAbstractSlider::actionTriggered, this, [this, kind](int AAction) { SliderAction(kind, AAction); });
    connect(bar, &QAbstractSlider::sliderReleased, this,
            [this, kind, bar] { Guard([&] { DeliverScroll(kind, scEndScroll, bar->sliderPosition()); }); });
  }
}

TQtEditWidget::~TQtEditWidget() {
  FBlink.stop();
  FView.reset();
  FHost.reset();
}

TQtEditHost& TQtEditWidget::Host() { return *FHost; }

QRect TQtEditWidget::DrawnCaret() const { return FCaretOn ? FHost->CaretRect() : QRect(); }

void TQtEditWidget::CaretMoved() {
  if (!FCaretOn) viewport()->update(FHost->CaretRect());
  FCaretOn = true;
  if (QGuiApplication::styleHints()->cursorFlashTime() > 0 && hasFocus()) FBlink.start();
}

void TQtEditWidget::BlinkCaret() {
  FCaretOn = !FCaretOn;
  viewport()->update(FHost->CaretRect());
}

// --- the window's operations ---

QString TQtEditWidget::Text() const {
  return ToQString(FView->GetText());
}

QString TQtEditWidget::SelectedText() {
  TKitString text;
  Guard([&] { text = FView->SelectedText(); });
  return ToQString(text);
}

void TQtEditWidget::SetSelection(int AStart, int AEnd) {
  Guard([&] {
    FView->CheckDocument();
    FView->SetSelection(AStart, AEnd, false);
  });
}

void TQtEditWidget::SelectAll() { Guard([&] { FView->SelectAll(); }); }
void TQtEditWidget::Copy() { Guard([&] { FView->ClipboardCopy(); }); }
void TQtEditWidget::Cut() { Guard([&] { FView->ClipboardCut(); }); }
void TQtEditWidget::Paste() { Guard([&] { FView->ClipboardPaste(); }); }
void TQtEditWidget::Clear() { Guard([&] { FView->ClearText(); }); }

void TQtEditWidget::SetBorderStyle(TKitBorderStyle AValue) {
  Guard([&] { FView->SetBorderStyle(AValue); });
  setFrameStyle(AValue == bsNone ? QFrame::NoFrame : QFrame::StyledPanel | QFrame::Sunken);
}

QSize TQtEditWidget::minimumSizeHint() const {
  const int frame = 2 * frameWidth();
  const int vbar = verticalScrollBar()->isVisibleTo(this) ? verticalScrollBar()->sizeHint().width() : 0;
  const int hbar = horizontalScrollBar()->isVisibleTo(this) ? horizontalScrollBar()->sizeHint().height() : 0;
  return {frame + vbar + FView->GutterWidth(), frame + hbar + std::max(1, FView->LineHeight())};
}

QVariant TQtEditWidget::inputMethodQuery(Qt::InputMethodQuery AQuery) const {
  switch (AQuery) {
    case Qt::ImEnabled: return true;
    case Qt::ImCursorRectangle: {
      // The candidate window opens at the caret.
      const QRect caret = FHost->CaretRect();
      return QRectF(caret.translated(viewport()->pos()));
    }
    default: return QAbstractScrollArea::inputMethodQuery(AQuery);
  }
}

// --- Qt's events ---

bool TQtEditWidget::event(QEvent* AEvent) {
  if (AEvent->type() == QEvent::ShortcutOverride) {
    // The editor's bindings win over the window's shortcuts, except those it is told to keep.
    auto* key = static_cast<QKeyEvent*>(AEvent);
    const TKitKeyStroke stroke = KitKeyStrokeFromQt(*key);
    if (!IsWindowShortcut(FWindowShortcuts, *key) && FView->IsKeyBound(stroke.Key, stroke.Shift)) {
      AEvent->accept();
      return true;
    }
  }
  return QAbstractScrollArea::event(AEvent);
}

// Tab is the editor's unless it leaves it to the dialog.
bool TQtEditWidget::focusNextPrevChild(bool ANext) {
  return FView->WantTabs() ? false : QAbstractScrollArea::focusNextPrevChild(ANext);
}

void TQtEditWidget::paintEvent(QPaintEvent* AEvent) {
  QPainter painter(viewport());
  TQtCanvas canvas(painter);
  const QRect r = AEvent->rect();
  Guard([&] { FView->Paint(canvas, {r.left(), r.top(), r.right() + 1, r.bottom() + 1}); });
  const QRect caret = DrawnCaret();
  if (caret.isEmpty() || !caret.intersects(r)) return;
  // The caret inverts what lies under it, readable on any background.
  painter.setClipping(false);
  painter.setCompositionMode(QPainter::CompositionMode_Difference);
  painter.fillRect(caret, Qt::white);
}

bool TQtEditWidget::viewportEvent(QEvent* AEvent) {
  if (AEvent->type() == QEvent::Resize)
    Guard([&] {
      FView->BeginUpdate();
      FView->EndUpdate();
    });
  return QAbstractScrollArea::viewportEvent(AEvent);
}

void TQtEditWidget::focusInEvent(QFocusEvent* AEvent) {
  QAbstractScrollArea::focusInEvent(AEvent);
  Guard([&] { FView->FocusEntered(); });
  CaretMoved();
}

void TQtEditWidget::focusOutEvent(QFocusEvent* AEvent) {
  QAbstractScrollArea::focusOutEvent(AEvent);
  FBlink.stop();
  Guard([&] {
    FView->FocusLeft();
    if (FHost->HasCapture()) {
      FHost->ReleaseCapture();
      FView->CaptureChanged();
    }
  });
}

void TQtEditWidget::keyPressEvent(QKeyEvent* AEvent) {
  const int key = AEvent->key();
  const bool isReturn = key == Qt::Key_Return || key == Qt::Key_Enter;
  // A dialog's default button takes Return when the editor leaves it.
  if (isReturn && !FView->WantReturns()) {
    AEvent->ignore();
    return;
  }
  const TKitKeyStroke stroke = KitKeyStrokeFromQt(*AEvent);
  bool took = true;
  Guard([&] { took = DeliverKey(stroke); });
  // What the editor leaves goes to the window around it (Escape to a dialog, say).
  AEvent->setAccepted(took);
}

void TQtEditWidget::inputMethodEvent(QInputMethodEvent* AEvent) {
  const QString text = AEvent->commitString();
  if (!text.isEmpty()) Guard([&] { DeliverInputText(text.toStdU16String()); });
  AEvent->accept();
}

void TQtEditWidget::wheelEvent(QWheelEvent* AEvent) {
  const int delta = AEvent->angleDelta().y();
  if (delta != 0) Guard([&] { DeliverWheel(delta, KitShiftFromQt(AEvent->modifiers())); });
  AEvent->accept();
}

void TQtEditWidget::Mouse(QMouseEvent* AEvent, TKitMouseEventKind AKind, bool ADouble) {
  TKitShiftState shift = KitShiftFromQt(AEvent->modifiers()) | ButtonsShift(AEvent->buttons());
  if (ADouble) shift |= KitShift(ssDouble);
  const TKitMouseButton button = AEvent->button() == Qt::RightButton    ? mbRight
                                 : AEvent->button() == Qt::MiddleButton ? mbMiddle
                                                                        : mbLeft;
  const QPoint p = AEvent->position().toPoint();
  Guard([&] { DeliverMouse(AKind, button, shift, p.x(), p.y()); });
  AEvent->accept();
}

void TQtEditWidget::mousePressEvent(QMouseEvent* AEvent) { Mouse(AEvent, meDown, false); }
void TQtEditWidget::mouseDoubleClickEvent(QMouseEvent* AEvent) { Mouse(AEvent, meDown, true); }
void TQtEditWidget::mouseMoveEvent(QMouseEvent* AEvent) { Mouse(AEvent, meMove, false); }
void TQtEditWidget::mouseReleaseEvent(QMouseEvent* AEvent) { Mouse(AEvent, meUp, false); }

// The view scrolls its own picture; the bars only report what the user did with them.
void TQtEditWidget::scrollContentsBy(int, int) {}

void TQtEditWidget::SliderAction(TKitScrollBarKind AKind, int AAction) {
  QScrollBar* bar = AKind == sbHorizontal ? horizontalScrollBar() : verticalScrollBar();
  const int pos = bar->sliderPosition();
  Guard([&] { DeliverScroll(AKind, KitScrollCodeFromSliderAction(AAction), pos); });
  // Qt moves the bar after this signal by its own arithmetic; the view's place is the one
  // that counts, also when the view did not move.
  if (AAction != QAbstractSlider::SliderMove) {
    const QSignalBlocker blocker(bar);
    bar->setSliderPosition(FHost->Bars[AKind].Pos);
  }
}

// --- dragging ---

TKitEditView* TQtEditWidget::DragSourceView(const QDropEvent* AEvent) const {
  if (!AEvent->mimeData()->hasFormat(kQtEditDragMimeType)) return nullptr;
  auto* source = dynamic_cast<TQtEditWidget*>(AEvent->source());
  return source != nullptr ? &source->View() : nullptr;
}

// A drag held over the widget: a selection of an editor view moves or copies as the view
// says; text from elsewhere as the program offers it, a move only when offered.
void TQtEditWidget::DragOver(QDropEvent* AEvent, TKitDragState AState) {
  const QPoint p = AEvent->position().toPoint();
  const TKitShiftState shift = KitShiftFromQt(AEvent->modifiers());
  TKitEditView* source = DragSourceView(AEvent);
  bool accept = false;
  Qt::DropAction action = Qt::IgnoreAction;
  Guard([&] {
    TKitCursorShape shape = crNo;
    if (source != nullptr) {
      accept = FView->DragOver(source, p.x(), p.y(), AState, shift, shape);
      action = shape == crMultiDrag ? Qt::CopyAction : shape == crDrag ? Qt::MoveAction : Qt::IgnoreAction;
    } else if (AEvent->mimeData()->hasText()) {
      accept = FView->DragOver(nullptr, p.x(), p.y(), AState, shift, shape);
      const TKitDropEffect effect = FView->ExternalDragOver((shift & KitShift(ssCtrl)) != 0);
      action = effect == deCopy ? Qt::CopyAction : effect == deMove ? Qt::MoveAction : Qt::IgnoreAction;
      if (action == Qt::MoveAction && !(AEvent->possibleActions() & Qt::MoveAction)) action = Qt::CopyAction;
    }
  });
  if (action != Qt::IgnoreAction && !(AEvent->possibleActions() & action)) action = Qt::IgnoreAction;
  // The enter is taken for any drag the editor could take somewhere, or no moves follow;
  // each move says whether a drop at its point would be taken.
  if (accept && action != Qt::IgnoreAction) {
    AEvent->setDropAction(action);
    AEvent->accept();
  } else if (accept && AState == dsDragEnter) {
    AEvent->accept();
  } else {
    AEvent->ignore();
  }
}

void TQtEditWidget::dragEnterEvent(QDragEnterEvent* AEvent) { DragOver(AEvent, dsDragEnter); }
void TQtEditWidget::dragMoveEvent(QDragMoveEvent* AEvent) { DragOver(AEvent, dsDragMove); }

void TQtEditWidget::dragLeaveEvent(QDragLeaveEvent* AEvent) {
  FView->StopAutoScroll();
  AEvent->accept();
}

void TQtEditWidget::dropEvent(QDropEvent* AEvent) {
  const QPoint p = AEvent->position().toPoint();
  const TKitShiftState shift = KitShiftFromQt(AEvent->modifiers());
  const bool ctrl = (shift & KitShift(ssCtrl)) != 0;
  TKitEditView* source = DragSourceView(AEvent);
  Qt::DropAction action = Qt::IgnoreAction;
  Guard([&] {
    if (source != nullptr) {
      const bool copy = ctrl || source->IsReadOnly();
      FView->DragDrop(source, p.x(), p.y(), shift);
      action = copy ? Qt::CopyAction : Qt::MoveAction;
    } else if (AEvent->mimeData()->hasText()) {
      TKitCursorShape shape;
      FView->DragOver(nullptr, p.x(), p.y(), dsDragMove, shift, shape);
      const TKitDropEffect effect = FView->ExternalDrop(AEvent->mimeData()->text().toStdU16String(), ctrl);
      action = effect == deCopy ? Qt::CopyAction : effect == deMove ? Qt::MoveAction : Qt::IgnoreAction;
      if (action == Qt::MoveAction && !(AEvent->possibleActions() & Qt::MoveAction)) action = Qt::CopyAction;
    }
    FView->StopAutoScroll();
  });
  if (action == Qt::IgnoreAction) {
    AEvent->ignore();
    return;
  }
  AEvent->setDropAction(action);
  AEvent->accept();
}

// Runs the drag of the selection to its end; the view that takes the drop moves or copies
// the text, so a drag that nobody took puts the cursor back.
void TQtEditWidget::StartSelectionDrag() {
  auto* data = new QMimeData;
  data->setData(kQtEditDragMimeType, QByteArray());
  auto* drag = new QDrag(this);  // Qt deletes it when the drag ends
  drag->setMimeData(data);
  const Qt::DropAction result = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
  if (result == Qt::IgnoreAction) Guard([&] { FView->DragCanceled(); });
}

// --- the connection to the view ---

bool TQtEditWidget::DeliverKey(const TKitKeyStroke& AStroke) {
  TKitEditView& v = *FView;
  const bool pending = v.PressedShortcut() != 0;
  uint16_t key = AStroke.Key;
  // Also without a virtual key: the key-down decides whether the character that follows
  // is typed.
  v.KeyDown(key, AStroke.Shift);
  if (AStroke.Key != 0 && key == 0) return true;  // a command ran, or the handler took it
  for (char16_t c : AStroke.Text) v.KeyPress(c);
  return pending || v.PressedShortcut() != 0 || !AStroke.Text.empty();
}

void TQtEditWidget::DeliverInputText(const TKitString& AText) { FView->InvokeCommand(sedStr, AText); }

void TQtEditWidget::DeliverWheel(int ADelta, TKitShiftState AShift) { FView->DoMouseWheel(AShift, ADelta); }

void TQtEditWidget::DeliverScroll(TKitScrollBarKind AKind, TKitScrollCode ACode, int APos) {
  if (AKind == sbVertical) FView->VScrollMessage(ACode, APos);
  else FView->HScrollMessage(ACode, APos);
}

void TQtEditWidget::DeliverMouse(TKitMouseEventKind AKind, TKitMouseButton AButton, TKitShiftState AShift, int AX,
                                 int AY) {
  TKitEditView& v = *FView;
  v.HasPopupMenu = contextMenuPolicy() == Qt::CustomContextMenu || contextMenuPolicy() == Qt::ActionsContextMenu;
  switch (AKind) {
    case meDown: v.MouseDown(AButton, AShift, AX, AY); break;
    case meMove: v.MouseMove(AShift, AX, AY); break;
    case meUp: v.MouseUp(AButton, AShift, AX, AY); break;
  }
  // The pointer's shape follows the point while no press holds the mouse.
  if (!FHost->HasCapture()) v.UpdateMouseCursor(AX, AY);
}

}  // namespace zv
