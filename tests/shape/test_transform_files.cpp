#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <filesystem>
#include <string>

#include "shape/PictureBox.h"
#include "shape/RegionData.h"
#include "shape/clsTransForm.h"
#include "support/TempDir.h"

namespace shape {
namespace {

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

constexpr QRgb kKey = 0xFF808080;

class RegionFileTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "test_transform_files";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
  }
  void TearDown() override { clsTransForm::SetExecutableName(""); }

  // An irregular silhouette: a ring with a notch, drawn without smoothing.
  static void DrawRing(PictureBox* box) {
    QImage art(box->size(), QImage::Format_RGB32);
    art.fill(kKey);
    QPainter p(&art);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 40, 60));
    p.drawEllipse(QRect(3, 2, box->width() - 6, box->height() - 5));
    p.setBrush(QColor::fromRgb(kKey));
    p.drawEllipse(QRect(box->width() / 3, box->height() / 3, box->width() / 3, box->height() / 4));
    p.fillRect(0, box->height() / 2, box->width() / 2, 3, QColor::fromRgb(kKey));
    box->setPicture(art);
  }

  std::string Path(const char* name) const { return (dir / name).string(); }

  TempDir dir;
  clsTransForm shaper;
};

TEST_F(RegionFileTest, SavedOutlineLoadsBackTheSame) {
  PictureBox source;
  source.resize(90, 70);
  DrawRing(&source);
  const std::string file = Path("ring.rgn");
  shaper.ShapeMe(&source, kKey, false, file);
  const QRegion saved = source.mask();
  ASSERT_GT(saved.rectCount(), 20);
  EXPECT_EQ(ReadFile(file), EncodeRegionData(FromQRegion(saved)));

  // Loading does not look at the pixels at all.
  PictureBox target;
  target.resize(90, 70);
  shaper.ShapeMe(&target, kKey, true, file);
  EXPECT_EQ(target.mask(), saved);
  EXPECT_EQ(shaper.region(), saved);

  // Saving again replaces the old file.
  source.clearPicture();
  source.setBackColor(qRgb(1, 1, 1));
  shaper.ShapeMe(&source, kKey, false, file);
  EXPECT_EQ(ReadFile(file), EncodeRegionData({{0, 0, 90, 70}}));
}

TEST_F(RegionFileTest, EmptyOutlineIsSavedAndLoadedAsNoRectangle) {
  PictureBox box;
  box.resize(10, 10);
  const std::string file = Path("empty.rgn");
  shaper.ShapeMe(&box, kKey, false, file);
  EXPECT_EQ(ReadFile(file), EncodeRegionData({}));
  EXPECT_EQ(ReadFile(file).size(), 32u);

  PictureBox other;
  other.resize(10, 10);
  other.setBackColor(qRgb(0, 0, 0));
  shaper.ShapeMe(&other, kKey, true, file);
  EXPECT_TRUE(clsTransForm::HasEmptyOutline(other));
}

TEST_F(RegionFileTest, BadFilesRaiseTheLoaderErrorAndKeepTheOutline) {
  clsTransForm::SetExecutableName("WasteWell");
  const std::string good = EncodeRegionData({{0, 0, 4, 1}, {0, 1, 2, 3}});
  struct Case {
    const char* name;
    std::string bytes;
    std::int32_t number;
  };
  const Case cases[] = {
      {"empty", "", 62},
      {"short", good.substr(0, 20), 62},
      {"truncated", good.substr(0, good.size() - 16), 62},
      {"longer", good + std::string(16, '\0'), -2147218989},
      {"corrupt", std::string(good).replace(16, 4, "\x07\0\0\0", 4), -2147218989},
      {"not ours", std::string(400, '\xFF'), -2147218989},
  };
  PictureBox box;
  box.resize(8, 8);
  box.setMask(QRegion(1, 2, 3, 4));
  auto expectLoaderError = [&](const std::string& file, std::int32_t number, const char* what) {
    try {
      shaper.ShapeMe(&box, kKey, true, file);
      ADD_FAILURE() << what << ": no error";
    } catch (const TransFormError& e) {
      EXPECT_EQ(e.number, number) << what;
      EXPECT_EQ(e.source, "WasteWell.cDIBSectionRegion") << what;
      EXPECT_FALSE(e.description.empty()) << what;
    }
    EXPECT_EQ(box.mask(), QRegion(1, 2, 3, 4)) << what;
  };
  for (const Case& c : cases) {
    WriteFile(dir / c.name, c.bytes);
    expectLoaderError(Path(c.name), c.number, c.name);
  }
  expectLoaderError(Path("missing.rgn"), 53, "missing");
  std::filesystem::create_directory(dir / "folder.rgn");
  expectLoaderError(Path("folder.rgn"), 75, "folder");

  // Without a name set, the application's name stands in front.
  clsTransForm::SetExecutableName("");
  try {
    shaper.ShapeMe(&box, kKey, true, Path("missing.rgn"));
    ADD_FAILURE() << "no error";
  } catch (const TransFormError& e) {
    EXPECT_EQ(e.number, 53);
    EXPECT_EQ(e.description, "File not found");
    EXPECT_EQ(e.source, QCoreApplication::applicationName().toStdString() + ".cDIBSectionRegion");
  }
}

TEST_F(RegionFileTest, UnwritableFileFailsBeforeTheOutlineChanges) {
  PictureBox box;
  box.resize(8, 8);
  box.setMask(QRegion(1, 2, 3, 4));
  try {
    shaper.ShapeMe(&box, kKey, false, Path("no/such/folder/x.rgn"));
    ADD_FAILURE() << "no error";
  } catch (const TransFormError& e) {
    EXPECT_EQ(e.source, "TransForm");
    EXPECT_EQ(e.number, 75);
  }
  EXPECT_EQ(box.mask(), QRegion(1, 2, 3, 4));
}

}  // namespace
}  // namespace shape
