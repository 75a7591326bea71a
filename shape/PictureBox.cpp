#include "shape/PictureBox.h"

#include <QPaintEvent>
#include <QPainter>

namespace shape {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);
  setBackColor(backColor_);
}

void PictureBox::setBackColor(const QColor& color) {
  backColor_ = color.toRgb();
  backColor_.setAlpha(255);
  QPalette p = palette();
  p.setColor(QPalette::Window, backColor_);
  setPalette(p);
  invalidate();
}

void PictureBox::setPicture(const QImage& picture) {
  picture_ = picture;
  invalidate();
}

void PictureBox::clearPicture() {
  picture_ = QImage();
  invalidate();
}

QRgb PictureBox::Point(int x, int y) const {
  if (x < 0 || y < 0 || x >= width() || y >= height()) return 0;
  return surface().pixel(x, y) | 0xFF000000u;
}

const QImage& PictureBox::surface() const {
  if (surfaceStale_ || surface_.size() != size()) {
    surface_ = QImage(size(), QImage::Format_RGB32);
    surface_.fill(backColor_);
    if (!picture_.isNull()) {
      QPainter painter(&surface_);
      painter.drawImage(0, 0, picture_);
    }
    surfaceStale_ = false;
  }
  return surface_;
}

void PictureBox::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), backColor_);
  if (!picture_.isNull()) painter.drawImage(0, 0, picture_);
}

void PictureBox::resizeEvent(QResizeEvent* event) {
  invalidate();
  QWidget::resizeEvent(event);
}

void PictureBox::invalidate() {
  surfaceStale_ = true;
  update();
}

}  // namespace shape
