#include "bin/Emptying.h"

#include <QProgressDialog>
#include <algorithm>
#include <cstdint>
#include <memory>

#include "platform/MessageBox.h"

namespace bin {
namespace {

constexpr int kProgressDelayMs = 300;
constexpr int kLeftShown = 15;  // entries named in the message; the rest counted

int Clamped(std::int64_t n) { return static_cast<int>(std::min<std::int64_t>(n, INT32_MAX)); }

}  // namespace

void AskToEmpty(std::int64_t count, QWidget* parent, std::function<void(bool)> answered) {
  const QString text =
      count == 1 ? QStringLiteral("¿Seguro que desea eliminar definitivamente este elemento?")
                 : QStringLiteral("¿Seguro que desea eliminar definitivamente estos %1 elementos?")
                       .arg(count);
  platform::MsgBoxThen(
      text, platform::kOkCancel | platform::kQuestion, QStringLiteral("Vaciar Papelera"), parent,
      [answered = std::move(answered)](int answer) { answered(answer == platform::kAnswerOk); });
}

bool EmptyNow(platform::RecycleBin& bin, int flags, QWidget* parent) {
  std::unique_ptr<QProgressDialog> progress;
  if (!(flags & kEmptyNoProgressUi)) {
    progress = std::make_unique<QProgressDialog>(QStringLiteral("Vaciando la papelera..."),
                                                 QStringLiteral("Cancelar"), 0, 100, parent);
    progress->setWindowTitle(QStringLiteral("Vaciar Papelera"));
    progress->setMinimumDuration(kProgressDelayMs);
    progress->setWindowModality(Qt::WindowModal);
  }
  const platform::EmptyResult r = bin.empty([&](std::int64_t done, std::int64_t total) {
    if (!progress) return true;
    progress->setMaximum(Clamped(total));
    progress->setValue(Clamped(done));
    return !progress->wasCanceled();
  });
  const bool stopped = progress && progress->wasCanceled();
  progress.reset();
  if (!r.left.empty()) {
    QString text = QStringLiteral("No se pudieron eliminar de la papelera:\n");
    int shown = 0;
    for (const auto& path : r.left) {
      if (++shown > kLeftShown) {
        text += QStringLiteral("\n... y %1 más").arg(r.left.size() - kLeftShown);
        break;
      }
      text += QStringLiteral("\n") + QString::fromStdString(path.string());
    }
    platform::MsgBox(text, platform::kExclamation, QStringLiteral("WasteWell"), parent);
  }
  return !stopped && r.left.empty();
}

}  // namespace bin
