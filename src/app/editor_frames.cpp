#include "app/editor_frames.h"

#include <algorithm>

#include <QAction>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QVBoxLayout>

#include "app/application.h"
#include "app/font_dispatcher.h"
#include "app/form_base.h"
#include "app/frame_view.h"
#include "app/last_files.h"
#include "kit/editor/device_schemes.h"
#include "kit/editor/qt/find_dialog.h"
#include "cosem/basic_classes.h"
#include "cosem/comm_classes.h"
#include "cosem/core_classes.h"
#include "cosem/logical_device.h"
#include "cosem/meter_classes.h"
#include "foundation/axdr_types.h"
#include "foundation/kit_support.h"
#include "security/key_info_options.h"

namespace zv {

namespace {

int Tag(const QAction* Item) { return Item->data().toInt(); }

// Appended lines the view takes in one turn of the event loop.
constexpr qsizetype kFlushLines = 20000;

// The classes a device description is made of: their names are the keywords of the device
// syntax scheme and their elements its folding blocks.
void RegisterDeviceClasses() {
  [[maybe_unused]] static const bool registered = [] {
    for (const TypeTable* table : {&FoundationTypes(), &BasicClassTypes(), &MeterClassTypes(), &CommunicationTypes(),
                                   &CoreClassTypes(), &SecurityTypes(), &CosemTypes()})
      TKitSupport::AddTypeTable(*table);
    return true;
  }();
}

}  // namespace

// ---- TFrameKit ---------------------------------------------------------------------------------

TFrameKit::TFrameKit(QWidget* Owner)
    : QFrame(Owner), FView(std::make_unique<TFrameView>(this)), FSearchOptions(std::make_unique<TKitEditSearchDlgOptions>()) {
  TKitEditView& view = FView->View();
  view.SetViewSettings({vsShowWrapRuler, vsHideShowScrollbars, vsHighlightSelectedLine, vsAutoIndent,
                        vsRightClickMovesCursor, vsBackspaceUnindents});
  view.SetSyntaxCheckTokens({u"comment string text"});
  view.CompletionSettings().SetCompletionType(ctCustomOwnerDrawVariable);
  // Taken as written, backslashes included.
  view.CompletionSettings().SetWordSeparators(uR"([](){};.,''\"#@&*!^:+=/\\~`%|)");
  // The list offers the words of the text: the custom kind lists nothing without a filler.
  // Ending a word takes none of them by itself; what the user typed stays as typed.
  view.OnFillCompletionList = [](TObject*, TKitStringList&, const TKitPoint&, TKitEditFillCompletionCause Cause,
                                 const TKitString&, TKitPoint&, bool& Handled) { Handled = Cause == fcWordEnd; };
  FView->OnStatusChanged = [this] { StatusChanged(); };
  FView->OnKeyUp = [this](int Key) { KeyUp(Key); };
  FView->FrameCommand = [this](const QKeySequence& Key) { return FrameCommand(Key); };
  TKitGutterBars& bars = view.Gutter().Bars();
  for (int i = 0; i < bars.Count(); ++i) {
    TKitGutterBar* bar = bars.Items(i);
    bar->SetVisible(bar->Kind() == gbLineNumberBar || bar->Kind() == gbFoldBar);
  }
  // The system's colours: a dark desktop gets a dark editor.
  view.SetReadOnlyBgColor(clWindow);
  view.SetColor(clWindow);
  MarkAsFrame(this);
  resize(320, 240);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(FView->Widget());
  FontDispatcher().Subscribe(this, [this] { FontChanged(); });
  FontChanged();
  view.SetIndentWidth(2);

  PopUpMenu = new QMenu(this);
  PopUpMenu->setObjectName(QStringLiteral("PopUpMenu"));
  auto item = [this](const char* Name, const char* Caption, const QKeySequence& Key, std::function<void()> Run) {
    QAction* a = PopUpMenu->addAction(QString::fromLatin1(Caption));
    a->setObjectName(QLatin1String(Name));
    // The keys are shown in the menu; the editor takes them itself (FrameCommand, the
    // view's key bindings), so no shortcut of the menu competes with the window's.
    a->setShortcut(Key);
    a->setShortcutContext(Qt::WidgetShortcut);
    connect(a, &QAction::triggered, this, [Run = std::move(Run)] { RunCommand(Run); });
    return a;
  };
  auto command = [this](TKitEditCommand Command) { return [this, Command] { View().View().InvokeCommand(Command); }; };
  PMUndo = item("PMUndo", "Undo", QKeySequence(Qt::CTRL | Qt::Key_Z), command(sedUndo));
  PMRedo = item("PMRedo", "Redo", {}, command(sedRedo));
  PopUpMenu->addSeparator();
  PMCut = item("PMCut", "Cut", QKeySequence(Qt::CTRL | Qt::Key_X), command(sedCut));
  PMCopy = item("PMCopy", "Copy", QKeySequence(Qt::CTRL | Qt::Key_C), command(sedCopy));
  PMPaste = item("PMPaste", "Paste", QKeySequence(Qt::CTRL | Qt::Key_V), command(sedPaste));
  PMDelete = item("PMDelete", "Delete", {}, [this] { View().View().DeleteSelected(); });
  PMSelecteAll = item("PMSelecteAll", "Select All", QKeySequence(Qt::CTRL | Qt::Key_A), command(sedSelectAll));
  PopUpMenu->addSeparator();
  PMIndent = item("PMIndent", "Indent", {}, command(sedIndent));
  PMUnindent = item("PMUnindent", "Unindent", {}, command(sedUnIndent));
  PopUpMenu->addSeparator();
  PMSearch = item("PMSearch", "Search...", QKeySequence(Qt::CTRL | Qt::Key_F), [this] { SearchClick(); });
  PMReplace = item("PMReplace", "Replace...", QKeySequence(Qt::CTRL | Qt::Key_R), [this] { ReplaceClick(); });
  PopUpMenu->addSeparator();
  PMNew = item("PMNew", "New", {}, [this] {
    if (CloseQuery()) Clear();
  });
  PMLoad = item("PMLoad", "Load...", {}, [this] { LoadClick(); });
  // Saves as StoreFile does: the text is then no longer modified and is the last file.
  PMSave = item("PMSave", "Save", {}, [this] { StoreFile(); });
  PMSaveAs = item("PMSaveAs", "Save as...", {}, [this] { SaveFile(true); });
  connect(PopUpMenu, &QMenu::aboutToShow, this, [this] { UpdateItems(); });
  FView->SetPopupMenu(PopUpMenu);

  SaveDialog.Kind = TFileDialog::fdSave;
  SaveDialog.OverwritePrompt = true;
  OpenDialog.Kind = TFileDialog::fdOpen;
  UpdateItems();
}

TFrameKit::~TFrameKit() { FontDispatcher().UnSubscribe(this); }

void TFrameKit::SetFileExtension(const QString& Extension) {
  FFileExtension = Extension;
  SaveDialog.Filter = OpenDialog.Filter = QStringLiteral("*.%1|*.%1").arg(Extension);
}

bool TFrameKit::ReadOnly() const { return View().View().ReadOnly(); }

void TFrameKit::SetReadOnly(bool Value) {
  View().View().SetReadOnly(Value);
  UpdateItems();
}

QString TFrameKit::Text() const { return View().Text(); }
QStringList TFrameKit::Lines() const { return View().Lines(); }

void TFrameKit::AddLine(const QString& S) { AddLines(QStringList{S}); }

void TFrameKit::AddLines(const std::vector<std::string>& List) {
  QStringList lines;
  lines.reserve(static_cast<qsizetype>(List.size()));
  for (const std::string& line : List) lines << QString::fromStdString(line);
  AddLines(lines);
}

void TFrameKit::AddLines(const QStringList& List) {
  if (List.isEmpty()) return;
  FPending += List;
  PostFlush();
}

void TFrameKit::PostFlush() {
  if (FFlushPosted) return;
  FFlushPosted = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        FFlushPosted = false;
        // A flood is shown a part per turn of the event loop, so the window keeps answering.
        Flush(kFlushLines);
        if (!FPending.isEmpty()) PostFlush();
      },
      Qt::QueuedConnection);
}

