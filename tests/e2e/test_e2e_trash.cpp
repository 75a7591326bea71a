// The bin window follows the trash, whoever changes it, and empties it: at once, on exit and
// when entries pass their days, for trash-cli and the desktop to see.
#include <ctime>
#include <utility>

#include "support/E2eProgram.h"
#include "support/TrashTestKit.h"

using namespace testsupport;
namespace fs = std::filesystem;
using E2eTrash = E2eTest;

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

// An entry of the program's trash, deleted daysAgo days back: a file, or a folder.
void PutEntry(const E2eProgram& p, const std::string& name, bool folder = false, int daysAgo = 0) {
  const fs::path trash = p.home() / "data" / "Trash";
  const std::time_t t = std::time(nullptr) - std::time_t{daysAgo} * 24 * 60 * 60;
  char date[32];
  std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", std::localtime(&t));
  WriteFile(trash / "info" / (name + ".trashinfo"),
            "[Trash Info]\nPath=/tmp/" + name + "\nDeletionDate=" + date + "\n");
  if (folder)
    fs::create_directories(trash / "files" / name);
  else
    WriteFile(trash / "files" / name, "x");
}

}  // namespace

TEST_F(E2eTrash, FollowsTrashCliBothWaysAltVEmptiesAndThePopUpLeavesTheFocus) {
  E2eProgram p;
  p.WriteOptions(
      "[Settings]\r\nHotkeys=Verdadero\r\nSin confirm=Verdadero\r\nSin barra=Verdadero\r\n");
  ASSERT_TRUE(p.TrashPut("a.txt") && p.TrashPut("b.txt"));
  ASSERT_TRUE(p.Start());
  const QRegion emptyShape = Silhouette("ImgDefaultEmpty");
  ASSERT_TRUE(p.ShowsFull(5000)) << "no poll has seen the full bin";

  std::string focusBefore, focusAfter;
  Shell("xdotool getwindowfocus 2>/dev/null", &focusBefore);
  p.Hover();
  const auto popUp = [&] { return p.WindowWithRole("FormStatus") != 0; };
  ASSERT_TRUE(WaitFor(popUp, 3000)) << "no pop-up";
  Shell("xdotool getwindowfocus 2>/dev/null", &focusAfter);
  EXPECT_EQ(focusAfter, focusBefore) << "the pop-up took the keyboard focus";
  // Away from the bin and from the pop-up; it goes after five ticks.
  Shell("xdotool mousemove 1200 780");
  EXPECT_TRUE(WaitFor([&] { return !popUp(); }, 8000));

  int status = -1;
  p.TrashCli("empty", &status);
  ASSERT_EQ(status, 0);
  EXPECT_TRUE(WaitFor([&] { return p.Shape() == emptyShape; }, 2000));
  // Drawn once two looks a poll apart see the same picture.
  QImage empty;
  ASSERT_TRUE(WaitFor(
      [&] {
        const QImage last = std::exchange(empty, p.Picture());
        return !empty.isNull() && empty == last;
      },
      3000));
  ASSERT_TRUE(p.TrashPut("doc.txt"));
  EXPECT_TRUE(WaitFor([&] { return p.Picture() != empty; }, 2000))
      << "the picture did not change within two seconds";
  EXPECT_NE(p.Shape(), emptyShape);

  HotKey('v');
  EXPECT_TRUE(WaitFor([&] { return p.TrashCli("list").empty(); }, 5000)) << p.TrashCli("list");
  EXPECT_TRUE(WaitFor([&] { return p.Picture() == empty; }, 2000));
  EXPECT_EQ(p.Shape(), emptyShape);
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}

