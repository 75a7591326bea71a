// The utilities' hot keys, end to end: each opens its window, the capture writes its file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include "support/E2eProgram.h"

using testsupport::E2eProgram;
using testsupport::Shell;

namespace {

using E2eUtilities = testsupport::E2eTest;

bool WindowNamed(const std::string& name) {
  return Shell("xdotool search --onlyvisible --name '^" + name + "$' >/dev/null 2>&1") == 0;
}

void AltKey(char key) {
  const std::string k(1, key);
  Shell("xdotool keydown alt keydown " + k + " sleep 0.4 keyup " + k + " keyup alt");
}

}  // namespace

TEST_F(E2eUtilities, AltTAltXAndAltSOpenTheirUtilities) {
  E2eProgram p;
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\n");
  // The desktop's opener, as the program finds it: it notes what it was asked to open.
  const std::string opened = (p.home() / "opened.txt").string();
  testsupport::WriteFile(p.home() / "bin" / "xdg-open",
                         "#!/bin/sh\necho \"$1\" >> '" + opened + "'\n");
  chmod((p.home() / "bin" / "xdg-open").c_str(), 0755);
  ASSERT_TRUE(p.Start());

  AltKey('t');
  EXPECT_TRUE(E2eProgram::WaitFor([] { return WindowNamed("TempDir"); }, 5000));
  AltKey('x');
  EXPECT_TRUE(E2eProgram::WaitFor([] { return WindowNamed("Operaciones con carpetas"); }, 5000));

  AltKey('s');
  ASSERT_TRUE(E2eProgram::WaitFor([] { return WindowNamed("Imagen guardada!"); }, 8000));
  const std::string snap = (p.folder() / "mysnap.jpg").string();
  EXPECT_EQ(testsupport::ReadFile(snap).substr(0, 3), "\xFF\xD8\xFF");
  Shell("xdotool sleep 0.3 key Return");  // the message box has the focus
  EXPECT_TRUE(E2eProgram::WaitFor(
      [&] {
        std::string text;
        Shell("cat '" + opened + "' 2>/dev/null", &text);
        return text.find("mysnap.jpg") != std::string::npos;
      },
      5000));
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}
