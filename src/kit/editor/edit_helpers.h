// Small helpers every editor unit shares: the clipboard transfer with the block flag, text
// output and font metrics over the platform seam, colour text of the colour schemes, the
// gutter glyphs, times of day and shortcut splitting.
#pragma once
#include <cstdint>

#include "kit/editor/char_seq.h"
#include "kit/editor/edit_platform.h"
#include "kit/editor/view_types.h"

namespace zv {

// --- clipboard ---
bool KitClipboardHasText(TKitClipboard& AClipboard);
// Nothing for an empty text.
void KitSetClipboardText(TKitClipboard& AClipboard, const TKitString& AText, bool AAsBlock);
// Text is empty when the clipboard holds none.
void KitGetClipboardText(TKitClipboard& AClipboard, TKitString& AText, bool& AIsBlock);
void KitCopySegmentToClipboard(TKitClipboard& AClipboard, const TKitSegment& ASeg, bool AAsBlock);

// --- text output and measuring ---
// Draws ACount units from (AX, AY) at the font's advances; unless ATransparent, ARect is
// filled with ABkColor first.
void KitExtTextOut(TKitCanvas& ACanvas, const TKitRect& ARect, int AX, int AY, const char16_t* AText, int ACount,
                   bool ATransparent, TKitMeasuredFont& AFont, TColor ATextColor, TColor ABkColor);
void KitCanvasTextOut(TKitCanvas& ACanvas, const TKitRect& ARect, int AX, const TKitString& AText, int AY,
                      TKitMeasuredFont& AFont, TColor ATextColor, TColor ABkColor);
// LineHeight is the height plus the external leading.
void KitGetFontMetrics(TKitMeasuredFont& AFont, int& AAvgWidth, int& ALineHeight, int& AMaxWidth);
void KitGetFontSize(TKitMeasuredFont& AFont, int& AAvgWidth, int& ALineHeight);
int KitTextWidth(TKitMeasuredFont& AFont, const TKitString& AText);
inline int KitCharWidth(TKitMeasuredFont& AFont, char16_t AChar) { return AFont.CharWidth(AChar); }

// --- values ---
// "#RRGGBB" (a shorter hex text is padded with zeros after the "#") or a colour name
// without its "cl" prefix; Color is written only on success.
bool KitSedStrToColor(const TKitString& AText, TColor& AColor);

struct TKitTimeOfDay {
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int MSec = 0;
};
TKitTimeOfDay KitMSecsToTime(int64_t AMSecs);

// A shortcut is a virtual key in its low 13 bits plus 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt.
using TKitShortCut = uint16_t;
void KitShortCutToKey(TKitShortCut AShortCut, uint16_t& AKey, TKitShiftState& AShift);
TKitShortCut KitShortCut(uint16_t AKey, TKitShiftState AShift);

// --- gutter glyphs ---
enum TKitEditGlyph {
  egBookmark,
  egBreakActive,
  egBreakInactive,
  egBreakDisabled,
  egFoldPlus,
  egFoldMinus,
  egWrapLine,
  egDebugTop,
  egDebugActive
};
// The built-in picture of a glyph (drawn once, kept for the process).
const TKitEditImage& KitEditGlyph(TKitEditGlyph AGlyph);
// The built-in picture of a resource name ("BOOKMARK", "FOLD_PLUS", ...); null for another name.
const TKitEditImage* KitLoadResBitmap(const char* AName);

}  // namespace zv
