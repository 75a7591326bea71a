// The program as a screen reader sees it (over a real accessibility bus) and as a user
// without a mouse drives it.
#include <filesystem>
#include <string>

#include "support/E2eProgram.h"
#include "support/TempDir.h"

using namespace testsupport;
using E2eAccess = E2eTest;

namespace {

std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

// A session bus of the test's own with the accessibility bus launched on it, as a desktop
// session has; gone with the object.
class AccessBus {
 public:
  explicit AccessBus(const std::filesystem::path& dir)
      : address_("unix:path=" + (dir / "session-bus").string()) {
    Shell("dbus-daemon --session --address='" + address_ + "' --fork --print-pid", &busPid_);
    busPid_ = Trimmed(busPid_);
    Shell("DBUS_SESSION_BUS_ADDRESS='" + address_ +
              "' /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 & echo $!",
          &launcherPid_);
    launcherPid_ = Trimmed(launcherPid_);
    WaitFor(
        [&] {
          return Shell(Env() +
                       "dbus-send --session --print-reply "
                       "--dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress "
                       ">/dev/null 2>&1") == 0;
        },
        10000);
  }
  ~AccessBus() {
    for (const std::string& pid : {launcherPid_, busPid_})
      if (!pid.empty()) Shell("kill " + pid + " 2>/dev/null");
  }
  const std::string& address() const { return address_; }
  std::string Env() const { return "DBUS_SESSION_BUS_ADDRESS='" + address_ + "' "; }

 private:
  std::string address_, busPid_, launcherPid_;
};

// What the screen reader's side finds: the probe's output, or "exit N" when it failed.
std::string Probe(const AccessBus& bus, pid_t pid, const std::string& what) {
  std::string out;
  const int rc = Shell(bus.Env() + "/usr/bin/python3 '" + std::getenv("WW_SOURCE_DIR") +
                           "/tests/e2e/atspi_probe.py' " + std::to_string(pid) + " " + what,
                       &out);
  return rc == 0 ? Trimmed(out) : "exit " + std::to_string(rc) + ": " + out;
}

}  // namespace

// One run: the bin's name and description follow the trash; every window opened in turn has
// a name for each control; a hot key typed in our own search box types nothing there.
TEST_F(E2eAccess, TheBinTellsWhatTheTrashHoldsAndEveryControlHasAName) {
  E2eProgram p;
  AccessBus bus(p.home());
  p.SetEnv("DBUS_SESSION_BUS_ADDRESS", bus.address());
  p.SetEnv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\n");
  std::filesystem::copy_file(std::string(std::getenv("WW_SOURCE_DIR")) + "/assets/rae.htm",
                             p.folder() / "rae.htm");
  const auto trash = [&](const std::string& name) {
    WriteFile(p.home() / name, "xy");
    return Shell(p.EnvPrefix() + "trash-put '" + (p.home() / name).string() + "'");
  };
  ASSERT_EQ(trash("uno.txt"), 0);
  ASSERT_TRUE(p.Start());
  const pid_t pid = p.Pid();
  const auto bin = [&] { return Probe(bus, pid, "bin"); };
  ASSERT_TRUE(WaitFor([&] { return bin().find("1 objeto ") != std::string::npos; }, 10000))
      << bin();
  ASSERT_EQ(trash("dos.txt"), 0);
  EXPECT_TRUE(WaitFor([&] { return bin().find("2 objetos") != std::string::npos; }, 10000))
      << bin();

  // The pop-up, and every tool with a window of its own (the web windows but the dictionary
  // reach out to servers).
  const QRect g = p.Geometry();
  Shell("xdotool mousemove " + std::to_string(g.x() + 30) + " " + std::to_string(g.y() + 30) +
        " sleep 0.3 mousemove " + std::to_string(g.x() + 32) + " " + std::to_string(g.y() + 32));
  ASSERT_TRUE(p.OpenMenu());
  Shell("xdotool key Down Down Down Down Right sleep 0.3 key Up sleep 0.2 key Return");
  for (const char key : {'r', 't', 'x', 'd'}) HotKey(key);
  std::string windows;
  ASSERT_TRUE(WaitFor(
      [&] {
        windows = Probe(bus, pid, "windows");
        for (const char* title : {"Restaurar de la Papelera", "TempDir", "Operaciones con carpetas",
                                  "Dicionario de la RAE", "Vaciado automático", "Papelera"})
          if (windows.find(title) == std::string::npos) return false;
        return true;
      },
      30000))
      << windows;
  EXPECT_EQ(Probe(bus, pid, "unnamed"), "");

  // Alt+T in the restore window's search box opens the cleaner, and types nothing.
  Keys(WindowNamed("^TempDir$"), "key Escape");
  ASSERT_TRUE(WaitFor([] { return WindowNamed("^TempDir$").empty(); }, 5000));
  const std::string restore = WindowNamed("^Restaurar de la Papelera$");
  ASSERT_NE(restore, "");
  Keys(restore, "key ctrl+f type ab");
  HotKey('t');
  EXPECT_TRUE(WaitFor([] { return !WindowNamed("^TempDir$").empty(); }, 5000));
  EXPECT_EQ(Probe(bus, pid, "text Buscar"), "ab");
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}

