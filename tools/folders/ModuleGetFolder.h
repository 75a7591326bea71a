#pragma once
// The two folder-browse operations of the folder window. Neither waits: the
// chosen path, or empty text when the user cancels, goes to `then` while
// `context` lives.
#include <QString>
#include <functional>

class QObject;
class QWidget;

namespace tools::ModuleGetFolder {

using Chosen = std::function<void(const QString& folder)>;

// The plain dialog: folders only, no way to make a new one.
void BrowseForFolderPath(QWidget* owner, QObject* context, const QString& title,
                         const QString& startFolder, Chosen then);

// `newStyle` adds the button that makes a new folder; `includeFiles` lets a
// file be chosen too.
void BrowseForFolderPathEx(QWidget* owner, QObject* context, const QString& startFolder,
                           const QString& title, bool includeFiles, bool newStyle, Chosen then);

}  // namespace tools::ModuleGetFolder
