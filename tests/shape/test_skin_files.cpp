// The committed skin pictures, and the decoder that reads them.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>
#include <cstdlib>
#include <string>

#include "shape/SkinCatalog.h"
#include "shape/SkinImage.h"
#include "support/TempDir.h"

namespace {

QByteArray SourceFile(const char* name) {
  const char* root = std::getenv("WW_SOURCE_DIR");
  return QByteArray::fromStdString(
      testsupport::ReadFile(std::string(root ? root : ".") + "/shape/skins/" + name + ".ico"));
}

TEST(SkinFiles, EachFileIsTheBuiltInPictureWithoutTheKeyColour) {
  for (const shape::SkinRow& row : shape::SkinTable()) {
    for (const char* name : {row.emptyHolder, row.fullHolder}) {
      SCOPED_TRACE(name);
      const QImage img = shape::DecodeSkinIcon(SourceFile(name));
      ASSERT_EQ(img.size(), QSize(64, 64)) << "WW_SOURCE_DIR must name the source folder";
      EXPECT_EQ(img, shape::SkinPicture(name));
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
  EXPECT_TRUE(shape::SkinPicture("../skins/ImgModern").isNull());
}

TEST(SkinDecoder, RefusesShortAndDamagedInput) {
  const QByteArray good = SourceFile("ImgDefaultEmpty");
  ASSERT_EQ(good.size(), 5694);
  // Each cut on a copy whose buffer ends exactly there, so a read past it shows.
  for (int n = 0; n < good.size(); ++n)
    ASSERT_TRUE(shape::DecodeSkinIcon(QByteArray(good.constData(), n)).isNull()) << n;

  const struct {
    int at, bytes;
    unsigned value;
  } damages[] = {{2, 2, 2},    {4, 2, 2},     {6, 1, 32}, {12, 2, 4},   {14, 4, 100},
                 {18, 4, ~0u}, {18, 4, 5690}, {18, 4, 4}, {22, 4, 108}, {26, 4, 65},
                 {30, 4, 64},  {38, 4, 1},    {54, 4, 16}};
  for (const auto& d : damages) {
    QByteArray bad = good;
    for (int i = 0; i < d.bytes; ++i) bad[d.at + i] = static_cast<char>(d.value >> (8 * i));
    EXPECT_TRUE(shape::DecodeSkinIcon(bad).isNull()) << "at " << d.at << " = " << d.value;
  }
  EXPECT_EQ(shape::DecodeSkinIcon(good + QByteArray(10, '\0')), shape::DecodeSkinIcon(good));
}

TEST(SkinCatalog, EveryStoredValueRestoresItsSkinAndUnknownOnesTheDefault) {
  using shape::Skin;
  EXPECT_EQ(shape::ExitValue(Skin::Space, 1), "ShapedFormFullFutur64");  // persisted
  for (const char* other : {"", "shapedformfull", "ShapedFormFull ", "Cute"}) {
    EXPECT_EQ(shape::StartSkin(other).skin, Skin::Default) << other;
    EXPECT_FALSE(shape::StartSkin(other).full) << other;
  }
  for (const shape::SkinRow& row : shape::SkinTable()) {
    EXPECT_EQ(shape::StartSkin(shape::ExitValue(row.skin, 0)).skin, row.skin);
    EXPECT_FALSE(shape::StartSkin(shape::ExitValue(row.skin, 0)).full);
    EXPECT_TRUE(shape::StartSkin(shape::ExitValue(row.skin, 3)).full);
  }
}

}  // namespace
