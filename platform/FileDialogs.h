#pragma once
// The folder and file dialogs of the utilities. Like the message boxes, they
// go through here so that a test can see what was asked and answer it.
#include <QString>
#include <functional>

class QObject;
class QWidget;

namespace platform {

struct FolderRequest {
  QString title;
  QString startFolder;        // as the caller gave it
  bool includeFiles = false;  // files can be chosen too
  bool newFolderButton = false;
};

// Nothing waits for the dialogs: each opens over its owner (modal to that
// window only) and hands its answer to `then` while `context` lives; when
// context goes, the dialog closes unanswered.

// The chosen folder, or empty text when the user cancelled. A start folder
// written as a Windows drive root ("c:\") starts at the file system's root.
void BrowseForFolder(QWidget* owner, QObject* context, const FolderRequest& request,
                     std::function<void(const QString& folder)> then);

struct FileRequest {
  QString title;
  QString filter;  // "Text (pattern)" entries separated by ";;"
};

// The chosen file's full path, or empty text when the user cancelled.
void OpenFileName(QWidget* owner, QObject* context, const FileRequest& request,
                  std::function<void(const QString& file)> then);

// Test hooks: while set, no dialog opens and the hook's answer goes to `then` at once.
void SetFolderDialogHook(std::function<QString(const FolderRequest&)> hook);
void SetFileDialogHook(std::function<QString(const FileRequest&)> hook);

}  // namespace platform
