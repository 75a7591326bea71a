// The weather data panel against a server on 127.0.0.1, with the recording browser.
#include <QImage>

#include "WeatherForms.h"
#include "weather/WeatherText.h"

namespace weathertest {
namespace {

struct Panel : WeatherForms {
  QPointer<FrmDataWeather> form;
  void Open(QWidget* viewer = nullptr) { form = FrmDataWeather::Open(viewer); }
  QString Page() const {
    return QString::fromStdString(testsupport::ReadFile(kit.folder / "weather.htm"));
  }
};

TEST_F(Panel, TheAnswerReachesThePageIntactEscapedAndWithoutScripts) {
  const QByteArray city = "M\xC3\xA1laga Z\xC3\xBCrich \xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2";
  Serve("/data/2.5/weather", OwmAnswer(city, "5", "<script>x()</script>"));
  Options("codecity=1&x=2\r\nColor fondo=entreverado\r\nPa\xEDs=<b>ES</b>\r\n");
  Open();
  ASSERT_TRUE(form && form->isVisible());
  EXPECT_EQ(form->pos(), QPoint(2205 / 15, 1980 / 15));
  EXPECT_EQ(server.targets, QStringList("/data/2.5/weather?id=1%26x%3D2&lang=es&units=metric"
                                        "&appid=0f3a9c5e7b1d4f6a8c2e0b9d7f5a3c1e&mode=xml"));
  const platform::RecordingWebBrowser& browser = *kit.browsers.at(0);
  EXPECT_TRUE(browser.restricted) << "no scripts in a page of outside text";
  ASSERT_EQ(browser.navigations.size(), 1u);
  EXPECT_EQ(browser.navigations[0].address, (kit.folder / "weather.htm").c_str());
  EXPECT_EQ(browser.navigations[0].flags, 14) << "no history, no cache";
  const std::string bytes = testsupport::ReadFile(kit.folder / "weather.htm");
  EXPECT_NE(bytes.find(city.toStdString() + "</a>"), std::string::npos);
  const QString page = Page();
  EXPECT_EQ(page.indexOf("<script>"), -1);
  for (const QString shown :
       {"charset=utf-8", "url(bg92.gif)", "(&lt;b&gt;ES&lt;/b&gt;)", "&lt;script&gt;x()",
        "Temp: 20.5 &deg;C", "Viento: 18 k/h<br>", "<img src=http://owm.test/img/w/01d.png>"})
    EXPECT_TRUE(page.contains(shown)) << shown.toStdString() << "\n" << page.toStdString();
  EXPECT_EQ(FrmDataWeather::Open(nullptr), form.data()) << "a second More Info asks nothing";
  EXPECT_EQ(server.targets.size(), 1);
  form->move(300, 200);
  form->CmdUnload->click();
  EXPECT_EQ(Setting("Info_Left", "Posición") + Setting("Info_Top", "Posición"), "45003000");

  // Nothing stored but the units: asked by an empty city, in Spanish.
  Serve("/data/2.5/weather", OwmAnswer("Boston", "3"));
  Options("Sistema=Ingl\xE9s\r\n");
  Values() = WeatherValues();
  Open();
  EXPECT_TRUE(server.targets.back().contains("?q=,&lang=es&units=imperial&"));
  EXPECT_TRUE(Page().startsWith(PageHead(true)));
  EXPECT_TRUE(Page().contains("Temp: 20.5 &deg;F") && Page().contains("Viento: 3 mph"));
}

TEST_F(Panel, AFailedDownloadBuildsNoPageFromTheEarlierFile) {
  testsupport::WriteFile(kit.folder / "weather.xml", OwmAnswer("Oldtown").toStdString());
  server.Set("/data/2.5/weather", LocalHttpServer::Answer(503, "busy"));
  Open();
  ASSERT_EQ(kit.messages.size(), 1u);
  EXPECT_EQ(kit.messages[0].title, "Error");
  EXPECT_EQ(Page().indexOf("Oldtown"), -1);
  EXPECT_TRUE(form->isVisible());
}

TEST_F(Panel, YahooFeedCompassIconAndForecastLink) {
  Serve("/forecastrss", YahooFeed("45", "10", "5"));
  Options("MetodoDatos=Yahoo\r\ncodecity=766273\r\nSistema=M\xE9trico\r\n");
  Open();
  EXPECT_EQ(server.targets[0], "/forecastrss?w=766273&u=c");
  EXPECT_EQ(Setting("oldcodecity"), "SPXX0050");
  for (const QString shown :
       {"<a href=http://es.test/weather/today/SPXX0050  target='_blank'",
        "<img src=http://icons.test/52/5.gif align='left'>Mostly Cloudy<br>", "Viento: NE 10 km/h"})
    EXPECT_TRUE(Page().contains(shown)) << shown.toStdString();
  EXPECT_EQ(Values().city, "Madrid");
}

TEST_F(Panel, DockedInTheChosenTopCornerWhollyInsideTheViewer) {
  Serve("/data/2.5/weather", OwmAnswer());
  QWidget viewer;
  viewer.resize(12820 / 15, 8200 / 15);
  viewer.show();
  // The large layout's own place would be above the viewer's top.
  Options("codecity=1234567\r\nTama\xF1o=Grande\r\nPosdatos=arriba der\r\n");
  Open(&viewer);
  ASSERT_TRUE(form);
  EXPECT_EQ(form->parentWidget(), &viewer);
  EXPECT_EQ(form->pos(), QPoint(viewer.width() - form->width(), 0));
  form->close();
  EXPECT_EQ(Setting("Info_Left", "Posición"), "") << "docked, the place is the viewer's";
}

TEST_F(Panel, ClosingDuringTheDownloadOrThePageWaitEndsBoth) {
  Serve("/forecastrss", YahooFeed(), 5000);
  Options("MetodoDatos=Yahoo\r\n");
  QTimer::singleShot(200, [&] { FrmDataWeather::Current()->close(); });
  QElapsedTimer t;  // a hang guard: the answer would come after 5 s
  t.start();
  Open();
  EXPECT_LT(t.elapsed(), 4000);
  EXPECT_FALSE(form && form->isVisible());
  EXPECT_TRUE(kit.messages.empty());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(form);

  // Now the page never finishes loading: the close ends the wait.
  Serve("/forecastrss", YahooFeed());
  kit.browsers.clear();
  QTimer::singleShot(0, [&] { kit.browsers.at(0)->busy = true; });
  QTimer::singleShot(300, [&] { FrmDataWeather::Current()->close(); });
  t.restart();
  Open();
  EXPECT_LT(t.elapsed(), 4000);
  EXPECT_FALSE(form && form->isVisible());
}

TEST(PanelBackgrounds, BothPicturesShipAndDecode) {
  testsupport::App();
  const QString assets = qEnvironmentVariable("WW_SOURCE_DIR") + "/assets/";
  EXPECT_FALSE(QImage(assets + "Rice_Field.jpg").isNull());
  EXPECT_FALSE(QImage(assets + "bg92.gif").isNull());
}

}  // namespace
}  // namespace weathertest
