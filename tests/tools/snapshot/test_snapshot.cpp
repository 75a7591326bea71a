// The screen capture: a real JPEG of the whole desktop in the program folder, the messages, and
// the file opened afterwards even when saving failed.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include "app/settings/ProgramFolder.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "support/QtTestKit.h"
#include "support/TrashTestKit.h"
#include "tools/snapshot/Snapshot.h"

namespace fs = std::filesystem;
using namespace testsupport;

using testsupport::App;

namespace {

struct Host : tools::ToolHost {
  void UnloadAllForms() override {}
  QWidget* HostWindow() override { return nullptr; }
};

}  // namespace

TEST(Snapshot, AJpegOfTheWholeDesktopEachTime) {
  App();
  TempDir tmp;
  app::SetProgramFolder(tmp.path());
  std::vector<platform::ShownMessage> shown;
  std::vector<QString> opened;
  platform::SetMsgBoxHook([&](const platform::ShownMessage& m) {
    shown.push_back(m);
    return platform::kAnswerOk;
  });
  platform::SetShellOpenHook([&](const QString& f) {
    opened.push_back(f);
    return true;
  });
  Host host;
  tools::SnapshotTool tool;
  const fs::path file = tmp / "mysnap.jpg";
  for (int round = 0; round < 2; ++round) {
    if (round == 1) WriteFile(file, "an older capture");
    tool.Open(host);
    const std::string bytes = ReadFile(file);
    ASSERT_GE(bytes.size(), 3u);
    EXPECT_EQ(bytes.substr(0, 3), "\xFF\xD8\xFF") << "a JPEG, not a bitmap under a .jpg name";
    QImage back(QString::fromStdString(file.string()));
    EXPECT_EQ(back.size(), QGuiApplication::primaryScreen()->virtualGeometry().size());
  }
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].text, "Su imagen mysnap.jpg se ha guardado en la carpeta del programa");
  EXPECT_EQ(shown[1].title, "Imagen guardada!");
  EXPECT_EQ(opened, (std::vector<QString>(2, QString::fromStdString(file.string()))));

  // A program folder that is gone: the failure, then the opening all the same.
  shown.clear();
  app::SetProgramFolder(tmp / "gone");
  tool.Open(host);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Ocurrió algún error al guardar la imagen: el archivo no existe");
  EXPECT_EQ(opened.size(), 3u);
  platform::SetMsgBoxHook(nullptr);
  platform::SetShellOpenHook(nullptr);
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
