// The folder window on real folders, with recording dialogs and message boxes; the message boxes
// themselves, which wait for nothing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>

#include "app/Inicio.h"
#include "platform/FileDialogs.h"
#include "support/QtTestKit.h"
#include "support/TrashTestKit.h"
#include "tools/folders/FormElige.h"

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

QString Q(const fs::path& p) { return QString::fromStdString(p.string()); }

class FolderWindow : public ::testing::Test {
 protected:
  FolderWindow() {
    platform::SetMsgBoxHook([this](const platform::ShownMessage& m) {
      shown += m.text.toStdString() + "\n";
      return answer;
    });
    platform::SetFolderDialogHook([this](const platform::FolderRequest&) {
      return folders.isEmpty() ? QString() : folders.takeFirst();
    });
    platform::SetFileDialogHook([this](const platform::FileRequest&) { return file; });
  }
  ~FolderWindow() override {
    platform::SetMsgBoxHook(nullptr);
    platform::SetFolderDialogHook(nullptr);
    platform::SetFileDialogHook(nullptr);
  }
  void Open(const fs::path& folder) {
    folders = {Q(folder)};
    form.CommandElige_Click();
  }
  std::string EmptyAndRemove() {
    shown.clear();
    form.XPButtonVaciar_Click();
    form.XPButtonDelete_Click();
    return shown;
  }

  TempDir tmp;
  QApplication* app = App();  // before the window
  tools::FormElige form;
  std::string shown;  // the messages' texts, one a line
  int answer = platform::kAnswerYes;
  QStringList folders;
  QString file;
};

// (The folder above the home: E2eDeletionGuard; the root: FileSystem.)
TEST_F(FolderWindow, TheHomeThroughALinkIsRefused) {
  const fs::path home = tmp / "home", link = tmp / "to-home";
  WriteFile(home / "work" / "thesis.txt", "years");
  fs::create_symlink(home, link);
  ScopedEnv env("HOME", home.string());
  Open(link);
  const QStringList listing = form.List1->Lines();
  const std::string line = "La carpeta \"" + link.string() +
                           "\" es la carpeta personal del usuario: no se vacía ni se elimina.\n";
  EXPECT_EQ(EmptyAndRemove(), line + line);
  EXPECT_EQ(form.List1->Lines(), listing);
  EXPECT_EQ(ReadFile(home / "work" / "thesis.txt"), "years");
}

TEST_F(FolderWindow, AnOrdinaryUserIsToldWhyRootsFileStays) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to drop to another user";
  const fs::path roots = tmp / "roots.txt";
  WriteFile(roots, "root's");
  file = Q(roots);
  const std::string out = RunAsNobody(tmp / "unused", [&] {
    form.XPButtonDeleteFile_Click();
    return shown;
  });
  EXPECT_EQ(out, "¿Desea eliminar este archivo? " + roots.string() +
                     "\nNo se pudo eliminar el archivo " + roots.string() +
                     ": permiso denegado.\n");
  EXPECT_TRUE(fs::exists(roots));
}

// The dialog's text for a name that is not UTF-8, encoded again, names a sibling with U+FFFD.
TEST_F(FolderWindow, ANameTheDialogCouldNotReadDeletesNothing) {
  const fs::path bad = tmp / "t\xff", sibling = tmp / "t\xef\xbf\xbd";
  WriteFile(bad / "a", "a");
  WriteFile(sibling / "b", "b");
  Open(bad);
  EXPECT_EQ(QFile::encodeName(form.CurrentFolder()).toStdString(), sibling.string());
  EXPECT_EQ(form.List1->Lines(), QStringList{form.CurrentFolder()})
      << "the sibling's contents, listed under the chosen name";
  const std::string said = EmptyAndRemove();
  EXPECT_NE(said.find("no se pueden leer"), std::string::npos) << said;
  EXPECT_TRUE(fs::exists(sibling / "b"));
  EXPECT_TRUE(fs::exists(bad / "a"));
  WriteFile(sibling / "a", "a");  // the file the text would name
  file = Q(bad / "a");
  form.XPButtonDeleteFile_Click();
  EXPECT_TRUE(fs::exists(sibling / "a"));
}

