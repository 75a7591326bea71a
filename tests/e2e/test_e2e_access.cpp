// The program as a screen reader sees it (over a real accessibility bus) and as a user
// without a mouse drives it.
#include <filesystem>
#include <string>

#include "support/E2eProgram.h"
#include "support/TempDir.h"

using namespace testsupport;
using E2eAccess = E2eTest;

namespace {

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

// One run: the bin's name and description follow the trash; without a mouse, the menu opens
// from the focused bin, the restore window from the menu, and in it a search, a choice and
// Enter restore; Enter on the bin asks to empty it; every window opened in turn has a name for
// each control; a hot key typed in our own search box types nothing there.
TEST_F(E2eAccess, TheBinTellsWhatTheTrashHoldsTheKeysAloneDriveItAndEveryControlHasAName) {
  E2eProgram p;
  AccessBus bus(p.home());
  p.SetEnv("DBUS_SESSION_BUS_ADDRESS", bus.address());
  p.SetEnv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\n");
  std::filesystem::copy_file(std::string(std::getenv("WW_SOURCE_DIR")) + "/assets/rae.htm",
                             p.folder() / "rae.htm");
  ASSERT_TRUE(p.TrashPut("uno.txt"));
  ASSERT_TRUE(p.Start());
  const pid_t pid = p.Pid();
  const auto bin = [&](const char* says) {
    std::string now;
    return WaitFor([&] { return (now = Probe(bus, pid, "bin")).find(says) != std::string::npos; },
                   10000)
               ? ::testing::AssertionSuccess()
               : ::testing::AssertionFailure() << now;
  };
  ASSERT_TRUE(bin("1 objeto "));
  ASSERT_TRUE(p.TrashPut("dos.txt"));
  EXPECT_TRUE(bin("2 objetos"));

  const std::string binWindow = std::to_string(p.window());
  Keys(binWindow, "key shift+F10");
  ASSERT_TRUE(WaitFor([&] { return p.MenuShown(); }, 3000));
  // Utilidades, then its last item.
  Shell("xdotool key Down Down Down Right sleep 0.3 key Up sleep 0.2 key Return");
  std::string restore = AwaitWindow("^Restaurar de la Papelera$");
  ASSERT_NE(restore, "");
  Keys(restore, "key ctrl+f type dos");
  Shell("xdotool sleep 0.5 key Down sleep 0.3 key Return");
  EXPECT_TRUE(WaitFor([&] { return std::filesystem::exists(p.home() / "dos.txt"); }, 5000));
  EXPECT_FALSE(std::filesystem::exists(p.home() / "uno.txt"));
  EXPECT_TRUE(bin("1 objeto "));
  Shell("xdotool key Escape");
  EXPECT_TRUE(AwaitGone("^Restaurar de la Papelera$"));
  // Enter on the bin asks, as a double-click does; Esc answers no.
  Keys(binWindow, "key Return");
  EXPECT_NE(AwaitWindow("^Vaciar Papelera$"), "");
  Shell("xdotool key Escape");
  EXPECT_TRUE(AwaitGone("^Vaciar Papelera$"));

  // The pop-up, and every tool with a window of its own (the web windows but the dictionary
  // reach out to servers).
  p.Hover();
  ASSERT_TRUE(p.Menu("Down Down Down Down Right sleep 0.3 key Up sleep 0.2 key Return"));
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
  ASSERT_TRUE(AwaitGone("^TempDir$"));
  restore = WindowNamed("^Restaurar de la Papelera$");
  ASSERT_NE(restore, "");
  Keys(restore, "key ctrl+f type ab");
  HotKey('t');
  EXPECT_NE(AwaitWindow("^TempDir$"), "");
  EXPECT_EQ(Probe(bus, pid, "text Buscar"), "ab");
  EXPECT_EQ(p.Stop(SIGTERM), 0);
  EXPECT_EQ(Trimmed(p.TrashCli("list | wc -l")), "1");
}
