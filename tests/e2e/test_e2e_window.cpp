// The bin window on a real X server with openbox.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>

#include "support/E2eProgram.h"

using testsupport::E2eProgram;
using testsupport::Silhouette;

namespace {

bool Has(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

using E2eWindow = testsupport::E2eTest;

}  // namespace

TEST_F(E2eWindow, AppearsWithTheSkinsSilhouetteOnTheDesktopLayer) {
  E2eProgram p;
  ASSERT_TRUE(p.Start());
  const QRegion expected = Silhouette("ImgDefaultEmpty");
  ASSERT_FALSE(expected.isEmpty());
  ASSERT_TRUE(E2eProgram::WaitFor([&] { return p.Shape() == expected; }, 5000))
      << "shape has " << p.Shape().rectCount() << " rectangles, bounding "
      << p.Shape().boundingRect().width() << "x" << p.Shape().boundingRect().height();
  EXPECT_GT(p.Shape().rectCount(), 1) << "a silhouette, not a rectangle";

  // The window manager takes the requests in its own time. On every
  // workspace: openbox tells it by the desktop number, others by the state.
  const auto onDesktopLayer = [&] {
    const auto state = p.NetWmState();
    return Has(state, "_NET_WM_STATE_BELOW") && Has(state, "_NET_WM_STATE_SKIP_TASKBAR") &&
           Has(state, "_NET_WM_STATE_SKIP_PAGER") &&
           (Has(state, "_NET_WM_STATE_STICKY") || p.Desktop() == 0xFFFFFFFFL);
  };
  EXPECT_TRUE(E2eProgram::WaitFor(onDesktopLayer, 3000)) << [&] {
    std::string all = "desktop " + std::to_string(p.Desktop()) + ":";
    for (const auto& s : p.NetWmState()) all += " " + s;
    return all;
  }();
  // Still there on another workspace.
  testsupport::Shell("xdotool set_desktop 1");
  EXPECT_TRUE(E2eProgram::WaitFor([&] { return p.Viewable(); }, 2000)) << "gone on workspace 2";
  testsupport::Shell("xdotool set_desktop 0");
  // The built-in place: left 4830, top 2055 twips.
  EXPECT_EQ(p.Geometry().topLeft(), QPoint(322, 137));

  // The program wrote the system version at start.
  EXPECT_FALSE(p.Option("Settings", "Versión OS").empty());
}

TEST_F(E2eWindow, SecondStartEndsAtOnceAndWritesNothing) {
  E2eProgram p;
  ASSERT_TRUE(p.Start());
  const auto ini = p.folder() / "Options.ini";
  const std::string before = testsupport::ReadFile(ini);
  struct stat st1 {};
  stat(ini.c_str(), &st1);
  EXPECT_EQ(p.RunSecondCopy(5000), 0);
  struct stat st2 {};
  stat(ini.c_str(), &st2);
  EXPECT_EQ(testsupport::ReadFile(ini), before);
  EXPECT_EQ(st1.st_mtim.tv_sec, st2.st_mtim.tv_sec);
  EXPECT_EQ(st1.st_mtim.tv_nsec, st2.st_mtim.tv_nsec);
  EXPECT_TRUE(p.Running());
}

TEST_F(E2eWindow, SigtermStoresPictureAndPlaceAndARestartUsesThem) {
  E2eProgram p;
  p.WriteOptions(
      "[Imagenes]\r\nImagen=ShapedFormModern\r\n"
      "[Posición]\r\nWasteWell_Left=1500\r\nWasteWell_Top=3000\r\n"
      "WasteWell_Width=5580\r\nWasteWell_Height=5085\r\n");
  ASSERT_TRUE(p.Start());
  EXPECT_TRUE(E2eProgram::WaitFor([&] { return p.Geometry().topLeft() == QPoint(100, 200); }, 3000))
      << p.Geometry().x() << "," << p.Geometry().y();
  EXPECT_EQ(p.Shape(), Silhouette("ImgModern"));

  // Move it elsewhere through the window manager, then end it as the system would.
  testsupport::Shell("xdotool windowmove " + std::to_string(p.window()) + " 250 300");
  ASSERT_TRUE(
      E2eProgram::WaitFor([&] { return p.Geometry().topLeft() == QPoint(250, 300); }, 3000));
  EXPECT_EQ(p.Stop(SIGTERM), 0);
  EXPECT_EQ(p.Option("Imagenes", "Imagen"), "ShapedFormModern");
  EXPECT_EQ(p.Option("Posición", "WasteWell_Left"), "3750");
  EXPECT_EQ(p.Option("Posición", "WasteWell_Top"), "4500");
  EXPECT_EQ(p.Option("Posición", "WasteWell_Width"), "5580");
  EXPECT_EQ(p.Option("Posición", "WasteWell_Height"), "5085");

  ASSERT_TRUE(p.Start());
  EXPECT_TRUE(
      E2eProgram::WaitFor([&] { return p.Geometry().topLeft() == QPoint(250, 300); }, 3000));
  EXPECT_EQ(p.Stop(SIGINT), 0);
}

TEST_F(E2eWindow, APlaceOffEveryScreenComesBackOnScreen) {
  E2eProgram p;
  p.WriteOptions(
      "[Posición]\r\nWasteWell_Left=150000\r\nWasteWell_Top=-90000\r\n"
      "WasteWell_Width=0\r\nWasteWell_Height=0\r\n");
  ASSERT_TRUE(p.Start());
  EXPECT_EQ(p.Geometry(), QRect(322, 137, 372, 339));
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}

TEST_F(E2eWindow, DraggingMovesTheWindowOnlyWhileTheButtonIsHeld) {
  for (const bool fixed : {false, true}) {
    E2eProgram p;
    if (fixed) p.WriteOptions("[Settings]\r\nNoMovePos=Verdadero\r\n");
    ASSERT_TRUE(p.Start());
    const QRect g = p.Geometry();
    const int x = g.x() + 32, y = g.y() + 40;
    const auto to = [](int px, int py) {
      return " mousemove " + std::to_string(px) + " " + std::to_string(py);
    };
    testsupport::Shell("xdotool" + to(x, y) + " mousedown 1 sleep 0.2" + to(x + 20, y + 10) +
                       " sleep 0.2" + to(x + 80, y + 60) + " sleep 0.2" + to(x + 120, y + 90) +
                       " sleep 0.3 mouseup 1");
    ASSERT_TRUE(p.WaitForStillGeometry(3000));
    const QRect released = p.Geometry();
    if (fixed) {
      EXPECT_EQ(released, g);
    } else {
      EXPECT_GT(released.x(), g.x() + 60) << released.x();
      EXPECT_GT(released.y(), g.y() + 40) << released.y();
    }
    // The bare pointer moves on after the release: the window stays.
    testsupport::Shell("xdotool" + to(x + 300, y + 250) + " sleep 0.2" + to(x + 350, y + 300));
    EXPECT_FALSE(E2eProgram::WaitFor([&] { return p.Geometry() != released; }, 1000))
        << "followed the pointer to " << p.Geometry().x() << "," << p.Geometry().y();
    EXPECT_EQ(p.Stop(SIGTERM), 0);
    EXPECT_EQ(p.Option("Posición", "WasteWell_Left"), std::to_string(released.x() * 15));
  }
}
