// The steps an edit view's model goes through in the view fuzz targets: edits rich in tabs,
// line breaks and lone surrogates, folds from an ill-formed fold table, wrap modes and
// widths, tab widths, scrolling, cursor and selection, highlights and special characters.
#pragma once

#include <algorithm>

#include "fuzz_script.h"
#include "kit/editor/edit_fakes.h"
#include "kit/editor/edit_view.h"

namespace zv::fuzz {

inline constexpr char16_t kViewAlphabet[] = {u'a', u'\t', u'\r', u'\n', u' ', u'(', u'.', u'b', 0xD800, 0xDC00, u'\u00e9'};
inline constexpr unsigned kViewStepKinds = 14;

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

// Step AKind (below kViewStepKinds) with its arguments read from s; refusals throw.
inline void ViewModelStep(Script &s, unsigned AKind, TKitEditView &view, TFakeFoldParser &folds, TFakeEditHost &host) {
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
      doc.BeginCompoundEdit(s.Byte() & 1);
      const int at = s.Below(chars + 1);
      doc.Insert(at, s.Text(kViewAlphabet, 11));
      doc.Delete(0, s.Below(doc.CharsCount() + 1));
      doc.EndCompoundEdit(false);
      break;
    }
  }
}

}  // namespace zv::fuzz
