#include "kit/editor/qt/qt_edit_widget.h"

#include <algorithm>

#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QWheelEvent>

#include "kit/editor/qt/qt_completion_popup.h"

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

 private:
  TQtEditWidget* FWidget;
};

namespace {

// Errors must not leave a Qt event handler: the user hears them.
template <class F>
void Guarded(TKitEditHost& AHost, F ABody) {
  try {
    ABody();
  } catch (const std::exception&) {
    AHost.Beep();
  }
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

TQtEditWidget::TQtEditWidget(QWidget* AParent) : QAbstractScrollArea(AParent) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAutoFillBackground(false);
  viewport()->setCursor(Qt::IBeamCursor);
  FHost = std::make_unique<TQtEditWidgetHost>(this);
  FView = std::make_unique<TKitEditView>(*FHost);
  const int flash = QGuiApplication::styleHints()->cursorFlashTime();
  FBlink.setInterval(std::max(1, flash / 2));
  if (flash > 0) connect(&FBlink, &QTimer::timeout, this, [this] { BlinkCaret(); });
  for (TKitScrollBarKind kind : {sbHorizontal, sbVertical}) {
    QScrollBar* bar = kind == sbHorizontal ? horizontalScrollBar() : verticalScrollBar();
    connect(bar, &QAbstractSlider::actionTriggered, this, [this, kind](int AAction) { SliderAction(kind, AAction); });
    connect(bar, &QAbstractSlider::sliderReleased, this, [this, kind, bar] {
      Guarded(*FHost, [&] { DeliverScroll(kind, scEndScroll, bar->value()); });
    });
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

// --- Qt's events ---

bool TQtEditWidget::focusNextPrevChild(bool) { return false; }  // Tab is the editor's

void TQtEditWidget::paintEvent(QPaintEvent* AEvent) {
  QPainter painter(viewport());
  TQtCanvas canvas(painter);
  const QRect r = AEvent->rect();
  Guarded(*FHost, [&] { FView->Paint(canvas, {r.left(), r.top(), r.right() + 1, r.bottom() + 1}); });
  const QRect caret = DrawnCaret();
  if (caret.isEmpty() || !caret.intersects(r)) return;
  // The caret inverts what lies under it, readable on any background.
  painter.setClipping(false);
  painter.setCompositionMode(QPainter::CompositionMode_Difference);
  painter.fillRect(caret, Qt::white);
}

bool TQtEditWidget::viewportEvent(QEvent* AEvent) {
  if (AEvent->type() == QEvent::Resize)
    Guarded(*FHost, [&] {
      FView->BeginUpdate();
      FView->EndUpdate();
    });
  return QAbstractScrollArea::viewportEvent(AEvent);
}

void TQtEditWidget::focusInEvent(QFocusEvent* AEvent) {
  QAbstractScrollArea::focusInEvent(AEvent);
  Guarded(*FHost, [&] { FView->FocusEntered(); });
  CaretMoved();
}

void TQtEditWidget::focusOutEvent(QFocusEvent* AEvent) {
  QAbstractScrollArea::focusOutEvent(AEvent);
  FBlink.stop();
  Guarded(*FHost, [&] { FView->FocusLeft(); });
}

void TQtEditWidget::keyPressEvent(QKeyEvent* AEvent) {
  const TKitKeyStroke stroke = KitKeyStrokeFromQt(*AEvent);
  bool took = false;
  Guarded(*FHost, [&] { took = DeliverKey(stroke); });
  if (took) AEvent->accept();
  else QAbstractScrollArea::keyPressEvent(AEvent);
}

void TQtEditWidget::inputMethodEvent(QInputMethodEvent* AEvent) {
  const QString text = AEvent->commitString();
  if (!text.isEmpty()) {
    TKitKeyStroke stroke;
    stroke.Text = text.toStdU16String();
    Guarded(*FHost, [&] { DeliverKey(stroke); });
  }
  AEvent->accept();
}

void TQtEditWidget::wheelEvent(QWheelEvent* AEvent) {
  const int delta = AEvent->angleDelta().y();
  if (delta != 0) Guarded(*FHost, [&] { DeliverWheel(delta, KitShiftFromQt(AEvent->modifiers())); });
  AEvent->accept();
}

void TQtEditWidget::Mouse(QMouseEvent* AEvent, TKitMouseEventKind AKind, bool ADouble) {
  TKitShiftState shift = KitShiftFromQt(AEvent->modifiers()) | ButtonsShift(AEvent->buttons());
  if (ADouble) shift |= KitShift(ssDouble);
  const TKitMouseButton button = AEvent->button() == Qt::RightButton    ? mbRight
                                 : AEvent->button() == Qt::MiddleButton ? mbMiddle
                                                                        : mbLeft;
  const QPoint p = AEvent->position().toPoint();
  Guarded(*FHost, [&] { DeliverMouse(AKind, button, shift, p.x(), p.y()); });
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
  Guarded(*FHost, [&] { DeliverScroll(AKind, KitScrollCodeFromSliderAction(AAction), pos); });
}

// --- the connection to the view ---

bool TQtEditWidget::DeliverKey(const TKitKeyStroke& AStroke) {
  // Not connected: the view's key-down and typed-character entry points come with the
  // key bindings. They go here as:
  //   bool ran = AStroke.Key != 0 && <view key-down>(AStroke.Key, AStroke.Shift);
  //   if (!ran) for (char16_t c : AStroke.Text) <view typed character>(c);
  //   return ran || !AStroke.Text.empty();
  (void)AStroke;
  return false;
}

// Until the view scrolls by the wheel itself: lines per notch from the system, a page with
// Ctrl or when the system asks for more than a page; half notches add up.
void TQtEditWidget::DeliverWheel(int ADelta, TKitShiftState AShift) {
  FWheelAcc += ADelta;
  const int notches = FWheelAcc / 120;
  FWheelAcc -= notches * 120;
  if (notches == 0) return;
  const int page = FView->FullLinesOnScreen();
  int lines = FHost->SystemMetric(smWheelScrollLines);
  if ((AShift & KitShift(ssCtrl)) != 0 || lines < 0 || lines > page) lines = page;
  TScreenCache& c = FView->ScreenCache();
  FView->BeginUpdate();
  try {
    c.SetFirstLineAsScroll(std::max(0, c.FirstLineScroll() - lines * notches));
  } catch (...) {
    FView->EndUpdate();
    throw;
  }
  FView->EndUpdate();
}

// Until the view takes its scroll bars' actions itself.
void TQtEditWidget::DeliverScroll(TKitScrollBarKind AKind, TKitScrollCode ACode, int APos) {
  if (ACode == scEndScroll) return;
  TScreenCache& c = FView->ScreenCache();
  FView->BeginUpdate();
  try {
    if (AKind == sbVertical) {
      const int top = c.FirstLineScroll(), page = FView->FullLinesOnScreen();
      int to = APos;
      switch (ACode) {
        case scLineUp: to = top - 1; break;
        case scLineDown: to = top + 1; break;
        case scPageUp: to = top - page; break;
        case scPageDown: to = top + page; break;
        case scTop: to = 0; break;
        case scBottom: to = c.LastScrollLine(); break;
        default: break;
      }
      c.SetFirstLineAsScroll(std::max(0, to));
    } else if (c.WrapMode() != wmWrapToWindow) {
      const int left = c.HorizScroll(), page = std::max(1, c.ScreenWidthPixels() / std::max(1, c.SpaceCharW()));
      int to = APos;
      switch (ACode) {
        case scLineUp: to = left - 1; break;
        case scLineDown: to = left + 1; break;
        case scPageUp: to = left - page; break;
        case scPageDown: to = left + page; break;
        case scTop: to = 0; break;
        default: break;
      }
      c.SetHorizScroll(std::max(0, to));
    }
  } catch (...) {
    FView->EndUpdate();
    throw;
  }
  FView->EndUpdate();
}

// Until the view takes the mouse itself: a left press in the text puts the cursor there, one
// on the fold bar folds or unfolds the line (with Ctrl the nested folds too).
void TQtEditWidget::DeliverMouse(TKitMouseEventKind AKind, TKitMouseButton AButton, TKitShiftState AShift, int AX,
                                 int AY) {
  if (AKind != meDown || AButton != mbLeft) return;
  FHost->SetFocus();
  TKitEditView& v = *FView;
  TScreenCache& c = v.ScreenCache();
  if (v.Document() == nullptr || c.LinesOnScreenScroll() == 0 || v.LineHeight() <= 0) return;
  const int line = std::clamp(AY / v.LineHeight(), 0, c.LinesOnScreenScroll() - 1);
  v.BeginUpdate();
  try {
    if (AX < v.GutterWidth()) {
      TKitGutterBars& bars = v.Gutter().Bars();
      int left = 0;
      for (int i = 0; i < bars.Count(); ++i) {
        TKitGutterBar* bar = bars.Items(i);
        if (!bar->Visible()) continue;
        if (AX >= left && AX < left + bar->FullWidth() && bar->Kind() == gbFoldBar) {
          const int phys = c.GetScreenLine(line).ScrollInfo.PhysicalLine;
          const bool all = (AShift & KitShift(ssCtrl)) != 0;
          if (c.IsCollapsedFold(phys)) c.Unfold(phys, all);
          else if (v.Document()->GetParser().IsFoldStart(phys) && !c.Fold(phys, all)) FHost->Beep();
        }
        left += bar->FullWidth();
      }
    } else {
      const TKitPoint screen = c.ScreenPixToScreenPos(AX - v.GutterWidth(), line);
      c.SetCursorPos({screen.X, c.ScreenToScroll(line, false)}, scBackward, false);
      const TOffsetPoint cursor = c.CursorOffset();
      c.SetSelection(cursor, cursor, false);
    }
  } catch (...) {
    v.EndUpdate();
    throw;
  }
  v.EndUpdate();
}

}  // namespace zv
