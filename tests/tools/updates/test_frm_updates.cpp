// The update checker against a server on 127.0.0.1.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QPointer>

#include "support/LocalHttpServer.h"
#include "support/WebTestKit.h"
#include "tools/updates/UpdateInfo.h"
#include "tools/updates/VerVersion.h"
#include "tools/updates/frmUpdates.h"
#include "tools/updates/modCloseBtn.h"

using testsupport::LocalHttpServer;
using testsupport::SpinUntil;
using tools::frmUpdates;

namespace {

const QString kNotAvailable = "¡El archivo no está disponible en estos momentos!";
const QString kCannot = "En estos momentos no se puede bajar el archivo,\r\ninténtelo más adelante gracias.";
const QString kNoNews = "No hay una nueva versión,\r\ninténtelo más adelante.";

// A version mark built at run time, so that this program's own file holds
// none but the compiled-in one.
std::string Mark(const std::string& version) {
  return std::string(1, '\x01') + "WasteWell-FileVersion=" + version + ";";
}

QByteArray SetupBytes(int n) {
  QByteArray b;
  for (int i = 0; i < n; ++i) b += char(i * 13 + 1);
  return b;
}

struct Updates : ::testing::Test {
  testsupport::WebTestKit kit;
  LocalHttpServer server;
  int ends = 0;
  QPointer<frmUpdates> form;

