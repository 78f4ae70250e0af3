// The steps an edit view's model goes through in the view fuzz targets: edits rich in tabs,
// line breaks and lone surrogates, folds from an ill-formed fold table, wrap modes and
// widths, tab widths, scrolling, cursor and selection, highlights and special characters.
#pragma once

#include <algorithm>
#include <cstdio>
#include <exception>

#include "fuzz_script.h"
#include "kit/editor/edit_fakes.h"
#include "kit/editor/edit_view.h"

namespace zv::fuzz {

inline constexpr char16_t kViewAlphabet[] = {u'a', u'\t', u'\r', u'\n', u' ', u'(', u'.', u'b', 0xD800, 0xDC00, u'\u00e9'};
inline constexpr unsigned kViewStepKinds = 14;

// What a refused operation must leave as it was: the text, the cursor, the selection, the
// scroll position, the wrap and tab settings and the collapsed folds of a view.
struct TViewState {
  TKitString Text;
  TOffsetPoint Cursor, SelStart, SelEnd;
  bool Block = false;
  int Top = 0, Horiz = 0, TabWidth = 0, Folds = 0;
  TKitViewWrapMode Wrap = wmNoWrap;
  friend bool operator==(const TViewState &, const TViewState &) = default;
};

inline TViewState StateOf(TKitEditView &AView) {
  TViewState s;
  if (AView.Document() == nullptr) return s;
  TScreenCache &c = AView.ScreenCache();
  s.Text = KitSeqToStr(AView.CurrentDocument().Chars());
  s.Cursor = c.CursorOffset();
  s.SelStart = c.SelStartOffset();
  s.SelEnd = c.SelEndOffset();
  s.Block = c.SelBlockMode();
  s.Top = AView.TopLineScroll();
  s.Horiz = AView.HorizScroll();
  s.TabWidth = AView.TabWidth();
  s.Folds = c.CollapsedFoldCount();
  s.Wrap = AView.WrapMode();
  return s;
}

// A refused step (AError) must leave the view as ABefore; otherwise the refusal and what
// it changed are told before the run ends as a crash.
inline void CheckUnchanged(TKitEditView &AView, const TViewState &ABefore, const std::exception &AError) {
  const TViewState after = StateOf(AView);
  if (after == ABefore) return;
  std::fprintf(stderr, "refused step changed the view: %s\n", AError.what());
  std::fprintf(stderr, "  text %s, cursor %d.%d -> %d.%d, selection %d-%d -> %d-%d, top %d -> %d, horiz %d -> %d, folds %d -> %d\n",
               after.Text == ABefore.Text ? "same" : "changed", ABefore.Cursor.Offset, ABefore.Cursor.InCharOffset,
               after.Cursor.Offset, after.Cursor.InCharOffset, ABefore.SelStart.Offset, ABefore.SelEnd.Offset,
               after.SelStart.Offset, after.SelEnd.Offset, ABefore.Top, after.Top, ABefore.Horiz, after.Horiz,
               ABefore.Folds, after.Folds);
  Check(false);
}

// AStep, then AClose, which runs also when the step is refused.
template <class FStep, class FClose>
void ThenClose(FStep AStep, FClose AClose) {
  try {
    AStep();
  } catch (...) {
    AClose();
    throw;
  }
  AClose();
}

// One view update around AStep, closed also when the step is refused.
template <class F>
void InUpdate(TKitEditView &AView, F AStep) {
  AView.BeginUpdate();
  ThenClose(AStep, [&] { AView.EndUpdate(); });
}

// Step AKind (below kViewStepKinds) with its arguments read from s; refusals throw.
inline void ViewModelStep(Script &s, unsigned AKind, TKitEditView &view, TFakeFoldParser &folds, TFakeEditHost &host,
                          int ADepth = 0) {
  TKitEditDocument &doc = view.CurrentDocument();
  const int lines = doc.LinesCount(), chars = doc.CharsCount();
  switch (AKind) {
    case 0:
    case 1: {
      const int at = s.Below(chars + 1);
      doc.Insert(at, s.Text(kViewAlphabet, 11));
      break;
    }
    case 2: {
      const int at = s.Below(chars + 1);
      doc.Delete(at, s.Below(chars - at + 1));
      break;
    }
    case 3: {
      folds.Folds.clear();
      for (int i = s.Byte() % 6; i > 0; --i) {
        const int from = s.Below(lines + 1);
        folds.Folds.emplace_back(from, s.Below(lines + 2) - 1);
      }
      view.DocumentRefresh();
      break;
    }
    case 4: {
      const int line = s.Below(lines);
      const bool all = s.Byte() & 1;
      InUpdate(view, [&] {
        if (!view.ScreenCache().Fold(line, all)) host.Beep();
      });
      break;
    }
    case 5: {
      const int kind = s.Byte() % 3;
      const int line = s.Below(lines + 1) - 1;
      const bool flag = s.Byte() & 1;
      InUpdate(view, [&] {
        switch (kind) {
          case 0: view.ScreenCache().Unfold(std::max(0, line), flag); break;
          case 1: view.ScreenCache().FoldAllIn(line, flag, true); break;
          default: view.ScreenCache().UnfoldAllIn(line, flag); break;
        }
      });
      break;
    }
    case 6: {
      view.SetWrapRulerWidth(1 + s.Below(30));
      view.SetWrapMode(static_cast<TKitViewWrapMode>(s.Byte() % 4));
      break;
    }
    case 7: view.SetTabWidth(1 + s.Below(12)); break;
    case 8: {
      const int by = s.Below(41) - 20, horiz = s.Below(5);
      InUpdate(view, [&] {
        view.ScreenCache().Scroll(by);
        view.ScreenCache().SetHorizScroll(horiz);
      });
      break;
    }
    case 9: {
      const TOffsetPoint p{s.Below(chars + 1), s.Below(6)};
      const TScrollCorrectDirection dir = s.Byte() & 1 ? scForward : scBackward;
      const bool block = s.Byte() & 1;
      InUpdate(view, [&] { view.ScreenCache().SetCursorOffset(p, dir, block); });
      break;
    }
    case 10: {
      const TKitPoint a{s.Below(40), s.Below(40)}, b{s.Below(40), s.Below(40)};
      const bool block = s.Byte() & 1;
      InUpdate(view, [&] { view.ScreenCache().SetSelection(a, b, block); });
      break;
    }
    case 11: {
      const int at = s.Below(chars + 1);
      InUpdate(view, [&] { view.ScreenCache().AddHighlight(at, s.Below(chars - at + 1)); });
      break;
    }
    case 12:
      view.SpecialChars().SetShowCharKinds(TKitSpecialCharKinds::FromBits(static_cast<uint16_t>(s.Byte() << 1)));
      break;
    default: {
      // An edit, and with bit 2 the next step too, inside one view update: the screen cache
      // then meets the step with its folds and rows not yet brought up to date.
      const uint32_t b = s.Byte();
      const auto edit = [&] {
        doc.BeginCompoundEdit(b & 1);
        ThenClose(
            [&] {
              const int at = s.Below(chars + 1);
              doc.Insert(at, s.Text(kViewAlphabet, 11));
              doc.Delete(0, s.Below(doc.CharsCount() + 1));
              if (!(b & 2) || ADepth > 0) return;
              try {
                ViewModelStep(s, s.Byte() % kViewStepKinds, view, folds, host, 1);
              } catch (const EAssertionFailed &) {
                throw;
              } catch (const Exception &) {
                // The inner step's refusal; the edit before it stands.
              }
            },
            [&] { doc.EndCompoundEdit(false); });
      };
      if (b & 2) InUpdate(view, edit);
      else edit();
      break;
    }
  }
}

}  // namespace zv::fuzz
