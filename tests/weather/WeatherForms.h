#pragma once
// What the weather window tests share: every service on a server on
// 127.0.0.1, and the windows closed after each test.
#include <gtest/gtest.h>

#include <QPointer>

#include "settings/ModIni.h"
#include "support/LocalHttpServer.h"
#include "support/QtTestKit.h"
#include "support/WeatherAnswers.h"
#include "support/WebTestKit.h"
#include "weather/FrmDataWeather.h"
#include "weather/FrmMaps.h"
#include "weather/FrmWeather.h"
#include "weather/WeatherDownload.h"

namespace weathertest {

using testsupport::LocalHttpServer;
using namespace weather;

struct WeatherForms : ::testing::Test {
  testsupport::WebTestKit kit;
  LocalHttpServer server;

  void SetUp() override {
    QLocale::setDefault(QLocale::c());
    Options("");
  }
  void TearDown() override {
    for (QWidget* w :
         {static_cast<QWidget*>(FrmWeather::Current()), static_cast<QWidget*>(FrmMaps::Current()),
          static_cast<QWidget*>(FrmDataWeather::Current())})
      if (w) w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    SetWaitTimeoutMs(15000);
  }
  // The pages' own links and pictures go to names nothing fetches.
  void Options(const std::string& settings) {
    const std::string url = server.Url("").toStdString();
    kit.Options("[Servidores]\r\nOpenWeatherMap=" + url + "\r\nYahooTiempo=" + url +
                "\r\nOpenMeteo=" + url + "\r\nOpenMeteoLugares=" + url + "/geo" +
                "\r\nYahooLugares=" + url +
                "\r\nOpenWeatherMapWeb=https://owm.test\r\nYahooIconos=http://icons.test/52/\r\n"
                "PrevisionES=http://es.test\r\nSatelite=http://sat.test\r\n[Settings]\r\n" +
                settings);
  }
  void Serve(const QString& path, const QByteArray& answer, int delayMs = 0) {
    LocalHttpServer::Reply r = LocalHttpServer::Answer(
        200, answer, answer.startsWith('{') ? "application/json" : "text/xml");
    r.delayMs = delayMs;
    server.Set(path, r);
  }
  // Events run until what the window's opening started is over: it shows, or it closed.
  template <class Window>
  static bool Settle(const QPointer<Window>& w, int ms = 10000) {
    return testsupport::SpinUntil([&] { return !w || w->Unloaded() || w->isVisible(); }, ms);
  }
  static std::string Setting(const char* key, const char* section = "Settings") {
    return settings::IniRead(section, key, settings::OptionsFile());
  }
  static std::string Settings(std::initializer_list<const char*> keys) {
    std::string all;
    for (const char* key : keys) all += Setting(key) + "|";
    return all;
  }
  // The panel's page as written.
  QString Page() const {
    return QString::fromStdString(testsupport::ReadFile(kit.folder / "weather.htm"));
  }
  bool PageExists() const { return std::filesystem::exists(kit.folder / "weather.htm"); }
};

}  // namespace weathertest
