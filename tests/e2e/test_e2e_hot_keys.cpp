// The hot keys of the real program, typed while another program's window has the focus or at a
// locked screen, and the utilities they open.
#include <filesystem>
#include <string>
#include <utility>

#include "support/E2eProgram.h"
#include "support/SilentListener.h"
#include "support/TrashTestKit.h"

// After the Qt headers: Xlib's macros clash with their names.
#include <X11/Xlib.h>

using namespace testsupport;
using E2eHotKeys = E2eTest;

namespace {

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

// After a long rest of the keyboard, and with the focus elsewhere, each quick combination (the
// letter down for less than the 100 ms between two reads of a polled keyboard) opens its
// window, once.
TEST_F(E2eHotKeys, QuickCombinationsTypedInAnotherWindowOpenTheirTools) {
  E2eProgram p;
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\n");
  ASSERT_TRUE(p.Start());
  std::string pid;
  Shell("xmessage -title 'Otra ventana' 'Otra ventana' >/dev/null 2>&1 & echo $!", &pid);
  const std::string other = AwaitWindow("^Otra ventana$");
  ASSERT_NE(other, "");
  Shell("xdotool windowfocus --sync " + other);
  std::string focus;
  Shell("xdotool getwindowfocus", &focus);
  ASSERT_EQ(Trimmed(focus), other);
  Pause(1500);  // the keyboard rests

  for (const auto& [key, title] :
       {std::pair{'t', "^TempDir$"}, {'x', "^Operaciones con carpetas$"}}) {
    Shell(std::string("xdotool keydown alt sleep 0.04 keydown ") + key + " sleep 0.04 keyup " +
          key + " sleep 0.02 keyup alt");
    EXPECT_NE(AwaitWindow(title, 3000), "") << title;
  }
  std::string listed;
  Shell("xdotool search --onlyvisible --name '^TempDir$' | wc -l", &listed);
  EXPECT_EQ(Trimmed(listed), "1");
  Shell("kill " + pid);
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}

// A real locker holds the keyboard: Alt+V typed at it leaves the trash full, also when the
// keys are still down as it goes; typed afresh afterwards it empties the trash.
TEST_F(E2eHotKeys, AtALockedScreenNoHotKeyActsNorLaterForAPressMadeThere) {
  ASSERT_EQ(Shell("command -v i3lock >/dev/null"), 0) << "i3lock is missing (scripts/deps.sh)";
  E2eProgram p;
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\nSin confirm=Verdadero\r\n");
  const std::filesystem::path file = PutTrashInfo(p.home() / "data" / "Trash", "nota.txt");
  WriteFile(file, "x");
  Age(file);
  ASSERT_TRUE(p.Start());

  std::string pid;
  Shell("i3lock -n >/dev/null 2>&1 & echo $!", &pid);
  ASSERT_TRUE(WaitFor(KeyboardTaken, 5000));
  HotKey('v');
  Shell("xdotool keydown alt keydown v sleep 0.3");
  Shell("kill " + pid);
  ASSERT_TRUE(WaitFor([] { return !KeyboardTaken(); }, 5000));
  Shell("xdotool sleep 0.5 keyup v keyup alt sleep 0.3");
  EXPECT_TRUE(std::filesystem::exists(file));

  HotKey('v');
  EXPECT_TRUE(WaitFor([&] { return !std::filesystem::exists(file); }, 5000));
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}

// Alt+S captures the screen into the program folder and opens the picture once its box is
// closed; Alt+D shows the dictionary's start page, its sheet (#f7f7ff) on the window's own
// background (#c0c0ff).
TEST_F(E2eHotKeys, AltSCapturesTheScreenAndAltDShowsTheDictionary) {
  E2eProgram p;
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\n");
  std::filesystem::copy_file(std::string(std::getenv("WW_SOURCE_DIR")) + "/assets/rae.htm",
                             p.folder() / "rae.htm");
  const std::filesystem::path opened = p.NoteOpens();
  ASSERT_TRUE(p.Start());

  HotKey('s');
  // The picture is written through to the disk first, which on a busy machine takes its time.
  const std::string box = AwaitWindow("^Imagen guardada!$", 60000);
  ASSERT_NE(box, "") << "no box after Alt+S";
  EXPECT_EQ(ReadFile(p.folder() / "mysnap.jpg").substr(0, 3), "\xFF\xD8\xFF");
  Keys(box, "key Return");
  EXPECT_TRUE(
      WaitFor([&] { return ReadFile(opened).find("mysnap.jpg") != std::string::npos; }, 5000));

  HotKey('d');
  const std::string id = AwaitWindow("Dicionario de la RAE", 20000);
  ASSERT_NE(id, "");
  const auto sheet = [](QRgb c) { return c == qRgb(247, 247, 255); };
  EXPECT_TRUE(WaitFor([&] { return CountPixels(id, p.home() / "rae.png", sheet) > 500; }, 30000));
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}

// The check before the maps waits on a host that never answers: meanwhile the bin shows its
// pop-up, another hot key opens its window at once, and the end does not wait for the check.
TEST_F(E2eHotKeys, WhileTheConnectivityCheckWaitsTheBinAndTheOtherHotKeysAnswer) {
  SilentListener silent;
  E2eProgram p;
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\n[Servidores]\r\nConexion=" + silent.At() +
                 "\r\n");
  ASSERT_TRUE(p.Start());
  HotKey('w');
  p.Hover();
  EXPECT_TRUE(WaitFor([&] { return p.WindowWithRole("FormStatus") != 0; }, 1000))
      << "no pop-up while the check waits";
  HotKey('t');
  EXPECT_NE(AwaitWindow("^TempDir$", 1000), "") << "Alt+T not answered while the check waits";
  EXPECT_TRUE(WindowNamed("^Error-Info WasteWell$").empty()) << "the check is still waiting";
  EXPECT_EQ(p.Stop(SIGTERM, 2000), 0);
}
