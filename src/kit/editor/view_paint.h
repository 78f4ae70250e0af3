// What a view's painting hands to its hooks and events: the parameters of one cell of a
// screen line (a gutter bar or the text), the custom gutter painting with its default
// painter, and the line attributes an application may give a scroll line.
#pragma once
#include <cstdint>
#include <functional>

#include "kit/editor/edit_platform.h"
#include "kit/editor/gutter.h"
#include "kit/editor/parser_base.h"

namespace zv {

class TScreenCache;

struct TLinePaintParams {
  int ScreenLine = 0;
  TKitRect Rect;       // the cell to fill
  TKitRect InnerRect;  // the cell narrowed by paddings, for alignment
  TScreenCache* Cache = nullptr;
  TKitCanvas* Canvas = nullptr;
  const TKitFont* Font = nullptr;
  TColor BgColor = clWhite;    // the control's colour, or a bar's
  TColor TextColor = clBlack;  // the font's colour, or a bar's
  int LineHeight = 0;
  // Straight onto the canvas, without line attributes from the event, block-selection fill,
  // wrap ruler or the one-space tail.
  bool Printing = false;
};

// Paints a gutter bar of a screen line the way the view does.
using TKitGutterDefaultPainter = std::function<void(int AScreenLine, TKitGutterBar* ABar,
                                                    TKitGutterBarKind ABarPaintKind, TKitCanvas& ACanvas,
                                                    const TKitRect& ARect)>;

struct TKitGutterPaintParams {
  int ScreenLine = 0;
  TKitGutterBar* Bar = nullptr;
  TKitCanvas* Canvas = nullptr;
  TKitRect Rect;
  TKitGutterDefaultPainter DefaultPainter;
};
// A custom bar painted by the application; APaintOk False paints it as a plain custom bar.
using TKitGutterPaintEvent = std::function<void(TObject* Sender, const TKitGutterPaintParams& AParams, bool& APaintOk)>;

// Attributes for a whole scroll line: members named in AttributesSet replace the defaults;
// with AOverrideTokens they also win over the tokens' colours.
using TKitGetLineAttrsEvent =
    std::function<void(TObject* Sender, int AScrollLine, TKitEditAttributes& AAttributes, bool& AOverrideTokens)>;

enum TKitBitmapAlign { baLeft, baRight, baCenter };
// X at the rectangle's left, right or centre (halving rounds toward zero), Y centred;
// nothing for a null picture.
void KitDrawAlignedBitmap(TKitCanvas& ACanvas, const TKitEditImage* AImage, TKitBitmapAlign AAlign,
                          const TKitRect& ARect);

}  // namespace zv
