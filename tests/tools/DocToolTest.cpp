// The document tool run as a separate program on files written by the sheet's writers.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Streams.h"
#include "platform/Surface.h"
#include "sheet/layers/uSauve.h"

namespace {

struct ToolRun {
  int code = -1;
  std::string out, err;
};

std::vector<uint8_t> fileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& b) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

bool dark(QRgb c) {
  return qGray(c) < 128;
}

// The longest run of dark pixels on row y: its first x and its length.
std::pair<int, int> longestDarkRun(const QImage& img, int y) {
  int bestStart = -1, best = 0;
  for (int x = 0; x < img.width();) {
    if (!dark(img.pixel(x, y))) {
      ++x;
      continue;
    }
    const int start = x;
    while (x < img.width() && dark(img.pixel(x, y))) ++x;
    if (x - start > best) {
      best = x - start;
      bestStart = start;
    }
  }
  return {bestStart, best};
}

struct DocTool : ::testing::Test {
  QTemporaryDir dir;

  std::string path(const char* name) { return dir.filePath(name).toStdString(); }

  ToolRun run(const QStringList& args) {
    QProcess p;
    p.start(ZERIDAZ_DOC, args);
    EXPECT_TRUE(p.waitForFinished(120000));
    ToolRun r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
  }
  ToolRun run(std::initializer_list<std::string> args) {
    QStringList l;
    for (const std::string& a : args) l << QString::fromStdString(a);
    return run(l);
  }

  // Two layers: a black 10 cm segment (378 pixels at 96 ppi) and a label on the first; the
  // second hidden, protected, with a small background picture.
  void writeDocument(const std::string& file, uint8_t orientation = 0, bool layerFile = false,
                     const platform::Bitmap* picture = nullptr) {
    const TPageSize size = PageSizeFor(orientation, 96);
    platform::Surface panel(size.width, size.height, platform::clWhite);
    TPage* first = TPage::Create(nullptr, &panel);
    first->SetBounds(0, 0, size.width, size.height);
    first->ActivateOnly(0);
    auto seg = std::make_unique<TSegment>(0, *first, 2, platform::TPoint{100, 200},
                                          platform::TPoint{478, 200});
    seg->color = platform::clBlack;
    seg->id = 12;
    first->Segments.push_back(std::move(seg));
    platform::Font font;
    font.color = 0x00FF00;
    first->Labels.push_back(
        std::make_unique<TLibelle>(platform::TPoint{300, 500}, *first, font, "Bonjour"));
    first->AddLayer();
    TPage* second = first->Next;
    second->Name = "Fond";
    second->Visible = false;
    second->Protected = true;
    second->Background = std::make_unique<platform::Bitmap>(3, 2, platform::clRed);
    second->BackgroundLeft = 5;
    second->BackgroundTop = 6;

    platform::SaveFile out(file);
    if (layerFile) {
      WriteLayerFile(out, *first);
    } else {
      TBlockDocument doc;
      doc.Orientation = orientation;
      doc.Options.Options.Orientation = orientation;
      if (picture) doc.Picture = *picture;
      WriteBlockFile(out, *first, doc);
    }
    out.commit();
    first->freeAll();
  }

  // The one line the tool writes on failure.
  static void expectOneErrorLine(const ToolRun& r) {
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.empty());
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.rfind("Erreur : ", 0), 0u) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  }
};

