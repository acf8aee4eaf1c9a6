// Looks into block files (.blc) and layer files (.clq) without the sheet's window.
//
//   zeridaz-doc info FILE                       the document as JSON on stdout
//   zeridaz-doc render FILE OUT.png [--scale S] the page as printed, S page pixels per pixel
//   zeridaz-doc render FILE OUT.pdf             the page at its true size (A4, 300 dpi picture)
//   zeridaz-doc check FILE                      exit 0 when the file reads whole, else one
//                                               line on stderr and exit 1
//   zeridaz-doc resave IN OUT                   reads and writes back in the current versions
//
// Page pixels are those of a 96 ppi screen. A layer file opens as a new portrait document
// whose only layer receives it.
#include <zlib.h>

#include <QGuiApplication>
#include <QImage>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Streams.h"
#include "platform/Surface.h"
#include "sheet/layers/uOverlays.h"
#include "sheet/layers/uPages.h"
#include "sheet/layers/uSauve.h"
#include "sheet/objects/ucalcul.h"
#include "sheet/overlays/UGrille.h"
#include "sheet/overlays/URepere.h"
#include "sheet/overlays/uOptions.h"

using platform::Bitmap;
using platform::MemoryStream;
using platform::StreamError;

namespace {

constexpr int kPpi = 96;

bool endsWith(const std::string& s, const std::string& tail) {
  if (s.size() < tail.size()) return false;
  std::string end = s.substr(s.size() - tail.size());
  for (char& c : end) c = char(std::tolower(static_cast<unsigned char>(c)));
  return end == tail;
}

std::vector<uint8_t> readWholeFile(const std::string& path) {
  platform::FileStream f(path, platform::FileStream::Mode::Read);
  std::vector<uint8_t> bytes(f.size());
  if (!bytes.empty()) f.readBytes(bytes.data(), bytes.size());
  return bytes;
}

// A document as the sheet holds it: the page panel and the chain of layers on it.
struct Document {
  bool block = true;
  int orientation = 0;
  TBlockDocument doc;
  uint16_t fileVersion = 0;   // layer file
  uint16_t layerVersion = 0;  // layer file
  std::unique_ptr<platform::Surface> panel;
  TPage* first = nullptr;

  ~Document() {
    if (first) first->freeAll();
  }
  int width() const { return first->width(); }
  int height() const { return first->height(); }
};

// Reads `path` into `d`. A short or malformed file raises StreamError with `d` holding what
// was read, as the sheet keeps it.
void load(const std::string& path, Document& d) {
  d.block = !endsWith(path, ".clq");
  const std::vector<uint8_t> bytes = readWholeFile(path);
  // The page is turned before the layers are read: take the orientation byte first.
  if (d.block && bytes.size() >= 3 && bytes[2] != 0) d.orientation = 1;
  const TPageSize size = PageSizeFor(d.orientation, kPpi);
  d.panel = std::make_unique<platform::Surface>(size.width, size.height, platform::clWhite);
  d.first = TPage::Create(nullptr, d.panel.get());
  d.first->SetBounds(0, 0, size.width, size.height);
  d.first->ActivateOnly(0);
  ResetGrid(d.doc.Options.Grid, d.orientation);
  ResetFrame(d.doc.Options.Frame);
  d.doc.Options.Options.Orientation = uint8_t(d.orientation);

  MemoryStream s(bytes);
  if (d.block) {
    ReadBlockFile(s, *d.first, d.doc);
  } else {
    d.fileVersion = s.readU16();
    if (s.remaining() >= 2) {
      d.layerVersion = s.readU16();
      s.seek(2);
    }
    ImportLayer(s, *d.first);
  }
  if (s.remaining() != 0)
    throw StreamError(std::to_string(s.remaining()) + " octets en trop après la fin du document");
}

void save(const std::string& path, Document& d) {
  platform::SaveFile out(path);
  if (d.block)
    WriteBlockFile(out, *d.first, d.doc);
  else
    WriteLayerFile(out, *d.first);
  out.commit();
}

// ---- info ----------------------------------------------------------------------------------

class Json {
 public:
  std::string out;

  Json& key(const char* k) {
    if (needComma_) out += ',';
    quoted(k);
    out += ':';
    needComma_ = false;
    return *this;
  }
  Json& str(const std::string& s) {
    value();
    quoted(s);
    return *this;
  }
  Json& num(long long v) {
    value();
    out += std::to_string(v);
    return *this;
  }
  Json& real(double v) {
    value();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    out += buf;
    return *this;
  }
  Json& boolean(bool v) {
    value();
    out += v ? "true" : "false";
    return *this;
  }
  Json& null() {
    value();
    out += "null";
    return *this;
  }
  Json& open(char c) {
    value();
    out += c;
    needComma_ = false;
    return *this;
  }
  Json& close(char c) {
    out += c;
    needComma_ = true;
    return *this;
  }
  Json& point(platform::TPoint p) { return open('[').num(p.x).num(p.y).close(']'); }
  Json& colour(platform::TColor c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", platform::redOf(c), platform::greenOf(c),
                  platform::blueOf(c));
    return str(buf);
  }
  Json& groups(const TGroupStack& g) {
    open('[');
    for (int32_t n : g.Entries()) num(n);
    return close(']');
  }

