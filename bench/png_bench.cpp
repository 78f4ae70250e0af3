// PNG decoding and encoding of a 2048 x 2048 RGBA picture, beside Qt's reader and writer.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QImage>

#include "kit/graphics/png_image.h"
#include "kit/graphics/qt/qimage_canvas.h"

namespace {

using namespace zv;

constexpr int kSize = 2048;

// Smooth gradients with a little noise, like a photograph or a rendered picture.
QImage Picture() {
  QImage image(kSize, kSize, QImage::Format_ARGB32);
  uint32_t seed = 7;
  for (int y = 0; y < kSize; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < kSize; ++x) {
      seed = seed * 1103515245 + 12345;
      const int noise = static_cast<int>((seed >> 16) & 7);
      line[x] = qRgba((x / 8 + noise) & 255, (y / 8 + noise) & 255, ((x + y) / 16) & 255, 255 - ((x ^ y) & 63));
    }
  }
  return image;
}

const QByteArray& QtFile() {
  static const QByteArray file = [] {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Picture().save(&buffer, "PNG");
    return bytes;
  }();
  return file;
}

void BM_DecodeOurs(benchmark::State& state) {
  const QByteArray& file = QtFile();
  const std::vector<uint8_t> bytes(file.begin(), file.end());
  for (auto _ : state) {
    TKitMemoryStream stream(bytes);
    TKitPNGObject png;
    png.LoadFromStream(stream);
    benchmark::DoNotOptimize(png.GetScanline(0));
  }
  state.SetBytesProcessed(state.iterations() * int64_t(kSize) * kSize * 4);
}
BENCHMARK(BM_DecodeOurs)->Unit(benchmark::kMillisecond);

void BM_DecodeQt(benchmark::State& state) {
  const QByteArray& file = QtFile();
  for (auto _ : state) {
    QImage image;
    image.loadFromData(file, "PNG");
    benchmark::DoNotOptimize(image.constBits());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(kSize) * kSize * 4);
}
BENCHMARK(BM_DecodeQt)->Unit(benchmark::kMillisecond);

void BM_EncodeOurs(benchmark::State& state) {
  const QByteArray& file = QtFile();
  TKitMemoryStream in(std::vector<uint8_t>(file.begin(), file.end()));
  TKitPNGObject png;
  png.LoadFromStream(in);
  png.SetCompressionLevel(static_cast<int>(state.range(0)));
  int64_t size = 0;
  for (auto _ : state) {
    TKitMemoryStream out;
    png.SaveToStream(out);
    size = out.Size();
  }
  state.counters["bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_EncodeOurs)->Arg(6)->Arg(7)->Unit(benchmark::kMillisecond);

void BM_EncodeQt(benchmark::State& state) {
  const QImage image = Picture();
  int64_t size = 0;
  for (auto _ : state) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    size = bytes.size();
  }
  state.counters["bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_EncodeQt)->Unit(benchmark::kMillisecond);

}  // namespace
