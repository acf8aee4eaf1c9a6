#include "Cursors.h"

#include <QBitmap>
#include <QCursor>
#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <map>

namespace platform {

namespace {
std::map<int, QCursor>& registry() {
  static std::map<int, QCursor> cursors;
  return cursors;
}
}  // namespace

void registerCursor(int number, const std::vector<std::string>& art, int hotX, int hotY) {
  int w = 0;
  for (const auto& row : art) w = std::max<int>(w, int(row.size()));
  const int h = int(art.size());
  QImage img(std::max(w, 1), std::max(h, 1), QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < int(art[y].size()); ++x) {
      if (art[y][x] == 'X') img.setPixel(x, y, qRgba(0, 0, 0, 255));
      if (art[y][x] == 'o') img.setPixel(x, y, qRgba(255, 255, 255, 255));
    }
  registry()[number] = QCursor(QPixmap::fromImage(img), hotX, hotY);
}

bool hasCursor(int number) {
  return registry().count(number) != 0;
}

void applyCursor(QWidget& widget, int number) {
  auto it = registry().find(number);
  if (number == 0 || it == registry().end())
    widget.unsetCursor();
  else
    widget.setCursor(it->second);
}

}  // namespace platform
