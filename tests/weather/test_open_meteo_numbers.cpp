// Numbers in the key-free source's answers that fit no integer are refused before any
// conversion (the fuzzer found a weather code of 1e300 and an id of 1e300 converted as such),
// and so are places off the globe (it found a place at latitude 1000 kept and asked for).
#include <gtest/gtest.h>

#include "support/OpenMeteoAnswers.h"
#include "weather/OpenMeteo.h"

TEST(OpenMeteoNumbers, ACodeOrAnIdBeyondAnyIntegerIsNoValue) {
  EXPECT_FALSE(weather::ParseOpenMeteoForecast(weathertest::MeteoForecast(false, "", "1e300"),
                                               false, false));
  EXPECT_FALSE(
      weather::ParseOpenMeteoForecast(weathertest::MeteoForecast(false, "", "-2"), false, false));
  EXPECT_TRUE(
      weather::ParseOpenMeteoForecast(weathertest::MeteoForecast(false, "", "61"), false, false));
  QByteArray answer = weathertest::MeteoPlaces();
  answer.replace("\"id\":2514256", "\"id\":1e300");
  const auto places = weather::ParseOpenMeteoPlaces(answer);
  ASSERT_TRUE(places);
  ASSERT_EQ(places->size(), 2);
  EXPECT_EQ(places->at(0).id, "3675443");

  const auto onGlobe = weather::ParseOpenMeteoPlaces(weathertest::MeteoManyPlaces(3));
  ASSERT_TRUE(onGlobe);
  ASSERT_EQ(onGlobe->size(), 2);
  EXPECT_EQ(onGlobe->at(0).latitude, "40.2");
  const auto offLongitude = weather::ParseOpenMeteoPlaces(
      weathertest::MeteoManyPlaces(2).replace("\"longitude\":-3.5", "\"longitude\":-180.5"));
  ASSERT_TRUE(offLongitude);
  EXPECT_TRUE(offLongitude->isEmpty());
}