void TFrameKit::Flush(qsizetype Most) const {
  if (FPending.isEmpty()) return;
  // Taken first: the view's status reports of the edit come back here.
  QStringList lines;
  if (FPending.size() <= Most) {
    lines.swap(FPending);
  } else {
    lines = FPending.first(Most);
    FPending.remove(0, Most);
  }
  const bool endInView = FView->TopLine() + FView->LinesOnScreen() >= FView->LineCount();
  FView->AppendLines(lines);
  // The last line at the bottom, as a log is watched.
  TKitEditView& view = FView->View();
  if (endInView) view.ScrollToPos({0, view.PhysicalToScroll(FView->LineCount() - 1)}, false);
}

int TFrameKit::LineCount() const {
  // What waits to be appended counts as appended: an empty text takes the first line.
  const int shown = FView->LineCount();
  if (FPending.isEmpty()) return shown;
  const bool empty = FView->Document().CharsCount() == 0;
  return (empty ? 0 : shown) + static_cast<int>(FPending.size());
}

void TFrameKit::Clear() {
  FPending.clear();
  FView->Clear();
  SetCurrentFileName(QString());
  StatusChanged();
}

bool TFrameKit::CloseQuery() {
  if (!View().Document().Modified()) return true;
  switch (MessageDlg(this, QStringLiteral("%1 file not saved, save?").arg(FFileKey), mtConfirmation,
                     mbYes | mbNo | mbCancel)) {
    case mrYes: return SaveFile(false);
    case mrNo: return true;
    default: return false;
  }
}

