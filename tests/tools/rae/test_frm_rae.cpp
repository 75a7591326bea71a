// The dictionary window with the recording browser; the start page is the e2e scenario's.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QPointer>

#include "settings/ModIni.h"
#include "support/WebTestKit.h"
#include "tools/rae/FrmRae.h"

using tools::FrmRae;

// Opening lets other events run before the start page and again before the text box is
// readied; a window closed before its turn came runs neither step and is gone. Only a stored
// position of 0, 0 means the default one. The button trims blanks and searches the word, Enter
// searches the lemmas as typed; more than one word is refused.
TEST(Rae, OpensInItsTurnsAndSearchesOneWordFromTheStoredPosition) {
  testsupport::WebTestKit kit;
  kit.Options(
      "[Servidores]\r\nDiccionario=http://127.0.0.1:9/dle\r\n"
      "DiccionarioLemas=http://127.0.0.1:9/lemas\r\n"
      "[Posici\xf3n]\r\nRae_Left=0\r\nRae_Top=500\r\n");  // Windows-1252
  QPointer<FrmRae> f = FrmRae::Open();
  ASSERT_TRUE(f);
  EXPECT_EQ(f->pos(), QPoint(0, 500 / 15));
  const auto& navigations = kit.browsers.back()->navigations;
  EXPECT_TRUE(navigations.empty());
  EXPECT_FALSE(f->isVisible());
  f->TextSearch->setText("x");
  ASSERT_TRUE(testsupport::SpinUntil(
      [&] { return f->isVisible() && f->TextSearch->text().isEmpty(); }, 5000));
  ASSERT_EQ(navigations.size(), 1u);
  EXPECT_TRUE(navigations[0].address.endsWith("rae.htm"));
  EXPECT_EQ(FrmRae::Open(), f.data()) << "one window at a time";
  auto enter = [f] {
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QCoreApplication::sendEvent(f->TextSearch, &key);
  };
  f->TextSearch->setText("a&b#c?d%e+f");
  f->CmdOK_Click();
  EXPECT_EQ(navigations.back().address, "http://127.0.0.1:9/dle/?w=a%26b%23c%3Fd%25e%2Bf");
  f->TextSearch->setText("  casa ");
  f->CmdOK_Click();
  EXPECT_EQ(navigations.back().address, "http://127.0.0.1:9/dle/?w=casa");
  f->TextSearch->setText("añoranza");
  enter();
  EXPECT_EQ(navigations.back().address, "http://127.0.0.1:9/lemas/drae/?val=añoranza");
  EXPECT_TRUE(kit.messages.empty());

  const size_t searches = navigations.size();
  f->TextSearch->setText("casa ");  // Enter does not trim
  enter();
  EXPECT_TRUE(f->TextSearch->text().isEmpty());
  f->TextSearch->setText("dos palabras");
  f->CmdOK_Click();
  EXPECT_TRUE(f->TextSearch->text().isEmpty());
  ASSERT_EQ(kit.messages.size(), 2u);
  for (const auto& m : kit.messages) EXPECT_EQ(m.text, "Una palabra sólamente gracias!");
  EXPECT_EQ(navigations.size(), searches);

  f->move(40, 60);
  f->close();
  EXPECT_EQ(settings::IniRead("Posición", "Rae_Left", settings::OptionsFile()), "600");
  EXPECT_EQ(settings::IniRead("Posición", "Rae_Top", settings::OptionsFile()), "900");
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(f);

  f = FrmRae::Open();
  const auto* browser = kit.browsers.back();
  f->close();
  EXPECT_EQ(FrmRae::Current(), nullptr) << "a closing window is not brought back";
  EXPECT_TRUE(browser->navigations.empty());
  testsupport::SpinUntil([] { return false; }, 100);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(f);
}