 private:
  void value() {
    if (needComma_) out += ',';
    needComma_ = true;
  }
  void quoted(const std::string& s) {
    out += '"';
    for (unsigned char c : s) {
      if (c == '"' || c == '\\') {
        out += '\\';
        out += char(c);
      } else if (c < 0x20) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u%04x", c);
        out += buf;
      } else {
        out += char(c);
      }
    }
    out += '"';
  }
  bool needComma_ = false;
};

void simpleFields(Json& j, const TObjetSimple& o) {
  j.key("color").colour(o.color).key("width").num(o.width).key("visible").boolean(o.visible);
  j.key("groups").groups(o);
}

void layerJson(Json& j, TPage& l) {
  j.open('{');
  j.key("name").str(l.Name).key("visible").boolean(l.Visible).key("protected").boolean(l.Protected);
  j.key("curves").open('[');
  for (auto& c : l.Curves) {
    j.open('{');
    simpleFields(j, *c);
    j.key("points").open('[');
    for (int32_t i = 0; i < c->PointCount(); ++i) j.point(c->Point(i));
    j.close(']').close('}');
  }
  j.close(']');
  j.key("segments").open('[');
  for (auto& s : l.Segments) {
    j.open('{').key("id").num(s->id).key("kind").num(s->kind);
    simpleFields(j, *s);
    j.key("p1").point(s->P1).key("p2").point(s->P2).key("arrows").num(s->arrows).close('}');
  }
  j.close(']');
  j.key("points").open('[');
  for (auto& p : l.Points) {
    j.open('{');
    simpleFields(j, *p);
    j.key("position").point(p->position).key("segment");
    if (p->segment)
      j.num(p->segment->id);
    else
      j.null();
    j.close('}');
  }
  j.close(']');
  j.key("arcs").open('[');
  for (auto& a : l.Arcs) {
    j.open('{').key("kind").num(a->kind);
    simpleFields(j, *a);
    j.key("centre")
        .point(a->centre)
        .key("start")
        .point(a->startPoint)
        .key("end")
        .point(a->endPoint);
    j.key("radius").real(a->radius).key("full").boolean(a->full).close('}');
  }
  j.close(']');
  j.key("labels").open('[');
  for (auto& t : l.Labels) {
    const platform::Font& f = t->GetFont();
    j.open('{').key("text").str(t->Text()).key("position").point(t->Position());
    j.key("color").colour(t->Color()).key("visible").boolean(t->LabelVisible());
    j.key("font").open('{').key("name").str(f.name).key("size").num(f.size);
    j.key("bold").boolean(f.bold).key("italic").boolean(f.italic);
    j.key("underline").boolean(f.underline).key("strikeOut").boolean(f.strikeOut).close('}');
    j.key("groups").groups(*t).close('}');
  }
  j.close(']');
  j.key("background");
  if (l.Background) {
    j.open('{').key("width").num(l.Background->width()).key("height").num(l.Background->height());
    j.key("left").num(l.BackgroundLeft).key("top").num(l.BackgroundTop).close('}');
  } else {
    j.null();
  }
  j.close('}');
}

void optionsJson(Json& j, const TOptionsRecord& r) {
  const TSheetOptions& o = r.Options;
  j.open('{').key("orientation").num(o.Orientation);
  j.key("dragDrop").boolean(o.DragDropEnabled).key("copyPaste").boolean(o.CopyPasteEnabled);
  j.key("arcCentres").boolean(o.DrawArcCentres).key("pointSize").num(o.PointSize);
  const TGridSettings& g = r.Grid;
  j.key("grid").open('{').key("shown").boolean(o.GridShown);
  j.key("origin").open('[').str(g.OriginX).str(g.OriginY).close(']');
  j.key("size").open('[').str(g.Width).str(g.Height).close(']');
  j.key("spacing").open('[').num(g.SpacingX).num(g.SpacingY).close(']');
  j.key("colourIndex").num(g.ColourIndex).key("lines").boolean(g.Lines);
  j.key("mark5").boolean(g.Mark5).key("mark10").boolean(g.Mark10).close('}');
  const TFrameSettings& f = r.Frame;
  j.key("frame").open('{').key("shown").boolean(o.FrameShown);
  j.key("spacing").open('[').num(f.SpacingX).num(f.SpacingY).close(']');
  j.key("colourIndex").num(f.ColourIndex).key("linkToGrid").boolean(f.LinkToGrid);
  j.key("origin").point(f.Origin);
  j.key("directions").open('[').num(f.XDirection).num(f.YDirection).close(']').close('}');
  j.close('}');
}

