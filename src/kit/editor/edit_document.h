// The editor's text model. Every change goes through the document: it checks the change,
// rewrites one that would split a CR LF pair, records the inverse for undo, moves markers,
// updates the line index, tells the parser which lines changed and notifies its listeners
// in a fixed order. Views edit through the access object with their own author number.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "kit/editor/doc_errors.h"
#include "kit/editor/doc_search.h"
#include "kit/editor/gap_storage.h"
#include "kit/editor/line_manager.h"
#include "kit/editor/markers.h"
#include "kit/editor/parser_base.h"
#include "kit/editor/undo.h"
#include "kit/text/component.h"
#include "kit/text/encoding.h"

namespace zv {

// The changes gathered for one OnDocChanged call.
enum TKitDocStatusChange : uint32_t {
  dcInsert = 0x01,
  dcDelete = 0x02,
  dcCompoundChange = 0x04,
  dcMarkersCreated = 0x08,
  dcMarkSettingsChanged = 0x10,
  dcMarkersDeleted = 0x20,
  dcCodePagePropsChanged = 0x40,
  dcModifiedPropertyChanged = 0x80
};
using TKitDocStatusChanges = uint32_t;

// What views and other listeners are told; every slot does nothing here. "Before"
// notifications reach the custom listeners first, "after" notifications the views first.
class TKitDocumentListener : public TObject {
 public:
  virtual void BeforeRefresh() {}
  virtual void AfterRefresh() {}
  virtual void BeforeSettingsRefresh() {}
  virtual void AfterSettingsRefresh() {}
  virtual void BeforeMarkChange() {}
  virtual void MarksDeleting(const IKitMarkersPtr& /*ACollection*/, const TKitMarkArray& /*AMarks*/) {}
  virtual void MarkCreated(const IKitMarkersPtr& /*ACollection*/, const IKitMarkPtr& /*AMark*/) {}
  virtual void MarkSettingsChanged(const IKitMarkersPtr& /*ACollection*/, const IKitMarkPtr& /*AMark*/) {}
  virtual void AfterMarkChange() {}
  virtual void BeforeInsert(int /*AStart*/, int /*ALength*/) {}
  virtual void AfterInsert(int /*AStart*/, int /*ALength*/) {}
  virtual void BeforeDelete(int /*AStart*/, int /*ALength*/) {}
  virtual void AfterDelete(int /*AStart*/, int /*ALength*/) {}
  virtual void BeforeCompoundEdit(bool /*AFreezeViews*/) {}
  virtual void AfterCompoundEdit(bool /*AFreezeViews*/) {}
  virtual void DoUserEventAfterDocChange() {}
  virtual void DocumentDestroing() {}
};

using TKitMarkEvent =
    std::function<void(TObject* Sender, const IKitMarkersPtr& ACollection, const IKitMarkPtr& AMark)>;
using TKitDocChangedEvent = std::function<void(TObject* Sender, TKitDocStatusChanges AChanges)>;
using TKitDocLinesChanged = std::function<void(TObject* Sender, int AFirstLine, int ACount)>;

class TKitEditDocument;
class TKitEditParserSchemeCollection;

// The views' access to the document: edits with an author number and undo info (whose
// ownership passes to the document), per-author undo, view listeners and locks.
class TKitDocumentInternal : public TObject {
 public:
  explicit TKitDocumentInternal(TKitEditDocument* ADoc) : FDoc(ADoc) {}
  bool GetCanUndo(int AAuthorID);
  bool GetCanRedo(int AAuthorID);
  // Answer the info stored with the author's undone (redone) action.
  TKitDocUndoInfoPtr Undo(int AAuthorID, TKitDocUndoInfoPtr ANewInfo);
  TKitDocUndoInfoPtr Redo(int AAuthorID, TKitDocUndoInfoPtr ANewInfo);
  // With AFreeSource the document frees ASeg.Source afterwards, also on failure.
  void InsertSeg(int AIdx, const TKitSegment& ASeg, bool AFreeSource, TKitDocUndoInfoPtr AOldInfo, int AAuthorID);
  void InsertStr(int AIdx, const TKitString& AStr, TKitDocUndoInfoPtr AOldInfo, int AAuthorID);
  void Delete(int AStart, int ACount, TKitDocUndoInfoPtr AOldInfo, int AAuthorID);
  void ReplaceSeg(int AStart, int ACount, TKitDocUndoInfoPtr AOldInfo, int AAuthorID, const TKitSegment& ASeg);
  void ReplaceStr(int AStart, int ACount, TKitDocUndoInfoPtr AOldInfo, int AAuthorID, const TKitString& AStr);
  void PushCustomAction(int AAuthorID, TKitDocUndoInfoPtr AOldInfo);
  void AddListener(TKitDocumentListener* ALst);
  void RemoveListener(TKitDocumentListener* ALst);
  // Closed with the document's EndCompoundEdit.
  void BeginCompoundAction(int AAuthorID, TKitDocUndoInfoPtr AOldInfo, bool AFreezeViews);
  int GetNextAuthorID();
  void LockMarkers();
  void UnlockMarkers();
  void LockChanges();
  void UnlockChanges();

