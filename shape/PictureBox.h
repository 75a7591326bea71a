#pragma once
#include <QColor>
#include <QImage>
#include <QWidget>

namespace shape {

// A drawing surface with a background colour and a kept picture drawn at its top-left corner,
// so that what it shows survives repaints and can be read back pixel by pixel.
class PictureBox : public QWidget {
  Q_OBJECT

 public:
  static constexpr QRgb kDefaultBackColor = 0xFF808080;  // RGB(128,128,128)

  explicit PictureBox(QWidget* parent = nullptr);

  QColor backColor() const { return backColor_; }
  void setBackColor(const QColor& color);

  // The box's own picture; a null image means none.
  const QImage& picture() const { return picture_; }
  void setPicture(const QImage& picture);
  void clearPicture();

  // The colour shown at (x, y), always opaque; 0 (fully transparent) outside the box, which
  // no shown pixel can equal.
  QRgb Point(int x, int y) const;

  // Everything the box shows, background and picture, in Format_RGB32 at the box's size.
  const QImage& surface() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void invalidate();

  QColor backColor_{QColor::fromRgb(kDefaultBackColor)};
  QImage picture_;
  mutable QImage surface_;
  mutable bool surfaceStale_ = true;
};

}  // namespace shape
