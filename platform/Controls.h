#pragma once
// Plain graphic controls (VCL's TShape and TImage) drawn through the Canvas.
#include "Bitmap.h"
#include "Surface.h"

namespace platform {

// A filled rectangle without outline.
class ShapeControl : public Control {
 public:
  explicit ShapeControl(TColor colour) : colour_(colour) {}
  TColor colour() const { return colour_; }
  void paint(Canvas& canvas) override {
    canvas.setBrushColor(colour_);
    canvas.fillRect({0, 0, width(), height()});
  }

 private:
  TColor colour_;
};

// Shows its picture at the top-left, unscaled.
class ImageControl : public Control {
 public:
  Bitmap& picture() { return picture_; }
  const Bitmap& picture() const { return picture_; }
  void paint(Canvas& canvas) override { canvas.draw(0, 0, picture_); }

 private:
  Bitmap picture_;
};

}  // namespace platform
