#include "UDlgRepere.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSpacerItem>
#include <QSpinBox>

#include "platform/Screen.h"
#include "uCouleurs.h"

namespace {

// Room kept in the layout for the preview: 10 pixels above it, as placed, and 10 below.
constexpr int kPreviewRowHeight = FramePreviewSize + 20;

}  // namespace

TDlgRepere::TDlgRepere(QWidget* parent) : QDialog(parent) {
  setObjectName("DlgRepere");
  setWindowTitle("Options repere");

  auto named = [](auto* w, const char* name) {
    w->setObjectName(name);
    return w;
  };
  auto spin = [&](const char* name) {
    QSpinBox* s = named(new QSpinBox(this), name);
    s->setRange(FrameSpacingMin, FrameSpacingMax);
    s->setValue(10);
    return s;
  };
  auto label = [this](const char* text) { return new QLabel(QString::fromUtf8(text), this); };

  chbLienRepGrille = named(new QCheckBox(QString::fromUtf8("Lier le repère à la grille"), this),
                           "chbLienRepGrille");
  chbLienRepGrille->setChecked(true);
  SpinEdit1 = spin("SpinEdit1");
  SpinEdit2 = spin("SpinEdit2");
  CBBCouleur = named(new QComboBox(this), "CBBCouleur");
  for (const TNamedColour& c : NamedColours) CBBCouleur->addItem(QString::fromUtf8(c.Name));
  CBBCouleur->setCurrentIndex(0);
  LabelGradVert = label("Graduation verticale :");
  BitBtn1 = named(new QPushButton("OK", this), "BitBtn1");
  BitBtn2 = named(new QPushButton("Annuler", this), "BitBtn2");
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
  connect(CBBCouleur, &QComboBox::currentIndexChanged, this, [this] { DrawPreview(); });

  auto* grid = new QGridLayout(this);
  int row = 0;
  grid->addWidget(chbLienRepGrille, row++, 0, 1, 3);
  grid->addWidget(label("Graduation horizontale :"), row, 0);
  grid->addWidget(SpinEdit1, row, 1);
  grid->addWidget(label("mm"), row++, 2);
  grid->addWidget(LabelGradVert, row, 0);
  grid->addWidget(SpinEdit2, row, 1);
  grid->addWidget(label("mm"), row++, 2);
  // The preview is painted centred in this row, below the "Graduation verticale :" label.
  grid->addWidget(label("Orientation :"), row, 0, Qt::AlignLeft | Qt::AlignTop);
  grid->addItem(new QSpacerItem(FramePreviewSize, kPreviewRowHeight, QSizePolicy::Minimum,
                                QSizePolicy::Fixed),
                row++, 1);
  grid->addWidget(label("Pour modifier l'orientation cliquer sur le panneau"), row++, 0, 1, 3);
  grid->addWidget(label("Couleur : "), row, 0);
  grid->addWidget(CBBCouleur, row++, 1, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BitBtn1);
  buttons->addWidget(BitBtn2);
  grid->addLayout(buttons, row, 0, 1, 3);

  DrawPreview();
}

TFrameSettings TDlgRepere::Settings() const {
  TFrameSettings f;
  f.SpacingX = SpinEdit1->value();
  f.SpacingY = SpinEdit2->value();
  f.ColourIndex = CBBCouleur->currentIndex();
  f.LinkToGrid = chbLienRepGrille->isChecked();
  f.Origin = Origin;
  f.XDirection = XDirection;
  f.YDirection = YDirection;
  return f;
}

void TDlgRepere::SetSettings(const TFrameSettings& f) {
  SpinEdit1->setValue(f.SpacingX);
  SpinEdit2->setValue(f.SpacingY);
  CBBCouleur->setCurrentIndex(f.ColourIndex);  // out of the list: nothing selected
  chbLienRepGrille->setChecked(f.LinkToGrid);
  Origin = f.Origin;
  XDirection = f.XDirection;
  YDirection = f.YDirection;
}

TFrameEnv TDlgRepere::Env() const {
  return {GridSettings(), GridSwitch(), platform::screenPixelsPerInch()};
}

void TDlgRepere::DrawFrame(platform::Canvas& canvas, const platform::TRect& rect, double s) {
  TFrameSettings f = Settings();
  ::DrawFrame(canvas, f, Env(), rect, s);
  Origin = f.Origin;  // placed or snapped by the paint
}

platform::TRect TDlgRepere::FrameRectOnLayer(int width, int height) const {
  return ::FrameRectOnLayer(Settings(), Env(), width, height);
}

void TDlgRepere::SnapOriginToGrid() {
  TFrameSettings f = Settings();
  ::SnapOriginToGrid(f, Env());
  Origin = f.Origin;
}

platform::TColor TDlgRepere::FrameColor() const {
  return NamedColourAt(CBBCouleur->currentIndex(), platform::clRed);
}

void TDlgRepere::ResetFrame() {
  TFrameSettings f;
  ::ResetFrame(f);
  SetSettings(f);
}

void TDlgRepere::WriteFrameRecord(platform::Stream& s) const {
  ::WriteFrameRecord(s, Settings());
}

void TDlgRepere::ReadFrameRecord(platform::Stream& s) {
  TFrameSettings f = Settings();
  ::ReadFrameRecord(s, f);
  SetSettings(f);
  DrawPreview();
}

void TDlgRepere::FormActivate() {
  const bool gridAround = GridSwitch() || OptionsGridBox();
  chbLienRepGrille->setEnabled(gridAround);
  if (!gridAround) chbLienRepGrille->setChecked(false);
  if (layout()) layout()->activate();
  PreviewPos = {(width() - FramePreviewSize) / 2,
                LabelGradVert->y() + LabelGradVert->height() + 10};
  DrawPreview();
}

void TDlgRepere::DrawPreview() {
  Preview.fill(platform::clWhite);
  platform::Canvas canvas(Preview);
  ::DrawPreview(canvas, Settings());
  update();
}

void TDlgRepere::FormMouseDown(int x, int y) {
  TFrameSettings f = Settings();
  if (!PressOnPreview(f, x - PreviewPos.x, y - PreviewPos.y)) return;
  XDirection = f.XDirection;
  YDirection = f.YDirection;
  DrawPreview();
}

void TDlgRepere::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  FormActivate();
}

void TDlgRepere::changeEvent(QEvent* e) {
  QDialog::changeEvent(e);
  if (e->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TDlgRepere::paintEvent(QPaintEvent* e) {
  QDialog::paintEvent(e);
  // The bitmap's rows are 0xFFRRGGBB pixels, which is Qt's RGB32 layout.
  const QImage image(reinterpret_cast<const uchar*>(std::as_const(Preview).scanLine(0)),
                     Preview.width(), Preview.height(), Preview.strideInPixels() * 4,
                     QImage::Format_RGB32);
  QPainter(this).drawImage(PreviewPos.x, PreviewPos.y, image);
}

void TDlgRepere::mousePressEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  FormMouseDown(p.x(), p.y());
  QDialog::mousePressEvent(e);
}
