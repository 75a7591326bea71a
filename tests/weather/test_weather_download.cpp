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
  Values().downloadAddress = "http://127.0.0.1:9/nothing";
  EXPECT_EQ(DownloadWeatherXml(fetch, nullptr), FetchResult::Failed);
  ASSERT_EQ(kit.messages.size(), 1u);
  EXPECT_EQ(kit.messages[0].title, "Error");
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

TEST_F(Download, AnAnswerArrivesByteForByteInFileAndTextEachTimeAfresh) {
  const QByteArray answer =
      "<city name=\"M\xC3\xA1laga \xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0\"/>\r\n\x01";
  Serve("/data/2.5/weather", answer);
  testsupport::WriteFile(Xml(), "earlier answer that was longer than the new one, much longer");
  Values().downloadAddress = server.Url("/data/2.5/weather?id=1&mode=xml");
  EXPECT_EQ(DownloadWeatherXml(fetch, nullptr), FetchResult::Ok);
  EXPECT_EQ(DownloadWeatherXml(fetch, nullptr), FetchResult::Ok);
  EXPECT_EQ(server.Requests("/data/2.5/weather"), 2);
  EXPECT_TRUE(kit.messages.empty());
  EXPECT_EQ(Values().downloadedText, answer);
  EXPECT_EQ(testsupport::ReadFile(Xml()), answer.toStdString());
}

TEST_F(Download, AWaitEndsOnTimeOutCancelOrItsOwnerGone) {
  Serve("/slow", "late", 4000);
  QByteArray body;
  SetWaitTimeoutMs(300);  // Ok would mean the wait outlasted the answer's delay
  EXPECT_EQ(fetch.Get(server.Url("/slow"), &body), FetchResult::Failed);
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
}  // namespace weathertest
