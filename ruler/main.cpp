#include <QApplication>

#include "ruler/Unit1.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The application title; a display name would be appended to every window caption.
  QApplication::setApplicationName("La règle graduée");
  TFRegle window;
  window.showFullScreen();
  return app.exec();
}
