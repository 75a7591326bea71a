// The update checker against a server on 127.0.0.1.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMessageBox>

#include "platform/System.h"
#include "support/WebTestKit.h"
#include "tools/updates/frmUpdates.h"
#include "tools/updates/modCloseBtn.h"

using testsupport::LocalHttpServer;
using testsupport::SpinUntil;
using tools::frmUpdates;

namespace {

const QString kNotAvailable = "¡El archivo no está disponible en estos momentos!";
const QString kCannot =
    "En estos momentos no se puede bajar el archivo,\r\ninténtelo más adelante gracias.";
const QString kNoNews = "No hay una nueva versión,\r\ninténtelo más adelante.";

const QByteArray kSetup(3000, '\xe9');

struct Updates : testsupport::WebWindowTest {
  int ends = 0;
  QPointer<frmUpdates> form;

  void SetUp() override {
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    Options(("[Servidores]\r\nActualizaciones=" + server.Url("/descargas/updates/") + "\r\n")
                .toStdString());
    // The executable, changed in 2020; its mark is built at run time so this file holds only one.
    testsupport::WriteFile(folder / "WasteWell",
                           "ELF...\x01" + std::string("WasteWell-FileVersion=") + "5.8.0.8;...");
    QFile f(Path("WasteWell"));
    f.open(QIODevice::ReadWrite);
    f.setFileTime(QDateTime(QDate(2020, 1, 1), QTime(12, 0)), QFileDevice::FileModificationTime);
  }
  void TearDown() override {
    if (form) tools::SetCloseBtnState(form, true);
    WebWindowTest::TearDown();
    QLocale::setDefault(QLocale::c());
  }
  QString Path(const char* name) const { return QString::fromStdString((folder / name).string()); }
  void ServeInfo(const QByteArray& info, const LocalHttpServer::Reply& setup = {},
                 int delayMs = 0) {
    messages.clear();
    server.Set("/descargas/updates/WasteWell.txt",
               LocalHttpServer::Answer(200, info, "text/plain", delayMs));
    server.Set("/descargas/WasteWell_setup.exe", setup);
  }
  // Opens, waits for the info file (only in an updates/ it made), checks; true once closed/ending.
  bool OpenAndCheck(const std::function<void()>& beforeCheck = {},
                    const std::function<void()>& afterCheck = {}) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the last one is gone
    form = frmUpdates::Open([this] { ++ends; });
    SpinUntil(
        [&] { return !form || form->Unloaded() || QFile::exists(Path("updates/WasteWell.txt")); },
        5000);
    if (!form || form->Unloaded()) return false;
    if (beforeCheck) beforeCheck();
    form->CommandCheck_Click();
    if (afterCheck && form && !form->Unloaded()) afterCheck();
    return SpinUntil([&] { return ends > 0 || !form || form->Unloaded(); }, 5000);
  }
};

}  // namespace

// Versions compare as text (5810 is older than 589); only a later date makes it newer. Sizes no
// whole count is make the line unusable. Every answer closes the window. In an installed layout
// (no executable in the program folder) the running one's version and date count.
TEST_F(Updates, EachInfoFileGetsItsAnswerAndClosesTheWindow) {
  answer = platform::kAnswerNo;
  const QString offer = "Hay una versión más reciente:";
  const auto info = Path("updates/WasteWell.txt");
  // The line, the answer and how the fetched file is spoilt: 1 removed, 2 a folder in its place.
  const std::tuple<QByteArray, QString, int> rows[] = {
      {"<!DOCTYPE html><html>", kCannot, 0},
      {"589,1,01/01/2030", kCannot, 0},
      {"589,1,pronto,3,4", kCannot, 0},
      {"589,1,01/01/2019,10,x", kCannot, 1},
      {"588,1,01/01/2019,10,x", kNoNews, 0},
      {"589,1,01/01/2019,10,x" + QByteArray(64 * 1024 - 21, ' '), offer, 0},  // 64 KB is read
      {"5810,1,01/01/2019,10,x", kNoNews, 0},
      {"5810,1,01/01/2021,10,x", offer, 0},
      {"589,1,01/01/2019,nan,x", kCannot, 0},
      {"589,1e400,01/01/2019,10,x", kCannot, 0},
      {"589,1,01/01/2019,99999999999,x", kCannot, 0},
      {"589,1,01/01/2019,10,x", kCannot, 2}};
  for (const auto& [line, told, spoil] : rows) {
    ServeInfo(line);
    ASSERT_TRUE(OpenAndCheck([&, spoil = spoil] {
      if (spoil) QFile::remove(info);
      if (spoil == 2) QDir().mkdir(info);
    })) << line.left(30).constData();
    EXPECT_TRUE(LastMessage().startsWith(told)) << line.left(30).constData() << spoil;
  }
  QDir(info).removeRecursively();
  std::filesystem::remove(folder / "WasteWell");
  ServeInfo("588,1,01/01/2019,10,x");
  ASSERT_TRUE(OpenAndCheck());
  EXPECT_EQ(LastMessage(), kNoNews);
  EXPECT_EQ(ends, 0);
}

