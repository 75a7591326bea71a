// Message boxes show on the window they belong to: the bin's on the bin, the
// update window's on the update window.
#include <QRect>
#include <sstream>

#include "support/E2eProgram.h"
#include "support/LocalHttpServer.h"
#include "support/QtApp.h"

using namespace testsupport;
using E2eMessageBoxes = E2eTest;

namespace {

// A window's place on the screen, as xwininfo gives it.
QRect Where(const std::string& id) {
  std::string out;
  Shell("xwininfo -id " + id, &out);
  const auto value = [&](const std::string& key) {
    const size_t at = out.find(key);
    return at == std::string::npos ? -1 : std::stoi(out.substr(at + key.size()));
  };
  return QRect(value("Absolute upper-left X:"), value("Absolute upper-left Y:"), value("Width:"),
               value("Height:"));
}

std::string Describe(const QRect& r) {
  std::ostringstream s;
  s << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
  return s.str();
}

// Centred, give or take the title bars.
void ExpectCentredOn(const QRect& box, const QRect& owner) {
  EXPECT_LE((box.center() - owner.center()).manhattanLength(), 40)
      << "box " << Describe(box) << " owner " << Describe(owner);
}

}  // namespace

TEST_F(E2eMessageBoxes, TheBinsAndTheUpdateWindowsBoxesAreCentredOnThem) {
  CoreApp();
  E2eProgram p;
  // A server that has gone: the update window's download fails at once.
  QString gone;
  {
    LocalHttpServer server;
    gone = server.Url("/descargas/updates/");
  }
  p.WriteOptions("[Servidores]\r\nActualizaciones=" + gone.toStdString() + "\r\n");
  ASSERT_TRUE(p.Start());

  // Ayuda, "Acerca de WasteWell".
  ASSERT_TRUE(p.OpenMenu());
  Shell("xdotool key Up sleep 0.2 key Up sleep 0.2 key Right sleep 0.3 key Return");
  std::string box;
  ASSERT_TRUE(SpinUntil([&] { return !(box = WindowNamed("^Acerca de")).empty(); }, 5000));
  SpinUntil([] { return false; }, 500);
  ExpectCentredOn(Where(box), p.Geometry());
  Shell("xdotool windowactivate --sync " + box + " sleep 0.2 key Return");
  ASSERT_TRUE(SpinUntil([&] { return WindowNamed("^Acerca de").empty(); }, 5000));

  // Ayuda, "Buscar actualizaciones".
  ASSERT_TRUE(p.OpenMenu());
  Shell(
      "xdotool key Up sleep 0.2 key Up sleep 0.2 key Right sleep 0.3 key Down sleep 0.2 key "
      "Return");
  ASSERT_TRUE(SpinUntil([&] { return !(box = WindowNamed("^Updates$")).empty(); }, 10000));
  SpinUntil([] { return false; }, 500);
  const std::string updates = WindowNamed("^Actualizar$");
  ASSERT_FALSE(updates.empty());
  const QRect owner = Where(updates);
  EXPECT_GT(owner.x() + owner.y(), 0) << "the update window itself sits in the corner";
  ExpectCentredOn(Where(box), owner);

  EXPECT_EQ(p.Stop(SIGTERM), 0);
}
