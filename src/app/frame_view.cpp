#include "app/frame_view.h"

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFont>
#include <QFormLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QPushButton>

#include <algorithm>

#include "kit/editor/char_seq.h"
#include "kit/editor/qt/qt_edit_widget.h"

namespace zv {

namespace {

TFrameView::TFindDialogRunner& FindDialogRunner() {
  static TFrameView::TFindDialogRunner runner;
  return runner;
}

QKeySequence KeyOf(const QKeyEvent& Event) {
  return QKeySequence(Event.keyCombination());
}

}  // namespace

// The editor widget of a frame: the frame's popup menu, its key-up hook and its own command
// keys besides what the editor does with its input.
class TFrameView::TWidget : public TQtEditWidget {
 public:
  TWidget(QWidget* Parent, TFrameView& Owner) : TQtEditWidget(Parent), FOwner(Owner) {}
  QMenu* Popup = nullptr;

  // Until the widget itself hands key strokes to the view: key-down, then the characters
  // typed when no command ran.
  bool DeliverKey(const TKitKeyStroke& AStroke) override {
    uint16_t key = AStroke.Key;
    const bool hadKey = key != 0;
    if (hadKey) View().KeyDown(key, AStroke.Shift);
    const bool ran = hadKey && key == 0;
    if (!ran)
      for (char16_t c : AStroke.Text) View().KeyPress(c);
    return ran || !AStroke.Text.empty();
  }