void TFrameKit::LoadFromFile(const QString& FileName) {
  View().LoadFromFile(FileName);
  SetCurrentFileName(FileName);
  // The encoding the file came in is part of the status.
  StatusChanged();
}

void TFrameKit::SaveToFile(const QString& FileName) { View().Document().SaveToFile(FromQString(FileName)); }

void TFrameKit::InitialLoad() {
  const QString last = ReadLastFile(FFileKey);
  if (!last.isEmpty() && QFileInfo(last).isFile()) LoadFromFile(last);
}

void TFrameKit::GotoPosAndFocus(int X, int Y) {
  UnfoldAll();
  TKitEditView& view = View().View();
  TKitEditDocument& doc = View().Document();
  // X counts the characters of the line: the view's column differs after a tab, on a
  // wrapped line and after a character of two UTF-16 units, its offset does not.
  const TKitSegment line = doc.GetLine(std::clamp(Y - 1, 0, doc.LinesCount() - 1));
  int i = 0;
  for (int chars = 0; chars < X && i < line.Count; ++chars)
    i += QChar::isHighSurrogate(KitSegmentChar(line, i)) && i + 1 < line.Count &&
                 QChar::isLowSurrogate(KitSegmentChar(line, i + 1))
             ? 2
             : 1;
  const TKitPoint at = view.OffsetToScrollPos(line.Start + i);
  View().Widget()->setFocus();
  view.ScrollToPos(at);
  view.SetCursorPos(at);
}

void TFrameKit::UnfoldAll() { View().View().UnfoldAllIn(-1, false); }

void TFrameKit::FoldChildsAtCursor() {
  TKitEditView& view = View().View();
  const int line = View().CursorLine();
  if (view.IsFoldStart(line)) view.FoldAllIn(line, false);
}

namespace {

// The lines of a list as one text of the editor.
TKitString SchemeText(const std::vector<std::string>& List) {
  std::string text;
  for (const std::string& line : List) text += line + "\r\n";
  return FromQString(QString::fromStdString(text));
}

}  // namespace

void TFrameKit::SetSytaxScheme(const std::vector<std::string>& List) {
  KitSetSyntaxScheme(View().Document(), u"syntax", SchemeText(List));
}

void TFrameKit::SetColorsScheme(const std::vector<std::string>& List) {
  KitSetColorScheme(View().Document(), u"colors", SchemeText(List));
}

QAction* TFrameKit::AddMenuItem(const QString& Caption) {
  if (Caption == QLatin1String("-")) return PopUpMenu->addSeparator();
  return PopUpMenu->addAction(Caption);
}

void TFrameKit::YieldShortcut(const QKeySequence& Key) {
  for (QAction* a : {PMSearch, PMReplace})
    if (a->shortcut() == Key) a->setShortcut(QKeySequence());
  FYielded << Key;
  FView->SetWindowShortcuts(FYielded);
}

QAction* TFrameKit::FrameCommand(const QKeySequence& Key) const {
  for (QAction* a : {PMSearch, PMReplace})
    if (!a->shortcut().isEmpty() && a->shortcut() == Key) return a;
  return nullptr;
}

void TFrameKit::SetCurrentFileName(const QString& FileName) {
  FCurrentFileName = FileName;
  UpdateItems();
  if (OnFileNameChanged) OnFileNameChanged(this);
}

bool TFrameKit::SaveFile(bool AskName) {
  if (AskName || FCurrentFileName.isEmpty()) {
    SaveDialog.Title = QStringLiteral("Save %1 file").arg(FFileKey);
    if (!ExecuteFileDialog(this, SaveDialog, FFileKey)) return false;
    const QString previous = FCurrentFileName;
    SetCurrentFileName(SaveDialog.FileName);
    try {
      StoreFile();
    } catch (...) {
      // The text does not belong to a file that could not be written.
      SetCurrentFileName(previous);
      throw;
    }
    return true;
  }
  StoreFile();
  return true;
}

void TFrameKit::StoreFile() {
  SaveToFile(FCurrentFileName);
  WriteLastFile(FFileKey, FCurrentFileName);
  View().Document().SetModified(false);
}

