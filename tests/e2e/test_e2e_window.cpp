// The bin window on a real X server with openbox: command line, place, shape and ends.
#include <tuple>
#include <utility>

#include "support/E2eProgram.h"

using namespace testsupport;
namespace fs = std::filesystem;
using E2eWindow = E2eTest;
using E2ePackage = E2eTest;

TEST_F(E2eWindow, HelpVersionAndRefusalsEndWithTheirStatus) {
  E2eProgram p;
  WriteFile(p.home() / "file", "");
  const std::string usage = "Uso: WasteWell [--program-folder CARPETA]\n", home = p.home(),
                    below = home + "/file/nuevo";
  // What runs it, its arguments; exit code, output and error (the usage: at least begins so).
  std::vector<std::tuple<std::string, std::string, int, std::string, std::string>> rows = {
      {"env -u DISPLAY", "--help", 0, usage, ""},
      {"env -u DISPLAY", "-h", 0, usage, ""},
      {"env -u DISPLAY", "--version", 0, "WasteWell 5.8.0.8\n", ""},
      {"env -u DISPLAY -u QT_QPA_PLATFORM WAYLAND_DISPLAY=wayland-0", "", 1, "",
       "WasteWell necesita un servidor X11 y DISPLAY no está definida. En una sesión Wayland, "
       "active XWayland.\n"},
      {"env", "--program-folder '" + below + "'", 2, "",
       "WasteWell: no se puede crear la carpeta del programa \"" + below + "\".\n"},
      {"setpriv --reuid=65534 --regid=65534 --clear-groups", "--program-folder '" + home + "'", 2,
       "", "WasteWell: no se puede escribir en la carpeta del programa \"" + home + "\".\n"}};
  for (const char* wrong :
       {"--bogus", "extra", "--program-folder", "--program-folder=", "--version=2", "-platform"})
    rows.emplace_back("env", wrong, 2, "", usage);
  const auto same = [&](const std::string& got, const std::string& want) {
    return want == usage ? got.rfind(usage, 0) == 0 : got == want;
  };
  for (const auto& [before, args, status, out, err] : rows) {
    SCOPED_TRACE(before + " " + args);
    std::string shown;
    EXPECT_EQ(Shell(p.EnvPrefix() + " timeout 20 " + before + " \"$WW_EXE\" " + args + " 2>'" +
                        home + "/stderr'",
                    &shown),
              status);
    EXPECT_TRUE(same(shown, out)) << shown;
    EXPECT_TRUE(same(ReadFile(home + "/stderr"), err)) << ReadFile(home + "/stderr");
  }
  EXPECT_FALSE(fs::exists(p.folder() / "Options.ini"));
}

