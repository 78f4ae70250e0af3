#include "app/frame_view.h"

#include <QAction>
#include <QFont>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>

#include "kit/editor/qt/qt_edit_widget.h"

namespace zv {

namespace {

QKeySequence KeyOf(const QKeyEvent& Event) {
  return QKeySequence(Event.keyCombination());
}

// Device descriptions are UTF-8; files written with Windows tools are often Windows-1252.
constexpr int kTextCodePage = 65001;
constexpr int kFallbackCodePage = 1252;

}  // namespace

// The editor widget of a frame: the frame's popup menu, its key-up hook and its own command
// keys besides what the editor does with its input.
class TFrameView::TWidget : public TQtEditWidget {
 public:
  TWidget(QWidget* Parent, TFrameView& Owner) : TQtEditWidget(Parent), FOwner(Owner) {
    // A popup of its own: the view leaves the right button's release to the menu.
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& At) {
      if (Popup) Popup->exec(viewport()->mapToGlobal(At));
    });
  }
  QMenu* Popup = nullptr;

 protected:
  bool event(QEvent* Event) override {
    // A key of the frame's own commands is the frame's even where the window has a
    // shortcut for it; the widget decides for the editor's keys.
    if (Event->type() == QEvent::ShortcutOverride && FrameAction(*static_cast<QKeyEvent*>(Event))) {
      Event->accept();
      return true;
    }
    return TQtEditWidget::event(Event);
  }
  void keyPressEvent(QKeyEvent* Event) override {
    if (QAction* a = FrameAction(*Event)) {
      Event->accept();
      // The popup's state decides, as if the item had been chosen from it.
      if (Popup) emit Popup->aboutToShow();
      if (a->isEnabled()) a->trigger();
      return;
    }
    TQtEditWidget::keyPressEvent(Event);
  }
  void keyReleaseEvent(QKeyEvent* Event) override {
    TQtEditWidget::keyReleaseEvent(Event);
    if (!Event->isAutoRepeat() && FOwner.OnKeyUp) FOwner.OnKeyUp(Event->key());
  }

 private:
  QAction* FrameAction(const QKeyEvent& Event) const {
    if (!FOwner.FrameCommand) return nullptr;
    return FOwner.FrameCommand(KeyOf(Event));
  }
  TFrameView& FOwner;
};

TFrameView::TFrameView(QWidget* Parent)
    : FDocument(std::make_unique<TKitEditDocument>()) {
  FWidget = new TWidget(Parent, *this);
  FWidget->setObjectName(QStringLiteral("KitView"));
  FDocument->SetCodePage(kTextCodePage);
  FWidget->SetDocument(FDocument.get());
  FWidget->View().OnStatusChanged = [this](TObject*, TKitViewStatusChanges) {
    if (OnStatusChanged) OnStatusChanged();
  };
}

// The widget goes first, with the view detached, so that nothing it reports while it goes
// reaches a frame that is going.
TFrameView::~TFrameView() {
  FWidget->View().OnStatusChanged = nullptr;
  FWidget->SetDocument(nullptr);
  delete FWidget;
}

QWidget* TFrameView::Widget() const { return FWidget; }
TKitEditView& TFrameView::View() const { return FWidget->View(); }

QString TFrameView::Text() const { return FWidget->Text(); }

QStringList TFrameView::Lines() const {
  QStringList lines;
  const int count = FDocument->LinesCount();
  lines.reserve(count);
  for (int i = 0; i < count; ++i) lines << ToQString(KitSegmentToStr(FDocument->GetLine(i)));
  return lines;
}

void TFrameView::LoadFromFile(const QString& FileName) {
  FDocument->LoadFromFileWithFallback(FromQString(FileName), kTextCodePage, kFallbackCodePage);
}

void TFrameView::Clear() {
  FDocument->ClearNoUndo();
  FDocument->SetCodePage(kTextCodePage);
  FDocument->SetCodePageUsePreamble(false);
}

QString TFrameView::OtherEncoding() const {
  return FDocument->CodePage() == kTextCodePage ? QString() : ToQString(FDocument->CodePageName());
}

void TFrameView::AppendLines(const QStringList& Lines) {
  if (Lines.isEmpty()) return;
  const TKitString& separator = FDocument->LineSeparatorStr();
  const bool empty = FDocument->CharsCount() == 0;
  TKitString text;
  size_t size = empty ? 0 : separator.size();
  for (const QString& line : Lines) size += static_cast<size_t>(line.size()) + separator.size();
  text.reserve(size);
  bool first = true;
  for (const QString& line : Lines) {
    if (!(empty && first)) text += separator;
    first = false;
    text.append(reinterpret_cast<const char16_t*>(line.utf16()), static_cast<size_t>(line.size()));
  }
  FDocument->Insert(FDocument->CharsCount(), text);
}

int TFrameView::TopLine() const { return View().TopLineScroll(); }
int TFrameView::LinesOnScreen() const { return View().ScreenHeight(); }
void TFrameView::ScrollTo(int Column, int ScrollLine) { View().ScrollToPos({Column, ScrollLine}); }
void TFrameView::SetCursor(int Column, int ScrollLine) {
  View().SetCursorPos({Column, ScrollLine});
  View().CancelSelection();
}

QPoint TFrameView::CursorPos() const {
  const TKitPoint p = View().CursorPos();
  return QPoint(p.X, p.Y);
}

int TFrameView::CursorLine() const { return FDocument->GetLineByOffset(View().CursorOffset()); }

void TFrameView::SetFont(const QFont& Font) {
  TKitFont font = View().Font();
  font.Name = FromQString(Font.family());
  font.Size = Font.pointSize() > 0 ? Font.pointSize() : 10;
  View().SetFont(font);
}

void TFrameView::SetPopupMenu(QMenu* Menu) { FWidget->Popup = Menu; }
void TFrameView::SetWindowShortcuts(const QList<QKeySequence>& Keys) { FWidget->SetWindowShortcuts(Keys); }

}  // namespace zv
