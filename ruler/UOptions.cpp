#include "UOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Dialogs.h"
#include "platform/Screen.h"
#include "platform/Streams.h"

using platform::TColor;

namespace {

const char* const kProductName = "La règle graduée";
const char* const kProductVersion = "0.1.0";
const char* const kProjectAddress = "https://zeridaz.example.org";

int32_t Nearest(double v) {
  const double r = std::nearbyint(v);
  if (!(r >= double(std::numeric_limits<int32_t>::min())))
    return std::numeric_limits<int32_t>::min();
  if (r > double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  return int32_t(r);
}

QColor ToQColor(TColor c) {
  return QColor(platform::redOf(c), platform::greenOf(c), platform::blueOf(c));
}

QString FromUtf8(const std::string& s) {
  return QString::fromStdString(s);
}

// The ruler drawn for the pictures of the dialog: nothing of the system is needed.
class TPictureHost final : public TRegleHost {
 public:
  bool ShiftDown() const override { return false; }
  bool CtrlDown() const override { return false; }
  void MoveCursorTo(platform::TPoint) override {}
  void ProcessMessages() override {}
  void SetHandCursor(bool) override {}
  bool ButtonShown(int) const override { return true; }
  TRegleOptions Options() const override { return {}; }
  void SetTimerInterval(int32_t) override {}
  void StartTimer() override {}
  void StopTimer() override {}
};

// A default 15 cm ruler, level, every button shown; centres[i] is the x of button i's centre.
QPixmap RulerPicture(bool reglet, TColor background, std::array<int, 12>& centres) {
  TPictureHost host;
  TRegle r(host, 96);
  TRegleOptions o;
  o.Reglet = reglet;
  o.PixelsPerCm = 96 / 2.54;
  r.ApplyOptions(o);
  r.PencilPos = {-1, -1};
  const int pad = 4;
  // The pivot is the disc, a quarter of the width below the centre line.
  r.PlaceAt({pad + r.LengthPx / 2, pad + r.WidthPx / 2 + r.DiscLocal.y});
  platform::Bitmap bmp(r.LengthPx + 2 * pad, r.WidthPx + 2 * pad, background);
  platform::Canvas canvas(bmp);
  Paint(r, canvas);
  QImage image(bmp.width(), bmp.height(), QImage::Format_RGB32);
  for (int y = 0; y < bmp.height(); ++y)
    std::memcpy(image.scanLine(y), bmp.scanLine(y), size_t(bmp.width()) * 4);
  centres.fill(0);
  for (int i = 1; i <= TRegle::kButtons; ++i) centres[size_t(i)] = r.ButtonCentre(i).x;
  return QPixmap::fromImage(image);
}

}  // namespace

// ---- Number texts

QString FloatToStrGeneral(double v, const QLocale& locale) {
  if (!std::isfinite(v)) return std::isnan(v) ? QString("NAN") : QString(v > 0 ? "INF" : "-INF");
  char buf[64];
  std::string s;
  const double a = std::fabs(v);
  auto trimFraction = [](std::string& t) {
    if (t.find('.') == std::string::npos) return;
    while (t.back() == '0') t.pop_back();
    if (t.back() == '.') t.pop_back();
  };
  if (v == 0) {
    s = "0";
  } else if (a >= 1e-5 && a < 1e15) {
    // Fixed notation with 15 significant digits, trailing zeros dropped.
    const int exponent = int(std::floor(std::log10(a)));
    std::snprintf(buf, sizeof buf, "%.*f", std::max(0, 14 - exponent), v);
    s = buf;
    trimFraction(s);
  } else {
    std::snprintf(buf, sizeof buf, "%.14E", v);
    const std::string t = buf;
    const size_t e = t.find('E');
    std::string mantissa = t.substr(0, e);
    trimFraction(mantissa);
    s = mantissa + "E" + std::to_string(std::stoi(t.substr(e + 1)));
  }
  QString out = QString::fromStdString(s);
  out.replace('.', locale.decimalPoint());
  return out;
}

std::optional<double> StrToFloatOpt(const QString& text, const QLocale& locale) {
  const QString t = text.trimmed();
  bool ok = false;
  QLocale own = locale;
  own.setNumberOptions(QLocale::RejectGroupSeparator);
  double v = own.toDouble(t, &ok);
  if (!ok) {
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    v = c.toDouble(QString(t).replace(',', '.'), &ok);
  }
  if (!ok || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<int32_t> StrToIntOpt(const QString& text) {
  bool ok = false;
  const int v = text.trimmed().toInt(&ok, 10);
  if (!ok) return std::nullopt;
  return int32_t(v);
}

// ---- Small controls

TDlgApropos::TDlgApropos(QWidget* parent) : QDialog(parent) {
  setObjectName("DlgApropos");
  setWindowTitle("A propos");
  auto* layout = new QVBoxLayout(this);
  auto* name = new QLabel(QString::fromUtf8(kProductName), this);
  name->setObjectName("name");
  QFont big = name->font();
  big.setPointSize(big.pointSize() + 6);
  big.setBold(true);
  name->setFont(big);
  name->setAlignment(Qt::AlignCenter);
  layout->addWidget(name);
  auto* details = new QLabel(QString("Version %1\n%2").arg(kProductVersion, kProjectAddress), this);
  details->setObjectName("details");
  details->setAlignment(Qt::AlignCenter);
  details->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(details);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
}

TRectCouleur::TRectCouleur(QWidget* parent) : QWidget(parent) {
  setFixedSize(41, 25);
  setCursor(Qt::PointingHandCursor);
}

void TRectCouleur::SetBrush(TColor c, bool clear) {
  color_ = c;
  clear_ = clear;
  update();
}

void TRectCouleur::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(Qt::black);
  p.setBrush(clear_ ? QBrush(Qt::NoBrush) : QBrush(ToQColor(color_)));
  p.drawRect(0, 0, width() - 1, height() - 1);
}

void TRectCouleur::mousePressEvent(QMouseEvent* e) {
  if (OnMouseDown) OnMouseDown();
  e->accept();
}

TLabelCouleur::TLabelCouleur(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setCursor(Qt::PointingHandCursor);
  SetFontColor(platform::clRed);
}

void TLabelCouleur::SetFontColor(TColor c) {
  color_ = c;
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, ToQColor(c));
  setPalette(pal);
}

void TLabelCouleur::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && OnClick)
    OnClick();
  e->accept();
}

