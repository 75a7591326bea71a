// The installed program, whose folder it cannot write; the install's files: install_check.sh.
#include "support/E2eProgram.h"

using namespace testsupport;
namespace fs = std::filesystem;
using E2ePackage = E2eTest;

TEST_F(E2ePackage, RunsAsNobodyWithPerUserFilesAndStartsAtLogInByItsOwnPath) {
  TempDir work;
  chmod(work.path().c_str(), 0755);
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