 protected:
  bool event(QEvent* Event) override {
    // A key of the frame's own commands is the frame's even where the window has a
    // shortcut for it; any other key goes to the window's shortcuts first.
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
  void contextMenuEvent(QContextMenuEvent* Event) override {
    if (!Popup) return;
    // From the keyboard the menu opens at the caret.
    QPoint at = Event->globalPos();
    if (Event->reason() != QContextMenuEvent::Mouse) {
      const QRect caret = Host().CaretRect();
      if (!caret.isNull()) at = viewport()->mapToGlobal(caret.bottomLeft());
    }
    Popup->exec(at);
  }

 private:
  QAction* FrameAction(const QKeyEvent& Event) const {
    if (!FOwner.FrameCommand || Event.isAutoRepeat()) return nullptr;
    return FOwner.FrameCommand(KeyOf(Event));
  }
  TFrameView& FOwner;
};

// The search until the view searches itself: a plain text search from the cursor.
struct TFrameView::TSearch {
  TSearchState State = ssNone;
  QString Text, With;
  bool CaseSensitive = false;
};

TFrameView::TFrameView(QWidget* Parent)
    : FDocument(std::make_unique<TKitEditDocument>()), FSearch(std::make_unique<TSearch>()) {
  FWidget = new TWidget(Parent, *this);
  FWidget->setObjectName(QStringLiteral("KitView"));
  FDocument->SetCodePage(65001);
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

QString TFrameView::Text() const { return QtStr(KitSeqToStr(FDocument->Chars())); }

QStringList TFrameView::Lines() const {
  QStringList lines;
  const int count = FDocument->LinesCount();
  lines.reserve(count);
  for (int i = 0; i < count; ++i) lines << QtStr(KitSegmentToStr(FDocument->GetLine(i)));
  return lines;
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
  font.Name = KitStr(Font.family());
  font.Size = Font.pointSize() > 0 ? Font.pointSize() : 10;
  View().SetFont(font);
}

void TFrameView::SetPopupMenu(QMenu* Menu) { FWidget->Popup = Menu; }

// ---- Search ----------------------------------------------------------------------------------

TFrameView::TSearchState TFrameView::SearchState() const { return FSearch->State; }
QString TFrameView::SearchText() const { return FSearch->Text; }

bool TFrameView::SearchFirst(const QString& Text, bool CaseSensitive) {
  FSearch->State = ssSearching;
  FSearch->Text = Text;
  FSearch->CaseSensitive = CaseSensitive;
  return SearchNext();
}

bool TFrameView::SearchNext() {
  if (FSearch->Text.isEmpty()) return false;
  TKitEditDocument& doc = *FDocument;
  const int from = View().CursorOffset();
  const int at = KitSeqFindEx(KitStr(FSearch->Text), doc.Chars(), from, doc.CharsCount() - from,
                              !FSearch->CaseSensitive);
  if (at < 0) return false;
  View().SetSelection(at, at + static_cast<int>(FSearch->Text.size()), false);
  return true;
}

bool TFrameView::StartReplace(const QString& Text, const QString& With, bool CaseSensitive) {
  FSearch->State = ssReplacing;
  FSearch->Text = Text;
  FSearch->With = With;
  FSearch->CaseSensitive = CaseSensitive;
  return SearchNext();
}

bool TFrameView::ReplaceNext() {
  if (FSearch->Text.isEmpty()) return false;
  const QString selected = QtStr(View().SelectedText());
  if (!View().IsReadOnly() && View().SelAvail() &&
      selected.compare(FSearch->Text, FSearch->CaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive) == 0)
    View().SetSelectedText(KitStr(FSearch->With));
  return SearchNext();
}

int TFrameView::ReplaceAll(const QString& Text, const QString& With, bool CaseSensitive, bool InSelection) {
  FSearch->State = ssReplacing;
  FSearch->Text = Text;
  FSearch->With = With;
  FSearch->CaseSensitive = CaseSensitive;
  if (View().IsReadOnly() || Text.isEmpty()) return 0;
  TKitEditDocument& doc = *FDocument;
  int from = 0, to = doc.CharsCount();
  if (InSelection && View().SelAvail()) {
    from = std::min(View().SelectionOffsetStart().Offset, View().SelectionOffsetEnd().Offset);
    to = std::max(View().SelectionOffsetStart().Offset, View().SelectionOffsetEnd().Offset);
  }
  const TKitString what = KitStr(Text), by = KitStr(With);
  int count = 0;
  doc.BeginCompoundEdit(false);
  try {
    for (int at; (at = KitSeqFindEx(what, doc.Chars(), from, to - from, !CaseSensitive)) >= 0 &&
                 at + static_cast<int>(what.size()) <= to;) {
      doc.Replace(at, static_cast<int>(what.size()), by);
      from = at + static_cast<int>(by.size());
      to += static_cast<int>(by.size()) - static_cast<int>(what.size());
      ++count;
    }
  } catch (...) {
    doc.EndCompoundEdit(false);
    throw;
  }
  doc.EndCompoundEdit(false);
  return count;
}

namespace {

void PushHistory(QStringList& History, const QString& Text) {
  History.removeAll(Text);
  History.prepend(Text);
}

// A minimal find and replace dialog: the text to search, in replace mode the replacement,
// and OK, Replace All (replace mode) and Cancel.
int RunPlainFindDialog(TFrameView& View, const QString& Caption, bool Replace, TSearchDlgOptions& Options) {
  QDialog dialog(View.Widget()->window());
  dialog.setWindowTitle(Caption);
  auto* form = new QFormLayout(&dialog);
  auto* search = new QComboBox;
  search->setEditable(true);
  search->addItems(Options.Searches);
  const QString selected = QtStr(View.View().SelectedText());
  if (!selected.isEmpty() && !selected.contains(QLatin1Char('\n'))) search->setEditText(selected);
  form->addRow(QStringLiteral("&Text to search"), search);
  auto* replace = new QComboBox;
  replace->setEditable(true);
  replace->addItems(Options.Replaces);
  if (Replace) form->addRow(QStringLiteral("&Replace with"), replace);
  else replace->hide();
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QPushButton* all = Replace ? buttons->addButton(QStringLiteral("Replace &All"), QDialogButtonBox::ActionRole) : nullptr;
  form->addRow(buttons);
  bool replaceAll = false;
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  if (all) QObject::connect(all, &QPushButton::clicked, &dialog, [&] {
      replaceAll = true;
      dialog.accept();
    });
  if (dialog.exec() != QDialog::Accepted || search->currentText().isEmpty()) return TFrameView::frCancelled;
  PushHistory(Options.Searches, search->currentText());
  if (Replace) PushHistory(Options.Replaces, replace->currentText());
  Options.WasReplaceAllChosen = replaceAll;
  Options.LastNumberOfReplacements = 0;
  bool found;
  if (replaceAll) {
    Options.LastNumberOfReplacements = View.ReplaceAll(search->currentText(), replace->currentText(),
                                                       Options.CaseSensitive, Options.ReplaceAllBounds == 1);
    found = Options.LastNumberOfReplacements > 0;
  } else if (Replace) {
    found = View.StartReplace(search->currentText(), replace->currentText(), Options.CaseSensitive);
  } else {
    found = View.SearchFirst(search->currentText(), Options.CaseSensitive);
  }
  return found ? TFrameView::frDone : TFrameView::frNotFound;
}

}  // namespace

int TFrameView::ShowFindDialog(const QString& Caption, bool Replace, TSearchDlgOptions& Options) {
  if (FindDialogRunner()) return FindDialogRunner()(*this, Caption, Replace, Options);
  return RunPlainFindDialog(*this, Caption, Replace, Options);
}

void TFrameView::SetFindDialogRunner(TFindDialogRunner Runner) { FindDialogRunner() = std::move(Runner); }

}  // namespace zv
