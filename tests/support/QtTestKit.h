#pragma once
// What the widget tests share: one application object, readable QStrings in
// failure messages, and a recorder that answers every message box.
#include <QString>
#include <ostream>
#include <vector>

#include "platform/MessageBox.h"
#include "support/QtApp.h"

QT_BEGIN_NAMESPACE
// Failures print the text, not its UTF-16 units.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace testsupport {

// Every message box shown while it lives, answered with `answer`.
class MessageLog {
 public:
  explicit MessageLog(int answer = platform::kAnswerOk) {
    platform::SetMsgBoxHook([this, answer](const platform::ShownMessage& m) {
      shown.push_back(m);
      return answer;
    });
  }
  ~MessageLog() { platform::SetMsgBoxHook(nullptr); }
  MessageLog(const MessageLog&) = delete;
  MessageLog& operator=(const MessageLog&) = delete;
  std::vector<platform::ShownMessage> shown;
};

}  // namespace testsupport
