#pragma once
// Conversions between the platform's types and Qt's; included only inside platform/.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>

#include "Bitmap.h"
#include "Canvas.h"
#include "Colour.h"

namespace platform {

struct Bitmap::Impl {
  QImage image;  // always Format_RGB32
};

inline QImage& qimage(Bitmap& b) {
  return b.impl().image;
}
inline const QImage& qimage(const Bitmap& b) {
  return b.impl().image;
}

inline QColor toQColor(TColor c) {
  return QColor(redOf(c), greenOf(c), blueOf(c));
}
inline TColor fromQColor(const QColor& q) {
  return rgb(uint8_t(q.red()), uint8_t(q.green()), uint8_t(q.blue()));
}
inline QRect toQRect(const TRect& r) {
  return QRect(r.Left, r.Top, r.width(), r.height());
}
inline TRect fromQRect(const QRect& r) {
  return rectXYWH(r.x(), r.y(), r.width(), r.height());
}

// Point sizes at 96 pixels per inch, as the model measures text.
QFont toQFont(const Font& f);
Font fromQFont(const QFont& q, TColor colour);

}  // namespace platform
