// The comments window with the recording browser.
#include <gtest/gtest.h>

#include "support/WebTestKit.h"
#include "tools/comments/FrmComment.h"

using tools::FrmComment;

TEST(Comments, OneWindowOnTheConfiguredPageNewWindowsRefused) {
  testsupport::WebTestKit kit;
  kit.Options("[Servidores]\r\nActualizaciones=http://127.0.0.1:9/descargas/updates/\r\n");
  FrmComment* f = FrmComment::Open();
  EXPECT_EQ(FrmComment::Open(), f);
  ASSERT_EQ(kit.browsers.size(), 1u);
  ASSERT_EQ(kit.browsers[0]->navigations.size(), 1u);  // not reloaded by the second command
  EXPECT_EQ(kit.browsers[0]->navigations[0].address,
            "http://127.0.0.1:9/descargas/updates/envia_form_php.php");
  bool cancel = false;
  kit.browsers[0]->NewWindow2(QUrl("http://127.0.0.1:9/x"), cancel);
  EXPECT_TRUE(cancel);
  f->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
