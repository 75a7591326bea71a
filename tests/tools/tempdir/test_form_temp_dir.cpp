// The temporary-folder cleaner, TMPDIR and HOME in a test folder; the screen capture, a real JPEG
// of the whole desktop, written whole or not at all.
#include <gmock/gmock.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <cmath>

#include "support/QtTestKit.h"
#include "support/TrashTestKit.h"
#include "support/WebTestKit.h"
#include "tools/snapshot/Snapshot.h"
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
  TempDir tmp;
  fs::path root = tmp / "temp", home = tmp / "home";
  ScopedEnv tmpdir{"TMPDIR", root.string()}, homeEnv{"HOME", home.string()};
  QApplication* app = App();
  std::unique_ptr<tools::FormTempDir> form = std::make_unique<tools::FormTempDir>();  // after env
};

}  // namespace

TEST(SizeText, TheUsersDecimalSeparatorAndNoGrouping) {
  for (const auto& [locale, sep] :
       {std::pair{QLocale::Spanish, QString(",")}, std::pair{QLocale::English, QString(".")}}) {
    QLocale::setDefault(QLocale(locale));
    EXPECT_EQ(tools::SizeText(1024, true), "1024 bytes");
    EXPECT_EQ(tools::SizeText(1025, true), "1" + sep + "00 KB");
    EXPECT_EQ(tools::SizeText(1048576, false), "1" + sep + "00 MB");
  }
  QLocale::setDefault(QLocale::c());
}

TEST_F(Cleaner, EmptiesOnlyTheListedFolderKeepsWhatIsInUseAndSaysWhatStayed) {
  EXPECT_FALSE(form->CommandBorrar->isEnabled()) << "nothing listed yet";
  form->CommandMostrar_Click();
  // Arrives after the listing; a running program holds it open.
  WriteFile(root / "in-use.log", std::string(2048, 'l'));
  QProcess holder;
  holder.start("/bin/sh", {"-c", "exec 3<\"$0\"; echo ready; exec sleep 600",
                           QString::fromStdString((root / "in-use.log").string())});
  ASSERT_TRUE(holder.waitForReadyRead(10000));
  WriteFile(root / "ro.txt", "read-only");
  fs::permissions(root / "ro.txt", fs::perms(0444));
  WriteFile(root / ".hidden" / "deep" / "x", "x");
  const QStringList listed = form->ListTempDir->Lines();
  {
    MessageLog cancel(platform::kAnswerCancel);
    form->CommandBorrar_Click();
  }
  EXPECT_TRUE(fs::exists(root / ".hidden" / "deep" / "x")) << "cancelled";
  EXPECT_EQ(form->ListTempDir->Lines(), listed);
  EXPECT_TRUE(form->CommandBorrar->isEnabled());

  MessageLog ok;
  WriteFile(tmp / "other" / "b", "b");
  {
    ScopedEnv moved("TMPDIR", (tmp / "other").string());
    form->CommandBorrar_Click();
  }
  EXPECT_EQ(form->ListTempDir->Lines(),
            (QStringList{"\t" + QString::fromStdString(root.string()), "\t\tin-use.log"}));
  EXPECT_FALSE(fs::exists(root / ".hidden"));
  EXPECT_TRUE(fs::exists(tmp / "other" / "b"));
  EXPECT_EQ(form->LabelGanado->text(), "Espacio Ganado: -2048 bytes");
  EXPECT_FALSE(form->CommandBorrar->isEnabled()) << "until the next listing";
  EXPECT_EQ(form->StatusPanel1->text(), "Archivos eliminados.");
  // When nothing went, what stayed.
  form->CommandMostrar_Click();
  form->CommandBorrar_Click();
  EXPECT_EQ(form->StatusPanel1->text(),
            "No se eliminó nada: queda 1 elemento en uso, protegido o ajeno.");
  holder.kill();
  holder.waitForFinished();
}

// (The folder that holds the home: E2eDeletionGuard; the root: FileSystem.)
TEST_F(Cleaner, NeverEmptiesTheHomeOrARelativeFolder) {
  fs::create_directory_symlink(home, tmp / "to-home");
  for (const std::string& dir : {(tmp / "to-home").string(), std::string(".")}) {
    ScopedEnv tmpdir("TMPDIR", dir);
    MessageLog msgs;
    form->CommandMostrar_Click();
    form->CommandBorrar_Click();
    ASSERT_EQ(msgs.shown.size(), 1u) << dir;
    EXPECT_THAT(msgs.shown[0].text.toStdString(),
                testing::StartsWith("No se vaciará la carpeta \"" + dir));
  }
  EXPECT_EQ(ReadFile(home / "canary"), "must stay");
}

