#pragma once
// The work area Panel6: the page's place in it, its paper image and drop shadow, and the
// scroll bars that move them together.
#include <QScrollBar>

#include "platform/Controls.h"
#include "platform/SurfaceWidget.h"
#include "sheet/layers/uPages.h"

class TPageLayout {
 public:
  static constexpr int kShadow = 15;

  explicit TPageLayout(QWidget* parent);
  TPageLayout(const TPageLayout&) = delete;
  TPageLayout& operator=(const TPageLayout&) = delete;

  // The first layer stands for the page; none before the first activation. The layout follows
  // the sheet's own reference, which changes when the first layer is deleted or replaced.
  void FollowPage(TPage* const* firstLayer) { pageRef_ = firstLayer; }
  TPage* Page() const { return page(); }

  void CentrePage();
  // fillWhite is false in image mode, where the paper image holds the drawing.
  void LayOutPaper(bool fillWhite);
  void AdjustScrollBars();
  // Both bars back to 0, the page with them.
  void Unscroll();
  void ScrollBar1Change();
  void ScrollBar2Change();

  platform::SurfaceWidget* const Panel6;
  platform::ShapeControl OmbreVert;
  platform::ShapeControl OmbreHrz;
  platform::ImageControl FondBloc;
  QScrollBar* const ScrollBar1;  // vertical, along the right edge
  QScrollBar* const ScrollBar2;  // horizontal, along the bottom edge

 private:
  void placeShadows();
  void placeScrollBars();
  void setPageOrigin(int left, int top);

  TPage* page() const { return pageRef_ ? *pageRef_ : nullptr; }
  TPage* const* pageRef_ = nullptr;
};
