// Start at log-in (XDG autostart); the desktop's trash icon when its settings tools never answer.
#include <glib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/DesktopSession.h"
#include "support/TrashTestKit.h"

namespace {

using namespace testsupport;
namespace fs = std::filesystem;
using Args = std::vector<std::string>;

// What the session will start, read by GLib's desktop-entry and quoting rules.
Args ExecArgs(const fs::path& entry) {
  g_autoptr(GKeyFile) file = g_key_file_new();
  g_autofree gchar* exec = g_key_file_load_from_file(file, entry.c_str(), G_KEY_FILE_NONE, nullptr)
                               ? g_key_file_get_string(file, "Desktop Entry", "Exec", nullptr)
                               : nullptr;
  std::string line;
  for (const char* p = exec ? exec : ""; *p; p += p[0] == '%' && p[1] == '%' ? 2 : 1) line += *p;
  g_auto(GStrv) argv = nullptr;
  if (!exec || !g_shell_parse_argv(line.c_str(), nullptr, &argv, nullptr)) return {};
  return Args(argv, argv + g_strv_length(argv));
}

TEST(Autostart, EntryStartsTheProgramWhateverItsPathHoldsAndALineBreakIsRefused) {
  TempDir dir;
  ScopedEnv config("XDG_CONFIG_HOME", (dir / "config").string());
  const auto session = platform::MakeDesktopSession();
  const fs::path entry = dir / "config/autostart/WasteWell.desktop";
  EXPECT_FALSE(session->SetStartAtLogIn(true, "/bin/true\nExec=/tmp/evil"));
  EXPECT_FALSE(fs::exists(entry));
  const fs::path exe = dir / "Mis Programas \"q\" $HOME `id` 100% \\x 'y'\tz\nw" / "WasteWell";
  const fs::path folder = dir / "Datos $x" / "50%";
  ASSERT_TRUE(session->SetStartAtLogIn(true, platform::AutostartCommandLine(exe, folder)));
  EXPECT_EQ(ExecArgs(entry), (Args{exe.string(), "--program-folder", folder.string()}));
  EXPECT_TRUE(session->SetStartAtLogIn(false, ""));
  EXPECT_FALSE(fs::exists(entry));
}

// Gone, or a zombie waiting for whoever reaps orphans here.
bool Running(long pid) {
  return kill(static_cast<pid_t>(pid), 0) == 0 &&
         ReadFile("/proc/" + std::to_string(pid) + "/stat").find(") Z") == std::string::npos;
}

// dconf's bus never answers, xfconf-query waits on a child: both given up, on the second call too.
// Nemo's schema lacks the key (GLib would abort). GIO reads its environment once: in a child.
TEST(DesktopTrashIcon, HungSettingsToolsAreGivenUp) {
  TempDir dir;
  const fs::path schemas = dir / "schemas", pids = dir / "pids";
  const std::string ding = "org.gnome.shell.extensions.ding.gschema.xml";
  fs::create_directories(schemas);
  fs::copy_file(fs::path(std::getenv("WW_SOURCE_DIR")) / "tests/data/gschemas" / ding,
                schemas / ding);
  WriteFile(schemas / "nemo.gschema.xml",
            "<schemalist><schema id='org.nemo.desktop' path='/org/nemo/desktop/'><key "
            "name='show-desktop-icons' type='b'><default>true</default></key></schema>"
            "</schemalist>");
  ASSERT_EQ(std::system(("glib-compile-schemas " + schemas.string()).c_str()), 0);
  WriteFile(dir / "bin/xfconf-query",
            "#!/bin/sh\nsleep 300 & echo $$ $! > " + pids.string() + "\nwait\n");
  chmod((dir / "bin/xfconf-query").c_str(), 0755);
  const std::string bus = (dir / "bus").string();
  const int fd = ListeningSocket(bus);
  ASSERT_GE(fd, 0);
  const std::string out = RunInChild([&] {
    for (auto [name, value] : {std::pair<const char*, std::string>{"GSETTINGS_SCHEMA_DIR", schemas},
                               {"XDG_DATA_DIRS", dir / "data"},
                               {"XDG_CONFIG_HOME", dir / "config"},
                               {"XDG_RUNTIME_DIR", dir.path()},
                               {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + bus},
                               {"GSETTINGS_BACKEND", "dconf"},
                               {"PATH", (dir / "bin").string() + ":/usr/bin:/bin"}})
      setenv(name, value.c_str(), 1);
    const auto session = platform::MakeDesktopSession();
    std::string text = std::to_string(session->SetTrashIconHidden(true)) +
                       std::to_string(session->SetTrashIconHidden(false));
    long script = 0, child = 0;
    sscanf(ReadFile(pids).c_str(), "%ld %ld", &script, &child);
    // The grandchild is not ours to reap: killed is enough.
    for (int i = 0; i < 100 && Running(child); ++i) usleep(20000);
    return text + (Running(script) || Running(child) ? " still running" : " gone");
  });
  close(fd);
  EXPECT_EQ(out, "00 gone");
}

}  // namespace