std::string infoJson(Document& d) {
  Json j;
  j.open('{').key("kind").str(d.block ? "block" : "layer");
  j.key("versions").open('{');
  if (d.block) {
    j.key("block").num(d.doc.Version);
    j.key("options");
    if (d.doc.HasOptions)
      j.num(d.doc.OptionsVersion);
    else
      j.null();
    j.key("layers").open('[');
    for (uint16_t v : d.doc.LayerVersions) j.num(v);
    j.close(']');
  } else {
    j.key("file").num(d.fileVersion).key("layer").num(d.layerVersion);
  }
  j.close('}');
  j.key("orientation").str(d.orientation ? "landscape" : "portrait");
  j.key("page").open('[').num(d.width()).num(d.height()).close(']');
  if (d.block) {
    j.key("options");
    if (d.doc.HasOptions)
      optionsJson(j, d.doc.Options);
    else
      j.null();
    j.key("imageMode").boolean(d.doc.Picture.has_value());
    j.key("picture");
    if (d.doc.Picture)
      j.open('[').num(d.doc.Picture->width()).num(d.doc.Picture->height()).close(']');
    else
      j.null();
  }
  j.key("layers").open('[');
  for (TPage* l = d.first; l; l = l->Next) layerJson(j, *l);
  j.close(']').close('}');
  return j.out;
}

// ---- render --------------------------------------------------------------------------------

// The grid and the frame as the document's options have them, on every visible layer.
class DocumentOverlays : public TPageOverlays {
 public:
  explicit DocumentOverlays(TOptionsRecord& r) : r_(r) {}
  void PaintOnLayer(platform::Canvas& canvas, const platform::TRect& page) override {
    PaintScaled(canvas, page, 1);
  }
  void PaintScaled(platform::Canvas& canvas, const platform::TRect& page, double scale) override {
    if (r_.Options.GridShown) DrawGrid(canvas, r_.Grid, kPpi, scale);
    if (r_.Options.FrameShown) {
      const TFrameEnv env{r_.Grid, r_.Options.GridShown, kPpi};
      DrawFrame(canvas, r_.Frame, env, page, scale);
    }
  }

 private:
  TOptionsRecord& r_;
};

// The page as printing paints it, `scale` picture pixels per page pixel: the image-mode picture
// stretched over the page, or the visible layers on white.
Bitmap paintPage(Document& d, double scale) {
  const int w = Nearest(d.width() * scale), h = Nearest(d.height() * scale);
  Bitmap page(w, h, platform::clWhite);
  platform::Canvas canvas(page);
  if (d.doc.Picture) {
    canvas.stretchDraw({0, 0, w, h}, *d.doc.Picture);
    return page;
  }
  DocumentOverlays overlays(d.doc.Options);
  if (d.block) SetPageOverlays(&overlays);
  d.first->PaintTo(canvas, scale);
  SetPageOverlays(nullptr);
  return page;
}

QImage toImage(const Bitmap& b, double ppi) {
  QImage img(b.width(), b.height(), QImage::Format_RGB32);
  for (int y = 0; y < b.height(); ++y) {
    const uint32_t* src = b.scanLine(y);
    auto* dst = reinterpret_cast<uint32_t*>(img.scanLine(y));
    for (int x = 0; x < b.width(); ++x) dst[x] = src[x];
  }
  const int dpm = Nearest(ppi / 0.0254);
  img.setDotsPerMeterX(dpm);
  img.setDotsPerMeterY(dpm);
  return img;
}

void renderPng(Document& d, const std::string& out, double scale) {
  const QImage img = toImage(paintPage(d, scale), kPpi * scale);
  if (!img.save(QString::fromStdString(out), "PNG"))
    throw StreamError("Impossible d'enregistrer l'image « " + out + " »");
}