TEST_F(Cleaner, AFolderSwappedDuringTheQuestionIsNotEmptied) {
  WriteFile(root / "junk", "j");
  WriteFile(tmp / "precious" / "f", "keep");
  form->CommandMostrar_Click();
  MessageLog messages(platform::kAnswerOk, [&] {
    fs::rename(root, tmp / "moved");
    fs::create_directory_symlink(tmp / "precious", root);
  });
  form->CommandBorrar_Click();
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_EQ(messages.shown[1].text, "La carpeta \"" + QString::fromStdString(root.string()) +
                                        "/\" ha cambiado mientras se preguntaba: no se vacía.");
  EXPECT_EQ(ReadFile(tmp / "precious" / "f"), "keep");
  EXPECT_EQ(ReadFile(tmp / "moved" / "junk"), "j") << "nor what was swapped out";
}

// The folder beside it, whose name its lossy text spells, keeps its files.
TEST_F(Cleaner, ANameThatIsNotUtf8EmptiesThatFolderOnly) {
  const fs::path bad = tmp / "t\xff", look = tmp / "t\xef\xbf\xbd";
  WriteFile(bad / "junk", "j");
  WriteFile(look / "f", "keep");
  ScopedEnv tmpdir("TMPDIR", bad.string());
  MessageLog ok;
  form->CommandMostrar_Click();
  form->CommandBorrar_Click();
  EXPECT_FALSE(fs::exists(bad / "junk"));
  EXPECT_EQ(ReadFile(look / "f"), "keep");
}

// Every label, the status bar's date and time included, reads at 4.5:1 (WCAG) or more: its
// strongest pixel against the background at its left edge, as the window is drawn.
TEST_F(Cleaner, EveryTextReadsAtLeastFourAndAHalfToOne) {
  const auto luminance = [](QRgb c) {
    double l = 0.05;
    for (auto [v, w] : {std::pair{qRed(c), 0.2126}, {qGreen(c), 0.7152}, {qBlue(c), 0.0722}})
      l += w * (v <= 10 ? v / 255.0 / 12.92 : std::pow((v / 255.0 + 0.055) / 1.055, 2.4));
    return l;
  };
  form->show();
  form->StatusPanel1->setText(QStringLiteral("Buscando archivos..."));
  form->LabelOkupa->setText(QStringLiteral("Ocupa: 1 KB"));
  QCoreApplication::processEvents();
  const QImage shot = form->grab().toImage();
  for (QLabel* label : {form->LabelTempDir, form->LabelOkupa, form->StatusPanel1, form->StatusDate,
                        form->StatusTime}) {
    ASSERT_FALSE(label->text().isEmpty());
    const QRect r = QRect(label->mapTo(form.get(), QPoint()), label->size()) & shot.rect();
    const double background = luminance(shot.pixel(r.left(), r.center().y()));
    double best = 1;
    for (int i = 0; i < r.width() * r.height(); ++i) {
      const double l = luminance(shot.pixel(r.x() + i % r.width(), r.y() + i / r.width()));
      best = std::max({best, l / background, background / l});
    }
    EXPECT_GE(best, 4.5) << label->text().toStdString();
  }
}

struct Host : tools::ToolHost {
  void UnloadAllForms() override {}
  QWidget* HostWindow() override { return nullptr; }
};

TEST(Snapshot, AJpegOfTheWholeDesktopInPlaceOfTheLastOrAFailureIsTold) {
  WebTestKit kit(false);  // the program folder, messages and opener
  Host host;
  const fs::path file = kit.folder / "mysnap.jpg";
  WriteFile(file, "an older capture");  // replaced
  tools::SnapshotTool().Open(host);
  EXPECT_EQ(ReadFile(file).substr(0, 3), "\xFF\xD8\xFF") << "a JPEG, not a bitmap under a .jpg";
  EXPECT_EQ(QImage(QString::fromStdString(file.string())).size(),
            QGuiApplication::primaryScreen()->virtualGeometry().size());

  // A folder that is gone, or one the user cannot write: no file, and the reason.
  settings::SetProgramFolder(kit.folder / "gone");
  tools::SnapshotTool().Open(host);
  ASSERT_EQ(kit.messages.size(), 2u);
  EXPECT_EQ(kit.messages[1].text, "Ocurrió algún error al guardar la imagen: el archivo no existe");
  if (getuid() != 0) GTEST_SKIP() << "needs root to drop to another user";
  fs::create_directory(kit.folder / "closed");
  settings::SetProgramFolder(kit.folder / "closed");
  const std::string out = RunAsNobody(kit.folder / "unused", [&] {
    tools::SnapshotTool().Open(host);
    return kit.messages.back().text.toStdString();
  });
  EXPECT_EQ(out, "Ocurrió algún error al guardar la imagen: permiso denegado");
  EXPECT_FALSE(fs::exists(kit.folder / "closed" / "mysnap.jpg"));
}
