// The update window and the end of the program, which leaves no half setup behind.
#include "support/E2eProgram.h"
#include "support/LocalHttpServer.h"

using namespace testsupport;
using E2eUpdateEnd = E2eTest;

namespace {

const QByteArray kSetup = [] {
  QByteArray b;
  for (int i = 0; i < 40000; ++i) b += char(i * 7 + 3);
  return b;
}();

enum End { kYes, kSalir, kSigTerm };

// Centred once placed, give or take the title bars.
bool Centred(const std::string& box, const QRect& owner) {
  const unsigned long id = std::strtoul(box.c_str(), nullptr, 10);
  return WaitFor([&] { return (Geometry(id).center() - owner.center()).manhattanLength() <= 40; },
                 2000);
}

}  // namespace

TEST_F(E2eUpdateEnd, EndsOnceTheSetupIsHandedOverOrAtOnceDuringAStalledDownloadBoxesCentred) {
  CoreApp();
  for (const End end : {kYes, kSalir, kSigTerm}) {
    SCOPED_TRACE(end == kYes ? "Sí" : end == kSalir ? "Salir" : "SIGTERM");
    E2eProgram p;
    LocalHttpServer server;
    const QByteArray info =
        "999,1000,01/01/2030," + QByteArray::number(kSetup.size()) + ", 1/1/2030 \r\n";
    server.Set("/descargas/updates/WasteWell.txt",
               LocalHttpServer::Answer(200, info, "text/plain"));
    LocalHttpServer::Reply setup = LocalHttpServer::Answer(200, kSetup, "application/octet-stream");
    if (end != kYes) setup.stallAfter = 2000;
    server.Set("/descargas/WasteWell_setup.exe", setup);
    p.WriteOptions("[Servidores]\r\nActualizaciones=" +
                   server.Url("/descargas/updates/").toStdString() + "\r\n");
    const std::filesystem::path opened = p.NoteOpens();
    ASSERT_TRUE(p.Start());

    const std::string help = "Up sleep 0.2 key Up sleep 0.2 key Right sleep 0.3 key ";  // Ayuda
    if (end == kYes) {  // "Acerca de WasteWell"
      ASSERT_TRUE(p.Menu(help + "Return"));
      const std::string about = AwaitWindow("^Acerca de");
      EXPECT_TRUE(Centred(about, p.Geometry()));
      ASSERT_NE(Keys(about, "key Return"), "");
      ASSERT_TRUE(AwaitGone("^Acerca de"));
    }
    ASSERT_TRUE(p.Menu(help + "Down sleep 0.2 key Return"));  // "Buscar actualizaciones"
    const std::string id = AwaitWindow("^Actualizar$", 10000);
    ASSERT_NE(id, "");
    EXPECT_GT(Geometry(std::stoul(id)).topLeft().manhattanLength(), 0) << "in the corner";
    // Away from the bin, so that its menu can still be reached.
    Shell("xdotool windowmove " + id + " 700 400");
    Pause(5800);  // the check button is enabled after five ticks
    Shell("xdotool windowactivate --sync " + id +
          " sleep 0.3 key Tab sleep 0.1 key Tab sleep 0.1 key space");
    const std::string box = AwaitWindow("^Updates$");
    ASSERT_TRUE(Centred(box, Geometry(std::stoul(id)))) << "no box, or off centre: " << box;
    if (end == kYes) {
      // The offer holds its own window only: the bin's menu opens meanwhile.
      EXPECT_TRUE(p.OpenMenu()) << "the bin does not answer while the offer is up";
      Shell("xdotool key Escape sleep 0.3 windowactivate --sync " + box);
    }
    Shell("xdotool sleep 0.3 key Return");  // "Sí", the box's default
    const std::filesystem::path file = p.folder() / "updates" / "WasteWell_setup.exe";
    if (end == kYes) {
      EXPECT_NE(p.Stop(0, 2000), -1) << "still running 2 s after Sí";
      EXPECT_NE(ReadFile(opened).find("WasteWell_setup.exe"), std::string::npos);
      EXPECT_EQ(ReadFile(file), kSetup.toStdString());
      continue;
    }
    ASSERT_TRUE(
        WaitFor([&] { return server.Requests("/descargas/WasteWell_setup.exe") >= 1; }, 3000));
    Pause(500);
    ASSERT_TRUE(p.Running());
    ASSERT_TRUE(end != kSalir || p.Salir());
    const int code = p.Stop(end == kSalir ? 0 : SIGTERM, 2000);
    EXPECT_TRUE(end == kSalir ? code != -1 : code == 0) << "2 s after the end: " << code;
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_TRUE(ReadFile(opened).empty());
    // The bin's own end ran as usual.
    EXPECT_EQ(p.Option("Imagenes", "Imagen"), "ShapedFormEmpty");
    EXPECT_EQ(p.Option("Posición", "WasteWell_Left"), "4830");
  }
}
