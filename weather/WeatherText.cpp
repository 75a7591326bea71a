#include "weather/WeatherText.h"

#include <QUrl>
#include <charconv>

namespace weather {
namespace {

// Characters from start up to, not including, end.
std::optional<QString> Span(const QString& text, qsizetype start, qsizetype end) {
  if (start < 0 || end < start || end > text.size()) return std::nullopt;
  return text.mid(start, end - start);
}

std::optional<QString> Take(const QString& text, qsizetype start, qsizetype length) {
  return Span(text, start, start + length);
}

// Position of the first marker at or after from, offset added; nullopt when missing.
std::optional<qsizetype> After(const QString& text, const QString& marker, int offset,
                               qsizetype from = 0) {
  const qsizetype at = text.indexOf(marker, from);
  if (at < 0) return std::nullopt;
  return at + offset;
}

void DropTrailingNonDigits(QString& s) {
  while (!s.isEmpty() && !s.back().isDigit()) s.chop(1);
}

// Sets field when the step gave a value.
void Keep(QString& field, const std::optional<QString>& value) {
  if (value) field = *value;
}

std::optional<QString> FieldTo(const QString& text, const QString& marker, int offset,
                               const QString& endMarker, int before, bool endFromStart) {
  const auto start = After(text, marker, offset);
  if (!start) return std::nullopt;
  const auto end = After(text, endMarker, -before, endFromStart ? *start : 0);
  if (!end) return std::nullopt;
  return Span(text, *start, *end);
}

std::optional<QString> FieldLength(const QString& text, const QString& marker, int offset,
                                   int length) {
  const auto start = After(text, marker, offset);
  if (!start) return std::nullopt;
  return Take(text, *start, length);
}

}  // namespace

QString EncodeForAddress(const QString& value) {
  return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

QString HtmlEscape(const QString& text) {
  QString out = text.toHtmlEscaped();
  out.replace('\'', QLatin1String("&#39;"));
  return out;
}

std::optional<QString> Between(const QString& text, const QString& a, const QString& b, int from) {
  const qsizetype at = text.indexOf(a, from);
  if (at < 0) return std::nullopt;
  const qsizetype end = text.indexOf(b, at);
  if (end < 0) return std::nullopt;
  return Span(text, at + a.size(), end);
}

std::optional<PlacesAnswer> ParseYahooPlaces(const QString& answer, const QString& tag) {
  PlacesAnswer result;
  if (answer.contains(QLatin1String("<error xmlns"))) {
    const auto description = Between(answer, "<description>", "</description>");
    const qsizetype from = answer.indexOf(QLatin1String("<description>"));
    const auto detail = Between(answer, "<detail>", "</detail>", int(from));
    if (!description || !detail) return std::nullopt;
    result.isError = true;
    result.message = *description + "\r\n" + *detail + "\r\n" +
                     QStringLiteral("Posible solución: cambie el nombre del pueblo o ciudad.");
    return result;
  }
  const QString closing = QStringLiteral("</") + tag.mid(1);
  const auto name = Between(answer, tag, closing);
  const qsizetype admin = answer.indexOf(QLatin1String("<admin2 type"));
  const auto region = admin < 0 ? std::nullopt : Between(answer, ">", "</admin2>", int(admin));
  const qsizetype country = answer.indexOf(QLatin1String("country type"));
  const auto land = country < 0 ? std::nullopt : Between(answer, ">", "</country>", int(country));
  const auto woeid = Between(answer, "<woeid>", "</woeid>");
  if (!name || !region || !land || !woeid) return std::nullopt;
  result.line = *name + " , " + *region + " , " + *land;
  result.cityCode = *woeid;
  return result;
}

std::optional<CityAnswer> ParseOpenWeatherMapCity(const QString& answer, const QString& key) {
  const qsizetype p = answer.indexOf(key);
  if (p < 0) return std::nullopt;
  const qsizetype q = answer.indexOf('>', p);
  if (q < 0) return std::nullopt;
  const auto name = Span(answer, p + 6, q - 1);
  const auto country = FieldLength(answer, "country>", 8, 2);
  const auto id = FieldLength(answer, "city id=", 9, 9);
  if (!name || !country || !id) return std::nullopt;
  return CityAnswer{*name + " , " + *country, *id};
}

std::optional<QString> dejarsoloNumeros(const QString& text) {
  qsizetype begin = 0, end = text.size();
  while (begin < end && text[begin] == ' ') ++begin;
  while (end > begin && text[end - 1] == ' ') --end;
  if (begin == end) return std::nullopt;
  QString digits;
  for (qsizetype i = begin; i < end; ++i)
    if (text[i] >= '0' && text[i] <= '9') digits += text[i];
  return digits;
}

std::optional<QString> OldCityCodeIn(const QString& feed) {
  const auto start = After(feed, "forecast/", 9);
  const qsizetype end = feed.indexOf(QLatin1String("_c.html"));
  if (!start || end < 0) return std::nullopt;
  return Span(feed, *start, end);
}

double NumericValue(const QString& text) {
  qsizetype i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  const qsizetype begin = i;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) ++i;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) ++i;
  }
  bool ok = false;
  const double v = text.mid(begin, i - begin).toDouble(&ok);
  return ok ? v : 0.0;
}

