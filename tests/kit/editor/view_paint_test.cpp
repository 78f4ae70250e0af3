// Painting through the recording canvas: which colour wins where (marks, selection, tokens,
// highlights, read-only state, the current line, line attributes), where the characters
// land, the gutter bars with line numbers, folds, bookmarks and custom bars.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "kit/editor/edit_view.h"
#include "view_test_support.h"

namespace zv {
namespace {

using test::NumberedLines;

// What a paint put where: the last fill under a pixel gives its colour.
struct Picture {
  struct Fill {
    TKitRect R;
    TColor C;
  };
  std::vector<Fill> Fills;
  std::vector<TRecordingCanvas::TCharCall> Chars;
  std::vector<std::string> Calls;

  TColor BgAt(int AX, int AY) const {
    for (auto it = Fills.rbegin(); it != Fills.rend(); ++it)
      if (AX >= it->R.Left && AX < it->R.Right && AY >= it->R.Top && AY < it->R.Bottom) return it->C;
    return clNone;
  }
  // The glyph drawn at x on a line top: its unit, colour and style; 0 when none.
  char16_t GlyphAt(int AX, int ATop, TColor* AColor = nullptr, TKitFontStyles* AStyle = nullptr) const {
    for (const auto& call : Chars) {
      if (call.Top != ATop) continue;
      for (size_t i = 0; i < call.Xs.size(); ++i)
        if (call.Xs[i] == AX) {
          if (AColor != nullptr) *AColor = call.Color;
          if (AStyle != nullptr) *AStyle = call.Style;
          return call.Text[i];
        }
    }
    return 0;
  }
  int CountCalls(const std::string& APrefix) const {
    int n = 0;
    for (const std::string& c : Calls) n += c.rfind(APrefix, 0) == 0 ? 1 : 0;
    return n;
  }
};

Picture PaintView(TKitCustomEditView& AView) {
  TRecordingCanvas canvas;
  AView.Paint(canvas);
  Picture p;
  p.Calls = canvas.Calls;
  p.Chars = canvas.Chars;
  for (const std::string& call : canvas.Calls) {
    Picture::Fill f;
    unsigned color = 0;
    if (std::sscanf(call.c_str(), "fill %d,%d,%d,%d #%x", &f.R.Left, &f.R.Top, &f.R.Right, &f.R.Bottom, &color) ==
        5) {
      f.C = color;
      p.Fills.push_back(f);
    }
  }
  return p;
}

struct PaintFixture {
  explicit PaintFixture(const TKitString& AText = NumberedLines(100)) : view(host) {
    host.Client = {0, 0, 800, 160};  // 10 lines of 16 pixels
    auto p = std::make_unique<test::FakeFoldParser>();
    parser = p.get();
    parser->WordTokens = true;
    doc.SetParser(std::move(p));
    doc.RefreshText(AText.data(), static_cast<int>(AText.size()));
    view.SetDocument(&doc);
    gw = view.GutterWidth();
  }
  // The left pixel of a text column (no horizontal scroll).
  int X(int ACol) const { return gw + 8 * ACol; }
  void Select(TKitPoint AFrom, TKitPoint ATo, bool ABlock = false) {
    view.BeginUpdate();
    view.ScreenCache().SetSelection(AFrom, ATo, ABlock);
    view.EndUpdate();
  }
  void MoveCursor(TKitPoint APos) {
    view.BeginUpdate();
    view.ScreenCache().SetCursorPos(APos, scBackward, false);
    view.EndUpdate();
  }
  TKitRect BarCell(TKitGutterBarKind AKind, int AScreenLine) {
    for (int i = 0; i < view.Gutter().Bars().Count(); ++i) {
      TKitGutterBar* bar = view.Gutter().Bars().Items(i);
      if (bar->Kind() == AKind) {
        const int left = view.Gutter().BarLeft(bar);
        return {left, 16 * AScreenLine, left + bar->FullWidth(), 16 * AScreenLine + 16};
      }
    }
    return {};
  }