// Without a mouse: the menu from the focused bin, the restore window from the menu, and in it
// a search, a choice, Enter to restore and Supr to ask; Enter on the bin asks to empty it.
TEST_F(E2eAccess, TheRestoreWindowIsDrivenByTheKeyboardAlone) {
  E2eProgram p;
  const auto trash = [&](const std::string& name) {
    WriteFile(p.home() / name, "xy");
    return Shell(p.EnvPrefix() + "trash-put '" + (p.home() / name).string() + "'");
  };
  for (const char* name : {"uno.txt", "dos.txt", "tres.txt"}) ASSERT_EQ(trash(name), 0);
  ASSERT_TRUE(p.Start());
  const std::string bin = std::to_string(p.window());
  const auto menuShown = [&] {
    return p.Windows("xwininfo -id $w").find("Override Redirect State: yes") != std::string::npos;
  };
  Keys(bin, "key shift+F10");
  ASSERT_TRUE(WaitFor(menuShown, 3000));
  // Utilidades, then its last item.
  Shell("xdotool key Down Down Down Right sleep 0.3 key Up sleep 0.2 key Return");
  std::string restore;
  ASSERT_TRUE(WaitFor(
      [&] { return !(restore = WindowNamed("^Restaurar de la Papelera$")).empty(); }, 5000));

  Keys(restore, "key ctrl+f type dos");
  Shell("xdotool sleep 0.5 key Down sleep 0.3 key Return");
  EXPECT_TRUE(WaitFor([&] { return std::filesystem::exists(p.home() / "dos.txt"); }, 5000));
  EXPECT_FALSE(std::filesystem::exists(p.home() / "uno.txt"));

  Shell("xdotool key ctrl+f type tres");
  Shell("xdotool sleep 0.5 key Down sleep 0.3 key Delete");
  std::string boxes;
  const auto asked = [&] {
    Shell("xdotool search --onlyvisible --name '^Restaurar de la Papelera$' | wc -l", &boxes);
    return Trimmed(boxes) == "2";
  };
  EXPECT_TRUE(WaitFor(asked, 5000)) << boxes;
  Shell("xdotool key Escape sleep 0.5");  // no
  EXPECT_FALSE(asked());
  Shell("xdotool key Escape");
  EXPECT_TRUE(WaitFor([] { return WindowNamed("^Restaurar de la Papelera$").empty(); }, 5000));

  // Enter on the bin asks, as a double-click does; Esc answers no.
  Keys(bin, "key Return");
  EXPECT_TRUE(WaitFor([] { return !WindowNamed("^Vaciar Papelera$").empty(); }, 5000));
  Shell("xdotool key Escape");
  EXPECT_TRUE(WaitFor([] { return WindowNamed("^Vaciar Papelera$").empty(); }, 5000));
  EXPECT_EQ(p.Stop(SIGTERM), 0);
  std::string left;
  Shell(p.EnvPrefix() + "trash-list | wc -l", &left);
  EXPECT_EQ(Trimmed(left), "2");
}
