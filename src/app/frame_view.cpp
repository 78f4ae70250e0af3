// INTERIM: the frames' view over a plain text edit, until the syntax editor's view lands.
#include "app/frame_view.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

#include "foundation/errors.h"

namespace zv {

namespace {

class TInterimEdit : public QPlainTextEdit {
 public:
  explicit TInterimEdit(QWidget* Parent) : QPlainTextEdit(Parent) {}
  std::function<void(int)>* KeyUp = nullptr;
  QMenu* Popup = nullptr;

 protected:
  void keyReleaseEvent(QKeyEvent* Event) override {
    QPlainTextEdit::keyReleaseEvent(Event);
    if (!Event->isAutoRepeat() && KeyUp && *KeyUp) (*KeyUp)(Event->key());
  }
  void contextMenuEvent(QContextMenuEvent* Event) override {
    if (!Popup) return;
    if (Event->reason() == QContextMenuEvent::Mouse) {
      QTextCursor hit = cursorForPosition(Event->pos());
      QTextCursor current = textCursor();
      if (!current.hasSelection() || hit.position() < current.selectionStart() ||
          hit.position() > current.selectionEnd())
        setTextCursor(hit);
    }
    Popup->exec(Event->globalPos());
  }
};

TFrameView::TFindDialogRunner& FindDialogRunner() {
  static TFrameView::TFindDialogRunner runner;
  return runner;
}

QTextDocument::FindFlags Flags(bool CaseSensitive) {
  return CaseSensitive ? QTextDocument::FindCaseSensitively : QTextDocument::FindFlags();
}

bool SameText(const QString& A, const QString& B, bool CaseSensitive) {
  return A.compare(B, CaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive) == 0;
}

void PushHistory(QStringList& History, const QString& Text) {
  History.removeAll(Text);
  History.prepend(Text);
}

// A minimal find and replace dialog: the text to search, in replace mode the replacement,
// and OK, Replace All (replace mode) and Cancel.
int RunInterimFindDialog(TFrameView& View, const QString& Caption, bool Replace, TSearchDlgOptions& Options) {
  QDialog dialog(View.Widget()->window());
  dialog.setWindowTitle(Caption);
  auto* form = new QFormLayout(&dialog);
  auto* search = new QComboBox;
  search->setEditable(true);
  search->addItems(Options.Searches);
  QString selected = View.HasSelection() ? static_cast<QPlainTextEdit*>(View.Widget())->textCursor().selectedText()
                                         : QString();
  if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator)) search->setEditText(selected);
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

struct TFrameView::TState {
  TInterimEdit* Edit;
  QMenu* Popup = nullptr;
  int IndentWidth = 2;
  // How the loaded file broke its lines and whether it began with a byte-order mark.
  QString LineBreak = QStringLiteral("\n");
  bool Preamble = false;
  TSearchState Search = ssNone;
  QString SearchText, ReplaceText;
  bool CaseSensitive = false;
  std::vector<std::string> SyntaxScheme, ColorScheme;
};

TFrameView::TFrameView(QWidget* Parent) : F(std::make_unique<TState>()) {
  F->Edit = new TInterimEdit(Parent);
  F->Edit->setObjectName(QStringLiteral("KitView"));
  F->Edit->setLineWrapMode(QPlainTextEdit::NoWrap);
  F->Edit->KeyUp = &OnKeyUp;
  auto status = [this] {
    if (OnStatusChanged) OnStatusChanged();
  };
  QObject::connect(F->Edit, &QPlainTextEdit::cursorPositionChanged, F->Edit, status);
  QObject::connect(F->Edit, &QPlainTextEdit::textChanged, F->Edit, status);
}

// The edit goes with its view, so that nothing it signals while it goes reaches a view that
// is gone.
TFrameView::~TFrameView() {
  QObject::disconnect(F->Edit, nullptr, nullptr, nullptr);
  F->Edit->KeyUp = nullptr;
  delete F->Edit;
}

QWidget* TFrameView::Widget() const { return F->Edit; }

QString TFrameView::Text() const { return F->Edit->toPlainText(); }

QStringList TFrameView::Lines() const { return Text().split(QLatin1Char('\n')); }

int TFrameView::LineCount() const { return F->Edit->document()->blockCount(); }

void TFrameView::AppendLines(const QStringList& Lines) {
  if (Lines.isEmpty()) return;
  QTextDocument* doc = F->Edit->document();
  const bool empty = doc->isEmpty();
  QTextCursor cursor(doc);
  cursor.movePosition(QTextCursor::End);
  QString text;
  qsizetype size = empty ? 0 : 1;
  for (const QString& line : Lines) size += line.size() + 1;
  text.reserve(size);
  if (!empty) text += QLatin1Char('\n');
  text += Lines.join(QLatin1Char('\n'));
  cursor.insertText(text);
}

void TFrameView::ClearNoUndo() {
  F->Edit->document()->clear();
  F->Search = ssNone;
}

bool TFrameView::Modified() const { return F->Edit->document()->isModified(); }
void TFrameView::SetModified(bool Value) { F->Edit->document()->setModified(Value); }

void TFrameView::LoadFromFile(const QString& FileName) {
  QFile file(FileName);
  if (!file.open(QIODevice::ReadOnly))
    throw Exception("Cannot open file \"" + FileName.toStdString() + "\". " + file.errorString().toStdString());
  QByteArray bytes = file.readAll();
  F->Preamble = bytes.startsWith("\xEF\xBB\xBF");
  QString text = QString::fromUtf8(F->Preamble ? bytes.mid(3) : bytes);
  const qsizetype cr = text.indexOf(QLatin1Char('\r')), lf = text.indexOf(QLatin1Char('\n'));
  if (cr >= 0 && (lf < 0 || cr < lf))
    F->LineBreak = lf == cr + 1 ? QStringLiteral("\r\n") : QStringLiteral("\r");
  else
    F->LineBreak = QStringLiteral("\n");
  text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
  F->Edit->setPlainText(text);  // no undo history
  F->Edit->document()->setModified(false);
  F->Search = ssNone;
}

void TFrameView::SaveToFile(const QString& FileName) const {
  QString text = Text();
  if (F->LineBreak != QLatin1String("\n")) text.replace(QLatin1Char('\n'), F->LineBreak);
  QByteArray bytes = text.toUtf8();
  if (F->Preamble && !bytes.isEmpty()) bytes.prepend("\xEF\xBB\xBF");
  QFile file(FileName);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
    throw Exception("Cannot create file \"" + FileName.toStdString() + "\". " + file.errorString().toStdString());
  F->Edit->document()->setModified(false);
}

bool TFrameView::ReadOnly() const { return F->Edit->isReadOnly(); }

void TFrameView::SetReadOnly(bool Value) {
  F->Edit->setReadOnly(Value);
  // The caret still moves through a read-only text; nothing typed is undone there, so the
  // stand-in keeps no history of what is appended (the log grows without bound otherwise).
  if (Value) F->Edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  F->Edit->setUndoRedoEnabled(!Value);
}

void TFrameView::SetFont(const QFont& Font) {
  F->Edit->setFont(Font);
  F->Edit->viewport()->update();
}

int TFrameView::TopLine() const { return F->Edit->verticalScrollBar()->value(); }

int TFrameView::LinesOnScreen() const {
  const int line = std::max(1, F->Edit->fontMetrics().lineSpacing());
  return std::max(1, F->Edit->viewport()->height() / line);
}

int TFrameView::PhysicalToScrollLine(int Line) const { return Line; }

void TFrameView::ScrollTo(int Column, int ScrollLine) {
  QScrollBar* bar = F->Edit->verticalScrollBar();
  const int top = bar->value(), screen = LinesOnScreen();
  if (ScrollLine < top) bar->setValue(ScrollLine);
  else if (ScrollLine >= top + screen) bar->setValue(ScrollLine - screen + 1);
  QScrollBar* across = F->Edit->horizontalScrollBar();
  const int x = Column * F->Edit->fontMetrics().averageCharWidth();
  const int width = F->Edit->viewport()->width();
  if (Column == 0 || x < across->value()) across->setValue(x);
  else if (x >= across->value() + width) across->setValue(x - width / 2);
}

void TFrameView::SetCursor(int Column, int ScrollLine) {
  QTextBlock block = F->Edit->document()->findBlockByNumber(std::clamp(ScrollLine, 0, LineCount() - 1));
  QTextCursor cursor(block);
  cursor.setPosition(block.position() + std::clamp(Column, 0, block.length() - 1));
  F->Edit->setTextCursor(cursor);
}

void TFrameView::SetFocus() { F->Edit->setFocus(); }

QPoint TFrameView::CursorPos() const {
  QTextCursor cursor = F->Edit->textCursor();
  return QPoint(cursor.positionInBlock(), cursor.blockNumber());
}

void TFrameView::SetPopupMenu(QMenu* Menu) { F->Edit->Popup = Menu; }

bool TFrameView::CanUndo() const { return !ReadOnly() && F->Edit->document()->isUndoAvailable(); }
bool TFrameView::CanRedo() const { return !ReadOnly() && F->Edit->document()->isRedoAvailable(); }
bool TFrameView::CanCut() const { return !ReadOnly() && HasSelection(); }
bool TFrameView::CanCopy() const { return HasSelection(); }
bool TFrameView::CanPaste() const { return !ReadOnly() && F->Edit->canPaste(); }
bool TFrameView::HasSelection() const { return F->Edit->textCursor().hasSelection(); }
void TFrameView::Undo() { F->Edit->undo(); }
void TFrameView::Redo() { F->Edit->redo(); }
void TFrameView::Cut() { F->Edit->cut(); }
void TFrameView::Copy() { F->Edit->copy(); }
void TFrameView::Paste() { F->Edit->paste(); }
void TFrameView::SelectAll() { F->Edit->selectAll(); }
void TFrameView::SetIndentWidth(int Width) { F->IndentWidth = Width; }

void TFrameView::DeleteSelection() {
  if (ReadOnly()) return;
  QTextCursor cursor = F->Edit->textCursor();
  cursor.removeSelectedText();
  F->Edit->setTextCursor(cursor);
}

namespace {

// Runs Change on every line the selection touches (the cursor's line without one), as one
// undoable step.
template <class TChange>
void ForSelectedLines(QPlainTextEdit* Edit, TChange Change) {
  QTextCursor cursor = Edit->textCursor();
  QTextDocument* doc = Edit->document();
  const int first = doc->findBlock(cursor.selectionStart()).blockNumber();
  int last = doc->findBlock(cursor.selectionEnd()).blockNumber();
  // A selection ending at the start of a line does not take that line.
  if (last > first && doc->findBlock(cursor.selectionEnd()).position() == cursor.selectionEnd()) --last;
  QTextCursor edit(doc);
  edit.beginEditBlock();
  for (int n = first; n <= last; ++n) {
    QTextBlock block = doc->findBlockByNumber(n);
    edit.setPosition(block.position());
    Change(edit, block);
  }
  edit.endEditBlock();
}

}  // namespace

void TFrameView::Indent() {
  if (ReadOnly()) return;
  const QString blanks(F->IndentWidth, QLatin1Char(' '));
  ForSelectedLines(F->Edit, [&](QTextCursor& At, const QTextBlock&) { At.insertText(blanks); });
}

void TFrameView::Unindent() {
  if (ReadOnly()) return;
  ForSelectedLines(F->Edit, [&](QTextCursor& At, const QTextBlock& Block) {
    const QString text = Block.text();
    int n = 0;
    while (n < F->IndentWidth && n < text.size() && text[n] == QLatin1Char(' ')) ++n;
    At.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor, n);
    At.removeSelectedText();
  });
}

