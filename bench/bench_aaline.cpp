// DrawAALine against QPainter's own anti-aliased drawLine on an image of the same size and
// format. Each iteration draws the same set of lines of one length at several angles; the
// summary prints ours/Qt per width and length and per width overall.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "BenchCollector.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "sheet/objects/UligneAA.h"

namespace {

constexpr int kSize = 1200;
constexpr int kWidths[] = {1, 2, 5};
constexpr int kLengths[] = {1, 10, 100, 1000};
constexpr double kAngles[] = {0.0, 7.0, 20.0, 45.0, 70.0, 90.0, 115.0, 160.0};

struct Seg {
  int x1, y1, x2, y2;
};

// Lines of `length` pixels centred on the image, one per angle; all lie inside it.
std::vector<Seg> Lines(int length) {
  std::vector<Seg> out;
  for (double deg : kAngles) {
    const double a = deg * std::numbers::pi / 180.0;
    const int dx = int(std::nearbyint(length * std::cos(a)));
    const int dy = int(std::nearbyint(length * std::sin(a)));
    const int x = kSize / 2 - dx / 2, y = kSize / 2 - dy / 2;
    out.push_back({x, y, x + dx, y + dy});
  }
  return out;
}

void Ours(benchmark::State& state, int width, int length) {
  platform::Bitmap bmp(kSize, kSize, platform::clWhite);
  platform::Canvas canvas(bmp);
  const std::vector<Seg> lines = Lines(length);
  for (auto _ : state) {
    for (const Seg& s : lines)
      DrawAALine(s.x1, s.y1, s.x2, s.y2, width, bmBackground, platform::clWhite,
                 platform::rgb(200, 30, 40), canvas);
    benchmark::DoNotOptimize(bmp.scanLine(kSize / 2));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * int64_t(lines.size()));
}

void QtLine(benchmark::State& state, int width, int length, Qt::PenCapStyle cap) {
  QImage img(kSize, kSize, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(QColor(200, 30, 40), width, Qt::SolidLine, cap));
  const std::vector<Seg> lines = Lines(length);
  for (auto _ : state) {
    for (const Seg& s : lines) p.drawLine(s.x1, s.y1, s.x2, s.y2);
    benchmark::DoNotOptimize(img.constScanLine(kSize / 2));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * int64_t(lines.size()));
}

std::string Name(const char* impl, int width, int length) {
  return std::string(impl) + "/w" + std::to_string(width) + "/len" + std::to_string(length);
}

}  // namespace

int main(int argc, char** argv) {
  for (int w : kWidths)
    for (int len : kLengths) {
      benchmark::RegisterBenchmark(Name("Ours", w, len).c_str(), Ours, w, len);
      benchmark::RegisterBenchmark(Name("QtFlat", w, len).c_str(), QtLine, w, len, Qt::FlatCap);
      benchmark::RegisterBenchmark(Name("QtRound", w, len).c_str(), QtLine, w, len, Qt::RoundCap);
    }
  benchmark::Initialize(&argc, argv);
  bench::Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);

  auto t = [&](const char* impl, int w, int len) { return collector.median(Name(impl, w, len)); };
  std::printf("\nours/Qt (time per line set; lower is better)\n");
  std::printf("%-6s %-6s %12s %12s %12s %10s %10s\n", "width", "length", "ours", "qt flat",
              "qt round", "vs flat", "vs round");
  for (int w : kWidths) {
    double ours = 0, flat = 0, round = 0, logFlat = 0, logRound = 0;
    int n = 0;
    for (int len : kLengths) {
      const double o = t("Ours", w, len), f = t("QtFlat", w, len), r = t("QtRound", w, len);
      if (o <= 0 || f <= 0 || r <= 0) continue;
      std::printf("%-6d %-6d %12.1f %12.1f %12.1f %10.3f %10.3f\n", w, len, o, f, r, o / f, o / r);
      ours += o, flat += f, round += r;
      logFlat += std::log(o / f), logRound += std::log(o / r);
      ++n;
    }
    if (n > 0)
      std::printf(
          "width %d: summed time %.3f vs flat, %.3f vs round; geometric mean %.3f vs "
          "flat, %.3f vs round\n",
          w, ours / flat, ours / round, std::exp(logFlat / n), std::exp(logRound / n));
  }
  benchmark::Shutdown();
  return 0;
}
