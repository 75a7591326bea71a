// The weather download helpers against a server on 127.0.0.1.
#include <optional>

#include "WeatherForms.h"

namespace weathertest {
namespace {

struct Download : WeatherForms {
  Fetch fetch;
  std::optional<std::pair<FetchResult, QByteArray>> got;
  std::filesystem::path Xml() const { return kit.folder / "weather.xml"; }
  void Start(Fetch& f, const QString& address) {
    got.reset();
    DownloadWeatherXml(f, address, nullptr,
                       [this](FetchResult r, const QByteArray& text) { got.emplace(r, text); });
  }
  FetchResult Get(const QString& address) {
    Start(fetch, address);
    EXPECT_TRUE(testsupport::SpinUntil([&] { return got.has_value(); }, 10000));
    return got ? got->first : FetchResult::Failed;
  }
};

TEST_F(Download, AFailedDownloadShowsTheMessageAndKeepsTheFile) {
  EXPECT_EQ(Get("http://127.0.0.1:9/nothing"), FetchResult::Failed);  // nothing listens there
  EXPECT_FALSE(std::filesystem::exists(Xml()));
  // An earlier answer in place is not read as the fresh one.
  testsupport::WriteFile(Xml(), "earlier answer");
  server.Set("/gone", LocalHttpServer::Answer(404, "not here"));
  EXPECT_EQ(Get(server.Url("/gone")), FetchResult::Failed);
  EXPECT_TRUE(got->second.isEmpty());
  ASSERT_EQ(kit.messages.size(), 2u);
  for (const auto& m : kit.messages)
    EXPECT_EQ(m.title + m.text, QStringLiteral("ErrorHa habido algún error, pruebe a cambiar de "
                                               "servidor a través de Mapas en 'Método de datos'"));
  EXPECT_EQ(testsupport::ReadFile(Xml()), "earlier answer");
}

TEST_F(Download, AUtf8AnswerArrivesByteForByteAndItsOldCityCodeIsStored) {
  const QByteArray answer =
      "<city name=\"M\xC3\xA1laga \xD0\x9C\xD0\xBE\"/>\r\n"
      "<link>http://w/forecast/ABCD1234_c.html</link>\x01";
  Serve("/data/2.5/weather", answer);
  testsupport::WriteFile(Xml(), "earlier answer that was longer than the new one, much longer");
  EXPECT_EQ(Get(server.Url("/data/2.5/weather?id=1&mode=xml")), FetchResult::Ok);
  EXPECT_TRUE(kit.messages.empty());
  EXPECT_EQ(got->second, answer);
  EXPECT_EQ(testsupport::ReadFile(Xml()), answer.toStdString());
  EXPECT_EQ(GetOldCodeCity(got->second), QString("ABCD1234"));
  EXPECT_EQ(Setting("oldcodecity"), "ABCD1234");
  EXPECT_FALSE(GetOldCodeCity("no link here"));
  EXPECT_EQ(Setting("oldcodecity"), "ABCD1234");
}

// As a window closed meanwhile: its answer is never taken, nothing is written or shown.
TEST_F(Download, ADownloadWhoseFetchGoesFirstEndsInNothing) {
  Serve("/slow", "late", 800);
  auto owner = std::make_unique<Fetch>();
  Start(*owner, server.Url("/slow"));
  Start(fetch, server.Url("/slow"));
  fetch.Cancel();
  testsupport::SpinUntil([&] { return !server.targets.isEmpty(); }, 4000);
  owner.reset();
  testsupport::SpinUntil([] { return false; }, 1500);
  EXPECT_FALSE(got);
  EXPECT_TRUE(kit.messages.empty());
  EXPECT_FALSE(std::filesystem::exists(Xml()));
}

}  // namespace
}  // namespace weathertest