QString LocaleNumber(double value, const QLocale& locale) {
  // The shortest text that reads back as the same single-precision number:
  // 20.3 stays "20.3" (Qt has no float overload, and the double widened from
  // the float would print as 20.299999237060547).
  char digits[64];
  const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<float>(value),
                                 std::chars_format::fixed);
  QString text = QString::fromLatin1(digits, static_cast<int>(end.ptr - digits));
  if (end.ec != std::errc()) return QStringLiteral("0");
  text.replace(QLatin1Char('.'), locale.decimalPoint());
  if (text.startsWith(QLatin1Char('-'))) text.replace(0, 1, locale.negativeSign());
  return text;
}

std::optional<QString> CompassText(double d) {
  if (d == 0 || d == 360) return QStringLiteral("N");
  if (d > 0 && d < 90) return QStringLiteral("NE");
  if (d == 90) return QStringLiteral("E");
  if (d > 90 && d < 180) return QStringLiteral("SE");
  if (d == 180) return QStringLiteral("S");
  if (d > 180 && d < 270) return QStringLiteral("SW");
  if (d == 270) return QStringLiteral("W");
  if (d > 270 && d < 360) return QStringLiteral("NW");
  return std::nullopt;
}

YahooFields ParseYahooFeed(const QString& t, const QString& unitCode, YahooFields f) {
  Keep(f.title, FieldTo(t, "<title>", 7, "</", 0, false));
  if (unitCode == QLatin1String("c")) {
    if (auto city = FieldTo(t, "location city=", 14, "region", 1, false)) {
      city->remove('"');
      city->replace(' ', '_');
      f.city = *city;
    }
  }
  if (auto code = FieldLength(t, "code", 6, 2)) {
    if (!code->isEmpty() && !code->back().isDigit()) code->chop(1);
    f.conditionCode = *code;
  }
  Keep(f.conditionText, FieldTo(t, "text", 6, "code", 3, false));
  if (auto temp = FieldLength(t, "temp=", 6, 3)) {
    DropTrailingNonDigits(*temp);
    f.temperature = *temp;
  }
  Keep(f.temperatureUnit, FieldLength(t, "temperature", 13, 1));
  Keep(f.windChill, FieldTo(t, "wind chill=", 12, "direction=", 4, false));
  if (auto humidity = FieldTo(t, "humidity=", 10, "visibility=", 3, false))
    f.humidity = *humidity + "%";
  Keep(f.speedUnit, FieldLength(t, "speed", 7, 4));
  if (auto direction = FieldLength(t, "direction", 11, 3)) {
    DropTrailingNonDigits(*direction);
    f.direction = *direction;
  }
  if (auto compass = CompassText(NumericValue(f.direction))) f.compass = *compass;
  if (const auto first = After(t, "speed", 7)) {
    if (const auto second = After(t, "speed", 7, *first)) {
      if (auto speed = Take(t, *second, 7)) {
        DropTrailingNonDigits(*speed);
        f.windSpeed = *speed;
        if (f.windSpeed == QLatin1String("0")) f.compass = QStringLiteral("en calma");
      }
    }
  }
  if (auto date = FieldLength(t, "date=", 6, 30)) {
    QString d = *date;
    while (d.startsWith(' ')) d.remove(0, 1);
    while (d.endsWith(' ')) d.chop(1);
    if (!d.isEmpty()) d.chop(1);
    f.date = d;
  }
  return f;
}

