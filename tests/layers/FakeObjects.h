#pragma once
// Minimal drawing objects that record what the layer asks of them.
#include <string>
#include <vector>

#include "sheet/layers/uPages.h"

struct ObjectLog {
  std::vector<std::string> events;
};

// Fills a small square of the layer canvas in its colour.
class FakeObject : public TObjetGraphique {
 public:
  FakeObject(TPage& layer, platform::TPoint at, platform::TColor colour, ObjectLog* log = nullptr)
      : layer_(layer), at_(at), colour_(colour), log_(log) {}
  void Draw() override {
    layer_.LayerCanvas().setBrushColor(colour_);
    layer_.LayerCanvas().fillRect({at_.x, at_.y, at_.x + 4, at_.y + 4});
  }
  void DrawScaled(platform::Canvas&, double) override {}
  void SetSelected(bool s) override {
    selected = s;
    note(s ? "select" : "deselect");
  }
  platform::TRect GetBounds() const override { return {at_.x, at_.y, at_.x + 4, at_.y + 4}; }
  void QuarterTurn(bool turn, int a, int b) override {
    note((turn ? "turn " : "back ") + std::to_string(a) + "x" + std::to_string(b));
  }
  bool selected = false;

 private:
  void note(const std::string& s) {
    if (log_) log_->events.push_back(s);
  }
  TPage& layer_;
  platform::TPoint at_;
  platform::TColor colour_;
  ObjectLog* log_;
};

class FakeLabel : public TLibelleBase {
 public:
  explicit FakeLabel(platform::Surface* panel, platform::TPoint page) : page_(page) {
    setParent(panel);
    setBounds(page.x, page.y, 20, 10);
  }
  void Draw() override {}
  void DrawScaled(platform::Canvas&, double) override {}
  void SetSelected(bool s) override { selected = s; }
  platform::TRect GetBounds() const override { return boundsRect(); }
  void QuarterTurn(bool, int, int) override {}
  void SetLayerActive(bool a) override {
    layerActive = a;
    if (a)
      bringToFront();
    else
      SetSelected(false);
  }
  void SetLayerVisible(bool v) override { setVisible(v); }
  void PlaceOnPanel(platform::TPoint origin) override {
    setBounds(origin.x + page_.x, origin.y + page_.y, width(), height());
  }
  bool selected = false;
  bool layerActive = false;

 private:
  platform::TPoint page_;
};
