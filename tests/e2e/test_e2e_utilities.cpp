// The utilities' hot keys, end to end: each opens its window, the capture
// writes its file, the dictionary shows its start page and the weather viewer
// the image a server on 127.0.0.1 serves.
#include <algorithm>

#include "support/E2eProgram.h"
#include "support/LocalHttpServer.h"
#include "support/QtApp.h"
#include "support/SilentListener.h"

using namespace testsupport;
using E2eUtilities = E2eTest;

TEST_F(E2eUtilities, AltTXSDAndWOpenTheirUtilities) {
  CoreApp();
  E2eProgram p;
  const QByteArray jpeg = OrangeSatelliteJpeg();
  ASSERT_FALSE(jpeg.isEmpty());
  LocalHttpServer server;
  server.Set("/", LocalHttpServer::Answer(200, "up"));
  server.Set("/WxImages/Satellite/europ.jpg", LocalHttpServer::Answer(200, jpeg, "image/jpeg"));
  // The check puts "https://" before any address that lacks it: host and port only.
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\n[Servidores]\r\nConexion=" +
                 server.Url("").mid(7).toStdString() +
                 "\r\nSatelite=" + server.Url("").toStdString() + "\r\n");
  std::filesystem::copy_file(std::string(std::getenv("WW_SOURCE_DIR")) + "/assets/rae.htm",
                             p.folder() / "rae.htm");
  // The desktop's opener, as the program finds it: it notes what it was asked to open.
  const std::string opened = (p.home() / "opened.txt").string();
  WriteFile(p.home() / "bin/xdg-open", "#!/bin/sh\necho \"$1\" >> '" + opened + "'\n");
  chmod((p.home() / "bin/xdg-open").c_str(), 0755);
  ASSERT_TRUE(p.Start());

  HotKey('t');
  EXPECT_TRUE(WaitFor([] { return !WindowNamed("^TempDir$").empty(); }, 5000));
  HotKey('x');
  EXPECT_TRUE(WaitFor([] { return !WindowNamed("^Operaciones con carpetas$").empty(); }, 5000));
  HotKey('s');
  ASSERT_TRUE(WaitFor([] { return !WindowNamed("^Imagen guardada!$").empty(); }, 8000));
  EXPECT_EQ(ReadFile(p.folder() / "mysnap.jpg").substr(0, 3), "\xFF\xD8\xFF");
  Shell("xdotool sleep 0.3 key Return");  // the message box has the focus
  EXPECT_TRUE(
      WaitFor([&] { return ReadFile(opened).find("mysnap.jpg") != std::string::npos; }, 5000));

  HotKey('w');
  std::string id;
  ASSERT_TRUE(SpinUntil([&] { return !(id = WindowNamed("Mapa del tiempo")).empty(); }, 20000));
  const auto orange = [](QRgb c) {
    return qRed(c) > 235 && qGreen(c) > 108 && qGreen(c) < 148 && qBlue(c) < 30;
  };
  int n = 0;
  EXPECT_TRUE(
      SpinUntil([&] { return (n = CountPixels(id, p.home() / "w.png", orange)) > 5000; }, 30000))
      << n << " orange samples";
  EXPECT_GE(server.Requests("/WxImages/Satellite/europ.jpg"), 1);
  // The start page's sheet (#f7f7ff) on the window's own background (#c0c0ff).
  HotKey('d');
  ASSERT_TRUE(WaitFor([&] { return !(id = WindowNamed("Dicionario de la RAE")).empty(); }, 20000));
  const auto sheet = [](QRgb c) { return c == qRgb(247, 247, 255); };
  EXPECT_TRUE(WaitFor([&] { return CountPixels(id, p.home() / "rae.png", sheet) > 500; }, 30000));

  EXPECT_EQ(p.Stop(SIGTERM), 0);
}

// The check before the maps waits on a host that never answers: meanwhile the bin shows its
// pop-up and another hot key opens its window at once. Alt+W again adds no second check,
// and the one failure message comes when the check gives up.
TEST_F(E2eUtilities, WhileTheConnectivityCheckWaitsTheBinAndTheOtherHotKeysAnswer) {
  SilentListener silent;
  E2eProgram p;
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\n[Servidores]\r\nConexion=" + silent.At() +
                 "\r\n");
  ASSERT_TRUE(p.Start());
  const auto boxes = [] {
    std::string out;
    Shell("xdotool search --onlyvisible --name '^Error-Info WasteWell$' 2>/dev/null", &out);
    return std::count(out.begin(), out.end(), '\n');
  };

  HotKey('w');
  const QRect g = p.Geometry();
  Shell("xdotool mousemove " + std::to_string(g.x() + 30) + " " + std::to_string(g.y() + 40) +
        " sleep 0.2 mousemove " + std::to_string(g.x() + 32) + " " + std::to_string(g.y() + 42));
  EXPECT_TRUE(WaitFor(
      [&] {
        return p.Windows("xprop -id $w WM_WINDOW_ROLE").find("FormStatus") != std::string::npos;
      },
      1000))
      << "no pop-up while the check waits";
  HotKey('t');
  EXPECT_TRUE(WaitFor([] { return !WindowNamed("^TempDir$").empty(); }, 1000))
      << "Alt+T not answered while the check waits";
  HotKey('w');
  EXPECT_EQ(boxes(), 0) << "the check is still waiting";

  ASSERT_TRUE(WaitFor([&] { return boxes() > 0; }, 10000)) << "no failure message";
  WaitFor([] { return false; }, 1500);
  EXPECT_EQ(boxes(), 1) << "one check, one message";
  EXPECT_TRUE(WindowNamed("Mapa del tiempo").empty());
  Shell("xdotool sleep 0.3 key Return");  // the message box has the focus
  EXPECT_TRUE(WaitFor([&] { return boxes() == 0; }, 3000));
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}
