#include <gtest/gtest.h>

#include <QPainter>
#include <QPushButton>
#include <functional>
#include <string>

#include "shape/FitPictureToBox.h"
#include "shape/PictureBox.h"
#include "shape/RegionData.h"
#include "shape/clsTransForm.h"
#include "support/QtApp.h"
#include "support/TempDir.h"

namespace shape {
namespace {

constexpr QRgb kKey = 0xFF808080;

class TransFormTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testsupport::App(); }

  static void Paint(QWidget* w, QRgb color) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, QColor::fromRgb(color));
    w->setPalette(p);
    w->setAutoFillBackground(true);
  }

  static TransFormError Raised(const std::function<void()>& call) {
    try {
      call();
    } catch (const TransFormError& e) {
      return e;
    }
    ADD_FAILURE() << "no error";
    return TransFormError(0, "", "");
  }

  testsupport::TempDir dir;
  clsTransForm shaper;
};

// A window that draws over its key-colour background, as the bin window does.
class Canvas : public QWidget {
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.fillRect(5, 6, 10, 7, QColor(200, 0, 0));
  }
};

TEST_F(TransFormTest, FormKeepsOnlyItsOwnDrawingAndAllKeyColourLeavesNothingToHit) {
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

  Paint(&form, qRgb(0, 0, 255));
  shaper.ShapeMe(&form, kKey);
  EXPECT_EQ(form.mask(), QRegion(form.rect()));

  // A button always loses its caption and a two-pixel frame.
  QPushButton push("Vaciar", &form);
  push.setGeometry(10, 10, 60, 24);
  shaper.ShapeMe(&push, qRgb(1, 254, 3));
  EXPECT_EQ(push.text(), QString());
  EXPECT_EQ(push.mask(), QRegion(2, 2, 56, 20));

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

TEST_F(TransFormTest, FitPictureToBoxShrinksAndCentres) {
  PictureBox box;
  box.resize(40, 20);
  QImage picture(80, 80, QImage::Format_ARGB32);
  picture.fill(qRgb(255, 0, 0));
  FitPictureToBox(box, picture);  // the width step leaves it too tall: shrunk again to 20 x 20
  EXPECT_EQ(box.Point(10, 0), qRgb(255, 0, 0));
  EXPECT_EQ(box.Point(29, 19), qRgb(255, 0, 0));
  EXPECT_EQ(box.Point(9, 10), kKey);
  EXPECT_EQ(box.Point(30, 10), kKey);
}

TEST_F(TransFormTest, SavedOutlineLoadsBackTheSame) {
  PictureBox source;
  source.resize(90, 70);
  QImage art(source.size(), QImage::Format_RGB32);
  art.fill(kKey);
  QPainter(&art).drawEllipse(3, 2, 84, 65);  // a ring: many bands
  source.setPicture(art);
  const std::string file = (dir / "ring.rgn").string();
  shaper.ShapeMe(&source, kKey, false, file);
  const QRegion saved = source.mask();
  ASSERT_GT(saved.rectCount(), 20);
  EXPECT_EQ(testsupport::ReadFile(file), EncodeRegionData(FromQRegion(saved)));

  PictureBox target;  // loading does not look at the pixels
  target.resize(90, 70);
  shaper.ShapeMe(&target, kKey, true, file);
  EXPECT_EQ(target.mask(), saved);
}

TEST_F(TransFormTest, BadFilesRaiseAnErrorAndKeepTheOutline) {
  const std::string good = EncodeRegionData({{0, 0, 4, 1}, {0, 1, 2, 3}});
  const struct {
    const char* name;
    std::string bytes;
    std::int32_t number;
  } cases[] = {
      {"empty", "", kErrPastEndOfFile},
      {"short", good.substr(0, 20), kErrPastEndOfFile},
      {"truncated", good.substr(0, good.size() - 16), kErrPastEndOfFile},
      {"corrupt", std::string(good).replace(16, 4, "\x07\0\0\0", 4), kErrBadRegionData},
      {"missing", "", kErrFileNotFound},
  };
  PictureBox box;
  box.resize(8, 8);
  box.setMask(QRegion(1, 2, 3, 4));
  for (const auto& c : cases) {
    if (c.number != kErrFileNotFound) testsupport::WriteFile(dir / c.name, c.bytes);
    const TransFormError e =
        Raised([&] { shaper.ShapeMe(&box, kKey, true, (dir / c.name).string()); });
    EXPECT_EQ(e.number, c.number) << c.name;
    EXPECT_EQ(box.mask(), QRegion(1, 2, 3, 4)) << c.name;
  }
  // A save that cannot be written fails before the outline changes.
  const TransFormError e =
      Raised([&] { shaper.ShapeMe(&box, kKey, false, (dir / "no/x.rgn").string()); });
  EXPECT_EQ(e.number, kErrPathFileAccess);
  EXPECT_EQ(box.mask(), QRegion(1, 2, 3, 4));
}

}  // namespace
}  // namespace shape
