// The screen capture: a real JPEG of the whole desktop, written whole or not at all.
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

TEST(Snapshot, AJpegOfTheWholeDesktopReplacesTheOlderOneOrAFailureIsTold) {
  WebTestKit kit(false);  // the program folder, messages and opener
  Host host;
  const fs::path file = kit.folder / "mysnap.jpg";
  WriteFile(file, "an older capture");
  tools::SnapshotTool().Open(host);
  EXPECT_EQ(ReadFile(file).substr(0, 3), "\xFF\xD8\xFF") << "a JPEG, not a bitmap under a .jpg name";
  EXPECT_EQ(QImage(QString::fromStdString(file.string())).size(),
            QGuiApplication::primaryScreen()->virtualGeometry().size());

  app::SetProgramFolder(kit.folder / "gone");  // a failed save is not reported as saved
  tools::SnapshotTool().Open(host);
  ASSERT_EQ(kit.messages.size(), 2u);
  EXPECT_EQ(kit.messages[1].text, "Ocurrió algún error al guardar la imagen: el archivo no existe");
}

TEST(Snapshot, AFolderTheUserCannotWriteGetsNoFile) {
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
