// The view's model of what is on screen: which lines are hidden by collapsed folds, how
// visible lines break into rows (scroll lines), which rows are on screen and where every
// character falls in columns and pixels, the cursor and the selection as marks that follow
// edits, search highlights, and what must be repainted. Everything derived is cached under
// a validity set and rebuilt lazily, in a fixed order, by UpdateCaches.
//
// Coordinates (0-based): offset (a character of the text), offset point (offset plus
// columns inside it), physical line (a document line), scroll position (X column with tabs
// expanded, Y scroll line = row of the visible text), screen line (scroll line minus the
// first one on screen), pixels (in the text area, after the horizontal scroll).
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "kit/editor/edit_document.h"
#include "kit/editor/special_chars.h"
#include "kit/editor/width_cache.h"
#include "kit/editor/wrap_parser.h"
#include "kit/text/hash_table.h"

namespace zv {

class TStoredView;

// What the screen cache asks of its view.
class TScreenCacheParent {
 public:
  virtual ~TScreenCacheParent() = default;
  virtual TKitViewSettings CacheViewSettings() = 0;
};

struct TOffsetPointMark {
  IKitMarkPtr CharMark;
  int InCharOffset = 0;
};

enum TScreenCacheValidItem { csScreen, csCursor, csFolds, csConversionCaches };
using TScreenCacheValid = TKitSet<TScreenCacheValidItem, uint8_t>;

enum TScrollCorrectCause { scForSelection, scForCursor };
enum TScrollCorrectDirection { scForward, scBackward };

struct TScrollLineInfo {
  int PhysicalLine = 0;
  TKitSegment ContentSegment;  // the row's characters without the end of line
  TKitScreenLineProps VisProps;
};

enum TScreenOffsetFlag { soTail, soTab, soStable };
using TScreenOffsetFlags = TKitSet<TScreenOffsetFlag, uint8_t>;

// One position of a row on screen, from the first one shown.
struct TScreenOffsetItem {
  uint8_t VisW = 1;    // columns (at most 255)
  uint16_t PixW = 0;   // pixels (at most 65535)
  int64_t VisX = 0;    // first column in the row
  int64_t PixX = 0;    // first pixel in the row, unscrolled
  TScreenOffsetFlags Flags;
};

// A run of characters drawn with one set of attributes. Tabs, shown spaces and the line
// end's glyphs are chunks of their own (Special), holding the glyphs to draw.
struct TChunk {
  TScreenAttrs Attrs;
  TKitFontCharset CharSet = 0;
  int StateOffset = 0;       // the first position
  int StateOffsetCount = 0;  // positions covered
  TKitString Chars;          // what is drawn
  bool CanMerge = true;
  bool IsTail = false;
  bool IsSpecial = false;
  friend bool operator==(const TChunk&, const TChunk&) = default;
};

// A token of a row's line as the row draws it: from the line's start, with the attributes
// the screen takes from it.
struct TRowAttrRun {
  int Start = 0;
  int Count = 0;
  TScreenAttrs Attrs;
  friend bool operator==(const TRowAttrRun&, const TRowAttrRun&) = default;
};

struct TScreenLineInfo {
  TScrollLineInfo ScrollInfo;
  bool Dirty = true;
  TWrapParserState StartState;  // the first position shown after horizontal scrolling
  int StartWordOff = 0;
  int EndWordOff = 0;
  int64_t XBoundStart = 0;
  int64_t XBoundCount = 0;
  std::vector<TChunk> Chunks;
  std::vector<TScreenOffsetItem> Offsets;  // position i is offset StartState.Offset + i
  int RowStart = 0;        // the row's first offset
  bool RowComplete = true;  // Offsets reach the row's last position
  // What the row was built from, so that a rebuild can keep a row that it shows as it was:
  // its line's offset then and the tokens of that line.
  int LineStart = 0;
  std::vector<TRowAttrRun> AttrRuns;
};

// Hidden ranges: a collapsed fold's start line and the end line shared by its folds, each
// following its line through edits by a line mark.
class THiddenEnd;
class THiddenEntry : public TObject {
 public:
  ~THiddenEntry() override { KeyLine = -1; }
  int KeyLine = -1;
  IKitMarkPtr KeyMark;
};
class THiddenStart : public THiddenEntry {
 public:
  THiddenEnd* EEnd = nullptr;
};
class THiddenEnd : public THiddenEntry {
 public:
  void RemoveFromStarts(THiddenStart* AStart);
  void ShrinkStarts();
  std::vector<THiddenStart*> Starts;  // ascending by KeyLine
};

class TScreenCache : public TObject {
 public:
  TScreenCache(TScreenCacheParent* AParent, TKitSpecialChars* ASpecChars, TKitTextMeasurer* AMeasurer,
               const TKitFont& AFont, int AWrapWidth, int AScreenHeightLines, int AScreenWidthPixels, int ATabWidth,
               TKitViewWrapMode AWrapMode);
  ~TScreenCache() override;
  TScreenCache(const TScreenCache&) = delete;
  TScreenCache& operator=(const TScreenCache&) = delete;

