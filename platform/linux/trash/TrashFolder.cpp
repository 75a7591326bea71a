#include "platform/TrashFolder.h"

#include <QCoreApplication>
#include <QProcess>

#include "platform/Shell.h"

namespace platform {

void OpenTrashFolder(const std::filesystem::path& fallbackFolder) {
  // gio hands trash:/// to the desktop's file manager; its answer comes
  // later, so nothing waits for it here.
  auto* gio = new QProcess(QCoreApplication::instance());
  const QString fallback = QString::fromStdString(fallbackFolder.string());
  auto openFallback = [gio, fallback] {
    gio->deleteLater();
    if (!fallback.isEmpty()) ShellOpen(fallback);
  };
  QObject::connect(gio, &QProcess::finished, gio,
                   [gio, openFallback](int code, QProcess::ExitStatus status) {
                     if (code != 0 || status != QProcess::NormalExit)
                       openFallback();
                     else
                       gio->deleteLater();
                   });
  QObject::connect(gio, &QProcess::errorOccurred, gio, [openFallback](QProcess::ProcessError e) {
    if (e == QProcess::FailedToStart) openFallback();
  });
  gio->start(QStringLiteral("gio"), {QStringLiteral("open"), QStringLiteral("trash:///")});
}

}  // namespace platform
