// The dictionary and comments windows with the engine under the test X server, each closed
// while a slow server on 127.0.0.1 still holds its page back.
#include <gtest/gtest.h>

#include <QPointer>

#include "support/LocalHttpServer.h"
#include "support/WebTestKit.h"
#include "tools/comments/FrmComment.h"
#include "tools/rae/FrmRae.h"

using testsupport::LocalHttpServer;
using tools::FrmComment;
using tools::FrmRae;

TEST(WebToolWindows, ClosedWhileTheirPageIsOnItsWayTheyGoAndNothingWaits) {
  ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run under scripts/test.sh (Xvfb)";
  testsupport::WebTestKit kit(false);
  LocalHttpServer server;
  auto slow = LocalHttpServer::Answer(200, "<html><body>tarde</body></html>");
  slow.delayMs = 20000;
  server.Set("/updates/envia_form_php.php", slow);
  server.Set("/dle/", slow);
  kit.Options(("[Servidores]\r\nActualizaciones=" + server.Url("/updates/") +
               "\r\nDiccionario=" + server.Url("/dle") + "\r\n")
                  .toStdString());
  const std::pair<QString, std::function<QWidget*()>> windows[] = {
      {"/updates/envia_form_php.php", [] { return FrmComment::Open(); }},
      {"/dle/", [] {
         FrmRae* f = FrmRae::Open();
         // Searched once the window has shown its start page, as a user would.
         testsupport::SpinUntil([f] { return f->isVisible(); }, 5000);
         testsupport::SpinUntil([] { return false; }, 200);
         f->TextSearch->setText("tarde");
         f->CmdOK_Click();
         return f;
       }}};
  for (const auto& [path, open] : windows) {
    QPointer<QWidget> window = open();
    ASSERT_TRUE(window);
    ASSERT_TRUE(testsupport::SpinUntil([&] { return server.Requests(path) > 0; }, 30000))
        << path.toStdString();
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window) << path.toStdString();
    testsupport::SpinUntil([] { return false; }, 1000);  // the engine's late events find no window
  }
  EXPECT_EQ(FrmComment::Current(), nullptr);
  EXPECT_EQ(FrmRae::Current(), nullptr);
}
