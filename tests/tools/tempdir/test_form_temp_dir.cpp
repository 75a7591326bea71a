// The temporary-folder cleaner on a real folder (TMPDIR and HOME point into a test folder).
#include <gtest/gtest.h>

#include <QProcess>

#include "platform/MessageBox.h"
#include "support/QtTestKit.h"
#include "support/TempDir.h"
#include "tools/tempdir/FormTempDir.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

struct Cleaner : ::testing::Test {
  Cleaner() {
    fs::create_directories(root);
    WriteFile(home / "canary", "must stay");
  }
  ~Cleaner() override { delete form; }
  TempDir tmp;
  fs::path root = tmp / "temp", home = tmp / "home";
  ScopedEnv tmpdir{"TMPDIR", root.string()}, homeEnv{"HOME", home.string()};
  QApplication* app = App();
  tools::FormTempDir* form = new tools::FormTempDir;  // after TMPDIR and HOME
};

}  // namespace

TEST_F(Cleaner, EmptiesOnlyTheListedFolderAndKeepsWhatIsInUse) {
  form->CommandMostrar_Click();
  // Arrives after the listing; a running program holds it open.
  WriteFile(root / "in-use.log", "held");
  QProcess holder;
  holder.start("/bin/sh", {"-c", "exec 3<\"$0\"; echo ready; exec sleep 600",
                           QString::fromStdString((root / "in-use.log").string())});
  ASSERT_TRUE(holder.waitForReadyRead(10000));
  WriteFile(root / "ro.txt", "read-only");
  fs::permissions(root / "ro.txt", fs::perms(0444));
  WriteFile(root / ".hidden" / "deep" / "x", "x");
  {
    MessageLog cancel(platform::kAnswerCancel);
    form->CommandBorrar_Click();
  }
  EXPECT_TRUE(fs::exists(root / ".hidden" / "deep" / "x")) << "cancelled";

  WriteFile(tmp / "other" / "b", "b");
  ScopedEnv moved("TMPDIR", (tmp / "other").string());
  MessageLog ok;
  form->CommandBorrar_Click();
  holder.kill();
  holder.waitForFinished();
  EXPECT_EQ(form->ListTempDir->Lines(),
            (QStringList{"\t" + QString::fromStdString(root.string()), "\t\tin-use.log"}));
  EXPECT_FALSE(fs::exists(root / ".hidden"));
  EXPECT_TRUE(fs::exists(tmp / "other" / "b"));
}

TEST_F(Cleaner, NeverEmptiesTheHomeTheRootOrARelativeFolder) {
  fs::create_directory_symlink(home, tmp / "to-home");
  for (const std::string& dir :
       {home.string() + "/", (tmp / "to-home").string(), std::string("/"), std::string(".")}) {
    ScopedEnv tmpdir("TMPDIR", dir);
    MessageLog msgs;
    form->CommandMostrar_Click();
    form->CommandBorrar_Click();
    ASSERT_EQ(msgs.shown.size(), 1u) << dir;
    EXPECT_TRUE(
        msgs.shown[0].text.startsWith("No se vaciará la carpeta \"" + QString::fromStdString(dir)))
        << msgs.shown[0].text.toStdString();
  }
  EXPECT_EQ(ReadFile(home / "canary"), "must stay");
}
