#include "bin/BinView.h"

#include <QProgressDialog>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "bin/BinController.h"
#include "platform/MessageBox.h"

namespace bin {
namespace {

constexpr int kProgressDelayMs = 300;
constexpr int kLeftShown = 15;  // entries named in the message; the rest counted

int Clamped(std::int64_t n) { return static_cast<int>(std::min<std::int64_t>(n, INT32_MAX)); }

}  // namespace

BinView::BinView(BinController& controller, QWidget* window)
    : controller_(controller), window_(window) {
  connect(&controller_, &BinController::EmptyQuestion, this, &BinView::AskToEmpty);
  connect(&controller_, &BinController::EmptyingStarted, this, &BinView::ShowProgress);
  connect(&controller_, &BinController::EmptyingProgress, this, &BinView::Progressed);
  connect(&controller_, &BinController::EmptyingStopped, this, &BinView::CloseProgress);
  connect(&controller_, &BinController::EmptyingLeft, this, &BinView::ShowLeft);
  connect(&controller_, &BinController::Refused, this, &BinView::Refuse);
  connect(&controller_, &BinController::DropQuestion, this, &BinView::AskBeforeDrop);
  connect(&controller_, &BinController::DropLeft, this, &BinView::ShowDropLeft);
}

BinView::~BinView() { delete progress_.data(); }

void BinView::AskToEmpty(std::int64_t count) {
  const QString text =
      count == 1 ? QStringLiteral("¿Seguro que desea eliminar definitivamente este elemento?")
                 : QStringLiteral("¿Seguro que desea eliminar definitivamente estos %1 elementos?")
                       .arg(count);
  // The question belongs to the window, which holds the controller: an
  // answer never comes after either has gone.
  platform::MsgBoxThen(
      text, platform::kOkCancel | platform::kQuestion, QStringLiteral("Vaciar Papelera"), window_,
      this, [this](int answer) { controller_.AnswerEmpty(answer == platform::kAnswerOk); });
}

void BinView::ShowProgress(bool shown) {
  if (!shown) return;
  // Not modal; "Cancelar" stops the worker at its next step.
  progress_ = new QProgressDialog(QStringLiteral("Vaciando la papelera..."),
                                  QStringLiteral("Cancelar"), 0, 100, window_);
  progress_->setWindowTitle(QStringLiteral("Vaciar Papelera"));
  progress_->setWindowModality(Qt::NonModal);
  progress_->setMinimumDuration(kProgressDelayMs);
  connect(progress_, &QProgressDialog::canceled, this, [this] { controller_.StopEmptying(); });
}

void BinView::Progressed(std::int64_t done, std::int64_t total) {
  if (!progress_) return;
  progress_->setMaximum(Clamped(total));
  progress_->setValue(Clamped(done));
}

void BinView::CloseProgress() { delete progress_.data(); }

void BinView::ShowLeft(const platform::EmptyResult& r) {
  if (r.left.empty()) return;
  QString text = QStringLiteral("No se pudieron eliminar de la papelera:\n");
  int shown = 0;
  for (const auto& path : r.left) {
    if (++shown > kLeftShown) {
      text += QStringLiteral("\n... y %1 más").arg(r.left.size() - kLeftShown);
      break;
    }
    text += QStringLiteral("\n") + QString::fromStdString(path.string());
  }
  // Only told: nothing waits on it, so it holds up none of the bin's input.
  platform::MsgBoxThen(text, platform::kExclamation, QStringLiteral("WasteWell"), window_, window_,
                       nullptr, false);
}

void BinView::Refuse(const QString& why) {
  // Alt+V held asks on every tick: one message at a time.
  if (refusing_ || why.isEmpty()) return;
  refusing_ = true;
  platform::MsgBoxThen(
      why, platform::kInformation, QStringLiteral("WasteWell"), window_, this,
      [this](int) { refusing_ = false; }, false);
}

void BinView::AskBeforeDrop(int percent, const std::vector<std::filesystem::path>& items) {
  const QString text =
      QStringLiteral("La papelera pasaría del %1 % del disco. ¿Mover igualmente?").arg(percent);
  // Unanswered when the bin goes: nothing is moved then.
  platform::MsgBoxThen(text, platform::kYesNo | platform::kQuestion, QStringLiteral("WasteWell"),
                       nullptr, this, [this, items](int answer) {
                         if (answer == platform::kAnswerYes) controller_.MoveAfterAll(items);
                       });
}

void BinView::ShowDropLeft(const QString& text) {
  // Shown once the drop is over, so that the program the files came from is
  // not kept waiting for its answer.
  QTimer::singleShot(0, this, [this, text] {
    platform::MsgBoxThen(text, platform::kExclamation, QStringLiteral("WasteWell"), window_,
                         nullptr);
  });
}

}  // namespace bin
