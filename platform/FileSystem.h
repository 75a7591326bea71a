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

// Why a folder is never emptied or removed. Every deletion below checks it on
// the folder it opened, so no caller can go round it.
enum class Guarded {
  kNo,
  kRoot,       // the file system's root
  kHome,       // the user's home, from HOME or from the password database
  kHoldsHome,  // a folder that holds the home, at any depth
  kChanged,    // no longer the folder that was checked before the question
};

// A folder's identity (device and inode); zero when unknown.
struct FolderId {
  std::uint64_t dev = 0, ino = 0;
  bool known() const { return dev != 0 || ino != 0; }
  bool operator==(const FolderId& o) const { return dev == o.dev && ino == o.ino; }
};

struct FolderCheck {
  Guarded guarded = Guarded::kNo;
  FolderId id;  // unknown when the folder cannot be opened
};

// What the guard says of `folder` now, and its identity, to be passed to the
// deletion after a question so that a folder swapped meanwhile is refused.
FolderCheck CheckFolder(const std::filesystem::path& folder);

struct DeleteOptions {
  // Leave in place what running programs rely on: sockets, pipes and device
  // nodes; what a process holds open, runs or works in; what is locked; and
  // what belongs to other users. (Removing a file in use succeeds on Linux
  // and breaks its program.)
  bool keepInUse = false;
  // Called with a folder's path just before it is entered (tests swap it for a link there).
  std::function<void(const std::filesystem::path&)> beforeEnter;
  // When known, the folder must still be this one (from CheckFolder).
  FolderId expected;
};

struct DeleteReport {
  Guarded refused = Guarded::kNo;             // when not kNo, nothing was touched
  std::int64_t removed = 0;                   // entries removed
  std::int64_t stayedCount = 0;               // entries left in place
  std::vector<std::filesystem::path> stayed;  // the first of them (a thousand, or fewer long paths)
  // The user's home where the deletion met it inside (a bind mount's source,
  // another mount of its volume): left whole, and among those that stayed.
  std::vector<std::filesystem::path> homes;
};

// Deletes everything inside `folder`, read-only entries included; the folder
// itself stays, with its mode as it was. Refuses what the guard protects.
DeleteReport DeleteContents(const std::filesystem::path& folder, const DeleteOptions& options = {});

// Removes `folder` itself when it is empty. 0 or an errno value; EPERM with
// `refused` set when the guard protects it.
int RemoveEmptyFolder(const std::filesystem::path& folder, Guarded* refused = nullptr);

// Deletes one file as it is (a link as the link). 0 or an errno value.
int DeleteOneFile(const std::filesystem::path& file);

// The listing of a folder tree in pre-order: for each folder a tab and its
// full path, then for each of its files two tabs and the name, then its
// subfolders the same way. A folder that cannot be read adds its own line.
// Past `maxLines` lines or `maxBytes` bytes of text, one closing line
// "... y N entradas más" stands for the rest, so any tree lists in bounded
// memory.
constexpr std::size_t kListMaxLines = 200000;
constexpr std::size_t kListMaxBytes = std::size_t{32} << 20;
void ListTree(const std::filesystem::path& folder,
              const std::function<void(const std::string&)>& line,
              std::size_t maxLines = kListMaxLines, std::size_t maxBytes = kListMaxBytes);

// The closing line of a cut listing: "... y 12.345 entradas más".
inline std::string MoreEntriesLine(std::int64_t count) {
  const std::string digits = std::to_string(count);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && digits[i - 1] != '-' && (digits.size() - i) % 3 == 0) grouped += '.';
    grouped += digits[i];
  }
  return "... y " + grouped + (count == 1 ? " entrada más" : " entradas más");
}

// Bytes in the files below `folder` (apparent sizes; what cannot be read adds
// nothing; mount points, files included, add nothing). -1 when the folder
// itself cannot be opened.
std::int64_t FolderSize(const std::filesystem::path& folder);

// Writes `bytes` as the whole new content of `file`, replacing it in one
// step (a reader sees the old file or the new one). 0 or an errno value.
int ReplaceFileContents(const std::filesystem::path& file, const std::string& bytes);

// A short Spanish description of an errno value, for messages.
std::string ErrorDescription(int err);

}  // namespace platform
