#include "weather/SatelliteWms.h"

#include <QDateTime>
#include <QLocale>
#include <algorithm>
#include <cmath>

#include "settings/Options.h"

namespace weather {
namespace {

using L = WmsLayer;

// Persisted by the service: these are the layer identifiers of its
// capabilities. The geostationary ones are refreshed every ten minutes and
// see clouds by day and night; the mosaic is one picture a day.
struct LayerRow {
  WmsLayer layer;
  const char* name;
  bool daily;
};
constexpr LayerRow kLayers[] = {
    {L::GoesEast, "GOES-East_ABI_Band13_Clean_Infrared", false},
    {L::GoesWest, "GOES-West_ABI_Band13_Clean_Infrared", false},
    {L::Himawari, "Himawari_AHI_Band13_Clean_Infrared", false},
    {L::DailyTrueColour, "VIIRS_SNPP_CorrectedReflectance_TrueColor", true},
};

// A region: the centre of its picture and how many degrees of longitude it
// spans; the latitudes follow from the picture's proportions. GOES-East
// stands over 75 W, GOES-West over 137 W, Himawari over 141 E, each seeing
// about 60 degrees either way; Europe, Africa and most of Asia have none.
struct RegionRow {
  const char* code;
  double longitude, latitude, span;
  WmsLayer layer;
};
// clang-format off
constexpr RegionRow kRegions[] = {
    {"world", 0, 0, 296, L::DailyTrueColour},
    {"afric", 18, 2, 120, L::DailyTrueColour},
    {"wafri", -2, 12, 40, L::DailyTrueColour},
    {"eafri", 38, 2, 40, L::DailyTrueColour},
    {"camer", -85, 14, 40, L::GoesEast},
    {"asian", 95, 35, 110, L::DailyTrueColour},
    {"austr", 134, -27, 60, L::Himawari},
    {"waust", 121, -26, 30, L::Himawari},
    {"brazl", -52, -13, 50, L::GoesEast},
    {"ccana", -95, 56, 40, L::GoesEast},
    {"wcana", -122, 55, 40, L::GoesWest},
    {"ecana", -70, 52, 40, L::GoesEast},
    {"carib", -72, 18, 35, L::GoesEast},
    {"scand", 15, 64, 40, L::DailyTrueColour},
    {"europ", 12, 50, 60, L::DailyTrueColour},
    {"india", 80, 21, 35, L::DailyTrueColour},
    {"indon", 118, -2, 40, L::Himawari},
    {"chjap", 136, 36, 30, L::Himawari},
    {"mexic", -102, 23, 30, L::GoesEast},
    {"midea", 45, 28, 40, L::DailyTrueColour},
    {"nzeal", 172, -41, 20, L::Himawari},
    {"neaus", 145, -18, 20, L::Himawari},
    {"neeur", 30, 58, 35, L::DailyTrueColour},
    {"nwafr", -2, 26, 35, L::DailyTrueColour},
    {"nweur", -2, 53, 30, L::DailyTrueColour},
    {"namer", -100, 45, 90, L::GoesEast},
    {"nsamr", -65, 2, 40, L::GoesEast},
    {"uking", -3, 54.5, 16, L::DailyTrueColour},
    {"rusia", 95, 60, 120, L::DailyTrueColour},
    {"safri", 24, -28, 30, L::DailyTrueColour},
    {"samer", -60, -22, 100, L::GoesEast},
    {"seasi", 110, 10, 40, L::Himawari},
    {"seaus", 145, -34, 20, L::Himawari},
    {"seeur", 24, 42, 25, L::DailyTrueColour},
    {"sweur", -3, 40, 25, L::DailyTrueColour},
    {"ssamr", -66, -42, 40, L::GoesEast},
    {"conus", -97, 38, 62, L::GoesEast},
    {"ncusa", -100, 41, 22, L::GoesEast},
    {"ecusa", -77, 38.5, 16, L::GoesEast},
    {"ceusa", -89, 42, 20, L::GoesEast},
    {"neusa", -73, 43, 16, L::GoesEast},
    {"nwusa", -118, 45, 20, L::GoesWest},
    {"wcusa", -122, 40, 20, L::GoesWest},
    {"scusa", -97, 32, 20, L::GoesEast},
    {"seusa", -84, 31, 20, L::GoesEast},
    {"swusa", -112, 34, 20, L::GoesWest},
};
// clang-format on

const RegionRow* Find(const QString& code) {
  for (const RegionRow& row : kRegions)
    if (code == QLatin1String(row.code)) return &row;
  return nullptr;
}

const LayerRow& Row(WmsLayer layer) { return kLayers[static_cast<int>(layer)]; }

// Keeps [centre - half, centre + half] inside [-limit, limit].
double Inside(double centre, double half, double limit) {
  return std::clamp(centre, -limit + half, limit - half);
}

QString Degrees(double v) {
  return QLocale::c().toString(std::round(v * 10000) / 10000, 'f', QLocale::FloatingPointShortest);
}

}  // namespace

QString WmsLayerName(WmsLayer layer) { return QString::fromLatin1(Row(layer).name); }

std::optional<WmsBox> RegionBox(const QString& imageCode, int width, int height) {
  const RegionRow* row = Find(imageCode);
  if (!row || width <= 0 || height <= 0) return std::nullopt;
  double lonSpan = std::min(row->span, 360.0);
  double latSpan = lonSpan * height / width;
  if (latSpan > 180) {
    latSpan = 180;
    lonSpan = 180.0 * width / height;
  }
  const double lat = Inside(row->latitude, latSpan / 2, 90);
  const double lon = Inside(row->longitude, lonSpan / 2, 180);
  return WmsBox{lat - latSpan / 2, lon - lonSpan / 2, lat + latSpan / 2, lon + lonSpan / 2};
}

std::optional<WmsLayer> RegionLayer(const QString& imageCode) {
  const RegionRow* row = Find(imageCode);
  if (!row) return std::nullopt;
  return row->layer;
}

QString WmsGetMapAddress(const QString& server, const QString& imageCode, int width, int height,
                         const QDate& todayUtc) {
  const auto box = RegionBox(imageCode, width, height);
  const auto layer = RegionLayer(imageCode);
  if (!box || !layer) return QString();
  // In 1.3.0 this system's axes are latitude first.
  QString address = server + (server.contains('?') ? "&" : "?") +
                    "SERVICE=WMS&VERSION=1.3.0&REQUEST=GetMap&LAYERS=" + WmsLayerName(*layer) +
                    "&STYLES=&CRS=EPSG:4326&BBOX=" + Degrees(box->south) + "," +
                    Degrees(box->west) + "," + Degrees(box->north) + "," + Degrees(box->east) +
                    QStringLiteral("&WIDTH=%1&HEIGHT=%2").arg(width).arg(height) +
                    "&FORMAT=image/jpeg";
  if (Row(*layer).daily) address += "&TIME=" + todayUtc.addDays(-1).toString(Qt::ISODate);
  return address;
}

QString SatelliteImageAddress(const QString& imageCode, int width, int height) {
  const settings::Options options;
  const QString server = QString::fromStdString(options.Text(settings::Key::SatelliteServer));
  if (!server.isEmpty()) return server + "/WxImages/Satellite/" + imageCode + ".jpg";
  return WmsGetMapAddress(QString::fromStdString(options.Text(settings::Key::SatelliteWmsServer)),
                          imageCode, width, height, QDateTime::currentDateTimeUtc().date());
}

}  // namespace weather