  // --- documents ---
  void AttachToDocument(TKitEditDocument& ADoc);
  void DetachFromDocument(bool AStoreDoc);
  TKitEditDocument* Document() const { return FDoc; }
  int StoreDocSettingsLimit() const;
  void SetStoreDocSettingsLimit(int AValue);
  TStoredView& StoredView() { return *FStoredView; }

  // --- settings ---
  void SetFont(const TKitFont& AFont);
  const TKitFont& Font() const { return FFont; }
  void SetMeasurer(TKitTextMeasurer* AMeasurer);
  void SetWrapMode(TKitViewWrapMode AMode);
  void SetWrapWidth(int AWidth);
  void SetTabWidth(int AWidth);
  TKitViewWrapMode WrapMode() const { return FWrapMode; }
  int WrapWidth() const { return FFixedWrapWidth; }
  int64_t WrapWidthPixels() const { return ScrollXToPixelsFixed(FFixedWrapWidth); }
  int TabWidth() const { return FTabWidth; }
  bool NoWrap() const { return FWrapMode == wmNoWrap; }
  TKitMeasuredFont* GetFont(TKitFontStyles AFs, TKitFontCharset ACharset);
  int GetCharWidth(char16_t AChar, TKitFontStyles AFs, TKitFontCharset ACharSet);
  int SpaceCharW() const { return FSpaceCharW; }
  void SetScreenSize(int APixWidth, int ALinesHeight);
  int ScreenHeightLines() const { return FScreenHeightLines; }
  int ScreenWidthPixels() const { return FScreenWidthPixels; }
  // A settings change: rebuilds everything but the folds, keeping the first line on
  // screen and the horizontal scroll.
  void ResetPreserve();

  // --- document notifications ---
  void AfterInsert(int AStart, int ACount);
  void BeforeDelete(int AStart, int ACount);
  void DocumentRefresh();

  // --- highlights ---
  void AddHighlight(int AStart, int ACount);
  void RemoveHighlight(int AStart, int ACount);
  void ClearHighlights();
  void SetHighlightAttrs(const TKitEditAttributes& AAttrs, bool AUse);
  const TScreenAttrs& HighlightAttrs() const { return FHighlightAttrs; }
  bool HighlightUse() const { return FHighlightUse; }
  const THighlightsSparse& Highlights() const { return FHighlights; }

  // --- bringing the caches up to date ---
  void UpdateCaches();
  // The folds re-keyed and the wrap states trimmed after an edit: what every conversion
  // needs (the rows on screen wait for UpdateCaches).
  void EnsureConversions();
  TScreenCacheValid ValidState() const { return FValidState; }
  // Re-reads the marks of the rows on screen and dirties every row that shows one or
  // whose marks changed.
  void UpdateScreenMarks();

