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

struct Host : tools::ToolHost {
  void UnloadAllForms() override {}
  QWidget* HostWindow() override { return nullptr; }
};

TEST(Snapshot, AJpegOfTheWholeDesktopEachTimeOrAFailureIsTold) {
  WebTestKit kit(false);  // the program folder, messages and opener
  Host host;
  const fs::path file = kit.folder / "mysnap.jpg";
  for (int round = 0; round < 2; ++round) {
    if (round == 1) WriteFile(file, "an older capture");  // marks the first: the second replaces it
    tools::SnapshotTool().Open(host);
    EXPECT_EQ(ReadFile(file).substr(0, 3), "\xFF\xD8\xFF") << "a JPEG, not a bitmap under a .jpg";
    EXPECT_EQ(QImage(QString::fromStdString(file.string())).size(),
              QGuiApplication::primaryScreen()->virtualGeometry().size());
  }

  // A folder that is gone, or one the user cannot write: no file, and the reason.
  settings::SetProgramFolder(kit.folder / "gone");
  tools::SnapshotTool().Open(host);
  ASSERT_EQ(kit.messages.size(), 3u);
  EXPECT_EQ(kit.messages[2].text, "Ocurrió algún error al guardar la imagen: el archivo no existe");
  if (getuid() != 0) GTEST_SKIP() << "needs root to drop to another user";
  fs::permissions(kit.folder.path(), fs::perms(0755));
  fs::create_directory(kit.folder / "closed");
  settings::SetProgramFolder(kit.folder / "closed");
  const std::string out = RunAsNobody(kit.folder / "unused", [&] {
    tools::SnapshotTool().Open(host);
    return kit.messages.back().text.toStdString();
  });
  EXPECT_EQ(out, "Ocurrió algún error al guardar la imagen: permiso denegado");
  EXPECT_FALSE(fs::exists(kit.folder / "closed" / "mysnap.jpg"));
}
