#pragma once
// Every message box of the program goes through here, so that a test can read
// what was shown and answer it without a modal window.
#include <QString>
#include <functional>

class QObject;
class QWidget;

namespace platform {

// Style values as the program uses them: 16 critical, 32 question,
// 48 exclamation, 64 information; plus 1 for OK/Cancel, 4 for Yes/No.
enum MsgStyle {
  kOkOnly = 0,
  kOkCancel = 1,
  kYesNo = 4,
  kCritical = 16,
  kQuestion = 32,
  kExclamation = 48,
  kInformation = 64
};
// Answers as the program reads them.
enum MsgAnswer { kAnswerOk = 1, kAnswerCancel = 2, kAnswerYes = 6, kAnswerNo = 7 };

struct ShownMessage {
  QString text;
  QString title;
  int style = 0;
};

// A box that opens over parent and returns at once; `then` gets the answer
// later. A box whose parent goes first goes with it, and then never runs.
void MsgBoxThen(const QString& text, int style, const QString& title, QWidget* parent,
                std::function<void(int answer)> then);

// The same, answered only while `context` lives: when it goes, the box closes
// unanswered (a question left open by a window that closed deletes nothing).
// Modal to parent's window only, or, with `modal` false, holding nothing up.
void MsgBoxThen(const QString& text, int style, const QString& title, QWidget* parent,
                QObject* context, std::function<void(int answer)> then, bool modal = true);

// A test hook: while set, no window opens and the hook's answer is handed to
// `then` at once.
using MsgBoxHook = std::function<int(const ShownMessage&)>;
void SetMsgBoxHook(MsgBoxHook hook);

}  // namespace platform