// ---- The dialog

TDlgOptions::TDlgOptions(QWidget* parent, std::string optionsPath, int pixelsPerInch)
    : QDialog(parent),
      path_(optionsPath.empty() ? platform::programDir() + kFileName : std::move(optionsPath)),
      ppi_(pixelsPerInch > 0 ? pixelsPerInch : platform::screenPixelsPerInch()) {
  setObjectName("DlgOptions");
  setWindowTitle("Options");

  auto named = [](auto* w, const char* name) {
    w->setObjectName(name);
    return w;
  };
  auto label = [this](const char* text) { return new QLabel(QString::fromUtf8(text), this); };
  auto box = [&](const char* name, const char* text) {
    return named(new QCheckBox(QString::fromUtf8(text), this), name);
  };
  auto edit = [&](const char* name) {
    QLineEdit* e = named(new QLineEdit(this), name);
    e->setMaximumWidth(80);
    return e;
  };
  auto button = [&](const char* name, const char* text) {
    return named(new QPushButton(QString::fromUtf8(text), this), name);
  };

  RBRegle = named(new QRadioButton(QString::fromUtf8("Règle"), this), "RBRegle");
  RBReglet = named(new QRadioButton(QString::fromUtf8("Réglet"), this), "RBReglet");

  // The pictures, with the nine visibility boxes under the buttons they stand for.
  picture_ = new QWidget(this);
  const QColor window = palette().color(QPalette::Window);
  const TColor background =
      platform::rgb(uint8_t(window.red()), uint8_t(window.green()), uint8_t(window.blue()));
  Image1 = named(new QLabel(picture_), "Image1");
  Image2 = named(new QLabel(picture_), "Image2");
  Image1->setPixmap(RulerPicture(false, background, buttonX_[0]));
  Image2->setPixmap(RulerPicture(true, background, buttonX_[1]));
  for (QLabel* image : {Image1, Image2}) {
    image->move(0, 0);
    image->resize(image->pixmap().size());
  }
  chbT1 = named(new QCheckBox(picture_), "chbT1");
  chbT2 = named(new QCheckBox(picture_), "chbT2");
  chbT3 = named(new QCheckBox(picture_), "chbT3");
  chbT4 = named(new QCheckBox(picture_), "chbT4");
  chbT5 = named(new QCheckBox(picture_), "chbT5");
  chbT6 = named(new QCheckBox(picture_), "chbT6");
  chbT7 = named(new QCheckBox(picture_), "chbT7");
  chbT8 = named(new QCheckBox(picture_), "chbT8");
  chbSym = named(new QCheckBox(picture_), "chbSym");
  const QSize boxSize = chbT1->sizeHint();
  picture_->setFixedSize(std::max(Image1->width(), Image2->width()),
                         std::max(Image1->height(), Image2->height()) + boxSize.height() + 2);

  EditLongueur = edit("EditLongueur");
  EditLargeur = edit("EditLargeur");
  EditLongueur->installEventFilter(this);
  EditLargeur->installEventFilter(this);
  EditPPC = named(new QDoubleSpinBox(this), "EditPPC");
  EditPPC->setRange(10, 150);
  EditPPC->setDecimals(3);
  EditPPC->setSingleStep(1);
  CBBPourcent = named(new QComboBox(this), "CBBPourcent");
  CBBPourcent->setEditable(true);
  CBBPourcent->setInsertPolicy(QComboBox::NoInsert);
  for (const char* p : {"100%", "120%", "150%", "175%", "200%", "250%", "300%"})
    CBBPourcent->addItem(p);
  PanelRegle = named(new QLabel("5 cm", this), "PanelRegle");
  PanelRegle->setAlignment(Qt::AlignCenter);
  PanelRegle->setFrameStyle(QFrame::Panel | QFrame::Raised);
  PanelRegle->setAutoFillBackground(true);
  Label5 = named(label("Attention : la modification de ce paramètre peut entraîner une  "
                       "discordance entre les mesures à l'écran et sur papier."),
                 "Label5");
  Label5->setWordWrap(true);

  ChBCm = box("ChBCm", "cm");
  ChBDemiCm = box("ChBDemiCm", "1/2cm");
  ChBmm = box("ChBmm", "mm");
  LabelCouleurCm = named(new TLabelCouleur("cm", this), "LabelCouleurCm");
  LabelCouleurDemiCm = named(new TLabelCouleur("1/2cm", this), "LabelCouleurDemiCm");
  LabelCouleurmm = named(new TLabelCouleur("mm", this), "LabelCouleurmm");
  ChBRegleTransp = box("ChBRegleTransp", "Règle transparente");
  RectCouleurRegle = named(new TRectCouleur(this), "RectCouleurRegle");
  RectCouleurDos = named(new TRectCouleur(this), "RectCouleurDos");

  EditPasRot = edit("EditPasRot");
  EditPasTransl = edit("EditPasTransl");
  chbBalay = box("chbBalay", "Balayage automatique");
  EditBalay = edit("EditBalay");
  EditDecl = edit("EditDecl");
  EditRep = edit("EditRep");

  BitBtn1 = button("BitBtn1", "OK");
  BitBtn2 = button("BitBtn2", "Annuler");
  BoutValDef = button("BoutValDef", "Valeurs par défaut");
  boutSauve = button("boutSauve", "Sauvegarder ces paramètres");
  Button1 = button("Button1", "A propos de ...");
  // Enter presses OK only, as a form's default button; the others wait for a click.
  for (QPushButton* b : {BitBtn2, BoutValDef, boutSauve, Button1}) b->setAutoDefault(false);
  BitBtn1->setDefault(true);
  DlgApropos = new TDlgApropos(this);

  // ---- Layout
  auto* main = new QVBoxLayout(this);
  auto* kind = new QHBoxLayout;
  kind->addWidget(RBRegle);
  kind->addWidget(RBReglet);
  kind->addStretch();
  main->addLayout(kind);
  main->addWidget(label("Choix des boutons visibles :"));
  main->addWidget(picture_);

  auto* scale = new QGridLayout;
  scale->addWidget(label("Longueur :"), 0, 0);
  scale->addWidget(EditLongueur, 0, 1);
  scale->addWidget(label("cm  (10..20)"), 0, 2, 1, 2);
  scale->addWidget(label("Largeur :"), 1, 0);
  scale->addWidget(EditLargeur, 1, 1);
  scale->addWidget(label("pixels  (60 .. 120)"), 1, 2, 1, 2);
  scale->addWidget(label("Pixels par centimètre :"), 2, 0);
  scale->addWidget(EditPPC, 2, 1);
  scale->addWidget(label("ou"), 2, 2);
  scale->addWidget(CBBPourcent, 2, 3);
  auto* bar = new QHBoxLayout;
  bar->addWidget(PanelRegle);
  bar->addStretch();
  scale->addLayout(bar, 3, 0, 1, 5);
  scale->addWidget(Label5, 4, 0, 1, 5);
  scale->setColumnStretch(4, 1);
  main->addLayout(scale);

  auto* lower = new QHBoxLayout;
  auto* colours = new QGroupBox(QString::fromUtf8("Visibilité et couleurs"), this);
  colours->setObjectName("GroupVisibilite");
  auto* cg = new QGridLayout(colours);
  cg->addWidget(ChBCm, 0, 0);
  cg->addWidget(LabelCouleurCm, 0, 1);
  cg->addWidget(ChBDemiCm, 1, 0);
  cg->addWidget(LabelCouleurDemiCm, 1, 1);
  cg->addWidget(ChBmm, 2, 0);
  cg->addWidget(LabelCouleurmm, 2, 1);
  cg->addWidget(ChBRegleTransp, 3, 0);
  cg->addWidget(RectCouleurRegle, 3, 1);
  cg->addWidget(RectCouleurDos, 4, 1);
  lower->addWidget(colours);
  auto* steps = new QGridLayout;
  steps->addWidget(label("Pas des rotations : "), 0, 0);
  steps->addWidget(EditPasRot, 0, 1);
  steps->addWidget(label("radians"), 0, 2);
  steps->addWidget(label("Pas des translations : "), 1, 0);
  steps->addWidget(EditPasTransl, 1, 1);
  steps->addWidget(label("pixels"), 1, 2);
  steps->addWidget(chbBalay, 2, 0);
  steps->addWidget(EditBalay, 2, 1);
  steps->addWidget(label("millisecondes"), 2, 2);
  steps->addWidget(label("Répétition des touches :"), 3, 0, 1, 3);
  steps->addWidget(label("Déclenchement :"), 4, 0);
  steps->addWidget(EditDecl, 4, 1);
  steps->addWidget(label("Répétition :"), 5, 0);
  steps->addWidget(EditRep, 5, 1);
  steps->addWidget(label("millisecondes"), 5, 2);
  lower->addLayout(steps);
  main->addLayout(lower);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(BoutValDef);
  buttons->addWidget(boutSauve);
  buttons->addWidget(Button1);
  buttons->addStretch();
  buttons->addWidget(BitBtn1);
  buttons->addWidget(BitBtn2);
  main->addLayout(buttons);

  // ---- Events
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
  connect(BoutValDef, &QPushButton::clicked, this, [this] { BoutValDefClick(); });
  connect(boutSauve, &QPushButton::clicked, this, [this] { boutSauveClick(); });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(RBRegle, &QRadioButton::clicked, this, [this] { RBRegleClick(); });
  connect(RBReglet, &QRadioButton::clicked, this, [this] { RBRegletClick(); });
  connect(ChBRegleTransp, &QCheckBox::clicked, this, [this] { ChBRegleTranspClick(); });
  connect(EditPPC, &QDoubleSpinBox::valueChanged, this, [this] { EditPPCChange(); });
  // A choice from the list, or a typed percentage once it is confirmed: changing the scale
  // at every keystroke would rewrite the text under the typing.
  connect(CBBPourcent, &QComboBox::textActivated, this, [this] { CBBPourcentChange(); });
  connect(CBBPourcent->lineEdit(), &QLineEdit::editingFinished, this,
          [this] { CBBPourcentChange(); });
  RectCouleurRegle->OnMouseDown = [this] { RectCouleurRegleMouseDown(); };
  RectCouleurDos->OnMouseDown = [this] { RectCouleurDosMouseDown(); };
  for (TLabelCouleur* l : {LabelCouleurCm, LabelCouleurDemiCm, LabelCouleurmm})
    l->OnClick = [this, l] { LabelCouleurCmClick(l); };

  LoadDefaults();
  ReadOptionsFile();
}

