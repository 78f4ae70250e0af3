// How the view draws itself: per screen line the gutter bars, then the text in up to three
// parts per chunk (before, inside and after the selection), with colours chosen from the
// marks on the line, the selection, the tokens, the read-only state and the current line.
// Each line is drawn clipped to its own cell, so nothing of a neighbour is touched: the
// window's own double buffering stands in for a line bitmap.
#include <algorithm>
#include <string>

#include "kit/editor/edit_helpers.h"
#include "kit/editor/edit_view.h"

namespace zv {

void KitDrawAlignedBitmap(TKitCanvas& ACanvas, const TKitEditImage* AImage, TKitBitmapAlign AAlign,
                          const TKitRect& ARect) {
  if (AImage == nullptr || AImage->Empty()) return;
  int x = ARect.Left;
  if (AAlign == baRight) x = ARect.Right - AImage->Width;
  else if (AAlign == baCenter) x = ARect.Left + (KitRectWidth(ARect) - AImage->Width) / 2;
  const int y = ARect.Top + (KitRectHeight(ARect) - AImage->Height) / 2;
  ACanvas.DrawImage(x, y, *AImage);
}

namespace {

int ClampInt(int64_t AValue) { return static_cast<int>(KitClamp<int64_t>(AValue, INT32_MIN / 2, INT32_MAX / 2)); }

// The line's mark colours: breakpoint, top frame, active frame, a later one winning.
bool MarkColors(const TKitCustomEditView& AView, TKitScreenLineProps AProps, TColor& ABg, TColor& AFg) {
  bool any = false;
  if (AProps.Contains(lpBreakpointActive)) {
    ABg = AView.BreakpointLineBg();
    AFg = AView.BreakpointLineColor();
    any = true;
  }
  if (AProps.Contains(lpFrameTop)) {
    ABg = AView.DebugFrameTopLineBg();
    AFg = AView.DebugFrameTopLineColor();
    any = true;
  }
  if (AProps.Contains(lpFrameActive)) {
    ABg = AView.DebugFrameActiveLineBg();
    AFg = AView.DebugFrameActiveLineColor();
    any = true;
  }
  return any;
}

bool IsNumber(const TKitString& S) {
  return !S.empty() && std::all_of(S.begin(), S.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

TKitRect Narrowed(const TKitRect& ACell, const TKitGutterBar* ABar) {
  TKitRect r = ACell;
  r.Left += ABar->LeftPadding();
  r.Right -= ABar->RightPadding();
  if (r.Right < r.Left) r.Right = r.Left;
  return r;
}

// One part of a chunk: what it draws, where and in which colours.
struct TPart {
  const TChunk* Chunk;
  int First;  // the first character of the chunk's Chars drawn by this part
  int Count;
  int64_t X;  // screen pixels
  int64_t Width;
  TColor Bg;
  TColor Fg;
  TKitFontStyles Style;
};

// What the text of one screen line is painted from.
class TTextLinePainter {
 public:
  TTextLinePainter(TKitCustomEditView& AView, TLinePaintParams& AParams, const TKitPoint& ASelStart,
                   const TKitPoint& ASelEnd)
      : V(AView), P(AParams), C(*AParams.Cache), Cv(*AParams.Canvas), SelStart(ASelStart), SelEnd(ASelEnd) {}

  void Run() {
    const TKitRect& cell = P.Rect;
    OnScreen = P.ScreenLine >= 0 && P.ScreenLine < C.LinesOnScreenScroll();
    ScrollLine = C.FirstLineScroll() + P.ScreenLine;
    LineAttributes();
    Props = OnScreen ? C.GetScreenLineProps(P.ScreenLine) : TKitScreenLineProps();
    HasMark = !P.Printing && MarkColors(V, Props, MarkBg, MarkFg);
    OtherFrame = Props.Contains(lpFrame);
    ReadOnly = V.IsReadOnly();
    CurrentLine = IsCurrentLine();
    SelectionColumns();

    Cv.FillRect(cell, LineBg);
    BuildParts();
    for (const TPart& part : Parts) {
      const TKitRect r{ClampInt(std::max<int64_t>(part.X, cell.Left)), cell.Top, ClampInt(part.X + part.Width),
                       cell.Bottom};
      if (r.Right > r.Left) Cv.FillRect(r, part.Bg);
    }
    if (!P.Printing) {
      const TKitRect tail{ClampInt(std::max<int64_t>(TextEnd, cell.Left)), cell.Top, cell.Right, cell.Bottom};
      if (tail.Right > tail.Left) Cv.FillRect(tail, TailColor());
    }
    for (const TPart& part : Parts) DrawText(part);
    if (!P.Printing) {
      BlockSelectionTail();
      WrapRuler();
    }
  }

 private:
  void LineAttributes() {
    LineBg = P.BgColor;
    LineFg = P.TextColor;
    LineStyle = P.Font != nullptr ? P.Font->Style : 0;
    if (P.Printing || !V.OnGetLineAttributes || !OnScreen) return;
    V.OnGetLineAttributes(&V, ScrollLine, LineAttrs, Override);
    if (LineAttrs.AttributesSet & asBackgroundColor) LineBg = LineAttrs.BackgroundColor;
    if (LineAttrs.AttributesSet & asTextColor) LineFg = LineAttrs.TextColor;
    if (LineAttrs.AttributesSet & asFontStyle) LineStyle = LineAttrs.FontStyle;
  }

  // The cursor's row is highlighted unless a selection reaches it.
  bool IsCurrentLine() {
    if (!OnScreen || !V.ViewSettings().Contains(vsHighlightSelectedLine) || V.Document() == nullptr) return false;
    const TKitPoint cursor = C.CursorPos();
    if (cursor.Y != ScrollLine) return false;
    return !C.SelAvail() || cursor.Y < SelStart.Y || cursor.Y > SelEnd.Y;
  }

  // The selected columns of this row: [SelFrom, SelTo).
  void SelectionColumns() {
    Block = C.SelBlockMode();
    if (!OnScreen || !C.SelAvail() || ScrollLine < SelStart.Y || ScrollLine > SelEnd.Y) return;
    HasSel = true;
    if (Block) {
      SelFrom = SelStart.X;
      SelTo = SelEnd.X;
      return;
    }
    SelFrom = ScrollLine == SelStart.Y ? SelStart.X : INT64_MIN;
    SelTo = ScrollLine == SelEnd.Y ? SelEnd.X : INT64_MAX;
  }

  bool Selected(int64_t ACol) const { return HasSel && ACol >= SelFrom && ACol < SelTo; }

  bool SameAsControl(TColor AColor) const { return KitResolveColor(AColor) == KitResolveColor(V.Color()); }

  void PartColors(const TChunk& AChunk, bool AInside, TPart& APart) const {
    const TScreenAttrs& a = AChunk.Attrs;
    const bool hasBg = (a.AttributesSet & asBackgroundColor) != 0;
    const bool hasFg = (a.AttributesSet & asTextColor) != 0;
    const bool hasStyle = (a.AttributesSet & asFontStyle) != 0;
    if (AInside) {
      APart.Bg = HasMark ? MarkBg : V.SelectionBg();
      APart.Fg = HasMark ? MarkFg : V.SelectionColor();
      APart.Style = hasStyle ? a.FontStyle : LineStyle;
    } else {
      if (HasMark) {
        APart.Bg = MarkBg;
        APart.Fg = MarkFg;
      } else {
        if (hasBg && (P.Printing || !SameAsControl(a.BackgroundColor))) APart.Bg = a.BackgroundColor;
        else if (OtherFrame) APart.Bg = V.DebugFrameLineBg();
        else if (ReadOnly) APart.Bg = V.ReadOnlyBgColor();
        else if (CurrentLine) APart.Bg = V.SelectedLineBg();
        else APart.Bg = LineBg;  // the control's colour, or the line's own
        if (hasFg) APart.Fg = a.TextColor;
        else if (OtherFrame) APart.Fg = V.DebugFrameLineColor();
        else APart.Fg = LineFg;
      }
      APart.Style = static_cast<TKitFontStyles>((hasStyle ? a.FontStyle : 0) | LineStyle);
    }
    if (Override) {
      if (LineAttrs.AttributesSet & asBackgroundColor) APart.Bg = LineAttrs.BackgroundColor;
      if (LineAttrs.AttributesSet & asTextColor) APart.Fg = LineAttrs.TextColor;
      if (LineAttrs.AttributesSet & asFontStyle) APart.Style = LineAttrs.FontStyle;
    }
  }

  TColor TailColor() const {
    if (HasMark) return MarkBg;
    if (OtherFrame) return V.DebugFrameLineBg();
    if (ReadOnly) return V.ReadOnlyBgColor();
    if (CurrentLine) return V.SelectedLineBg();
    return LineBg;
  }

  const TScreenOffsetItem* Item(int AOffset) const {
    const int i = AOffset - Row->StartState.Offset;
    if (i < 0 || i >= static_cast<int>(Row->Offsets.size())) return nullptr;
    return &Row->Offsets[static_cast<size_t>(i)];
  }

  int64_t ScreenX(int64_t ARowPix) const { return int64_t{P.Rect.Left} + ARowPix - C.HorizScrollPixels(); }

  void AddPart(const TChunk& AChunk, int AFirst, int ACount, int64_t AX, int64_t AWidth, bool AInside) {
    TPart part{&AChunk, AFirst, ACount, AX, AWidth, 0, 0, 0};
    PartColors(AChunk, AInside, part);
    Parts.push_back(part);
  }

  void SplitChunk(const TChunk& AChunk) {
    if (AChunk.IsSpecial || AChunk.StateOffsetCount != static_cast<int>(AChunk.Chars.size())) {
      // A tab, a shown space or the line end: one position, drawn whole.
      const TScreenOffsetItem* it = Item(AChunk.StateOffset);
      if (it == nullptr) return;
      AddPart(AChunk, 0, static_cast<int>(AChunk.Chars.size()), ScreenX(it->PixX), it->PixW, Selected(it->VisX));
      TextEnd = ScreenX(it->PixX + it->PixW);
      return;
    }
    int start = 0;
    const int n = AChunk.StateOffsetCount;
    while (start < n) {
      const TScreenOffsetItem* first = Item(AChunk.StateOffset + start);
      if (first == nullptr) return;
      const bool inside = Selected(first->VisX);
      int end = start + 1;
      int64_t width = first->PixW;
      for (; end < n; ++end) {
        const TScreenOffsetItem* it = Item(AChunk.StateOffset + end);
        if (it == nullptr || Selected(it->VisX) != inside) break;
        width += it->PixW;
      }
      AddPart(AChunk, start, end - start, ScreenX(first->PixX), width, inside);
      TextEnd = ScreenX(first->PixX) + width;
      start = end;
    }
  }

  void BuildParts() {
    TextEnd = ScreenX(0);
    if (!OnScreen) return;
    Row = &C.GetScreenLine(P.ScreenLine);
    bool hasTail = false;
    for (const TChunk& chunk : Row->Chunks) {
      SplitChunk(chunk);
      hasTail = hasTail || chunk.IsTail;
    }
    // A line end without a glyph is still a space wide: the selection of a line break shows there.
    if (!hasTail && !P.Printing && Row->RowComplete && !Row->Offsets.empty() &&
        Row->Offsets.back().Flags.Contains(soTail)) {
      TailChunk.Chars = u" ";
      TailChunk.IsTail = true;
      TailChunk.IsSpecial = true;
      TailChunk.CanMerge = false;
      TailChunk.StateOffset = Row->StartState.Offset + static_cast<int>(Row->Offsets.size()) - 1;
      TailChunk.StateOffsetCount = 1;
      SplitChunk(TailChunk);
    }
  }

  void DrawText(const TPart& APart) {
    const TChunk& chunk = *APart.Chunk;
    const char16_t* chars = chunk.Chars.data() + APart.First;
    if (std::all_of(chars, chars + APart.Count, [](char16_t c) { return c == u' '; })) return;
    TKitMeasuredFont* font = C.GetFont(APart.Style, chunk.CharSet);
    if (font == nullptr) return;
    Xs.resize(static_cast<size_t>(APart.Count));
    if (chunk.IsSpecial || chunk.StateOffsetCount != static_cast<int>(chunk.Chars.size())) {
      // Glyphs of one position side by side.
      int64_t x = APart.X;
      for (int i = 0; i < APart.Count; ++i) {
        Xs[static_cast<size_t>(i)] = ClampInt(x);
        x += C.GetCharWidth(chars[i], APart.Style, chunk.CharSet);
      }
    } else {
      for (int i = 0; i < APart.Count; ++i)
        Xs[static_cast<size_t>(i)] = ClampInt(ScreenX(Item(chunk.StateOffset + APart.First + i)->PixX));
    }
    Cv.DrawChars(chars, Xs.data(), APart.Count, P.Rect.Top, *font, APart.Fg);
  }

  // A block wider than the line: selection colours up to its right edge.
  void BlockSelectionTail() {
    if (!HasSel || !Block) return;
    int64_t left, right;
    int w;
    C.ScrollPosToScreenPix({static_cast<int>(SelFrom), ScrollLine}, left, w);
    C.ScrollPosToScreenPix({static_cast<int>(SelTo), ScrollLine}, right, w);
    const int64_t from = std::max({int64_t{P.Rect.Left} + left, TextEnd, int64_t{P.Rect.Left}});
    const int64_t to = std::min<int64_t>(int64_t{P.Rect.Left} + right, P.Rect.Right);
    if (to > from)
      Cv.FillRect({ClampInt(from), P.Rect.Top, ClampInt(to), P.Rect.Bottom}, HasMark ? MarkBg : V.SelectionBg());
  }

  void WrapRuler() {
    if (!V.ViewSettings().Contains(vsShowWrapRuler)) return;
    const int64_t col = int64_t{V.WrapRulerWidth()} - C.HorizScroll();
    if (col <= 0) return;
    const int64_t x = int64_t{P.Rect.Left} + C.ScrollXToPixelsFixed(col);
    if (x >= P.Rect.Right) return;
    Cv.DrawLine(ClampInt(x), P.Rect.Top, ClampInt(x), P.Rect.Bottom, V.WrapRulerColor());
  }

  TKitCustomEditView& V;
  TLinePaintParams& P;
  TScreenCache& C;
  TKitCanvas& Cv;
  TKitPoint SelStart, SelEnd;
  bool OnScreen = false;
  int ScrollLine = 0;
  const TScreenLineInfo* Row = nullptr;
  TKitEditAttributes LineAttrs;
  bool Override = false;
  TColor LineBg = clWhite, LineFg = clBlack;
  TKitFontStyles LineStyle = 0;
  TKitScreenLineProps Props;
  bool HasMark = false;
  TColor MarkBg = 0, MarkFg = 0;
  bool OtherFrame = false, ReadOnly = false, CurrentLine = false;
  bool HasSel = false, Block = false;
  int64_t SelFrom = 0, SelTo = 0;
  std::vector<TPart> Parts;
  TChunk TailChunk;
  int64_t TextEnd = 0;
  std::vector<int> Xs;
};

}  // namespace

// --- all lines ---

void TKitCustomEditView::Paint(TKitCanvas& ACanvas, const TKitRect& AUpdate) {
  if (InState(siDestroing) || InState(siPainting) || IsUpdating() || FLineHeight <= 0) return;
  TScreenCache& c = *FScreenCache;
  c.UpdateCaches();
  IncludeState(siPainting);
  LockPaint();
  try {
    const TKitRect client = GetPaintRect();
    TKitPoint selStart = c.SelStartN(), selEnd = c.SelEndN();
    if (c.SelBlockMode()) KitNormalizeBlockRect(selStart, selEnd);
    const int lines = c.ScreenHeightLines();
    for (int i = 0; i < lines; ++i) {
      const int top = ClampInt(int64_t{client.Top} + int64_t{FLineHeight} * i);
      if (top >= client.Bottom || top >= AUpdate.Bottom) break;
      if (top + FLineHeight <= AUpdate.Top) continue;
      TLinePaintParams p;
      p.ScreenLine = i;
      p.Cache = &c;
      p.Canvas = &ACanvas;
      p.Font = &FFont;
      p.BgColor = FColor;
      p.TextColor = FFont.Color;
      p.LineHeight = FLineHeight;
      if (FGutterWidth > 0) {
        p.Rect = p.InnerRect = {0, top, FGutterWidth, top + FLineHeight};
        PaintGutterLine(p);
      }
      p.Rect = p.InnerRect = {FGutterWidth, top, client.Right, top + FLineHeight};
      p.BgColor = FColor;
      p.TextColor = FFont.Color;
      if (p.Rect.Right > p.Rect.Left) {
        ACanvas.SetClipRect(p.Rect);
        PaintTextLine(p, selStart, selEnd);
        ACanvas.RemoveClipRect();
      }
    }
  } catch (...) {
    ACanvas.RemoveClipRect();
    UnlockPaint();
    ExcludeState(siPainting);
    throw;
  }
  UnlockPaint();
  ExcludeState(siPainting);
}

// --- gutter ---

void TKitCustomEditView::PaintGutterLine(TLinePaintParams& AParams) {
  const TKitRect line = AParams.Rect;
  TKitGutterBars& bars = FGutter->Bars();
  int left = 0;
  for (int i = 0; i < bars.Count(); ++i) {
    TKitGutterBar* bar = bars.Items(i);
    if (!bar->Visible()) continue;
    const TKitRect cell{left, line.Top, left + bar->FullWidth(), line.Bottom};
    left = cell.Right;
    AParams.Rect = AParams.InnerRect = cell;
    AParams.BgColor = FColor;
    AParams.TextColor = FFont.Color;
    AParams.Canvas->SetClipRect(cell);
    if (bar->Kind() == gbCustom && OnGutterPaint) {
      TKitGutterPaintParams gp;
      gp.ScreenLine = AParams.ScreenLine;
      gp.Bar = bar;
      gp.Canvas = AParams.Canvas;
      gp.Rect = cell;
      gp.DefaultPainter = [this](int AScreenLine, TKitGutterBar* ABar, TKitGutterBarKind AKind, TKitCanvas& ACanvas,
                                 const TKitRect& ARect) {
        DefaultGutterPainter(AScreenLine, ABar, AKind, ACanvas, ARect);
      };
      bool ok = true;
      OnGutterPaint(this, gp, ok);
      AParams.Canvas->SetClipRect(cell);
      if (!ok) PaintGutterBar(AParams, bar, gbCustom);
    } else {
      PaintGutterBar(AParams, bar, bar->Kind());
    }
    AParams.Canvas->RemoveClipRect();
  }
  AParams.Rect = AParams.InnerRect = line;
}

void TKitCustomEditView::DefaultGutterPainter(int AScreenLine, TKitGutterBar* ABar, TKitGutterBarKind ABarPaintKind,
                                              TKitCanvas& ACanvas, const TKitRect& ARect) {
  TLinePaintParams p;
  p.ScreenLine = AScreenLine;
  p.Rect = p.InnerRect = ARect;
  p.Cache = FScreenCache.get();
  p.Canvas = &ACanvas;
  p.Font = &FFont;
  p.BgColor = FColor;
  p.TextColor = FFont.Color;
  p.LineHeight = FLineHeight;
  PaintGutterBar(p, ABar, ABarPaintKind);
}

void TKitCustomEditView::PaintGutterBar(TLinePaintParams& AParams, TKitGutterBar* ABar, TKitGutterBarKind AKind) {
  TScreenCache& c = *AParams.Cache;
  TKitCanvas& cv = *AParams.Canvas;
  TKitGutter& g = *FGutter;
  const bool onScreen = AParams.ScreenLine >= 0 && AParams.ScreenLine < c.LinesOnScreenScroll();
  const TKitScreenLineProps props = onScreen ? c.GetScreenLineProps(AParams.ScreenLine) : TKitScreenLineProps();
  const bool startsLine = props.Contains(lpFirstWrap);
  const TKitRect cell = AParams.Rect;
  switch (AKind) {
    case gbLineNumberBar:
      AParams.InnerRect = Narrowed(cell, ABar);
      AParams.BgColor = g.LinesBarBg();
      AParams.TextColor = g.LinesBarTextColor();
      PaintLineNumber(AParams);
      break;
    case gbFoldBar: {
      cv.FillRect(cell, g.FoldsBarBg());
      const TKitRect r = Narrowed(cell, ABar);
      AParams.InnerRect = r;
      const TColor pen = g.FoldsBarLineColor();
      const int cx = r.Left + KitRectWidth(r) / 2;
      if (startsLine && props.Contains(lpCollapsedFold)) {
        KitDrawAlignedBitmap(cv, g.FoldGlyph(true), baCenter, r);
      } else if (startsLine && props.Contains(lpFoldStart)) {
        KitDrawAlignedBitmap(cv, g.FoldGlyph(false), baCenter, r);
      } else if (props.Contains(lpLastWrap) && props.Contains(lpFoldEnd)) {
        if (const TKitEditImage* end = g.FoldEndGlyph()) {
          KitDrawAlignedBitmap(cv, end, baCenter, r);
        } else {
          const int mid = r.Top + KitRectHeight(r) / 2;
          cv.DrawLine(cx, r.Top, cx, mid, pen);
          cv.DrawLine(cx, mid, r.Right, mid, pen);
          cv.DrawLine(cx, mid, cx, r.Bottom, pen);
        }
      } else if (onScreen) {
        cv.DrawLine(cx, r.Top, cx, r.Bottom, pen);
      }
      break;
    }
    case gbCustom: cv.FillRect(cell, g.CustomBarBg()); break;
    case gbBookmarkBar:
    case gbBreakpointBar:
    case gbWrapBar: {
      cv.FillRect(cell, g.BookmarksBarBg());
      const TKitRect r = Narrowed(cell, ABar);
      AParams.InnerRect = r;
      if (!onScreen) break;
      if (AKind == gbBookmarkBar) {
        if (!startsLine || !props.Contains(lpBookmark) || FFDoc == nullptr) break;
        const IKitMarkPtr mark =
            FFDoc->Bookmarks()->GetLastLineMark(c.GetScreenLine(AParams.ScreenLine).ScrollInfo.PhysicalLine);
        if (!mark) break;
        KitDrawAlignedBitmap(cv, g.BookmarkGlyph(), baCenter, r);
        const TKitString name = mark->get_Name();
        if (IsNumber(name))
          if (TKitMeasuredFont* font = c.GetFont(0, 0))
            KitExtTextOut(cv, r, r.Left + 2, r.Top + 1, name.data(), static_cast<int>(name.size()), true, *font,
                          g.BookmarksBarTextColor(), clNone);
      } else if (AKind == gbBreakpointBar) {
        KitDrawAlignedBitmap(cv, g.BreakpointGlyph(props), baCenter, r);
        KitDrawAlignedBitmap(cv, g.DebugFrameGlyph(props), baCenter, r);
      } else if (!startsLine) {
        KitDrawAlignedBitmap(cv, g.WrapLineGlyph(), baCenter, r);
      }
      break;
    }
  }
}

void TKitCustomEditView::PaintLineNumber(TLinePaintParams& AParams) {
  TScreenCache& c = *AParams.Cache;
  TKitCanvas& cv = *AParams.Canvas;
  const bool onScreen = AParams.ScreenLine >= 0 && AParams.ScreenLine < c.LinesOnScreenScroll();
  const TKitScreenLineProps props = onScreen ? c.GetScreenLineProps(AParams.ScreenLine) : TKitScreenLineProps();
  const bool startsLine = props.Contains(lpFirstWrap);
  const TKitFontStyles style = AParams.Font != nullptr ? AParams.Font->Style : 0;
  const TKitRect& inner = AParams.InnerRect;
  if (startsLine) {
    const int line = c.GetScreenLine(AParams.ScreenLine).ScrollInfo.PhysicalLine;
    const int interval = std::max(1, FGutter->LineNumberingInterval());
    if (line == 0 || (line + 1) % interval == 0) {
      TKitMeasuredFont* font = c.GetFont(style, 0);
      if (font == nullptr) return;
      const std::string digits = std::to_string(int64_t{line} + 1);
      const TKitString text(digits.begin(), digits.end());
      KitExtTextOut(cv, AParams.Rect, inner.Right - KitTextWidth(*font, text), inner.Top, text.data(),
                    static_cast<int>(text.size()), false, *font, AParams.TextColor, AParams.BgColor);
      return;
    }
  }
  if (startsLine || AParams.Printing) {
    const TKitFontCharset cs = FSpecialChars->UseCharset() ? FSpecialChars->Charset() : 0;
    TKitMeasuredFont* font = c.GetFont(style, cs);
    if (font == nullptr) return;
    const char16_t bullet = FSpecialChars->ShowChar(skLineNumberBullet);
    KitExtTextOut(cv, AParams.Rect, inner.Right - font->CharWidth(bullet), inner.Bottom - AParams.LineHeight, &bullet,
                  1, false, *font, AParams.TextColor, AParams.BgColor);
    return;
  }
  cv.FillRect(AParams.Rect, AParams.BgColor);
  if (onScreen && FGutter->Settings().Contains(gsPaintWrapsOnLineNumberBar))
    KitDrawAlignedBitmap(cv, FGutter->WrapLineGlyph(), baRight, inner);
}

// --- text ---

void TKitCustomEditView::PaintTextLine(TLinePaintParams& AParams, const TKitPoint& ASelStart,
                                       const TKitPoint& ASelEnd) {
  TTextLinePainter(*this, AParams, ASelStart, ASelEnd).Run();
}

// --- focus ---

void TKitCustomEditView::FocusEntered() {
  if (InState(siDestroing)) return;
  LeaveStates({siComplListShown, siComplTimer});
  UpdateCaret();
}

void TKitCustomEditView::FocusLeft() {
  if (InState(siDestroing)) return;
  HideCaret();
  LeaveStates({siComplListShown, siComplTimer});
  if (FScrollTimer) StopAutoScroll();
}

}  // namespace zv
