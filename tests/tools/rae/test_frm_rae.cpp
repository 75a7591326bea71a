// The dictionary window with the recording browser.
#include <gtest/gtest.h>

#include <QKeyEvent>

#include "app/settings/ModIni.h"
#include "support/WebTestKit.h"
#include "tools/rae/FrmRae.h"

using tools::FrmRae;

namespace {

struct Rae : ::testing::Test {
  testsupport::WebTestKit kit;
  void SetUp() override {
    kit.Options(
        "[Servidores]\r\nDiccionario=http://127.0.0.1:9/dle\r\n"
        "DiccionarioLemas=http://127.0.0.1:9/lemas\r\n");
  }
  void TearDown() override {
    if (FrmRae* f = FrmRae::Current()) f->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  const std::vector<platform::RecordingWebBrowser::Navigation>& Navigations() {
    return kit.browsers.back()->navigations;
  }
  QString LastAddress() { return Navigations().back().address; }
  static void Enter(FrmRae* f, const QString& text) {
    f->TextSearch->setText(text);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QCoreApplication::sendEvent(f->TextSearch, &key);
  }
};

}  // namespace

// Opened twice, one window on the shipped page. The button searches the word, Enter the lemmas;
// more than one word is refused either way.
TEST_F(Rae, OpensOnTheShippedPageOnceAndSearchesOneWord) {
  FrmRae* f = FrmRae::Open();
  ASSERT_TRUE(f);
  EXPECT_EQ(FrmRae::Open(), f);
  ASSERT_EQ(kit.browsers.size(), 1u);
  ASSERT_EQ(Navigations().size(), 1u);
  EXPECT_EQ(LastAddress(), QString::fromStdString((kit.folder / "rae.htm").string()));
  for (const auto& [typed, address] :
       {std::pair<QString, QString>{"  casa ", "http://127.0.0.1:9/dle/?w=casa"},
        {"canción", "http://127.0.0.1:9/dle/?w=canción"},
        {"a&b#c?d%e+f", "http://127.0.0.1:9/dle/?w=a%26b%23c%3Fd%25e%2Bf"}}) {
    f->TextSearch->setText(typed);
    f->CmdOK_Click();
    EXPECT_EQ(LastAddress(), address);
  }
  Enter(f, "añoranza");
  EXPECT_EQ(LastAddress(), "http://127.0.0.1:9/lemas/drae/?val=añoranza");
  EXPECT_TRUE(kit.messages.empty());

  const size_t searches = Navigations().size();
  Enter(f, "casa ");
  f->TextSearch->setText("dos palabras");
  f->CmdOK_Click();
  ASSERT_EQ(kit.messages.size(), 2u);
  EXPECT_EQ(kit.messages[0].text, "Una palabra sólamente gracias!");
  EXPECT_TRUE(f->TextSearch->text().isEmpty());
  f->CmdOK_Click();  // empty: nothing
  Enter(f, "");
  EXPECT_EQ(kit.messages.size(), 2u);
  EXPECT_EQ(Navigations().size(), searches);
}

// No server configured here: the built-in address.
TEST_F(Rae, PositionIsStoredAndOnlyBothZeroMeansTheDefault) {
  kit.Options("[Posici\xf3n]\r\nRae_Left=0\r\nRae_Top=500\r\n");  // Windows-1252
  FrmRae* f = FrmRae::Open();
  EXPECT_EQ(f->pos(), QPoint(0, 500 / 15));
  f->TextSearch->setText("mesa");
  f->CmdOK_Click();
  EXPECT_EQ(LastAddress(), "https://dle.rae.es/?w=mesa");
  f->move(40, 60);
  f->close();
  const std::string ini = app::OptionsFile();
  EXPECT_EQ(app::IniRead("Posición", "Rae_Left", ini), "600");
  EXPECT_EQ(app::IniRead("Posición", "Rae_Top", ini), "900");
}
