#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

#include "shape/FitPictureToBox.h"
#include "shape/PictureBox.h"
#include "shape/clsTransForm.h"

namespace shape {
namespace {

constexpr QRgb kKey = 0xFF808080;

class TransFormTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "test_transform_shapeme";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
  }

  // A frameless window in the key colour, like the bin window.
  static void Paint(QWidget* w, QRgb color) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, QColor::fromRgb(color));
    w->setPalette(p);
    w->setAutoFillBackground(true);
  }

  clsTransForm shaper;
};

// A window that draws a picture at its top-left corner over its background, as the bin
// window does.
class Canvas : public QWidget {
 public:
  QImage picture;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    if (!picture.isNull()) p.drawImage(0, 0, picture);
  }
};

TEST_F(TransFormTest, WindowKeepsWhatItDrawsItselfNotItsChildren) {
  Canvas form;
  form.setWindowFlags(Qt::FramelessWindowHint);
  form.resize(40, 30);
  Paint(&form, kKey);
  form.picture = QImage(15, 13, QImage::Format_ARGB32);
  form.picture.fill(Qt::transparent);
  QPainter(&form.picture).fillRect(5, 6, 10, 7, QColor(200, 0, 0));
  // Child controls sit on top of the window's own image and are not scanned.
  QWidget child(&form);
  child.setGeometry(20, 20, 10, 5);
  Paint(&child, qRgb(0, 200, 0));
  form.show();

  shaper.ShapeMe(&form, kKey, true, "");
  EXPECT_EQ(form.mask(), QRegion(5, 6, 10, 7));
  EXPECT_EQ(shaper.region(), QRegion(5, 6, 10, 7));

  // A new picture, one step away from the key in one corner: each call starts afresh.
  form.picture = QImage(40, 30, QImage::Format_ARGB32);
  form.picture.fill(Qt::transparent);
  form.picture.setPixel(39, 29, qRgb(128, 128, 129));
  shaper.ShapeMe(&form, kKey);
  EXPECT_EQ(form.mask(), QRegion(39, 29, 1, 1));

  Paint(&form, qRgb(0, 0, 255));
  shaper.ShapeMe(&form, kKey);
  EXPECT_EQ(form.mask(), QRegion(form.rect()));
}

TEST_F(TransFormTest, AllKeyColourLeavesNothingToSeeOrHit) {
  QWidget form;
  form.resize(20, 10);
  Paint(&form, kKey);
  shaper.ShapeMe(&form, kKey);
  EXPECT_TRUE(shaper.region().isEmpty());
  EXPECT_TRUE(clsTransForm::HasEmptyOutline(form));
  // Qt takes an empty mask for "no mask"; the one set must be non-empty yet miss every pixel.
  EXPECT_FALSE(form.mask().isEmpty());
  EXPECT_TRUE((form.mask() & form.rect()).isEmpty());

  // Back to a full outline once something shows again.
  Paint(&form, qRgb(1, 2, 3));
  shaper.ShapeMe(&form, kKey);
  EXPECT_FALSE(clsTransForm::HasEmptyOutline(form));
  EXPECT_EQ(form.mask(), QRegion(form.rect()));
}

TEST_F(TransFormTest, PictureBoxIsReadThroughWhatItShows) {
  QWidget form;
  PictureBox box(&form);
  box.setGeometry(0, 0, 4, 3);
  QImage art(4, 2, QImage::Format_RGB32);
  art.fill(kKey);
  art.setPixel(0, 0, qRgb(0, 0, 0));
  art.setPixel(1, 0, qRgb(0, 0, 0));
  art.setPixel(2, 1, qRgb(0, 0, 0));
  art.setPixel(3, 1, qRgb(0, 0, 0));
  box.setPicture(art);  // the third row is the background

  EXPECT_EQ(box.Point(0, 0), qRgb(0, 0, 0));
  EXPECT_EQ(box.Point(3, 2), kKey);
  EXPECT_EQ(box.Point(4, 0), 0u);
  EXPECT_EQ(box.Point(-1, 0), 0u);

  // Key pixels touching the right edge end there; the next row starts afresh.
  shaper.ShapeMe(&box, kKey);
  EXPECT_EQ(box.mask(), QRegion(0, 0, 2, 1) + QRegion(2, 1, 2, 1));

  box.setBackColor(qRgb(9, 9, 9));
  shaper.ShapeMe(&box, kKey);
  EXPECT_EQ(box.mask(), QRegion(0, 0, 2, 1) + QRegion(2, 1, 2, 1) + QRegion(0, 2, 4, 1));
}

TEST_F(TransFormTest, ButtonsLoseCaptionFaceAndTwoPixelFrame) {
  QWidget form;
  form.resize(200, 100);
  QPushButton push("Vaciar", &form);
  push.setGeometry(10, 10, 60, 24);
  QCheckBox check("Sin sonido", &form);
  check.setGeometry(10, 40, 80, 20);
  QRadioButton radio("Uno", &form);
  radio.setGeometry(10, 70, 80, 20);
  form.show();

  // A colour the push button's face never shows: only the frame goes.
  shaper.ShapeMe(&push, qRgb(1, 254, 3));
  EXPECT_EQ(push.text(), QString());
  EXPECT_EQ(push.mask(), QRegion(2, 2, 56, 20));

  // With the face in the key colour, only the indicators stay, inside the frame.
  for (QAbstractButton* b :
       {static_cast<QAbstractButton*>(&check), static_cast<QAbstractButton*>(&radio)}) {
    shaper.ShapeMe(b, kKey);
    EXPECT_EQ(b->text(), QString());
    EXPECT_FALSE(b->mask().isEmpty());
    EXPECT_TRUE(QRegion(2, 2, b->width() - 4, b->height() - 4).contains(b->mask().boundingRect()));
    EXPECT_LT(b->mask().boundingRect().width(), b->width() / 2);
  }

  // Too small to keep anything once the frame is off.
  QPushButton tiny(&form);
  tiny.setGeometry(0, 0, 4, 30);
  shaper.ShapeMe(&tiny, qRgb(1, 254, 3));
  EXPECT_TRUE(clsTransForm::HasEmptyOutline(tiny));
}

