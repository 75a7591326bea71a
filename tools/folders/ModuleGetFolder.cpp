#include "tools/folders/ModuleGetFolder.h"

#include "platform/FileDialogs.h"

namespace tools::ModuleGetFolder {

QString BrowseForFolderPath(QWidget* owner, const QString& title, const QString& startFolder) {
  return platform::BrowseForFolder(owner,
                                   platform::FolderRequest{title, startFolder, false, false});
}

QString BrowseForFolderPathEx(QWidget* owner, const QString& startFolder, const QString& title,
                              bool includeFiles, bool newStyle) {
  return platform::BrowseForFolder(
      owner, platform::FolderRequest{title, startFolder, includeFiles, newStyle});
}

}  // namespace tools::ModuleGetFolder
