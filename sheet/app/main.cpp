#include <QApplication>

#include "sheet/app/uZeridaz.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The application title; a display name would be appended to every window caption.
  QApplication::setApplicationName("Rerevav iv arodev");
  TFZeridazKWZ window;
  window.showMaximized();
  return app.exec();
}