  // --- conversions ---
  int PhysicalToScroll(int APhys);
  int ScrollToPhysical(int AScroll);
  int ScreenCount(int ALine);
  int ScreenToScroll(int AScreen, bool ADoCheck);
  int ScrollToScreen(int AScrollLine, bool ADoCheck);
  int ScreenToPhysical(int AScreen);
  TKitPoint ScreenPosToScroll(const TKitPoint& AScreen) { return {AScreen.X, ScreenToScroll(AScreen.Y, false)}; }
  TKitPoint ScrollPosToScreen(const TKitPoint& AScroll) { return {AScroll.X, ScrollToScreen(AScroll.Y, false)}; }
  TKitPoint OffsetToScroll(int AOffset);
  TKitPoint OffsetPtToScrollPt(const TOffsetPoint& APoint);
  TOffsetPoint ScrollPtToOffsetPt(const TKitPoint& AScrollPoint);
  int ScrollToNearestOffset(const TKitPoint& AScroll);
  void GetScrollCharScrollBounds(const TKitPoint& AScroll, int& ALeft, int& ARight);
  // Pixel start (screen, after the horizontal scroll) and width of a column.
  void ScrollPosToScreenPix(const TKitPoint& AScroll, int64_t& AStart, int& ACount);
  void ScreenPosToScreenPix(const TKitPoint& AScreen, int64_t& AStart, int& ACount, bool AScreenOnly);
  TKitPoint ScreenPixToScrollPos(int64_t APixW, int AScrollLine);
  TKitPoint ScreenPixToScreenPos(int64_t APixW, int AScreenLine);
  int64_t ScrollXToPixelsFixed(int64_t ACol) const { return ACol * FSpaceCharW; }
  int64_t PixelsToScrollXFixed(int64_t AXPix, bool ARoundToBigger) const;
  int64_t CalkPointVisWidth(int AOffset);
  int64_t CalkPointVisWidth(const TOffsetPoint& AOffPt) { return CalkPointVisWidth(AOffPt.Offset) + AOffPt.InCharOffset; }
  int GetScrollLineVisWidth(int ALine);
  int GetScrollLineOffStart(int ALine);
  TOffsetPoint GetScrollLineOffLast(int ALine);
  TScrollLineInfo GetScrollLineInfo(int ALine);
  void GetPhysLineVisibleBounds(int ALine, int& AFirst, int& ALast);

  // --- rows on screen ---
  const TScreenLineInfo& GetScreenLine(int ALine) const;
  int GetScreenLineStart(int ALine) const { return GetScreenLine(ALine).StartState.Offset; }
  int GetScreenLineWordStart(int ALine) const { return GetScreenLine(ALine).StartWordOff; }
  int GetScreenLineWordEnd(int ALine) const { return GetScreenLine(ALine).EndWordOff; }
  const TChunk* GetScreenLineChunks(int ALine, int& ACnt) const;
  TKitScreenLineProps GetScreenLineProps(int ALine) const { return GetScreenLine(ALine).ScrollInfo.VisProps; }
  void GetScreenLineXBounds(int AScreenLine, int64_t& AStart, int64_t& ACount) const;
  int64_t GetScreenLineFirstX(int ALine) const { return GetScreenLine(ALine).StartState.X; }
  int64_t GetScreenLineLastX(int ALine) const;
  int LinesOnScreenScroll() const { return static_cast<int>(FScreenLines.size()); }
  int OldLinesOnScreenScroll() const { return FOldLinesOnScreenScroll; }
  int FirstLineScroll() const { return FFirstLineScroll + FFirstLineSkew; }
  int LastLineScroll() const { return FirstLineScroll() + LinesOnScreenScroll() - 1; }
  int FirstLinePhysical() const { return FFirstLinePhysical; }
  int CalkVisibleCountScroll();
  int CalkVisibleCountScrollBar(bool AForceRecalk);
  int FirstCharOnScreen() const;
  int FindOffsetInVisibleScreen(int AOffset) const;

  // --- visibility ---
  bool IsOffsetVisible(int AOffset);
  bool IsLineStartVisible(int ALine);
  void EnsureOffsetIsVisible(int AOffset);
  int GetNearestValidOffset(int AOffset);
  bool IsScrollInScreenBounds(const TKitPoint& AScrollPos);
  bool IsScrollInScreenYBounds(int AScrollLine) const;
  bool IsCursorInScreenBounds();
  bool IsCursorInScreenYBounds();
  bool AfterLastScroll(int AY);
  void CorrectToLastScroll(int& AY);
  void CorrectCursorSelPos(TKitPoint& APt);
  void CorrectPhysY(int& AY) const;
  int LastScrollLine() { return std::max(0, CalkVisibleCountScroll() - 1); }
  // The offset lies between a line's end and the next line's start (the LF of a CR LF).
  bool InLineBreak(int AOffset) const;

