// The skin pictures the program is built with.
#include <gtest/gtest.h>

#include <QImage>

#include "shape/SkinCatalog.h"
#include "shape/SkinImage.h"

TEST(SkinFiles, EveryPictureDecodesWithItsOutlineAndWithoutTheKeyColour) {
  for (const shape::SkinRow& row : shape::SkinTable()) {
    for (const char* name : {row.emptyHolder, row.fullHolder}) {
      SCOPED_TRACE(name);
      const QImage img = shape::SkinPicture(name);
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
    EXPECT_NE(shape::SkinPicture(row.emptyHolder), shape::SkinPicture(row.fullHolder));
  }
}