TEST_F(FolderWindow, ListsDeletesAndKeepsWhatAProgramHoldsOrTheUserForgot) {
  const fs::path target = tmp / "target", made = tmp / "made", made2 = tmp / "made2",
                 readme = tmp / "LEEME";
  WriteFile(target / "held.log", "in use");
  WriteFile(target / "old" / "x", "x");
  WriteFile(made / "y", "y");
  fs::create_directory(made2);
  WriteFile(readme, "one file");
  Open(target);
  folders = {Q(made), Q(made2)};
  form.XPButtonCrear_Click();
  form.XPButtonCrear_Click();
  EXPECT_EQ(form.List1->Lines(),
            (QStringList{Q(target), "\t" + Q(target), "\t\theld.log", "\t" + Q(target / "old"),
                         "\t\tx", "\t" + Q(made), "\t\ty", "\t" + Q(made2)}));
  form.CommandElige_Click();  // cancelled: nothing is chosen now
  EXPECT_TRUE(form.List1->Lines().isEmpty());
  EXPECT_EQ(EmptyAndRemove(), "No has elegido ninguna carpeta\nNo has elegido ninguna carpeta\n");
  EXPECT_TRUE(fs::exists(made / "y"));
  EXPECT_TRUE(fs::is_directory(made2));

  file = Q(readme);
  answer = platform::kAnswerNo;
  form.XPButtonDeleteFile_Click();
  EXPECT_TRUE(fs::exists(readme));
  answer = platform::kAnswerYes;
  form.XPButtonDeleteFile_Click();
  EXPECT_FALSE(fs::exists(readme));

  QProcess holder;
  holder.start("/bin/sh",
               {"-c", "exec 3<\"$0\"; echo ready; exec sleep 600", Q(target / "held.log")});
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
}

// (Its question closed by the program's end: E2eDeletionGuard.WhileTheToolsAsk...)
TEST_F(FolderWindow, ClosedWithItsDialogUpItKeepsTheFolderChosen) {
  const fs::path kept = tmp / "kept";
  fs::create_directory(kept);
  form.show();
  Open(kept);
  platform::SetFolderDialogHook(nullptr);
  form.CommandElige_Click();
  ASSERT_EQ(OpenDialogs<QFileDialog>().size(), 1u) << "no folder dialog";
  form.close();
  Settle();
  EXPECT_EQ(form.CurrentFolder(), Q(kept));
}

// Nothing waits: the call returns with the box open and its owner free. Its context (a window that
// closed) gone, it closes unanswered.
TEST(MessageBox, ABoxHoldsNothingUpAndClosesUnansweredWhenItsContextGoes) {
  App();
  QWidget owner;
  owner.show();
  auto* context = new QObject(&owner);
  bool answered = false;
  platform::MsgBoxThen(
      QStringLiteral("¿Seguro?"), platform::kOkCancel, QStringLiteral("Pregunta"), &owner, context,
      [&](int) { answered = true; }, false);
  ASSERT_EQ(OpenDialogs<QMessageBox>().size(), 1u);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the box holds up its owner";
  QPointer<QMessageBox> alive(OpenDialogs<QMessageBox>().front());
  delete context;
  Settle();
  EXPECT_FALSE(alive) << "the box stays behind";
  EXPECT_FALSE(answered);
}

}  // namespace

// Qt's own folder dialog, shown wherever the desktop offers none. Last: it changes the language.
TEST(QtTranslations, TheFolderDialogSpeaksSpanish) {
  QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
  App();
  ASSERT_TRUE(app::LoadQtTranslations()) << "qtbase_es.qm is missing";
  QFileDialog dialog(nullptr, QStringLiteral("Carpeta"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::Directory);
  QStringList texts;
  for (QLabel* l : dialog.findChildren<QLabel*>()) texts << l->text();
  EXPECT_TRUE(texts.contains("Ver en:")) << texts.join('|').toStdString();  // "Look in:"
}