  // --- scrolling ---
  void Scroll(int AOffset);
  void SetFirstLineAsScroll(int ALine);
  int HorizScroll() const { return FHorizScroll; }
  void SetHorizScroll(int AValue);
  int64_t HorizScrollPixels() const { return FHorizScrollPixels; }

  // --- folds ---
  bool IsCollapsedFold(int ALine);
  // False when refused: a collapse whose line carries a hidden mark already, or whose
  // range would cross a collapsed one (the view beeps).
  bool Fold(int ALine, bool AAll);
  void Unfold(int ALine, bool AAll);
  // Raises what Fold (ACollapse) or Unfold would raise for ALine, and changes nothing else.
  void CheckFoldLine(int ALine, bool ACollapse);
  void FoldAllIn(int AOuterFold, bool ATopOnly, bool ARunUpdate);
  void UnfoldAllIn(int AOuterFold, bool ATopOnly);
  int GetNextVisibleLine(int ALine, bool ADoCheck = false);
  int GetPrevVisibleLine(int ALine, bool ADoCheck = false);
  // The end line of the collapsed fold starting at ALine, -1 when it is not collapsed.
  int CollapsedFoldEnd(int ALine);
  int CollapsedFoldCount() {
    if (FDoc != nullptr) EnsureFolds();
    return FHiddenStarts.Count();
  }

  // --- cursor and selection ---
  TKitPoint CursorPos();
  TOffsetPoint CursorOffset() const { return MarkPoint(FCursorPos); }
  void SetCursorPos(const TKitPoint& APoint, TScrollCorrectDirection ACorrectDir, bool ABlock);
  void SetCursorOffset(const TOffsetPoint& AOffPt, TScrollCorrectDirection ACorrectDir, bool ABlock);
  TKitPoint SelStart();
  TKitPoint SelEnd();
  void SetSelStart(const TKitPoint& APoint);
  void SetSelEnd(const TKitPoint& APoint);
  TOffsetPoint SelStartOffset() const { return MarkPoint(FSelStart); }
  TOffsetPoint SelEndOffset() const { return MarkPoint(FSelEnd); }
  bool SelBlockMode() const { return FSelBlock; }
  void SetSelection(const TOffsetPoint& AStart, const TOffsetPoint& AEnd, bool ABlock);
  void SetSelection(const TKitPoint& AStart, const TKitPoint& AEnd, bool ABlock);
  TKitPoint SelStartN();
  TKitPoint SelEndN();
  bool SelAvail() const;
  bool SelectionToScreen(TKitPoint& AStartScr, TKitPoint& AEndScr);
  TKitPoint CorrectScrollPoint(const TKitPoint& APoint, TScrollCorrectCause AWhatFor,
                               TScrollCorrectDirection ADirection, bool ABlock);
  TOffsetPoint CorrectScrollPoint(const TOffsetPoint& APoint, TScrollCorrectCause AWhatFor,
                                  TScrollCorrectDirection ADirection, bool ACorrectAfterWrapFwd, bool ABlock);

  // --- status and painting support ---
  TKitViewStatusChanges StatusChanges();
  void ResetStatusChanges();
  void SetDirty(int AScr);
  void SetDirtyScroll(int AScrollLine);
  bool IsScreenLineDirty(int ALine) const;
  void UnsetDirties();
  void SetAllDirty();

  // --- the wrap parser ---
  TWrapParserState WP_GetState(int AOffset);
  TWrapParserState WP_GetStateOverFolds(int AOffset);
  // The position covering column (pixel) X of row Y, or the row's last position.
  TWrapParserState WP_GetStateByXY(int64_t AX, int AY, bool ACheckRow);
  TWrapParserState WP_GetStateByXPixY(int64_t AXPix, int AY, bool ACheckRow);
  const TWP_Cache& WPCache() const { return FWPCache; }
  // Positions measured by walks, and rows built, for tests and benchmarks.
  int64_t WalkSteps() const { return FWalkSteps; }
  int64_t RowsBuilt() const { return FRowsBuilt; }

 private:
  friend class TStoredView;
  friend class TStoredViewData;
  struct TWalk;
  struct TRecord;
  struct TLineCtx;

