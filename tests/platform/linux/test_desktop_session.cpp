// Start at log-in as an XDG autostart entry; the desktop's trash icon through
// the desktops' real settings.
#include <glib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>

#include "platform/DesktopSession.h"
#include "platform/linux/DesktopTrashIcon.h"
#include "support/TempDir.h"

namespace {

using namespace testsupport;
namespace fs = std::filesystem;
using Args = std::vector<std::string>;

const char* const kDing = "org.gnome.shell.extensions.ding";

class AutostartTest : public ::testing::Test {
 protected:
  bool Start(bool on, const std::string& line) {
    return platform::MakeDesktopSession()->SetStartAtLogIn(on, line);
  }
  fs::path Entry() const { return dir_ / "config/autostart/WasteWell.desktop"; }
  // What the session will start, read by GLib's desktop-entry and quoting rules.
  Args ExecArgs() const {
    GKeyFile* file = g_key_file_new();
    gchar* exec = g_key_file_load_from_file(file, Entry().c_str(), G_KEY_FILE_NONE, nullptr)
                      ? g_key_file_get_string(file, "Desktop Entry", "Exec", nullptr)
                      : nullptr;
    std::string line;
    for (const char* p = exec ? exec : ""; *p; p += p[0] == '%' && p[1] == '%' ? 2 : 1) line += *p;
    gchar** argv = nullptr;
    Args args;
    if (exec && g_shell_parse_argv(line.c_str(), nullptr, &argv, nullptr))
      args.assign(argv, argv + g_strv_length(argv));
    g_strfreev(argv);
    g_free(exec);
    g_key_file_free(file);
    return args;
  }

