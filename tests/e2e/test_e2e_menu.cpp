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

// The check marks are the options the program runs with, even when
// Options.ini cannot be written: each toggle turns its option on, then off.
TEST_F(E2eMenu, OptionsToggleOnAndOffWithAReadOnlyOptionsFile) {
  E2eProgram p;
  p.WriteOptions("[Settings]\r\n");
  chmod((p.folder() / "Options.ini").c_str(), 0444);
  const std::filesystem::path autostart = p.home() / "config/autostart/WasteWell.desktop";
  ASSERT_TRUE(p.Start());
  // "Opciones" is the fourth item; in it "Iniciar con Windows" the fourth and
  // "Habilitar Hotkeys" the fifth.
  const auto toggle = [&](int item) {
    ASSERT_TRUE(p.OpenMenu());
    std::string keys = "xdotool key Down Down Down Down Right sleep 0.3";
    for (int i = 1; i < item; ++i) keys += " key Down";
    Shell(keys + " sleep 0.2 key Return sleep 0.5");
  };
  const auto cleanerOpens = [&] {
    HotKey('t');
    const bool opened = WaitFor([] { return !WindowNamed("^TempDir$").empty(); }, 3000);
    if (opened) Keys(WindowNamed("^TempDir$"), "key Escape");
    return opened && WaitFor([] { return WindowNamed("^TempDir$").empty(); }, 3000);
  };
  for (const bool on : {true, false}) {
    SCOPED_TRACE(on ? "on" : "off");
    toggle(4);
    EXPECT_EQ(WaitFor([&] { return std::filesystem::exists(autostart); }, 2000), on);
    toggle(5);
    EXPECT_EQ(cleanerOpens(), on);
  }
  EXPECT_EQ(p.Option("Settings", "Hotkeys"), "");
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}
