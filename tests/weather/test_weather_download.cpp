// The weather download helpers against a server on 127.0.0.1.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

#include "app/settings/ModIni.h"
#include "support/LocalHttpServer.h"
#include "support/WebTestKit.h"
#include "weather/WeatherDownload.h"
#include "weather/WeatherValues.h"

using testsupport::LocalHttpServer;
using namespace weather;

namespace {

const QString kFailed = QStringLiteral(
    "Ha habido algún error, pruebe a cambiar de servidor a través de Mapas en 'Método de datos'");

struct Download : ::testing::Test {
  testsupport::WebTestKit kit;
  LocalHttpServer server;
  Fetch fetch;
  std::filesystem::path Xml() const { return kit.folder / "weather.xml"; }
  void TearDown() override { SetWaitTimeoutMs(15000); }
};

TEST_F(Download, AFailedDownloadShowsTheMessageAndKeepsTextAndFile) {
  Values().downloadedText = "before";
  Values().downloadAddress = "http://127.0.0.1:9/nothing";
  EXPECT_EQ(DownloadWeatherXml(fetch, nullptr), FetchResult::Failed);
  ASSERT_EQ(kit.messages.size(), 1u);
  EXPECT_EQ(kit.messages[0].text, kFailed);
  EXPECT_EQ(kit.messages[0].title, "Error");
  EXPECT_EQ(kit.messages[0].style, platform::kExclamation);
  EXPECT_EQ(Values().downloadedText, "before");
  EXPECT_FALSE(std::filesystem::exists(Xml()));

  // An earlier answer in place is not read as the fresh one.
  testsupport::WriteFile(Xml(), "earlier answer");
  server.Set("/gone", LocalHttpServer::Answer(404, "not here"));
  Values().downloadAddress = server.Url("/gone");
  EXPECT_EQ(DownloadWeatherXml(fetch, nullptr), FetchResult::Failed);
  EXPECT_EQ(kit.messages.size(), 2u);
  EXPECT_EQ(Values().downloadedText, "before");
  EXPECT_EQ(testsupport::ReadFile(Xml()), "earlier answer");
}

TEST_F(Download, AnAnswerArrivesByteForByteInFileAndText) {
  const QByteArray answer =
      "<city name=\"M\xC3\xA1laga Z\xC3\xBCrich "
      "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0\"/>\r\n\x01";
  server.Set("/data/2.5/weather", LocalHttpServer::Answer(200, answer, "text/xml"));
  testsupport::WriteFile(Xml(), "earlier answer that was longer than the new one, much longer");
  Values().downloadAddress = server.Url("/data/2.5/weather?id=1&mode=xml");
  EXPECT_EQ(DownloadWeatherXml(fetch, nullptr), FetchResult::Ok);
  EXPECT_TRUE(kit.messages.empty());
  EXPECT_EQ(Values().downloadedText, answer);
  EXPECT_EQ(testsupport::ReadFile(Xml()), answer.toStdString());
  // Fetched afresh each time, never from a cache.
  EXPECT_EQ(DownloadWeatherXml(fetch, nullptr), FetchResult::Ok);
  EXPECT_EQ(server.Requests("/data/2.5/weather"), 2);
}

TEST_F(Download, TheOldCityCodeComesFromTheForecastLink) {
  Values().downloadedText = "<link>http://w/forecast/ABCD1234_c.html</link>";
  EXPECT_TRUE(GetOldCodeCity());
  EXPECT_EQ(app::IniRead("Settings", "oldcodecity", app::OptionsFile()), "ABCD1234");
  Values().downloadedText = "<link>http://w/forecast/EFGH.html</link>";
  EXPECT_FALSE(GetOldCodeCity());
  EXPECT_EQ(app::IniRead("Settings", "oldcodecity", app::OptionsFile()), "ABCD1234");
}

TEST_F(Download, AWaitEndsOnTimeOutCancelOrItsOwnerGone) {
  LocalHttpServer::Reply slow = LocalHttpServer::Answer(200, "late");
  slow.delayMs = 4000;
  server.Set("/slow", slow);
  SetWaitTimeoutMs(300);
  QByteArray body;
  QElapsedTimer t;
  t.start();
  EXPECT_EQ(fetch.Get(server.Url("/slow"), &body), FetchResult::Failed);
  EXPECT_LT(t.elapsed(), 3000);

  SetWaitTimeoutMs(15000);
  QTimer::singleShot(100, &fetch, [&] { fetch.Cancel(); });
  EXPECT_EQ(fetch.Get(server.Url("/slow"), &body), FetchResult::Cancelled);
  EXPECT_FALSE(fetch.Running());

  // The owner destroyed inside its own wait, as a window closed meanwhile.
  auto* owner = new Fetch;
  QTimer::singleShot(100, [owner] { delete owner; });
  Values().downloadAddress = server.Url("/slow");
  EXPECT_EQ(DownloadWeatherXml(*owner, nullptr), FetchResult::Cancelled);
  EXPECT_TRUE(kit.messages.empty());
  EXPECT_FALSE(std::filesystem::exists(Xml()));
}

}  // namespace
