// Arbitrary sessions on an edit view's model: edits rich in tabs, line breaks
// and lone surrogates, folds from an ill-formed fold table, wrap modes and
// widths, tab widths, scrolling, cursor and selection, highlights and special
// characters. No step may crash, hang or fail an assertion, a refused one changes
// nothing; after the last, the
// rows map back to the offsets they show and the scroll lines of the visible
// lines rise one by one.
#include <memory>
#include <cstddef>
#include <cstdint>

#include "view_session.h"

using namespace zv;

namespace {

using fuzz::Check;
using fuzz::Script;
using fuzz::StateOf;
using fuzz::ViewModelStep;

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
  for (int step = 0; s.More() && step < fuzz::kMaxSteps; ++step) {
    const fuzz::TViewState before = StateOf(view);
    try {
      ViewModelStep(s, s.Byte() % fuzz::kViewStepKinds, view, *folds, host);
    } catch (const EAssertionFailed &) {
      Check(false);
    } catch (const Exception &e) {
      // A refusal of bad arguments changes nothing.
      fuzz::CheckUnchanged(view, before, e);
    }
  }
  // Checked once, after the last step: a fault a step leaves is still caught by the script
  // that ends with that step, which the fuzzer makes by cutting longer ones.
  try {
    CheckModel(view);
  } catch (...) {
    Check(false);
  }
  return 0;
}