  TFakeEditHost host;
  TKitEditDocument doc;
  test::FakeFoldParser* parser = nullptr;
  TKitEditView view;
  int gw = 0;
};

Picture Paint(PaintFixture& AFixture) { return PaintView(AFixture.view); }

constexpr TColor kBlack = 0x000000;  // the window text of the built-in system colours
constexpr TColor kWhite = 0xFFFFFF;

TEST(ViewPaintTest, ColourPrecedenceOfTheTextParts) {
  // Line 2 reads "line 2": "line" is a red token; the cursor stays on line 0.
  struct Row {
    const char* Name;
    std::function<void(PaintFixture&)> Setup;
    TColor Bg;        // under the "l" of line 2
    TColor Fg;        // of that "l"
    TColor TailBg;    // right of the text
  };
  const auto breakpoint = [](PaintFixture& f, int ALine) {
    f.doc.SetBreakpointKind(f.doc.Breakpoints()->CreateLineMark(ALine), mkBreakActive);
  };
  const auto frame = [](PaintFixture& f, int ALine, TKitDebugFrameKind AKind) {
    f.doc.SetDebugFrameKind(f.doc.DebugFrameLines()->CreateLineMark(ALine), AKind);
  };
  const Row rows[] = {
      {"plain", [](PaintFixture&) {}, kWhite, clRed, kWhite},
      {"current line", [](PaintFixture& f) { f.MoveCursor({3, 2}); }, 0xE6FFFA, clRed, 0xE6FFFA},
      {"current line not highlighted",
       [](PaintFixture& f) {
         f.MoveCursor({3, 2});
         f.view.SetViewSettings(f.view.ViewSettings().Exclude(vsHighlightSelectedLine));
       },
       kWhite, clRed, kWhite},
      {"read-only over current line",
       [](PaintFixture& f) {
         f.MoveCursor({3, 2});
         f.view.SetReadOnly(true);
       },
       0xC0C0C0, clRed, 0xC0C0C0},
      {"read-only document", [](PaintFixture& f) { f.doc.SetReadOnly(true); }, 0xC0C0C0, clRed, 0xC0C0C0},
      {"breakpoint", [&](PaintFixture& f) { breakpoint(f, 2); }, 0xFFC7C7, kBlack, 0xFFC7C7},
      {"breakpoint on the current line",
       [&](PaintFixture& f) {
         breakpoint(f, 2);
         f.MoveCursor({3, 2});
       },
       0xFFC7C7, kBlack, 0xFFC7C7},
      {"breakpoint and active frame",
       [&](PaintFixture& f) {
         breakpoint(f, 2);
         frame(f, 2, fkFrameActive);
       },
       0x9999CC, kBlack, 0x9999CC},
      {"active frame selected",
       [&](PaintFixture& f) {
         breakpoint(f, 2);
         frame(f, 2, fkFrameActive);
         f.Select({0, 2}, {4, 2});
       },
       0x9999CC, kBlack, 0x9999CC},
      {"top frame", [&](PaintFixture& f) { frame(f, 2, fkFrameTop); }, 0x9999CC, kBlack, 0x9999CC},
      {"other frame", [&](PaintFixture& f) { frame(f, 2, fkFrame); }, 0xE6EFEE, clRed, 0xE6EFEE},
      {"other frame read-only",
       [&](PaintFixture& f) {
         frame(f, 2, fkFrame);
         f.view.SetReadOnly(true);
       },
       0xE6EFEE, clRed, 0xE6EFEE},
      {"selected", [](PaintFixture& f) { f.Select({0, 2}, {4, 2}); }, 0xA56D53, kWhite, kWhite},
      {"search highlight on the current line",
       [](PaintFixture& f) {
         f.MoveCursor({3, 2});
         f.view.BeginUpdate();
         f.view.ScreenCache().AddHighlight(f.doc.GetLine(2).Start, 4);
         f.view.EndUpdate();
       },
       clYellow, clRed, 0xE6FFFA},
      {"line attributes",
       [](PaintFixture& f) {
         f.view.OnGetLineAttributes = [](TObject*, int ALine, TKitEditAttributes& A, bool&) {
           if (ALine != 2) return;
           A.BackgroundColor = 0x112233;
           A.TextColor = 0x445566;
           A.AttributesSet = asBackgroundColor | asTextColor;
         };
       },
       0x112233, clRed, 0x112233},
      {"line attributes over the tokens",
       [](PaintFixture& f) {
         f.view.OnGetLineAttributes = [](TObject*, int ALine, TKitEditAttributes& A, bool& AOverride) {
           if (ALine != 2) return;
           A.TextColor = 0x445566;
           A.AttributesSet = asTextColor;
           AOverride = true;
         };
       },
       kWhite, 0x445566, kWhite},
  };
  for (const Row& row : rows) {
    PaintFixture f;
    row.Setup(f);
    const Picture p = Paint(f);
    TColor fg = clNone;
    EXPECT_EQ(p.GlyphAt(f.X(0), 32, &fg), u'l') << row.Name;
    EXPECT_EQ(fg, row.Fg) << row.Name;
    EXPECT_EQ(p.BgAt(f.X(0), 32), row.Bg) << row.Name;
    EXPECT_EQ(p.BgAt(f.X(40), 32), row.TailBg) << row.Name;
    // The line above is not touched by any of it.
    EXPECT_EQ(p.BgAt(f.X(2), 16), f.view.IsReadOnly() ? 0xC0C0C0u : kWhite) << row.Name;
  }
}

TEST(ViewPaintTest, AStreamSelectionSplitsChunksWhereTheCaretWouldStand) {
  PaintFixture f;
  f.Select({1, 2}, {3, 2});
  const Picture p = Paint(f);
  TColor c = 0;
  EXPECT_EQ(p.GlyphAt(f.X(0), 32, &c), u'l');
  EXPECT_EQ(c, clRed);
  EXPECT_EQ(p.GlyphAt(f.X(1), 32, &c), u'i');
  EXPECT_EQ(c, kWhite);
  EXPECT_EQ(p.GlyphAt(f.X(2), 32, &c), u'n');
  EXPECT_EQ(c, kWhite);
  EXPECT_EQ(p.GlyphAt(f.X(3), 32, &c), u'e');
  EXPECT_EQ(c, clRed);
  EXPECT_EQ(p.BgAt(f.X(1), 32), 0xA56D53u);
  EXPECT_EQ(p.BgAt(f.X(3), 32), kWhite);

  // Over a line break the selection shows one space wide past the text, no further.
  f.Select({4, 2}, {2, 3});
  const Picture q = Paint(f);
  EXPECT_EQ(q.BgAt(f.X(6), 32), 0xA56D53u);  // "line 2" ends at column 6
  EXPECT_EQ(q.BgAt(f.X(7), 32), kWhite);
  EXPECT_EQ(q.BgAt(f.X(1), 48), 0xA56D53u);
  EXPECT_EQ(q.BgAt(f.X(2), 48), kWhite);
}

TEST(ViewPaintTest, ABlockWiderThanAShortLineIsPaintedPastItsEnd) {
  PaintFixture f(u"ab\r\nabcdefgh\r\nabcdefgh");
  f.view.SetSelectionBlockMode(true);
  f.Select({1, 0}, {6, 1}, true);
  const Picture p = Paint(f);
  for (int col : {1, 2, 4, 5}) EXPECT_EQ(p.BgAt(f.X(col), 0), 0xA56D53u) << col;
  EXPECT_EQ(p.BgAt(f.X(0), 0), kWhite);  // the selection reaches the cursor: no current-line colour
  EXPECT_NE(p.BgAt(f.X(6), 0), 0xA56D53u);
  EXPECT_EQ(p.BgAt(f.X(5), 16), 0xA56D53u);
  EXPECT_EQ(p.BgAt(f.X(7), 16), kWhite);
  EXPECT_EQ(p.BgAt(f.X(3), 32), kWhite);
}

TEST(ViewPaintTest, EmptyAreasOfAReadOnlyViewAndTheWrapRuler) {
  PaintFixture f(u"one\r\ntwo");
  f.view.SetReadOnly(true);
  f.view.SetViewSettings(f.view.ViewSettings().Include(vsShowWrapRuler));
  const Picture p = Paint(f);
  EXPECT_EQ(p.BgAt(f.X(10), 16 * 5), 0xC0C0C0u);  // below the text
  EXPECT_EQ(p.BgAt(f.X(0), 0), 0xC0C0C0u);
  const int ruler = f.X(80);
  EXPECT_EQ(p.CountCalls("line " + std::to_string(ruler) + ",0-" + std::to_string(ruler) + ",16 #808080"), 1);
  // The cells of the lines below the text are painted too.
  EXPECT_EQ(p.BgAt(799, 159), 0xC0C0C0u);
}

TEST(ViewPaintTest, TabsAndShownSpacesDrawTheirGlyphsAndScrollLeft) {
  PaintFixture f(u"a\tb c");
  f.view.SetTabWidth(4);
  f.view.SpecialChars().SetShowCharKinds({skTabHead, skSpace});
  Picture p = Paint(f);
  EXPECT_EQ(p.GlyphAt(f.X(0), 0), u'a');
  EXPECT_EQ(p.GlyphAt(f.X(1), 0), u'\u2500');
  EXPECT_EQ(p.GlyphAt(f.X(2), 0), u'\u2500');
  EXPECT_EQ(p.GlyphAt(f.X(3), 0), u'\u25BA');
  EXPECT_EQ(p.GlyphAt(f.X(4), 0), u'b');
  EXPECT_EQ(p.GlyphAt(f.X(5), 0), u'\u2219');
  EXPECT_EQ(p.GlyphAt(f.X(6), 0), u'c');
  f.view.BeginUpdate();
  f.view.ScreenCache().SetHorizScroll(2);
  f.view.EndUpdate();
  p = Paint(f);
  EXPECT_EQ(p.GlyphAt(f.X(2), 0), u'b');
  EXPECT_EQ(p.GlyphAt(f.X(-1), 0), u'\u2500');  // drawn, clipped by the cell
  EXPECT_EQ(p.CountCalls("clip " + std::to_string(f.gw) + ",0,800,16"), 1);
  // Nothing of the text reaches into the gutter's fills.
  for (const Picture::Fill& fill : p.Fills) {
    if (fill.R.Top == 0 && fill.R.Right > f.gw) {
      EXPECT_GE(fill.R.Left, f.gw);
    }
  }
}

TEST(ViewPaintTest, LineNumbersEveryIntervalBulletsAndWrapMarks) {
  // Line 1 wraps into two rows at the ruler.
  PaintFixture f(u"a\r\nbbbbbbbbbbbbbbbbbbbb\r\nc\r\nd\r\ne\r\nf\r\ng\r\nh\r\ni\r\nj");
  f.view.Gutter().SetLineNumberingInterval(5);
  f.view.SetWrapRulerWidth(12);
  f.view.SetWrapMode(wmWrapToRuler);
  const auto numberAt = [&](const Picture& p, int ARow) {
    const TKitRect cell = f.BarCell(gbLineNumberBar, ARow);
    TKitString text;
    for (const auto& call : p.Chars)
      if (call.Top == cell.Top && !call.Xs.empty() && call.Xs[0] >= cell.Left && call.Xs[0] < cell.Right)
        text += call.Text;
    return text;
  };
  const TKitEditImage* wrap = f.view.Gutter().WrapLineGlyph();
  ASSERT_NE(wrap, nullptr);
  const auto wrapImageAt = [&](const Picture& p, int ARow) {
    const TKitRect cell = f.BarCell(gbLineNumberBar, ARow);
    for (const std::string& call : p.Calls) {
      int x, y, w, h;
      if (std::sscanf(call.c_str(), "image %d,%d %dx%d", &x, &y, &w, &h) == 4 && x >= cell.Left &&
          x < cell.Right && y >= cell.Top && y < cell.Bottom)
        return true;
    }
    return false;
  };
  Picture p = Paint(f);
  EXPECT_EQ(numberAt(p, 0), u"1");
  EXPECT_EQ(numberAt(p, 1), u"\u00B7");
  EXPECT_EQ(numberAt(p, 2), u"");  // the wrapped continuation
  EXPECT_TRUE(wrapImageAt(p, 2));
  EXPECT_EQ(numberAt(p, 3), u"\u00B7");
  EXPECT_EQ(numberAt(p, 5), u"5");
  EXPECT_EQ(numberAt(p, 10), u"");  // beyond the screen's ten lines
  // Right-aligned to the bar's inner edge.
  const TKitRect cell = f.BarCell(gbLineNumberBar, 0);
  EXPECT_EQ(p.GlyphAt(cell.Right - 2 - 8, 0), u'1');
  EXPECT_EQ(p.BgAt(cell.Left, 0), f.view.Gutter().LinesBarBg());

  f.view.Gutter().SetSettings({});
  p = Paint(f);
  EXPECT_FALSE(wrapImageAt(p, 2));
  f.view.Gutter().SetLineNumberingInterval(1);
  p = Paint(f);
  EXPECT_EQ(numberAt(p, 1), u"2");
  EXPECT_EQ(numberAt(p, 3), u"3");
}

TEST(ViewPaintTest, FoldBarBookmarksAndBreakpoints) {
  PaintFixture f(NumberedLines(8));
  f.parser->Folds = {{1, 3}, {5, 6}};
  TKitEditImage plus{5, 5, std::vector<TColor>(25, 0)}, minus{7, 7, std::vector<TColor>(49, 0)};
  f.view.Gutter().SetImage(TKitGutter::giFoldPlus, plus);
  f.view.Gutter().SetImage(TKitGutter::giFoldMinus, minus);
  f.view.BeginUpdate();
  f.view.ScreenCache().Fold(5, false);
  f.view.EndUpdate();
  const IKitMarkPtr mark = f.doc.Bookmarks()->CreateLineMark(2);
  mark->set_Name(u"3");
  f.doc.SetBreakpointKind(f.doc.Breakpoints()->CreateLineMark(4), mkBreakActive);
  const Picture p = Paint(f);

  const auto imagesIn = [&](const TKitRect& ACell) {
    std::vector<std::string> r;
    for (const std::string& call : p.Calls) {
      int x, y, w, h;
      if (std::sscanf(call.c_str(), "image %d,%d %dx%d", &x, &y, &w, &h) == 4 && x >= ACell.Left &&
          x < ACell.Right && y >= ACell.Top - 8 && y < ACell.Bottom)
        r.push_back(std::to_string(w) + "x" + std::to_string(h) + "@" + std::to_string(x - ACell.Left) + "," +
                    std::to_string(y - ACell.Top));
    }
    return r;
  };
  const auto linesIn = [&](const TKitRect& ACell) {
    int n = 0;
    for (const std::string& call : p.Calls) {
      int x1, y1, x2, y2;
      if (std::sscanf(call.c_str(), "line %d,%d-%d,%d", &x1, &y1, &x2, &y2) == 4 && x1 >= ACell.Left &&
          x1 < ACell.Right && y1 >= ACell.Top && y1 < ACell.Bottom)
        ++n;
    }
    return n;
  };
  // The fold bar (18 wide, 14 inside): minus centred on line 1, an L on line 3, a plus on
  // the collapsed line 5, a line through the others.
  EXPECT_EQ(imagesIn(f.BarCell(gbFoldBar, 1)), (std::vector<std::string>{"7x7@5,4"}));
  EXPECT_EQ(linesIn(f.BarCell(gbFoldBar, 1)), 0);
  EXPECT_EQ(linesIn(f.BarCell(gbFoldBar, 3)), 3);
  EXPECT_EQ(linesIn(f.BarCell(gbFoldBar, 2)), 1);
  EXPECT_EQ(imagesIn(f.BarCell(gbFoldBar, 5)), (std::vector<std::string>{"5x5@6,5"}));
  EXPECT_EQ(linesIn(f.BarCell(gbFoldBar, 9)), 0);  // below the text
  // The bookmark's image and its number.
  const TKitRect bm = f.BarCell(gbBookmarkBar, 2);
  EXPECT_EQ(imagesIn(bm).size(), 1u);
  TColor c = 0;
  EXPECT_EQ(p.GlyphAt(bm.Left + 2 + 2, bm.Top + 1, &c), u'3');
  EXPECT_EQ(c, f.view.Gutter().BookmarksBarTextColor());
  EXPECT_TRUE(imagesIn(f.BarCell(gbBookmarkBar, 1)).empty());
  EXPECT_EQ(imagesIn(f.BarCell(gbBreakpointBar, 4)).size(), 1u);
  EXPECT_TRUE(imagesIn(f.BarCell(gbBreakpointBar, 3)).empty());
}

TEST(ViewPaintTest, CustomBarsPaintThroughTheEventOrAsPlainBars) {
  PaintFixture f(NumberedLines(5));
  TKitGutterBar* bar = f.view.Gutter().Bars().Add();  // a custom bar at the right
  std::vector<int> asked;
  f.view.OnGutterPaint = [&](TObject*, const TKitGutterPaintParams& AParams, bool& APaintOk) {
    asked.push_back(AParams.ScreenLine);
    EXPECT_EQ(AParams.Bar, bar);
    if (AParams.ScreenLine == 0) AParams.Canvas->FillRect(AParams.Rect, 0x123456);
    else if (AParams.ScreenLine == 1) AParams.DefaultPainter(1, AParams.Bar, gbBookmarkBar, *AParams.Canvas, AParams.Rect);
    else APaintOk = false;
  };
  const Picture p = Paint(f);
  EXPECT_EQ(asked.size(), 10u);
  const int left = f.view.Gutter().BarLeft(bar);
  EXPECT_EQ(p.BgAt(left + 1, 0), 0x123456u);
  EXPECT_EQ(p.BgAt(left + 1, 16), f.view.Gutter().BookmarksBarBg());
  EXPECT_EQ(p.BgAt(left + 1, 32), f.view.Gutter().CustomBarBg());
}

TEST(ViewPaintTest, PaintsOnlyTheAskedLinesAndNothingInsideABracket) {
  PaintFixture f;
  TRecordingCanvas canvas;
  f.view.Paint(canvas, {0, 20, 800, 40});  // lines 1 and 2
  int clipped = 0;
  for (const std::string& c : canvas.Calls)
    if (c.rfind("clip " + std::to_string(f.gw), 0) == 0) {
      ++clipped;
      EXPECT_TRUE(c == "clip " + std::to_string(f.gw) + ",16,800,32" || c == "clip " + std::to_string(f.gw) + ",32,800,48") << c;
    }
  EXPECT_EQ(clipped, 2);
  EXPECT_FALSE(f.view.InState(siPainting));
  TRecordingCanvas none;
  f.view.BeginUpdate();
  f.view.Paint(none);
  f.view.EndUpdate();
  EXPECT_TRUE(none.Calls.empty());
}

}  // namespace
}  // namespace zv
