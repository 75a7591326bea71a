// The weather data panel against a server on 127.0.0.1, with the recording browser.
#include "WeatherForms.h"

namespace weathertest {
namespace {

struct Panel : WeatherForms {
  QPointer<FrmDataWeather> form;
  QString Page() const {
    return QString::fromStdString(testsupport::ReadFile(kit.folder / "weather.htm"));
  }
};

TEST_F(Panel, TheAnswerReachesThePageIntactEscapedAndWithoutScripts) {
  const QByteArray city = "M\xC3\xA1laga \xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2";
  Serve("/data/2.5/weather", OwmAnswer(city, "5", "<script>x()</script>"));
  Options(
      "codecity=1&x=2\r\nColor fondo=entreverado\r\nPa\xEDs=<b>ES</b>\r\n"
      "MetodoDatos=OpenWeatherMap\r\n");
  form = FrmDataWeather::Open(nullptr);
  Settle(form);
  ASSERT_TRUE(form && form->isVisible());
  EXPECT_EQ(server.targets, QStringList("/data/2.5/weather?id=1%26x%3D2&lang=es&units=metric"
                                        "&appid=0f3a9c5e7b1d4f6a8c2e0b9d7f5a3c1e&mode=xml"));
  EXPECT_TRUE(kit.browsers.at(0)->restricted) << "no scripts in a page of outside text";
  // The answer is kept where it always was, and the page is built from it.
  EXPECT_EQ(testsupport::ReadFile(kit.folder / "weather.xml"),
            OwmAnswer(city, "5", "<script>x()</script>").toStdString());
  const std::string bytes = testsupport::ReadFile(kit.folder / "weather.htm");
  EXPECT_NE(bytes.find(city.toStdString() + "</a>"), std::string::npos);
  EXPECT_EQ(Page().indexOf("<script>"), -1);
  for (const QString& shown :
       QStringList{"charset=utf-8", "/bg92.gif\")", "(&lt;b&gt;ES&lt;/b&gt;)", "&lt;script&gt;x()",
                   "Viento: 18 k/h<br>", QStringLiteral("Última act.: 2024-01-02T03:04:05 UTC")})
    EXPECT_TRUE(Page().contains(shown)) << shown.toStdString() << "\n" << Page().toStdString();
  // A second "More Info" changes nothing.
  EXPECT_EQ(FrmDataWeather::Open(nullptr), form.data());
  EXPECT_TRUE(server.targets.size() == 1 && kit.browsers.size() == 1u);
}

TEST_F(Panel, AValueNoWeatherHasIsABrokenAnswer) {
  Options("codecity=1234567\r\nMetodoDatos=OpenWeatherMap\r\n");
  const char* rows[][2] = {{"humidity value=\"81\"", "humidity value=\"1028\""},
                           {"pressure value=\"1013\"", "pressure value=\"101300\""},
                           {"temperature value=\"20.5\"", "temperature value=\"293.6\""},
                           {"speed value=\"5\"", "speed value=\"-4\""}};
  for (const auto& [good, bad] : rows) {
    kit.messages.clear();
    Serve("/data/2.5/weather", OwmAnswer().replace(good, bad));
    form = FrmDataWeather::Open(nullptr);
    Settle(form);
    ASSERT_EQ(kit.messages.size(), 1u) << bad;
    EXPECT_TRUE(kit.messages[0].text.startsWith("Ha habido algún error")) << bad;
    EXPECT_FALSE(Page().contains("Madrid")) << bad << "\n" << Page().toStdString();
    form->close();
  }
}

TEST_F(Panel, YahooCompassTextsAndAOneDigitConditionCode) {
  Options("MetodoDatos=Yahoo\r\nSistema=M\xE9trico\r\n");
  const char* rows[][3] = {{"360", "10", "N 10"}, {"360", "0", "en calma 0"}};
  for (const auto& row : rows) {
    Serve("/forecastrss", YahooFeed(row[0], row[1], "5"));
    form = FrmDataWeather::Open(nullptr);
    Settle(form);
    EXPECT_TRUE(Page().contains(QString("Viento: ") + row[2] + " km/h")) << Page().toStdString();
    EXPECT_TRUE(Page().contains("<img src=http://icons.test/52/5.gif align='left'>Mostly"));
    form->close();
  }
  EXPECT_TRUE(Page().contains("url(\"file:///") && Page().contains("/Rice_Field.jpg\")"));
}

TEST_F(Panel, ClosingDuringTheDownloadOrThePageWaitEndsBoth) {
  Serve("/forecastrss", YahooFeed(), 1000);
  Options("MetodoDatos=Yahoo\r\nSistema=M\xE9trico\r\n");
  form = FrmDataWeather::Open(nullptr);
  ASSERT_TRUE(testsupport::SpinUntil([&] { return server.targets.size() == 1; }, 4000));
  form->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(form);
  testsupport::SpinUntil([] { return false; }, 1500);  // the answer comes meanwhile
  EXPECT_TRUE(kit.messages.empty());
  EXPECT_EQ(Setting("oldcodecity"), "");

  // Now the page never finishes loading; the feed's texts are escaped all the same.
  Serve("/forecastrss", YahooFeed("45", "10", "28", "<script>x()</script>"));
  kit.browsers.clear();
  form = FrmDataWeather::Open(nullptr);
  kit.browsers.at(0)->busy = true;
  ASSERT_TRUE(testsupport::SpinUntil([&] { return !kit.browsers[0]->navigations.empty(); }, 4000));
  testsupport::SpinUntil([] { return false; }, 300);
  EXPECT_FALSE(form->isVisible()) << "shown only once the page is whole";
  form->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(form);
  EXPECT_EQ(Page().indexOf("<script>"), -1);
  EXPECT_TRUE(Page().contains("&lt;script&gt;x()") && Page().contains("Viento: NE 10 km/h"));
  EXPECT_EQ(Setting("oldcodecity"), "SPXX0050");
}

}  // namespace
}  // namespace weathertest