// In a copy of this program that deletes itself: no executable is left.
TEST_F(Updates, WithoutAnyExecutableNothingCanBeChecked) {
  if (qEnvironmentVariableIsSet("WW_DELETABLE_COPY")) {
    ASSERT_EQ(platform::ExecutablePath(), qgetenv("WW_DELETABLE_COPY").toStdString());
    std::filesystem::remove(platform::ExecutablePath());
    std::filesystem::remove(folder / "WasteWell");
    ServeInfo("589,1,01/01/2019,10,x");
    ASSERT_TRUE(OpenAndCheck());
    EXPECT_EQ(LastMessage(), kCannot);
    return;
  }
  const auto copy = folder / "test_frm_updates";
  std::filesystem::copy_file(platform::ExecutablePath(), copy);
  const std::string run = "WW_DELETABLE_COPY=" + copy.string() + " " + copy.string() +
                          " --gtest_filter=*WithoutAnyExecutable*";
  EXPECT_EQ(std::system(run.c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(copy));  // not skipped: it came as far as the removal
}

// A whole setup handed over ends the program: test_e2e_update_end.
TEST_F(Updates, ASetupCutShortFailedStalledOrNotOpenedNeverEndsTheProgram) {
  answer = platform::kAnswerYes;
  platform::SetStallTimeoutMs(800);
  auto cut = LocalHttpServer::Answer(200, kSetup.left(1500));  // the info line says 3000
  auto stalled = LocalHttpServer::Answer(200, kSetup);
  stalled.stallAfter = 1000;
  for (const auto& reply : {cut, LocalHttpServer::Answer(500, "<html>error</html>"), stalled}) {
    ServeInfo("589,1,01/01/2019,3000,hoy", reply);
    bool closeRefused = false;
    ASSERT_TRUE(OpenAndCheck({}, [&] {
      form->close();
      closeRefused = !form->Command2->isEnabled() && !form->Unloaded();
    })) << reply.status;
    EXPECT_TRUE(closeRefused) << reply.status;
    EXPECT_EQ(LastMessage(), kNotAvailable);
    EXPECT_TRUE(opened.empty());
    EXPECT_FALSE(QFile::exists(Path("updates/WasteWell_setup.exe")));
  }

  openerWorks = false;
  ServeInfo("589,1,01/01/2019,3000,hoy", LocalHttpServer::Answer(200, kSetup));
  ASSERT_TRUE(OpenAndCheck());
  EXPECT_EQ(opened.size(), 1u);
  EXPECT_EQ(LastMessage(), kNotAvailable);
  EXPECT_EQ(ends, 0);
}

// An endless info file fails at 64 KB as a missing one and closes.
TEST_F(Updates, AnEndlessInfoFileIsAFailedTransfer) {
  auto endless = LocalHttpServer::Answer(200, QByteArray(4096, '5'), "text/plain");
  endless.endless = true;
  server.Set("/descargas/updates/WasteWell.txt", endless);
  form = frmUpdates::Open([this] { ++ends; });
  ASSERT_TRUE(SpinUntil([&] { return !form || form->Unloaded(); }, 10000));
  EXPECT_EQ(LastMessage(), kNotAvailable);
}

// Nothing of a window closed while it waits runs later (the program ending: test_e2e_update_end).
TEST_F(Updates, AWindowClosedWhileItWaitsRunsNothingAfterwards) {
  ServeInfo("589,1,01/01/2019,3000,hoy", {}, 1500);
  form = frmUpdates::Open([this] { ++ends; });
  SpinUntil([&] { return server.Requests("/descargas/updates/WasteWell.txt") > 0; }, 3000);
  form->Command2_Click();
  EXPECT_TRUE(Gone(form));
  Wait(2000);
  EXPECT_TRUE(messages.empty());
  EXPECT_FALSE(QFile::exists(Path("updates/WasteWell.txt")));

  // The offer's box on screen when the window goes: the download it would start never does.
  answer = platform::kAnswerYes;
  platform::SetMsgBoxHook(nullptr);
  ServeInfo("589,1,01/01/2019,3000,hoy", LocalHttpServer::Answer(200, kSetup));
  ASSERT_TRUE(OpenAndCheck({}, [&] {
    QPointer<QMessageBox> box = form->findChild<QMessageBox*>();
    ASSERT_TRUE(box && box->isVisible());
    form->Command2_Click();
    EXPECT_TRUE(Gone(form));
    EXPECT_FALSE(box);
  }));
  Wait(500);
  EXPECT_EQ(server.Requests("/descargas/WasteWell_setup.exe"), 0);

  // Closed before its first turn: the fetch that waited for the turn never goes out.
  testsupport::WriteFile(folder / "updates/WasteWell.txt", "old");
  const int infoRequests = server.Requests("/descargas/updates/WasteWell.txt");
  form = frmUpdates::Open([this] { ++ends; });
  form->Command2_Click();
  EXPECT_TRUE(Gone(form));
  Wait(500);
  EXPECT_EQ(server.Requests("/descargas/updates/WasteWell.txt"), infoRequests);
  EXPECT_EQ(ends, 0);
}
