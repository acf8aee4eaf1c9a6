#include "uPageLayout.h"

using platform::rgb;

TPageLayout::TPageLayout(QWidget* parent)
    : Panel6(new platform::SurfaceWidget(rgb(221, 221, 255), parent)),
      OmbreVert(rgb(50, 101, 101)),
      OmbreHrz(rgb(50, 101, 101)),
      ScrollBar1(new QScrollBar(Qt::Vertical, Panel6)),
      ScrollBar2(new QScrollBar(Qt::Horizontal, Panel6)) {
  Panel6->setObjectName("Panel6");
  platform::Surface& s = Panel6->surface();
  OmbreVert.setParent(&s);
  OmbreHrz.setParent(&s);
  FondBloc.setParent(&s);
  ScrollBar1->setObjectName("ScrollBar1");
  ScrollBar1->setSingleStep(20);
  ScrollBar1->setPageStep(50);
  ScrollBar2->setObjectName("ScrollBar2");
  ScrollBar2->setSingleStep(5);
  ScrollBar2->setPageStep(20);
  ScrollBar1->hide();
  ScrollBar2->hide();
  QObject::connect(ScrollBar1, &QScrollBar::valueChanged, [this] { ScrollBar1Change(); });
  QObject::connect(ScrollBar2, &QScrollBar::valueChanged, [this] { ScrollBar2Change(); });
  // The page follows the window as it is maximised or resized, not only at activation.
  Panel6->onResized = [this] {
    placeScrollBars();
    if (!page()) return;
    Unscroll();
    CentrePage();
    AdjustScrollBars();
    LayOutPaper(false);
  };
  placeScrollBars();
}

void TPageLayout::setPageOrigin(int left, int top) {
  page()->SetBounds(left, top, page()->width(), page()->height());
}

void TPageLayout::CentrePage() {
  if (!page()) return;
  int left = page()->left(), top = page()->top();
  const int h = (Panel6->width() - page()->width()) / 2;
  if (h > 0) left = h;
  const int v = (Panel6->height() - page()->height()) / 2;
  if (v > 0) top = v;
  setPageOrigin(left, top);
}

void TPageLayout::placeShadows() {
  const int l = page()->left(), t = page()->top(), w = page()->width(), h = page()->height();
  OmbreVert.setBounds(l + w, t + kShadow, kShadow, h);
  OmbreHrz.setBounds(l + kShadow, t + h, w, kShadow);
}

void TPageLayout::LayOutPaper(bool fillWhite) {
  if (!page()) return;
  FondBloc.setBounds(page()->left(), page()->top(), page()->width(), page()->height());
  FondBloc.picture().resize(page()->width(), page()->height());
  if (fillWhite) FondBloc.picture().fill(platform::clWhite);
  FondBloc.invalidate();
  placeShadows();
}

void TPageLayout::Unscroll() {
  // Setting a bar to 0 runs its handler, which brings the page back on that axis.
  if (ScrollBar1->value() != 0) ScrollBar1->setValue(0);
  if (ScrollBar2->value() != 0) ScrollBar2->setValue(0);
}

void TPageLayout::AdjustScrollBars() {
  if (!page()) return;
  // The overflow is measured on the unscrolled page: measured on a page scrolled to its end,
  // the bar would hide and leave the page stuck out of place.
  Unscroll();
  // A page that does not fit starts at 0 on that axis, even if a wider work area had it
  // centred before.
  if (Panel6->width() < page()->left() + page()->width()) {
    ScrollBar2Change();
    ScrollBar2->show();
    ScrollBar2->setMaximum(page()->width() + page()->left() + ScrollBar1->sizeHint().width() -
                           Panel6->width());
  } else {
    ScrollBar2->hide();
  }
  if (Panel6->height() < page()->top() + page()->height()) {
    ScrollBar1Change();
    ScrollBar1->show();
    ScrollBar1->setMaximum(page()->height() + page()->top() + ScrollBar2->sizeHint().height() -
                           Panel6->height());
  } else {
    ScrollBar1->hide();
  }
  placeScrollBars();
}

void TPageLayout::ScrollBar1Change() {
  if (!page()) return;
  setPageOrigin(page()->left(), -ScrollBar1->value());
  FondBloc.setTop(page()->top());
  placeShadows();
  page()->FollowScroll();
}

void TPageLayout::ScrollBar2Change() {
  if (!page()) return;
  setPageOrigin(-ScrollBar2->value(), page()->top());
  FondBloc.setLeft(page()->left());
  placeShadows();
  page()->FollowScroll();
}

void TPageLayout::placeScrollBars() {
  const int vw = ScrollBar1->sizeHint().width(), hh = ScrollBar2->sizeHint().height();
  const int w = Panel6->width(), h = Panel6->height();
  const int hBarWidth = ScrollBar1->isVisibleTo(Panel6) ? w - vw : w;
  ScrollBar1->setGeometry(w - vw, 0, vw, ScrollBar2->isVisibleTo(Panel6) ? h - hh : h);
  ScrollBar2->setGeometry(0, h - hh, hBarWidth, hh);
}
