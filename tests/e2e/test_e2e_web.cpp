// The web windows, end to end: Alt+D opens the dictionary on its start page.
#include <gtest/gtest.h>
#include <signal.h>

#include <QImage>
#include <filesystem>

#include "support/E2eProgram.h"

using testsupport::E2eProgram;
using testsupport::Shell;

namespace {
using E2eWeb = testsupport::E2eTest;
}

TEST_F(E2eWeb, AltDOpensTheDictionaryOnItsStartPage) {
  E2eProgram p;
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\n");
  std::filesystem::copy_file(std::string(std::getenv("WW_SOURCE_DIR")) + "/assets/rae.htm",
                             p.folder() / "rae.htm");
  ASSERT_TRUE(p.Start());
  Shell("xdotool keydown alt keydown d sleep 0.6 keyup d keyup alt");
  std::string id;
  ASSERT_TRUE(E2eProgram::WaitFor(
      [&] {
        id.clear();
        Shell("xdotool search --name 'Dicionario de la RAE' 2>/dev/null | head -1", &id);
        return !id.empty();
      },
      20000));
  while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
  // The start page's sheet (#f7f7ff) on the window's own background (#c0c0ff).
  const std::string shot = (p.home() / "rae.png").string();
  bool sheet = E2eProgram::WaitFor(
      [&] {
        if (Shell("import -window " + id + " " + shot + " 2>/dev/null") != 0) return false;
        const QImage img(QString::fromStdString(shot));
        int n = 0;
        for (int y = 0; y < img.height(); y += 4)
          for (int x = 0; x < img.width(); x += 4) n += img.pixel(x, y) == qRgb(247, 247, 255);
        return n > 500;
      },
      30000);
  EXPECT_TRUE(sheet);
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}
