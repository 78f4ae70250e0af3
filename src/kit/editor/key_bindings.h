// The editor's commands and the lists that bind keys to them. Every user action a key can
// name is a TKitEditCommand (the ordinals are part of stored bindings). A command list holds
// command items; each item names one command, the input modes it is active in, whether it
// changes the text, and its key bindings: a shortcut, optionally followed by a second one.
// A view owns two lists: the defaults, filled from the built-in table, and the user's own.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "kit/editor/edit_helpers.h"

namespace zv {

class TKitCustomEditView;

enum TKitEditCommand : uint8_t {
  sedLeft,
  sedRight,
  sedUp,
  sedDown,
  sedLineHome,
  sedLineEnd,
  sedNextWord,
  sedPrevWord,
  sedPageUp,
  sedPageDown,
  sedPageHome,
  sedPageEnd,
  sedTextHome,
  sedTextEnd,
  sedUndo,
  sedRedo,
  sedCut,
  sedCopy,
  sedPaste,
  sedDeletePrevChar,
  sedDeleteChar,
  sedDeletePrevWord,
  sedDeleteWord,
  sedDeleteLine,
  sedDeleteToLineEnd,
  sedDeleteToLineWrap,
  sedChar,
  sedStr,
  sedNewLine,
  sedTab,
  sedIndent,
  sedUnIndent,
  sedIndentToPrevIndent,
  sedUnIndentToPrevIndent,
  sedBackspaceOrUnindent,
  sedTabOrIndent,
  sedScrollUp,
  sedScrollDown,
  sedSelectLeft,
  sedSelectRight,
  sedSelectPrevWord,
  sedSelectNextWord,
  sedSelectUp,
  sedSelectDown,
  sedSelectPageUp,
  sedSelectPageDown,
  sedSelectPageHome,
  sedSelectPageEnd,
  sedSelectLineHome,
  sedSelectLineEnd,
  sedSelectTextHome,
  sedSelectTextEnd,
  sedSelectLeftBlock,
  sedSelectRightBlock,
  sedSelectPrevWordBlock,
  sedSelectNextWordBlock,
  sedSelectUpBlock,
  sedSelectDownBlock,
  sedSelectPageUpBlock,
  sedSelectPageDownBlock,
  sedSelectPageHomeBlock,
  sedSelectPageEndBlock,
  sedSelectLineHomeBlock,
  sedSelectLineEndBlock,
  sedSelectTextHomeBlock,
  sedSelectTextEndBlock,
  sedSelectAll,
  sedSelectNone,
  sedToggleOverwrite,
  sedCompletionShow,
  sedCompletionUp,
  sedCompletionDown,
  sedCompletionCommit,
  sedCompletionCancel,
  sedCompletionBack,
  sedCompletionLeft,
  sedCompletionRight,
  sedCompletionPgUp,
  sedCompletionPgDown,
  sedCompletionHome,
  sedCompletionEnd,
  sedIncrementalSearchStart,
  sedIncrementalSearchAddChar,
  sedIncrementalSearchBack,
  sedIncrementalSearchForward,
  sedIncrementalSearchCancel
};
inline constexpr int kKitEditCommandCount = sedIncrementalSearchCancel + 1;

// The input modes a binding is active in: normal editing, the completion list open,
// incremental search running.
enum TKitEditCommandMode { cmForView, cmForCompletion, cmForIncSearch };
using TKitEditCommandModes = TKitSet<TKitEditCommandMode, uint8_t>;

// The virtual-key codes of the keys the bindings name (the window translates its key
// events into these; letters and digits are their upper-case ASCII codes).
inline constexpr uint16_t kVkBack = 8, kVkTab = 9, kVkReturn = 13, kVkEscape = 27, kVkSpace = 32, kVkPrior = 33,
                          kVkNext = 34, kVkEnd = 35, kVkHome = 36, kVkLeft = 37, kVkUp = 38, kVkRight = 39,
                          kVkDown = 40, kVkInsert = 45, kVkDelete = 46, kVkF1 = 112, kVkF3 = 114;

// One row of the built-in table.
struct TDefaultKeyBinding {
  uint16_t Key;
  TKitShiftState Shift;
  const char16_t* Descr;
  const char16_t* Cat;
  bool Editable;
  TKitEditCommandModes Modes;
  TKitEditCommand Command;
};
// The 86 rows, built once for the process.
const std::vector<TDefaultKeyBinding>& KitDefaultKeyBindings();

class TKitEditCommandItem;
class TKitEditCommandList;

class TKitEditCommandBinding : public TObject {
 public:
  explicit TKitEditCommandBinding(TKitEditCommandItem* AParentItem) : FParentItem(AParentItem) {}
  TKitShortCut Shortcut() const { return FShortcut; }
  TKitShortCut Shortcut2() const { return FShortcut2; }
  // Both refuse a pair that another binding active in an intersecting mode has.
  void SetShortcut(TKitShortCut AValue);
  void SetShortcut2(TKitShortCut AValue);
  void Assign(const TKitEditCommandBinding& ASource);
  TKitEditCommandItem* ParentItem() const { return FParentItem; }

