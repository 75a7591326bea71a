#include "support/QtTestKit.h"

namespace testsupport {

MessageLog::MessageLog(int answer) {
  platform::SetMsgBoxHook([this, answer](const platform::ShownMessage& m) {
    shown.push_back(m);
    return answer;
  });
}

MessageLog::~MessageLog() { platform::SetMsgBoxHook(nullptr); }

}  // namespace testsupport
