#include "uApropos.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

const char* const kProductName = "Rerevav iv arodev";
const char* const kProductVersion = "0.1.0";
const char* const kProjectAddress = "https://zeridaz.example.org";

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName("AboutBox");
  setWindowTitle("A propos");
  auto* layout = new QVBoxLayout(this);
  auto* name = new QLabel(QString::fromUtf8(kProductName), this);
  QFont big = name->font();
  big.setPointSize(big.pointSize() + 6);
  big.setBold(true);
  name->setFont(big);
  name->setAlignment(Qt::AlignCenter);
  layout->addWidget(name);
  auto* details = new QLabel(QString("Zeridaz, la feuille de dessin\nVersion %1\n%2")
                                 .arg(kProductVersion, kProjectAddress),
                             this);
  details->setObjectName("details");
  details->setAlignment(Qt::AlignCenter);
  details->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(details);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
}