  TKitEditDocument& Doc() const { return *FDoc; }
  int LinesCount() const { return FDoc->LinesCount(); }
  int CharsCount() const { return FDoc->CharsCount(); }
  TKitEditParserBase& Parser() const { return FDoc->GetParser(); }
  TOffsetPoint MarkPoint(const TOffsetPointMark& AMark) const;
  void LowerFirstInvalid(int AOffset);
  void Invalidate(TScreenCacheValid AItems) { FValidState = FValidState - AItems; }
  void Reset(bool ADropFolds);
  void RebuildSpecialChars();
  void CheckPhysLine(int ALine) const;
  // A line inside the text whose start no collapsed fold hides.
  void CheckLineVisible(int ALine);

  // walking (screen_walk.cpp)
  TWrapParserState InitialState();
  TWrapParserState LineStartState(int ALine, int AY);
  bool FindStart(const TWP_Target& ATarget, TWrapParserState& AStart);
  bool ScreenRowState(const TWP_Target& ATarget, TWrapParserState& ARes) const;
  TWrapParserState Walk(const TWP_Target& ATarget, const TWrapParserState& AFrom, bool& AReached);
  TWrapParserState GetState(const TWP_Target& ATarget, bool& AReached);
  void BuildRow(int AY, TScreenLineInfo& ARow);
  // Moves the old row AOld into ARow when row AY shows its line as before, with its offsets
  // following an edit of another line; false (and AOld untouched) otherwise.
  bool ReuseRow(int AY, TScreenLineInfo& AOld, TScreenLineInfo& ARow);
  void LineAttrRuns(int ALine, int ALineStart, std::vector<TRowAttrRun>& ARuns);
  // The column under an unscrolled pixel of a built row (virtual columns past its end).
  int64_t ColumnAtRowPixel(const TScreenLineInfo& ARow, int64_t APix);
  // The column of a tab starting at ATabX whose glyph covers APix.
  int64_t TabColumnAt(int64_t ATabX, int64_t ATabPix, int AVisWidth, int64_t APix);
  TKitScreenLineProps LineProps(int ALine, bool AStartsLine, bool AEndsLine);
  bool IsSeparator(char16_t C) const;
  bool IsAddictSeparator(char16_t C) const;
  char16_t TailGlyphKind(int ALine, TKitSpecialCharKind& AKind) const;
  // The no-wrap mapping between rows and lines, through the hidden intervals.
  int NoWrapLineToRow(int ALine);
  int NoWrapRowToLine(int ARow);

  // screen rows (screen_cache.cpp)
  void RebuildScreen();
  // An edit of the text: within line ALine, or (ABreaks) adding or removing line breaks.
  void NoteEdit(int ALine, bool ABreaks);
  // Everything besides the text and the tokens that a row without wrapping is drawn from.
  struct TRowSettings {
    TKitViewWrapMode WrapMode = wmNoWrap;
    int TabWidth = 0;
    int ScreenWidthPixels = 0;
    int64_t HorizScrollPixels = 0;
    int SpaceCharW = 0;
    TKitFont Font;
    TKitTextMeasurer* Measurer = nullptr;
    TScreenAttrs DefaultAttrs;
    uint64_t SepBits[2] = {0, 0};
    TKitString Separators;
    char16_t SpecialChars[kKitSpecialCharKindCount] = {};
    TKitFontCharset SpecialCharsCharSet[kKitSpecialCharKindCount] = {};
    bool ShowKind[kKitSpecialCharKindCount] = {};
    friend bool operator==(const TRowSettings&, const TRowSettings&) = default;
  };
  TRowSettings RowSettings() const;
  TKitScreenLineProps MarkProps(int APhysLine);
  void AfterScreenChange();