TFrameView::TSearchState TFrameView::SearchState() const { return F->Search; }
QString TFrameView::SearchText() const { return F->SearchText; }

bool TFrameView::SearchFirst(const QString& Text, bool CaseSensitive) {
  F->Search = ssSearching;
  F->SearchText = Text;
  F->CaseSensitive = CaseSensitive;
  return SearchNext();
}

bool TFrameView::StartReplace(const QString& Text, const QString& With, bool CaseSensitive) {
  F->Search = ssReplacing;
  F->SearchText = Text;
  F->ReplaceText = With;
  F->CaseSensitive = CaseSensitive;
  return F->Edit->find(Text, Flags(CaseSensitive));
}

bool TFrameView::SearchNext() {
  if (F->SearchText.isEmpty()) return false;
  return F->Edit->find(F->SearchText, Flags(F->CaseSensitive));
}

bool TFrameView::ReplaceNext() {
  if (F->SearchText.isEmpty()) return false;
  QTextCursor cursor = F->Edit->textCursor();
  if (!ReadOnly() && cursor.hasSelection() && SameText(cursor.selectedText(), F->SearchText, F->CaseSensitive)) {
    cursor.insertText(F->ReplaceText);
    F->Edit->setTextCursor(cursor);
  }
  return F->Edit->find(F->SearchText, Flags(F->CaseSensitive));
}

