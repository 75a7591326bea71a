#include <gtest/gtest.h>

#include <QPainter>
#include <QWidget>

#include "shape/clsTransForm.h"
#include "support/QtApp.h"

namespace shape {
namespace {

constexpr QRgb kKey = 0xFF808080;

void Paint(QWidget* w, QRgb color) {
  QPalette p = w->palette();
  p.setColor(QPalette::Window, QColor::fromRgb(color));
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

// A window that draws over its key-colour background, as the bin window does.
class Canvas : public QWidget {
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.fillRect(5, 6, 10, 7, QColor(200, 0, 0));
  }
};

TEST(TransForm, FormKeepsOnlyItsOwnDrawingAndAllKeyColourLeavesNothingToHit) {
  testsupport::App();
  clsTransForm shaper;
  Canvas form;
  form.setWindowFlags(Qt::FramelessWindowHint);
  form.resize(40, 30);
  Paint(&form, kKey);
  QWidget child(&form);  // children are not scanned
  child.setGeometry(20, 20, 10, 5);
  Paint(&child, qRgb(0, 200, 0));
  form.show();
  shaper.ShapeMe(&form, kKey, true, "");
  EXPECT_EQ(form.mask(), QRegion(5, 6, 10, 7));

  // All key colour: Qt takes an empty mask for "no mask", so the one set must
  // be non-empty yet miss every pixel.
  QWidget blank;
  blank.resize(20, 10);
  Paint(&blank, kKey);
  shaper.ShapeMe(&blank, kKey);
  EXPECT_TRUE(clsTransForm::HasEmptyOutline(blank));
  EXPECT_FALSE(blank.mask().isEmpty());
  EXPECT_TRUE((blank.mask() & blank.rect()).isEmpty());
}

}  // namespace
}  // namespace shape