TEST_F(DocTool, InfoDescribesTheDocumentAsJson) {
  const std::string file = path("doc.blc");
  writeDocument(file);
  const ToolRun r = run({"info", file});
  ASSERT_EQ(r.code, 0) << r.err;
  QJsonParseError error;
  const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error).object();
  ASSERT_EQ(error.error, QJsonParseError::NoError) << r.out;
  EXPECT_EQ(o["kind"].toString(), "block");
  EXPECT_EQ(o["versions"]["block"].toInt(), 2);
  EXPECT_EQ(o["versions"]["layers"].toArray(), (QJsonArray{2, 2}));
  EXPECT_EQ(o["orientation"].toString(), "portrait");
  EXPECT_EQ(o["page"].toArray(), (QJsonArray{794, 1123}));
  EXPECT_EQ(o["options"]["grid"]["shown"].toBool(), false);
  EXPECT_EQ(o["imageMode"].toBool(), false);

  const QJsonArray layers = o["layers"].toArray();
  ASSERT_EQ(layers.size(), 2);
  const QJsonObject one = layers[0].toObject();
  EXPECT_EQ(one["name"].toString(), "calque 1");
  EXPECT_TRUE(one["visible"].toBool());
  const QJsonObject seg = one["segments"][0].toObject();
  EXPECT_EQ(seg["id"].toInt(), 12);
  EXPECT_EQ(seg["color"].toString(), "#000000");
  EXPECT_EQ(seg["width"].toInt(), 2);
  EXPECT_EQ(seg["p1"].toArray(), (QJsonArray{100, 200}));
  EXPECT_EQ(seg["p2"].toArray(), (QJsonArray{478, 200}));
  const QJsonObject label = one["labels"][0].toObject();
  EXPECT_EQ(label["text"].toString(), "Bonjour");
  EXPECT_EQ(label["color"].toString(), "#00FF00");
  EXPECT_EQ(label["position"].toArray(), (QJsonArray{300, 500}));
  EXPECT_TRUE(one["background"].isNull());

  const QJsonObject two = layers[1].toObject();
  EXPECT_EQ(two["name"].toString(), "Fond");
  EXPECT_FALSE(two["visible"].toBool());
  EXPECT_TRUE(two["protected"].toBool());
  EXPECT_EQ(two["background"].toObject(),
            (QJsonObject{{"width", 3}, {"height", 2}, {"left", 5}, {"top", 6}}));

  const std::string layerFile = path("calque.clq");
  writeDocument(layerFile, 0, true);
  const ToolRun l = run({"info", layerFile});
  ASSERT_EQ(l.code, 0) << l.err;
  const QJsonObject lo = QJsonDocument::fromJson(QByteArray::fromStdString(l.out)).object();
  EXPECT_EQ(lo["kind"].toString(), "layer");
  EXPECT_EQ(lo["versions"]["layer"].toInt(), 2);
  EXPECT_EQ(lo["layers"].toArray().size(), 1);
  EXPECT_EQ(lo["layers"][0]["segments"].toArray().size(), 1);
}

TEST_F(DocTool, CheckAcceptsAWholeFileAndRefusesACutOne) {
  const std::string file = path("doc.blc");
  writeDocument(file);
  const ToolRun good = run({"check", file});
  EXPECT_EQ(good.code, 0);
  EXPECT_TRUE(good.err.empty()) << good.err;

  const std::vector<uint8_t> bytes = fileBytes(file);
  for (size_t n : {size_t(0), size_t(1), bytes.size() / 2, bytes.size() - 1}) {
    SCOPED_TRACE(n);
    const std::string cut = path("cut.blc");
    writeBytes(cut, std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(n)));
    expectOneErrorLine(run({"check", cut}));
  }
  expectOneErrorLine(run({"check", path("absent.blc")}));

  // info still shows what was read, and fails.
  const std::string cut = path("cut.blc");
  writeBytes(cut, std::vector<uint8_t>(bytes.begin(), bytes.end() - 3));
  const ToolRun info = run({"info", cut});
  EXPECT_EQ(info.code, 1);
  EXPECT_EQ(info.err.find('\n'), info.err.size() - 1) << info.err;
  const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(info.out)).object();
  EXPECT_EQ(o["layers"].toArray().size(), 2);
  EXPECT_EQ(o["layers"][0]["segments"].toArray().size(), 1);
}

// A document saved in image mode prints as its picture, stretched over the page.
TEST_F(DocTool, ImageModeDocumentRendersItsPicture) {
  platform::Bitmap picture(794, 1123, platform::clWhite);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 50; ++x) picture.setPixel(x, y, platform::clRed);
  const std::string file = path("image.blc");
  writeDocument(file, 0, false, &picture);
  const ToolRun info = run({"info", file});
  ASSERT_EQ(info.code, 0) << info.err;
  const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(info.out)).object();
  EXPECT_TRUE(o["imageMode"].toBool());
  EXPECT_EQ(o["picture"].toArray(), (QJsonArray{794, 1123}));

  const std::string png = path("image.png");
  ASSERT_EQ(run({"render", file, png}).code, 0);
  QImage img(QString::fromStdString(png));
  EXPECT_EQ(img.pixel(10, 10), qRgb(255, 0, 0));
  EXPECT_EQ(img.pixel(60, 10), qRgb(255, 255, 255));
  // The layers are not painted over the picture.
  EXPECT_EQ(img.pixel(300, 200), qRgb(255, 255, 255));

  const std::string again = path("again.blc");
  ASSERT_EQ(run({"resave", file, again}).code, 0);
  EXPECT_EQ(fileBytes(again), fileBytes(file));
}

TEST_F(DocTool, ResaveOfACurrentFileIsByteIdentical) {
  for (bool layerFile : {false, true}) {
    SCOPED_TRACE(layerFile);
    const std::string in = path(layerFile ? "in.clq" : "in.blc");
    const std::string out = path(layerFile ? "out.clq" : "out.blc");
    writeDocument(in, 1, layerFile);
    const ToolRun r = run({"resave", in, out});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(fileBytes(out), fileBytes(in));
  }
  // A cut file is not written back.
  const std::vector<uint8_t> bytes = fileBytes(path("in.blc"));
  writeBytes(path("cut.blc"), std::vector<uint8_t>(bytes.begin(), bytes.end() - 3));
  expectOneErrorLine(run({"resave", path("cut.blc"), path("never.blc")}));
  EXPECT_FALSE(QFile::exists(QString::fromStdString(path("never.blc"))));
}

