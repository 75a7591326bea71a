// The map service's pictures: every region of the list has a box that shows
// it undistorted and a layer that sees its clouds. And every weather code has
// a text and a picture that ships.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QUrl>
#include <QUrlQuery>
#include <cmath>

#include "weather/SatelliteWms.h"
#include "weather/WeatherTables.h"
#include "weather/WmoCodes.h"

namespace weathertest {
using namespace weather;
namespace {

TEST(SatelliteWms, EveryRegionHasABoxOfThePicturesProportionsAroundIt) {
  // A place each region must show: latitude, longitude.
  const std::map<QString, std::pair<double, double>> inside = {
      {"europ", {48.9, 2.3}},   {"conus", {39.1, -94.6}}, {"chjap", {35.7, 139.7}},
      {"world", {-33.9, 18.4}}, {"rusia", {55.8, 37.6}},  {"nzeal", {-41.3, 174.8}},
      {"uking", {51.5, -0.1}},  {"samer", {-34.6, -58.4}}};
  for (const QString& name : RegionNames()) {
    const QString code = RegionImageCode(name);
    for (const auto& [w, h] : {std::pair{855, 520}, std::pair{720, 480}}) {
      const auto box = RegionBox(code, w, h);
      ASSERT_TRUE(box && RegionLayer(code)) << name.toStdString();
      EXPECT_NEAR((box->east - box->west) / (box->north - box->south), double(w) / h, 1e-9)
          << name.toStdString();
      EXPECT_TRUE(box->south >= -90 && box->north <= 90 && box->west >= -180 && box->east <= 180)
          << name.toStdString();
      if (auto it = inside.find(code); it != inside.end()) {
        const auto [lat, lon] = it->second;
        EXPECT_TRUE(lat > box->south && lat < box->north && lon > box->west && lon < box->east)
            << name.toStdString() << " " << w;
      }
    }
  }
  EXPECT_FALSE(RegionBox("xxxxx", 855, 520));
}

// The rest of the GetMap: test_e2e_weather.
TEST(SatelliteWms, TheGetMapAsksLatitudeFirstForYesterdaysMosaicOrTheLatestInfrared) {
  const QDate today(2026, 12, 7);
  const QUrlQuery europe(QUrl(WmsGetMapAddress("http://h/wms", "europ", 855, 520, today)));
  const auto box = RegionBox("europ", 855, 520);
  const QStringList bbox = europe.queryItemValue("BBOX").split(',');
  ASSERT_EQ(bbox.size(), 4);
  EXPECT_NEAR(bbox[0].toDouble(), box->south, 1e-4);
  EXPECT_NEAR(bbox[1].toDouble(), box->west, 1e-4);
  EXPECT_EQ(europe.queryItemValue("TIME"), "2026-12-06");
  const QUrlQuery conus(QUrl(WmsGetMapAddress("http://h/wms?map=x", "conus", 720, 480, today)));
  EXPECT_EQ(conus.queryItemValue("map"), "x");
  EXPECT_FALSE(conus.hasQueryItem("TIME"));
}

TEST(WmoCodes, EveryCodeReadsInBothLanguagesWithAPictureThatShips) {
  const QString assets = QString::fromLocal8Bit(std::getenv("WW_SOURCE_DIR")) + "/assets/";
  for (int code = 0; code <= 99; ++code)
    for (bool english : {false, true}) {
      const auto c = WmoConditionOf(code, english);
      ASSERT_TRUE(c && !c->text.isEmpty()) << code;
      EXPECT_TRUE(QFileInfo::exists(assets + WmoIconFile(c->group))) << code;
    }
  EXPECT_FALSE(WmoConditionOf(-1, false) || WmoConditionOf(100, true));
}

}  // namespace
}  // namespace weathertest