 private:
  TKitEditDocument* FDoc;
};

// The Lines property: the document's lines as a list of strings.
class TDocumentStringsProxy {
 public:
  explicit TDocumentStringsProxy(TKitEditDocument* AParent) : FParent(AParent) {}
  TKitString Get(int AIndex);
  int Count();
  void Insert(int AIndex, const TKitString& AStr);
  void Add(const TKitString& AStr) { Insert(Count(), AStr); }
  void Delete(int AIndex);
  void Clear();
  // Nesting brackets; the outermost one is a compound edit of the document.
  void BeginUpdate();
  void EndUpdate();
  // Replaces the text by these lines with nothing recorded for undo; unmodified afterwards.
  void Assign(const TKitStringList& ASource);
  void Assign(TDocumentStringsProxy& ASource);
  TKitStringList ToList();
  // Every line ended by CR LF, the last one too.
  TKitString Text();
  // The document's own, in its code page.
  void LoadFromFile(const TKitString& AFileName);
  void LoadFromStream(TKitStream& AStream);
  void SaveToStream(TKitStream& AStream);

 private:
  void SetUpdateState(bool AUpdating);
  void CheckEditable();
  TKitEditDocument* FParent;
  int FUpdateCount = 0;
};

// Forwards whole-text replacements of the storage to the document.
class TDocumentStorageListener : public TKitTextStorageListener {
 public:
  explicit TDocumentStorageListener(TKitEditDocument* ADoc) : FDoc(ADoc) {}
  void BeforeRefresh() override;
  void AfterRefresh() override;

 private:
  TKitEditDocument* FDoc;
};

class TKitEditDocument : public TKitCustomComponent {
 public:
  explicit TKitEditDocument(TObject* AOwner = nullptr);
  ~TKitEditDocument() override;
  TKitEditDocument(const TKitEditDocument&) = delete;
  TKitEditDocument& operator=(const TKitEditDocument&) = delete;
  int getKitPackage() const override { return pi_Kit_SYNTAX; }

  // Edits of the document itself: author -1, no undo info.
  void Insert(int AStart, const TKitString& AStr);
  void InsertSeg(int AStart, const TKitSegment& ASeg);
  void InsertLine(int ALine, const TKitString& AStr);
  void AppendLine(const TKitString& AStr);
  void Replace(int AStart, int ACount, const TKitString& AStr);
  void ReplaceSeg(int AStart, int ACount, const TKitSegment& ASeg);
  void Delete(int AStart, int ACount);
  void DeleteLine(int ALine);
  void Clear();
  void ClearNoUndo();
  void Undo();
  void Redo();
  void ClearUndo();
  void BeginCompoundEdit(bool AFreezeViews);
  void EndCompoundEdit(bool AFreezeViews);
  // Update brackets gather the changes for one OnDocChanged call. They are the
  // document's own, not the component's change counter.
  void BeginUpdate();
  void EndUpdate(bool AWithEvent);

  // Replaces the whole text as one refresh (the loader's final step): the old text is
  // deleted as usual, then BeforeRefresh, the new text, AfterRefresh. Nothing is recorded
  // for undo, the history is dropped and the document is unmodified afterwards.
  void RefreshText(const char16_t* AChars, int ACount);
  void RefreshText(const TKitSegment& AText);
  // The text now equals what was saved: unmodified, this undo count is the unmodified
  // point, and typing on starts a new undo action.
  void SetSavePoint();