TEST_F(DocTool, RenderPngPaintsThePageAtScale) {
  const std::string file = path("doc.blc");
  writeDocument(file);
  struct Case {
    const char* scale;
    double s;
  };
  for (const Case& c : {Case{nullptr, 1}, Case{"2", 2}}) {
    SCOPED_TRACE(c.s);
    const std::string png = path("page.png");
    const ToolRun r =
        c.scale ? run({"render", file, png, "--scale", c.scale}) : run({"render", file, png});
    ASSERT_EQ(r.code, 0) << r.err;
    QImage img(QString::fromStdString(png));
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.size(), QSize(int(794 * c.s), int(1123 * c.s)));
    auto at = [&](int x, int y) { return img.pixel(int(x * c.s), int(y * c.s)); };
    EXPECT_TRUE(dark(at(300, 200)));
    EXPECT_FALSE(dark(at(300, 210)));
    EXPECT_FALSE(dark(at(90, 200)));
    EXPECT_FALSE(dark(at(490, 200)));
    const auto [start, length] = longestDarkRun(img, int(200 * c.s));
    EXPECT_NEAR(start, 100 * c.s, 2 * c.s);
    EXPECT_NEAR(length, 378 * c.s, 3 * c.s);
    // The hidden layer's background is not painted.
    EXPECT_EQ(img.pixel(6, 7), qRgb(255, 255, 255));
  }
  const ToolRun bad = run({"render", file, path("page.png"), "--scale", "x"});
  EXPECT_NE(bad.code, 0);
}

TEST_F(DocTool, RenderPdfIsTrueSize) {
  struct Case {
    uint8_t orientation;
    double width, height;  // points
  };
  for (const Case& c : {Case{0, 595.28, 841.89}, Case{1, 841.89, 595.28}}) {
    SCOPED_TRACE(int(c.orientation));
    const std::string file = path("doc.blc");
    const std::string pdf = path("page.pdf");
    writeDocument(file, c.orientation);
    const ToolRun r = run({"render", file, pdf});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<uint8_t> bytes = fileBytes(pdf);
    const QString text =
        QString::fromLatin1(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    const auto box = QRegularExpression(R"(/MediaBox \[0 0 ([0-9.]+) ([0-9.]+)\])").match(text);
    ASSERT_TRUE(box.hasMatch());
    EXPECT_NEAR(box.captured(1).toDouble(), c.width, 0.005);
    EXPECT_NEAR(box.captured(2).toDouble(), c.height, 0.005);

    // The picture's placement: its width in points over its width in pixels is 72/300, and
    // it hangs from the page's top-left corner.
    const auto image = QRegularExpression(R"(/Width (\d+) /Height (\d+))").match(text);
    const auto cm =
        QRegularExpression(R"(q ([0-9.]+) 0 0 ([0-9.]+) 0 (-?[0-9.]+) cm /Im0 Do)").match(text);
    ASSERT_TRUE(image.hasMatch() && cm.hasMatch());
    const double ptPerPixel = cm.captured(1).toDouble() / image.captured(1).toDouble();
    EXPECT_NEAR(ptPerPixel, 72.0 / 300, 1e-6);
    EXPECT_NEAR(cm.captured(2).toDouble() / image.captured(2).toDouble(), 72.0 / 300, 1e-6);
    EXPECT_NEAR(cm.captured(3).toDouble() + cm.captured(2).toDouble(), c.height, 0.005);

    // Printed back at 254 dpi, one pixel is a tenth of a millimetre.
    const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
    if (pdftoppm.isEmpty()) continue;
    QProcess p;
    p.start(pdftoppm, {"-r", "254", "-gray", "-singlefile", QString::fromStdString(pdf),
                       dir.filePath("back")});
    ASSERT_TRUE(p.waitForFinished(120000));
    ASSERT_EQ(p.exitCode(), 0);
    QImage back(dir.filePath("back.pgm"));
    ASSERT_FALSE(back.isNull());
    EXPECT_NEAR(back.width(), c.width / 72 * 254, 1);
    EXPECT_NEAR(back.height(), c.height / 72 * 254, 1);
    // The segment lies 200 page pixels down: 52.9 mm.
    std::pair<int, int> best{-1, 0};
    for (int y = 520; y <= 540; ++y)
      best = std::max(best, longestDarkRun(back, y),
                      [](auto a, auto b) { return a.second < b.second; });
    EXPECT_NEAR(best.second / 10.0, 100.0, 0.5);           // 10 cm long
    EXPECT_NEAR(best.first / 10.0, 100 * 25.4 / 96, 0.5);  // from 26.5 mm
  }
}

}  // namespace
