// The temporary-folder cleaner on a real folder (TMPDIR and HOME point into a test folder).
#include <gtest/gtest.h>

#include <QLocale>
#include <QProcess>

#include "platform/MessageBox.h"
#include "support/QtTestKit.h"
#include "support/TempDir.h"
#include "tools/tempdir/FormTempDir.h"
#include "tools/tempdir/SizeText.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

struct Cleaner : ::testing::Test {
  Cleaner() {
    fs::create_directories(root);
    WriteFile(home / "canary", "must stay");
  }
  ~Cleaner() override { delete form; }
  QStringList Lines() const { return form->ListTempDir->Lines(); }
  TempDir tmp;
  fs::path root = tmp / "temp", home = tmp / "home";
  ScopedEnv tmpdir{"TMPDIR", root.string()}, homeEnv{"HOME", home.string()};
  QApplication* app = App();
  tools::FormTempDir* form = new tools::FormTempDir;  // after TMPDIR and HOME
};

}  // namespace

TEST(TempDir, SizeTextsInTheUsersLocale) {
  for (const auto& [locale, sep] :
       {std::pair{QLocale::Spanish, QString(",")}, std::pair{QLocale::English, QString(".")}}) {
    QLocale::setDefault(QLocale(locale));
    EXPECT_EQ(tools::SizeText(1024, true), "1024 bytes");
    EXPECT_EQ(tools::SizeText(1025, true), "1" + sep + "00 KB");
    EXPECT_EQ(tools::SizeText(1234567890, true), "1177" + sep + "38 MB") << "no group separator";
  }
  QLocale::setDefault(QLocale::c());
}

TEST_F(Cleaner, EmptiesOnlyTheListedFolderAndKeepsWhatIsInUse) {
  form->CommandMostrar_Click();
  const QString top = "\t" + QString::fromStdString(root.string());
  EXPECT_EQ(Lines(), QStringList{top});
  EXPECT_EQ(form->LabelOkupa->text(), "Espacio Ocupado Actual: 0 bytes");

  // Arrives after the listing; a running program holds it open.
  WriteFile(root / "in-use.log", std::string(2048, 'l'));
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
    EXPECT_EQ(cancel.shown.size(), 1u);
  }
  EXPECT_TRUE(fs::exists(root / ".hidden" / "deep" / "x")) << "cancelled";

  WriteFile(tmp / "other" / "b", "b");
  ScopedEnv moved("TMPDIR", (tmp / "other").string());
  MessageLog ok;
  form->CommandBorrar_Click();
  holder.kill();
  holder.waitForFinished();
  EXPECT_EQ(Lines(), (QStringList{top, "\t\tin-use.log"}));
  EXPECT_FALSE(fs::exists(root / ".hidden"));
  EXPECT_TRUE(fs::exists(tmp / "other" / "b"));
  EXPECT_EQ(form->LabelGanado->text(), "Espacio Ganado: -2048 bytes");
  EXPECT_EQ(form->LabelOkupa->text(), "Espacio Ocupado Actual: 2.00 KB");
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

TEST_F(Cleaner, AMissingFolderAndTheTooltipOfAFarLine) {
  ScopedEnv gone("TMPDIR", (tmp / "missing").string());
  MessageLog msgs;
  form->CommandMostrar_Click();
  ASSERT_EQ(msgs.shown.size(), 1u);
  EXPECT_EQ(msgs.shown[0].text, "Carpeta temporal no encontrada!");

  QStringList many;
  for (int i = 0; i < 100000; ++i) many << "\t\tline " + QString::number(i);
  form->resize(400, 300);
  form->show();
  form->ListTempDir->SetLines(many);
  const QModelIndex far = form->ListTempDir->model()->index(70000, 0);
  form->ListTempDir->scrollTo(far);
  const QPoint inside = form->ListTempDir->visualRect(far).center();
  EXPECT_EQ(form->ListTempDir->ToolTipAt(inside), "\t\tline 70000");
}