// Started in a Wayland session, it runs on XWayland; the icons extension's setting is real.
TEST_F(E2eWindow, AppearsShapedOnTheDesktopLayerInPlaceOfTheDesktopsTrashIconAndRunsOnce) {
  E2eProgram p;
  const std::string dir = (p.home() / "schemas").string();
  ASSERT_EQ(Shell("cp '" + std::string(std::getenv("WW_SOURCE_DIR")) +
                  "/tests/data/gschemas/org.gnome.shell.extensions.ding.gschema.xml' '" + dir +
                  "/' && glib-compile-schemas '" + dir + "'"),
            0);
  const auto showTrash = [&] {
    std::string out;
    Shell(p.EnvPrefix() + "gsettings get org.gnome.shell.extensions.ding show-trash 2>&1", &out);
    return Trimmed(out);
  };
  ASSERT_EQ(showTrash(), "true");
  p.SetEnv("QT_QPA_PLATFORM", "");  // as unset
  p.SetEnv("WAYLAND_DISPLAY", "wayland-0");
  p.SetEnv("XDG_SESSION_TYPE", "wayland");
  ASSERT_TRUE(p.Start()) << "no bin window on the X server";
  EXPECT_TRUE(WaitFor([&] { return showTrash() == "false"; }, 3000)) << showTrash();
  ASSERT_TRUE(WaitFor([&] { return p.Shape() == Silhouette("ImgDefaultEmpty"); }, 5000))
      << p.Shape().rectCount() << " rectangles";
  // On every workspace: openbox tells it by the desktop number, others by the state.
  std::string state;
  const auto onDesktopLayer = [&] {
    Shell("xprop -id " + std::to_string(p.window()) + " _NET_WM_STATE _NET_WM_DESKTOP", &state);
    for (const char* s : {"STATE_BELOW", "STATE_SKIP_TASKBAR", "STATE_SKIP_PAGER"})
      if (state.find(std::string("_NET_WM_") + s) == std::string::npos) return false;
    return state.find("_STICKY") != std::string::npos ||
           state.find("= 4294967295") != std::string::npos;
  };
  EXPECT_TRUE(WaitFor(onDesktopLayer, 3000)) << state;
  // The built-in place: left 4830, top 2055 twips.
  EXPECT_EQ(p.Geometry().topLeft(), QPoint(322, 137));

  // A second copy ends, writing nothing and leaving the icon hidden.
  const auto ini = p.folder() / "Options.ini";
  const auto written = fs::last_write_time(ini);
  EXPECT_EQ(
      Shell(p.EnvPrefix() + "timeout 5 \"$WW_EXE\" --program-folder '" + p.folder().string() + "'"),
      0);
  EXPECT_EQ(fs::last_write_time(ini), written);
  EXPECT_EQ(showTrash(), "false");

  ASSERT_TRUE(p.Salir());
  ASSERT_TRUE(WaitFor([&] { return !p.Running(); }, 10000));
  EXPECT_EQ(showTrash(), "true");
  for (const bool atLogIn : {false, true}) {
    p.WriteOptions(std::string("[Settings]\r\nInicio Windows=") +
                   (atLogIn ? "Verdadero" : "Falso") + "\r\n");
    ASSERT_TRUE(p.Start());
    EXPECT_TRUE(WaitFor([&] { return showTrash() == "false"; }, 3000));
    EXPECT_EQ(p.Stop(SIGTERM), 0);
    EXPECT_EQ(showTrash(), atLogIn ? "false" : "true") << "at log-in: " << atLogIn;
  }
}

TEST_F(E2eWindow, AStoredPictureAndPlaceComeBackAPlaceOffScreenDoesNotAndSignalsEndIt) {
  E2eProgram p;
  p.WriteOptions(
      "[Imagenes]\r\nImagen=ShapedFormModern\r\n[Posición]\r\nWasteWell_Left=1500\r\n"
      "WasteWell_Top=3000\r\nWasteWell_Width=5580\r\nWasteWell_Height=5085\r\n");
  ASSERT_TRUE(p.Start());
  EXPECT_TRUE(WaitFor([&] { return p.Geometry().topLeft() == QPoint(100, 200); }, 3000))
      << p.Geometry().x() << "," << p.Geometry().y();
  EXPECT_EQ(p.Shape(), Silhouette("ImgModern"));
  EXPECT_EQ(p.Stop(SIGTERM), 0);
  EXPECT_EQ(p.Option("Imagenes", "Imagen"), "ShapedFormModern");

  p.WriteOptions(
      "[Posición]\r\nWasteWell_Left=150000\r\nWasteWell_Top=-90000\r\n"
      "WasteWell_Width=0\r\nWasteWell_Height=0\r\n");
  ASSERT_TRUE(p.Start());
  EXPECT_EQ(p.Geometry(), QRect(322, 137, 372, 339));
  EXPECT_EQ(p.Stop(SIGINT), 0);
}

