#include "UcentreRep.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>
#include <QScreen>

#include "UDlgRepere.h"

TDlgPlaceCentreRepere::TDlgPlaceCentreRepere(TDlgRepere& frame, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), Frame(frame) {
  setObjectName("DlgPlaceCentreRepere");
  setFixedSize(385, 62);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, QColor(254, 251, 129));
  setPalette(palette);
  setAutoFillBackground(true);

  Label1 = new QLabel(QString::fromUtf8("Cliquer sur la page pour positionner le centre du repère"),
                      this);
  Label1->setObjectName("Label1");
  QPalette red = Label1->palette();
  red.setColor(QPalette::WindowText, QColor(255, 0, 0));
  Label1->setPalette(red);
  BoutFermer = new QPushButton("Fermer", this);
  BoutFermer->setObjectName("BoutFermer");
  connect(BoutFermer, &QPushButton::clicked, this, [this] { BoutFermerClick(); });

  auto* row = new QHBoxLayout(this);
  row->addWidget(Label1, 1);
  row->addWidget(BoutFermer);
}

void TDlgPlaceCentreRepere::FormActivate() {
  if (const QScreen* s = screen()) move(x(), s->geometry().top() + 10);
  if (isVisible()) grabMouse();
}

void TDlgPlaceCentreRepere::FormMouseDown(platform::TPoint screen) {
  if (frameGeometry().contains(screen.x, screen.y)) {
    Finish();
    return;
  }
  Frame.SetOrigin(ScreenToPage(screen));
  RepaintPage();
}

void TDlgPlaceCentreRepere::FormMouseUp() {
  if (isVisible()) grabMouse();
}

void TDlgPlaceCentreRepere::BoutFermerClick() {
  Finish();
}

void TDlgPlaceCentreRepere::Finish() {
  releaseMouse();
  accept();
}

void TDlgPlaceCentreRepere::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  FormActivate();
}

void TDlgPlaceCentreRepere::changeEvent(QEvent* e) {
  QDialog::changeEvent(e);
  if (e->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TDlgPlaceCentreRepere::mousePressEvent(QMouseEvent* e) {
  const QPoint p = e->globalPosition().toPoint();
  FormMouseDown({p.x(), p.y()});
}

void TDlgPlaceCentreRepere::mouseReleaseEvent(QMouseEvent* e) {
  QDialog::mouseReleaseEvent(e);
  FormMouseUp();
}