  void SetUp() override {
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    kit.Options(("[Servidores]\r\nActualizaciones=" + server.Url("/descargas/updates/") + "\r\n")
                    .toStdString());
    // The program's executable, with its version mark, last changed in 2020.
    const QString exe = QString::fromStdString((kit.folder / "WasteWell").string());
    testsupport::WriteFile(exe.toStdString(), "ELF..." + Mark("5.8.0.8") + "...");
    QFile f(exe);
    f.open(QIODevice::ReadWrite);
    f.setFileTime(QDateTime(QDate(2020, 1, 1), QTime(12, 0)), QFileDevice::FileModificationTime);
  }
  void TearDown() override {
    platform::SetStallTimeoutMs(30000);
    if (form) {
      tools::SetCloseBtnState(form, true);
      form->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QLocale::setDefault(QLocale::c());
  }
  void Info(const QByteArray& line) {
    server.Set("/descargas/updates/WasteWell.txt", LocalHttpServer::Answer(200, line, "text/plain"));
  }
  std::string InfoPath() const { return (kit.folder / "updates/WasteWell.txt").string(); }
  std::string SetupPath() const { return (kit.folder / "updates/WasteWell_setup.exe").string(); }
  // Opens the window and waits until the info file arrived or it closed.
  void OpenAndFetch() {
    form = frmUpdates::Open([this] { ++ends; });
    SpinUntil([&] { return !form || form->Unloaded() || QFile::exists(QString::fromStdString(InfoPath())); },
              5000);
  }
  bool Closed() { return SpinUntil([&] { return !form || form->Unloaded(); }, 5000); }
  QString LastMessage() { return kit.messages.empty() ? QString() : kit.messages.back().text; }
};

}  // namespace

TEST(UpdateRules, VersionTextDatesAndAddresses) {
  testsupport::App();
  EXPECT_EQ(tools::VerVersion(QCoreApplication::applicationFilePath()), "588");  // compiled in
  testsupport::TempDir dir;
  testsupport::WriteFile(dir / "other", Mark("5.8.3.12"));
  testsupport::WriteFile(dir / "plain", "no mark " + Mark("").substr(0, 20));
  EXPECT_EQ(tools::VerVersion(QString::fromStdString((dir / "other").string())), "5812");
  EXPECT_EQ(tools::VerVersion(QString::fromStdString((dir / "plain").string())), "");
  EXPECT_EQ(tools::VerVersion("/nonexistent"), "");

  EXPECT_TRUE(tools::IsNewerVersion("589", "588"));
  EXPECT_FALSE(tools::IsNewerVersion("5810", "588"));
  EXPECT_TRUE(tools::IsNewerVersion("1", ""));
  EXPECT_EQ(tools::SetupUrl("http://h/x/descargas/updates/"), "http://h/x/descargas/WasteWell_setup.exe");

  const QLocale es(QLocale::Spanish, QLocale::Spain);
  EXPECT_EQ(tools::ToDateTime("02/03/2030", es)->date(), QDate(2030, 3, 2));
  EXPECT_EQ(tools::ToDateTime("02/03/2030 10:20:30", es)->time(), QTime(10, 20, 30));
  EXPECT_EQ(tools::ToDateTime("03/02/2030", QLocale(QLocale::English, QLocale::UnitedStates))->date(),
            QDate(2030, 3, 2));
  EXPECT_FALSE(tools::ToDateTime("mañana", es));
  EXPECT_EQ(tools::ProgressText(3000, "3000", 100.0f, es), "Descargados 3000 de 3000 bytes (100,00%)");
  EXPECT_EQ(tools::ProgressText(1500, "x", 0.0f, QLocale::c()), "Descargados 1500 de x bytes (0.00%)");
}

TEST_F(Updates, NoServerConfiguredGivesTheTransferMessage) {
  kit.Options("");
  OpenAndFetch();
  ASSERT_TRUE(Closed());
  EXPECT_EQ(LastMessage(), kNotAvailable);
  EXPECT_EQ(kit.messages.back().title, "Updates");
  EXPECT_EQ(kit.messages.back().style, platform::kInformation);
}

TEST_F(Updates, CheckButtonWaitsFiveTicks) {
  Info("588,1,01/01/2000,10,x");
  OpenAndFetch();
  ASSERT_TRUE(form && !form->Unloaded());
  EXPECT_EQ(form->TextSite->text(), server.Url("/descargas/updates/"));
  for (int i = 0; i < 4; ++i) {
    form->TimerUpdates_Timer();
    EXPECT_FALSE(form->CommandCheck->isEnabled());
    EXPECT_EQ(form->LabelDown->text(), "Un momento por favor");
  }
  form->TimerUpdates_Timer();
  EXPECT_TRUE(form->CommandCheck->isEnabled());
  EXPECT_TRUE(form->LabelDown->text().isEmpty());
  EXPECT_FALSE(form->TimerUpdates->isActive());
}

TEST_F(Updates, InfoLinesThatCannotBeUsedCloseTheWindow) {
  for (const QByteArray& line : {QByteArray("<!DOCTYPE html><html>"), QByteArray(""),
                                 QByteArray("589,1,01/01/2030"), QByteArray("589,1,pronto,3,4")}) {
    kit.messages.clear();
    Info(line);
    OpenAndFetch();
    ASSERT_TRUE(form && !form->Unloaded()) << line.constData();
    form->CommandCheck_Click();
    ASSERT_TRUE(Closed());
    EXPECT_EQ(LastMessage(), kCannot) << line.constData();
    EXPECT_EQ(kit.messages.back().style, platform::kExclamation);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST_F(Updates, VersionsCompareAsTextDatesDecideTheRest) {
  kit.answer = platform::kAnswerNo;
  struct Case {
    QByteArray line;
    bool offer;
  };
  for (const Case& c : {Case{"588,1,01/01/2019,10,x", false}, Case{"589,1,01/01/2019,10,x", true},
                        Case{"5810,1,01/01/2019,10,x", false}, Case{"5810,1,01/01/2021,10,x", true}}) {
    kit.messages.clear();
    Info(c.line);
    OpenAndFetch();
    ASSERT_TRUE(form && !form->Unloaded());
    form->CommandCheck_Click();
    ASSERT_TRUE(Closed());  // No also closes
    ASSERT_FALSE(kit.messages.empty());
    EXPECT_EQ(LastMessage().startsWith("Hay una versión más reciente:"), c.offer) << c.line.constData();
    if (!c.offer) {
      EXPECT_EQ(LastMessage(), kNoNews);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST_F(Updates, TheOfferShowsTheFields) {
  kit.answer = platform::kAnswerNo;
  Info("588,123,31/12/2030 10:00:00,1048576,  15/01/2031  \r\nsecond line ignored");
  OpenAndFetch();
  form->CommandCheck_Click();
  ASSERT_FALSE(kit.messages.empty());
  EXPECT_EQ(LastMessage(),
            "Hay una versión más reciente:\r\nVersión: 588\r\nTamaño del setup: 1048576 bytes\r\n"
            "Fecha del setup: 15/01/2031\r\n¿Desea descargarla?");
  EXPECT_EQ(kit.messages.back().style, platform::kYesNo | platform::kInformation);
}

TEST_F(Updates, AWholeSetupIsStartedAndTheProgramEnds) {
  kit.answer = platform::kAnswerYes;
  const QByteArray setup = SetupBytes(3000);
  Info("589,1,01/01/2019,3000,hoy");
  server.Set("/descargas/WasteWell_setup.exe", LocalHttpServer::Answer(200, setup, "application/octet-stream"));
  OpenAndFetch();
  for (int i = 0; i < 5; ++i) form->TimerUpdates_Timer();
  form->CommandCheck_Click();
  ASSERT_TRUE(SpinUntil([&] { return ends > 0 || !form || form->Unloaded(); }, 5000));
  EXPECT_EQ(ends, 1);
  ASSERT_EQ(kit.opened.size(), 1u);
  EXPECT_EQ(kit.opened[0].toStdString(), SetupPath());
  EXPECT_EQ(testsupport::ReadFile(SetupPath()), setup.toStdString());
  ASSERT_TRUE(form);
  EXPECT_EQ(form->ProgressBar1->value(), 100);
  // The five ticks are over: the last text is the closing one.
  EXPECT_EQ(form->LabelDown->text(), "Finalizando...");
}

TEST_F(Updates, ProgressTextReadsTheWholeCountWhileTheTimerStillRuns) {
  kit.answer = platform::kAnswerYes;
  Info("589,1,01/01/2019,3000,hoy");
  server.Set("/descargas/WasteWell_setup.exe", LocalHttpServer::Answer(200, SetupBytes(3000), "application/octet-stream"));
  OpenAndFetch();
  form->CommandCheck_Click();  // within the first five ticks: the timer still runs
  ASSERT_TRUE(SpinUntil([&] { return ends > 0; }, 5000));
  EXPECT_EQ(form->LabelDown->text(), "Descargados 3000 de 3000 bytes (100,00%)");
}

TEST_F(Updates, ASetupCutShortFailedOrStalledIsNeverStarted) {
  kit.answer = platform::kAnswerYes;
  platform::SetStallTimeoutMs(800);
  auto cut = LocalHttpServer::Answer(200, SetupBytes(1500), "application/octet-stream");
  cut.length = 1500;  // the server ends early; the info line says 3000
  auto stalled = LocalHttpServer::Answer(200, SetupBytes(3000), "application/octet-stream");
  stalled.stallAfter = 1000;
  const std::vector<LocalHttpServer::Reply> replies{cut, LocalHttpServer::Answer(500, "<html>error</html>"),
                                                   stalled};
  for (const auto& reply : replies) {
    kit.messages.clear();
    Info("589,1,01/01/2019,3000,hoy");
    server.Set("/descargas/WasteWell_setup.exe", reply);
    OpenAndFetch();
    form->CommandCheck_Click();
    EXPECT_FALSE(form->Command2->isEnabled());
    form->close();  // refused during the download
    EXPECT_FALSE(form->Unloaded());
    ASSERT_TRUE(Closed()) << reply.status;
    EXPECT_EQ(LastMessage(), kNotAvailable);
    EXPECT_TRUE(kit.opened.empty());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(SetupPath())));
    EXPECT_EQ(ends, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST_F(Updates, AnOpenerThatFailsLeavesTheProgramRunning) {
  kit.answer = platform::kAnswerYes;
  kit.openerWorks = false;
  Info("589,1,01/01/2019,3000,hoy");
  server.Set("/descargas/WasteWell_setup.exe", LocalHttpServer::Answer(200, SetupBytes(3000), "application/octet-stream"));
  OpenAndFetch();
  form->CommandCheck_Click();
  ASSERT_TRUE(Closed());
  EXPECT_EQ(kit.opened.size(), 1u);
  EXPECT_EQ(LastMessage(), kNotAvailable);
  EXPECT_EQ(ends, 0);
}

TEST_F(Updates, ClosingWhileTheInfoFileIsSlowCancelsIt) {
  auto slow = LocalHttpServer::Answer(200, "589,1,01/01/2019,3000,hoy", "text/plain");
  slow.delayMs = 1500;
  server.Set("/descargas/updates/WasteWell.txt", slow);
  form = frmUpdates::Open([this] { ++ends; });
  SpinUntil([&] { return server.Requests("/descargas/updates/WasteWell.txt") > 0; }, 3000);
  form->Command2_Click();
  EXPECT_TRUE(form->Unloaded());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(form);
  SpinUntil([] { return false; }, 2000);
  EXPECT_TRUE(kit.messages.empty());
  EXPECT_FALSE(QFile::exists(QString::fromStdString(InfoPath())));
}
