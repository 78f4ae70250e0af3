// Arbitrary sessions on an edit view, painted after the last step: edits rich in tabs, line
// breaks and lone surrogates, marks of every kind, folds from an ill-formed table, wrap
// modes, tab widths, scrolling, stream and block selections, highlights, special
// characters, read-only states, line attributes and the completion list. A refused step
// changes nothing; painting never fails, draws only inside the client area and keeps
// every text call at its line's top.
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

// Checks each call against the client area and the line grid.
class CheckingCanvas : public TKitCanvas {
 public:
  CheckingCanvas(TKitRect AClient, int ALineHeight) : FClient(AClient), FLineHeight(ALineHeight) {}
  void FillRect(const TKitRect &R, TColor) override {
    Check(R.Left <= R.Right && R.Top <= R.Bottom);
    Check(R.Top >= FClient.Top && R.Left >= FClient.Left);
  }
  void DrawLine(int, int AY1, int, int AY2, TColor) override { Check(AY1 >= FClient.Top && AY2 >= AY1); }
  void DrawChars(const char16_t *, const int *, int ACount, int ATop, TKitMeasuredFont &, TColor) override {
    // On a line's top, or a pixel below for a bookmark's number.
    Check(ACount > 0 && ATop >= FClient.Top && (ATop - FClient.Top) % FLineHeight <= 1);
  }
  void DrawImage(int AX, int, const TKitEditImage &) override { Check(AX >= FClient.Left - 64); }
  void SetClipRect(const TKitRect &R) override { Check(R.Left <= R.Right); }
  void RemoveClipRect() override {}

 private:
  TKitRect FClient;
  int FLineHeight;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  Script s(data, size);
  TFakeEditHost host;
  host.Client = {0, 0, 300, 160};
  TKitEditDocument doc;
  auto parser = std::make_unique<TFakeFoldParser>();
  TFakeFoldParser *folds = parser.get();
  folds->WordTokens = true;
  doc.SetParser(std::move(parser));
  TKitEditView view(host);
  view.SetDocument(&doc);
  bool lineAttrs = false;
  view.OnGetLineAttributes = [&](TObject *, int ALine, TKitEditAttributes &A, bool &AOverride) {
    if (!lineAttrs || ALine % 3 != 0) return;
    A.BackgroundColor = 0x123456;
    A.AttributesSet = asBackgroundColor | asFontStyle;
    A.FontStyle = fsBold;
    AOverride = ALine % 2 == 0;
  };
  for (int step = 0; s.More() && step < fuzz::kMaxSteps; ++step) {
    const fuzz::TViewState before = StateOf(view);
    try {
      const unsigned kind = s.Byte() % (fuzz::kViewStepKinds + 5);
      if (kind < fuzz::kViewStepKinds) ViewModelStep(s, kind, view, *folds, host);
      else switch (kind - fuzz::kViewStepKinds) {
        case 0: {
          const int line = s.Below(doc.LinesCount());
          switch (s.Byte() % 4) {
            case 0: doc.Bookmarks()->CreateLineMark(line)->set_Name(s.Byte() & 1 ? u"7" : u"x"); break;
            case 1: doc.SetBreakpointKind(doc.Breakpoints()->CreateLineMark(line), static_cast<TKitBreakpointKind>(s.Byte() % 3)); break;
            case 2: doc.SetDebugFrameKind(doc.DebugFrameLines()->CreateLineMark(line), static_cast<TKitDebugFrameKind>(s.Byte() % 3)); break;
            default: doc.Breakpoints()->DeleteMarksAtLine(line); break;
          }
          break;
        }
        case 1: {
          const uint32_t b = s.Byte();
          view.SpecialChars().SetShowCharKinds(TKitSpecialCharKinds::FromBits(static_cast<uint16_t>(b << 1)));
          TKitViewSettings vs = view.ViewSettings();
          if (b & 1) vs.Include(vsShowWrapRuler);
          else vs.Exclude(vsShowWrapRuler);
          view.SetViewSettings(vs);
          break;
        }
        case 2: {
          const uint32_t b = s.Byte();
          view.SetReadOnly(b & 1);
          lineAttrs = (b & 2) != 0;
          view.Gutter().SetLineNumberingInterval(1 + static_cast<int>(b % 7));
          break;
        }
        case 3: {
          const uint32_t b = s.Byte();
          view.CompletionSettings().SetCaseSensitive(b & 1);
          view.CompletionSettings().SetMinChars(static_cast<int>(b % 4));
          view.CompletionListShow(static_cast<TKitEditFillCompletionCause>(b % 3), (b & 4) != 0);
          if (view.InState(siComplListShown)) {
            const TKitPoint at = view.ScreenCache().CursorPos();
            switch (s.Byte() % 4) {
              case 0: view.CompletionListSelectNext(); break;
              case 1: view.CompletionListSelectPrev(); break;
              case 2: view.CompletionListCommit(at, rcCompletionList); break;
              default: break;
            }
          }
          break;
        }
        default: {
          const int h = 16 + s.Below(300), w = s.Below(400);
          host.Client = {0, 0, w, h};
          view.BeginUpdate();
          view.EndUpdate();
          break;
        }
      }
    } catch (const EAssertionFailed &) {
      Check(false);
    } catch (const Exception &e) {
      // A refusal of bad arguments changes nothing.
      fuzz::CheckUnchanged(view, before, e);
    }
  }
  // Painted once, after the last step: a state any step leaves is painted by the script
  // that ends with that step, which the fuzzer makes by cutting longer ones.
  try {
    CheckingCanvas canvas(host.Client, view.LineHeight());
    view.Paint(canvas);
    Check(!view.InState(siPainting));
  } catch (...) {
    Check(false);
  }
  return 0;
}
