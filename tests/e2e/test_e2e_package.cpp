// The Debian package that CPack builds, unpacked into a folder of its own and
// started from there as an unprivileged user: an installed program, whose
// folder it cannot write.
#include <glib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "app/settings/ModIni.h"
#include "support/E2eProgram.h"

using testsupport::E2eProgram;
using testsupport::Shell;
namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;

class E2ePackage : public testsupport::E2eTest {
 protected:
  // One package for every case: building it is the slow part.
  static void SetUpTestSuite() {
    work_ = new testsupport::TempDir;
    chmod(work_->path().c_str(), 0755);
    const std::string build = std::getenv("WW_BUILD_DIR");
    const std::string log = (work_->path() / "cpack.log").string();
    built_ = Shell("cpack -G DEB --config '" + build + "/CPackConfig.cmake' -B '" +
                   (work_->path() / "out").string() + "' >'" + log + "' 2>&1 && dpkg -x " +
                   (work_->path() / "out").string() + "/wastewell_5.8.0.8_*.deb '" +
                   Root().string() + "'") == 0;
    if (!built_) log_ = testsupport::ReadFile(log);
  }
  static void TearDownTestSuite() { delete work_; }
  void SetUp() override {
    ASSERT_TRUE(built_) << log_;
    E2eTest::SetUp();
  }

  static fs::path Root() { return work_->path() / "root"; }
  static std::string Field(const char* name) {
    std::string out;
    Shell("dpkg-deb -f " + (work_->path() / "out").string() + "/wastewell_*.deb " + name, &out);
    return out;
  }

  static testsupport::TempDir* work_;
  static bool built_;
  static std::string log_;
};
testsupport::TempDir* E2ePackage::work_ = nullptr;
bool E2ePackage::built_ = false;
std::string E2ePackage::log_;

// The autostart entry's Exec line, split as the session splits it.
std::vector<std::string> AutostartArgs(const fs::path& entry) {
  std::unique_ptr<GKeyFile, decltype(&g_key_file_free)> file(g_key_file_new(), g_key_file_free);
  std::vector<std::string> args;
  if (!g_key_file_load_from_file(file.get(), entry.c_str(), G_KEY_FILE_NONE, nullptr)) return args;
  gchar* exec = g_key_file_get_string(file.get(), "Desktop Entry", "Exec", nullptr);
  gchar** argv = nullptr;
  if (exec && g_shell_parse_argv(exec, nullptr, &argv, nullptr))
    args.assign(argv, argv + g_strv_length(argv));
  g_strfreev(argv);
  g_free(exec);
  return args;
}

}  // namespace

TEST_F(E2ePackage, HoldsTheProgramItsFilesAndTheLibrariesItLinksAsDependencies) {
  const std::string depends = Field("Depends");
  for (const char* lib : {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libx11-6",
                          "libcanberra0", "libglib2.0-0", "libc6"})
    EXPECT_NE(depends.find(lib), std::string::npos) << lib << " in " << depends;
  EXPECT_EQ(Field("Version"), "5.8.0.8\n");

  const fs::path usr = Root() / "usr";
  for (const char* file :
       {"bin/wastewell", "share/wastewell/leame.txt", "share/wastewell/Reciclaje de Windows XP.wav",
        "share/applications/wastewell.desktop", "share/icons/hicolor/48x48/apps/wastewell.png",
        "share/metainfo/org.wastewell.WasteWell.metainfo.xml"})
    EXPECT_TRUE(fs::is_regular_file(usr / file)) << file;
  // Everything under assets/ ships, whatever it holds.
  const fs::path assets = fs::path(std::getenv("WW_SOURCE_DIR")) / "assets";
  for (const auto& entry : fs::directory_iterator(assets)) {
    if (entry.is_regular_file())
      EXPECT_TRUE(fs::exists(usr / "share/wastewell" / entry.path().filename())) << entry.path();
  }
  EXPECT_EQ(Shell("desktop-file-validate " + (usr / "share/applications/wastewell.desktop").string()),
            0);
}

TEST_F(E2ePackage, StartsFromItsFolderKeepsItsFilesPerUserAndStartsAtLogInByItsOwnPath) {
  E2eProgram p;
  const fs::path exe = Root() / "usr/bin/wastewell";
  p.SetInstalled(exe);
  p.RunAs(kNobody, kNobody);
  ASSERT_TRUE(p.Start());
  const std::string options = (p.UserFolder() / "Options.ini").string();
  EXPECT_NE(app::IniRead("Settings", "Versión OS", options), "");

  // Opciones > Iniciar con Windows.
  const QRect g = p.Geometry();
  Shell("xdotool mousemove " + std::to_string(g.x() + 32) + " " + std::to_string(g.y() + 40) +
        " click 3");
  ASSERT_TRUE(E2eProgram::WaitFor([&] { return !p.PopupWindows().empty(); }, 3000)) << "no menu";
  Shell("xdotool key Down Down Down Down sleep 0.2 key Right sleep 0.3 key Down Down Down "
        "sleep 0.2 key Return");
  const fs::path entry = p.home() / "config/autostart/WasteWell.desktop";
  EXPECT_TRUE(E2eProgram::WaitFor([&] { return fs::exists(entry); }, 5000));
  EXPECT_EQ(AutostartArgs(entry), std::vector<std::string>{exe.string()})
      << "the installed program, and no folder of its own";
  EXPECT_EQ(app::IniRead("Settings", "Inicio Windows", options), "Verdadero");

  EXPECT_EQ(p.Stop(SIGTERM), 0);
  EXPECT_EQ(app::IniRead("Posición", "WasteWell_Left", options), "4830");
  for (const auto& file : fs::recursive_directory_iterator(Root()))
    EXPECT_FALSE(file.path().filename() == "Options.ini") << file.path();
}