QCheckBox* TDlgOptions::BoxOfButton(int i) const {
  switch (i) {
    case 7:
      return chbT1;
    case 9:
      return chbT2;
    case 2:
      return chbT3;
    case 1:
      return chbT4;
    case 8:
      return chbT5;
    case 6:
      return chbT6;
    case 3:
      return chbT7;
    case 10:
      return chbT8;
    case 11:
      return chbSym;
    default:
      return nullptr;
  }
}

bool TDlgOptions::ButtonShown(int i) const {
  const QCheckBox* b = BoxOfButton(i);
  return !b || b->isChecked();
}

void TDlgOptions::LoadDefaults() {
  RBRegleClick();
  for (QCheckBox* b : {chbT1, chbT2, chbT3, chbT4, chbT5, chbT6, chbT7, chbT8, chbSym})
    b->setChecked(true);
  EditLongueur->setText("15");
  EditLargeur->setText("80");
  EditPPC->setValue(ppi_ / 2.54);
  CBBPourcent->setCurrentIndex(0);
  ChBCm->setChecked(true);
  ChBDemiCm->setChecked(true);
  ChBmm->setChecked(true);
  for (TLabelCouleur* l : {LabelCouleurCm, LabelCouleurDemiCm, LabelCouleurmm})
    l->SetFontColor(platform::clRed);
  ChBRegleTransp->setChecked(false);
  RectCouleurRegle->SetBrush(kBodyColor, false);
  RectCouleurDos->SetBrush(kBackColor, false);
  EditPasRot->setText(FloatToStrGeneral(0.01, locale()));
  EditPasTransl->setText("5");
  chbBalay->setChecked(false);
  EditBalay->setText("2000");
  EditDecl->setText("1000");
  EditRep->setText("200");
  // The scale may not have changed, so its change handler may not have run.
  EditPPCChange();
}

