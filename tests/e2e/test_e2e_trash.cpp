// The bin follows the trash, whoever changes it, and empties it for trash-cli and the desktop.
#include "support/E2eProgram.h"
#include "support/TrashTestKit.h"

// After the Qt headers: Xlib's macros clash with their names.
#include <X11/Xlib.h>

using namespace testsupport;
namespace fs = std::filesystem;
using E2eTrash = E2eTest;

namespace {

// A notification server as a desktop has one: it notes each summary it gets.
const char* const kServer = R"(
import sys, dbus, dbus.service, dbus.mainloop.glib
from gi.repository import GLib
dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
name = dbus.service.BusName("org.freedesktop.Notifications", dbus.SessionBus())
class Server(dbus.service.Object):
    @dbus.service.method("org.freedesktop.Notifications", in_signature="susssasa{sv}i",
                         out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        open(sys.argv[1], "a").write(summary + "\n")
        return 1
Server(name, "/org/freedesktop/Notifications")
GLib.MainLoop().run()
)";

// Whether a client other than this test holds the keyboard (the grab is let go at once).
bool KeyboardTaken() {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return false;
  const int result =
      XGrabKeyboard(d, DefaultRootWindow(d), False, GrabModeAsync, GrabModeAsync, CurrentTime);
  XCloseDisplay(d);
  return result == AlreadyGrabbed;
}

}  // namespace

// A real screen locker holds the keyboard; the keys may still be down as it goes.
TEST_F(E2eTrash, FollowsTrashCliBothWaysAltVEmptiesButNotAtALockedScreenThePopUpLeavesTheFocus) {
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

  ASSERT_EQ(Shell(p.EnvPrefix() + "trash-empty"), 0);
  EXPECT_TRUE(WaitFor([&] { return p.Shape() == emptyShape; }, 2000));
  QImage empty;
  ASSERT_TRUE(Settled(empty, [&] { return p.Picture(); }) && !empty.isNull());
  ASSERT_TRUE(p.TrashPut("doc.txt"));
  EXPECT_TRUE(WaitFor([&] { return p.Picture() != empty; }, 2000))
      << "the picture did not change within two seconds";

  const pid_t lock = p.Background("i3lock -n");
  ASSERT_TRUE(WaitFor(KeyboardTaken, 5000)) << "no i3lock (scripts/deps.sh)";
  HotKey('v');
  Shell("xdotool keydown alt keydown v sleep 0.3");
  kill(lock, SIGTERM);
  ASSERT_TRUE(WaitFor([] { return !KeyboardTaken(); }, 5000));
  Shell("xdotool sleep 0.5 keyup v keyup alt sleep 0.3");
  EXPECT_NE(p.TrashCli("list"), "") << "emptied at the locked screen";
  HotKey('v');
  EXPECT_TRUE(WaitFor([&] { return p.TrashCli("list").empty(); }, 5000)) << p.TrashCli("list");
  EXPECT_TRUE(WaitFor([&] { return p.Picture() == empty; }, 2000));
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}

// A mount inside the trash is never gone through.
TEST_F(E2eTrash, WhatStaysIsNamedOnceTheEmptyingIsOver) {
  E2eProgram p;
  const fs::path log = p.LogMessages();
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\nSin confirm=Verdadero\r\n");
  WriteFile(PutTrashInfo(p.trash(), "suelto.txt"), "x");
  TmpfsMount mount(PutTrashInfo(p.trash(), "montado"));
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
  EXPECT_FALSE(fs::exists(p.trash() / "files" / "suelto.txt"));
  EXPECT_TRUE(fs::exists(mount.path() / "dentro.txt"));
  Pause(500);  // the box is up
  EXPECT_TRUE(p.OpenMenu()) << "the box holds up the bin";
  Shell("xdotool key Escape sleep 0.3");
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}

// The trash large enough that the emptying takes a while.
TEST_F(E2eTrash, EndsDuringAndWithALargeEmptyingEmptyTheTrash) {
  for (const bool salir : {false, true}) {
    SCOPED_TRACE(salir ? "Salir" : "SIGTERM during Alt+V");
    E2eProgram p;
    p.WriteOptions(
        "[Settings]\r\nHotkeys=Verdadero\r\nSin confirm=Verdadero\r\n"
        "Vaciar al salir=Verdadero\r\n");
    for (int i = 0; i < 20000; ++i) WriteFile(PutTrashInfo(p.trash(), std::to_string(i)), "x");
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
    EXPECT_TRUE(fs::is_empty(p.trash() / "files"));
    EXPECT_TRUE(fs::is_empty(p.trash() / "info"));
  }
}

TEST_F(E2eTrash, APassAtStartDeletesOldItemsTheBinFollowsAndTheDesktopIsTold) {
  if (Shell("command -v dbus-daemon >/dev/null && /usr/bin/python3 -c 'import dbus, gi'") != 0)
    GTEST_SKIP() << "no dbus-daemon or python3-dbus";
  E2eProgram p;
  const fs::path shown = p.home() / "shown";
  WriteFile(p.home() / "server.py", kServer);
  ASSERT_TRUE(p.OwnSessionBus());
  p.Background("/usr/bin/python3 '" + (p.home() / "server.py").string() + "' '" + shown.string() +
               "'");
  ASSERT_TRUE(p.AwaitBus("org.freedesktop.Notifications / org.freedesktop.DBus.Peer.Ping"));
  p.WriteOptions("[Settings]\r\nAutoVaciar Dias=30\r\n");
  WriteFile(PutTrashInfo(p.trash(), "viejo1"), "x");
  WriteFile(PutTrashInfo(p.trash(), "viejo2"), "x");
  ASSERT_TRUE(p.Start());
  EXPECT_TRUE(p.ShowsFull());
  // The first pass comes within a minute of start.
  EXPECT_TRUE(WaitFor([&] { return p.Shape() == Silhouette("ImgDefaultEmpty"); }, 60000));
  EXPECT_FALSE(fs::exists(p.trash() / "files" / "viejo1"));
  EXPECT_FALSE(fs::exists(p.trash() / "info" / "viejo2.trashinfo"));
  EXPECT_TRUE(WaitFor([&] { return !ReadFile(shown).empty(); }, 10000));
  EXPECT_EQ(ReadFile(shown).rfind("Vaciado automático: 2 elementos (", 0), 0u) << ReadFile(shown);
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}
