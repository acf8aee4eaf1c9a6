// What saving, opening and the undo journal's picture record cost against the bare work they
// cannot avoid. The document is the page of bench_repaint: five layers of 2,000 mixed objects.
//   Save: WriteBlockFile into a SaveFile and its commit, as the menu does, against POSIX
//         write() of the same bytes (and, to show what the commit's sync costs, against
//         write() + fsync() + rename()).
//   Open: ReadBlockFile from a FileStream into a fresh chain on a fresh surface, against
//         read() of the same bytes.
//   Picture: one PictureChanged record of an A4 drawing written by a TJournal, against
//         compress2 at level 1 of the same BMP bytes.
// The summary prints the ns figures and ours/baseline.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "BenchCollector.h"
#include "BenchPage.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Colour.h"
#include "platform/Streams.h"
#include "platform/Surface.h"
#include "sheet/layers/uJournal.h"
#include "sheet/layers/uPages.h"
#include "sheet/layers/uSauve.h"
#include "sheet/objects/ucalcul.h"

namespace {

using bench::Arc;
using bench::Geometry;
using bench::kLayers;
using bench::kObjectsPerLayer;
using bench::kPageHeight;
using bench::kPageWidth;
using bench::Layer;

// The document to save: the layers on their surface, built once.
bench::LayeredPage& TheDocument() {
  static bench::LayeredPage d;
  return d;
}

// Files go to a private folder on the disk the temporary folder lives on, removed at exit.
const std::string& Folder() {
  static const std::string folder = [] {
    std::string t = (std::filesystem::temp_directory_path() / "bench_documents.XXXXXX").string();
    if (!mkdtemp(t.data())) {
      std::perror("mkdtemp");
      std::exit(1);
    }
    return t;
  }();
  return folder;
}
std::string DocumentPath() {
  return Folder() + "/page.blc";
}

// The bytes of the saved document, for the baselines to move.
const std::vector<uint8_t>& DocumentBytes() {
  static const std::vector<uint8_t> bytes = [] {
    platform::MemoryStream m;
    WriteBlockFile(m, TheDocument().first(), TBlockDocument{});
    return m.takeBytes();
  }();
  return bytes;
}

void WriteAll(int fd, const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put <= 0) {
      std::perror("write");
      std::exit(1);
    }
    done += size_t(put);
  }
}

// ---- Saving ----

void SaveOurs(benchmark::State& state) {
  TPage& first = TheDocument().first();
  const TBlockDocument doc;
  const std::string path = DocumentPath();
  for (auto _ : state) {
    platform::SaveFile file(path);
    WriteBlockFile(file, first, doc);
    file.commit();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(DocumentBytes().size()));
}

