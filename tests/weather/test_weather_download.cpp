// The weather download helpers against a server on 127.0.0.1.
#include "WeatherForms.h"

namespace weathertest {
namespace {

struct Download : WeatherForms {
  Fetch fetch;
  std::filesystem::path Xml() const { return kit.folder / "weather.xml"; }
};

TEST_F(Download, AFailedDownloadShowsTheMessageAndKeepsTextAndFile) {
  Values().downloadedText = "before";
  Values().downloadAddress = "http://127.0.0.1:9/nothing";  // nothing listens there
  EXPECT_EQ(DownloadWeatherXml(fetch, nullptr), FetchResult::Failed);
  EXPECT_FALSE(std::filesystem::exists(Xml()));
  // An earlier answer in place is not read as the fresh one.
  testsupport::WriteFile(Xml(), "earlier answer");
  server.Set("/gone", LocalHttpServer::Answer(404, "not here"));
  Values().downloadAddress = server.Url("/gone");
  EXPECT_EQ(DownloadWeatherXml(fetch, nullptr), FetchResult::Failed);
  ASSERT_EQ(kit.messages.size(), 2u);
  for (const auto& m : kit.messages)
    EXPECT_EQ(m.title + m.text, QStringLiteral("ErrorHa habido algún error, pruebe a cambiar de "
                                               "servidor a través de Mapas en 'Método de datos'"));
  EXPECT_EQ(Values().downloadedText, "before");
  EXPECT_EQ(testsupport::ReadFile(Xml()), "earlier answer");
}

TEST_F(Download, AUtf8AnswerArrivesByteForByteAndItsOldCityCodeIsStored) {
  const QByteArray answer =
      "<city name=\"M\xC3\xA1laga \xD0\x9C\xD0\xBE\"/>\r\n"
      "<link>http://w/forecast/ABCD1234_c.html</link>\x01";
  Serve("/data/2.5/weather", answer);
  testsupport::WriteFile(Xml(), "earlier answer that was longer than the new one, much longer");
  Values().downloadAddress = server.Url("/data/2.5/weather?id=1&mode=xml");
  EXPECT_EQ(DownloadWeatherXml(fetch, nullptr), FetchResult::Ok);
  EXPECT_TRUE(kit.messages.empty());
  EXPECT_EQ(Values().downloadedText, answer);
  EXPECT_EQ(testsupport::ReadFile(Xml()), answer.toStdString());
  EXPECT_TRUE(GetOldCodeCity());
  EXPECT_EQ(Setting("oldcodecity"), "ABCD1234");
}

TEST_F(Download, AWaitEndsWhenItsOwnerIsDestroyedInside) {
  Serve("/slow", "late", 4000);
  // As a window closed meanwhile.
  auto* owner = new Fetch;
  QTimer::singleShot(100, [owner] { delete owner; });
  Values().downloadAddress = server.Url("/slow");
  EXPECT_EQ(DownloadWeatherXml(*owner, nullptr), FetchResult::Cancelled);
  EXPECT_TRUE(kit.messages.empty());
  EXPECT_FALSE(std::filesystem::exists(Xml()));
}

}  // namespace
}  // namespace weathertest
