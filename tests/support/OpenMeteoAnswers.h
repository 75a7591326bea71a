#pragma once
// Answers of the key-free weather source in the shape it gives them (its
// documented JSON, fields in its order), written for these tests.
#include <QByteArray>

namespace weathertest {

// A search for "Málaga": three places, the first in Spain.
inline QByteArray MeteoPlaces() {
  return R"({"results":[{"id":2514256,"name":"Málaga","latitude":36.72016,"longitude":-4.42034,)"
         R"("elevation":17.0,"feature_code":"PPLA2","country_code":"ES","admin1_id":2593109,)"
         R"("admin2_id":2514254,"timezone":"Europe/Madrid","population":568305,)"
         R"("country_id":2510769,"country":"España","admin1":"Andalucía","admin2":"Málaga"},)"
         R"({"id":3675443,"name":"Málaga","latitude":6.69903,"longitude":-72.73233,)"
         R"("elevation":2230.0,"feature_code":"PPLA2","country_code":"CO","admin1_id":3668578,)"
         R"("timezone":"America/Bogota","population":19223,"country_id":3686110,)"
         R"("country":"Colombia","admin1":"Santander"},)"
         R"({"id":5100776,"name":"Malaga","latitude":39.57261,"longitude":-75.05879,)"
         R"("elevation":32.0,"feature_code":"PPL","country_code":"US","timezone":"America/New_York",)"
         R"("country_id":6252001,"country":"Estados Unidos"}],"generationtime_ms":1.0340214})";
}

// A search that finds count places in Spain, "Lugar 1" (id 1001) and on; the
// first lies at latitude 1000, off the globe.
inline QByteArray MeteoManyPlaces(int count) {
  QByteArray results;
  for (int i = 1; i <= count; ++i) {
    const QByteArray n = QByteArray::number(i);
    results += QByteArray(i > 1 ? "," : "") + R"({"id":)" + QByteArray::number(1000 + i) +
               R"(,"name":"Lugar )" + n + R"(","latitude":)" +
               (i == 1 ? QByteArray("1000") : "40." + n) +
               R"(,"longitude":-3.5,"country_code":"ES","country":"España","admin1":"Madrid"})";
  }
  return R"({"results":[)" + results + R"(],"generationtime_ms":0.9})";
}

// What the search answers for a name it does not know.
inline QByteArray MeteoNoPlaces() { return R"({"generationtime_ms":0.6439686})"; }

// Current weather: rain from the south-west, metric or imperial units. The
// field named in without is missing.
inline QByteArray MeteoForecast(bool imperial = false, const QByteArray& without = "",
                                const QByteArray& code = "61") {
  QByteArray current =
      imperial ? R"("temperature_2m":61.5,"relative_humidity_2m":72,"weather_code":CODE,)"
                 R"("pressure_msl":1016.3,"wind_speed_10m":7.8,"wind_direction_10m":225)"
               : R"("temperature_2m":16.4,"relative_humidity_2m":72,"weather_code":CODE,)"
                 R"("pressure_msl":1016.3,"wind_speed_10m":12.6,"wind_direction_10m":225)";
  current.replace("CODE", code);
  const QByteArray units =
      imperial ? R"("temperature_2m":"°F","relative_humidity_2m":"%","weather_code":"wmo code",)"
                 R"("pressure_msl":"hPa","wind_speed_10m":"mp/h","wind_direction_10m":"°")"
               : R"("temperature_2m":"°C","relative_humidity_2m":"%","weather_code":"wmo code",)"
                 R"("pressure_msl":"hPa","wind_speed_10m":"km/h","wind_direction_10m":"°")";
  const QByteArray daily = imperial ? R"("temperature_2m_max":[66.0],"temperature_2m_min":[49.5])"
                                    : R"("temperature_2m_max":[18.9],"temperature_2m_min":[9.7])";
  QByteArray answer =
      R"({"latitude":36.72,"longitude":-4.42,"generationtime_ms":0.0432,"utc_offset_seconds":3600,)"
      R"("timezone":"Europe/Madrid","timezone_abbreviation":"CET","elevation":17.0,)"
      R"("current_units":{"time":"iso8601","interval":"seconds",)" +
      units + R"(},"current":{"time":"2026-12-07T19:00","interval":900,)" + current +
      R"(},"daily_units":{"time":"iso8601","temperature_2m_max":"°C","temperature_2m_min":"°C"},)"
      R"("daily":{"time":["2026-12-07"],)" +
      daily + "}}";
  // Renamed, the field is missing for a reader that looks for its name.
  if (!without.isEmpty()) answer.replace("\"" + without + "\":", "\"x_" + without + "\":");
  return answer;
}

}  // namespace weathertest