  // folds (screen_folds.cpp)
  void UpdateFolds();
  void MergeMetEnds();
  void EnsureFolds();
  void CheckHighlightRange(int AStart, int ACount);
  void AddHiddenRange(int AStart, int AEnd);
  void RemoveHiddenRange(THiddenStart* AStart);
  void ClearHidden();
  void CollapseLine(int ALine, int AEnd);
  // The line the folds inside AOuterFold end before; -1 stands for the whole text.
  int InnerFoldsLimit(int AOuterFold);
  bool CanCollapse(int ALine, int AEnd);
  THiddenStart* FindStart(int ALine) const;
  void RebuildHiddenIntervals();
  // The hidden line intervals, merged and sorted; lines [First, Last] are not shown.
  struct TInterval {
    int First;
    int Last;
    int HiddenBefore;  // hidden lines in the intervals before this one
  };
  const std::vector<TInterval>& HiddenIntervals();
  int HiddenLinesBefore(int ALine);

  // cursor (screen_cursor.cpp)
  void SetMark(TOffsetPointMark& AMark, const TOffsetPoint& APoint);
  TOffsetPoint MoveOutOfLineBreak(const TOffsetPoint& APoint);
  void CorrectCursorAfterEdit();
  void DirtyScrollRange(int AFromY, int AToY);

  TScreenCacheParent* FParent;
  TKitEditDocument* FDoc = nullptr;
  std::unique_ptr<TStoredView> FStoredView;
  TScreenCacheValid FValidState;
  bool FScreenIsBuilding = false;
  TCharWidthCache FCharCache;
  TWP_Cache FWPCache{1000, 1000};
  std::vector<TKitEditParsedToken> FWPTokenArr;
  TKitHashTable FHiddenStarts;
  TKitHashTable FHiddenEnds;
  IKitMarkersPtr FHiddenMarks;
  bool FHiddenIntervalsValid = false;
  std::vector<TInterval> FHiddenIntervals;
  IKitMarkersPtr FCursorMarks;
  std::vector<TScreenLineInfo> FScreenLines;
  std::vector<TScreenLineInfo> FSpareLines;  // storage for the next rebuild's rows
  int FVisibleCountScroll = -1;
  int FVisibleCountScrollBar = -1;
  int FFirstLineScroll = 0;
  int FFirstLineSkew = 0;
  int FFirstLinePhysical = 0;
  int FFirstInvalidOffset = -1;
  TKitViewWrapMode FWrapMode;
  int FTabWidth;
  int FFixedWrapWidth;
  int FScreenHeightLines;
  int FScreenWidthPixels;
  TOffsetPointMark FCursorPos, FSelStart, FSelEnd;
  bool FSelBlock = false;
  int FHorizScroll = 0;
  int64_t FHorizScrollPixels = 0;
  TKitFont FFont;
  TKitTextMeasurer* FMeasurer;
  TScreenAttrs FDefaultAttrs;
  TKitSpecialChars* FSpecChars;
  int FSpaceCharW = 8;
  TKitString FSeparators;  // the document's full word separators
  uint64_t FSepBits[2] = {0, 0};  // the separators below 128, as bits
  char16_t FSpecialChars[kKitSpecialCharKindCount] = {};
  TKitFontCharset FSpecialCharsCharSet[kKitSpecialCharKindCount] = {};
  bool FShowKind[kKitSpecialCharKindCount] = {};
  int FOldScreenHeightLines = 0, FOldScreenWidthPixels = 0, FOldLinesOnScreenScroll = 0;
  int64_t FOldHScrollPixels = 0;
  int FOldFirstLine = 0;
  TOffsetPoint FOldCursorPos, FOldSelStart, FOldSelEnd;
  bool FOldSelBlock = false;
  THighlightsSparse FHighlights;
  // As the view's highlight settings start: a yellow background only.
  TScreenAttrs FHighlightAttrs{clYellow, clBlack, 0, asBackgroundColor};
  bool FHighlightUse = true;
  TAttrsCache FAttrsCache;
  // Rows kept from one rebuild to the next: only while nothing but edits inside lines
  // happened (Reset and line breaks end that), and not for the lines edited.
  bool FRowsReusable = false;
  TRowSettings FRowSettings;
  int FEditedFirst = INT32_MAX;
  int FEditedLast = -1;
  std::vector<TKitEditParsedToken> FRowTokenArr;
  std::vector<TRowAttrRun> FRowRuns;
  int FKnownLinesCount = 1;
  int64_t FWalkSteps = 0;
  int64_t FRowsBuilt = 0;
  int FUpdateDepth = 0;
};

}  // namespace zv