void TDlgOptions::SetTransparentBox(bool checked) {
  ChBRegleTransp->setChecked(checked);
  RectCouleurRegle->SetBrush(RectCouleurRegle->BrushColor(), checked);
}

// ---- The file

void TDlgOptions::ReadOptionsFile() {
  std::unique_ptr<platform::FileStream> file;
  try {
    file = std::make_unique<platform::FileStream>(path_, platform::FileStream::Mode::Read);
  } catch (const platform::StreamError&) {
    // No file (or none readable): the controls keep what they hold.
  }
  if (file) {
    ReadOptionsFile(*file);
    return;
  }
  CBBPourcent->setCurrentIndex(0);
  EditPPCChange();
}

void TDlgOptions::ReadOptionsFile(platform::Stream& s) {
  // Each field goes to its control as soon as it is read, so a file that ends early leaves
  // the later controls as they were.
  try {
    const uint16_t v = s.readU16();
    if (v > 2) {
      if (s.readBool())
        RBRegletClick();
      else
        RBRegleClick();
      ChBCm->setChecked(s.readBool());
      ChBDemiCm->setChecked(s.readBool());
      ChBmm->setChecked(s.readBool());
    }
    for (QCheckBox* b : {chbT1, chbT2, chbT3, chbT4, chbT5, chbT6, chbT7, chbT8})
      b->setChecked(s.readBool());
    chbSym->setChecked(v < 5 ? true : s.readBool());
    if (v >= 1) SetTransparentBox(s.readBool());
    if (v >= 2) {
      const TColor cm = TColor(s.readI32());
      LabelCouleurCm->SetFontColor(cm);
      if (v < 3) {
        LabelCouleurDemiCm->SetFontColor(cm);
        LabelCouleurmm->SetFontColor(cm);
      } else {
        LabelCouleurDemiCm->SetFontColor(TColor(s.readI32()));
        LabelCouleurmm->SetFontColor(TColor(s.readI32()));
      }
      // A transparent ruler shows its body colour as a clear brush.
      RectCouleurRegle->SetBrush(TColor(s.readI32()), ChBRegleTransp->isChecked());
      RectCouleurDos->SetBrush(TColor(s.readI32()), false);
    }
    chbBalay->setChecked(s.readBool());
    EditLongueur->setText(FromUtf8(s.readString()));
    EditLargeur->setText(FromUtf8(s.readString()));
    if (v >= 4) {
      // A text that is not a number (a damaged file) keeps the scale the dialog has.
      if (const auto x = StrToFloatOpt(FromUtf8(s.readString()), locale())) EditPPC->setValue(*x);
    } else {
      EditPPC->setValue(s.readI32());
    }
    EditPasRot->setText(FromUtf8(s.readString()));
    EditPasTransl->setText(FromUtf8(s.readString()));
    EditDecl->setText(FromUtf8(s.readString()));
    EditRep->setText(FromUtf8(s.readString()));
    EditBalay->setText(FromUtf8(s.readString()));
  } catch (const platform::StreamError&) {
    // A short file: what was read stays, the rest keeps the controls' values.
  }
  CBBPourcent->setCurrentIndex(0);
  EditPPCChange();
}

