// The screen capture: a real JPEG of the whole desktop in the program folder, the messages, and
// the file opened afterwards even when saving failed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include "support/TrashTestKit.h"
#include "support/WebTestKit.h"
#include "tools/snapshot/Snapshot.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

struct Host : tools::ToolHost {
  void UnloadAllForms() override {}
  QWidget* HostWindow() override { return nullptr; }
};

}  // namespace

TEST(Snapshot, AJpegOfTheWholeDesktopEachTime) {
  WebTestKit kit(false);  // the program folder, messages and opener
  Host host;
  tools::SnapshotTool tool;
  const fs::path file = kit.folder / "mysnap.jpg";
  for (int round = 0; round < 2; ++round) {
    if (round == 1) WriteFile(file, "an older capture");
    tool.Open(host);
    EXPECT_EQ(ReadFile(file).substr(0, 3), "\xFF\xD8\xFF")
        << "a JPEG, not a bitmap under a .jpg name";
    QImage back(QString::fromStdString(file.string()));
    EXPECT_EQ(back.size(), QGuiApplication::primaryScreen()->virtualGeometry().size());
  }
  ASSERT_EQ(kit.messages.size(), 2u);
  EXPECT_EQ(kit.messages[1].text, "Su imagen mysnap.jpg se ha guardado en la carpeta del programa");
  EXPECT_EQ(kit.opened, (std::vector<QString>(2, QString::fromStdString(file.string()))));

  app::SetProgramFolder(kit.folder / "gone");
  tool.Open(host);
  ASSERT_EQ(kit.messages.size(), 3u);
  EXPECT_EQ(kit.messages[2].text, "Ocurrió algún error al guardar la imagen: el archivo no existe");
  EXPECT_EQ(kit.opened.size(), 3u);
}

TEST(Snapshot, AFolderTheUserCannotWriteGivesTheReason) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to drop to another user";
  App();
  TempDir tmp;
  fs::permissions(tmp.path(), fs::perms(0755));
  const QImage picture = tools::CaptureDesktop();
  const std::string out = RunAsNobody(tmp / "unused", [&] {
    return tools::SaveJpeg(picture, QString::fromStdString((tmp / "mysnap.jpg").string()))
        .toStdString();
  });
  EXPECT_EQ(out, "permiso denegado");
  EXPECT_FALSE(fs::exists(tmp / "mysnap.jpg"));
}