// The serialisation alone, into memory: what the save costs before the file is touched.
void SaveMemory(benchmark::State& state) {
  TPage& first = TheDocument().first();
  const TBlockDocument doc;
  for (auto _ : state) {
    platform::MemoryStream m;
    WriteBlockFile(m, first, doc);
    benchmark::DoNotOptimize(m.bytes().data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(DocumentBytes().size()));
}

void SavePosix(benchmark::State& state) {
  const std::vector<uint8_t>& bytes = DocumentBytes();
  const std::string path = Folder() + "/posix.blc";
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
      state.SkipWithError("open");
      break;
    }
    WriteAll(fd, bytes);
    ::close(fd);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

// What the commit does besides writing: the sync and the rename over the target.
void SavePosixSynced(benchmark::State& state) {
  const std::vector<uint8_t>& bytes = DocumentBytes();
  const std::string path = Folder() + "/synced.blc", temp = path + ".new";
  for (auto _ : state) {
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
      state.SkipWithError("open");
      break;
    }
    WriteAll(fd, bytes);
    ::fsync(fd);
    ::close(fd);
    ::rename(temp.c_str(), path.c_str());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

// ---- Opening ----

// The saved document, written once for the readers.
void SaveDocumentOnce() {
  static const bool saved = [] {
    platform::SaveFile file(DocumentPath());
    WriteBlockFile(file, TheDocument().first(), TBlockDocument{});
    file.commit();
    return true;
  }();
  (void)saved;
}

void OpenOurs(benchmark::State& state) {
  SaveDocumentOnce();
  const std::string path = DocumentPath();
  for (auto _ : state) {
    auto surface = std::make_unique<platform::Surface>(kPageWidth, kPageHeight, platform::clWhite);
    TPage* first = TPage::Create(nullptr, surface.get());
    first->SetBounds(0, 0, kPageWidth, kPageHeight);
    TBlockDocument doc;
    platform::FileStream file(path, platform::FileStream::Mode::Read);
    ReadBlockFile(file, *first, doc);
    benchmark::DoNotOptimize(first);
    // Dropping the document is the next one's business, not this one's opening.
    state.PauseTiming();
    first->freeAll();
    surface.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(DocumentBytes().size()));
}

// The same from the bytes already in memory: what the file's reads add is the difference.
void OpenMemory(benchmark::State& state) {
  for (auto _ : state) {
    auto surface = std::make_unique<platform::Surface>(kPageWidth, kPageHeight, platform::clWhite);
    TPage* first = TPage::Create(nullptr, surface.get());
    first->SetBounds(0, 0, kPageWidth, kPageHeight);
    TBlockDocument doc;
    platform::MemoryStream m(DocumentBytes());
    ReadBlockFile(m, *first, doc);
    benchmark::DoNotOptimize(first);
    state.PauseTiming();
    first->freeAll();
    surface.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(DocumentBytes().size()));
}

void OpenPosix(benchmark::State& state) {
  SaveDocumentOnce();
  const std::string path = DocumentPath();
  const size_t n = DocumentBytes().size();
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      state.SkipWithError("open");
      break;
    }
    std::vector<uint8_t> bytes(n);
    size_t done = 0;
    while (done < n) {
      const ssize_t got = ::read(fd, bytes.data() + done, n - done);
      if (got <= 0) break;
      done += size_t(got);
    }
    ::close(fd);
    benchmark::DoNotOptimize(bytes.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(n));
}

// ---- The journal's picture record ----

// An A4 drawing in image mode: pencil strokes and circles of the first layer's geometry.
const platform::Bitmap& Drawing() {
  static const platform::Bitmap b = [] {
    platform::Bitmap bmp(kPageWidth, kPageHeight, platform::clWhite);
    platform::Canvas c(bmp);
    const Layer& l = Geometry().front();
    for (size_t i = 0; i < l.curves.size(); i += 2) {
      c.setPenColor(l.curves[i].colour);
      c.setPenWidth(l.curves[i].width);
      c.polyline(l.curves[i].points);
    }
    c.setBrushStyle(platform::BrushStyle::Clear);
    for (size_t i = 0; i < l.arcs.size(); i += 4) {
      const Arc& a = l.arcs[i];
      const int r = Nearest(Distance(a.start, a.centre));
      c.setPenColor(a.colour);
      c.setPenWidth(a.width);
      c.ellipse(a.centre.x - r, a.centre.y - r, a.centre.x + r, a.centre.y + r);
    }
    return bmp;
  }();
  return b;
}

const std::vector<uint8_t>& DrawingBmp() {
  static const std::vector<uint8_t> bytes = [] {
    platform::MemoryStream m;
    platform::writeBitmap(m, Drawing());
    return m.takeBytes();
  }();
  return bytes;
}

void PictureOurs(benchmark::State& state) {
  platform::Bitmap picture = Drawing();
  TPage* first = nullptr;  // image mode needs no layer
  TJournal journal(
      Folder(), [&]() -> TPage*& { return first; }, [&]() -> platform::Bitmap& { return picture; });
  journal.OpenJournal();
  if (journal.InMemory()) {
    state.SkipWithError("the journal could not create its file");
    return;
  }
  uint64_t recorded = 0;
  for (auto _ : state) {
    journal.RecordChange(journal_kind::PictureChanged);
    state.PauseTiming();
    recorded = journal.Size();
    journal.ClearJournal();
    state.ResumeTiming();
  }
  state.counters["record_bytes"] = double(recorded);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(DrawingBmp().size()));
}