// A mount inside the trash is never gone through: it stays, and is named once the emptying is
// over, in a box that holds up neither the bin nor the program's end.
TEST_F(E2eTrash, WhatStaysIsNamedOnceTheEmptyingIsOver) {
  E2eProgram p;
  const fs::path log = p.home() / "mensajes.log";
  p.SetEnv("WW_MESSAGE_LOG", log.string());
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\nSin confirm=Verdadero\r\n");
  PutEntry(p, "suelto.txt");
  PutEntry(p, "montado", true);
  TmpfsMount mount(p.home() / "data" / "Trash" / "files" / "montado");
  if (!mount.ok()) GTEST_SKIP() << mount.error();
  WriteFile(mount.path() / "dentro.txt", "x");
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(p.ShowsFull());
  HotKey('v');
  ASSERT_TRUE(
      WaitFor([&] { return ReadFile(log).find("No se pudieron") != std::string::npos; }, 10000));
  const std::string shown = ReadFile(log);
  EXPECT_EQ(shown.rfind("WasteWell\tNo se pudieron eliminar de la papelera:", 0), 0u) << shown;
  EXPECT_NE(shown.find("montado"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("suelto.txt"), std::string::npos) << shown;
  EXPECT_FALSE(fs::exists(p.home() / "data" / "Trash" / "files" / "suelto.txt"));
  EXPECT_TRUE(fs::exists(mount.path() / "dentro.txt"));
  Pause(500);  // the box is up
  EXPECT_TRUE(p.OpenMenu()) << "the box holds up the bin";
  Shell("xdotool key Escape sleep 0.3");
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}

// "Vaciar al salir" with a trash large enough that the emptying takes a while: an end during
// Alt+V's emptying still empties on exit and ends; "Salir" shows the emptying's progress, so
// that the program does not look frozen on its way out.
TEST_F(E2eTrash, EndsDuringAndWithALargeEmptyingEmptyTheTrash) {
  for (const bool salir : {false, true}) {
    SCOPED_TRACE(salir ? "Salir" : "SIGTERM during Alt+V");
    E2eProgram p;
    p.WriteOptions(
        "[Settings]\r\nHotkeys=Verdadero\r\nSin confirm=Verdadero\r\n"
        "Vaciar al salir=Verdadero\r\n");
    for (int i = 0; i < 20000; ++i) PutEntry(p, "f" + std::to_string(i));
    ASSERT_TRUE(p.Start());
    ASSERT_TRUE(p.ShowsFull());
    if (salir) {
      ASSERT_TRUE(p.Salir());
      EXPECT_NE(AwaitWindow("^Vaciar Papelera$", 10000), "") << "no progress window";
      ASSERT_TRUE(WaitFor([&] { return !p.Running(); }, 60000));
    } else {
      HotKey('v');
      EXPECT_EQ(p.Stop(SIGTERM, 30000), 0) << "the program did not end";
      EXPECT_EQ(p.Option("Imagenes", "Imagen").rfind("ShapedForm", 0), 0u);
    }
    EXPECT_TRUE(p.TrashCli("list").empty()) << "trash-list still lists entries";
    EXPECT_TRUE(fs::is_empty(p.home() / "data" / "Trash" / "files"));
    EXPECT_TRUE(fs::is_empty(p.home() / "data" / "Trash" / "info"));
  }
}

// A pass soon after start deletes the items past their days, the bin's picture follows, and a
// notification reaches the notification server on a private session bus.
TEST_F(E2eTrash, APassAtStartDeletesOldItemsTheBinFollowsAndTheDesktopIsTold) {
  if (Shell("command -v dbus-daemon >/dev/null && /usr/bin/python3 -c 'import dbus, gi'") != 0)
    GTEST_SKIP() << "no dbus-daemon or python3-dbus";
  E2eProgram p;
  const fs::path dir = p.home() / "bus";
  const std::string address = "unix:path=" + (dir / "socket").string();
  WriteFile(dir / "server.py", kServer);
  std::string daemon, server;
  Shell("dbus-daemon --session --nofork --address='" + address + "' >/dev/null 2>&1 & echo $!",
        &daemon);
  WaitFor([&] { return fs::exists(dir / "socket"); }, 5000);
  Shell("/usr/bin/python3 '" + (dir / "server.py").string() + "' '" + address + "' '" +
            (dir / "shown").string() + "' '" + (dir / "ready").string() +
            "' >/dev/null 2>&1 & echo $!",
        &server);
  struct End {
    std::string pids;
    ~End() { Shell("kill " + pids + " 2>/dev/null"); }
  } end{Trimmed(daemon) + " " + Trimmed(server)};
  ASSERT_TRUE(WaitFor([&] { return fs::exists(dir / "ready"); }, 10000))
      << "the notification server did not start";

  p.SetEnv("DBUS_SESSION_BUS_ADDRESS", address);
  p.WriteOptions("[Settings]\r\nAutoVaciar Dias=30\r\n");
  PutEntry(p, "viejo1", false, 40);
  PutEntry(p, "viejo2", false, 31);
  ASSERT_TRUE(p.Start());
  EXPECT_TRUE(p.ShowsFull());
  // The first pass comes within a minute of start.
  EXPECT_TRUE(WaitFor([&] { return p.Shape() == Silhouette("ImgDefaultEmpty"); }, 60000));
  EXPECT_FALSE(fs::exists(p.home() / "data" / "Trash" / "files" / "viejo1"));
  EXPECT_FALSE(fs::exists(p.home() / "data" / "Trash" / "info" / "viejo2.trashinfo"));
  EXPECT_TRUE(WaitFor([&] { return !ReadFile(dir / "shown").empty(); }, 10000));
  EXPECT_EQ(ReadFile(dir / "shown").rfind("Vaciado automático: 2 elementos (", 0), 0u)
      << ReadFile(dir / "shown");
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}
