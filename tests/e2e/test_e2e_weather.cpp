// The weather corner, end to end: Alt+W opens the map viewer on the image a
// server on 127.0.0.1 serves.
#include <gtest/gtest.h>
#include <signal.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>

#include "support/E2eProgram.h"
#include "support/LocalHttpServer.h"
#include "support/QtApp.h"

using testsupport::E2eProgram;
using testsupport::Shell;
using testsupport::SpinUntil;

namespace {
using E2eWeather = testsupport::E2eTest;

// A plain orange picture, as no satellite ever took.
QByteArray Satellite() {
  QImage img(855, 520, QImage::Format_RGB32);
  img.fill(QColor(255, 128, 0));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  img.save(&buffer, "JPG", 95);
  return bytes;
}

// The server runs on this process's event loop; no display connection of our own.
void CoreApp() {
  static int argc = 1;
  static char name[] = "e2e";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app = new QCoreApplication(argc, argv);
  (void)app;
}

bool Orange(QRgb p) { return qRed(p) > 235 && qGreen(p) > 108 && qGreen(p) < 148 && qBlue(p) < 30; }

}  // namespace

TEST_F(E2eWeather, AltWOpensTheViewerShowingTheServedImage) {
  CoreApp();
  testsupport::LocalHttpServer server;
  server.Set("/", testsupport::LocalHttpServer::Answer(200, "up"));
  server.Set("/WxImages/Satellite/europ.jpg",
             testsupport::LocalHttpServer::Answer(200, Satellite(), "image/jpeg"));
  E2eProgram p;
  // The check puts "https://" before any address that lacks it: host and port only.
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\n[Servidores]\r\nConexion=" +
                 server.Url("").mid(7).toStdString() +
                 "\r\nSatelite=" + server.Url("").toStdString() + "\r\n");
  ASSERT_TRUE(p.Start());
  Shell("xdotool keydown alt keydown w sleep 0.6 keyup w keyup alt");
  std::string id;
  ASSERT_TRUE(SpinUntil(
      [&] {
        id.clear();
        Shell("xdotool search --name 'Mapa del tiempo' 2>/dev/null | head -1", &id);
        return !id.empty();
      },
      20000));
  while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
  const std::string shot = (p.home() / "weather.png").string();
  int orange = 0;
  const bool shown = SpinUntil(
      [&] {
        if (Shell("import -window " + id + " " + shot + " 2>/dev/null") != 0) return false;
        const QImage img(QString::fromStdString(shot));
        orange = 0;
        for (int y = 0; y < img.height(); y += 4)
          for (int x = 0; x < img.width(); x += 4) orange += Orange(img.pixel(x, y));
        return orange > 5000;
      },
      30000);
  EXPECT_TRUE(shown) << orange << " orange samples";
  EXPECT_GE(server.Requests("/WxImages/Satellite/europ.jpg"), 1);
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}
