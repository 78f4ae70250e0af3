// Types the view, its screen cache and its parts share: small sets over enumerations, the
// offset point, the view's settings and status changes, the screen-line properties and the
// view's error class.
#pragma once
#include <cstdint>
#include <initializer_list>

#include "foundation/errors.h"
#include "kit/text/kit_types.h"

namespace zv {

ZV_ERROR_CLASS(EKitEditViewError, Exception)
[[noreturn]] void KitViewError(const char* AFmt, ...) __attribute__((format(printf, 1, 2)));

// A set of the members of a small enumeration, bit n standing for ordinal n.
template <class E, class Bits = uint32_t>
class TKitSet {
 public:
  constexpr TKitSet() = default;
  constexpr TKitSet(std::initializer_list<E> AMembers) {
    for (E m : AMembers) Include(m);
  }
  static constexpr TKitSet FromBits(Bits ABits) {
    TKitSet s;
    s.FBits = ABits;
    return s;
  }
  constexpr bool Contains(E AMember) const { return ((FBits >> static_cast<int>(AMember)) & 1) != 0; }
  constexpr TKitSet& Include(E AMember) {
    FBits = static_cast<Bits>(FBits | (Bits{1} << static_cast<int>(AMember)));
    return *this;
  }
  constexpr TKitSet& Exclude(E AMember) {
    FBits = static_cast<Bits>(FBits & ~(Bits{1} << static_cast<int>(AMember)));
    return *this;
  }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr Bits ToBits() const { return FBits; }
  constexpr TKitSet operator|(TKitSet B) const { return FromBits(static_cast<Bits>(FBits | B.FBits)); }
  constexpr TKitSet operator&(TKitSet B) const { return FromBits(static_cast<Bits>(FBits & B.FBits)); }
  constexpr TKitSet operator-(TKitSet B) const { return FromBits(static_cast<Bits>(FBits & ~B.FBits)); }
  constexpr TKitSet& operator|=(TKitSet B) {
    FBits = static_cast<Bits>(FBits | B.FBits);
    return *this;
  }
  friend constexpr bool operator==(TKitSet, TKitSet) = default;

 private:
  Bits FBits = 0;
};

// A position at a character plus a number of columns inside it (inside a tab's expansion,
// or past the end of a line in virtual space).
struct TOffsetPoint {
  int Offset = 0;
  int InCharOffset = 0;
  friend bool operator==(const TOffsetPoint&, const TOffsetPoint&) = default;
};
inline bool KitOffsetPointLess(const TOffsetPoint& A, const TOffsetPoint& B) {
  return A.Offset < B.Offset || (A.Offset == B.Offset && A.InCharOffset < B.InCharOffset);
}

// A fixed underlying type: a stored value out of range must read as itself (then no wrap).
enum TKitViewWrapMode : uint8_t { wmNoWrap, wmWrapToRuler, wmWrapToWindow };

enum TKitViewSetting {
  vsShowWrapRuler,
  vsHideShowScrollbars,
  vsOverwrite,
  vsUseTabs,
  vsHighlightSelectedLine,
  vsAutoIndent,
  vsKeepBlanks,
  vsCursorBoundToChars,
  vsRightClickMovesCursor,
  vsBackspaceUnindents,
  vsDragDropEditing,
  vsPreciseScrollbars
};
using TKitViewSettings = TKitSet<TKitViewSetting, uint16_t>;

enum TKitViewStatusChange {
  scCursor,
  scSelection,
  scFont,
  scViewSettings,
  scGutterSettings,
  scHScroll,
  scVScroll,
  scScreenSize,
  scWrapSettings,
  scFolds
};
using TKitViewStatusChanges = TKitSet<TKitViewStatusChange, uint16_t>;

// The bit numbers are those the gutter's glyph choice tests: $08 active breakpoint, $10
// inactive, $20 disabled, $40 a debug frame, $80 the top frame, $100 the active frame.
enum TKitScreenLineProp {
  lpFirstWrap,
  lpLastWrap,
  lpBookmark,
  lpBreakpointActive,
  lpBreakpointInactive,
  lpBreakpointDisabled,
  lpFrame,
  lpFrameTop,
  lpFrameActive,
  lpFoldStart,
  lpCollapsedFold,
  lpFoldEnd
};
using TKitScreenLineProps = TKitSet<TKitScreenLineProp, uint16_t>;
// The properties that come from marks on the line.
inline constexpr TKitScreenLineProps kKitMarkLineProps{lpBookmark,           lpBreakpointActive, lpBreakpointInactive,
                                                       lpBreakpointDisabled, lpFrame,            lpFrameTop,
                                                       lpFrameActive};

enum TKitSpecialCharKind {
  skTabTail,
  skTabHead,
  skSpace,
  skCR,
  skLF,
  skCRLF,
  skLineWrap,
  skFoldedLineEnd,
  skLineNumberBullet
};
using TKitSpecialCharKinds = TKitSet<TKitSpecialCharKind, uint16_t>;
constexpr int kKitSpecialCharKindCount = 9;

// (-1, -1): no point.
inline TKitPoint KitInvalidPoint() { return {-1, -1}; }
inline bool KitIsInvalidPoint(const TKitPoint& P) { return P.X == -1 && P.Y == -1; }
inline bool KitPointsEqual(const TKitPoint& A, const TKitPoint& B) { return A == B; }

}  // namespace zv
