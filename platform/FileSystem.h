#pragma once
// Folder walks and final deletions for the utilities. Links are listed and
// removed as links, never followed; another file system mounted inside a
// folder is listed but never entered or emptied; failures are skipped and
// the work goes on.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace platform {

struct DeleteOptions {
  // Leave in place what running programs rely on: sockets, pipes and device
  // nodes; what a process holds open, runs or works in; what is locked; and
  // what belongs to other users. (Removing a file in use succeeds on Linux
  // and breaks its program.)
  bool keepInUse = false;
  // Called with a folder's path just before it is entered (tests swap it for a link there).
  std::function<void(const std::filesystem::path&)> beforeEnter;
};

struct DeleteReport {
  std::int64_t removed = 0;                   // entries removed
  std::vector<std::filesystem::path> stayed;  // entries left in place (the first thousand)
};

// Deletes everything inside `folder`, read-only entries included; the folder
// itself stays.
DeleteReport DeleteContents(const std::filesystem::path& folder, const DeleteOptions& options = {});

// Removes `folder` itself when it is empty. 0 or an errno value.
int RemoveEmptyFolder(const std::filesystem::path& folder);

// Deletes one file as it is (a link as the link). 0 or an errno value.
int DeleteOneFile(const std::filesystem::path& file);

// The listing of a folder tree in pre-order: for each folder a tab and its
// full path, then for each of its files two tabs and the name, then its
// subfolders the same way. A folder that cannot be read adds its own line.
void ListTree(const std::filesystem::path& folder,
              const std::function<void(const std::string&)>& line);

// Bytes in the files below `folder` (apparent sizes; what cannot be read adds
// nothing). -1 when the folder itself cannot be opened.
std::int64_t FolderSize(const std::filesystem::path& folder);

// Writes `bytes` as the whole new content of `file`, replacing it in one
// step (a reader sees the old file or the new one). 0 or an errno value.
int ReplaceFileContents(const std::filesystem::path& file, const std::string& bytes);

// A short Spanish description of an errno value, for messages.
std::string ErrorDescription(int err);

}  // namespace platform