 private:
  friend class TKitEditCommandList;
  void SetPair(TKitShortCut AShortcut, TKitShortCut AShortcut2);
  TKitEditCommandItem* FParentItem;
  TKitShortCut FShortcut = 0;
  TKitShortCut FShortcut2 = 0;
};

class TKitEditCommandBindings : public TObject {
 public:
  explicit TKitEditCommandBindings(TKitEditCommandItem* AParentItem) : FParentItem(AParentItem) {}
  TKitEditCommandBinding* Add();
  int Count() const { return static_cast<int>(FItems.size()); }
  TKitEditCommandBinding* Items(int AIndex) const;
  void Delete(int AIndex);
  void Clear() { FItems.clear(); }
  TKitEditCommandItem* ParentItem() const { return FParentItem; }

 private:
  TKitEditCommandItem* FParentItem;
  std::vector<std::unique_ptr<TKitEditCommandBinding>> FItems;
};

class TKitEditCommandItem : public TObject {
 public:
  explicit TKitEditCommandItem(TKitEditCommandList* AList);
  TKitEditCommand Command() const { return FCommand; }
  // Refuses a command that another item of the list has.
  void SetCommand(TKitEditCommand AValue);
  bool Editable() const { return FEditable; }
  void SetEditable(bool AValue) { FEditable = AValue; }
  TKitEditCommandModes Modes() const { return FModes; }
  void SetModes(TKitEditCommandModes AValue) { FModes = AValue; }
  TKitEditCommandBindings& Bindings() { return FBindings; }
  const TKitEditCommandBindings& Bindings() const { return FBindings; }
  // Of the first row of the built-in table with this command; empty without one.
  TKitString Description() const;
  TKitString Category() const;
  // Copies command, editable flag, modes and bindings.
  void Assign(const TKitEditCommandItem& ASource);
  TKitEditCommandList* List() const { return FList; }

 private:
  friend class TKitEditCommandList;
  TKitEditCommandList* FList;
  TKitEditCommand FCommand = sedChar;
  bool FEditable = false;
  TKitEditCommandModes FModes;
  TKitEditCommandBindings FBindings{this};
};

class TKitEditCommandList : public TObject {
 public:
  // Only a view makes its lists: "This internal View class should not be created manually."
  explicit TKitEditCommandList(TKitCustomEditView* AView);
  TKitCustomEditView* Parent() const { return FParent; }
  TKitEditCommandItem* Add();
  int Count() const { return static_cast<int>(FItems.size()); }
  TKitEditCommandItem* Items(int AIndex) const;
  void Delete(int AIndex);
  void Clear() { FItems.clear(); }
  void Assign(const TKitEditCommandList& ASource);

  TKitEditCommandItem* FindCommand(TKitEditCommand ACommand) const;
  // The first binding, in item order among items active in one of the modes, whose first
  // shortcut is this one (its second one is not compared).
  TKitEditCommandBinding* FindBinding(TKitShortCut AShortcut, TKitEditCommandModes AModes) const;
  // The same from a key and its shift state.
  TKitEditCommandBinding* FindKeyBinding(uint16_t AKey, TKitShiftState AShift, TKitEditCommandModes AModes) const {
    return FindBinding(KitShortCut(AKey, AShift), AModes);
  }
  // The first binding with both shortcuts equal to these.
  TKitEditCommandBinding* FindBinding(TKitShortCut AShortcut, TKitShortCut AShortcut2,
                                      TKitEditCommandModes AModes) const;
  TKitEditCommandBinding* FindKeyBinding(uint16_t AKey, TKitShiftState AShift, TKitEditCommandModes AModes,
                                         uint16_t AKey2, TKitShiftState AShift2) const {
    return FindBinding(KitShortCut(AKey, AShift), KitShortCut(AKey2, AShift2), AModes);
  }
  // Fills the list from the built-in table. An empty list takes the table as it is, without
  // the uniqueness checks (the table is unique, and checking each binding against all the
  // others made every new view quadratic in the table's size).
  void LoadDefaults();

 private:
  friend class TKitEditCommandBinding;
  TKitCustomEditView* FParent;
  std::vector<std::unique_ptr<TKitEditCommandItem>> FItems;
};

}  // namespace zv