void PictureZlib(benchmark::State& state) {
  const std::vector<uint8_t>& raw = DrawingBmp();
  std::vector<uint8_t> packed(compressBound(uLong(raw.size())));
  uLongf packedSize = 0;
  for (auto _ : state) {
    packedSize = uLongf(packed.size());
    if (compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), Z_BEST_SPEED) !=
        Z_OK) {
      state.SkipWithError("compress2");
      break;
    }
    benchmark::DoNotOptimize(packed.data());
    benchmark::ClobberMemory();
  }
  state.counters["packed_bytes"] = double(packedSize);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(raw.size()));
}

// A document that does not read back as it was saved would make the figures meaningless.
bool ReadsBack() {
  SaveDocumentOnce();
  platform::Surface surface(kPageWidth, kPageHeight, platform::clWhite);
  TPage* first = TPage::Create(nullptr, &surface);
  first->SetBounds(0, 0, kPageWidth, kPageHeight);
  TBlockDocument doc;
  platform::FileStream file(DocumentPath(), platform::FileStream::Mode::Read);
  ReadBlockFile(file, *first, doc);
  bool same = first->LayerCount() == kLayers && file.remaining() == 0;
  for (int i = 0; same && i < kLayers; ++i) {
    TPage& l = *first->LayerAt(i);
    same = l.Curves.size() + l.Segments.size() + l.Points.size() + l.Arcs.size() ==
           size_t(kObjectsPerLayer);
  }
  first->freeAll();
  return same;
}

}  // namespace

int main(int argc, char** argv) {
  if (!ReadsBack()) {
    std::fprintf(stderr, "the saved document does not read back whole\n");
    return 1;
  }
  benchmark::RegisterBenchmark("Save/ours", SaveOurs)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("Save/ours_to_memory", SaveMemory)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("Save/posix", SavePosix)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("Save/posix_synced", SavePosixSynced)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("Open/ours", OpenOurs)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("Open/ours_from_memory", OpenMemory)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("Open/posix", OpenPosix)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("Picture/ours", PictureOurs)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("Picture/zlib", PictureZlib)->Unit(benchmark::kMicrosecond);
  benchmark::Initialize(&argc, argv);
  bench::Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);

  // Times are reported in microseconds; the table is in nanoseconds.
  auto ns = [&](const char* name) { return collector.median(name) * 1e3; };
  // strict: the ratio must stay under the target rather than reach it at most.
  auto row = [&](const char* what, const char* ours, const char* base, double target,
                 bool strict = false) {
    const double o = ns(ours), b = ns(base);
    if (o <= 0 || b <= 0) return;
    const double r = o / b;
    if (target > 0)
      std::printf("%-22s %14.0f %14.0f %9.3f  (target %s %.1f: %s)\n", what, o, b, r,
                  strict ? "<" : "<=", target,
                  (strict ? r < target : r <= target) ? "met" : "missed");
    else
      std::printf("%-22s %14.0f %14.0f %9.3f\n", what, o, b, r);
  };
  std::printf(
      "\nours/baseline (ns; %d layers x %d objects, %zu bytes saved; A4 picture %zu BMP "
      "bytes)\n",
      kLayers, kObjectsPerLayer, DocumentBytes().size(), DrawingBmp().size());
  std::printf("%-22s %14s %14s %9s\n", "", "ours", "baseline", "ratio");
  row("save vs write()", "Save/ours", "Save/posix", 3.0);
  row("save vs write+fsync", "Save/ours", "Save/posix_synced", 0);
  row("  serialising alone", "Save/ours_to_memory", "Save/posix", 0);
  row("open vs read()", "Open/ours", "Open/posix", 3.0);
  row("  from memory", "Open/ours_from_memory", "Open/posix", 0);
  row("picture vs compress2", "Picture/ours", "Picture/zlib", 2.0, true);
  benchmark::Shutdown();

  std::error_code ec;
  std::filesystem::remove_all(Folder(), ec);
  return 0;
}
