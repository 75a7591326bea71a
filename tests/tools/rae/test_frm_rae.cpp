// The dictionary window with the recording browser; the start page is the e2e scenario's.
#include <gtest/gtest.h>

#include <QKeyEvent>

#include "support/WebTestKit.h"
#include "tools/rae/FrmRae.h"

using tools::FrmRae;
using Rae = testsupport::WebWindowTest;

// Opening lets events run before the start page (shown: test_e2e_access) and before the box is
// readied; closed before its turn, neither runs. Only 0, 0 stored means the default position.
TEST_F(Rae, OpensInItsTurnsAndSearchesOneWordFromTheStoredPosition) {
  Options(
      "[Servidores]\r\nDiccionario=http://127.0.0.1:9/dle\r\n"
      "DiccionarioLemas=http://127.0.0.1:9/lemas\r\n"
      "[Posici\xf3n]\r\nRae_Left=0\r\nRae_Top=500\r\n");  // Windows-1252
  QPointer<FrmRae> f = FrmRae::Open();
  EXPECT_EQ(f->pos(), QPoint(0, 500 / 15));
  const auto& navigations = browsers.back()->navigations;
  EXPECT_FALSE(f->isVisible());
  f->TextSearch->setText("x");
  ASSERT_TRUE(testsupport::SpinUntil(
      [&] { return f->isVisible() && f->TextSearch->text().isEmpty(); }, 5000));
  EXPECT_EQ(FrmRae::Open(), f.data()) << "one window at a time";
  // Button (trims) or Enter (lemmas, as typed); refused, it leads nowhere and empties the box.
  const std::tuple<const char*, bool, const char*> searches[] = {
      {"a&b#c?d%e+f", false, "http://127.0.0.1:9/dle/?w=a%26b%23c%3Fd%25e%2Bf"},
      {"  casa ", false, "http://127.0.0.1:9/dle/?w=casa"},
      {"añoranza", true, "http://127.0.0.1:9/lemas/drae/?val=añoranza"},
      {"casa ", true, ""},  // Enter does not trim
      {"dos palabras", false, ""}};
  for (const auto& [typed, enter, address] : searches) {
    const size_t before = navigations.size();
    f->TextSearch->setText(QString::fromUtf8(typed));
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    if (enter)
      QCoreApplication::sendEvent(f->TextSearch, &key);
    else
      f->CmdOK_Click();
    const QString went = navigations.size() > before ? navigations.back().address : "";
    EXPECT_EQ(went, QString::fromUtf8(address)) << typed;
    EXPECT_TRUE(*address || f->TextSearch->text().isEmpty()) << typed;
  }
  ASSERT_EQ(messages.size(), 2u);
  for (const auto& m : messages) EXPECT_EQ(m.text, "Una palabra sólamente gracias!");

  f->move(40, 60);
  f->close();
  EXPECT_EQ(Setting("Rae_Left", "Posición") + "," + Setting("Rae_Top", "Posición"), "600,900");
  EXPECT_TRUE(Gone(f));

  f = FrmRae::Open();
  const auto* browser = browsers.back();
  f->close();
  EXPECT_EQ(FrmRae::Current(), nullptr) << "a closing window is not brought back";
  EXPECT_TRUE(browser->navigations.empty());
  Wait(100);
  EXPECT_TRUE(Gone(f));
}
