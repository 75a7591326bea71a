// The command line and the display the program asks for, with the built
// program: help and version without a window, refusals with their exit status,
// and X11 through XWayland in a Wayland session.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "support/E2eProgram.h"

using testsupport::E2eProgram;
using testsupport::Shell;

namespace {
using E2eCommandLine = testsupport::E2eTest;

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

// The built program with these arguments, its two outputs apart; env holds
// the arguments of env(1) that change its environment.
Outcome RunBuilt(const E2eProgram& p, const std::string& env, const std::string& args) {
  const std::string err = (p.home() / "stderr").string();
  Outcome o;
  o.status = Shell(p.EnvPrefix() + " timeout 20 env " + env + " \"$WW_EXE\" " + args + " 2>'" +
                       err + "'",
                   &o.out);
  o.err = testsupport::ReadFile(err);
  return o;
}

const char* const kUsage = "Uso: WasteWell [--program-folder CARPETA]\n";
}  // namespace

TEST_F(E2eCommandLine, HelpAndVersionEndAtOnceAndAnUnknownOptionIsAnError) {
  E2eProgram p;
  for (const char* help : {"--help", "-h"}) {
    const Outcome o = RunBuilt(p, "-u DISPLAY", help);
    EXPECT_EQ(o.status, 0) << help;
    EXPECT_EQ(o.out.rfind(kUsage, 0), 0u) << o.out;
    EXPECT_NE(o.out.find("muestra la versión"), std::string::npos) << o.out;
    EXPECT_EQ(o.err, "");
  }
  const Outcome v = RunBuilt(p, "-u DISPLAY", "--version");
  EXPECT_EQ(v.status, 0);
  EXPECT_EQ(v.out, "WasteWell 5.8.0.8\n");

  for (const char* wrong : {"--bogus", "extra", "--program-folder", "--program-folder=",
                            "--version=2", "-platform"}) {
    const Outcome o = RunBuilt(p, "", wrong);
    EXPECT_EQ(o.status, 2) << wrong;
    EXPECT_EQ(o.out, "") << wrong;
    EXPECT_EQ(o.err.rfind(kUsage, 0), 0u) << wrong << ": " << o.err;
  }
  EXPECT_FALSE(std::filesystem::exists(p.folder() / "Options.ini"));
}

TEST_F(E2eCommandLine, AProgramFolderThatCannotBeUsedIsReportedBeforeAnythingStarts) {
  E2eProgram p;
  testsupport::WriteFile(p.home() / "file", "");
  const std::string below = (p.home() / "file/nuevo").string();
  Outcome o = RunBuilt(p, "", "--program-folder '" + below + "'");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err, "WasteWell: no se puede crear la carpeta del programa \"" + below + "\".\n");

  // Root's folder, for an unprivileged user.
  chmod(p.home().c_str(), 0755);
  const std::string rootOwned = p.home().string();
  const std::string nobody =
      p.EnvPrefix() + " timeout 20 setpriv --reuid=65534 --regid=65534 --clear-groups \"$WW_EXE\" "
                      "--program-folder '" + rootOwned + "' 2>&1";
  std::string out;
  EXPECT_EQ(Shell(nobody, &out), 2);
  EXPECT_EQ(out, "WasteWell: no se puede escribir en la carpeta del programa \"" + rootOwned +
                     "\".\n");
}

TEST_F(E2eCommandLine, WithoutAnXServerItSaysSoAndEndsInsteadOfHalfStarting) {
  E2eProgram p;
  const Outcome o = RunBuilt(p, "-u DISPLAY -u QT_QPA_PLATFORM WAYLAND_DISPLAY=wayland-0", "");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err,
            "WasteWell necesita un servidor X11 y DISPLAY no está definida. En una sesión "
            "Wayland, active XWayland.\n");
  EXPECT_FALSE(std::filesystem::exists(p.folder() / "Options.ini"));
}

TEST_F(E2eCommandLine, InAWaylandSessionTheBinRunsOnXWayland) {
  E2eProgram p;
  p.UnsetEnv("QT_QPA_PLATFORM");
  p.SetEnv("WAYLAND_DISPLAY", "wayland-0");
  p.SetEnv("XDG_SESSION_TYPE", "wayland");
  ASSERT_TRUE(p.Start()) << "no bin window on the X server";
  EXPECT_TRUE(p.Viewable());
  EXPECT_FALSE(p.Shape().isEmpty()) << "the shape is X11's";
  EXPECT_EQ(p.Stop(SIGTERM), 0);
  EXPECT_NE(p.Option("Settings", "Versión OS"), "");
}