void TDlgOptions::WriteOptionsFile(platform::Stream& s) const {
  auto text = [](const QString& t) { return t.toStdString(); };
  s.writeU16(kFileVersion);
  s.writeBool(RBReglet->isChecked());
  s.writeBool(ChBCm->isChecked());
  s.writeBool(ChBDemiCm->isChecked());
  s.writeBool(ChBmm->isChecked());
  for (const QCheckBox* b : {chbT1, chbT2, chbT3, chbT4, chbT5, chbT6, chbT7, chbT8})
    s.writeBool(b->isChecked());
  s.writeBool(chbSym->isChecked());
  s.writeBool(ChBRegleTransp->isChecked());
  s.writeI32(int32_t(LabelCouleurCm->FontColor()));
  s.writeI32(int32_t(LabelCouleurDemiCm->FontColor()));
  s.writeI32(int32_t(LabelCouleurmm->FontColor()));
  s.writeI32(int32_t(RectCouleurRegle->BrushColor()));
  s.writeI32(int32_t(RectCouleurDos->BrushColor()));
  s.writeBool(chbBalay->isChecked());
  s.writeString(text(EditLongueur->text()));
  s.writeString(text(EditLargeur->text()));
  s.writeString(text(EditPPC->text()));
  s.writeString(text(EditPasRot->text()));
  s.writeString(text(EditPasTransl->text()));
  s.writeString(text(EditDecl->text()));
  s.writeString(text(EditRep->text()));
  s.writeString(text(EditBalay->text()));
}

