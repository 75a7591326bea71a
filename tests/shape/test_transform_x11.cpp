// The outline must reach the X server, not just Qt: checked with xwininfo on a real display.
// The test program runs under the offscreen platform, so it starts itself again on xcb.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "shape/clsTransForm.h"

namespace shape {
namespace {

constexpr QRgb kKey = 0xFF808080;

class Square : public QWidget {
 public:
  bool drawSquare = true;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), QColor::fromRgb(kKey));
    if (drawSquare) p.fillRect(10, 10, 20, 20, Qt::red);
  }
};

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buf[512];
    while (fgets(buf, sizeof buf, pipe)) out += buf;
    pclose(pipe);
  }
  return out;
}

std::string ShapeExtents(const std::string& window) {
  const std::string info = Shell("xwininfo -shape -id " + window + " 2>/dev/null");
  const auto at = info.find("Window shape extents:");
  if (at == std::string::npos) return "none";
  const auto start = info.find_first_not_of(' ', at + 21);
  return info.substr(start, info.find('\n', start) - start);
}

// Runs only inside the child started below: two windows, shaped once they are on screen
// (Qt then has nothing else to send, which is when a shape used to stay unsent).
TEST(X11Outline, Child) {
  if (!std::getenv("WW_SHAPE_X11_CHILD")) GTEST_SKIP() << "helper of ShapeReachesTheServer";
  static int argc = 1;
  static char name[] = "test_transform_x11";
  static char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  Square square;
  Square blank;
  blank.drawSquare = false;
  for (Square* w : {&square, &blank}) {
    w->setWindowFlags(Qt::FramelessWindowHint);
    w->resize(80, 60);
    w->show();
  }
  clsTransForm shaper;
  QTimer::singleShot(500, [&] {
    shaper.ShapeMe(&square, kKey);
    shaper.ShapeMe(&blank, kKey);
    std::printf("windows 0x%llx 0x%llx\n", static_cast<unsigned long long>(square.winId()),
                static_cast<unsigned long long>(blank.winId()));
    std::fflush(stdout);
  });
  QTimer::singleShot(4000, &app, &QApplication::quit);
  app.exec();
}

TEST(X11Outline, ShapeReachesTheServer) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) GTEST_SKIP() << "no X display";
  if (Shell("command -v xwininfo").empty()) GTEST_SKIP() << "xwininfo missing";
  char self[4096] = {};
  ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);

  FILE* child = popen(("WW_SHAPE_X11_CHILD=1 QT_QPA_PLATFORM=xcb '" + std::string(self) +
                       "' --gtest_filter=X11Outline.Child 2>/dev/null")
                          .c_str(),
                      "r");
  ASSERT_NE(child, nullptr);
  std::string square;
  std::string blank;
  char line[512];
  while (fgets(line, sizeof line, child)) {
    char a[64] = {};
    char b[64] = {};
    if (std::sscanf(line, "windows %63s %63s", a, b) == 2) {
      square = a;
      blank = b;
      break;
    }
  }
  if (square.empty()) {
    pclose(child);
    GTEST_SKIP() << "could not open a window on " << display;
  }
  // The shape is sent with the next repaint; give it a moment.
  std::string squareShape;
  std::string blankShape;
  for (int i = 0; i < 40; ++i) {
    squareShape = ShapeExtents(square);
    blankShape = ShapeExtents(blank);
    if (squareShape != "none" && blankShape != "none") break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(squareShape, "20x20+10+10");
  // Nothing of the blank window is left: its shape lies wholly outside it.
  EXPECT_EQ(blankShape, "1x1+-1+-1");
  while (fgets(line, sizeof line, child)) {
  }
  pclose(child);
}

}  // namespace
}  // namespace shape