void TFrameKit::LoadClick() {
  if (!CloseQuery()) return;
  OpenDialog.Title = QStringLiteral("Open %1 file").arg(FFileKey);
  const QString last = ReadLastFile(FFileKey);
  if (!last.isEmpty()) {
    QFileInfo info(last);
    OpenDialog.FileName = info.fileName();
    OpenDialog.InitialDir = info.path();
  }
  if (ExecuteFileDialog(this, OpenDialog, FFileKey)) LoadFromFile(OpenDialog.FileName);
}

namespace {

// The answers of the find and replace dialog.
enum TFindResult : uint8_t { frDone = 0, frNotFound = 1, frCancelled = 2 };

}  // namespace

void TFrameKit::SearchClick() {
  if (KitShowFindDialog(u"Search text", &View().View(), *FSearchOptions) == frNotFound) NotFound();
}

void TFrameKit::ReplaceClick() {
  FSearchOptions->ReplaceAllBounds = View().View().SelAvail() ? rbSelection : rbAllText;
  const uint8_t result = KitShowReplaceDialog(u"Replace text", &View().View(), *FSearchOptions);
  if (result == frNotFound) {
    NotFound();
  } else if (result == frDone && FSearchOptions->WasReplaceAllChosen && FSearchOptions->LastNumberOfReplacements > 0) {
    MessageDlg(this, QStringLiteral("%1 time(s) replaced.").arg(FSearchOptions->LastNumberOfReplacements),
               mtInformation, mbOK);
  }
}

void TFrameKit::NotFound() {
  MessageDlg(this, QStringLiteral("Search string '%1' not found").arg(ToQString(View().View().SearchLastArgs().Search)),
             mtInformation, mbOK);
}

void TFrameKit::SearchAgain() {
  TKitEditView& view = View().View();
  bool found;
  switch (view.SearchState()) {
    case stInSearch: found = view.SearchNext(); break;
    case stInReplace: found = view.ReplaceNext(); break;
    default: Prompter().Beep(); return;
  }
  if (!found) NotFound();
}

void TFrameKit::FontChanged() { FView->SetFont(FontDispatcher().CurrentFont()); }

void TFrameKit::StatusChanged() {
  if (!OnEditorStatusChanged) return;
  const QPoint cursor = View().CursorPos();
  QString text = QStringLiteral("%1:%2").arg(cursor.x()).arg(cursor.y());
  // A text that is not saved as UTF-8 says so.
  if (const QString encoding = View().OtherEncoding(); !encoding.isEmpty()) text += QLatin1Char(' ') + encoding;
  OnEditorStatusChanged(this, text);
}

void TFrameKit::KeyUp(int Key) {
  // In incremental search the press itself was the view's next match.
  if (Key == Qt::Key_F3 && !View().View().InIncrementalSearch()) RunCommand([this] { SearchAgain(); });
}

void TFrameKit::UpdateItems() {
  TKitEditView& view = View().View();
  const bool writable = !view.ReadOnly();
  PMUndo->setEnabled(view.CanUndo());
  PMRedo->setEnabled(view.CanRedo());
  PMCut->setEnabled(view.CanCut());
  PMCopy->setEnabled(view.CanCopy());
  PMPaste->setEnabled(view.CanPaste());
  for (QAction* a : {PMDelete, PMIndent, PMUnindent, PMNew}) a->setEnabled(writable);
  PMSave->setEnabled(!FCurrentFileName.isEmpty());
  for (QAction* a : PopUpMenu->actions())
    if (Tag(a) > 0) a->setEnabled(false);
}

// ---- TFrameLog ---------------------------------------------------------------------------------

TFrameLog::TFrameLog(QWidget* Owner) : TFrameKit(Owner) {
  // Nobody undoes the log: what the logger appends keeps no history.
  KitView().Document().SetUndoLimit(0);
  PMLoad->setData(1);
  PMReplace->setData(1);
  SetReadOnly(true);
}

void TFrameLog::AppendLines(const std::vector<std::string>& Lines) { AddLines(Lines); }

int TFrameLog::LineCount() const { return TFrameKit::LineCount(); }

// ---- TFrameDeviceEditor ------------------------------------------------------------------------

TFrameDeviceEditor::TFrameDeviceEditor(QWidget* Owner) : TFrameKit(Owner) {
  // The colours first, then the syntax, which loads the pair.
  RegisterDeviceClasses();
  KitSetDeviceSchemes(KitView().Document());
  AddMenuItem(QStringLiteral("-"));
  connect(AddMenuItem(QStringLiteral("Fold childs")), &QAction::triggered, this, [this] { FoldChildsAtCursor(); });
  connect(AddMenuItem(QStringLiteral("Unfold All")), &QAction::triggered, this, [this] { UnfoldAll(); });
}

}  // namespace zv