void TDlgOptions::WriteOptionsFile() {
  try {
    platform::SaveFile file(path_);
    WriteOptionsFile(file);
    file.commit();
  } catch (const platform::StreamError& e) {
    platform::dialogs().error(e.what());
  }
}

// ---- The ruler

void TDlgOptions::FillFromRuler(const TRegle& r) {
  for (int i = 1; i <= TRegle::kButtons; ++i)
    if (QCheckBox* b = BoxOfButton(i)) b->setChecked(r.ButtonVisible[size_t(i)]);
  const int32_t mm = Nearest((r.LengthPx - r.ZeroMargin) / r.PixelsPerMm - 6);
  EditLongueur->setText(QString::number(mm / 10));
  EditLargeur->setText(QString::number(r.WidthPx));
  EditPasRot->setText(FloatToStrGeneral(r.RotationStep, locale()));
  EditPasTransl->setText(QString::number(r.TranslationStep));
  chbBalay->setChecked(r.SweepState == 0 || r.SweepState == 1);
  EditBalay->setText(QString::number(r.SweepInterval));
  SetTransparentBox(r.Transparent);
  LabelCouleurCm->SetFontColor(r.CmColor);
  LabelCouleurDemiCm->SetFontColor(r.HalfCmColor);
  LabelCouleurmm->SetFontColor(r.MmColor);
  ChBCm->setChecked(r.ShowCm);
  ChBDemiCm->setChecked(r.ShowHalfCm);
  ChBmm->setChecked(r.ShowMm);
  if (r.ZeroMargin < 1)
    RBRegletClick();
  else
    RBRegleClick();
}

bool TDlgOptions::ShowOptions(const TRegle& regle) {
  FillFromRuler(regle);
  const bool ok = platform::dialogs().showModal(*this) == QDialog::Accepted;
  // OK pressed from the keyboard leaves no field: correct them as leaving would have.
  if (ok) {
    EditLongueurExit();
    EditLargeurExit();
  }
  return ok;
}

TRegleOptions TDlgOptions::Options() const {
  TRegleOptions o;
  for (int i = 1; i <= TRegle::kButtons; ++i) o.ButtonShown[size_t(i)] = ButtonShown(i);
  o.PixelsPerCm = EditPPC->value();
  o.Reglet = RBReglet->isChecked();
  o.LengthCm = StrToIntOpt(EditLongueur->text());
  o.WidthPx = StrToIntOpt(EditLargeur->text());
  o.Transparent = ChBRegleTransp->isChecked();
  o.CmColor = LabelCouleurCm->FontColor();
  o.HalfCmColor = LabelCouleurDemiCm->FontColor();
  o.MmColor = LabelCouleurmm->FontColor();
  o.BodyColor = RectCouleurRegle->BrushColor();
  o.BackColor = RectCouleurDos->BrushColor();
  o.ShowCm = ChBCm->isChecked();
  o.ShowHalfCm = ChBDemiCm->isChecked();
  o.ShowMm = ChBmm->isChecked();
  o.RotationStep = StrToFloatOpt(EditPasRot->text(), locale());
  o.TranslationStep = StrToIntOpt(EditPasTransl->text());
  o.RepeatDelay = StrToIntOpt(EditDecl->text());
  o.RepeatInterval = StrToIntOpt(EditRep->text());
  o.SweepInterval = StrToIntOpt(EditBalay->text());
  o.Sweep = chbBalay->isChecked();
  return o;
}

