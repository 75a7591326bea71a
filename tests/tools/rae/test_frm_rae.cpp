// The dictionary window with the recording browser; the start page is the e2e scenario's.
#include <gtest/gtest.h>

#include <QKeyEvent>

#include "support/WebTestKit.h"
#include "tools/rae/FrmRae.h"

using tools::FrmRae;

// The button searches the word, Enter the lemmas; more than one word is refused.
TEST(Rae, SearchesOneWordEscaped) {
  testsupport::WebTestKit kit;
  kit.Options(
      "[Servidores]\r\nDiccionario=http://127.0.0.1:9/dle\r\n"
      "DiccionarioLemas=http://127.0.0.1:9/lemas\r\n");
  FrmRae* f = FrmRae::Open();
  ASSERT_TRUE(f);
  const auto& navigations = kit.browsers.back()->navigations;
  f->TextSearch->setText("a&b#c?d%e+f");
  f->CmdOK_Click();
  EXPECT_EQ(navigations.back().address, "http://127.0.0.1:9/dle/?w=a%26b%23c%3Fd%25e%2Bf");
  f->TextSearch->setText("añoranza");
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
  QCoreApplication::sendEvent(f->TextSearch, &enter);
  EXPECT_EQ(navigations.back().address, "http://127.0.0.1:9/lemas/drae/?val=añoranza");

  const size_t searches = navigations.size();
  f->TextSearch->setText("dos palabras");
  f->CmdOK_Click();
  EXPECT_EQ(kit.messages.size(), 1u);
  EXPECT_TRUE(f->TextSearch->text().isEmpty());
  EXPECT_EQ(navigations.size(), searches);
  f->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
