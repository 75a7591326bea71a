#include "shape/FitPictureToBox.h"

#include <QPainter>
#include <cmath>

namespace shape {

void FitPictureToBox(PictureBox& box, const QImage& picture) {
  box.clearPicture();
  if (picture.isNull() || box.width() <= 0 || box.height() <= 0) return;

  // Single precision on purpose: the placement must match the skin painter's old arithmetic.
  const float W = static_cast<float>(box.width());
  const float H = static_cast<float>(box.height());
  float w = static_cast<float>(picture.width());
  float h = static_cast<float>(picture.height());
  if (w > W) {
    h = W / w * h;
    w = W;
  }
  if (h > H) {
    w = H / h * w;
    h = H;
  }
  const float x = (W - w) / 2.0f;
  const float y = (H - h) / 2.0f;
  // Whole pixels, edges rounded independently so neighbouring edges never drift apart.
  const int left = static_cast<int>(std::lround(x));
  const int top = static_cast<int>(std::lround(y));
  const QRect target(left, top, static_cast<int>(std::lround(x + w)) - left,
                     static_cast<int>(std::lround(y + h)) - top);

  QImage drawn(box.size(), QImage::Format_RGB32);
  drawn.fill(box.backColor());
  if (!target.isEmpty()) {
    QPainter painter(&drawn);
    // No smoothing: blended edges would turn key-colour pixels into near-key ones that the
    // region builder keeps, leaving a grey fringe around the outline.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, picture);
  }
  box.setPicture(drawn);
}

}  // namespace shape
