#include "kit/editor/screen_cache.h"

#include <algorithm>

#include "kit/editor/stored_view.h"
#include "kit/text/unicode.h"

namespace zv {

namespace {

// Both tables file their entries under the line they stand for.
class THiddenHashTraits : public TKitHashTableTraits {
 public:
  uint32_t MakeHashI(TObject* AItem) const override {
    return KitSedIntHash(static_cast<uint32_t>(static_cast<THiddenEntry*>(AItem)->KeyLine));
  }
  uint32_t MakeHashK(TKitHashKey AKey) const override { return KitSedIntHash(static_cast<uint32_t>(AKey)); }
  bool Compare(TKitHashKey AKey, TObject* AItem) const override {
    return static_cast<THiddenEntry*>(AItem)->KeyLine == AKey;
  }
};

// After an edit: a start stays while its mark and its end's mark are valid and on
// different lines, filed under its mark's new line.
class THiddenStartTraits : public THiddenHashTraits {
 public:
  TKitHashUpdateAction OnUpdate(TObject* AItem) const override {
    auto* start = static_cast<THiddenStart*>(AItem);
    THiddenEnd* end = start->EEnd;
    const bool ok = start->KeyMark && start->KeyMark->get_IsValid() && end != nullptr && end->KeyMark &&
                    end->KeyMark->get_IsValid() && start->KeyMark->get_Line() != end->KeyMark->get_Line();
    if (ok) {
      start->KeyLine = start->KeyMark->get_Line();
      return uaNothing;
    }
    if (end != nullptr) end->RemoveFromStarts(start);
    if (start->KeyMark && start->KeyMark->get_IsValid()) start->KeyMark->DeleteFromCollection();
    return uaDelete;
  }
};

class THiddenEndTraits : public THiddenHashTraits {
 public:
  TKitHashUpdateAction OnUpdate(TObject* AItem) const override {
    auto* end = static_cast<THiddenEnd*>(AItem);
    end->ShrinkStarts();
    if (end->KeyMark && end->KeyMark->get_IsValid() && !end->Starts.empty()) {
      end->KeyLine = end->KeyMark->get_Line();
      return uaNothing;
    }
    for (THiddenStart* s : end->Starts) s->EEnd = nullptr;
    end->Starts.clear();
    if (end->KeyMark && end->KeyMark->get_IsValid()) end->KeyMark->DeleteFromCollection();
    return uaDelete;
  }
};

const THiddenStartTraits kStartTraits;
const THiddenEndTraits kEndTraits;

int ClampInt(int64_t V) { return static_cast<int>(KitClamp<int64_t>(V, INT32_MIN, INT32_MAX)); }

}  // namespace

void THiddenEnd::RemoveFromStarts(THiddenStart* AStart) {
  const auto it = std::find(Starts.begin(), Starts.end(), AStart);
  ZV_ASSERT(it != Starts.end());
  Starts.erase(it);
}

void THiddenEnd::ShrinkStarts() { std::erase(Starts, nullptr); }

TScreenCache::TScreenCache(TScreenCacheParent* AParent, TKitSpecialChars* ASpecChars, TKitTextMeasurer* AMeasurer,
                           const TKitFont& AFont, int AWrapWidth, int AScreenHeightLines, int AScreenWidthPixels,
                           int ATabWidth, TKitViewWrapMode AWrapMode)
    : FParent(AParent),
      FStoredView(std::make_unique<TStoredView>(this, 100)),
      FHiddenStarts(kStartTraits, true),
      FHiddenEnds(kEndTraits, true),
      FWrapMode(AWrapMode),
      FTabWidth(KitClamp(ATabWidth, 1, 200)),
      FFixedWrapWidth(std::max(1, AWrapWidth)),
      FScreenHeightLines(std::max(1, AScreenHeightLines)),
      FScreenWidthPixels(std::max(1, AScreenWidthPixels)),
      FFont(AFont),
      FMeasurer(AMeasurer),
      FSpecChars(ASpecChars),
      FAttrsCache(AMeasurer, &AFont) {}

TScreenCache::~TScreenCache() {
  if (FDoc != nullptr) DetachFromDocument(false);
  FStoredView.reset();
}

// --- documents ---

void TScreenCache::AttachToDocument(TKitEditDocument& ADoc) {
  if (FDoc != nullptr) DetachFromDocument(false);
  FDoc = &ADoc;
  FHiddenMarks = ADoc.CreateCustomLineMarkers(true, false);
  FCursorMarks = ADoc.CreateCustomMarkers(true, false, false);
  FCursorPos = {FCursorMarks->CreateMark(0), 0};
  FSelStart = {FCursorMarks->CreateMark(0), 0};
  FSelEnd = {FCursorMarks->CreateMark(0), 0};
  FSelBlock = false;
  FKnownLinesCount = ADoc.LinesCount();
  FHorizScroll = 0;
  FHorizScrollPixels = 0;
  Reset(true);
  UpdateCaches();
  if (TStoredViewData* data = FStoredView->GetDataByDoc(&ADoc)) {
    const auto point = [](const IKitMarkPtr& m, int inChar) {
      return TOffsetPoint{m && m->get_IsValid() ? m->get_Pos() : 0, m && m->get_IsValid() ? inChar : 0};
    };
    const int screenStart = data->ScreenStart && data->ScreenStart->get_IsValid() ? data->ScreenStart->get_Pos() : 0;
    for (const IKitMarkPtr& m : data->Folds) {
      if (!m->get_IsValid()) continue;
      const int line = m->get_Line();
      if (IsLineStartVisible(line) && Parser().IsFoldStart(line) && !IsCollapsedFold(line)) Fold(line, false);
    }
    SetSelection(point(data->SelStart, data->SelStartInChar), point(data->SelEnd, data->SelEndInChar),
                 data->SelBlockMode);
    SetCursorOffset(point(data->Cursor, data->CursorInChar), scBackward, data->SelBlockMode);
    const int offset = GetNearestValidOffset(screenStart);
    SetFirstLineAsScroll(WP_GetStateOverFolds(offset).Y);
    FStoredView->RemoveData(data);
    UpdateCaches();
  }
}

void TScreenCache::DetachFromDocument(bool AStoreDoc) {
  if (FDoc == nullptr) return;
  FHighlights.Clear();
  if (AStoreDoc) {
    UpdateCaches();
    FStoredView->AttachCurrentDoc();
  }
  ClearHidden();
  FCursorPos = {};
  FSelStart = {};
  FSelEnd = {};
  // A document on its way out has let go of its collections already.
  for (IKitMarkersPtr* c : {&FHiddenMarks, &FCursorMarks}) {
    if (*c) {
      try {
        FDoc->DetachCustomMarkers(*c);
      } catch (const EKitEditDocError&) {
      }
    }
    c->reset();
  }
  FDoc = nullptr;
  FScreenLines.clear();
  FSpareLines.clear();
  FWPCache.Clear();
  FValidState = {};
}

int TScreenCache::StoreDocSettingsLimit() const { return FStoredView->GetDataLimit(); }

void TScreenCache::SetStoreDocSettingsLimit(int AValue) { FStoredView->SetDataLimit(std::max(0, AValue)); }

// --- settings ---

TKitMeasuredFont* TScreenCache::GetFont(TKitFontStyles AFs, TKitFontCharset ACharset) {
  return FAttrsCache.GetFont(AFs, ACharset);
}

int TScreenCache::GetCharWidth(char16_t AChar, TKitFontStyles AFs, TKitFontCharset ACharSet) {
  int w = FCharCache.GetCharWidth(AChar, ACharSet, AFs);
  if (w >= 0) return w;
  TKitMeasuredFont* font = FMeasurer != nullptr ? FAttrsCache.GetFont(AFs, ACharSet) : nullptr;
  w = font != nullptr ? std::max(0, font->CharWidth(AChar)) : FSpaceCharW;
  FCharCache.SetCharWidth(AChar, ACharSet, AFs, w);
  return w;
}

void TScreenCache::SetFont(const TKitFont& AFont) {
  FFont = AFont;
  FAttrsCache.Reset(FMeasurer, &FFont);
  ResetPreserve();
}

void TScreenCache::SetMeasurer(TKitTextMeasurer* AMeasurer) {
  if (AMeasurer == FMeasurer) return;
  FMeasurer = AMeasurer;
  FAttrsCache.Reset(FMeasurer, &FFont);
  ResetPreserve();
}

void TScreenCache::SetWrapMode(TKitViewWrapMode AMode) {
  if (AMode == FWrapMode) return;
  FWrapMode = AMode;
  ResetPreserve();
}

void TScreenCache::SetWrapWidth(int AWidth) {
  AWidth = std::max(1, AWidth);
  if (AWidth == FFixedWrapWidth) return;
  FFixedWrapWidth = AWidth;
  if (FWrapMode == wmWrapToRuler) ResetPreserve();
}

void TScreenCache::SetTabWidth(int AWidth) {
  if (AWidth == FTabWidth) return;
  if (!KitInRange(AWidth, 1, 200)) KitViewError("Bad tab width: %d. It should be in bounds: [%d, %d]", AWidth, 1, 200);
  FTabWidth = AWidth;
  ResetPreserve();
}

void TScreenCache::SetScreenSize(int APixWidth, int ALinesHeight) {
  if (APixWidth < 1) KitViewError("Invalid screen width given: [%d]. Valid range: [1..MAXINT]", APixWidth);
  if (ALinesHeight < 1) KitViewError("Invalid screen height given: [%d]. Valid range: [1..MAXINT]", ALinesHeight);
  if (APixWidth == FScreenWidthPixels && ALinesHeight == FScreenHeightLines) return;
  const bool widthChanged = APixWidth != FScreenWidthPixels;
  FScreenWidthPixels = APixWidth;
  FScreenHeightLines = ALinesHeight;
  if (widthChanged && FWrapMode == wmWrapToWindow) {
    ResetPreserve();
    return;
  }
  Invalidate({csScreen});
  UpdateCaches();
}

void TScreenCache::RebuildSpecialChars() {
  const TKitSpecialCharKinds shown = FSpecChars != nullptr ? FSpecChars->ShowCharKinds() : TKitSpecialCharKinds();
  for (int k = 0; k < kKitSpecialCharKindCount; ++k) {
    const auto kind = static_cast<TKitSpecialCharKind>(k);
    FShowKind[k] = shown.Contains(kind);
    FSpecialChars[k] = FShowKind[k] ? FSpecChars->ShowChar(kind) : u' ';
    FSpecialCharsCharSet[k] = FSpecChars != nullptr && FSpecChars->UseCharset() ? FSpecChars->Charset() : 0;
  }
  // A hidden tab head is a space; the tail glyph the same.
  if (!FShowKind[skTabHead]) FSpecialChars[skTabHead] = u' ';
  if (!FShowKind[skTabTail]) FSpecialChars[skTabTail] = u' ';
}

void TScreenCache::Reset(bool ADropFolds) {
  FRowsReusable = false;
  FCharCache.Clear();
  FAttrsCache.Reset(FMeasurer, &FFont);
  FWPCache.Clear();
  FFirstInvalidOffset = -1;
  FScreenLines.clear();
  FVisibleCountScroll = -1;
  FVisibleCountScrollBar = -1;
  FFirstLinePhysical = 0;
  FFirstLineSkew = 0;
  FFirstLineScroll = 0;
  FSpaceCharW = 8;
  if (TKitMeasuredFont* f = FMeasurer != nullptr ? FAttrsCache.GetFont(FFont.Style, 0) : nullptr)
    FSpaceCharW = f->CharWidth(u' ');
  FSpaceCharW = std::max(1, FSpaceCharW);
  FDefaultAttrs = {clWhite, FFont.Color, FFont.Style,
                   static_cast<uint8_t>(asBackgroundColor | asTextColor | asFontStyle)};
  FSeparators = FDoc != nullptr ? FDoc->GetFullWordSeparators() : TKitString();
  FSepBits[0] = FSepBits[1] = 0;
  for (char16_t c : FSeparators)
    if (c < 128 && c != u'(' && c != u'{' && c != u'[') FSepBits[c >> 6] |= uint64_t{1} << (c & 63);
  RebuildSpecialChars();
  FHorizScrollPixels = ScrollXToPixelsFixed(FHorizScroll);
  if (ADropFolds) {
    ClearHidden();
    FValidState = {csFolds};
  } else {
    FValidState = FValidState & TScreenCacheValid{csFolds};
  }
}

void TScreenCache::ResetPreserve() {
  if (FDoc == nullptr) {
    Reset(false);
    return;
  }
  const int line = FFirstLinePhysical;
  const int horiz = FHorizScroll;
  Reset(false);
  UpdateCaches();
  int l = line;
  CorrectPhysY(l);
  EnsureOffsetIsVisible(Doc().GetLine(l).Start);
  SetFirstLineAsScroll(PhysicalToScroll(l));
  if (FWrapMode != wmWrapToWindow) SetHorizScroll(horiz);
  else SetHorizScroll(0);
}

// --- document notifications ---

void TScreenCache::LowerFirstInvalid(int AOffset) {
  FFirstInvalidOffset = FFirstInvalidOffset < 0 ? AOffset : std::min(FFirstInvalidOffset, AOffset);
}

void TScreenCache::AfterInsert(int AStart, int ACount) {
  if (FDoc == nullptr || ACount <= 0) return;
  FValidState = {};
  LowerFirstInvalid(AStart);
  const int added = LinesCount() - FKnownLinesCount;
  FKnownLinesCount = LinesCount();
  if (added != 0 && Doc().GetLineByOffset(AStart) < FFirstLinePhysical) FFirstLinePhysical += added;
  FVisibleCountScroll = -1;
  TKitCharSeq& chars = Doc().Chars();
  bool breaks = added != 0;
  for (int i = AStart; i < AStart + ACount; ++i) {
    const char16_t c = chars.GetChar(i);
    if (c == u'\r' || c == u'\n') {
      FVisibleCountScrollBar = -1;
      breaks = true;
      break;
    }
  }
  NoteEdit(Doc().GetLineByOffset(AStart), breaks);
  FHighlights.AfterInsert(AStart, ACount);
}

void TScreenCache::BeforeDelete(int AStart, int ACount) {
  if (FDoc == nullptr || ACount <= 0) return;
  FValidState = {};
  LowerFirstInvalid(AStart);
  const int first = Doc().GetLineByOffset(AStart);
  const int last = Doc().GetLineByOffset(std::min(AStart + ACount, CharsCount()));
  const int removed = last - first;
  FKnownLinesCount -= removed;
  if (FFirstLinePhysical > first) {
    if (FFirstLinePhysical <= last) {
      FFirstLinePhysical = first;
      FFirstLineSkew = 0;
    } else {
      FFirstLinePhysical -= removed;
    }
  }
  FVisibleCountScroll = -1;
  bool breaks = removed > 0;
  if (removed > 0) {
    FVisibleCountScrollBar = -1;
  } else {
    TKitCharSeq& chars = Doc().Chars();
    for (int i = AStart; i < AStart + ACount; ++i) {
      const char16_t c = chars.GetChar(i);
      if (c == u'\r' || c == u'\n') {
        FVisibleCountScrollBar = -1;
        breaks = true;
        break;
      }
    }
  }
  NoteEdit(first, breaks);
  FHighlights.BeforeDelete(AStart, ACount);
}

void TScreenCache::DocumentRefresh() {
  if (FDoc == nullptr) return;
  FHighlights.Clear();
  FKnownLinesCount = LinesCount();
  FValidState.Exclude(csFolds).Exclude(csCursor);
  ResetPreserve();
}

// --- highlights ---

// Both bounds inside the text and outside line breaks.
void TScreenCache::CheckHighlightRange(int AStart, int ACount) {
  const auto insideBreak = [&](int64_t off) {
    return off < 0 || off > CharsCount() || InLineBreak(static_cast<int>(off));
  };
  if (FDoc == nullptr || ACount < 0 || insideBreak(AStart) || insideBreak(int64_t{AStart} + ACount))
    KitViewError("Bad offset range: [start: %d, count: %d]. Its bounds should be inside some scroll line.", AStart,
                 ACount);
}

void TScreenCache::AddHighlight(int AStart, int ACount) {
  CheckHighlightRange(AStart, ACount);
  if (ACount == 0) return;
  FHighlights.AddRange(AStart, ACount);
  FValidState.Exclude(csScreen).Exclude(csConversionCaches);
  LowerFirstInvalid(AStart);
}

void TScreenCache::RemoveHighlight(int AStart, int ACount) {
  CheckHighlightRange(AStart, ACount);
  if (!FHighlights.RemoveRange(AStart, ACount)) return;
  FValidState.Exclude(csScreen).Exclude(csConversionCaches);
  LowerFirstInvalid(AStart);
}

void TScreenCache::ClearHighlights() {
  if (FHighlights.RangesCnt() == 0) return;
  LowerFirstInvalid(FHighlights.Range(0).Start);
  FHighlights.Clear();
  FValidState.Exclude(csScreen).Exclude(csConversionCaches);
}

void TScreenCache::SetHighlightAttrs(const TKitEditAttributes& AAttrs, bool AUse) {
  FHighlightAttrs = KitScreenAttrs(AAttrs);
  FHighlightAttrs.AttributesSet &= static_cast<uint8_t>(~asCustomAttributes);
  FHighlightUse = AUse;
  if (FHighlights.RangesCnt() > 0) ResetPreserve();
}

// --- bringing the caches up to date ---

void TScreenCache::EnsureFolds() {
  if (FValidState.Contains(csFolds)) return;
  FValidState.Include(csFolds);
  UpdateFolds();
}

void TScreenCache::EnsureConversions() {
  if (FDoc == nullptr) return;
  EnsureFolds();
  if (!FValidState.Contains(csConversionCaches)) {
    if (FFirstInvalidOffset >= 0) FWPCache.Invalidate(FFirstInvalidOffset);
    FFirstInvalidOffset = -1;
    FVisibleCountScroll = -1;
    FValidState.Include(csConversionCaches);
    FValidState.Exclude(csScreen);  // the rows are stale: the correction below must not trust them
    CorrectPhysY(FFirstLinePhysical);
    if (!IsLineStartVisible(FFirstLinePhysical)) {
      FFirstLinePhysical = std::max(0, GetPrevVisibleLine(FFirstLinePhysical));
      FFirstLineSkew = 0;
    }
    FFirstLineScroll = PhysicalToScroll(FFirstLinePhysical);
    int y = ClampInt(int64_t{FFirstLineScroll} + std::max(0, FFirstLineSkew));
    CorrectToLastScroll(y);
    FFirstLineSkew = y - FFirstLineScroll;
    if (FFirstLineSkew > 0 && FFirstLineSkew >= ScreenCount(FFirstLinePhysical)) {
      // The first line lost rows: the screen starts at the last row of the line before.
      FFirstLinePhysical = std::max(0, GetPrevVisibleLine(FFirstLinePhysical));
      FFirstLineScroll = PhysicalToScroll(FFirstLinePhysical);
      FFirstLineSkew = ScreenCount(FFirstLinePhysical) - 1;
    }
  }
}

void TScreenCache::UpdateCaches() {
  if (FDoc == nullptr) return;
  EnsureConversions();
  if (!FValidState.Contains(csScreen)) {
    RebuildScreen();
    FValidState.Include(csScreen);
  }
  if (!FValidState.Contains(csCursor)) {
    FValidState.Include(csCursor);
    CorrectCursorAfterEdit();
  }
}

// --- rows on screen ---

TKitScreenLineProps TScreenCache::MarkProps(int APhysLine) {
  TKitScreenLineProps p;
  TKitEditDocument& doc = Doc();
  if (doc.Bookmarks()->GetMarksCountByLines(APhysLine, 1) > 0) p.Include(lpBookmark);
  for (const IKitMarkPtr& m : doc.Breakpoints()->GetMarksByLines(APhysLine, 1)) {
    switch (doc.GetBreakpointKind(m)) {
      case mkBreakActive: p.Include(lpBreakpointActive); break;
      case mkBreakDisabled: p.Include(lpBreakpointDisabled); break;
      case mkBreakInactive: p.Include(lpBreakpointInactive); break;
    }
  }
  for (const IKitMarkPtr& m : doc.DebugFrameLines()->GetMarksByLines(APhysLine, 1)) {
    switch (doc.GetDebugFrameKind(m)) {
      case fkFrame: p.Include(lpFrame); break;
      case fkFrameTop: p.Include(lpFrameTop); break;
      case fkFrameActive: p.Include(lpFrameActive); break;
    }
  }
  return p;
}

TKitScreenLineProps TScreenCache::LineProps(int ALine, bool AStartsLine, bool AEndsLine) {
  TKitScreenLineProps p;
  if (AStartsLine) p.Include(lpFirstWrap);
  if (AEndsLine || FWrapMode == wmNoWrap) p.Include(lpLastWrap);
  if (Parser().IsFoldStart(ALine)) p.Include(lpFoldStart);
  if (Parser().IsFoldEnd(ALine)) p.Include(lpFoldEnd);
  if (FindStart(ALine) != nullptr) p.Include(lpCollapsedFold);
  return p | MarkProps(ALine);
}

namespace {

// Equal rows draw the same: offsets may differ (text was inserted above), what is drawn
// where may not.
bool SameChunk(const TChunk& A, const TChunk& B) {
  return A.Attrs == B.Attrs && A.CharSet == B.CharSet && A.StateOffsetCount == B.StateOffsetCount &&
         A.Chars == B.Chars && A.CanMerge == B.CanMerge && A.IsTail == B.IsTail && A.IsSpecial == B.IsSpecial;
}

bool SameRow(const TScreenLineInfo& A, const TScreenLineInfo& B) {
  return A.StartState.X == B.StartState.X && A.StartState.XPix == B.StartState.XPix &&
         A.ScrollInfo.PhysicalLine == B.ScrollInfo.PhysicalLine && A.ScrollInfo.VisProps == B.ScrollInfo.VisProps &&
         std::equal(A.Chunks.begin(), A.Chunks.end(), B.Chunks.begin(), B.Chunks.end(), SameChunk);
}

}  // namespace

void TScreenCache::NoteEdit(int ALine, bool ABreaks) {
  if (ABreaks) {
    FRowsReusable = false;
    return;
  }
  FEditedFirst = std::min(FEditedFirst, ALine);
  FEditedLast = std::max(FEditedLast, ALine);
}

TScreenCache::TRowSettings TScreenCache::RowSettings() const {
  TRowSettings r;
  r.WrapMode = FWrapMode;
  r.TabWidth = FTabWidth;
  r.ScreenWidthPixels = FScreenWidthPixels;
  r.HorizScrollPixels = FHorizScrollPixels;
  r.SpaceCharW = FSpaceCharW;
  r.Font = FFont;
  r.Measurer = FMeasurer;
  r.DefaultAttrs = FDefaultAttrs;
  r.SepBits[0] = FSepBits[0];
  r.SepBits[1] = FSepBits[1];
  r.Separators = FSeparators;
  std::copy(std::begin(FSpecialChars), std::end(FSpecialChars), r.SpecialChars);
  std::copy(std::begin(FSpecialCharsCharSet), std::end(FSpecialCharsCharSet), r.SpecialCharsCharSet);
  std::copy(std::begin(FShowKind), std::end(FShowKind), r.ShowKind);
  return r;
}

void TScreenCache::RebuildScreen() {
  std::vector<TScreenLineInfo> old;
  old.swap(FScreenLines);
  FScreenLines.reserve(old.size() + 1);
  // Typing changes one line: the rows of the others stay when nothing else changed. Rows
  // that wrap depend on each other, and highlights follow no line, so those are rebuilt.
  const TRowSettings settings = RowSettings();
  const bool reuse = FRowsReusable && FWrapMode == wmNoWrap && FHighlights.RangesCnt() == 0 &&
                     settings == FRowSettings;
  FScreenIsBuilding = true;
  try {
    const int first = FirstLineScroll();
    for (int i = 0; i < FScreenHeightLines; ++i) {
      const int64_t y = int64_t{first} + i;
      if (y > INT32_MAX) break;
      // The rows of the rebuild before the last one lend their storage to the new rows, so
      // that a rebuild after each keystroke allocates next to nothing.
      TScreenLineInfo row;
      if (static_cast<size_t>(i) < FSpareLines.size()) row = std::move(FSpareLines[static_cast<size_t>(i)]);
      if (!(reuse && static_cast<size_t>(i) < old.size() && ReuseRow(static_cast<int>(y), old[static_cast<size_t>(i)], row))) {
        BuildRow(static_cast<int>(y), row);
        row.Dirty = static_cast<size_t>(i) >= old.size() || old[static_cast<size_t>(i)].Dirty ||
                    !SameRow(row, old[static_cast<size_t>(i)]);
      }
      if (row.StartState.Y != y) break;  // past the last row
      FScreenLines.push_back(std::move(row));
    }
  } catch (...) {
    FScreenIsBuilding = false;
    FRowsReusable = false;
    throw;
  }
  FSpareLines.swap(old);
  FScreenIsBuilding = false;
  FRowsReusable = FHighlights.RangesCnt() == 0;  // a highlight may be gone by the next rebuild
  FRowSettings = settings;
  FEditedFirst = INT32_MAX;
  FEditedLast = -1;
}

void TScreenCache::UpdateScreenMarks() {
  if (FDoc == nullptr || !FValidState.Contains(csScreen)) return;
  for (TScreenLineInfo& row : FScreenLines) {
    TKitScreenLineProps& props = row.ScrollInfo.VisProps;
    const TKitScreenLineProps marks = MarkProps(row.ScrollInfo.PhysicalLine);
    if (!(props & kKitMarkLineProps).Empty() || !marks.Empty()) row.Dirty = true;
    props = (props - kKitMarkLineProps) | marks;
  }
}

const TScreenLineInfo& TScreenCache::GetScreenLine(int ALine) const {
  if (!KitInRange(ALine, 0, LinesOnScreenScroll() - 1))
    KitViewError("Bad screen line index: %d. Valid index: [%d, %d]", ALine, 0, LinesOnScreenScroll() - 1);
  return FScreenLines[static_cast<size_t>(ALine)];
}

const TChunk* TScreenCache::GetScreenLineChunks(int ALine, int& ACnt) const {
  const TScreenLineInfo& row = GetScreenLine(ALine);
  ACnt = static_cast<int>(row.Chunks.size());
  return row.Chunks.data();
}

void TScreenCache::GetScreenLineXBounds(int AScreenLine, int64_t& AStart, int64_t& ACount) const {
  const TScreenLineInfo& row = GetScreenLine(AScreenLine);
  AStart = row.XBoundStart;
  ACount = row.XBoundCount;
}

int64_t TScreenCache::GetScreenLineLastX(int ALine) const {
  const TScreenLineInfo& row = GetScreenLine(ALine);
  if (row.Offsets.empty()) return row.StartState.X;
  return row.Offsets.back().VisX;
}

int TScreenCache::CalkVisibleCountScroll() {
  if (FVisibleCountScroll >= 0) return FVisibleCountScroll;
  if (FDoc == nullptr) return 1;
  if (FWrapMode == wmNoWrap) {
    const std::vector<TInterval>& iv = HiddenIntervals();
    int hidden = 0;
    if (!iv.empty()) hidden = iv.back().HiddenBefore + (iv.back().Last - iv.back().First + 1);
    FVisibleCountScroll = std::max(1, LinesCount() - hidden);
  } else {
    FVisibleCountScroll = WP_GetStateOverFolds(CharsCount()).Y + 1;
  }
  return FVisibleCountScroll;
}

int TScreenCache::CalkVisibleCountScrollBar(bool AForceRecalk) {
  if (AForceRecalk || FVisibleCountScrollBar < 0) FVisibleCountScrollBar = CalkVisibleCountScroll();
  return FVisibleCountScrollBar;
}

int TScreenCache::FirstCharOnScreen() const { return FScreenLines.empty() ? 0 : FScreenLines[0].RowStart; }

int TScreenCache::FindOffsetInVisibleScreen(int AOffset) const {
  for (size_t i = 0; i < FScreenLines.size(); ++i) {
    const TScreenLineInfo& row = FScreenLines[i];
    const TKitSegment& seg = row.ScrollInfo.ContentSegment;
    const int last = row.ScrollInfo.VisProps.Contains(lpLastWrap) && FDoc != nullptr
                         ? FDoc->GetLine(row.ScrollInfo.PhysicalLine).Start +
                               FDoc->GetLine(row.ScrollInfo.PhysicalLine).Count
                         : seg.Start + seg.Count - 1;
    if (AOffset >= row.RowStart && AOffset <= last) return static_cast<int>(i);
  }
  return -1;
}

// --- conversions ---

bool TScreenCache::InLineBreak(int AOffset) const {
  // The index files the LF of a CR LF under the next line, which starts after it.
  const TKitSegment seg = FDoc->GetLine(FDoc->GetLineByOffset(AOffset));
  return AOffset < seg.Start || AOffset > seg.Start + seg.Count;
}

void TScreenCache::CheckPhysLine(int ALine) const {
  if (!KitInRange(ALine, 0, LinesCount() - 1))
    KitViewError("Invalid physical line on screen index: %d. Valid range: [%d, %d]", ALine, 0, LinesCount() - 1);
}

void TScreenCache::CheckLineVisible(int ALine) {
  CheckPhysLine(ALine);
  if (!IsLineStartVisible(ALine))
    KitViewError("This operation requires given physical line to be visible. Line: %d", ALine);
}

int TScreenCache::PhysicalToScroll(int APhys) {
  if (APhys == LinesCount()) return CalkVisibleCountScroll();
  CheckLineVisible(APhys);
  if (FWrapMode == wmNoWrap) return NoWrapLineToRow(APhys);
  return WP_GetState(Doc().GetLine(APhys).Start).Y;
}

int TScreenCache::ScrollToPhysical(int AScroll) {
  if (FWrapMode == wmNoWrap) return NoWrapRowToLine(KitClamp(AScroll, 0, LastScrollLine()));
  return WP_GetStateByXY(0, std::max(0, AScroll), false).PhysLine;
}

int TScreenCache::ScreenCount(int ALine) {
  CheckLineVisible(ALine);
  if (FWrapMode == wmNoWrap) return 1;
  const TKitSegment seg = Doc().GetLine(ALine);
  return WP_GetState(seg.Start + seg.Count).Y - WP_GetState(seg.Start).Y + 1;
}

int TScreenCache::ScreenToScroll(int AScreen, bool ADoCheck) {
  if (ADoCheck && !KitInRange(AScreen, 0, LinesOnScreenScroll() - 1))
    KitViewError("Bad screen line index: %d. Valid index: [%d, %d]", AScreen, 0, LinesOnScreenScroll() - 1);
  return ClampInt(int64_t{AScreen} + FirstLineScroll());
}

int TScreenCache::ScrollToScreen(int AScrollLine, bool ADoCheck) {
  if (ADoCheck && !KitInRange(AScrollLine, FirstLineScroll(), LastLineScroll()))
    KitViewError("Bad scroll line index to convert to screen: %d. Valid index: [%d, %d]", AScrollLine,
                 FirstLineScroll(), LastLineScroll());
  return ClampInt(int64_t{AScrollLine} - FirstLineScroll());
}

int TScreenCache::ScreenToPhysical(int AScreen) {
  if (KitInRange(AScreen, 0, LinesOnScreenScroll() - 1))
    return FScreenLines[static_cast<size_t>(AScreen)].ScrollInfo.PhysicalLine;
  return ScrollToPhysical(ScreenToScroll(AScreen, false));
}

TKitPoint TScreenCache::OffsetToScroll(int AOffset) {
  if (FDoc == nullptr || !KitInRange(AOffset, 0, CharsCount()))
    KitViewError("Bad offset to get its scroll position: %d. It should be inside some scroll line.", AOffset);
  try {
    const TWrapParserState s = WP_GetState(AOffset);
    return {ClampInt(s.X), s.Y};
  } catch (const TWP_InvisibleOffsetError&) {
    KitViewError("This operation requires given offset to be visible. Offset: %d", AOffset);
  }
}

TKitPoint TScreenCache::OffsetPtToScrollPt(const TOffsetPoint& APoint) {
  TKitPoint p = OffsetToScroll(APoint.Offset);
  p.X = ClampInt(int64_t{p.X} + APoint.InCharOffset);
  return p;
}

TOffsetPoint TScreenCache::ScrollPtToOffsetPt(const TKitPoint& AScrollPoint) {
  if (AScrollPoint.X < 0) KitViewError("Bad scroll position: [x < 0].");
  if (AScrollPoint.Y < 0) KitViewError("Bad scroll position: [y < 0].");
  const TWrapParserState s = WP_GetStateByXY(AScrollPoint.X, AScrollPoint.Y, false);
  if (s.Y != AScrollPoint.Y)
    KitViewError("Bad scroll position: [y=%d]. Valid range: [y=%d]-[y=%d]", AScrollPoint.Y, 0, LastScrollLine());
  return {s.Offset, ClampInt(std::max<int64_t>(0, AScrollPoint.X - s.X))};
}

int TScreenCache::ScrollToNearestOffset(const TKitPoint& AScroll) { return ScrollPtToOffsetPt(AScroll).Offset; }

void TScreenCache::GetScrollCharScrollBounds(const TKitPoint& AScroll, int& ALeft, int& ARight) {
  const TWrapParserState s = WP_GetStateByXY(std::max(0, AScroll.X), std::max(0, AScroll.Y), false);
  ALeft = ClampInt(s.X);
  ARight = ClampInt(s.X + s.VisWidth);
}

int64_t TScreenCache::TabColumnAt(int64_t ATabX, int64_t ATabPix, int AVisWidth, int64_t APix) {
  const int tail = GetCharWidth(FSpecialChars[skTabTail], FFont.Style, FSpecialCharsCharSet[skTabTail]);
  if (tail <= 0 || AVisWidth <= 1) return ATabX;
  const int64_t k = std::max<int64_t>(0, APix - ATabPix) / tail;
  return ATabX + std::min<int64_t>(k, AVisWidth - 1);
}

void TScreenCache::ScrollPosToScreenPix(const TKitPoint& AScroll, int64_t& AStart, int& ACount) {
  const TWrapParserState s = WP_GetStateByXY(std::max(0, AScroll.X), std::max(0, AScroll.Y), false);
  const int64_t x = std::max(0, AScroll.X);
  if (x >= s.X && x < s.X + s.VisWidth) {
    if (s.IsTab && s.VisWidth > 1) {
      const int tail = GetCharWidth(FSpecialChars[skTabTail], FFont.Style, FSpecialCharsCharSet[skTabTail]);
      const int k = static_cast<int>(x - s.X);
      AStart = s.XPix + int64_t{k} * tail;
      ACount = k == s.VisWidth - 1 ? static_cast<int>(s.XPix + s.PixWidth - AStart) : tail;
    } else {
      AStart = s.XPix;
      ACount = s.PixWidth;
    }
  } else {
    // Virtual columns past the row's end are spaces.
    const int64_t extra = x - (s.X + s.VisWidth) + 1;
    AStart = s.XPix + s.PixWidth + ScrollXToPixelsFixed(std::max<int64_t>(0, extra - 1));
    ACount = FSpaceCharW;
  }
  AStart -= FHorizScrollPixels;
}

void TScreenCache::ScreenPosToScreenPix(const TKitPoint& AScreen, int64_t& AStart, int& ACount, bool AScreenOnly) {
  ScrollPosToScreenPix({AScreen.X, ScreenToScroll(AScreen.Y, AScreenOnly)}, AStart, ACount);
}

int64_t TScreenCache::ColumnAtRowPixel(const TScreenLineInfo& ARow, int64_t APix) {
  for (const TScreenOffsetItem& it : ARow.Offsets)
    if (APix < it.PixX + it.PixW) {
      if (APix < it.PixX) return it.VisX;
      return it.Flags.Contains(soTab) ? TabColumnAt(it.VisX, it.PixX, it.VisW, APix) : it.VisX;
    }
  if (ARow.Offsets.empty()) return ARow.StartState.X;
  const TScreenOffsetItem& last = ARow.Offsets.back();
  return last.VisX + last.VisW + PixelsToScrollXFixed(APix - (last.PixX + last.PixW), false);
}

TKitPoint TScreenCache::ScreenPixToScrollPos(int64_t APixW, int AScrollLine) {
  const int64_t px = std::max<int64_t>(0, APixW + FHorizScrollPixels);
  const TWrapParserState s = WP_GetStateByXPixY(px, std::max(0, AScrollLine), false);
  int64_t x;
  if (px < s.XPix + s.PixWidth) {
    x = s.IsTab ? TabColumnAt(s.X, s.XPix, s.VisWidth, px) : s.X;
  } else {
    x = s.X + s.VisWidth + PixelsToScrollXFixed(px - (s.XPix + s.PixWidth), false);
  }
  return {ClampInt(x), s.Y};
}

TKitPoint TScreenCache::ScreenPixToScreenPos(int64_t APixW, int AScreenLine) {
  TKitPoint p = ScreenPixToScrollPos(APixW, ScreenToScroll(AScreenLine, false));
  p.Y = ScrollToScreen(p.Y, false);
  return p;
}

int64_t TScreenCache::PixelsToScrollXFixed(int64_t AXPix, bool ARoundToBigger) const {
  int64_t r = AXPix / FSpaceCharW;
  if (ARoundToBigger && AXPix % FSpaceCharW != 0) r += AXPix > 0 ? 1 : -1;
  return r;
}

int64_t TScreenCache::CalkPointVisWidth(int AOffset) {
  if (FDoc == nullptr) return 0;
  AOffset = KitClamp(AOffset, 0, CharsCount());
  const TKitSegment seg = Doc().GetLine(Doc().GetLineByOffset(AOffset));
  TKitCharSeq& chars = Doc().Chars();
  int64_t x = 0;
  const int end = std::min(AOffset, seg.Start + seg.Count);
  for (int i = seg.Start; i < end; ++i) x += chars.GetChar(i) == u'\t' ? FTabWidth - x % FTabWidth : 1;
  return x + (AOffset - end);
}

int TScreenCache::GetScrollLineVisWidth(int ALine) {
  const TWrapParserState s = WP_GetStateByXY(INT64_MAX / 4, ALine, true);
  return ClampInt(s.IsTail ? s.X : s.X + s.VisWidth);
}

int TScreenCache::GetScrollLineOffStart(int ALine) { return WP_GetStateByXY(0, ALine, true).Y_OffsetStart; }

TOffsetPoint TScreenCache::GetScrollLineOffLast(int ALine) {
  return {WP_GetStateByXY(INT64_MAX / 4, ALine, true).Offset, 0};
}

TScrollLineInfo TScreenCache::GetScrollLineInfo(int ALine) {
  if (FValidState.Contains(csScreen)) {
    const int scr = ALine - FirstLineScroll();
    if (KitInRange(scr, 0, LinesOnScreenScroll() - 1)) return FScreenLines[static_cast<size_t>(scr)].ScrollInfo;
  }
  const TWrapParserState first = WP_GetStateByXY(0, ALine, true);
  const TWrapParserState last = WP_GetStateByXY(INT64_MAX / 4, ALine, true);
  TScrollLineInfo info;
  info.PhysicalLine = first.PhysLine;
  const TKitSegment seg = Doc().GetLine(first.PhysLine);
  if (FWrapMode == wmNoWrap) {
    info.ContentSegment = seg;
  } else {
    const int lastChar = last.IsTail ? seg.Start + seg.Count - 1 : last.Offset;
    info.ContentSegment = KitMakeSegment(first.Y_OffsetStart, std::max(0, lastChar - first.Y_OffsetStart + 1),
                                         &Doc().Chars());
  }
  info.VisProps = LineProps(first.PhysLine, first.Y_OffsetStart == seg.Start, last.IsTail);
  return info;
}

void TScreenCache::GetPhysLineVisibleBounds(int ALine, int& AFirst, int& ALast) {
  CheckPhysLine(ALine);
  const TKitSegment seg = Doc().GetLine(ALine);
  AFirst = seg.Start;
  ALast = seg.Start + seg.Count;
}

// --- visibility ---

bool TScreenCache::IsOffsetVisible(int AOffset) {
  if (FDoc == nullptr || !KitInRange(AOffset, 0, CharsCount()))
    KitViewError("Bad offset to get its scroll position: %d. It should be inside some scroll line.", AOffset);
  return IsLineStartVisible(Doc().GetLineByOffset(AOffset));
}

void TScreenCache::EnsureOffsetIsVisible(int AOffset) {
  if (FDoc == nullptr) return;
  AOffset = KitClamp(AOffset, 0, CharsCount());
  const int line = Doc().GetLineByOffset(AOffset);
  // Each round expands the outermost collapsed fold that hides the line.
  for (int guard = 0; guard <= FHiddenStarts.Count() && !IsLineStartVisible(line); ++guard) {
    const std::vector<TInterval>& iv = HiddenIntervals();
    const auto it = std::upper_bound(iv.begin(), iv.end(), line, [](int l, const TInterval& i) { return l < i.First; });
    if (it == iv.begin()) break;
    const int start = std::prev(it)->First - 1;
    if (FindStart(start) == nullptr) break;
    Unfold(start, false);
  }
  if (FindStart(line) != nullptr) {
    const TKitSegment seg = Doc().GetLine(line);
    if (AOffset > seg.Start + seg.Count) Unfold(line, false);
  }
}

int TScreenCache::GetNearestValidOffset(int AOffset) {
  if (FDoc == nullptr) return 0;
  AOffset = KitClamp(AOffset, 0, CharsCount());
  const int line = Doc().GetLineByOffset(AOffset);
  if (IsLineStartVisible(line)) return AOffset;
  // The end of the collapsed line that hides it.
  const int start = std::max(0, GetPrevVisibleLine(line));
  const TKitSegment seg = Doc().GetLine(start);
  return seg.Start + seg.Count;
}

bool TScreenCache::IsScrollInScreenBounds(const TKitPoint& AScrollPos) {
  if (!IsScrollInScreenYBounds(AScrollPos.Y)) return false;
  const TScreenLineInfo& row = FScreenLines[static_cast<size_t>(AScrollPos.Y - FirstLineScroll())];
  return AScrollPos.X >= row.XBoundStart && AScrollPos.X < row.XBoundStart + row.XBoundCount;
}

bool TScreenCache::IsScrollInScreenYBounds(int AScrollLine) const {
  return LinesOnScreenScroll() > 0 && KitInRange(AScrollLine, FirstLineScroll(), LastLineScroll());
}

bool TScreenCache::IsCursorInScreenBounds() { return IsScrollInScreenBounds(CursorPos()); }

bool TScreenCache::IsCursorInScreenYBounds() { return IsScrollInScreenYBounds(CursorPos().Y); }

bool TScreenCache::AfterLastScroll(int AY) {
  if (FDoc == nullptr) return AY > 0;
  if (FVisibleCountScroll >= 0) return AY > FVisibleCountScroll - 1;
  return WP_GetStateByXY(0, std::max(0, AY), false).Y < AY;
}

void TScreenCache::CorrectToLastScroll(int& AY) {
  AY = std::max(0, AY);
  if (FValidState.Contains(csScreen) && IsScrollInScreenYBounds(AY)) return;
  if (FDoc == nullptr) {
    AY = 0;
    return;
  }
  if (FVisibleCountScroll >= 0) {
    AY = std::min(AY, FVisibleCountScroll - 1);
    return;
  }
  const TWrapParserState s = WP_GetStateByXY(0, AY, false);
  if (s.Y < AY) AY = s.Y;
}

void TScreenCache::CorrectCursorSelPos(TKitPoint& APt) {
  APt.X = std::max(0, APt.X);
  CorrectToLastScroll(APt.Y);
}

void TScreenCache::CorrectPhysY(int& AY) const { AY = KitClamp(AY, 0, std::max(0, LinesCount() - 1)); }

// --- scrolling ---

void TScreenCache::SetFirstLineAsScroll(int ALine) {
  if (FDoc == nullptr) return;
  EnsureConversions();
  int y = std::max(0, ALine);
  CorrectToLastScroll(y);
  if (y == FirstLineScroll()) return;
  const TWrapParserState s = WP_GetStateByXY(0, y, false);
  FFirstLinePhysical = s.PhysLine;
  FFirstLineScroll = PhysicalToScroll(s.PhysLine);
  FFirstLineSkew = s.Y - FFirstLineScroll;
  FValidState.Exclude(csScreen);
  UpdateCaches();
  SetAllDirty();
}

void TScreenCache::Scroll(int AOffset) {
  SetFirstLineAsScroll(ClampInt(std::max<int64_t>(0, int64_t{FirstLineScroll()} + AOffset)));
}

void TScreenCache::SetHorizScroll(int AValue) {
  AValue = std::max(0, AValue);
  if (AValue == FHorizScroll && FHorizScrollPixels == ScrollXToPixelsFixed(AValue)) return;
  FHorizScroll = AValue;
  FHorizScrollPixels = ScrollXToPixelsFixed(AValue);
  FValidState.Exclude(csScreen);
  UpdateCaches();
  SetAllDirty();
}

// --- status and dirty rows ---

TKitViewStatusChanges TScreenCache::StatusChanges() {
  TKitViewStatusChanges c;
  if (FScreenHeightLines != FOldScreenHeightLines || FScreenWidthPixels != FOldScreenWidthPixels ||
      LinesOnScreenScroll() != FOldLinesOnScreenScroll)
    c.Include(scScreenSize);
  if (FHorizScrollPixels != FOldHScrollPixels) c.Include(scHScroll);
  if (FirstLineScroll() != FOldFirstLine) c.Include(scVScroll);
  if (FDoc != nullptr) {
    if (CursorOffset() != FOldCursorPos) c.Include(scCursor);
    if (SelStartOffset() != FOldSelStart || SelEndOffset() != FOldSelEnd || FSelBlock != FOldSelBlock)
      c.Include(scSelection);
  }
  return c;
}

void TScreenCache::ResetStatusChanges() {
  FOldScreenHeightLines = FScreenHeightLines;
  FOldScreenWidthPixels = FScreenWidthPixels;
  FOldLinesOnScreenScroll = LinesOnScreenScroll();
  FOldHScrollPixels = FHorizScrollPixels;
  FOldFirstLine = FirstLineScroll();
  if (FDoc != nullptr) {
    FOldCursorPos = CursorOffset();
    FOldSelStart = SelStartOffset();
    FOldSelEnd = SelEndOffset();
  }
  FOldSelBlock = FSelBlock;
}

void TScreenCache::SetDirty(int AScr) {
  if (KitInRange(AScr, 0, LinesOnScreenScroll() - 1)) FScreenLines[static_cast<size_t>(AScr)].Dirty = true;
}

void TScreenCache::SetDirtyScroll(int AScrollLine) { SetDirty(ClampInt(int64_t{AScrollLine} - FirstLineScroll())); }

bool TScreenCache::IsScreenLineDirty(int ALine) const {
  return KitInRange(ALine, 0, LinesOnScreenScroll() - 1) && FScreenLines[static_cast<size_t>(ALine)].Dirty;
}

void TScreenCache::UnsetDirties() {
  for (TScreenLineInfo& row : FScreenLines) row.Dirty = false;
}

void TScreenCache::SetAllDirty() {
  for (TScreenLineInfo& row : FScreenLines) row.Dirty = true;
}

}  // namespace zv
