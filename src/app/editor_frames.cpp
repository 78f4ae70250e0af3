#include "app/editor_frames.h"

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
    : QFrame(Owner), FView(std::make_unique<TFrameView>(this)), FSearchOptions(std::make_unique<TSearchDlgOptions>()) {
  FView->OnStatusChanged = [this] { StatusChanged(); };
  FView->OnKeyUp = [this](int Key) { KeyUp(Key); };
  MarkAsFrame(this);
  resize(320, 240);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(FView->Widget());
  FontDispatcher().Subscribe(this, [this] { FontChanged(); });
  FontChanged();
  View().SetIndentWidth(2);

  PopUpMenu = new QMenu(this);
  PopUpMenu->setObjectName(QStringLiteral("PopUpMenu"));
  auto item = [this](const char* Name, const char* Caption, const QKeySequence& Key, std::function<void()> Run) {
    QAction* a = PopUpMenu->addAction(QString::fromLatin1(Caption));
    a->setObjectName(QLatin1String(Name));
    a->setShortcut(Key);
    connect(a, &QAction::triggered, this, [Run = std::move(Run)] { RunCommand(Run); });
    return a;
  };
  auto view = [this](void (TFrameView::*Run)()) { return [this, Run] { (View().*Run)(); }; };
  PMUndo = item("PMUndo", "Undo", QKeySequence(Qt::CTRL | Qt::Key_Z), view(&TFrameView::Undo));
  PMRedo = item("PMRedo", "Redo", {}, view(&TFrameView::Redo));
  PopUpMenu->addSeparator();
  PMCut = item("PMCut", "Cut", QKeySequence(Qt::CTRL | Qt::Key_X), view(&TFrameView::Cut));
  PMCopy = item("PMCopy", "Copy", QKeySequence(Qt::CTRL | Qt::Key_C), view(&TFrameView::Copy));
  PMPaste = item("PMPaste", "Paste", QKeySequence(Qt::CTRL | Qt::Key_V), view(&TFrameView::Paste));
  PMDelete = item("PMDelete", "Delete", {}, view(&TFrameView::DeleteSelection));
  PMSelecteAll = item("PMSelecteAll", "Select All", QKeySequence(Qt::CTRL | Qt::Key_A), view(&TFrameView::SelectAll));
  PopUpMenu->addSeparator();
  PMIndent = item("PMIndent", "Indent", {}, view(&TFrameView::Indent));
  PMUnindent = item("PMUnindent", "Unindent", {}, view(&TFrameView::Unindent));
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
  // The view takes the editing keys itself; the search keys work wherever the focus is in
  // the frame.
  for (QAction* a : {PMSearch, PMReplace}) {
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(a);
  }
  connect(PopUpMenu, &QMenu::aboutToShow, this, [this] { UpdateItems(); });
  View().SetPopupMenu(PopUpMenu);

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

bool TFrameKit::ReadOnly() const { return View().ReadOnly(); }

void TFrameKit::SetReadOnly(bool Value) {
  View().SetReadOnly(Value);
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
  if (endInView) FView->ScrollTo(0, FView->PhysicalToScrollLine(FView->LineCount() - 1));
}

int TFrameKit::LineCount() const {
  // What waits to be appended counts as appended: an empty text takes the first line.
  const int shown = FView->LineCount();
  if (FPending.isEmpty()) return shown;
  const bool empty = shown == 1 && FView->Text().isEmpty();
  return (empty ? 0 : shown) + static_cast<int>(FPending.size());
}

void TFrameKit::Clear() {
  FPending.clear();
  FView->ClearNoUndo();
  SetCurrentFileName(QString());
}

bool TFrameKit::CloseQuery() {
  if (!View().Modified()) return true;
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
}

void TFrameKit::SaveToFile(const QString& FileName) { View().SaveToFile(FileName); }

void TFrameKit::InitialLoad() {
  const QString last = ReadLastFile(FFileKey);
  if (!last.isEmpty() && QFileInfo(last).isFile()) LoadFromFile(last);
}

void TFrameKit::GotoPosAndFocus(int X, int Y) {
  UnfoldAll();
  const int line = View().PhysicalToScrollLine(Y) - 1;
  View().SetFocus();
  View().ScrollTo(X, line);
  View().SetCursor(X, line);
}

void TFrameKit::UnfoldAll() { View().UnfoldAll(); }
void TFrameKit::FoldChildsAtCursor() { View().FoldChildsAtCursor(); }
void TFrameKit::SetSytaxScheme(const std::vector<std::string>& List) { View().SetSyntaxScheme(List); }
void TFrameKit::SetColorsScheme(const std::vector<std::string>& List) { View().SetColorScheme(List); }

QAction* TFrameKit::AddMenuItem(const QString& Caption) {
  if (Caption == QLatin1String("-")) return PopUpMenu->addSeparator();
  return PopUpMenu->addAction(Caption);
}

void TFrameKit::YieldShortcut(const QKeySequence& Key) {
  for (QAction* a : PopUpMenu->actions()) {
    if (a->shortcut() != Key) continue;
    a->setShortcut(QKeySequence());
    removeAction(a);
  }
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
    SetCurrentFileName(SaveDialog.FileName);
  }
  StoreFile();
  return true;
}

