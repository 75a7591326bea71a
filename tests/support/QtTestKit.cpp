#include "support/QtTestKit.h"

namespace testsupport {

QApplication* App() {
  static int argc = 1;
  static char name[] = "WasteWell";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return app;
}

MessageLog::MessageLog(int answer) {
  platform::SetMsgBoxHook([this, answer](const platform::ShownMessage& m) {
    shown.push_back(m);
    return answer;
  });
}

MessageLog::~MessageLog() { platform::SetMsgBoxHook(nullptr); }

}  // namespace testsupport