// ---- Control handlers

void TDlgOptions::EditLongueurExit() {
  const int32_t n = std::clamp(StrToIntOpt(EditLongueur->text()).value_or(15), 10, 20);
  EditLongueur->setText(QString::number(n));
}

void TDlgOptions::EditLargeurExit() {
  const int32_t n = std::clamp(StrToIntOpt(EditLargeur->text()).value_or(80), 60, 120);
  EditLargeur->setText(QString::number(n));
}

void TDlgOptions::EditPPCChange() {
  if (EditPPC->text().isEmpty()) return;
  const double x = EditPPC->value();
  PanelRegle->setFixedWidth(Nearest(5 * x));
  shownPercent_ = QString::number(Nearest(x * 254 / ppi_)) + "%";
  CBBPourcent->setEditText(shownPercent_);
}

void TDlgOptions::CBBPourcentChange() {
  // The percentage the dialog wrote itself is no choice of the user's ("50%" would read as
  // 100 by its first three characters).
  if (CBBPourcent->currentText() == shownPercent_) return;
  const int32_t n = StrToIntOpt(CBBPourcent->currentText().left(3)).value_or(100);
  const double before = EditPPC->value();
  EditPPC->setValue(double(n) * ppi_ / 254);
  // An unchanged scale raises no change: the percentage is still shown as it belongs.
  if (EditPPC->value() == before) EditPPCChange();
}

void TDlgOptions::ShowPicture() {
  const bool reglet = RBReglet->isChecked();
  Image1->setVisible(!reglet);
  Image2->setVisible(reglet);
  PlaceBoxes(reglet);
}

void TDlgOptions::PlaceBoxes(bool reglet) {
  const QLabel* image = reglet ? Image2 : Image1;
  const int indicator = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, chbT1);
  for (int i = 1; i <= TRegle::kButtons; ++i) {
    QCheckBox* b = BoxOfButton(i);
    if (!b) continue;
    b->resize(b->sizeHint());
    b->move(buttonX_[reglet ? 1 : 0][size_t(i)] - indicator / 2, image->height() + 2);
  }
}

void TDlgOptions::RBRegleClick() {
  RBRegle->setChecked(true);
  ShowPicture();
}

void TDlgOptions::RBRegletClick() {
  RBReglet->setChecked(true);
  ShowPicture();
}

void TDlgOptions::ChBRegleTranspClick() {
  if (ChBRegleTransp->isChecked())
    RectCouleurRegle->SetBrush(RectCouleurRegle->BrushColor(), true);
  else
    RectCouleurRegle->SetBrush(kBodyColor, false);
}

void TDlgOptions::RectCouleurRegleMouseDown() {
  if (ChBRegleTransp->isChecked()) return;
  if (const auto c = platform::dialogs().pickColour(RectCouleurRegle->BrushColor()))
    RectCouleurRegle->SetBrush(*c, false);
}

void TDlgOptions::RectCouleurDosMouseDown() {
  if (const auto c = platform::dialogs().pickColour(RectCouleurDos->BrushColor()))
    RectCouleurDos->SetBrush(*c, false);
}

void TDlgOptions::LabelCouleurCmClick(TLabelCouleur* label) {
  if (const auto c = platform::dialogs().pickColour(label->FontColor())) label->SetFontColor(*c);
}

void TDlgOptions::Button1Click() {
  platform::dialogs().showModal(*DlgApropos);
}

bool TDlgOptions::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    // Only a move to another control counts as leaving the field: the window losing
    // activation or a menu opening does not.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
      if (watched == EditLongueur)
        EditLongueurExit();
      else if (watched == EditLargeur)
        EditLargeurExit();
    }
  }
  return QDialog::eventFilter(watched, event);
}