void TFrameKit::StoreFile() {
  View().SaveToFile(FCurrentFileName);
  WriteLastFile(FFileKey, FCurrentFileName);
  View().SetModified(false);
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

void TFrameKit::SearchClick() {
  if (View().ShowFindDialog(QStringLiteral("Search text"), false, *FSearchOptions) == TFrameView::frNotFound)
    NotFound();
}

void TFrameKit::ReplaceClick() {
  FSearchOptions->ReplaceAllBounds = View().HasSelection() ? 1 : 0;
  const int result = View().ShowFindDialog(QStringLiteral("Replace text"), true, *FSearchOptions);
  if (result == TFrameView::frNotFound) {
    NotFound();
  } else if (result == TFrameView::frDone && FSearchOptions->WasReplaceAllChosen &&
             FSearchOptions->LastNumberOfReplacements > 0) {
    MessageDlg(this, QStringLiteral("%1 time(s) replaced.").arg(FSearchOptions->LastNumberOfReplacements),
               mtInformation, mbOK);
  }
}

void TFrameKit::NotFound() {
  MessageDlg(this, QStringLiteral("Search string '%1' not found").arg(View().SearchText()), mtInformation, mbOK);
}

void TFrameKit::SearchAgain() {
  bool found;
  switch (View().SearchState()) {
    case TFrameView::ssSearching: found = View().SearchNext(); break;
    case TFrameView::ssReplacing: found = View().ReplaceNext(); break;
    default: Prompter().Beep(); return;
  }
  if (!found) NotFound();
}

void TFrameKit::FontChanged() { View().SetFont(FontDispatcher().CurrentFont()); }

void TFrameKit::StatusChanged() {
  if (!OnEditorStatusChanged) return;
  const QPoint cursor = View().CursorPos();
  OnEditorStatusChanged(this, QStringLiteral("%1:%2").arg(cursor.x()).arg(cursor.y()));
}

void TFrameKit::KeyUp(int Key) {
  if (Key == Qt::Key_F3) RunCommand([this] { SearchAgain(); });
}

void TFrameKit::UpdateItems() {
  const bool writable = !View().ReadOnly();
  PMUndo->setEnabled(View().CanUndo());
  PMRedo->setEnabled(View().CanRedo());
  PMCut->setEnabled(View().CanCut());
  PMCopy->setEnabled(View().CanCopy());
  PMPaste->setEnabled(View().CanPaste());
  for (QAction* a : {PMDelete, PMIndent, PMUnindent, PMNew}) a->setEnabled(writable);
  PMSave->setEnabled(!FCurrentFileName.isEmpty());
  for (QAction* a : PopUpMenu->actions())
    if (Tag(a) > 0) a->setEnabled(false);
}

// ---- TFrameLog ---------------------------------------------------------------------------------

TFrameLog::TFrameLog(QWidget* Owner) : TFrameKit(Owner) {
  PMLoad->setData(1);
  PMReplace->setData(1);
  SetReadOnly(true);
}

void TFrameLog::AppendLines(const std::vector<std::string>& Lines) { AddLines(Lines); }

int TFrameLog::LineCount() const { return TFrameKit::LineCount(); }

// ---- TFrameDeviceEditor ------------------------------------------------------------------------

TFrameDeviceEditor::TFrameDeviceEditor(QWidget* Owner) : TFrameKit(Owner) {
  SetColorsScheme(ColorSchemeLines());
  RegisterDeviceClasses();
  SetSytaxScheme(TKitSupport::GetKitSchema());
  AddMenuItem(QStringLiteral("-"));
  connect(AddMenuItem(QStringLiteral("Fold childs")), &QAction::triggered, this, [this] { FoldChildsAtCursor(); });
  connect(AddMenuItem(QStringLiteral("Unfold All")), &QAction::triggered, this, [this] { UnfoldAll(); });
}

std::vector<std::string> TFrameDeviceEditor::ColorSchemeLines() {
  return {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
          "<Attributes>",
          "<Token name=\"default\" textColor=\"#0\" />",
          "<Token name=\"string\" textColor=\"#800080\" />",
          "<Token name=\"keyword\" fontStyle=\"bold\" />",
          "<Token name=\"comment\"  textColor=\"#0000FF\" />",
          "</Attributes>"};
}

}  // namespace zv
