// The automatic purge seen from outside: a pass soon after start deletes the
// items past their days, the bin's picture follows, and a notification
// reaches the notification server on a private session bus.
#include <csignal>
#include <ctime>
#include <fstream>

#include "support/E2eProgram.h"

namespace fs = std::filesystem;
using namespace testsupport;
using E2eAutoPurge = E2eTest;

namespace {

// A notification server as a desktop has one: it notes each summary it gets.
const char* const kServer = R"(
import sys, dbus, dbus.service, dbus.mainloop.glib
from gi.repository import GLib
dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.bus.BusConnection(sys.argv[1])
name = dbus.service.BusName("org.freedesktop.Notifications", bus)
class Server(dbus.service.Object):
    @dbus.service.method("org.freedesktop.Notifications", in_signature="susssasa{sv}i",
                         out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        with open(sys.argv[2], "a") as f:
            f.write(summary + "\n")
        return 1
Server(bus, "/org/freedesktop/Notifications")
open(sys.argv[3], "w").close()
GLib.MainLoop().run()
)";

std::string DateDaysAgo(int days) {
  const std::time_t t = std::time(nullptr) - static_cast<std::time_t>(days) * 24 * 60 * 60;
  std::tm tm{};
  localtime_r(&t, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &tm);
  return text;
}

void PutDated(const fs::path& trash, const std::string& name, int daysAgo) {
  WriteFile(trash / "info" / (name + ".trashinfo"),
            "[Trash Info]\nPath=/tmp/" + name + "\nDeletionDate=" + DateDaysAgo(daysAgo) + "\n");
  WriteFile(trash / "files" / name, std::string(2048, 'x'));
}

std::string ReadText(const fs::path& file) {
  std::ifstream in(file);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST_F(E2eAutoPurge, APassAtStartDeletesOldItemsTheBinFollowsAndTheDesktopIsTold) {
  if (Shell("command -v dbus-daemon >/dev/null && /usr/bin/python3 -c 'import dbus, gi'") != 0)
    GTEST_SKIP() << "no dbus-daemon or python3-dbus";
  E2eProgram p;
  const fs::path dir = p.home() / "bus";
  fs::create_directories(dir);
  const std::string address = "unix:path=" + (dir / "socket").string();
  WriteFile(dir / "server.py", kServer);
  ASSERT_EQ(Shell("dbus-daemon --session --nofork --address='" + address + "' >/dev/null 2>&1 & " +
                  "echo $! >'" + (dir / "daemon.pid").string() + "'"),
            0);
  ASSERT_TRUE(WaitFor([&] { return fs::exists(dir / "socket"); }, 5000));
  Shell("/usr/bin/python3 '" + (dir / "server.py").string() + "' '" + address + "' '" +
        (dir / "shown").string() + "' '" + (dir / "ready").string() + "' >/dev/null 2>&1 & " +
        "echo $! >'" + (dir / "server.pid").string() + "'");
  const bool ready = WaitFor([&] { return fs::exists(dir / "ready"); }, 10000);
  const auto stop = [&] {
    Shell("kill $(cat '" + (dir / "server.pid").string() + "') $(cat '" +
          (dir / "daemon.pid").string() + "') 2>/dev/null");
  };
  if (!ready) {
    stop();
    FAIL() << "the notification server did not start";
  }

  p.SetEnv("DBUS_SESSION_BUS_ADDRESS", address);
  p.WriteOptions("[Settings]\r\nAutoVaciar Dias=30\r\n");
  const fs::path trash = p.home() / "data" / "Trash";
  PutDated(trash, "viejo1", 40);
  PutDated(trash, "viejo2", 31);
  ASSERT_TRUE(p.Start());
  const QRegion emptyShape = Silhouette("ImgDefaultEmpty");
  EXPECT_TRUE(WaitFor([&] { return !p.Shape().isEmpty() && p.Shape() != emptyShape; }, 10000));
  // The first pass comes within a minute of start.
  EXPECT_TRUE(WaitFor([&] { return p.Shape() == emptyShape; }, 60000));
  EXPECT_FALSE(fs::exists(trash / "files" / "viejo1"));
  EXPECT_FALSE(fs::exists(trash / "info" / "viejo2.trashinfo"));
  EXPECT_TRUE(WaitFor([&] { return !ReadText(dir / "shown").empty(); }, 10000));
  EXPECT_EQ(ReadText(dir / "shown").rfind("Vaciado automático: 2 elementos (", 0), 0u)
      << ReadText(dir / "shown");
  EXPECT_EQ(p.Stop(SIGTERM), 0);
  stop();
}
