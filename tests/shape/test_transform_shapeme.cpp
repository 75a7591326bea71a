#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QWidget>
#include <climits>

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

// No region file is ever read (one with a rectangle at -2147483648 overflowed): the builder scans.
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

  // All key colour: Qt takes an empty mask for "no mask", so the one set must be non-empty yet miss
  // every pixel.
  QWidget blank;
  blank.resize(20, 10);
  Paint(&blank, kKey);
  shaper.ShapeMe(&blank, kKey);
  EXPECT_TRUE(clsTransForm::HasEmptyOutline(blank));
  EXPECT_FALSE(blank.mask().isEmpty());
  EXPECT_TRUE((blank.mask() & blank.rect()).isEmpty());
}

TEST(SkinFiles, EveryPictureDecodesWithItsOutlineAndWithoutTheKeyColour) {
  for (const SkinRow& row : SkinTable()) {
    for (const char* name : {row.emptyHolder, row.fullHolder}) {
      const QImage img = SkinPicture(name);
      ASSERT_EQ(img.size(), QSize(64, 64)) << name;
      int clear = 0, key = 0;  // the key colour would punch a hole in the bin
      for (int i = 0; i < 64 * 64; ++i) {
        clear += qAlpha(img.pixel(i % 64, i / 64)) == 0;
        key += img.pixel(i % 64, i / 64) == kKey;
      }
      EXPECT_EQ(key, 0) << name;
      EXPECT_TRUE(clear > 64 * 64 / 8 && clear < 64 * 64 * 3 / 4) << name << ": " << clear;
    }
    EXPECT_NE(SkinPicture(row.emptyHolder), SkinPicture(row.fullHolder));
  }
}

}  // namespace
}  // namespace shape
