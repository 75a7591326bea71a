#pragma once
// The folder and file dialogs of the utilities. Like the message boxes, they
// go through here so that a test can see what was asked and answer it.
#include <QString>
#include <functional>

class QWidget;

namespace platform {

struct FolderRequest {
  QString title;
  QString startFolder;        // as the caller gave it
  bool includeFiles = false;  // files can be chosen too
  bool newFolderButton = false;
};

// The chosen folder, or empty text when the user cancelled. A start folder
// written as a Windows drive root ("c:\") starts at the file system's root.
QString BrowseForFolder(QWidget* owner, const FolderRequest& request);

struct FileRequest {
  QString title;
  QString filter;  // "Text (pattern)" entries separated by ";;"
};

// The chosen file's full path, or empty text when the user cancelled.
QString OpenFileName(QWidget* owner, const FileRequest& request);

// Test hooks: while set, no dialog opens and the hook's answer is returned.
void SetFolderDialogHook(std::function<QString(const FolderRequest&)> hook);
void SetFileDialogHook(std::function<QString(const FileRequest&)> hook);

}  // namespace platform