  // Loading and saving in a code page. A load reads and decodes the whole file before it
  // replaces the text in one refresh; when reading or decoding fails it raises
  // EKitEditDocError and the document stays as it was. Saving writes each line with its
  // own line break, the byte-order mark only when asked and only before a first line.
  int CodePage() const { return FEncoding->CodePage(); }
  void SetCodePage(int AValue);
  const TKitString& CodePageName() const { return FEncoding->Name(); }
  TKitEncoding& Encoding() { return *FEncoding; }
  void SetCodePageName(const TKitString& AValue);
  bool CodePageUsePreamble() const { return FCodePageUsePreamble; }
  void SetCodePageUsePreamble(bool AValue);
  void LoadFromFile(const TKitString& AFileName);
  void LoadFromFile(const TKitString& AFileName, int ACodePage);
  void LoadFromFile(const TKitString& AFileName, int ADefaultCodePage, bool AUnicodeAutodetect);
  void LoadFromStream(TKitStream& AStream);
  void LoadFromStream(TKitStream& AStream, int ACodePage);
  // From the stream's position to its end.
  void LoadFromStream(TKitStream& AStream, int ADefaultCodePage, bool AUnicodeAutodetect);
  // Loads in ACodePage, or, when the bytes are not valid in it (UTF-8 and the platform's
  // multi-byte code pages can tell), in AFallbackCodePage: no byte becomes U+FFFD, so a
  // save writes back the bytes that were loaded. The code page is the one that was used.
  void LoadFromFileWithFallback(const TKitString& AFileName, int ACodePage, int AFallbackCodePage);
  void LoadFromStreamWithFallback(TKitStream& AStream, int ACodePage, int AFallbackCodePage);
  void SaveToFile(const TKitString& AFileName);
  void SaveToFile(const TKitString& AFileName, int ACodePage);
  void SaveToFile(const TKitString& AFileName, int ACodePage, bool AUsePreamble);
  void SaveToStream(TKitStream& AStream);
  void SaveToStream(TKitStream& AStream, int ACodePage);
  void SaveToStream(TKitStream& AStream, int ACodePage, bool AUsePreamble);

  TKitCharSeq& Chars() { return FStorage; }
  int CharsCount() const { return FStorage.Count(); }
  int LinesCount() const { return FLineManager.Count(); }
  TKitSegment GetLine(int ALine) { return FLineManager.GetAt(ALine); }
  TKitSegment GetLineWithCr(int ALine);
  int GetLineByOffset(int AOffset) { return FLineManager.GetLineByOffset(AOffset); }
  bool GetLineEndKind(int ALine, TKitLineSeparator& AKind) { return FLineManager.GetLineEndKind(ALine, AKind); }
  const TLineManager& LineIndex() const { return FLineManager; }

  TDocumentStringsProxy& Lines() { return FLines; }
  void SetLines(const TKitStringList& AValue);

  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool AValue);
  int UndoLimit() const { return FUndoManager.Limit(); }
  void SetUndoLimit(int AValue);
  const TKitString& WordSeparators() const { return FWordSeparators; }
  void SetWordSeparators(const TKitString& AValue);
  const TKitString& GetFullWordSeparators() const { return FFullWordSeparators; }
  TKitLineSeparator LineSeparator() const { return FLineSeparator; }
  void SetLineSeparator(TKitLineSeparator AValue);
  const TKitString& LineSeparatorStr() const { return FLineSeparatorStr; }
  int MaxLineLengthToParse() const { return FParser->MaxLineLengthToParse(); }
  void SetMaxLineLengthToParse(int AValue);

  bool InsideCompoundEdit() const { return FCompoundEditCnt > 0; }
  bool CanUndo() const { return FUndoManager.CanUndo(-1); }
  bool CanRedo() const { return FUndoManager.CanRedo(-1); }
  const TUndoManager& UndoManager() const { return FUndoManager; }
  bool Modified() const { return FModifiedFixed || FModified; }
  void SetModified(bool AValue);

  TKitEditParserBase& GetParser() { return *FParser; }
  // Detaches the current parser and attaches this one (a TKitEditParser when none is
  // given), which then reads the schemes from the document's collections.
  void SetParser(std::unique_ptr<TKitEditParserBase> AParser);

  // The scheme texts and the active pair (scheme_collections.h): whenever both names are
  // set the parser loads that pair; a pair that fails to load clears the name of the
  // failing kind and the error propagates.
  TKitEditParserSchemeCollection& SyntaxSchemes() { return *FSyntaxSchemes; }
  TKitEditParserSchemeCollection& ColorSchemes() { return *FColorSchemes; }
  void SetSyntaxSchemes(const TKitEditParserSchemeCollection& AValue);
  void SetColorSchemes(const TKitEditParserSchemeCollection& AValue);
  const TKitString& ActiveSyntaxScheme() const { return FSyntaxScheme; }
  void SetActiveSyntaxScheme(const TKitString& AValue);
  const TKitString& ActiveColorScheme() const { return FColorScheme; }
  void SetActiveColorScheme(const TKitString& AValue);
  bool InsideConstructor() const { return FInConstructor; }

