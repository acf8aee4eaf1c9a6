#include "UDlgGrille.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "platform/Dialogs.h"
#include "platform/Screen.h"
#include "uCouleurs.h"

namespace {

QString q(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace

TDlgGrille::TDlgGrille(QWidget* parent) : QDialog(parent) {
  setObjectName("DlgGrille");
  setWindowTitle("Options grille");

  auto named = [this](auto* w, const char* name) {
    w->setObjectName(name);
    return w;
  };
  auto edit = [&](const char* name, const char* text) {
    QLineEdit* e = named(new QLineEdit(text, this), name);
    e->installEventFilter(this);
    return e;
  };
  auto spin = [&](const char* name) {
    QSpinBox* s = named(new QSpinBox(this), name);
    s->setRange(GridSpacingMin, GridSpacingMax);
    s->setValue(10);
    return s;
  };
  auto label = [this](const char* text) { return new QLabel(QString::fromUtf8(text), this); };

  Editoriginex = edit("Editoriginex", "0");
  Editoriginey = edit("Editoriginey", "0");
  Editlargeur = edit("Editlargeur", "210");
  Edithauteur = edit("Edithauteur", "297");
  SpinEdit1 = spin("SpinEdit1");
  SpinEdit2 = spin("SpinEdit2");
  CBBCouleur = named(new QComboBox(this), "CBBCouleur");
  for (const TNamedColour& c : NamedColours) CBBCouleur->addItem(QString::fromUtf8(c.Name));
  CBBCouleur->setCurrentIndex(0);
  RBGrille = named(new QRadioButton("Grille", this), "RBGrille");
  RBInters = named(new QRadioButton("Points d'intersection", this), "RBInters");
  RBGrille->setChecked(true);
  chbMarq5 = named(new QCheckBox("Marquage tous les 5 ", this), "chbMarq5");
  chbMarq10 = named(new QCheckBox("tous les 10 ", this), "chbMarq10");
  BitBtn1 = named(new QPushButton("OK", this), "BitBtn1");
  BitBtn2 = named(new QPushButton("Annuler", this), "BitBtn2");
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

  auto* grid = new QGridLayout(this);
  int row = 0;
  grid->addWidget(label("coin supérieur gauche :"), row, 0);
  grid->addWidget(Editoriginex, row, 1);
  grid->addWidget(label("mm"), row, 2);
  grid->addWidget(Editoriginey, row, 3);
  grid->addWidget(label("mm"), row++, 4);
  grid->addWidget(label("largeur :"), row, 0);
  grid->addWidget(Editlargeur, row, 1);
  grid->addWidget(label("mm"), row++, 2);
  grid->addWidget(label("hauteur :"), row, 0);
  grid->addWidget(Edithauteur, row, 1);
  grid->addWidget(label("mm"), row++, 2);
  grid->addWidget(label("Graduation horizontale :"), row, 0);
  grid->addWidget(SpinEdit1, row, 1);
  grid->addWidget(label("mm"), row++, 2);
  grid->addWidget(label("Graduation verticale :"), row, 0);
  grid->addWidget(SpinEdit2, row, 1);
  grid->addWidget(label("mm"), row++, 2);
  grid->addWidget(label("Couleur : "), row, 0);
  grid->addWidget(CBBCouleur, row++, 1, 1, 2);
  grid->addWidget(RBGrille, row, 0);
  grid->addWidget(RBInters, row++, 1, 1, 4);
  grid->addWidget(chbMarq5, row, 0);
  grid->addWidget(chbMarq10, row++, 1, 1, 4);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BitBtn1);
  buttons->addWidget(BitBtn2);
  grid->addLayout(buttons, row, 0, 1, 5);
}

TGridSettings TDlgGrille::Settings() const {
  TGridSettings g;
  g.OriginX = Editoriginex->text().toStdString();
  g.OriginY = Editoriginey->text().toStdString();
  g.Width = Editlargeur->text().toStdString();
  g.Height = Edithauteur->text().toStdString();
  g.SpacingX = SpinEdit1->value();
  g.SpacingY = SpinEdit2->value();
  g.ColourIndex = CBBCouleur->currentIndex();
  g.Lines = RBGrille->isChecked();
  g.Mark5 = chbMarq5->isChecked();
  g.Mark10 = chbMarq10->isChecked();
  return g;
}

void TDlgGrille::SetSettings(const TGridSettings& g) {
  Editoriginex->setText(q(g.OriginX));
  Editoriginey->setText(q(g.OriginY));
  Editlargeur->setText(q(g.Width));
  Edithauteur->setText(q(g.Height));
  SpinEdit1->setValue(g.SpacingX);
  SpinEdit2->setValue(g.SpacingY);
  CBBCouleur->setCurrentIndex(g.ColourIndex);  // out of the list: nothing selected
  (g.Lines ? RBGrille : RBInters)->setChecked(true);
  chbMarq5->setChecked(g.Mark5);
  chbMarq10->setChecked(g.Mark10);
}

platform::TRect TDlgGrille::GridRect() const {
  return ::GridRect(Settings(), platform::screenPixelsPerInch());
}
bool TDlgGrille::IsWithinGridX(int v) const {
  return ::IsWithinGridX(Settings(), platform::screenPixelsPerInch(), v);
}
bool TDlgGrille::IsWithinGridY(int v) const {
  return ::IsWithinGridY(Settings(), platform::screenPixelsPerInch(), v);
}
platform::TColor TDlgGrille::GridColor() const {
  return NamedColourAt(CBBCouleur->currentIndex(), platform::clBlack);
}
bool TDlgGrille::GridLines() const {
  return RBGrille->isChecked();
}
void TDlgGrille::DrawGrid(platform::Canvas& canvas, double s) const {
  ::DrawGrid(canvas, Settings(), platform::screenPixelsPerInch(), s);
}

void TDlgGrille::ResetGridArea() {
  TGridSettings g = Settings();
  ::ResetGridArea(g, SheetOrientation());
  SetSettings(g);
}
void TDlgGrille::ResetGrid() {
  TGridSettings g = Settings();
  ::ResetGrid(g, SheetOrientation());
  SetSettings(g);
}

void TDlgGrille::WriteGridRecord(platform::Stream& s) const {
  ::WriteGridRecord(s, Settings());
}
void TDlgGrille::ReadGridRecord(platform::Stream& s) {
  TGridSettings g = Settings();
  ::ReadGridRecord(s, g, SheetOrientation());
  SetSettings(g);
}

void TDlgGrille::CheckField(TGridField field) {
  TGridSettings g = Settings();
  const std::string message = CheckGridField(g, field, SheetOrientation());
  if (!message.empty())
    platform::dialogs().message(message, QCoreApplication::applicationName().toStdString(),
                                platform::MessageKind::Information);
  // Only the area texts can have changed; the others keep their state untouched.
  for (auto [edit, text] :
       {std::pair{Editoriginex, &g.OriginX}, std::pair{Editoriginey, &g.OriginY},
        std::pair{Editlargeur, &g.Width}, std::pair{Edithauteur, &g.Height}})
    if (edit->text() != q(*text)) edit->setText(q(*text));
}

bool TDlgGrille::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    // Only a move to another control counts: the window losing activation (a message box
    // of the check itself, another program) or a menu opening leaves the field unchecked.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
      if (watched == Editoriginex)
        EditoriginexExit();
      else if (watched == Editoriginey)
        EditorigineyExit();
      else if (watched == Editlargeur)
        EditlargeurExit();
      else if (watched == Edithauteur)
        EdithauteurExit();
    }
  }
  return QDialog::eventFilter(watched, event);
}