TEST_F(E2eWindow, AnyButtonDragsTheWindowOnlyWhileHeldAndThePopUpFollows) {
  for (const auto& [button, fixed] : {std::pair{1, false}, {3, false}, {1, true}}) {
    SCOPED_TRACE("button " + std::to_string(button) + (fixed ? ", fixed" : ""));
    E2eProgram p;
    if (fixed) p.WriteOptions("[Settings]\r\nNoMovePos=Verdadero\r\n");
    ASSERT_TRUE(p.Start());
    const QRect g = p.Geometry();
    const auto to = [&](int dx, int dy) { return p.PointAt(32 + dx, 40 + dy, g); };
    Shell("xdotool" + to(0, 0) + " sleep 0.3");
    ASSERT_TRUE(WaitFor([&] { return p.WindowWithRole("FormStatus") != 0; }, 3000));
    const QPoint below = Geometry(p.WindowWithRole("FormStatus")).topLeft() - g.topLeft();
    const std::string b = std::to_string(button);
    Shell("xdotool mousedown " + b + " sleep 0.2" + to(20, 10) + " sleep 0.2" + to(80, 60) +
          " sleep 0.2" + to(120, 90) + " sleep 0.3 mouseup " + b);
    QRect released;
    ASSERT_TRUE(Settled(released, [&] { return p.Geometry(); }));
    if (fixed) {
      EXPECT_EQ(released, g);
    } else {
      EXPECT_GT(released.x(), g.x() + 60) << released.x();
      EXPECT_GT(released.y(), g.y() + 40) << released.y();
    }
    // The pop-up came along below the bin while the button was held.
    EXPECT_EQ(Geometry(p.WindowWithRole("FormStatus")).topLeft() - released.topLeft(), below);
    // A drag is no click: the right button's menu stays shut.
    EXPECT_FALSE(p.MenuShown());
    // The bare pointer moves on after the release: the window stays.
    Shell("xdotool" + to(300, 250) + " sleep 0.2" + to(350, 300));
    EXPECT_FALSE(WaitFor([&] { return p.Geometry() != released; }, 1000))
        << "followed the pointer to " << p.Geometry().x() << "," << p.Geometry().y();
    EXPECT_EQ(p.Stop(SIGTERM), 0);
    EXPECT_EQ(p.Option("Posición", "WasteWell_Left"), std::to_string(released.x() * 15));
    EXPECT_EQ(p.Option("Posición", "WasteWell_Top"), std::to_string(released.y() * 15));
  }
}

// The installed program, whose folder it cannot write; the install's files: install_check.sh.
TEST_F(E2ePackage, RunsAsNobodyWithPerUserFilesAndStartsAtLogInByItsOwnPath) {
  TempDir work;
  const fs::path root = work / "root", usr = root / "usr";
  const std::string install = "cmake --install '" + std::string(std::getenv("WW_BUILD_DIR")) +
                              "' --prefix '" + usr.string() + "' 2>&1";
  std::string log;
  ASSERT_EQ(Shell(install, &log), 0) << log;

  E2eProgram p;
  p.SetInstalled(usr / "bin/wastewell");
  p.RunAs(65534, 65534);
  ASSERT_TRUE(p.Start());
  EXPECT_NE(p.Option("Settings", "Versión OS"), "");
  // Opciones > Iniciar con Windows.
  ASSERT_TRUE(
      p.Menu("Down Down Down Down sleep 0.2 key Right sleep 0.3 key Down Down Down "
             "sleep 0.2 key Return"));
  const fs::path entry = p.home() / "config/autostart/WasteWell.desktop";
  EXPECT_TRUE(WaitFor([&] { return fs::exists(entry); }, 5000));
  // Split as the session splits it: the installed program, and no folder of its own.
  std::string args;
  Shell("sed -n 's/^Exec=//p' '" + entry.string() + "' | xargs printf '%s\\n'", &args);
  EXPECT_EQ(args, (usr / "bin/wastewell").string() + "\n");
  EXPECT_EQ(p.Option("Settings", "Inicio Windows"), "Verdadero");
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}
