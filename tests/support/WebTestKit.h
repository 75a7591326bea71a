#pragma once
// A program folder with Options.ini, the recording browser in place of the
// engine, and message boxes answered without a window. WebWindowTest adds a
// server on 127.0.0.1 and closes every window after each test.
#include <gtest/gtest.h>

#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "platform/WebBrowser.h"
#include "settings/ModIni.h"
#include "settings/ProgramFolder.h"
#include "support/LocalHttpServer.h"
#include "support/QtTestKit.h"
#include "support/TempDir.h"
#include "weather/WeatherDownload.h"

namespace testsupport {

class WebTestKit {
 public:
  explicit WebTestKit(bool recordingBrowser = true) {
    App();
    settings::SetProgramFolder(folder.path());
    if (recordingBrowser)
      platform::SetWebBrowserFactory([this](QWidget* parent) {
        auto b = std::make_unique<platform::RecordingWebBrowser>(parent);
        browsers.push_back(b.get());
        return b;
      });
    platform::SetMsgBoxHook([this](const platform::ShownMessage& m) {
      messages.push_back(m);
      return answer;
    });
    platform::SetShellOpenHook([this](const QString& target) {
      opened.push_back(target);
      return openerWorks;
    });
  }
  ~WebTestKit() {
    platform::SetWebBrowserFactory(nullptr);
    platform::SetMsgBoxHook(nullptr);
    platform::SetShellOpenHook(nullptr);
  }
  void Options(const std::string& text) { WriteFile(folder / "Options.ini", text); }
  QString LastMessage() const { return messages.empty() ? QString() : messages.back().text; }

  TempDir folder;
  std::vector<platform::RecordingWebBrowser*> browsers;
  std::vector<platform::ShownMessage> messages;
  std::vector<QString> opened;
  int answer = platform::kAnswerOk;
  bool openerWorks = true;
};

struct WebWindowTest : ::testing::Test, WebTestKit {
  explicit WebWindowTest(bool recordingBrowser = true) : WebTestKit(recordingBrowser) {}
  void TearDown() override {
    for (QWidget* w : QApplication::topLevelWidgets()) w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    platform::SetStallTimeoutMs(30000);
    weather::SetWaitTimeoutMs(15000);
  }
  // The type told by the body's start.
  void Serve(const QString& path, const QByteArray& body, int delayMs = 0) {
    const char* type = body.startsWith('{')       ? "application/json"
                       : body.startsWith("<html") ? "text/html; charset=utf-8"
                                                  : "text/xml";
    server.Set(path, LocalHttpServer::Answer(200, body, type, delayMs));
  }
  static std::string Setting(const char* key, const char* section = "Settings") {
    return settings::IniRead(section, key, settings::OptionsFile());
  }
  static void Wait(int ms) {
    SpinUntil([] { return false; }, ms);
  }
  // Whether w is gone once the deletions asked for are done.
  template <class W>
  static bool Gone(const QPointer<W>& w) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return !w;
  }

  LocalHttpServer server;
};

}  // namespace testsupport