  void AddListener(TKitDocumentListener* ALst);
  void RemoveListener(TKitDocumentListener* ALst);
  TKitDocumentInternal& Internal() { return FInternal; }

  const IKitMarkersPtr& Bookmarks() const { return FBookmarks; }
  const IKitMarkersPtr& Breakpoints() const { return FBreakpoints; }
  const IKitMarkersPtr& DebugFrameLines() const { return FDebugFrameLines; }
  IKitMarkersPtr CreateCustomMarkers(bool AKeepMarks, bool ALineBound, bool AProduceEvents);
  IKitMarkersPtr CreateCustomLineMarkers(bool AKeepMarks, bool AProduceEvents);
  void DetachCustomMarkers(const IKitMarkersPtr& AMarkers);
  TKitBreakpointKind GetBreakpointKind(const IKitMarkPtr& ABreak);
  void SetBreakpointKind(const IKitMarkPtr& ABreak, TKitBreakpointKind AKind);
  TKitDebugFrameKind GetDebugFrameKind(const IKitMarkPtr& AFrameMark);
  void SetDebugFrameKind(const IKitMarkPtr& AFrameMark, TKitDebugFrameKind AKind);

  // --- pattern search and replacement (doc_search.cpp) ---
  // A search runs from AOffset over at most AMaxCount characters (-1: to the text's end,
  // or its start going backward). The First forms answer the state of a search that
  // found something and nothing otherwise; the caller frees what it receives (Close).
  TKitEditFindReplaceStatePtr FindPatternFirst(int AOffset, const TKitString& APattern);
  TKitEditFindReplaceStatePtr FindPatternFirst(int AOffset, const TKitString& APattern,
                                               TKitEditSearchOptions AOptions);
  TKitEditFindReplaceStatePtr FindPatternFirst(int AOffset, int AMaxCount, TKitEditSearchOptions AOptions,
                                               const TKitString& APattern);
  TKitEditFindReplaceStatePtr FindPatternFirst(int AOffset, int AMaxCount, TKitEditSearchDirection ADirection,
                                               TKitEditSearchOptions AOptions, const TKitString& APattern);
  // The next match after the last one, or from ANewStart (clamped to the text).
  bool FindPatternNext(TKitEditFindReplaceState& AState);
  bool FindPatternNext(int ANewStart, TKitEditFindReplaceState& AState);
  void FindPatternClose(TKitEditFindReplaceStatePtr& AState) { AState.reset(); }
  // One replacement step: the First forms answer the state when the step succeeded.
  TKitEditFindReplaceStatePtr ReplacePatternFirst(int AOffset, int AMaxCount, TKitEditSearchDirection ADirection,
                                                  TKitEditSearchOptions AOptions, const TKitString& AReplacement,
                                                  const TKitString& APattern);
  TKitEditFindReplaceStatePtr ReplacePatternFirst(int AOffset, int AMaxCount, TKitEditSearchDirection ADirection,
                                                  TKitEditSearchOptions AOptions, const TKitString& AReplacement,
                                                  const TKitString& APattern, const TKitEditReplaceEvent& AOnReplace);
  bool ReplacePatternNext(TKitEditFindReplaceState& AState);
  bool ReplacePatternNext(int ANewStart, TKitEditFindReplaceState& AState);
  // Every match of the range replaced in one compound edit (one undo step, views frozen),
  // until a step finds nothing or the callback cancels; nothing when the first step failed.
  TKitEditFindReplaceStatePtr ReplacePatternAll(const TKitString& APattern, const TKitString& AReplacement);
  TKitEditFindReplaceStatePtr ReplacePatternAll(int AOffset, int AMaxCount, TKitEditSearchDirection ADirection,
                                                TKitEditSearchOptions AOptions, const TKitString& AReplacement,
                                                const TKitString& APattern);
  TKitEditFindReplaceStatePtr ReplacePatternAll(int AOffset, int AMaxCount, TKitEditSearchDirection ADirection,
                                                TKitEditSearchOptions AOptions, const TKitString& AReplacement,
                                                const TKitString& APattern, const TKitEditReplaceEvent& AOnReplace);
  void ReplacePatternClose(TKitEditFindReplaceStatePtr& AState) { AState.reset(); }
  // Word navigation over ASeparators plus space, TAB, CR and LF (the document's full word
  // separators when ASeparators is empty); AMaxCount -1 means no limit. Offsets, or -1.
  int FindNextWordStart(int AOffset, int AMaxCount, const TKitString& ASeparators);
  int FindPrevWordStart(int AOffset, int AMaxCount, const TKitString& ASeparators);
  // The offset of a word's last character.
  int FindNextWordEnd(int AOffset, int AMaxCount, const TKitString& ASeparators);
  int FindPrevWordEnd(int AOffset, int AMaxCount, const TKitString& ASeparators);
  // The word as a segment of the document; (-1, 0, none) when there is none.
  TKitSegment FindNextWord(int AOffset, int AMaxCount, const TKitString& ASeparators);
  TKitSegment FindPrevWord(int AOffset, int AMaxCount, const TKitString& ASeparators);
  TKitSegment FindNearWord(int AOffset, int AMaxCount, const TKitString& ASeparators, bool ABackward);