// True size: the page is painted at 300 dpi and placed in a PDF page of exactly the paper's
// size (210 x 297 mm, or turned), the picture at 300 dpi from the top-left corner, so that a
// page millimetre prints as a millimetre. The few hundredths of a millimetre by which the
// whole picture outgrows the paper are cut off at the right and bottom edges.
void renderPdf(Document& d, const std::string& out) {
  constexpr int kDpi = 300;
  const Bitmap picture = paintPage(d, double(kDpi) / kPpi);
  const int w = picture.width(), h = picture.height();
  std::vector<uint8_t> rgb;
  rgb.reserve(size_t(w) * size_t(h) * 3);
  for (int y = 0; y < h; ++y) {
    const uint32_t* row = picture.scanLine(y);
    for (int x = 0; x < w; ++x) {
      const platform::TColor c = platform::fromPixel(row[x]);
      rgb.push_back(platform::redOf(c));
      rgb.push_back(platform::greenOf(c));
      rgb.push_back(platform::blueOf(c));
    }
  }
  uLongf packedSize = compressBound(uLong(rgb.size()));
  std::vector<uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, rgb.data(), uLong(rgb.size()), 6) != Z_OK)
    throw StreamError("Compression de l'image impossible");
  packed.resize(packedSize);

  const TPageSize mm = PageSizeMm(d.orientation);
  const double pageW = mm.width * 72.0 / 25.4, pageH = mm.height * 72.0 / 25.4;
  const double imageW = w * 72.0 / kDpi, imageH = h * 72.0 / kDpi;
  auto fmt = [](const char* f, auto... v) {
    char buf[256];
    std::snprintf(buf, sizeof buf, f, v...);
    return std::string(buf);
  };
  const std::string content =
      fmt("q %.4f 0 0 %.4f 0 %.4f cm /Im0 Do Q", imageW, imageH, pageH - imageH);

  std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<size_t> offsets;
  auto object = [&](const std::string& body) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
  };
  object("<< /Type /Catalog /Pages 2 0 R >>");
  object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  object(fmt("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %.2f %.2f] ", pageW, pageH) +
         "/Resources << /XObject << /Im0 5 0 R >> >> /Contents 4 0 R >>");
  object(fmt("<< /Length %zu >>\nstream\n", content.size()) + content + "\nendstream");
  object(fmt("<< /Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /DeviceRGB "
             "/BitsPerComponent 8 /Filter /FlateDecode /Length %zu >>\nstream\n",
             w, h, packed.size()) +
         std::string(packed.begin(), packed.end()) + "\nendstream");
  const size_t xref = pdf.size();
  pdf += fmt("xref\n0 %zu\n0000000000 65535 f \n", offsets.size() + 1);
  for (size_t o : offsets) pdf += fmt("%010zu 00000 n \n", o);
  pdf += fmt("trailer\n<< /Size %zu /Root 1 0 R >>\nstartxref\n%zu\n%%%%EOF\n", offsets.size() + 1,
             xref);

  platform::SaveFile file(out);
  file.writeBytes(pdf.data(), pdf.size());
  file.commit();
}

// ---- main ----------------------------------------------------------------------------------

int usage() {
  std::fputs(
      "usage : zeridaz-doc info FICHIER | render FICHIER SORTIE.png|SORTIE.pdf [--scale S] | "
      "check FICHIER | resave FICHIER SORTIE\n",
      stderr);
  return 2;
}

int fail(const std::string& file, const std::string& why) {
  std::fprintf(stderr, "Erreur : %s : %s\n", file.c_str(), why.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The output is for scripts: stdout the answer, stderr one line when something fails.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
      std::fprintf(stderr, "%s\n", msg.toLocal8Bit().constData());
  });
  QGuiApplication app(argc, argv);
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() < 2) return usage();
  const std::string& command = args[0];
  const std::string& file = args[1];

  Document d;
  int status = 0;
  try {
    load(file, d);
  } catch (const StreamError& e) {
    // info and render show what was read, as the sheet does, and still answer failure; check
    // and resave refuse.
    if (command == "check" || command == "resave" || !d.first) return fail(file, e.what());
    status = fail(file, e.what());
  }

  try {
    if (command == "check" && args.size() == 2) return 0;
    if (command == "info" && args.size() == 2) {
      std::printf("%s\n", infoJson(d).c_str());
      return status;
    }
    if (command == "resave" && args.size() == 3) {
      save(args[2], d);
      return 0;
    }
    if (command == "render" && (args.size() == 3 || args.size() == 5)) {
      double scale = 1;
      if (args.size() == 5) {
        if (args[3] != "--scale") return usage();
        char* end = nullptr;
        scale = std::strtod(args[4].c_str(), &end);
        if (*end != '\0' || !(scale > 0) || scale > 16) return fail(args[4], "échelle invalide");
      }
      const std::string& out = args[2];
      if (endsWith(out, ".pdf"))
        renderPdf(d, out);
      else if (endsWith(out, ".png"))
        renderPng(d, out, scale);
      else
        return usage();
      return status;
    }
  } catch (const StreamError& e) {
    return fail(args.size() > 2 ? args[2] : file, e.what());
  }
  return usage();
}
