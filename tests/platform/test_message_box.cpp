// The boxes that wait for nothing.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPointer>

#include "platform/MessageBox.h"
#include "support/QtTestKit.h"

using namespace testsupport;

namespace {

struct MessageBox : ::testing::Test {
  MessageBox() { owner.show(); }
  QApplication* app = App();
  QWidget owner;
};

// The program's end closes every window, boxes among them, in no set order: a question closed so is
// no "Sí" nor "Aceptar".
TEST_F(MessageBox, AQuestionClosedWithoutAButtonIsAnsweredNo) {
  std::vector<int> answers;
  for (int style : {int(platform::kYesNo), platform::kOkCancel | platform::kExclamation}) {
    platform::MsgBoxThen(QStringLiteral("¿Seguro?"), style, QStringLiteral("Pregunta"), &owner,
                         &owner, [&](int answer) { answers.push_back(answer); });
    ASSERT_EQ(OpenDialogs<QMessageBox>().size(), 1u);
    OpenDialogs<QMessageBox>().front()->close();
    Settle();
  }
  EXPECT_EQ(answers, (std::vector<int>{platform::kAnswerNo, platform::kAnswerCancel}));
}

// The context is a window that closed.
TEST_F(MessageBox, ABoxWhoseContextGoesClosesUnanswered) {
  auto* context = new QObject(&owner);
  bool answered = false;
  platform::MsgBoxThen(QStringLiteral("¿Seguro?"), platform::kOkCancel, QStringLiteral("Pregunta"),
                       &owner, context, [&](int) { answered = true; });
  ASSERT_EQ(OpenDialogs<QMessageBox>().size(), 1u);
  QPointer<QMessageBox> alive(OpenDialogs<QMessageBox>().front());
  delete context;
  Settle();
  EXPECT_FALSE(alive) << "the box stays behind";
  EXPECT_FALSE(answered);
}

// Nothing waits: the call returns with the box open, and the bin's own window (here a plain one)
// takes input meanwhile.
TEST_F(MessageBox, ABoxThatHoldsNothingUpLeavesItsOwnerFree) {
  platform::MsgBoxThen(QStringLiteral("Hecho"), platform::kInformation, QStringLiteral("Info"),
                       &owner, nullptr, nullptr, false);
  ASSERT_EQ(OpenDialogs<QMessageBox>().size(), 1u);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the box holds up its owner";
  OpenDialogs<QMessageBox>().front()->close();
  Settle();
}

}  // namespace
