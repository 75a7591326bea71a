#pragma once
// A program folder with Options.ini, the recording browser in place of the
// engine, and message boxes answered without a window.
#include <QString>
#include <functional>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "platform/WebBrowser.h"
#include "settings/ProgramFolder.h"
#include "support/QtApp.h"
#include "support/TempDir.h"

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

  TempDir folder;
  std::vector<platform::RecordingWebBrowser*> browsers;
  std::vector<platform::ShownMessage> messages;
  std::vector<QString> opened;
  int answer = platform::kAnswerOk;
  bool openerWorks = true;
};

}  // namespace testsupport
