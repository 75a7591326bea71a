#pragma once
// The two folder-browse operations of the folder window. Both answer with the
// chosen path, or empty text when the user cancels.
#include <QString>

class QWidget;

namespace tools::ModuleGetFolder {

// The plain dialog: folders only, no way to make a new one.
QString BrowseForFolderPath(QWidget* owner, const QString& title, const QString& startFolder);

// `newStyle` adds the button that makes a new folder; `includeFiles` lets a
// file be chosen too.
QString BrowseForFolderPathEx(QWidget* owner, const QString& startFolder, const QString& title,
                              bool includeFiles, bool newStyle);

}  // namespace tools::ModuleGetFolder