int TFrameView::ReplaceAll(const QString& Text, const QString& With, bool CaseSensitive, bool InSelection) {
  F->Search = ssReplacing;
  F->SearchText = Text;
  F->ReplaceText = With;
  F->CaseSensitive = CaseSensitive;
  if (ReadOnly() || Text.isEmpty()) return 0;
  QTextDocument* doc = F->Edit->document();
  const QTextCursor selection = F->Edit->textCursor();
  int from = 0, to = -1;
  if (InSelection && selection.hasSelection()) {
    from = selection.selectionStart();
    to = selection.selectionEnd();
  }
  QTextCursor edit(doc);
  edit.beginEditBlock();
  int count = 0;
  for (QTextCursor hit = doc->find(Text, from, Flags(CaseSensitive));
       !hit.isNull() && (to < 0 || hit.selectionEnd() <= to); hit = doc->find(Text, hit, Flags(CaseSensitive))) {
    hit.insertText(With);
    if (to >= 0) to += static_cast<int>(With.size() - Text.size());
    ++count;
  }
  edit.endEditBlock();
  return count;
}

int TFrameView::ShowFindDialog(const QString& Caption, bool Replace, TSearchDlgOptions& Options) {
  if (FindDialogRunner()) return FindDialogRunner()(*this, Caption, Replace, Options);
  return RunInterimFindDialog(*this, Caption, Replace, Options);
}

void TFrameView::SetFindDialogRunner(TFindDialogRunner Runner) { FindDialogRunner() = std::move(Runner); }

void TFrameView::SetSyntaxScheme(const std::vector<std::string>& Lines) { F->SyntaxScheme = Lines; }
void TFrameView::SetColorScheme(const std::vector<std::string>& Lines) { F->ColorScheme = Lines; }
const std::vector<std::string>& TFrameView::SyntaxScheme() const { return F->SyntaxScheme; }
const std::vector<std::string>& TFrameView::ColorScheme() const { return F->ColorScheme; }
void TFrameView::UnfoldAll() {}
void TFrameView::FoldChildsAtCursor() {}

}  // namespace zv
