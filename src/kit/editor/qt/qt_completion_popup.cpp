#include "kit/editor/qt/qt_completion_popup.h"

#include <QGuiApplication>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>

#include "kit/editor/qt/qt_edit_platform.h"
#include "kit/editor/qt/qt_text.h"

namespace zv {

class TQtPopupListWidget : public QListWidget {
 public:
  TQtPopupListWidget() {
    // A tool-tip window is never activated and stays above the editor.
    setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    // No frame: the owner's grips lie at the edges of the viewport, which is the window.
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    setItemDelegate(new TDelegate(this));
  }

  TKitPopupListOwner* Owner = nullptr;
  int ItemHeight = 16;
  TKitPopupDrawStyle Style = pdPlain;

 protected:
  void mousePressEvent(QMouseEvent* AEvent) override {
    if (Owner != nullptr && AEvent->button() == Qt::LeftButton) {
      const QPoint p = AEvent->position().toPoint();
      Owner->PopupMouseDown(p.x(), p.y());
    }
    AEvent->accept();
  }
  void mouseMoveEvent(QMouseEvent* AEvent) override {
    if (Owner != nullptr) {
      const QPoint p = AEvent->position().toPoint();
      Owner->PopupMouseMove(p.x(), p.y());
    }
    AEvent->accept();
  }
  void mouseReleaseEvent(QMouseEvent* AEvent) override {
    if (Owner != nullptr && AEvent->button() == Qt::LeftButton) Owner->PopupMouseUp();
    AEvent->accept();
  }
  void mouseDoubleClickEvent(QMouseEvent* AEvent) override { AEvent->accept(); }
  void paintEvent(QPaintEvent* AEvent) override {
    QListWidget::paintEvent(AEvent);
    QPainter p(viewport());
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(viewport()->rect().adjusted(0, 0, -1, -1));
  }

 private:
  class TDelegate : public QStyledItemDelegate {
   public:
    explicit TDelegate(TQtPopupListWidget* AList) : QStyledItemDelegate(AList), FList(AList) {}
    void paint(QPainter* APainter, const QStyleOptionViewItem& AOption, const QModelIndex& AIndex) const override {
      if (FList->Owner != nullptr && FList->Style != pdPlain) {
        APainter->save();
        TQtCanvas canvas(*APainter);
        const QRect r = AOption.rect;
        const bool drawn = FList->Owner->PopupDrawItem(AIndex.row(), {r.left(), r.top(), r.right() + 1, r.bottom() + 1},
                                                        (AOption.state & QStyle::State_Selected) != 0, canvas);
        APainter->restore();
        if (drawn) return;
      }
      QStyledItemDelegate::paint(APainter, AOption, AIndex);
    }
    QSize sizeHint(const QStyleOptionViewItem& AOption, const QModelIndex& AIndex) const override {
      QSize s = QStyledItemDelegate::sizeHint(AOption, AIndex);
      const int h = FList->Style == pdOwnerDrawVariable && FList->Owner != nullptr
                        ? FList->Owner->PopupItemHeight(AIndex.row())
                        : FList->ItemHeight;
      s.setHeight(std::max(1, h));
      return s;
    }

   private:
    TQtPopupListWidget* FList;
  };
};

TQtPopupList::TQtPopupList() : FWidget(std::make_unique<TQtPopupListWidget>()) {}

TQtPopupList::~TQtPopupList() = default;

QListWidget* TQtPopupList::Widget() const { return FWidget.get(); }

void TQtPopupList::SetOwner(TKitPopupListOwner* AOwner) { FWidget->Owner = AOwner; }

void TQtPopupList::SetItems(const std::vector<TKitString>& AItems) {
  FWidget->clear();
  for (const TKitString& s : AItems)
    FWidget->addItem(ToQString(s));
}

void TQtPopupList::SetItemIndex(int AIndex) {
  FWidget->setCurrentRow(AIndex);
  if (QListWidgetItem* item = FWidget->item(AIndex)) FWidget->scrollToItem(item);
}

void TQtPopupList::SetItemHeight(int AHeight) {
  FWidget->ItemHeight = AHeight;
  FWidget->doItemsLayout();
}

void TQtPopupList::SetDrawStyle(TKitPopupDrawStyle AStyle) {
  FWidget->Style = AStyle;
  FWidget->setUniformItemSizes(AStyle != pdOwnerDrawVariable);
  FWidget->doItemsLayout();
}

int TQtPopupList::ItemAt(int AX, int AY) {
  const QModelIndex index = FWidget->indexAt(QPoint(AX, AY));
  return index.isValid() ? index.row() : -1;
}

void TQtPopupList::SetBounds(const TKitRect& ARect) {
  FWidget->setGeometry(ARect.Left, ARect.Top, std::max(1, ARect.Right - ARect.Left),
                       std::max(1, ARect.Bottom - ARect.Top));
}

void TQtPopupList::Show(bool AVisible) {
  if (AVisible) {
    FWidget->show();
  } else {
    FWidget->hide();
  }
}

void TQtPopupList::SetGripCursor(TKitPopupGrip AGrip) {
  QWidget* v = FWidget->viewport();
  switch (AGrip) {
    case pgNone: v->unsetCursor(); break;
    case pgLeft:
    case pgRight: v->setCursor(Qt::SizeHorCursor); break;
    case pgTop:
    case pgBottom: v->setCursor(Qt::SizeVerCursor); break;
    case pgTopLeft:
    case pgBottomRight: v->setCursor(Qt::SizeFDiagCursor); break;
    case pgTopRight:
    case pgBottomLeft: v->setCursor(Qt::SizeBDiagCursor); break;
  }
}

void TQtPopupList::SetCapture(bool ACapture) {
  // A pressed button already keeps the mouse with the window; a grab outlives a lost release.
  QWidget* v = FWidget->viewport();
  if (ACapture) v->grabMouse();
  else if (QWidget::mouseGrabber() == v) v->releaseMouse();
}

TKitRect TQtPopupList::WorkArea(const TKitPoint& AScreenPoint) {
  QScreen* screen = QGuiApplication::screenAt(QPoint(AScreenPoint.X, AScreenPoint.Y));
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return {0, 0, 1 << 20, 1 << 20};
  const QRect r = screen->availableGeometry();
  return {r.left(), r.top(), r.right() + 1, r.bottom() + 1};
}

}  // namespace zv