TEST_F(TransFormTest, OtherKindsOfTargetAreRefusedUntouched) {
  QWidget form;
  form.resize(50, 50);
  QLineEdit edit("texto", &form);
  edit.setGeometry(0, 0, 40, 20);
  edit.setMask(QRegion(1, 1, 5, 5));
  const QPalette palette = edit.palette();

  for (QWidget* target : {static_cast<QWidget*>(&edit), static_cast<QWidget*>(nullptr)}) {
    try {
      shaper.ShapeMe(target, kKey);
      ADD_FAILURE() << "no error";
    } catch (const TransFormError& e) {
      EXPECT_EQ(e.number, -2147218992);
      EXPECT_EQ(e.number, static_cast<std::int32_t>(0x800409D0u));
      EXPECT_EQ(e.source, "TransForm");
      EXPECT_EQ(e.description,
                "Must pass in the name of a Form, PictureBox, CommandButton, CheckBox or "
                "OptionButton.  TransForm ShapeMe method failed.");
      EXPECT_STREQ(e.what(), e.description.c_str());
    }
  }
  EXPECT_EQ(edit.mask(), QRegion(1, 1, 5, 5));
  EXPECT_EQ(edit.text(), "texto");
  EXPECT_EQ(edit.palette(), palette);
}

TEST_F(TransFormTest, DragIgnoresOtherButtonsAndWindowsWithoutHandle) {
  QWidget form;
  form.resize(10, 10);
  shaper.DragForm(&form, 2);
  shaper.DragForm(&form, 1);  // not shown yet: no native window to move
  shaper.DragForm(nullptr, 1);
  form.show();
  shaper.DragForm(&form, 1);  // the offscreen platform cannot move windows; nothing happens
  EXPECT_TRUE(form.isVisible());
}

QImage Solid(int w, int h, QRgb color) {
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(color);
  return image;
}

TEST_F(TransFormTest, FitPictureToBoxCentresAndOnlyShrinks) {
  PictureBox box;
  box.resize(64, 64);

  FitPictureToBox(box, Solid(32, 16, qRgb(255, 0, 0)));
  const QImage& small = box.picture();
  ASSERT_EQ(small.size(), QSize(64, 64));
  EXPECT_EQ(small.pixel(16, 24), qRgb(255, 0, 0));
  EXPECT_EQ(small.pixel(47, 39), qRgb(255, 0, 0));
  EXPECT_EQ(small.pixel(15, 24), kKey);
  EXPECT_EQ(small.pixel(16, 23), kKey);
  EXPECT_EQ(small.pixel(48, 39), kKey);
  EXPECT_EQ(small.pixel(47, 40), kKey);

  // Twice as wide as the box: shrunk to 64 x 32, centred vertically.
  FitPictureToBox(box, Solid(128, 64, qRgb(0, 255, 0)));
  EXPECT_EQ(box.Point(0, 16), qRgb(0, 255, 0));
  EXPECT_EQ(box.Point(63, 47), qRgb(0, 255, 0));
  EXPECT_EQ(box.Point(0, 15), kKey);
  EXPECT_EQ(box.Point(0, 48), kKey);

  // Taller than the box after the width step: the height step shrinks again.
  box.resize(40, 20);
  FitPictureToBox(box, Solid(80, 80, qRgb(0, 0, 255)));
  EXPECT_EQ(box.Point(10, 0), qRgb(0, 0, 255));
  EXPECT_EQ(box.Point(29, 19), qRgb(0, 0, 255));
  EXPECT_EQ(box.Point(9, 10), kKey);
  EXPECT_EQ(box.Point(30, 10), kKey);

  // A null picture just clears the box.
  FitPictureToBox(box, QImage());
  EXPECT_TRUE(box.picture().isNull());
  EXPECT_EQ(box.Point(20, 10), kKey);
}

TEST_F(TransFormTest, SkinOnTheBinWindowGivesItsSilhouette) {
  // A 64 x 64 picture with transparent corners in a larger key-colour window.
  QImage skin = Solid(64, 64, qRgba(0, 0, 0, 0));
  QPainter(&skin).fillRect(8, 4, 48, 56, QColor(30, 90, 30));
  Canvas form;
  form.setWindowFlags(Qt::FramelessWindowHint);
  form.resize(372, 339);
  Paint(&form, kKey);
  form.picture = skin;
  PictureBox main(&form);
  main.setGeometry(0, 0, 64, 64);
  FitPictureToBox(main, skin);
  EXPECT_EQ(main.Point(0, 0), kKey);  // transparent pixels show the box's background

  // What the box shows survives a repaint.
  const QImage shown = main.grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(shown, main.surface());

  shaper.ShapeMe(&form, kKey, true, "");
  EXPECT_EQ(form.mask(), QRegion(8, 4, 48, 56));
}

}  // namespace
}  // namespace shape
