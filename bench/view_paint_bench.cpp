// Painting a full editor screen (50 lines of a device description with a token per word)
// on a canvas that draws nothing, which is the core's own cost, and on a Qt canvas over an
// image, which is what a window pays; and filling the completion list from the words of a
// 100,000-line text.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include "kit/editor/edit_fakes.h"
#include "kit/editor/edit_view.h"
#include "kit/editor/qt/qt_edit_platform.h"

using namespace zv;

namespace {

class NullCanvas : public TKitCanvas {
 public:
  void FillRect(const TKitRect&, TColor) override { ++Calls; }
  void DrawLine(int, int, int, int, TColor) override { ++Calls; }
  void DrawChars(const char16_t*, const int*, int ACount, int, TKitMeasuredFont&, TColor) override { Calls += ACount; }
  void DrawImage(int, int, const TKitEditImage&) override { ++Calls; }
  void SetClipRect(const TKitRect&) override {}
  void RemoveClipRect() override {}
  int64_t Calls = 0;
};

TKitString DeviceText(int ALines) {
  TKitString text;
  for (int i = 0; i < ALines; ++i) {
    if (i > 0) text += u"\r\n";
    text += i % 4 == 0 ? u"    <AttributeAccessItem>" : u"      <AccessMode Value=\"01\" /> <!-- read write -->";
  }
  return text;
}

struct Editor {
  explicit Editor(TKitEditHost& AHost, int ALines) : view(AHost) {
    auto p = std::make_unique<TFakeFoldParser>();
    p->WordTokens = true;
    doc.SetParser(std::move(p));
    const TKitString text = DeviceText(ALines);
    doc.RefreshText(text.data(), static_cast<int>(text.size()));
    view.SetDocument(&doc);
  }
  TKitEditDocument doc;
  TKitEditView view;
};

void BM_PaintScreenCore(benchmark::State& state) {
  TFakeEditHost host;
  host.Client = {0, 0, 900, 800};  // 50 lines of 16 pixels
  Editor e(host, 2000);
  NullCanvas canvas;
  for (auto _ : state) e.view.Paint(canvas);
  benchmark::DoNotOptimize(canvas.Calls);
}
BENCHMARK(BM_PaintScreenCore)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

void BM_PaintScreenQt(benchmark::State& state) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int argc = 1;
  char name[] = "bench_view_paint";
  char* argv[] = {name, nullptr};
  static QGuiApplication* app = new QGuiApplication(argc, argv);
  (void)app;
  // The Qt measurer with the fake host's window.
  class QtMeasuredHost : public TFakeEditHost {
   public:
    TKitTextMeasurer& Measurer() override { return FQt; }
    TQtTextMeasurer FQt;
  } host;
  host.Client = {0, 0, 900, 800};
  Editor e(host, 2000);
  QImage image(900, 800, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&image);
    TQtCanvas canvas(painter);
    e.view.Paint(canvas);
  }
}
BENCHMARK(BM_PaintScreenQt)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

void BM_CompletionFill100000Lines(benchmark::State& state) {
  TFakeEditHost host;
  Editor e(host, 100000);
  e.view.BeginUpdate();
  e.view.ScreenCache().SetCursorOffset({e.doc.GetLine(3).Start + 10, 0}, scBackward, false);  // after "<Acc"
  e.view.EndUpdate();
  for (auto _ : state) {
    TKitStringList items;
    TKitPoint pos;
    benchmark::DoNotOptimize(e.view.CompletionFillListDef(items, e.view.ScreenCache().CursorPos(), pos, fcForced));
  }
}
BENCHMARK(BM_CompletionFill100000Lines)->Repetitions(3)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

}  // namespace
