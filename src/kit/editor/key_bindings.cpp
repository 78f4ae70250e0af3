#include "kit/editor/key_bindings.h"

#include "kit/editor/edit_view.h"

namespace zv {

namespace {

constexpr TKitShiftState kNone = 0;
constexpr TKitShiftState kS = KitShift(ssShift);
constexpr TKitShiftState kC = KitShift(ssCtrl);
constexpr TKitShiftState kA = KitShift(ssAlt);
constexpr TKitShiftState kSC = kS | kC;
constexpr TKitShiftState kSA = kS | kA;
constexpr TKitShiftState kAC = kA | kC;
constexpr TKitShiftState kSAC = kS | kA | kC;

const TKitEditCommandModes kView{cmForView};
const TKitEditCommandModes kViewInc{cmForView, cmForIncSearch};
const TKitEditCommandModes kCompl{cmForCompletion};
const TKitEditCommandModes kInc{cmForIncSearch};

std::vector<TDefaultKeyBinding> BuildDefaultTable() {
  constexpr uint16_t C = 67, A = 65, E = 69, I = 73, K = 75, U = 85, V = 86, X = 88, Y = 89, Z = 90;
  const char16_t* mv = u"Movement";
  const char16_t* sel = u"Selection";
  const char16_t* blk = u"Selection (block mode)";
  const char16_t* del = u"Deletion";
  const char16_t* clip = u"Clipboard";
  const char16_t* ind = u"Indentation";
  const char16_t* inc = u"Incremental search";
  const char16_t* oth = u"Other";
  const char16_t* none = u"";
  return {
      {kVkUp, kNone, u"Move up", mv, true, kViewInc, sedUp},
      {kVkUp, kS, u"Widen selection up by line", sel, true, kViewInc, sedSelectUp},
      {kVkUp, kC, u"Scroll screen up by line", mv, true, kViewInc, sedScrollUp},
      {kVkDown, kNone, u"Move down", mv, true, kViewInc, sedDown},
      {kVkDown, kS, u"Widen selection down by line", sel, true, kViewInc, sedSelectDown},
      {kVkDown, kC, u"Scroll screen down by line", mv, true, kViewInc, sedScrollDown},
      {kVkLeft, kNone, u"Move left", mv, true, kViewInc, sedLeft},
      {kVkLeft, kS, u"Widen selection left by char", sel, true, kViewInc, sedSelectLeft},
      {kVkLeft, kC, u"Move to prev word", mv, true, kViewInc, sedPrevWord},
      {kVkLeft, kSC, u"Widen selection left by word", sel, true, kViewInc, sedSelectPrevWord},
      {kVkRight, kNone, u"Move right", mv, true, kViewInc, sedRight},
      {kVkRight, kS, u"Widen selection right by char", sel, true, kViewInc, sedSelectRight},
      {kVkRight, kSC, u"Widen selection right by word", sel, true, kViewInc, sedSelectNextWord},
      {kVkRight, kC, u"Move to next word", mv, true, kViewInc, sedNextWord},
      {kVkInsert, kNone, u"Toggle overwrite mode", oth, true, kView, sedToggleOverwrite},
      {kVkInsert, kC, u"Copy selection", clip, true, kView, sedCopy},
      {kVkInsert, kS, u"Paste selection", clip, true, kView, sedPaste},
      {kVkPrior, kNone, u"Move to prev page", mv, true, kViewInc, sedPageUp},
      {kVkPrior, kS, u"Widen selection up by page", sel, true, kViewInc, sedSelectPageUp},
      {kVkPrior, kC, u"Move to page start", mv, true, kViewInc, sedPageHome},
      {kVkPrior, kSC, u"Widen selection up to page start", sel, true, kViewInc, sedSelectPageHome},
      {kVkNext, kNone, u"Move to next page", mv, true, kViewInc, sedPageDown},
      {kVkNext, kS, u"Widen selection down by page", sel, true, kViewInc, sedSelectPageDown},
      {kVkNext, kC, u"Move to page end", mv, true, kViewInc, sedPageEnd},
      {kVkNext, kSC, u"Widen selection up to page end", sel, true, kViewInc, sedSelectPageEnd},
      {kVkHome, kNone, u"Move to line start", mv, true, kViewInc, sedLineHome},
      {kVkHome, kC, u"Move to text start", mv, true, kViewInc, sedTextHome},
      {kVkHome, kS, u"Widen selection up to line start", sel, true, kViewInc, sedSelectLineHome},
      {kVkHome, kSC, u"Widen selection up to text start", sel, true, kViewInc, sedSelectTextHome},
      {kVkEnd, kNone, u"Move to line end", mv, true, kViewInc, sedLineEnd},
      {kVkEnd, kC, u"Move to text end", mv, true, kViewInc, sedTextEnd},
      {kVkEnd, kS, u"Widen selection up to line end", sel, true, kViewInc, sedSelectLineEnd},
      {kVkEnd, kSC, u"Widen selection up to text end", sel, true, kViewInc, sedSelectTextEnd},
      {kVkBack, kAC, u"Delete char left", del, true, kViewInc, sedDeletePrevChar},
      {kVkBack, kS, u"Delete char left", del, true, kViewInc, sedDeletePrevChar},
      {kVkBack, kC, u"Delete word left", del, true, kViewInc, sedDeletePrevWord},
      {kVkDelete, kNone, u"Delete char right", del, true, kViewInc, sedDeleteChar},
      {kVkDelete, kS, u"Delete char right", del, true, kViewInc, sedDeleteChar},
      {kVkDelete, kC, u"Delete word right", del, true, kViewInc, sedDeleteWord},
      {K, kC, u"Delete to line end", del, true, kView, sedDeleteToLineEnd},
      {K, kSC, u"Delete to line wrap", del, true, kView, sedDeleteToLineWrap},
      {Y, kC, u"Delete line", del, true, kView, sedDeleteLine},
      {Z, kC, u"Undo", oth, true, kView, sedUndo},
      {Z, kSC, u"Redo", oth, true, kView, sedRedo},
      {C, kC, u"Copy selection", clip, true, kView, sedCopy},
      {X, kC, u"Cut selection", clip, true, kView, sedCut},
      {A, kC, u"Select all", sel, true, kView, sedSelectAll},
      {V, kC, u"Paste selection", clip, true, kView, sedPaste},
      {I, kSC, u"Indent selection", ind, true, kView, sedIndent},
      {U, kSC, u"Unindent selection", ind, true, kView, sedUnIndent},
      {I, kC, u"Indent selection to prev indent", ind, true, kView, sedIndentToPrevIndent},
      {U, kC, u"Unindent selection to prev indent", ind, true, kView, sedUnIndentToPrevIndent},
      {kVkTab, kC, u"Insert tab", oth, true, kView, sedTab},
      {kVkReturn, kNone, u"Insert new line", oth, true, kViewInc, sedNewLine},
      {kVkBack, kNone, u"Delete char backward or unindent", oth, true, kView, sedBackspaceOrUnindent},
      {kVkTab, kNone, u"Move to prev line indent or insert tab", oth, true, kView, sedTabOrIndent},
      {kVkSpace, kC, u"Show completion list for current word", oth, true, kView, sedCompletionShow},
      {kVkUp, kNone, none, none, false, kCompl, sedCompletionUp},
      {kVkDown, kNone, none, none, false, kCompl, sedCompletionDown},
      {kVkReturn, kNone, none, none, false, kCompl, sedCompletionCommit},
      {kVkEscape, kNone, none, none, false, kCompl, sedCompletionCancel},
      {kVkBack, kNone, none, none, false, kCompl, sedCompletionBack},
      {kVkLeft, kNone, none, none, false, kCompl, sedCompletionLeft},
      {kVkRight, kNone, none, none, false, kCompl, sedCompletionRight},
      {kVkPrior, kNone, none, none, false, kCompl, sedCompletionPgUp},
      {kVkNext, kNone, none, none, false, kCompl, sedCompletionPgDown},
      {kVkHome, kNone, none, none, false, kCompl, sedCompletionHome},
      {kVkEnd, kNone, none, none, false, kCompl, sedCompletionEnd},
      {E, kC, u"Start incremental search", inc, true, kView, sedIncrementalSearchStart},
      {kVkBack, kNone, u"Move to previous result", inc, true, kInc, sedIncrementalSearchBack},
      {kVkF3, kNone, u"Move to next result", inc, true, kInc, sedIncrementalSearchForward},
      {kVkEscape, kNone, none, none, false, kInc, sedIncrementalSearchCancel},
      {kVkUp, kSA, u"Widen sel up by line (block mode)", blk, true, kView, sedSelectUpBlock},
      {kVkDown, kSA, u"Widen sel down by line (block mode)", blk, true, kView, sedSelectDownBlock},
      {kVkLeft, kSA, u"Widen sel left by char (block mode)", blk, true, kView, sedSelectLeftBlock},
      {kVkLeft, kSAC, u"Widen sel left by word (block mode)", blk, true, kView, sedSelectPrevWordBlock},
      {kVkRight, kSA, u"Widen sel right by char (block mode)", blk, true, kView, sedSelectRightBlock},
      {kVkRight, kSAC, u"Widen sel right by word (block mode)", blk, true, kView, sedSelectNextWordBlock},
      {kVkPrior, kSA, u"Widen sel up by page (block mode)", blk, true, kView, sedSelectPageUpBlock},
      {kVkPrior, kSAC, u"Widen sel up to page start (block mode)", blk, true, kView, sedSelectPageHomeBlock},
      {kVkNext, kSA, u"Widen sel down by page (block mode)", blk, true, kView, sedSelectPageDownBlock},
      {kVkNext, kSAC, u"Widen sel up to page end (block mode)", blk, true, kView, sedSelectPageEndBlock},
      {kVkHome, kSA, u"Widen sel up to line start (block mode)", blk, true, kView, sedSelectLineHomeBlock},
      {kVkHome, kSAC, u"Widen sel up to text start (block mode)", blk, true, kView, sedSelectTextHomeBlock},
      {kVkEnd, kSA, u"Widen sel up to line end (block mode)", blk, true, kView, sedSelectLineEndBlock},
      {kVkEnd, kSAC, u"Widen sel up to text end (block mode)", blk, true, kView, sedSelectTextEndBlock},
  };
}

const TDefaultKeyBinding* FirstRowOf(TKitEditCommand ACommand) {
  for (const TDefaultKeyBinding& row : KitDefaultKeyBindings())
    if (row.Command == ACommand) return &row;
  return nullptr;
}

}  // namespace

const std::vector<TDefaultKeyBinding>& KitDefaultKeyBindings() {
  static const std::vector<TDefaultKeyBinding> table = BuildDefaultTable();
  return table;
}

// --- bindings ---

void TKitEditCommandBinding::SetPair(TKitShortCut AShortcut, TKitShortCut AShortcut2) {
  if (AShortcut == FShortcut && AShortcut2 == FShortcut2) return;
  if (FParentItem != nullptr && FParentItem->List() != nullptr) {
    const TKitEditCommandModes modes = FParentItem->Modes();
    const TKitEditCommandList& list = *FParentItem->List();
    for (int i = 0; i < list.Count(); ++i) {
      const TKitEditCommandItem& item = *list.Items(i);
      if ((item.Modes() & modes).Empty()) continue;
      const TKitEditCommandBindings& bindings = item.Bindings();
      for (int j = 0; j < bindings.Count(); ++j) {
        const TKitEditCommandBinding* b = bindings.Items(j);
        if (b != this && b->FShortcut == AShortcut && b->FShortcut2 == AShortcut2)
          KitViewError("Keybindings should be unique in Command items");
      }
    }
  }
  FShortcut = AShortcut;
  FShortcut2 = AShortcut2;
}

void TKitEditCommandBinding::SetShortcut(TKitShortCut AValue) { SetPair(AValue, FShortcut2); }

void TKitEditCommandBinding::SetShortcut2(TKitShortCut AValue) { SetPair(FShortcut, AValue); }

void TKitEditCommandBinding::Assign(const TKitEditCommandBinding& ASource) {
  SetPair(ASource.FShortcut, ASource.FShortcut2);
}

TKitEditCommandBinding* TKitEditCommandBindings::Add() {
  FItems.push_back(std::make_unique<TKitEditCommandBinding>(FParentItem));
  return FItems.back().get();
}

TKitEditCommandBinding* TKitEditCommandBindings::Items(int AIndex) const {
  if (!KitInRange(AIndex, 0, Count() - 1)) throw EListError(Format("List index out of bounds (%d)", AIndex));
  return FItems[static_cast<size_t>(AIndex)].get();
}

void TKitEditCommandBindings::Delete(int AIndex) {
  Items(AIndex);
  FItems.erase(FItems.begin() + AIndex);
}

// --- items ---

TKitEditCommandItem::TKitEditCommandItem(TKitEditCommandList* AList) : FList(AList) {}

void TKitEditCommandItem::SetCommand(TKitEditCommand AValue) {
  if (AValue == FCommand) return;
  if (FList != nullptr)
    for (int i = 0; i < FList->Count(); ++i) {
      const TKitEditCommandItem* item = FList->Items(i);
      if (item != this && item->Command() == AValue)
        KitViewError("Command items in collection should have unique Command property.");
    }
  FCommand = AValue;
}

TKitString TKitEditCommandItem::Description() const {
  const TDefaultKeyBinding* row = FirstRowOf(FCommand);
  return row != nullptr ? TKitString(row->Descr) : TKitString();
}

TKitString TKitEditCommandItem::Category() const {
  const TDefaultKeyBinding* row = FirstRowOf(FCommand);
  return row != nullptr ? TKitString(row->Cat) : TKitString();
}

void TKitEditCommandItem::Assign(const TKitEditCommandItem& ASource) {
  if (&ASource == this) return;
  SetCommand(ASource.FCommand);
  FEditable = ASource.FEditable;
  FModes = ASource.FModes;
  FBindings.Clear();
  for (int i = 0; i < ASource.FBindings.Count(); ++i) FBindings.Add()->Assign(*ASource.FBindings.Items(i));
}

// --- lists ---

TKitEditCommandList::TKitEditCommandList(TKitCustomEditView* AView) : FParent(AView) {
  if (AView == nullptr || AView->FCustomCommands != nullptr)
    KitViewError("This internal View class should not be created manually.");
}

TKitEditCommandItem* TKitEditCommandList::Add() {
  FItems.push_back(std::make_unique<TKitEditCommandItem>(this));
  return FItems.back().get();
}

TKitEditCommandItem* TKitEditCommandList::Items(int AIndex) const {
  if (!KitInRange(AIndex, 0, Count() - 1)) throw EListError(Format("List index out of bounds (%d)", AIndex));
  return FItems[static_cast<size_t>(AIndex)].get();
}

void TKitEditCommandList::Delete(int AIndex) {
  Items(AIndex);
  FItems.erase(FItems.begin() + AIndex);
}

void TKitEditCommandList::Assign(const TKitEditCommandList& ASource) {
  if (&ASource == this) return;
  // Built aside first: a refused item leaves the list as it was.
  std::vector<std::unique_ptr<TKitEditCommandItem>> old;
  old.swap(FItems);
  try {
    for (const auto& src : ASource.FItems) Add()->Assign(*src);
  } catch (...) {
    FItems.swap(old);
    throw;
  }
}

TKitEditCommandItem* TKitEditCommandList::FindCommand(TKitEditCommand ACommand) const {
  for (const auto& item : FItems)
    if (item->Command() == ACommand) return item.get();
  return nullptr;
}

TKitEditCommandBinding* TKitEditCommandList::FindBinding(TKitShortCut AShortcut, TKitEditCommandModes AModes) const {
  for (const auto& item : FItems) {
    if ((item->Modes() & AModes).Empty()) continue;
    const TKitEditCommandBindings& bindings = item->Bindings();
    for (int j = 0; j < bindings.Count(); ++j)
      if (bindings.Items(j)->Shortcut() == AShortcut) return bindings.Items(j);
  }
  return nullptr;
}

TKitEditCommandBinding* TKitEditCommandList::FindBinding(TKitShortCut AShortcut, TKitShortCut AShortcut2,
                                                         TKitEditCommandModes AModes) const {
  for (const auto& item : FItems) {
    if ((item->Modes() & AModes).Empty()) continue;
    const TKitEditCommandBindings& bindings = item->Bindings();
    for (int j = 0; j < bindings.Count(); ++j) {
      TKitEditCommandBinding* b = bindings.Items(j);
      if (b->Shortcut() == AShortcut && b->Shortcut2() == AShortcut2) return b;
    }
  }
  return nullptr;
}

void TKitEditCommandList::LoadDefaults() {
  const bool checked = !FItems.empty();
  std::vector<TKitEditCommandItem*> added(kKitEditCommandCount, nullptr);
  if (!checked) FItems.reserve(kKitEditCommandCount);
  for (const TDefaultKeyBinding& row : KitDefaultKeyBindings()) {
    TKitEditCommandItem*& item = added[static_cast<size_t>(row.Command)];
    if (item == nullptr && checked) item = FindCommand(row.Command);
    if (item == nullptr) {
      item = Add();
      if (checked) item->SetCommand(row.Command);
      else item->FCommand = row.Command;
    }
    item->SetEditable(row.Editable);
    item->SetModes(item->Modes() | row.Modes);
    TKitEditCommandBinding* binding = item->Bindings().Add();
    if (checked) binding->SetShortcut(KitShortCut(row.Key, row.Shift));
    else binding->FShortcut = KitShortCut(row.Key, row.Shift);
  }
}

}  // namespace zv