OwmFields ParseOpenWeatherMap(const QString& t, const QString& unitCode, OwmFields f,
                              const QLocale& locale) {
  const bool metric = unitCode != QLatin1String("f");
  Keep(f.cityName, FieldTo(t, "name", 6, ">", 1, true));
  Keep(f.iconCode, FieldLength(t, "icon=", 6, 3));
  Keep(f.conditionText, FieldTo(t, "weather number=", 28, "icon=", 2, true));
  if (auto temp = FieldTo(t, "temperature value=", 19, "min=", 2, true))
    f.temperature = LocaleNumber(NumericValue(*temp), locale) +
                    (metric ? QStringLiteral(" &deg;C") : QStringLiteral(" &deg;F"));
  if (auto min = FieldTo(t, "min=", 5, "max=", 2, true))
    f.minimum = LocaleNumber(NumericValue(*min), locale);
  if (auto max = FieldTo(t, "max=", 5, "unit=", 2, true))
    f.maximum = LocaleNumber(NumericValue(*max), locale);
  if (auto pressure = FieldTo(t, "pressure value=", 16, "hPa", 8, true))
    f.pressure = *pressure + " hPa";
  if (auto humidity = FieldTo(t, "humidity value=", 16, "%", 8, true))
    f.humidity = *humidity + " %";
  if (auto speed = FieldTo(t, "speed value=", 13, "name=", 2, true)) {
    const float value = static_cast<float>(NumericValue(*speed));
    // Metres per second to kilometres per hour; imperial answers come in mph.
    f.windSpeed = metric ? LocaleNumber(value * 60.0f * 60.0f / 1000.0f, locale) + " k/h"
                         : LocaleNumber(value, locale) + " mph";
  }
  if (auto update = FieldLength(t, "lastupdate value=", 18, 19)) f.lastUpdate = *update + " UTC";
  return f;
}

bool OpenWeatherMapIsPhysical(const QString& t, const QString& unitCode) {
  const bool metric = unitCode != QLatin1String("f");
  // The records with a margin, in the units asked for.
  const double coldest = metric ? -100 : -148, hottest = metric ? 70 : 158;
  const double fastest = metric ? 140 : 311;  // m/s or mph
  const struct {
    std::optional<QString> text;
    double low, high;
  } values[] = {
      {FieldTo(t, "temperature value=", 19, "min=", 2, true), coldest, hottest},
      {FieldTo(t, "min=", 5, "max=", 2, true), coldest, hottest},
      {FieldTo(t, "max=", 5, "unit=", 2, true), coldest, hottest},
      {FieldTo(t, "pressure value=", 16, "hPa", 8, true), 800, 1100},
      {FieldTo(t, "humidity value=", 16, "%", 8, true), 0, 100},
      {FieldTo(t, "speed value=", 13, "name=", 2, true), 0, fastest},
  };
  for (const auto& v : values) {
    if (!v.text) continue;
    const double value = NumericValue(*v.text);
    if (!(value >= v.low && value <= v.high)) return false;
  }
  return true;
}

QString BackgroundAddress(const QString& shippedFile) {
  return QUrl::fromLocalFile(shippedFile).toString(QUrl::FullyEncoded);
}

