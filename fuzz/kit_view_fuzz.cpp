// Arbitrary sessions on an edit view's model: edits rich in tabs, line breaks
// and lone surrogates, folds from an ill-formed fold table, wrap modes and
// widths, tab widths, scrolling, cursor and selection, highlights and special
// characters. No step may crash, hang or fail an assertion; after each, the
// rows map back to the offsets they show and the scroll lines of the visible
// lines rise one by one.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "fuzz_script.h"
#include "kit/editor/edit_fakes.h"
#include "kit/editor/edit_view.h"

using namespace zv;

namespace {

using fuzz::Check;
using fuzz::Script;

constexpr char16_t kAlphabet[] = {u'a', u'\t', u'\r', u'\n', u' ', u'(', u'.', u'b', 0xD800, 0xDC00, u'\u00e9'};

// One view update around AStep, closed also when the step is refused.
template <class F>
void InUpdate(TKitEditView &AView, F AStep) {
  AView.BeginUpdate();
  try {
    AStep();
  } catch (...) {
    AView.EndUpdate();
    throw;
  }
  AView.EndUpdate();
}

void CheckModel(TKitEditView &view) {
  TScreenCache &c = view.ScreenCache();
  TKitEditDocument &doc = view.CurrentDocument();
  const int rows = c.CalkVisibleCountScroll();
  Check(rows >= 1);
  // Visible lines take consecutive runs of rows.
  int expected = 0;
  for (int line = 0; line < doc.LinesCount() && line < 200; line = c.GetNextVisibleLine(line)) {
    Check(c.IsLineStartVisible(line));
    Check(c.PhysicalToScroll(line) == expected);
    expected += c.ScreenCount(line);
  }
  if (doc.LinesCount() <= 200) Check(expected == rows);
  // Offsets shown come back from their positions.
  for (int off = 0; off <= doc.CharsCount() && off < 300; off += 1 + off / 16) {
    if (c.InLineBreak(off) || !c.IsOffsetVisible(off)) continue;
    const TKitPoint p = c.OffsetToScroll(off);
    Check(c.ScrollPtToOffsetPt(p).Offset == off);
  }
  const TOffsetPoint cur = c.CursorOffset();
  Check(cur.Offset >= 0 && cur.Offset <= doc.CharsCount());
  Check(c.LinesOnScreenScroll() >= 1 && c.LinesOnScreenScroll() <= c.ScreenHeightLines());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  Script s(data, size);
  TFakeEditHost host;
  host.Client = {0, 0, 300, 160};
  TKitEditDocument doc;
  auto parser = std::make_unique<TFakeFoldParser>();
  TFakeFoldParser *folds = parser.get();
  doc.SetParser(std::move(parser));
  TKitEditView view(host);
  view.SetDocument(&doc);
  for (int step = 0; s.More() && step < 200; ++step) {
    try {
      const int lines = doc.LinesCount(), chars = doc.CharsCount();
      switch (s.Byte() % 14) {
        case 0:
        case 1: {
          const int at = s.Below(chars + 1);
          doc.Insert(at, s.Text(kAlphabet, 11));
          break;
        }
        case 2: {
          const int at = s.Below(chars + 1);
          doc.Delete(at, s.Below(chars - at + 1));
          break;
        }
        case 3: {
          folds->Folds.clear();
          for (int i = s.Byte() % 6; i > 0; --i) {
            const int from = s.Below(lines + 1);
            folds->Folds.emplace_back(from, s.Below(lines + 2) - 1);
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
          doc.BeginCompoundEdit(s.Byte() & 1);
          const int at = s.Below(chars + 1);
          doc.Insert(at, s.Text(kAlphabet, 11));
          doc.Delete(0, s.Below(doc.CharsCount() + 1));
          doc.EndCompoundEdit(false);
          break;
        }
      }
    } catch (const EAssertionFailed &) {
      Check(false);
    } catch (const Exception &) {
      // Refusals of bad arguments are part of the game.
    }
    try {
      CheckModel(view);
    } catch (...) {
      Check(false);
    }
  }
  return 0;
}
