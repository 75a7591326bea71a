// The command line and the display the program asks for, with the built program.
#include <utility>

#include "support/E2eProgram.h"

using namespace testsupport;
using E2eCommandLine = E2eTest;

TEST_F(E2eCommandLine, HelpVersionAndRefusalsEndWithTheirStatusAndWaylandSessionsUseX11) {
  E2eProgram p;
  // Its two outputs apart; env holds env(1)'s arguments, prefix a command before the program.
  const auto run = [&](const std::string& env, const std::string& args, std::string* err,
                       const std::string& prefix = "env") {
    std::string out;
    const int status = Shell(p.EnvPrefix() + " timeout 20 " + prefix + " " + env + " \"$WW_EXE\" " +
                                 args + " 2>'" + (p.home() / "stderr").string() + "'",
                             &out);
    *err = ReadFile(p.home() / "stderr");
    return std::make_pair(status, out);
  };
  const std::string usage = "Uso: WasteWell [--program-folder CARPETA]\n";
  std::string err;
  for (const char* help : {"--help", "-h"}) {
    const auto [status, out] = run("-u DISPLAY", help, &err);
    EXPECT_EQ(status, 0) << help;
    EXPECT_EQ(out.rfind(usage, 0), 0u) << out;
    EXPECT_EQ(err, "");
  }
  EXPECT_EQ(run("-u DISPLAY", "--version", &err),
            std::make_pair(0, std::string("WasteWell 5.8.0.8\n")));
  for (const char* wrong :
       {"--bogus", "extra", "--program-folder", "--program-folder=", "--version=2", "-platform"}) {
    EXPECT_EQ(run("", wrong, &err), std::make_pair(2, std::string())) << wrong;
    EXPECT_EQ(err.rfind(usage, 0), 0u) << wrong << ": " << err;
  }

  EXPECT_EQ(run("-u DISPLAY -u QT_QPA_PLATFORM WAYLAND_DISPLAY=wayland-0", "", &err).first, 1);
  EXPECT_EQ(err,
            "WasteWell necesita un servidor X11 y DISPLAY no está definida. En una sesión "
            "Wayland, active XWayland.\n");
  EXPECT_FALSE(std::filesystem::exists(p.folder() / "Options.ini"));

  WriteFile(p.home() / "file", "");
  const std::string below = (p.home() / "file/nuevo").string();
  EXPECT_EQ(run("", "--program-folder '" + below + "'", &err), std::make_pair(2, std::string()));
  EXPECT_EQ(err, "WasteWell: no se puede crear la carpeta del programa \"" + below + "\".\n");
  // Root's folder, for an unprivileged user.
  chmod(p.home().c_str(), 0755);
  EXPECT_EQ(run("", "--program-folder '" + p.home().string() + "'", &err,
                "setpriv --reuid=65534 --regid=65534 --clear-groups"),
            std::make_pair(2, std::string()));
  EXPECT_EQ(err, "WasteWell: no se puede escribir en la carpeta del programa \"" +
                     p.home().string() + "\".\n");

  // In a Wayland session the bin runs on XWayland.
  p.UnsetEnv("QT_QPA_PLATFORM");
  p.SetEnv("WAYLAND_DISPLAY", "wayland-0");
  p.SetEnv("XDG_SESSION_TYPE", "wayland");
  ASSERT_TRUE(p.Start()) << "no bin window on the X server";
  EXPECT_TRUE(p.Viewable());
  EXPECT_FALSE(p.Shape().isEmpty()) << "the shape is X11's";
  EXPECT_EQ(p.Stop(SIGTERM), 0);
  EXPECT_NE(p.Option("Settings", "Versión OS"), "");
}
