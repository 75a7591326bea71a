// The menu and the desktop's own trash icon, through real GSettings.
#include "support/E2eProgram.h"

using namespace testsupport;
using E2eMenu = E2eTest;

TEST_F(E2eMenu, TheTrashIconIsHiddenWhileRunningSalirShowsItAndASystemEndOnlyWithoutStartAtLogIn) {
  E2eProgram p;
  // The desktop-icons extension's setting, its schema only in the test's own folder.
  const std::string dir = (p.home() / "schemas").string();
  ASSERT_EQ(Shell("cp '" + std::string(std::getenv("WW_SOURCE_DIR")) +
                  "/tests/data/gschemas/org.gnome.shell.extensions.ding.gschema.xml' '" + dir +
                  "/' && glib-compile-schemas '" + dir + "'"),
            0);
  const auto showTrash = [&] {
    std::string out;
    Shell(p.EnvPrefix() + "gsettings get org.gnome.shell.extensions.ding show-trash 2>&1", &out);
    return out.substr(0, out.find_last_not_of("\n ") + 1);
  };
  ASSERT_EQ(showTrash(), "true");
  ASSERT_TRUE(p.Start());
  EXPECT_TRUE(WaitFor([&] { return showTrash() == "false"; }, 3000)) << showTrash();
  ASSERT_TRUE(p.OpenMenu());
  Shell("xdotool key Up sleep 0.2 key Return");  // the last item, "Salir"
  ASSERT_TRUE(WaitFor([&] { return !p.Running(); }, 10000));
  EXPECT_EQ(showTrash(), "true");
  EXPECT_EQ(p.Option("Posición", "WasteWell_Left"), "4830");
  EXPECT_EQ(p.Option("Posición", "WasteWell_Top"), "2055");
  EXPECT_EQ(p.Option("Imagenes", "Imagen"), "ShapedFormEmpty");

  for (const bool atLogIn : {false, true}) {
    p.WriteOptions(std::string("[Settings]\r\nInicio Windows=") +
                   (atLogIn ? "Verdadero" : "Falso") + "\r\n");
    ASSERT_TRUE(p.Start());
    EXPECT_TRUE(WaitFor([&] { return showTrash() == "false"; }, 3000));
    EXPECT_EQ(p.Stop(SIGTERM), 0);
    EXPECT_EQ(showTrash(), atLogIn ? "false" : "true") << "at log-in: " << atLogIn;
  }
}
