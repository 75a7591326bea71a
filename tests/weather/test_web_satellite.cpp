// The viewer with the engine under the test X server, its picture from a map service on
// 127.0.0.1: a JPEG shows; an answer that is no picture, or one that never comes, leaves the
// viewer as a missing picture always did: open, quiet, without the picture.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QUrlQuery>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "support/LocalHttpServer.h"
#include "support/WebTestKit.h"
#include "weather/FrmWeather.h"
#include "weather/SatelliteWms.h"
#include "weather/WeatherDownload.h"

using testsupport::LocalHttpServer;
using testsupport::SpinUntil;
using weather::FrmWeather;

namespace {

// The picture's width as the page has it; 0 for none.
int PictureWidth(FrmWeather& viewer) {
  auto* page = static_cast<QWebEngineView*>(viewer.WebBrowser1->Widget())->page();
  int width = -1;
  page->runJavaScript("document.images.length ? document.images[0].naturalWidth : -2",
                      [&](const QVariant& v) { width = v.toInt(); });
  SpinUntil([&] { return width != -1; }, 5000);
  return width;
}

TEST(WebSatellite, AJpegShowsAndAnythingElseLeavesTheViewerWithoutItsPicture) {
  ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run under scripts/test.sh (Xvfb)";
  testsupport::WebTestKit kit(false);
  LocalHttpServer server;
  QImage picture(855, 520, QImage::Format_RGB32);
  picture.fill(QColor(255, 128, 0));
  const std::string jpegPath = (kit.folder / "sat.jpg").string();
  ASSERT_TRUE(picture.save(QString::fromStdString(jpegPath), "JPG"));
  const QByteArray jpeg = QByteArray::fromStdString(testsupport::ReadFile(jpegPath));
  kit.Options("[Servidores]\r\nSateliteWMS=" + server.Url("/wms").toStdString() +
              "\r\n[Settings]\r\nMaps=Jap\xF3n\r\n");

  auto error = LocalHttpServer::Answer(
      200,
      "<?xml version=\"1.0\"?><ServiceExceptionReport version=\"1.3.0\"><ServiceException>"
      "Invalid layer</ServiceException></ServiceExceptionReport>",
      "text/xml");
  auto late = LocalHttpServer::Answer(200, jpeg, "image/jpeg");
  late.delayMs = 20000;
  const std::pair<LocalHttpServer::Reply, int> answers[] = {
      {LocalHttpServer::Answer(200, jpeg, "image/jpeg"), 855}, {error, 0}, {late, 0}};
  weather::SetWaitTimeoutMs(800);  // for the late one: 15 s in use
  for (const auto& [answer, width] : answers) {
    server.Set("/wms", answer);
    QElapsedTimer t;
    t.start();
    QPointer<FrmWeather> viewer = FrmWeather::Open();
    SpinUntil([&] { return viewer->isVisible(); }, 5000);
    ASSERT_TRUE(viewer && viewer->isVisible());
    EXPECT_LT(t.elapsed(), 8000) << "a hang guard: the late picture comes after 20 s";
    EXPECT_TRUE(SpinUntil([&] { return !viewer->WebBrowser1->Busy(); }, 5000));
    EXPECT_EQ(PictureWidth(*viewer), width);
    EXPECT_TRUE(kit.messages.empty());
    viewer->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  // Every GetMap asked for Japan's box in the infrared, at the large picture's size, in JPEG.
  ASSERT_EQ(server.Requests("/wms"), 3);
  const QUrlQuery asked(QUrl(server.targets[0]).query());
  const QUrlQuery expected(
      QUrl(weather::WmsGetMapAddress("/wms", "chjap", 855, 520, QDate(2026, 1, 1))).query());
  for (const char* key : {"LAYERS", "CRS", "BBOX", "WIDTH", "HEIGHT", "FORMAT"})
    EXPECT_EQ(asked.queryItemValue(key), expected.queryItemValue(key)) << key;
  weather::SetWaitTimeoutMs(15000);
}

}  // namespace
