// The menu, the hot keys and the desktop's own trash icon, end to end.
#include <gtest/gtest.h>
#include <signal.h>

#include "support/E2eProgram.h"

using testsupport::E2eProgram;
using testsupport::Shell;
using testsupport::Silhouette;

namespace {
using E2eMenu = testsupport::E2eTest;

std::string TrashList(const E2eProgram& p) {
  std::string out;
  Shell(p.EnvPrefix() + "trash-list 2>/dev/null", &out);
  return out;
}
}  // namespace

TEST_F(E2eMenu, AltVEmptiesAFullTrashWithTheHotKeysOn) {
  E2eProgram p;
  p.WriteOptions(
      "[Settings]\r\nHotkeys=Verdadero\r\nSin confirm=Verdadero\r\nSin barra=Verdadero\r\n");
  testsupport::WriteFile(p.home() / "a.txt", "a");
  testsupport::WriteFile(p.home() / "b.txt", "bb");
  ASSERT_EQ(Shell(p.EnvPrefix() + "trash-put '" + (p.home() / "a.txt").string() + "' '" +
                  (p.home() / "b.txt").string() + "'"),
            0);
  ASSERT_FALSE(TrashList(p).empty());
  ASSERT_TRUE(p.Start());
  const QRegion empty = Silhouette("ImgDefaultEmpty");
  ASSERT_TRUE(E2eProgram::WaitFor(
      [&] {
        const QRegion now = p.Shape();
        return !now.isEmpty() && now != empty;
      },
      5000))
      << "no poll has seen the full bin";
  Shell("xdotool keydown alt keydown v sleep 0.6 keyup v keyup alt");
  EXPECT_TRUE(E2eProgram::WaitFor([&] { return TrashList(p).empty(); }, 5000)) << TrashList(p);
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}

TEST_F(E2eMenu, RightClickOpensTheMenuAndSalirEndsTheProgram) {
  E2eProgram p;
  ASSERT_TRUE(p.Start());
  const QRect g = p.Geometry();
  Shell("xdotool mousemove " + std::to_string(g.x() + 32) + " " + std::to_string(g.y() + 40) +
        " click 3");
  ASSERT_TRUE(E2eProgram::WaitFor([&] { return !p.PopupWindows().empty(); }, 3000)) << "no menu";
  // The last item, "Salir".
  Shell("xdotool key Up sleep 0.2 key Return");
  EXPECT_TRUE(E2eProgram::WaitFor([&] { return !p.Running(); }, 10000));
  EXPECT_EQ(p.Option("Posición", "WasteWell_Left"), "4830");
  EXPECT_EQ(p.Option("Posición", "WasteWell_Top"), "2055");
  EXPECT_EQ(p.Option("Imagenes", "Imagen"), "ShapedFormEmpty");
}

namespace {
// The desktop-icons extension's setting, installed only in the program's
// private schema folder.
std::string ShowTrash(const E2eProgram& p) {
  std::string out;
  Shell(p.EnvPrefix() + "gsettings get org.gnome.shell.extensions.ding show-trash 2>&1", &out);
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

void InstallDingSchema(const E2eProgram& p) {
  const std::string src = std::string(std::getenv("WW_SOURCE_DIR")) +
                          "/tests/data/gschemas/org.gnome.shell.extensions.ding.gschema.xml";
  const std::string dir = (p.home() / "schemas").string();
  ASSERT_EQ(Shell("cp '" + src + "' '" + dir + "/' && glib-compile-schemas '" + dir + "'"), 0);
}
}  // namespace

TEST_F(E2eMenu, TheDesktopsTrashIconIsHiddenWhileRunningAndShownAfterSalir) {
  E2eProgram p;
  InstallDingSchema(p);
  ASSERT_EQ(ShowTrash(p), "true");
  ASSERT_TRUE(p.Start());
  EXPECT_TRUE(E2eProgram::WaitFor([&] { return ShowTrash(p) == "false"; }, 3000)) << ShowTrash(p);
  const QRect g = p.Geometry();
  Shell("xdotool mousemove " + std::to_string(g.x() + 32) + " " + std::to_string(g.y() + 40) +
        " click 3");
  ASSERT_TRUE(E2eProgram::WaitFor([&] { return !p.PopupWindows().empty(); }, 3000));
  Shell("xdotool key Up sleep 0.2 key Return");
  ASSERT_TRUE(E2eProgram::WaitFor([&] { return !p.Running(); }, 10000));
  EXPECT_EQ(ShowTrash(p), "true");
}

TEST_F(E2eMenu, AnEndByTheSystemKeepsTheIconHiddenOnlyWithStartAtLogIn) {
  for (const bool atLogIn : {true, false}) {
    E2eProgram p;
    InstallDingSchema(p);
    p.WriteOptions(std::string("[Settings]\r\nInicio Windows=") +
                   (atLogIn ? "Verdadero" : "Falso") + "\r\n");
    ASSERT_TRUE(p.Start());
    EXPECT_TRUE(E2eProgram::WaitFor([&] { return ShowTrash(p) == "false"; }, 3000));
    EXPECT_EQ(p.Stop(SIGTERM), 0);
    EXPECT_EQ(ShowTrash(p), atLogIn ? "false" : "true") << "at log-in: " << atLogIn;
  }
}
