// The outline must reach the X server, not just Qt (a shape set while Qt had nothing else to
// send used to stay unsent). The test re-runs itself on xcb and asks xwininfo.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "shape/clsTransForm.h"

namespace shape {
namespace {

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buf[512];
    while (fgets(buf, sizeof buf, pipe)) out += buf;
    pclose(pipe);
  }
  return out;
}

std::string Extents(const std::string& id) {
  return Shell("xwininfo -shape -id " + id + " 2>/dev/null | sed -n 's/.*shape extents: *//p'");
}

class Square : public QWidget {
 public:
  bool red = true;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), QColor(128, 128, 128));
    if (red) p.fillRect(10, 10, 20, 20, Qt::red);
  }
};

TEST(X11Outline, Child) {
  if (!std::getenv("WW_SHAPE_X11_CHILD")) GTEST_SKIP() << "helper of ShapeReachesTheServer";
  static int argc = 1;
  static char name[] = "test_transform_x11";
  static char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  Square square, blank;
  blank.red = false;
  for (Square* w : {&square, &blank}) {
    w->setWindowFlags(Qt::FramelessWindowHint);
    w->resize(80, 60);
    w->show();
  }
  clsTransForm shaper;
  QTimer::singleShot(500, [&] {  // once on screen, when Qt has nothing else to send
    shaper.ShapeMe(&square, 0xFF808080);
    shaper.ShapeMe(&blank, 0xFF808080);
    std::printf("windows 0x%llx 0x%llx\n", static_cast<unsigned long long>(square.winId()),
                static_cast<unsigned long long>(blank.winId()));
    std::fflush(stdout);
  });
  QTimer::singleShot(4000, &app, &QApplication::quit);
  app.exec();
}

TEST(X11Outline, ShapeReachesTheServer) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) {
    if (std::getenv("WW_REQUIRE_DISPLAY")) GTEST_FAIL() << "no X server";
    GTEST_SKIP() << "no X server";
  }
  if (Shell("command -v xwininfo").empty()) GTEST_SKIP() << "xwininfo missing";
  char self[4096] = {};
  ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
  FILE* child = popen(("WW_SHAPE_X11_CHILD=1 QT_QPA_PLATFORM=xcb '" + std::string(self) +
                       "' --gtest_filter=X11Outline.Child 2>/dev/null")
                          .c_str(),
                      "r");
  ASSERT_NE(child, nullptr);
  char line[512], square[64] = {}, blank[64] = {};
  while (fgets(line, sizeof line, child) &&
         std::sscanf(line, "windows %63s %63s", square, blank) != 2) {
  }
  const std::string wantSquare = "20x20+10+10\n", wantBlank = "1x1+-1+-1\n";  // blank: all cut
  std::string squareShape, blankShape;
  for (int i = 0; *blank && i < 40; ++i) {
    squareShape = Extents(square);
    blankShape = Extents(blank);
    if (squareShape == wantSquare && blankShape == wantBlank) break;
    usleep(50000);
  }
  while (fgets(line, sizeof line, child)) {
  }
  pclose(child);
  if (!*blank) GTEST_SKIP() << "could not open a window on " << display;
  EXPECT_EQ(squareShape, wantSquare);
  EXPECT_EQ(blankShape, wantBlank);
}

}  // namespace
}  // namespace shape
