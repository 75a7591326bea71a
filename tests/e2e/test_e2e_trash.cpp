// The bin window follows the trash, whoever changes it, and empties it for trash-cli to see.
#include <algorithm>
#include <utility>

#include "support/E2eProgram.h"

using namespace testsupport;
using E2eTrash = E2eTest;

TEST_F(E2eTrash, FollowsTrashCliBothWaysAltVEmptiesAndThePopUpLeavesTheFocus) {
  E2eProgram p;
  p.WriteOptions(
      "[Settings]\r\nHotkeys=Verdadero\r\nSin confirm=Verdadero\r\nSin barra=Verdadero\r\n");
  const auto trashList = [&] {
    std::string out;
    Shell(p.EnvPrefix() + "trash-list 2>/dev/null", &out);
    return out;
  };
  const auto trashPut = [&](const char* name) {
    WriteFile(p.home() / name, name);
    return Shell(p.EnvPrefix() + "trash-put '" + (p.home() / name).string() + "'");
  };
  ASSERT_FALSE(trashPut("a.txt") || trashPut("b.txt"));
  ASSERT_TRUE(p.Start());
  const QRegion emptyShape = Silhouette("ImgDefaultEmpty");
  ASSERT_TRUE(WaitFor([&] { return !p.Shape().isEmpty() && p.Shape() != emptyShape; }, 5000))
      << "no poll has seen the full bin";

  const QRect g = p.Geometry();
  std::string focusBefore, focusAfter;
  Shell("xdotool getwindowfocus 2>/dev/null", &focusBefore);
  Shell("xdotool mousemove " + std::to_string(g.x() + 30) + " " + std::to_string(g.y() + 40) +
        " sleep 0.2 mousemove " + std::to_string(g.x() + 32) + " " + std::to_string(g.y() + 42));
  const auto popUp = [&] {
    const std::string list = p.Windows("true");
    return std::count(list.begin(), list.end(), '\n') > 1;
  };
  ASSERT_TRUE(WaitFor(popUp, 3000)) << "no pop-up";
  Shell("xdotool getwindowfocus 2>/dev/null", &focusAfter);
  EXPECT_EQ(focusAfter, focusBefore) << "the pop-up took the keyboard focus";
  // Away from the bin and from the pop-up; it goes after five ticks.
  Shell("xdotool mousemove 1200 780");
  EXPECT_TRUE(WaitFor([&] { return !popUp(); }, 8000));

  ASSERT_EQ(Shell(p.EnvPrefix() + "trash-empty"), 0);
  EXPECT_TRUE(WaitFor([&] { return p.Shape() == emptyShape; }, 2000));
  // Drawn once two looks a poll apart see the same picture.
  QImage empty;
  ASSERT_TRUE(WaitFor(
      [&] {
        const QImage last = std::exchange(empty, p.Picture());
        return !empty.isNull() && empty == last;
      },
      3000));
  ASSERT_EQ(trashPut("doc.txt"), 0);
  EXPECT_TRUE(WaitFor([&] { return p.Picture() != empty; }, 2000))
      << "the picture did not change within two seconds";
  EXPECT_NE(p.Shape(), emptyShape);

  HotKey('v');
  EXPECT_TRUE(WaitFor([&] { return trashList().empty(); }, 5000)) << trashList();
  EXPECT_TRUE(WaitFor([&] { return p.Picture() == empty; }, 2000));
  EXPECT_EQ(p.Shape(), emptyShape);
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}
