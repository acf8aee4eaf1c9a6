#include "Screen.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>
#include <cmath>

namespace platform {

int screenPixelsPerInch() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return 96;
  const int dpi = int(std::nearbyint(screen->logicalDotsPerInch()));
  return dpi > 0 ? dpi : 96;
}

std::string programDir() {
  std::string dir = QCoreApplication::applicationDirPath().toStdString();
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

std::string documentsDir() {
  return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
}

}  // namespace platform
