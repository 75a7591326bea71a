// The dictionary window with the recording browser.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMouseEvent>

#include "app/settings/ModIni.h"
#include "support/WebTestKit.h"
#include "tools/rae/FrmRae.h"

using tools::FrmRae;

namespace {

struct Rae : ::testing::Test {
  testsupport::WebTestKit kit;
  void SetUp() override {
    kit.Options("[Servidores]\r\nDiccionario=http://127.0.0.1:9/dle\r\n"
                "DiccionarioLemas=http://127.0.0.1:9/lemas\r\n");
  }
  void TearDown() override {
    if (FrmRae* f = FrmRae::Current()) f->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  platform::RecordingWebBrowser& Browser() { return *kit.browsers.back(); }
  QString LastAddress() { return Browser().navigations.back().address; }
  static void PressEnter(FrmRae* f) {
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QCoreApplication::sendEvent(f->TextSearch, &key);
  }
};

}  // namespace

TEST_F(Rae, OpensOnTheStartPageOnceAndOnTop) {
  FrmRae* f = FrmRae::Open();
  ASSERT_TRUE(f);
  EXPECT_EQ(FrmRae::Open(), f);
  ASSERT_EQ(kit.browsers.size(), 1u);
  ASSERT_EQ(Browser().navigations.size(), 1u);
  EXPECT_EQ(LastAddress(), QString::fromStdString((kit.folder / "rae.htm").string()));
  EXPECT_TRUE(f->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(f->windowTitle(), "Dicionario de la RAE");
  EXPECT_EQ(f->pos(), QPoint(3720 / 15, 2355 / 15));
}

TEST_F(Rae, ButtonTrimsAndEnterDoesNot) {
  FrmRae* f = FrmRae::Open();
  f->TextSearch->setText("  casa ");
  f->CmdOK_Click();
  EXPECT_EQ(LastAddress(), "http://127.0.0.1:9/dle/?w=casa");
  EXPECT_TRUE(kit.messages.empty());

  f->TextSearch->setText("casa ");
  PressEnter(f);
  ASSERT_EQ(kit.messages.size(), 1u);
  EXPECT_EQ(kit.messages[0].text, "Una palabra sólamente gracias!");
  EXPECT_EQ(kit.messages[0].title, "Error");
  EXPECT_EQ(kit.messages[0].style, platform::kExclamation);
  EXPECT_TRUE(f->TextSearch->text().isEmpty());
  EXPECT_EQ(Browser().navigations.size(), 2u);

  f->TextSearch->setText("dos palabras");
  f->CmdOK_Click();
  EXPECT_EQ(kit.messages.size(), 2u);
  EXPECT_TRUE(f->TextSearch->text().isEmpty());
  f->CmdOK_Click();  // empty: nothing
  PressEnter(f);
  EXPECT_EQ(kit.messages.size(), 2u);
  EXPECT_EQ(Browser().navigations.size(), 2u);
}

TEST_F(Rae, EnterSearchesTheLemmasAndIsSwallowed) {
  FrmRae* f = FrmRae::Open();
  f->TextSearch->setText("añoranza");
  int code = 13;
  f->TextSearch_KeyPress(code);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(LastAddress(), "http://127.0.0.1:9/lemas/drae/?val=añoranza");
  EXPECT_EQ(f->TextSearch->text(), "añoranza");  // no new character
  int other = 'a';
  f->TextSearch_KeyPress(other);
  EXPECT_EQ(other, 'a');
}

TEST_F(Rae, AccentsGoAsTypedAndAddressCharactersAreEscaped) {
  FrmRae* f = FrmRae::Open();
  f->TextSearch->setText("canción");
  f->CmdOK_Click();
  EXPECT_EQ(LastAddress(), "http://127.0.0.1:9/dle/?w=canción");
  f->TextSearch->setText("a&b#c?d%e+f");
  f->CmdOK_Click();
  EXPECT_EQ(LastAddress(), "http://127.0.0.1:9/dle/?w=a%26b%23c%3Fd%25e%2Bf");
}

TEST_F(Rae, BuiltInAddressesWhenNoneIsConfigured) {
  kit.Options("");
  FrmRae* f = FrmRae::Open();
  f->TextSearch->setText("mesa");
  f->CmdOK_Click();
  EXPECT_EQ(LastAddress(), "https://dle.rae.es/?w=mesa");
}

TEST_F(Rae, ProgressBarRules) {
  FrmRae* f = FrmRae::Open();
  QProgressBar* bar = f->ProgressBar1;
  f->WebBrowser1_ProgressChange(30, 200);
  EXPECT_TRUE(bar->isVisibleTo(f));
  EXPECT_EQ(bar->maximum(), 200);
  EXPECT_EQ(bar->value(), 30);
  f->WebBrowser1_ProgressChange(-1, 200);  // refused value, the old one stays
  EXPECT_EQ(bar->value(), 30);
  f->WebBrowser1_ProgressChange(0, 0);  // hidden, the old maximum kept
  EXPECT_FALSE(bar->isVisibleTo(f));
  EXPECT_EQ(bar->maximum(), 200);
  EXPECT_EQ(bar->value(), 0);
}

TEST_F(Rae, PositionIsStoredAndOnlyBothZeroMeansTheDefault) {
  kit.Options("[Posici\xf3n]\r\nRae_Left=0\r\nRae_Top=500\r\n");  // Windows-1252
  FrmRae* f = FrmRae::Open();
  EXPECT_EQ(f->pos(), QPoint(0, 500 / 15));
  f->move(40, 60);
  f->close();
  const std::string ini = app::OptionsFile();
  EXPECT_EQ(app::IniRead("Posición", "Rae_Left", ini), "600");
  EXPECT_EQ(app::IniRead("Posición", "Rae_Top", ini), "900");
  EXPECT_EQ(FrmRae::Current(), nullptr);
}

TEST_F(Rae, ResetAndMouseMovementGiveTheTextBoxTheFocus) {
  FrmRae* f = FrmRae::Open();
  f->activateWindow();
  f->TextSearch->setText("algo");
  f->CmdOK->setFocus();
  f->ComReset_Click();
  EXPECT_TRUE(f->TextSearch->text().isEmpty());
  EXPECT_EQ(QApplication::focusWidget(), f->TextSearch);
  f->CmdOK->setFocus();
  QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(f, &move);
  EXPECT_EQ(QApplication::focusWidget(), f->TextSearch);
}
