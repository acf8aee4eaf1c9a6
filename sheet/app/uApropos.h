#pragma once
#include <QDialog>

// "A propos": the product name, the version and the project's address.
class TAboutBox : public QDialog {
 public:
  explicit TAboutBox(QWidget* parent = nullptr);
};

extern const char* const kProductName;
extern const char* const kProductVersion;
extern const char* const kProjectAddress;
