#include "platform/Shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace platform {
namespace {
std::function<bool(const QString&)>& Hook() {
  static std::function<bool(const QString&)> hook;
  return hook;
}
}  // namespace

void SetShellOpenHook(std::function<bool(const QString&)> hook) { Hook() = std::move(hook); }

bool ShellOpen(const QString& target) {
  if (Hook()) return Hook()(target);
  const QUrl url = target.startsWith('/') ? QUrl::fromLocalFile(target) : QUrl(target);
  return QDesktopServices::openUrl(url);
}

}  // namespace platform
