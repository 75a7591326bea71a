// The hot keys of the real program, typed while another program's window has the focus.
#include <string>

#include "support/E2eProgram.h"

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