  // OnLineMarkDeleting and OnLineMarkCreating are other names of the same two handlers.
  TKitMarkEvent OnMarkDeleting;
  TKitMarkEvent OnMarkCreating;
  TKitDocChangedEvent OnDocChanged;
  TKitDocLinesChanged OnLinesChanged;
  TKitDocStatusChanges PendingChanges() const { return FChanges; }

 protected:
  // Fires OnLinesChanged, then tells the parser.
  virtual void DoLinesChanged(int AFirstLine, int ACount);

 private:
  friend class TKitDocumentInternal;
  friend class TDocumentStringsProxy;
  friend class TDocumentStorageListener;
  friend class TUndoManager;
  friend class TDeleteAction;
  friend class TInsertAction;
  friend class TCompoundAction;
  friend class TMarkCollection;
  friend class TMark;
  friend class TKitEditParserSchemeCollection;

  // --- loading (doc_loading.cpp) ---
  // Opens the file for reading and hands it to ALoad.
  void LoadFile(const TKitString& AFileName, const std::function<void(TKitStream&)>& ALoad);
  // The stream forms; a fallback code page makes the decoding strict.
  void Load(TKitStream& AStream, int ADefaultCodePage, bool AUnicodeAutodetect, std::optional<int> AFallbackCodePage);

  // --- schemes ---
  void SchemeCollectionChanged(TKitEditParserSchemeCollection& ACollection, bool AItemChange);
  void ActivateSchemes();
  void InstallSchemeLoaders();
  void DetachParser();

  // --- search (doc_search.cpp) ---
  TKitEditFindReplaceStatePtr CreateSearchState(int AStart, int AMaxCount, TKitEditSearchDirection ADirection,
                                                TKitEditSearchOptions AOptions, const TKitString& APattern);
  bool SearchStep(TKitEditFindReplaceState& AState, int ANewStart, bool AFirst);
  bool ReplaceStep(TKitEditFindReplaceState& AState, int ANewStart, bool AFirst);
  TKitString WordSeparatorsFor(const TKitString& ASeparators) const;
  int WordStart(int AOffset, int AMaxCount, const TKitString& ASeps, bool ARepeat, bool ABackward);
  int WordEnd(int AOffset, int AMaxCount, const TKitString& ASeps, bool ARepeat, bool ABackward);

  // --- checks ---
  void CheckReadOnly() const;
  void CheckChangesLock() const;
  void CheckNotInCompound() const;
  void CheckEditable() const {
    CheckReadOnly();
    CheckChangesLock();
  }
  void CheckOffset(int64_t AOffset) const;
  void CheckRange(int AStart, int ACount) const;