  TempDir dir_;
  ScopedEnv config_{"XDG_CONFIG_HOME", (dir_ / "config").string()};
};

TEST_F(AutostartTest, EntryStartsTheProgramWhateverItsPathHoldsAndGoesWhenDeleted) {
  const fs::path exe = dir_ / "Mis Programas \"q\" $HOME `id` 100% \\x 'y'\tz\nw" / "WasteWell";
  const fs::path folder = dir_ / "Datos $x" / "50%";
  ASSERT_TRUE(Start(true, platform::AutostartCommandLine(exe, folder)));
  EXPECT_NE(ReadFile(Entry()).find("\nType=Application\n"), std::string::npos);
  EXPECT_EQ(ExecArgs(), (Args{exe.string(), "--program-folder", folder.string()}));

  // The session starts us from another folder.
  ASSERT_TRUE(Start(true, platform::AutostartCommandLine("rel/WasteWell", {})));
  EXPECT_EQ(ExecArgs(), Args{(fs::current_path() / "rel/WasteWell").string()});
  EXPECT_EQ(std::distance(fs::directory_iterator(Entry().parent_path()), {}), 1);
  EXPECT_TRUE(Start(false, ""));
  EXPECT_FALSE(fs::exists(Entry()));
  EXPECT_TRUE(Start(false, "")) << "nothing left to delete is no failure";
}

TEST_F(AutostartTest, UnsafeDataIsRefusedAndARelativeConfigHomeIgnored) {
  EXPECT_FALSE(Start(true, "/bin/true\nExec=/tmp/evil"));
  EXPECT_FALSE(Start(true, ""));
  EXPECT_FALSE(fs::exists(dir_ / "config"));
  WriteFile(dir_ / "config", "a file where the folder should be");
  EXPECT_FALSE(Start(true, "/opt/ww/WasteWell"));
  // A relative folder is no folder: the default under HOME is used.
  ScopedEnv home("HOME", (dir_ / "home").string());
  ScopedEnv relative("XDG_CONFIG_HOME", "relative/is/ignored");
  ASSERT_TRUE(Start(true, "/opt/ww/WasteWell"));
  EXPECT_TRUE(fs::exists(dir_ / "home/.config/autostart/WasteWell.desktop"));
}

// A test schema with one key.
std::string Schema(const std::string& id, const char* key, const char* type, const char* value) {
  std::string path = "/" + id + "/";
  for (char& c : path) c = c == '.' ? '/' : c;
  return "<schemalist><schema id='" + id + "' path='" + path + "'><key name='" + key + "' type='" +
         type + "'><default>" + value + "</default></key></schema></schemalist>";
}

// As `gsettings get` prints it, from a process of its own.
std::string Get(const std::string& schema, const char* key) {
  FILE* pipe =
      popen(("timeout 20 gsettings get " + schema + " " + key + " 2>/dev/null").c_str(), "r");
  char buffer[256] = {};
  if (!fgets(buffer, sizeof buffer, pipe)) buffer[0] = 0;
  pclose(pipe);
  return std::string(buffer, strcspn(buffer, "\n"));
}

std::string Icons() {
  return Get(kDing, "show-trash") + " " + Get("org.nemo.desktop", "trash-icon-visible") + " " +
         Get("org.mate.caja.desktop", "trash-icon-visible");
}

// Gone, or a zombie waiting for whoever reaps orphans here.
bool Running(long pid) {
  if (kill(static_cast<pid_t>(pid), 0) != 0) return false;
  const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  const size_t paren = stat.rfind(')');
  return paren == std::string::npos || stat.compare(paren, 3, ") Z") != 0;
}

// GIO reads its environment once per process, so each case runs in a child
// of its own, set up by Install before its first GIO call.
class DesktopIconTest : public ::testing::Test {
 protected:
  void InChild(const std::function<void()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
      body();
      std::fflush(stdout);
      _exit(HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
  }
  // The tests' ding schema and the given ones, and nothing of the system's;
  // values in a key file; xfconf-query a stand-in running the script given.
  void Install(const std::vector<std::string>& schemas, const std::string& xfconf) {
    for (const char* d : {"bin", "config", "data", "schemas"}) fs::create_directories(dir_ / d);
    const std::string ding = std::string(kDing) + ".gschema.xml";
    fs::copy_file(fs::path(std::getenv("WW_SOURCE_DIR")) / "tests/data/gschemas" / ding,
                  dir_ / "schemas" / ding);
    for (size_t i = 0; i < schemas.size(); ++i)
      WriteFile(dir_ / "schemas" / (std::to_string(i) + ".gschema.xml"), schemas[i]);
    ASSERT_EQ(std::system(("glib-compile-schemas " + (dir_ / "schemas").string()).c_str()), 0);
    // Always a stand-in: the machine's own xfconf-query would change the real
    // desktop of whoever runs the tests.
    WriteFile(dir_ / "bin/xfconf-query", "#!/bin/sh\n" + (xfconf.empty() ? "exit 1\n" : xfconf));
    chmod((dir_ / "bin/xfconf-query").c_str(), 0755);
    setenv("GSETTINGS_SCHEMA_DIR", (dir_ / "schemas").c_str(), 1);
    setenv("XDG_DATA_DIRS", (dir_ / "data").c_str(), 1);
    setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    setenv("GSETTINGS_BACKEND", "keyfile", 1);
    setenv("PATH", ((dir_ / "bin").string() + ":/usr/bin:/bin").c_str(), 1);
  }

  TempDir dir_;
};

TEST_F(DesktopIconTest, HiddenAndShownAsAnotherProcessSeesItAtOnce) {
  InChild([&] {
    Install({Schema("org.nemo.desktop", "trash-icon-visible", "b", "true"),
             Schema("org.mate.caja.desktop", "trash-icon-visible", "b", "true")},
            "echo \"$*\" >> " + (dir_ / "calls").string() + "\n");
    auto session = platform::MakeDesktopSession();
    EXPECT_TRUE(session->SetTrashIconHidden(true));
    EXPECT_EQ(Icons(), "false false false");
    EXPECT_TRUE(session->SetTrashIconHidden(false));
    EXPECT_EQ(Icons(), "true true true");
    // The reset gives the desktops their own default back, and leaves the keys next to ours.
    ASSERT_TRUE(session->SetTrashIconHidden(true));
    EXPECT_GT(platform::ResetDesktopTrashIcon(), 0);
    EXPECT_EQ(Icons() + " " + Get(kDing, "show-home"), "true true true true");
    EXPECT_EQ(ReadFile(dir_ / "config/glib-2.0/settings/keyfile").find("show-trash"),
              std::string::npos);
    const std::string set = "-c xfce4-desktop -p /desktop-icons/file-icons/show-trash ";
    EXPECT_EQ(ReadFile(dir_ / "calls"), set + "-n -t bool -s false\n" + set +
                                            "-n -t bool -s true\n" + set + "-n -t bool -s false\n" +
                                            set + "-r\n");
  });
}

TEST_F(DesktopIconTest, DesktopsWithoutTheSettingAreSkippedAndAHungXfconfIsGivenUp) {
  InChild([&] {
    g_log_set_always_fatal(static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING));
    // No Caja; a Nemo without the key; an xfconf-query that waits on a child of its own.
    const fs::path pids = dir_ / "pids";
    Install({Schema("org.nemo.desktop", "show-desktop-icons", "b", "true")},
            "sleep 300 & echo $$ $! > " + pids.string() + "\nwait\n");
    EXPECT_TRUE(platform::MakeDesktopSession()->SetTrashIconHidden(true));
    EXPECT_EQ(Get(kDing, "show-trash"), "false");
    EXPECT_EQ(Get("org.nemo.desktop", "show-desktop-icons"), "true");
    long script = 0, child = 0;
    ASSERT_EQ(sscanf(ReadFile(pids).c_str(), "%ld %ld", &script, &child), 2);
    EXPECT_FALSE(Running(script));
    // The grandchild is not ours to reap: killed is enough.
    for (int i = 0; i < 100 && Running(child); ++i) usleep(20000);
    EXPECT_FALSE(Running(child));
  });
}

TEST_F(DesktopIconTest, ASettingsServiceThatNeverAnswersIsNotWaitedFor) {
  InChild([&] {
    Install({}, "");
    // dconf's service is reached over this bus, which takes connections and never says a word.
    const std::string path = (dir_ / "bus").string();
    const int bus = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    ASSERT_EQ(bind(bus, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    listen(bus, 16);
    setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + path).c_str(), 1);
    setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1);
    setenv("GSETTINGS_BACKEND", "dconf", 1);
    auto session = platform::MakeDesktopSession();
    EXPECT_FALSE(session->SetTrashIconHidden(true));
    // The quit writes again, twice: that returns as well.
    EXPECT_FALSE(session->SetTrashIconHidden(false));
    EXPECT_FALSE(session->SetTrashIconHidden(false));
    EXPECT_EQ(Get(kDing, "show-trash"), "true");
  });
}

}  // namespace