QString PageHead(bool ricePaper, const QString& backgroundAddress) {
  const QString name = ricePaper ? QStringLiteral("Rice_Field.jpg") : QStringLiteral("bg92.gif");
  // Quoted, and percent-encoded by BackgroundAddress: no quote mark can end it.
  const QString picture = backgroundAddress.isEmpty() ? name : "\"" + backgroundAddress + "\"";
  // Declared and written in UTF-8: the answers' texts reach the page intact.
  return QStringLiteral(
             "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" "
             "\"http://www.w3.org/TR/html4/loose.dtd\">\r\n"
             "<head>\r\n"
             "<title>Yahoo Weather</title>\r\n"
             "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n"
             "<style type=\"text/css\">\r\n"
             "<!--\r\n"
             "body,td,th {\r\n"
             "\tfont-family: Times New Roman, Times, serif;\r\n"
             "\tfont-size: 16px;\r\n"
             "}\r\n"
             "body {\r\n"
             "\tbackground-image: url(") +
         picture +
         QStringLiteral(
             ");\r\n"
             "}\r\n"
             "html, body {overflow: hidden; white-space: nowrap}\r\n"
             ".Estilo1 {font-size: 14px}\r\n"
             ".Estilo5 {font-size: 12px}\r\n"
             "-->\r\n"
             "</style></head>"
             "<body scroll=\"no\">\r\n");
}

QString YahooBody(const YahooFields& f, const QString& unitCode, const QString& forecastAddress,
                  const QString& iconAddress) {
  const bool metric = unitCode == QLatin1String("c");
  const QString link = "<div align='left'><a href=" + forecastAddress +
                       "  target='_blank' class='Estilo1'>" + HtmlEscape(f.title) + "</a>";
  const QString icon = "<img src=" + iconAddress + " align='left'>";
  const QString unit = HtmlEscape(f.temperatureUnit);
  return link + "<br>" + icon + HtmlEscape(f.conditionText) + "<br>" +
         (metric ? QStringLiteral("Temperatura: ") : QStringLiteral("Temperature: ")) +
         HtmlEscape(f.temperature) + QStringLiteral(" º") + unit + "<br>" +
         (metric ? QStringLiteral("Viento: ") : QStringLiteral("Wind: ")) + f.compass + " " +
         HtmlEscape(f.windSpeed) + " " + HtmlEscape(f.speedUnit) + "<br>" +
         (metric ? QStringLiteral("Sensación térmica: ") : QStringLiteral("Wind chill: ")) +
         HtmlEscape(f.windChill) + QStringLiteral(" º") + unit + "<br>" +
         "Humedad: " + HtmlEscape(f.humidity) + "<br>" + HtmlEscape(f.date) +
         "</div></body></html>";
}

QString OpenWeatherMapBody(const OwmFields& f, const QString& country,
                           const QString& cityPageAddress, const QString& iconAddress) {
  const QString link = "<div align='left'><a href=" + cityPageAddress +
                       "  target='_blank' class='Estilo2'>" + HtmlEscape(f.cityName) + "</a>" +
                       " (" + HtmlEscape(country) + ")";
  const QString icon = "<div align='left'><img src=" + iconAddress + ">";
  // Temperatures and the wind carry our own entities: escaped before them.
  return link + "<br>" + "<table><tr><td>" + icon + "</td><td><div align='center'> " +
         HtmlEscape(f.conditionText) + "</div></td>" +
         QStringLiteral("<td><div align='right'>&nbsp;Presión: ") + HtmlEscape(f.pressure) +
         "</div></td></tr></table>" + "<strong>" + "Temp: " + f.temperature + "</strong>" +
         "<font size=2>" + "&nbsp;&nbsp;&nbsp;(Min. " + HtmlEscape(f.minimum) +
         "&nbsp;&nbsp;-&nbsp;&nbsp;Max. " + HtmlEscape(f.maximum) + ")" + "</font>" + "<br>" +
         "Humedad: " + HtmlEscape(f.humidity) + " - " + "Viento: " + HtmlEscape(f.windSpeed) +
         "<br>" + QStringLiteral("Última act.: ") + HtmlEscape(f.lastUpdate) +
         "</div></body></html>";
}

QString WithScheme(const QString& address, const QString& scheme) {
  const qsizetype sep = address.indexOf(QLatin1String("://"));
  return scheme + "://" + (sep < 0 ? address : address.mid(sep + 3));
}

}  // namespace weather
