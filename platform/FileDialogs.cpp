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

// Shows the dialog without waiting; its answer goes to `answered` while
// `context` lives, and the dialog goes when context does.
void Open(QFileDialog* dialog, QObject* context, std::function<void(int)> answered) {
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  const QMetaObject::Connection done =
      QObject::connect(dialog, &QDialog::finished, context ? context : dialog,
                       [answered = std::move(answered)](int result) { answered(result); });
  // `destroyed` comes before the context's connections are cut: cut this one first.
  if (context)
    QObject::connect(context, &QObject::destroyed, dialog, [dialog, done] {
      QObject::disconnect(done);
      dialog->hide();
      dialog->deleteLater();
    });
  dialog->open();
}

}  // namespace

void SetFolderDialogHook(std::function<QString(const FolderRequest&)> hook) {
  FolderHook() = std::move(hook);
}

void SetFileDialogHook(std::function<QString(const FileRequest&)> hook) {
  FileHook() = std::move(hook);
}

void BrowseForFolder(QWidget* owner, QObject* context, const FolderRequest& request,
                     std::function<void(const QString&)> then) {
  if (FolderHook()) {
    then(FolderHook()(request));
    return;
  }
  // The desktop's own dialog where it offers one (portal, GTK), else Qt's.
  auto* dialog = new QFileDialog(owner, request.title, StartFolder(request.startFolder));
  dialog->setFileMode(request.includeFiles ? QFileDialog::AnyFile : QFileDialog::Directory);
  dialog->setOption(QFileDialog::ShowDirsOnly, !request.includeFiles);
  // Without the new style the dialog offers no way to make a folder.
  dialog->setOption(QFileDialog::ReadOnly, !request.newFolderButton);
  Open(dialog, context, [dialog, then = std::move(then)](int result) {
    const QStringList chosen = dialog->selectedFiles();
    then(result != QDialog::Accepted || chosen.isEmpty() ? QString()
                                                         : QDir::cleanPath(chosen.first()));
  });
}

void OpenFileName(QWidget* owner, QObject* context, const FileRequest& request,
                  std::function<void(const QString&)> then) {
  if (FileHook()) {
    then(FileHook()(request));
    return;
  }
  auto* dialog = new QFileDialog(owner, request.title, QString(), request.filter);
  dialog->setFileMode(QFileDialog::ExistingFile);
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  Open(dialog, context, [dialog, then = std::move(then)](int result) {
    const QStringList chosen = dialog->selectedFiles();
    then(result != QDialog::Accepted || chosen.isEmpty() ? QString() : chosen.first());
  });
}

}  // namespace platform
