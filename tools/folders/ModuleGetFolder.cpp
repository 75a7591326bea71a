#include "tools/folders/ModuleGetFolder.h"

#include "platform/FileDialogs.h"

namespace tools::ModuleGetFolder {

void BrowseForFolderPath(QWidget* owner, QObject* context, const QString& title,
                         const QString& startFolder, Chosen then) {
  platform::BrowseForFolder(
      owner, context, platform::FolderRequest{title, startFolder, false, false}, std::move(then));
}

void BrowseForFolderPathEx(QWidget* owner, QObject* context, const QString& startFolder,
                           const QString& title, bool includeFiles, bool newStyle, Chosen then) {
  platform::BrowseForFolder(owner, context,
                            platform::FolderRequest{title, startFolder, includeFiles, newStyle},
                            std::move(then));
}

}  // namespace tools::ModuleGetFolder
