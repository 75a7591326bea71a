// The folder window under the offscreen platform, on real folders, with
// recording dialogs and message boxes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <deque>
#include <functional>

#include "platform/FileDialogs.h"
#include "platform/MessageBox.h"
#include "support/QtTestKit.h"
#include "support/TempDir.h"
#include "support/TrashTestKit.h"
#include "tools/folders/FormElige.h"

namespace fs = std::filesystem;
using platform::ShownMessage;
using testsupport::RunAsNobody;
using testsupport::TempDir;
using testsupport::WriteFile;
using tools::FormElige;

using testsupport::App;

namespace {

QString Q(const fs::path& p) { return QString::fromStdString(p.string()); }

class FolderWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetMsgBoxHook([this](const ShownMessage& m) {
      shown.push_back(m);
      return answer;
    });
    platform::SetFolderDialogHook([this](const platform::FolderRequest& r) {
      folderAsks.push_back(r);
      QString path = folders.empty() ? QString() : folders.front();
      if (!folders.empty()) folders.pop_front();
      return path;
    });
    platform::SetFileDialogHook([this](const platform::FileRequest& r) {
      fileAsks.push_back(r);
      return file;
    });
  }
  void TearDown() override {
    platform::SetMsgBoxHook(nullptr);
    platform::SetFolderDialogHook(nullptr);
    platform::SetFileDialogHook(nullptr);
  }

  // Chooses `folder` with "Abrir Carpeta".
  void Open(const fs::path& folder) {
    folders.push_back(Q(folder));
    form.CommandElige_Click();
  }
  // The messages shown as "title|style|text", one a line.
  std::string Messages() const {
    std::string s;
    for (const ShownMessage& m : shown)
      s += (m.title + "|" + QString::number(m.style) + "|" + m.text + "\n").toStdString();
    return s;
  }

  QApplication* app = App();  // before the window
  FormElige form;
  std::vector<ShownMessage> shown;
  int answer = platform::kAnswerYes;
  std::deque<QString> folders;
  std::vector<platform::FolderRequest> folderAsks;
  QString file;
  std::vector<platform::FileRequest> fileAsks;
};

TEST_F(FolderWindow, ListsInPreOrderAppendsCreatedFoldersAndForgetsOnCancel) {
  TempDir tmp;
  const fs::path a = tmp / "a", b = tmp / "b", c = tmp / "c";
  WriteFile(a / "f.txt", "x");
  fs::create_directories(a / "sub");
  WriteFile(b / "y", "y");
  fs::create_directories(c);

  Open(a);
  const QStringList listingA{Q(a), "\t" + Q(a), "\t\tf.txt", "\t" + Q(a / "sub")};
  EXPECT_EQ(form.List1->Lines(), listingA);

  folders = {Q(b), Q(c)};
  form.XPButtonCrear_Click();
  form.XPButtonCrear_Click();
  const QStringList created{"\t" + Q(b), "\t\ty", "\t" + Q(c)};
  EXPECT_EQ(form.List1->Lines(), listingA + created);
  ASSERT_EQ(folderAsks.size(), 3u);
  EXPECT_FALSE(folderAsks[0].newFolderButton) << "only \"Crear Carpeta\" makes folders";
  EXPECT_TRUE(folderAsks[2].newFolderButton);
  EXPECT_EQ(form.CurrentFolder(), Q(c));

  form.CommandElige_Click();  // cancelled
  EXPECT_TRUE(form.List1->Lines().isEmpty());
  form.XPButtonVaciar_Click();
  form.XPButtonDelete_Click();
  EXPECT_EQ(Messages(),
            "Error|48|No has elegido ninguna carpeta\nError|48|No has elegido ninguna carpeta\n");
  EXPECT_TRUE(fs::exists(c)) << "the forgotten folder stays";
}

// The dialogs start at the root: one click must not destroy everything below it, nor the home.
TEST_F(FolderWindow, RootAndHomeAreRefusedWhateverTheirSpelling) {
  TempDir tmp;
  const fs::path home = tmp / "home";
  WriteFile(home / "work" / "thesis.txt", "years");
  fs::create_symlink(home, tmp / "to-home");
  testsupport::ScopedEnv env("HOME", home.string());
  for (const fs::path& alias : {home, tmp / "to-home", home / "."}) {
    Open(alias);
    const QStringList listing = form.List1->Lines();
    shown.clear();
    form.XPButtonVaciar_Click();
    form.XPButtonDelete_Click();
    ASSERT_EQ(shown.size(), 2u) << alias;
    for (const ShownMessage& m : shown) {
      EXPECT_EQ(m.style, platform::kExclamation);
      EXPECT_TRUE(m.text.contains(Q(alias))) << m.text.toStdString();
    }
    EXPECT_EQ(form.List1->Lines(), listing);
  }
  EXPECT_EQ(testsupport::ReadFile(home / "work" / "thesis.txt"), "years");

  // The root, in a child shut in a small tree that stands for the whole disk.
  const fs::path jail = tmp / "jail";
  WriteFile(jail / "etc" / "passwd", "root");
  const std::string out = testsupport::RunInChild([&] {
    if (chroot(jail.c_str()) != 0 || chdir("/") != 0) return std::string("no chroot");
    std::string text;
    for (const char* root : {"/", "/.", "//etc/.."}) {
      Open(root);
      shown.clear();
      form.XPButtonVaciar_Click();
      form.XPButtonDelete_Click();
      text += std::to_string(shown.size()) + (shown.empty() ? "" : shown[0].text.toStdString()) +
              "|" + std::to_string(fs::exists("/etc/passwd")) + "\n";
    }
    return text;
  });
  if (out == "no chroot") GTEST_SKIP() << "chroot refused";
  EXPECT_EQ(out,
            "2La carpeta \"/\" es la raíz del sistema de archivos: no se vacía ni se elimina.|1\n"
            "2La carpeta \"/.\" es la raíz del sistema de archivos: no se vacía ni se elimina.|1\n"
            "2La carpeta \"//etc/..\" es la raíz del sistema de archivos: no se vacía ni se "
            "elimina.|1\n");
}

