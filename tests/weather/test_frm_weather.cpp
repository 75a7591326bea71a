// The satellite map viewer with the recording browser; the panel against a server on 127.0.0.1.
#include "WeatherForms.h"

namespace weathertest {
namespace {

using Viewer = WeatherForms;

TEST_F(Viewer, ClosingDuringRecargarOrThePanelsDownloadEndsTheWaits) {
  QPointer<FrmWeather> form = FrmWeather::Open();
  kit.browsers.at(0)->busy = true;  // the image never finishes loading
  QTimer::singleShot(200, [&] { form->CmdExit->click(); });
  QElapsedTimer t;  // a hang guard: the waits would run 5 s and more
  t.start();
  form->CmdRefresh->click();
  EXPECT_LT(t.elapsed(), 4000);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(form);

  // The viewer closes the panel it opened, in the middle of its download.
  Serve("/data/2.5/weather", OwmAnswer(), 5000);
  form = FrmWeather::Open();
  QTimer::singleShot(200, [&] { form->CmdExit->click(); });
  t.restart();
  form->MoreInfo->click();
  EXPECT_LT(t.elapsed(), 4000);
  EXPECT_TRUE(kit.messages.empty());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(form || FrmDataWeather::Current());
}

}  // namespace
}  // namespace weathertest
