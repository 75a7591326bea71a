#include "platform/FileDialogs.h"

#include <QDir>
#include <QFileDialog>

namespace platform {
namespace {

std::function<QString(const FolderRequest&)>& FolderHook() {
  static std::function<QString(const FolderRequest&)> hook;
  return hook;
}

std::function<QString(const FileRequest&)>& FileHook() {
  static std::function<QString(const FileRequest&)> hook;
  return hook;
}

// "c:\" and "C:\" are where the Windows program starts its dialogs: here the root.
QString StartFolder(const QString& start) {
  if (start.size() >= 2 && start[1] == QLatin1Char(':') && start[0].isLetter() &&
      start.mid(2).remove(QLatin1Char('\\')).remove(QLatin1Char('/')).isEmpty())
    return QDir::rootPath();
  return start;
}

}  // namespace

void SetFolderDialogHook(std::function<QString(const FolderRequest&)> hook) {
  FolderHook() = std::move(hook);
}

void SetFileDialogHook(std::function<QString(const FileRequest&)> hook) {
  FileHook() = std::move(hook);
}

QString BrowseForFolder(QWidget* owner, const FolderRequest& request) {
  if (FolderHook()) return FolderHook()(request);
  // The desktop's own dialog where it offers one (portal, GTK), else Qt's.
  QFileDialog dialog(owner, request.title, StartFolder(request.startFolder));
  dialog.setFileMode(request.includeFiles ? QFileDialog::AnyFile : QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, !request.includeFiles);
  // Without the new style the dialog offers no way to make a folder.
  dialog.setOption(QFileDialog::ReadOnly, !request.newFolderButton);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return QDir::cleanPath(dialog.selectedFiles().first());
}

QString OpenFileName(QWidget* owner, const FileRequest& request) {
  if (FileHook()) return FileHook()(request);
  return QFileDialog::getOpenFileName(owner, request.title, QString(), request.filter);
}

}  // namespace platform
