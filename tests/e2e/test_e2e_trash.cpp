// The bin window follows the trash, whoever changes it.
#include <gtest/gtest.h>
#include <signal.h>

#include "support/E2eProgram.h"

using testsupport::E2eProgram;
using testsupport::Shell;

namespace {
using E2eTrash = testsupport::E2eTest;
}  // namespace

TEST_F(E2eTrash, TrashCliChangesThePictureBothWays) {
  E2eProgram p;
  ASSERT_TRUE(p.Start());
  // Drawn once two looks a poll apart see the same picture.
  QImage empty;
  ASSERT_TRUE(E2eProgram::WaitFor(
      [&] {
        const QImage last = empty;
        empty = p.Picture();
        return !empty.isNull() && empty == last;
      },
      3000));
  const QRegion emptyShape = p.Shape();

  testsupport::WriteFile(p.home() / "doc.txt", "hola");
  ASSERT_EQ(Shell(p.EnvPrefix() + "trash-put '" + (p.home() / "doc.txt").string() + "'"), 0);
  EXPECT_TRUE(E2eProgram::WaitFor([&] { return p.Picture() != empty; }, 2000))
      << "the picture did not change within two seconds";
  EXPECT_NE(p.Shape(), emptyShape);

  ASSERT_EQ(Shell(p.EnvPrefix() + "trash-empty"), 0);
  EXPECT_TRUE(E2eProgram::WaitFor([&] { return p.Picture() == empty; }, 2000));
  EXPECT_EQ(p.Shape(), emptyShape);
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}

TEST_F(E2eTrash, HoveringOpensThePopUpWhichClosesByItself) {
  E2eProgram p;
  ASSERT_TRUE(p.Start());
  const QRect g = p.Geometry();
  std::string focusBefore;
  Shell("xdotool getwindowfocus 2>/dev/null", &focusBefore);
  Shell("xdotool mousemove " + std::to_string(g.x() + 30) + " " + std::to_string(g.y() + 40) +
        " sleep 0.2 mousemove " + std::to_string(g.x() + 32) + " " + std::to_string(g.y() + 42));
  ASSERT_TRUE(E2eProgram::WaitFor([&] { return !p.OtherWindows().empty(); }, 3000)) << "no pop-up";
  std::string focusAfter;
  Shell("xdotool getwindowfocus 2>/dev/null", &focusAfter);
  EXPECT_EQ(focusAfter, focusBefore) << "the pop-up took the keyboard focus";
  // Away from the bin and from the pop-up; it goes after five ticks.
  Shell("xdotool mousemove 1200 780");
  EXPECT_TRUE(E2eProgram::WaitFor([&] { return p.OtherWindows().empty(); }, 8000));
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}
