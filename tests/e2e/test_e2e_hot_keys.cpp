// The hot keys of the real program, typed while another program's window has the focus,
// or at a locked screen.
#include <filesystem>
#include <string>

#include "support/E2eProgram.h"
#include "support/TrashTestKit.h"

// After the Qt headers: Xlib's macros clash with their names.
#include <X11/Xlib.h>

using namespace testsupport;
using E2eHotKeys = E2eTest;

namespace {

// Alt+key as a quick hand types it: the letter is down for 40 ms, less than the 100 ms
// between two reads of a polled keyboard.
void QuickHotKey(char key) {
  const std::string k(1, key);
  Shell("xdotool keydown alt sleep 0.04 keydown " + k + " sleep 0.04 keyup " + k +
        " sleep 0.02 keyup alt");
}

std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

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

// After a long rest of the keyboard, and with the focus elsewhere, each quick combination
// opens its window, once.
TEST_F(E2eHotKeys, QuickCombinationsTypedInAnotherWindowOpenTheirTools) {
  E2eProgram p;
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\n");
  ASSERT_TRUE(p.Start());
  std::string pid;
  Shell("xmessage -title 'Otra ventana' 'Otra ventana' >/dev/null 2>&1 & echo $!", &pid);
  pid = Trimmed(pid);
  std::string other;
  ASSERT_TRUE(WaitFor([&] { return !(other = WindowNamed("^Otra ventana$")).empty(); }, 5000));
  Shell("xdotool windowfocus --sync " + other);
  std::string focus;
  Shell("xdotool getwindowfocus", &focus);
  ASSERT_EQ(Trimmed(focus), other);
  usleep(1500000);  // the keyboard rests

  QuickHotKey('t');
  EXPECT_TRUE(WaitFor([] { return !WindowNamed("^TempDir$").empty(); }, 3000));
  QuickHotKey('x');
  EXPECT_TRUE(WaitFor([] { return !WindowNamed("^Operaciones con carpetas$").empty(); }, 3000));
  std::string listed;
  Shell("xdotool search --onlyvisible --name '^TempDir$' | wc -l", &listed);
  EXPECT_EQ(Trimmed(listed), "1");

  Shell("kill " + pid);
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}

// With Alt, several letters held: only the first tool of D, T, S, X, W opens.
TEST_F(E2eHotKeys, SeveralLettersHeldOpenOnlyTheFirstTool) {
  E2eProgram p;
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\n");
  std::filesystem::copy_file(std::string(std::getenv("WW_SOURCE_DIR")) + "/assets/rae.htm",
                             p.folder() / "rae.htm");
  ASSERT_TRUE(p.Start());

  Shell("xdotool keydown alt keydown d sleep 0.2 keydown t sleep 0.4 keyup t keyup d keyup alt");
  EXPECT_TRUE(WaitFor([] { return !WindowNamed("Dicionario de la RAE").empty(); }, 20000));
  EXPECT_EQ(WindowNamed("^TempDir$"), "");
  Shell("xdotool keydown alt keydown t sleep 0.2 keydown x sleep 0.4 keyup x keyup t keyup alt");
  EXPECT_TRUE(WaitFor([] { return !WindowNamed("^TempDir$").empty(); }, 5000));
  WaitFor([] { return false; }, 500);
  EXPECT_EQ(WindowNamed("^Operaciones con carpetas$"), "");
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
  pid = Trimmed(pid);
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
