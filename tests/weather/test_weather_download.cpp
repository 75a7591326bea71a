// The weather download helpers against a server on 127.0.0.1.
#include "WeatherForms.h"

namespace weathertest {
namespace {

struct Download : WeatherForms {
  std::filesystem::path Xml() const { return kit.folder / "weather.xml"; }
};

TEST_F(Download, AFailedDownloadShowsTheMessageAndKeepsTextAndFile) {
  // An earlier answer in place is not read as the fresh one.
  testsupport::WriteFile(Xml(), "earlier answer");
  Values().downloadedText = "before";
  server.Set("/gone", LocalHttpServer::Answer(404, "not here"));
  Values().downloadAddress = server.Url("/gone");
  Fetch fetch;
  EXPECT_EQ(DownloadWeatherXml(fetch, nullptr), FetchResult::Failed);
  ASSERT_EQ(kit.messages.size(), 1u);
  EXPECT_EQ(kit.messages[0].title, "Error");
  EXPECT_EQ(Values().downloadedText, "before");
  EXPECT_EQ(testsupport::ReadFile(Xml()), "earlier answer");
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
