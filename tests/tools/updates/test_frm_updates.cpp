// The update checker against a server on 127.0.0.1.
#include <gtest/gtest.h>

#include <QFile>
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
const QString kNoNews = "No hay una nueva versión,\r\ninténtelo más adelante.";

// A version mark built at run time, so that this program's own file holds
// none but the compiled-in one.
std::string Mark(const std::string& version) {
  return std::string(1, '\x01') + "WasteWell-FileVersion=" + version + ";";
}

const QByteArray kSetup = [] {
  QByteArray b;
  for (int i = 0; i < 3000; ++i) b += char(i * 13 + 1);
  return b;
}();

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
    testsupport::WriteFile(kit.folder / "WasteWell", "ELF..." + Mark("5.8.0.8") + "...");
    QFile f(Path("WasteWell"));
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
  QString Path(const char* name) const {
    return QString::fromStdString((kit.folder / name).string());
  }
  void Serve(const QByteArray& info, const LocalHttpServer::Reply& setup = {}) {
    kit.messages.clear();
    server.Set("/descargas/updates/WasteWell.txt",
               LocalHttpServer::Answer(200, info, "text/plain"));
    server.Set("/descargas/WasteWell_setup.exe", setup);
  }
  bool Closed() {
    return SpinUntil([&] { return !form || form->Unloaded(); }, 5000);
  }
  // Opens the window, waits for the info file and checks; true once the window closed or the
  // program was told to end. The info file lands only in an updates/ the window made.
  bool OpenAndCheck() {
    form = frmUpdates::Open([this] { ++ends; });
    SpinUntil(
        [&] { return !form || form->Unloaded() || QFile::exists(Path("updates/WasteWell.txt")); },
        5000);
    if (!form || form->Unloaded()) return false;
    form->CommandCheck_Click();
    return SpinUntil([&] { return ends > 0 || !form || form->Unloaded(); }, 5000);
  }
  QString LastMessage() { return kit.messages.empty() ? QString() : kit.messages.back().text; }
};

}  // namespace

TEST(UpdateRules, VersionMarksAndDates) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir / "cut", "no mark " + Mark("").substr(0, 20));
  EXPECT_EQ(tools::VerVersion(QString::fromStdString((dir / "cut").string())), "");
  EXPECT_EQ(
      tools::ToDateTime("03/02/2030 10:20:30", QLocale(QLocale::English, QLocale::UnitedStates)),
      QDateTime(QDate(2030, 3, 2), QTime(10, 20, 30)));
}

TEST_F(Updates, NoServerConfiguredGivesTheTransferMessage) {
  kit.Options("");
  form = frmUpdates::Open([this] { ++ends; });
  ASSERT_TRUE(Closed());
  EXPECT_EQ(LastMessage(), kNotAvailable);
}

TEST_F(Updates, InfoLinesThatCannotBeUsedCloseTheWindow) {
  for (const QByteArray& line : {QByteArray("<!DOCTYPE html><html>"), QByteArray(""),
                                 QByteArray("589,1,01/01/2030"), QByteArray("589,1,pronto,3,4")}) {
    Serve(line);
    ASSERT_TRUE(OpenAndCheck()) << line.constData();
    EXPECT_EQ(LastMessage(),
              "En estos momentos no se puede bajar el archivo,\r\ninténtelo más adelante gracias.")
        << line.constData();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

// Versions compare as text; a later date offers the setup all the same. Without an executable
// in the program folder (an installed layout) the running one's version and date count.
TEST_F(Updates, VersionsCompareAsTextDatesDecideTheRest) {
  kit.answer = platform::kAnswerNo;
  const QString offer = "Hay una versión más reciente:";
  const std::vector<std::pair<QByteArray, QString>> cases{
      {"588,1,01/01/2019,10,x", kNoNews},
      {"589,1,01/01/2019,10,x", offer},
      {"5810,1,01/01/2019,10,x", kNoNews},
      {"5810,1,01/01/2021,10,x", offer},
      {"588,123,31/12/2030 10:00:00,1048576,  15/01/2031  \r\nsecond line ignored",
       offer + "\r\nVersión: 588\r\nTamaño del setup: 1048576 bytes\r\n"
               "Fecha del setup: 15/01/2031\r\n¿Desea descargarla?"},
      {"installed: 588,1,01/01/2019,10,x", kNoNews}};
  for (auto [line, message] : cases) {
    if (line.startsWith("installed: ")) {
      std::filesystem::remove(kit.folder / "WasteWell");
      line.remove(0, 11);
    }
    Serve(line);
    ASSERT_TRUE(OpenAndCheck()) << line.constData();  // No also closes
    EXPECT_EQ(LastMessage().left(message.size()), message) << line.constData();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

// Checked within the first five ticks, while the timer still runs: the count stays in view.
TEST_F(Updates, AWholeSetupIsStartedAndTheProgramEnds) {
  kit.answer = platform::kAnswerYes;
  Serve("589,1,01/01/2019,3000,hoy", LocalHttpServer::Answer(200, kSetup));
  ASSERT_TRUE(OpenAndCheck());
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(kit.opened, std::vector<QString>{Path("updates/WasteWell_setup.exe")});
  EXPECT_EQ(testsupport::ReadFile(kit.folder / "updates/WasteWell_setup.exe"),
            kSetup.toStdString());
  ASSERT_TRUE(form);
  EXPECT_EQ(form->LabelDown->text(), "Descargados 3000 de 3000 bytes (100,00%)");
}

TEST_F(Updates, ASetupCutShortFailedStalledOrNotOpenedNeverEndsTheProgram) {
  kit.answer = platform::kAnswerYes;
  platform::SetStallTimeoutMs(800);
  auto cut = LocalHttpServer::Answer(200, kSetup.left(1500));  // the info line says 3000
  auto stalled = LocalHttpServer::Answer(200, kSetup);
  stalled.stallAfter = 1000;
  for (const auto& reply : {cut, LocalHttpServer::Answer(500, "<html>error</html>"), stalled}) {
    Serve("589,1,01/01/2019,3000,hoy", reply);
    form = frmUpdates::Open([this] { ++ends; });
    SpinUntil([&] { return QFile::exists(Path("updates/WasteWell.txt")); }, 5000);
    form->CommandCheck_Click();
    EXPECT_FALSE(form->Command2->isEnabled());
    form->close();  // refused during the download
    EXPECT_FALSE(form->Unloaded());
    ASSERT_TRUE(Closed()) << reply.status;
    EXPECT_EQ(LastMessage(), kNotAvailable);
    EXPECT_TRUE(kit.opened.empty());
    EXPECT_FALSE(QFile::exists(Path("updates/WasteWell_setup.exe")));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  kit.openerWorks = false;
  Serve("589,1,01/01/2019,3000,hoy", LocalHttpServer::Answer(200, kSetup));
  ASSERT_TRUE(OpenAndCheck());
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
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(form);
  SpinUntil([] { return false; }, 2000);
  EXPECT_TRUE(kit.messages.empty());
  EXPECT_FALSE(QFile::exists(Path("updates/WasteWell.txt")));
}