TEST_F(FolderWindow, EmptyingRemovesReadOnlyEntriesAsAnOrdinaryUser) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to drop to another user";
  TempDir tmp;
  fs::permissions(tmp.path(), fs::perms(0755));
  const fs::path target = tmp / "target";
  WriteFile(target / "ro-file", "x");
  WriteFile(target / "ro-tree" / "deep" / "f", "x");
  const std::string out = RunAsNobody(target, [&] {
    fs::permissions(target / "ro-file", fs::perms(0444));
    fs::permissions(target / "ro-tree" / "deep", fs::perms(0555));
    fs::permissions(target / "ro-tree", fs::perms(0500));
    Open(target);
    form.XPButtonVaciar_Click();
    return form.List1->Lines().join("|").toStdString() + "|" + Messages();
  });
  EXPECT_EQ(out, target.string() + "|\t" + target.string() + "|");
  EXPECT_TRUE(fs::is_directory(target)) << "the folder itself stays";
}

TEST_F(FolderWindow, RemovingKeepsWhatAnotherProgramHoldsThenEndsSilently) {
  TempDir tmp;
  const fs::path target = tmp / "target";
  WriteFile(target / "held.log", "in use");
  WriteFile(target / "old" / "x", "x");
  QProcess holder;
  holder.start("/bin/sh", {"-c", "exec 3<\"$0\"; echo ready; exec sleep 600",
                           QString::fromStdString((target / "held.log").string())});
  ASSERT_TRUE(holder.waitForReadyRead(10000));

  Open(target);
  const QStringList listing = form.List1->Lines();
  form.XPButtonDelete_Click();
  EXPECT_TRUE(fs::exists(target / "held.log"));
  EXPECT_FALSE(fs::exists(target / "old"));
  EXPECT_EQ(form.List1->Lines(), listing);

  holder.kill();
  holder.waitForFinished();
  form.XPButtonDelete_Click();
  EXPECT_FALSE(fs::exists(target));
  EXPECT_TRUE(form.List1->Lines().isEmpty());
  form.XPButtonDelete_Click();  // the folder is gone now
  EXPECT_EQ(form.CurrentFolder(), Q(target));
  EXPECT_EQ(Messages(), "");
}

TEST_F(FolderWindow, DeletingOneFileAsksAndTellsWhyItFailed) {
  TempDir tmp;
  fs::permissions(tmp.path(), fs::perms(0755));
  const fs::path readme = tmp / "LEEME";
  WriteFile(readme, "no dot in the name");
  Open(tmp.path());
  const QStringList listing = form.List1->Lines();

  form.XPButtonDeleteFile_Click();  // cancelled
  EXPECT_EQ(Messages(), "");
  ASSERT_EQ(fileAsks.size(), 1u);
  const QString filter = fileAsks[0].filter;
  EXPECT_TRUE(filter.startsWith("Todos los archivos")) << filter.toStdString();
  const QString patterns = QRegularExpression("\\((.*)\\)").match(filter).captured(1);
  EXPECT_TRUE(QDir::match(patterns, "LEEME"))
      << "a name without a dot shows: " << filter.toStdString();

  file = Q(readme);
  answer = platform::kAnswerNo;
  form.XPButtonDeleteFile_Click();
  EXPECT_TRUE(fs::exists(readme));
  answer = platform::kAnswerYes;
  form.XPButtonDeleteFile_Click();
  EXPECT_FALSE(fs::exists(readme));
  EXPECT_EQ(Messages(), "Info-Respuesta|4|¿Desea eliminar este archivo? " + readme.string() +
                            "\nInfo-Respuesta|4|¿Desea eliminar este archivo? " + readme.string() +
                            "\nInfo|64|Archivo eliminado!\n");
  EXPECT_EQ(form.List1->Lines(), listing);
  EXPECT_EQ(form.CurrentFolder(), Q(tmp.path()));

  if (getuid() != 0) return;
  WriteFile(tmp / "roots.txt", "root's");
  file = Q(tmp / "roots.txt");
  const std::string out = RunAsNobody(tmp / "unused", [&] {
    shown.clear();
    form.XPButtonDeleteFile_Click();
    return Messages();
  });
  EXPECT_EQ(out, "Info-Respuesta|4|¿Desea eliminar este archivo? " + (tmp / "roots.txt").string() +
                     "\nError|48|No se pudo eliminar el archivo " + (tmp / "roots.txt").string() +
                     ": permiso denegado.\n");
  EXPECT_TRUE(fs::exists(tmp / "roots.txt"));
}

}  // namespace
