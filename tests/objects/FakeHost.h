#pragma once
// A layer stand-in for object tests: a panel surface with the page at `origin`, a canvas on
// it, and a record of what the object asked of its layer.
#include <vector>

#include "platform/Surface.h"
#include "sheet/objects/uObjet.h"

class FakeHost : public TLayerHost {
 public:
  explicit FakeHost(int w = 400, int h = 400, platform::TPoint origin = {0, 0})
      : panel(w, h, platform::clWhite), origin_(origin), canvas_(panel.image()) {
    canvas_ = platform::Canvas(panel.image(), origin, {0, 0, w, h});
  }
  platform::Canvas& LayerCanvas() override { return canvas_; }
  platform::Surface* Owner() const override { return &panel; }
  platform::TPoint PanelOrigin() const override { return origin_; }
  void MarksFollowSelection(const TSegment& s, bool selected) override {
    marksFollowed.push_back({&s, selected});
  }
  TSegment* FindSegmentById(int32_t id) override {
    for (auto& [sid, seg] : segments)
      if (sid == id) return seg;
    return nullptr;
  }
  // Page pixel, read from the panel image.
  platform::TColor pixel(int x, int y) const {
    return panel.image().pixel(x + origin_.x, y + origin_.y);
  }

  mutable platform::Surface panel;
  std::vector<std::pair<const TSegment*, bool>> marksFollowed;
  std::vector<std::pair<int32_t, TSegment*>> segments;  // what FindSegmentById answers

 private:
  platform::TPoint origin_;
  platform::Canvas canvas_;
};
