// The boxes that wait for nothing: a box closed without a button says no, and one whose
// context goes closes without an answer.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

#include "platform/MessageBox.h"
#include "support/OpenDialogs.h"
#include "support/QtApp.h"

using namespace testsupport;

namespace {

std::vector<QMessageBox*> OpenBoxes() { return OpenDialogs<QMessageBox>(); }

}  // namespace

// The program's end closes every window, boxes among them, in no set order: a question closed
// so is no "Sí" nor "Aceptar".
TEST(MessageBox, AQuestionClosedWithoutAButtonIsAnsweredNo) {
  App();
  QWidget owner;
  owner.show();
  std::vector<int> answers;
  for (int style : {int(platform::kYesNo), platform::kOkCancel | platform::kExclamation}) {
    platform::MsgBoxThen(QStringLiteral("¿Seguro?"), style, QStringLiteral("Pregunta"), &owner,
                         &owner, [&](int answer) { answers.push_back(answer); });
    ASSERT_EQ(OpenBoxes().size(), 1u);
    OpenBoxes().front()->close();
    Settle();
  }
  EXPECT_EQ(answers, (std::vector<int>{platform::kAnswerNo, platform::kAnswerCancel}));
}

// The box goes with its context (a window that closed) and its answer never comes.
TEST(MessageBox, ABoxWhoseContextGoesClosesUnanswered) {
  App();
  QWidget owner;
  owner.show();
  auto* context = new QObject(&owner);
  bool answered = false;
  platform::MsgBoxThen(QStringLiteral("¿Seguro?"), platform::kOkCancel, QStringLiteral("Pregunta"),
                       &owner, context, [&](int) { answered = true; });
  ASSERT_EQ(OpenBoxes().size(), 1u);
  QMessageBox* box = OpenBoxes().front();
  QPointer<QMessageBox> alive(box);
  delete context;
  EXPECT_TRUE(OpenBoxes().empty());
  Settle();
  EXPECT_FALSE(alive) << "the box stays behind";
  EXPECT_FALSE(answered);
}

// Nothing waits: the call returns with the box open, and the bin's own window
// (here a plain one) takes input meanwhile.
TEST(MessageBox, ABoxThatHoldsNothingUpLeavesItsOwnerFree) {
  App();
  QWidget owner;
  owner.show();
  platform::MsgBoxThen(QStringLiteral("Hecho"), platform::kInformation, QStringLiteral("Info"),
                       &owner, nullptr, nullptr, false);
  ASSERT_EQ(OpenBoxes().size(), 1u);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the box holds up its owner";
  OpenBoxes().front()->close();
  Settle();
}