  // --- edits ---
  // Run ABody inside an update bracket, or a compound edit with frozen views, that closes
  // also when ABody fails.
  template <class F>
  void Updating(F ABody);
  template <class F>
  void InCompound(int AAuthorID, TKitDocUndoInfoPtr AInfo, F ABody);
  // Records an edit through ARecord(author, info).
  template <class F>
  void Record(int AAuthorID, TKitDocUndoInfoPtr& AInfo, F ARecord);
  // Runs ABody with nothing recorded for undo (the history is dropped).
  template <class F>
  void WithoutUndo(F ABody);
  // ASplitCheck is off for the document's own rewrites, which never cut a pair.
  void InsertChars(int AIdx, const char16_t* AChars, int ACount, TKitDocUndoInfoPtr AInfo, int AAuthorID,
                   bool ASplitCheck = true);
  void InsertSegment(int AIdx, const TKitSegment& ASeg, TKitDocUndoInfoPtr AInfo, int AAuthorID);
  void DeleteChars(int AStart, int ACount, TKitDocUndoInfoPtr AInfo, int AAuthorID, bool ASplitCheck = true);
  void ReplaceChars(int AStart, int ACount, const char16_t* AChars, int ANewCount, TKitDocUndoInfoPtr AInfo,
                    int AAuthorID);
  void ReplaceSegment(int AStart, int ACount, const TKitSegment& ASeg, TKitDocUndoInfoPtr AInfo, int AAuthorID);
  void BeginCompound(int AAuthorID, TKitDocUndoInfoPtr AInfo, bool AFreezeViews);
  // Without the lock check: the document's own brackets always close.
  void EndCompound(bool AFreezeViews);
  TKitDocUndoInfoPtr RunUndo(bool AUndo, int AAuthorID, TKitDocUndoInfoPtr ANewInfo);
  void PushCustom(int AAuthorID, TKitDocUndoInfoPtr AInfo);
  void AnnounceMarkDeletion(int AStart, int ACount);

  // --- modified state ---
  template <class F>
  void ChangeModified(F AChange);
  void ResetModified();
  void AfterChange();
  // The undo manager reports each loss of history that may take the unmodified text
  // out of reach.
  void UndoRedoCut(int AUndoCount);
  void UndoOldestDropped(int ACount);
  void UndoNotRecorded();
  void SetUndoLimitNoCheck(int AValue);

  // --- notifications ---
  template <class F>
  void NotifyBefore(F ANotify);
  template <class F>
  void NotifyAfter(F ANotify, TKitDocStatusChanges AChange, bool AUserEvent = true);
  void NotifyUserEvent();
  void BeginMarkChange();
  void EndMarkChange();
  void NotifyMarksDeleting(const IKitMarkersPtr& ACollection, const TKitMarkArray& AMarks);
  void NotifyMarkCreated(const IKitMarkersPtr& ACollection, const IKitMarkPtr& AMark);
  void NotifyMarkSettingsChanged(const IKitMarkersPtr& ACollection, const IKitMarkPtr& AMark);
  template <class F>
  void SettingsRefresh(F AChange);
  void StorageBeforeRefresh();
  void StorageAfterRefresh();
  void AddViewListener(TKitDocumentListener* ALst);
  void RemoveViewListener(TKitDocumentListener* ALst);
  void CheckCollection(const IKitMarkPtr& AMark, const IKitMarkersPtr& AExpected, const char* AMessage);

  int FLastAuthorID = 0;
  TKitLineSeparator FLineSeparator = lsCRLF;
  TKitString FLineSeparatorStr;
  TGapStorage FStorage{1024};
  TDocumentStorageListener FStorageLst{this};
  TLineManager FLineManager{FStorage};
  TUndoManager FUndoManager{this, 1024};
  TKitDocumentInternal FInternal{this};
  TMarkManager FMarkManager{this};
  IKitMarkersPtr FBookmarks;
  IKitMarkersPtr FBreakpoints;
  IKitMarkersPtr FDebugFrameLines;
  TDocumentStringsProxy FLines{this};
  std::vector<TKitDocumentListener*> FListeners;
  std::vector<TKitDocumentListener*> FCustomListeners;
  std::unique_ptr<TKitEditParserSchemeCollection> FSyntaxSchemes;
  std::unique_ptr<TKitEditParserSchemeCollection> FColorSchemes;
  TKitString FSyntaxScheme;
  TKitString FColorScheme;
  std::unique_ptr<TKitEditParserBase> FParser;
  int FCompoundEditCnt = 0;
  bool FInUndo = false;
  bool FReadOnly = false;
  int FChangesLockCnt = 0;
  int FMarkersLockCnt = 0;
  TKitDocStatusChanges FChanges = 0;
  TKitString FWordSeparators;
  TKitString FFullWordSeparators;
  int FDelayedEventLock = 0;
  bool FModified = false;
  bool FModifiedFixed = false;
  int FUndoCountNoMod = 0;
  bool FInConstructor = false;
  std::unique_ptr<TKitEncoding> FEncoding = TKitEncoding::GetEncoding(0);
  bool FCodePageUsePreamble = false;
};

}  // namespace zv
