#pragma once
// Satellite pictures from a public Web Map Service (WMS 1.3.0, EPSG:4326):
// a box of our own for every region code, and the layer that shows its
// clouds best.
#include <QDate>
#include <QString>
#include <optional>

namespace weather {

enum class WmsLayer { GoesEast, GoesWest, Himawari, DailyTrueColour };

// The layer's name in the service's capabilities.
QString WmsLayerName(WmsLayer layer);

// Degrees; south and north are latitudes, west and east longitudes.
struct WmsBox {
  double south, west, north, east;
};

// The region's box with the proportions of a width x height picture, so
// the picture is not stretched; nullopt for a code in no row.
std::optional<WmsBox> RegionBox(const QString& imageCode, int width, int height);
// The latest geostationary infrared where one covers the region, else the
// daily true-colour mosaic.
std::optional<WmsLayer> RegionLayer(const QString& imageCode);

// The GetMap address of a region's picture, JPEG; the daily mosaic is
// yesterday's (today's is still being filled), the infrared the latest.
// Empty for a code in no row.
QString WmsGetMapAddress(const QString& server, const QString& imageCode, int width, int height,
                         const QDate& todayUtc);

// The picture of a region as the settings say: the path under "Satelite"
// when that is set, else the map service's GetMap.
QString SatelliteImageAddress(const QString& imageCode, int width, int height);

}  // namespace weather
