// The update window and the end of the program: once the setup is handed to
// the desktop's opener the process goes, and "Salir" or SIGTERM during a
// stalled setup download end it too, without a half setup left behind.
#include <QElapsedTimer>

#include "support/E2eProgram.h"
#include "support/LocalHttpServer.h"
#include "support/QtApp.h"

using namespace testsupport;
using E2eUpdateEnd = E2eTest;

namespace {

const QByteArray kSetup = [] {
  QByteArray b;
  for (int i = 0; i < 40000; ++i) b += char(i * 7 + 3);
  return b;
}();

enum class End { Yes, Salir, SigTerm };

// Runs events for ms (the server answers meanwhile).
void Spin(int ms) {
  SpinUntil([] { return false; }, ms);
}

void Scenario(End end) {
  E2eProgram p;
  LocalHttpServer server;
  const QByteArray info =
      "999,1000,01/01/2030," + QByteArray::number(kSetup.size()) + ", 1/1/2030 \r\n";
  server.Set("/descargas/updates/WasteWell.txt", LocalHttpServer::Answer(200, info, "text/plain"));
  LocalHttpServer::Reply setup = LocalHttpServer::Answer(200, kSetup, "application/octet-stream");
  if (end != End::Yes) setup.stallAfter = 2000;
  server.Set("/descargas/WasteWell_setup.exe", setup);
  p.WriteOptions("[Servidores]\r\nActualizaciones=" +
                 server.Url("/descargas/updates/").toStdString() + "\r\n");
  const std::string opened = (p.home() / "opened.txt").string();
  WriteFile(p.home() / "bin/xdg-open", "#!/bin/sh\necho \"$1\" >> '" + opened + "'\n");
  chmod((p.home() / "bin/xdg-open").c_str(), 0755);
  ASSERT_TRUE(p.Start());

  // Ayuda, then its second item, "Buscar actualizaciones".
  ASSERT_TRUE(p.OpenMenu());
  Shell(
      "xdotool key Up sleep 0.2 key Up sleep 0.2 key Right sleep 0.3 key Down sleep 0.2 key "
      "Return");
  std::string id;
  ASSERT_TRUE(SpinUntil([&] { return !(id = WindowNamed("^Actualizar$")).empty(); }, 10000));
  // Away from the bin, so that its menu can still be reached.
  Shell("xdotool windowmove " + id + " 700 400");
  Spin(5800);  // the check button is enabled after five ticks
  ASSERT_GE(server.Requests("/descargas/updates/WasteWell.txt"), 1);
  Shell("xdotool windowactivate --sync " + id +
        " sleep 0.3 key Tab sleep 0.1 key Tab sleep 0.1 key space");
  std::string box;
  ASSERT_TRUE(SpinUntil([&] { return !(box = WindowNamed("^Updates$")).empty(); }, 5000));
  if (end == End::Yes) {
    // The offer holds its own window only: the bin's menu opens meanwhile.
    EXPECT_TRUE(p.OpenMenu()) << "the bin does not answer while the offer is up";
    Shell("xdotool key Escape sleep 0.3 windowactivate --sync " + box);
  }
  Shell("xdotool sleep 0.3 key Return");  // "Sí", the box's default
  QElapsedTimer since;
  since.start();
  const std::filesystem::path file = p.folder() / "updates" / "WasteWell_setup.exe";

  if (end == End::Yes) {
    EXPECT_TRUE(SpinUntil([&] { return !p.Running(); }, 2000))
        << "still running " << since.elapsed() << " ms after Sí";
    EXPECT_NE(ReadFile(opened).find("WasteWell_setup.exe"), std::string::npos);
    EXPECT_EQ(ReadFile(file), kSetup.toStdString());
    return;
  }
  ASSERT_TRUE(
      SpinUntil([&] { return server.Requests("/descargas/WasteWell_setup.exe") >= 1; }, 3000));
  Spin(500);
  ASSERT_TRUE(p.Running());
  if (end == End::Salir) {
    ASSERT_TRUE(p.OpenMenu());
    Shell("xdotool key Up sleep 0.2 key Return");  // the last item
    since.restart();
    EXPECT_TRUE(SpinUntil([&] { return !p.Running(); }, 2000))
        << "still running " << since.elapsed() << " ms after Salir";
  } else {
    EXPECT_EQ(p.Stop(SIGTERM, 2000), 0) << "still running 2 s after SIGTERM";
  }
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_TRUE(ReadFile(opened).empty());
  // The bin's own end ran as usual.
  EXPECT_EQ(p.Option("Imagenes", "Imagen"), "ShapedFormEmpty");
  EXPECT_FALSE(p.Option("Posición", "WasteWell_Left").empty());
}

}  // namespace

TEST_F(E2eUpdateEnd, TheProgramEndsOnceTheSetupIsHandedOver) {
  CoreApp();
  Scenario(End::Yes);
}

TEST_F(E2eUpdateEnd, SalirDuringAStalledSetupDownloadEndsIt) {
  CoreApp();
  Scenario(End::Salir);
}

TEST_F(E2eUpdateEnd, SigTermDuringAStalledSetupDownloadEndsIt) {
  CoreApp();
  Scenario(End::SigTerm);
}
