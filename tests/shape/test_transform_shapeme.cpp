#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QWidget>
#include <climits>
#include <filesystem>

#include "shape/SkinCatalog.h"
#include "shape/SkinImage.h"
#include "shape/clsTransForm.h"
#include "support/QtApp.h"
#include "support/TempDir.h"

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

// Nothing in the program names a region file, so none is ever read: asked to load one, the
// region builder scans. A file with a rectangle at -2147483648 (whose arithmetic overflowed)
// changes nothing.
TEST(TransForm, FormKeepsOnlyItsOwnDrawingAndAllKeyColourLeavesNothingToHit) {
  testsupport::App();
  testsupport::TempDir dir;
  std::string bytes;
  for (std::int32_t v : {32, 1, 1, 16, INT32_MIN, 0, 10, 1, INT32_MIN, 0, 10, 1})
    for (int i = 0; i < 4; ++i)
      bytes.push_back(static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF));
  const std::filesystem::path file = dir / "outline.rgn";
  testsupport::WriteFile(file, bytes);
  clsTransForm shaper;
  Canvas form;
  form.setWindowFlags(Qt::FramelessWindowHint);
  form.resize(40, 30);
  Paint(&form, kKey);
  QWidget child(&form);  // children are not scanned
  child.setGeometry(20, 20, 10, 5);
  Paint(&child, qRgb(0, 200, 0));
  form.show();
  shaper.ShapeMe(&form, kKey, true, file.string());
  EXPECT_EQ(form.mask(), QRegion(5, 6, 10, 7));
  EXPECT_EQ(testsupport::ReadFile(file), bytes);

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

// The skin pictures the program is built with.
TEST(SkinFiles, EveryPictureDecodesWithItsOutlineAndWithoutTheKeyColour) {
  for (const SkinRow& row : SkinTable()) {
    for (const char* name : {row.emptyHolder, row.fullHolder}) {
      SCOPED_TRACE(name);
      const QImage img = SkinPicture(name);
      ASSERT_EQ(img.size(), QSize(64, 64));
      int clear = 0;
      for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
          clear += qAlpha(img.pixel(x, y)) == 0;
          // The window's key colour would punch a hole in the bin.
          EXPECT_NE(img.pixel(x, y), 0xFF808080u) << x << "," << y;
        }
      EXPECT_GT(clear, 64 * 64 / 8);
      EXPECT_LT(clear, 64 * 64 * 3 / 4);
    }
    EXPECT_NE(SkinPicture(row.emptyHolder), SkinPicture(row.fullHolder));
  }
}

}  // namespace
}  // namespace shape
