// The temporary-folder cleaner on a real folder (TMPDIR and HOME point into a test folder).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QLocale>
#include <QProcess>
#include <QScrollBar>

#include "platform/MessageBox.h"
#include "support/QtTestKit.h"
#include "support/TempDir.h"
#include "tools/tempdir/FormTempDir.h"
#include "tools/tempdir/SizeText.h"

namespace fs = std::filesystem;
using namespace testsupport;
using tools::FormTempDir;

using testsupport::App;
using testsupport::MessageLog;

namespace {

struct Cleaner {
  explicit Cleaner(const TempDir& tmp)
      : root(tmp / "temp"),
        home(tmp / "home"),
        tmpdir("TMPDIR", root.string()),
        homeEnv("HOME", home.string()) {
    App();
    fs::create_directories(root);
    WriteFile(home / "canary", "must stay");
    form = new FormTempDir;
  }
  ~Cleaner() { delete form.data(); }
  QStringList Lines() const { return form->ListTempDir->Lines(); }
  fs::path root, home;
  ScopedEnv tmpdir, homeEnv;
  QPointer<FormTempDir> form;
};

}  // namespace

TEST(TempDir, SizeTextsInTheUsersLocale) {
  for (const auto& [locale, sep] :
       {std::pair{QLocale::Spanish, QString(",")}, std::pair{QLocale::English, QString(".")}}) {
    QLocale::setDefault(QLocale(locale));
    EXPECT_EQ(tools::SizeText(0, true), "0 bytes");
    EXPECT_EQ(tools::SizeText(1024, true), "1024 bytes");
    EXPECT_EQ(tools::SizeText(1025, true), "1" + sep + "00 KB");
    EXPECT_EQ(tools::SizeText(1048576, false), "1" + sep + "00 MB");
    EXPECT_EQ(tools::SizeText(-2048, true), "-2048 bytes");
    EXPECT_EQ(tools::SizeText(1234567890, true), "1177" + sep + "38 MB") << "no group separator";
  }
  QLocale::setDefault(QLocale::c());
}

TEST(TempDir, ListMeasureEmptyAndTheSpaceGained) {
  TempDir tmp;
  Cleaner c(tmp);
  MessageLog msgs;
  EXPECT_EQ(c.form->LabelTempDir->text(), "Dir: " + QString::fromStdString(c.root.string()) + "/");
  EXPECT_FALSE(c.form->CommandBorrar->isEnabled());
  c.form->CommandMostrar_Click();
  const QString top = "\t" + QString::fromStdString(c.root.string());
  EXPECT_EQ(c.Lines(), QStringList{top});
  EXPECT_EQ(c.form->LabelOkupa->text(), "Espacio Ocupado Actual: 0 bytes");
  EXPECT_TRUE(c.form->CommandBorrar->isEnabled());

  // While listed, a program puts a 2048-byte file there and keeps it open: it stays.
  WriteFile(c.root / "in-use.log", std::string(2048, 'l'));
  QProcess holder;  // a program that opens the file, says so, and keeps it open
  holder.start("/bin/sh", {"-c", "exec 3<\"$0\"; echo ready; exec sleep 600",
                           QString::fromStdString((c.root / "in-use.log").string())});
  ASSERT_TRUE(holder.waitForReadyRead(10000));
  WriteFile(c.root / "ro.txt", "read-only");
  fs::permissions(c.root / "ro.txt", fs::perms(0444));
  WriteFile(c.root / ".hidden" / "deep" / "x", "x");
  c.form->CommandBorrar_Click();
  holder.kill();
  holder.waitForFinished();
  EXPECT_EQ(c.Lines(), (QStringList{top, "\t\tin-use.log"}));
  EXPECT_EQ(c.form->LabelGanado->text(), "Espacio Ganado: -2048 bytes");
  EXPECT_EQ(c.form->LabelOkupa->text(), "Espacio Ocupado Actual: 2.00 KB");
  EXPECT_EQ(c.form->StatusPanel1->text(), "Archivos eliminados.");
  EXPECT_FALSE(c.form->CommandBorrar->isEnabled());
  EXPECT_TRUE(c.form->CommandMostrar->isEnabled());
  ASSERT_EQ(msgs.shown.size(), 1u);
  EXPECT_EQ(msgs.shown[0].title, "Vaciar Temp");
  EXPECT_EQ(msgs.shown[0].style, platform::kOkCancel | platform::kExclamation);
}

TEST(TempDir, CancelChangesNothingAndBorrarEmptiesWhatWasListed) {
  TempDir tmp;
  Cleaner c(tmp);
  WriteFile(c.root / "a", "aaaa");
  c.form->CommandMostrar_Click();
  const QStringList listed = c.Lines();
  const QString occupied = c.form->LabelOkupa->text();
  {
    MessageLog cancel(platform::kAnswerCancel);
    c.form->CommandBorrar_Click();
  }
  EXPECT_EQ(c.Lines(), listed);
  EXPECT_EQ(c.form->LabelOkupa->text(), occupied);
  EXPECT_TRUE(c.form->CommandBorrar->isEnabled());
  EXPECT_TRUE(fs::exists(c.root / "a"));

  // TMPDIR changes after the listing: the listed folder is the one emptied.
  WriteFile(tmp / "other" / "b", "b");
  ScopedEnv moved("TMPDIR", (tmp / "other").string());
  MessageLog ok;
  c.form->CommandBorrar_Click();
  EXPECT_FALSE(fs::exists(c.root / "a"));
  EXPECT_TRUE(fs::exists(tmp / "other" / "b"));
}

TEST(TempDir, NeverEmptiesTheHomeTheRootOrARelativeFolder) {
  TempDir tmp;
  Cleaner c(tmp);
  for (const std::string& dir : {c.home.string() + "/", std::string("/"), std::string(".")}) {
    ScopedEnv tmpdir("TMPDIR", dir);
    MessageLog msgs;
    c.form->CommandMostrar_Click();
    c.form->CommandBorrar_Click();
    ASSERT_EQ(msgs.shown.size(), 1u) << dir;
    EXPECT_TRUE(msgs.shown[0].text.contains(QString::fromStdString(dir))) << dir;
    EXPECT_TRUE(msgs.shown[0].text.startsWith("No se vaciará")) << dir;
  }
  EXPECT_EQ(ReadFile(c.home / "canary"), "must stay");
}

TEST(TempDir, AMissingFolderAndTheTooltipOfAFarLine) {
  TempDir tmp;
  Cleaner c(tmp);
  ScopedEnv gone("TMPDIR", (tmp / "missing").string());
  MessageLog msgs;
  c.form->CommandMostrar_Click();
  ASSERT_EQ(msgs.shown.size(), 1u);
  EXPECT_EQ(msgs.shown[0].text, "Carpeta temporal no encontrada!");
  EXPECT_EQ(msgs.shown[0].style, platform::kInformation);
  EXPECT_TRUE(c.form->CommandBorrar->isEnabled());

  QStringList many;
  for (int i = 0; i < 100000; ++i) many << "\t\tline " + QString::number(i);
  c.form->resize(400, 300);
  c.form->show();
  c.form->ListTempDir->SetLines(many);
  const QModelIndex far = c.form->ListTempDir->model()->index(70000, 0);
  c.form->ListTempDir->scrollTo(far);
  const QPoint inside = c.form->ListTempDir->visualRect(far).center();
  EXPECT_EQ(c.form->ListTempDir->ToolTipAt(inside), "\t\tline 70000");
}
