// A real drag from another program onto the bin, then Alt+Z: the files come back, and trash-cli
// sees the trash empty again.
#include <algorithm>
#include <cstdlib>

#include "support/E2eProgram.h"

using namespace testsupport;
using E2eUndo = E2eTest;

TEST_F(E2eUndo, ADraggedDropComesBackWithAltZ) {
  const char* source = std::getenv("WW_DRAG_SOURCE");
  if (!source) GTEST_SKIP() << "no drag source (WW_DRAG_SOURCE)";
  E2eProgram p;
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\n");
  const std::filesystem::path w = std::filesystem::canonical(p.home()) / "w";
  WriteFile(w / "nota.txt", "nota");
  WriteFile(w / "carpeta" / "dentro.txt", "dentro");
  const auto trashList = [&] {
    std::string out;
    Shell(p.EnvPrefix() + "trash-list 2>/dev/null", &out);
    return out;
  };
  ASSERT_TRUE(p.Start());
  const std::filesystem::path said = p.home() / "drag.out";
  std::string pid;
  Shell("'" + std::string(source) + "' '" + (w / "nota.txt").string() + "' '" +
            (w / "carpeta").string() + "' >'" + said.string() + "' 2>/dev/null & echo $!",
        &pid);
  std::string from;
  ASSERT_TRUE(WaitFor([&] { return !(from = WindowNamed("ww-drag-source")).empty(); }, 5000));
  usleep(300000);

  const QRect g = p.Geometry();
  const auto at = [](int x, int y) {
    return " mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.15";
  };
  const int bx = g.x() + 32, by = g.y() + 32;
  // Press on the source, move out of it in steps, hover over the bin, let go; openbox passes
  // the drop on once the pointer moves after the release.
  Shell("xdotool mousemove --window " + from + " 60 60 sleep 0.2 mousedown 1 sleep 0.2" +
        " mousemove --window " + from + " 75 75 sleep 0.2" + at(800, 500) + at(bx + 40, by + 40) +
        at(bx + 2, by + 2) + at(bx, by) + " sleep 0.4 mouseup 1 sleep 0.3" + at(bx + 3, by + 3));
  EXPECT_TRUE(WaitFor([&] { return !std::filesystem::exists(w / "nota.txt"); }, 5000))
      << "the drop did not reach the bin";
  EXPECT_FALSE(std::filesystem::exists(w / "carpeta"));
  EXPECT_NE(trashList().find((w / "carpeta").string()), std::string::npos) << trashList();
  EXPECT_TRUE(WaitFor([&] { return ReadFile(said).find("move") != std::string::npos; }, 3000))
      << "the source was not told the files moved: " << ReadFile(said);

  HotKey('z');
  EXPECT_TRUE(WaitFor([&] { return std::filesystem::exists(w / "nota.txt"); }, 5000));
  EXPECT_EQ(ReadFile(w / "nota.txt"), "nota");
  EXPECT_EQ(ReadFile(w / "carpeta" / "dentro.txt"), "dentro");
  EXPECT_TRUE(WaitFor([&] { return trashList().empty(); }, 3000)) << trashList();
  // Nothing more to undo: a second Alt+Z changes nothing.
  HotKey('z');
  EXPECT_EQ(ReadFile(w / "nota.txt"), "nota");
  // Alt+R opens the restore window, once however long the keys are held.
  HotKey('r');
  EXPECT_TRUE(WaitFor([] { return !WindowNamed("Restaurar de la Papelera").empty(); }, 5000));
  std::string windows;
  Shell("xdotool search --onlyvisible --name 'Restaurar de la Papelera'", &windows);
  EXPECT_EQ(std::count(windows.begin(), windows.end(), '\n'), 1) << windows;

  while (!pid.empty() && pid.back() == '\n') pid.pop_back();
  if (!pid.empty()) kill(std::stoi(pid), SIGTERM);
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}
