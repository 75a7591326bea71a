#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/linux/removal/InUse.h"
#include "platform/linux/removal/PosixFile.h"
#include "platform/linux/removal/SafeRemove.h"
#include "platform/linux/removal/TreeWalk.h"

namespace platform {

namespace fs = std::filesystem;
using walk::Names;
using walk::Next;

namespace {

// A folder as a listing shows it: no trailing separator but for the root.
std::string Shown(const fs::path& folder) {
  std::string s = folder.lexically_normal().string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

class Lister {
 public:
  Lister(std::string top, const std::function<void(const std::string&)>& line, std::size_t maxLines,
         std::size_t maxBytes)
      : path_(std::move(top)), line_(line), linesLeft_(maxLines), bytesLeft_(maxBytes) {}

  void listed(int, Names& names) {
    folderLine();
    // Files first, then the subfolders, each in the file system's order.
    std::stable_partition(names.begin(), names.end(), [](const auto& n) { return !n.second; });
    for (const auto& [name, folder] : names) {
      if (folder) break;
      if (!take(2 + name.size())) continue;
      text_.assign("\t\t").append(name);
      line_(text_);
    }
  }
  Next entry(int, const std::string& name, bool folder) {
    if (!folder) return Next::kDone;
    push(name);
    return Next::kEnter;
  }
  bool accept(const struct stat&) { return true; }
  void entered(const std::string&) {}
  void notEntered(int, const std::string&, int err) {
    if (err != ENOENT && err != ENOTDIR && err != ELOOP) folderLine();
    pop();
  }
  void left(int, const std::string&) { pop(); }

  // The closing line for what did not fit.
  void finish() {
    if (more_ > 0) line_(MoreEntriesLine(more_));
  }

 private:
  void push(const std::string& name) {
    if (path_.back() != '/') path_ += '/';
    path_ += name;
  }
  void pop() {
    const std::size_t slash = path_.find_last_of('/');
    path_.resize(slash == 0 ? 1 : slash);
  }

  // Whether one more line of `size` bytes fits; if not it is only counted.
  bool take(std::size_t size) {
    if (more_ == 0 && linesLeft_ > 1 && size <= bytesLeft_) {
      --linesLeft_;
      bytesLeft_ -= size;
      return true;
    }
    ++more_;
    return false;
  }

  void folderLine() {
    if (!take(1 + path_.size())) return;
    text_.assign("\t").append(path_);
    line_(text_);
  }

  std::string path_;
  std::string text_;  // one buffer for every line
  const std::function<void(const std::string&)>& line_;
  std::size_t linesLeft_, bytesLeft_;
  std::int64_t more_ = 0;
};

// For the guard of a home it cannot reach, which knows that home by its path.
std::string Absolute(const fs::path& folder) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(folder, ec);
  return ec ? std::string() : absolute.string();
}

UniqueFd OpenFolder(const fs::path& folder) {
  return UniqueFd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

}  // namespace

FolderCheck CheckFolder(const fs::path& folder) {
  FolderCheck check;
  UniqueFd dir = OpenFolder(folder);
  struct stat st;
  if (!dir.ok() || fstat(dir.get(), &st) != 0) return check;
  check.id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  check.guarded = HomeGuard(true).judge(st, Absolute(folder));
  return check;
}

DeleteReport DeleteContents(const fs::path& folder, const DeleteOptions& options) {
  DeleteReport report;
  UniqueFd dir = OpenFolder(folder);
  struct stat st;
  if (!dir.ok() || fstat(dir.get(), &st) != 0) {
    report.stayed.push_back(folder);
    report.stayedCount = 1;
    return report;
  }
  // Judged on the very folder that is emptied below, through this handle.
  const FolderId id{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  const HomeGuard homes(true);
  if (options.expected.known() && !(options.expected == id))
    report.refused = Guarded::kChanged;
  else
    report.refused = homes.judge(st, Absolute(folder));
  if (report.refused != Guarded::kNo) return report;
  const std::string handle = "/proc/self/fd/" + std::to_string(dir.get());
  const bool opened = st.st_uid == geteuid() && (st.st_mode & S_IRWXU) != S_IRWXU;
  // A read-only folder's entries go too: only the folder itself stays, as it was.
  if (opened) chmod(handle.c_str(), (st.st_mode & 07777) | S_IRWXU);
  std::optional<InUse> inUse;
  RemoveRules rules;
  rules.makeWritable = true;
  rules.stayed = &report.stayed;
  rules.stayedCount = &report.stayedCount;
  rules.hook = options.beforeEnter;
  rules.homes = &homes;
  rules.homesMet = &report.homes;
  if (options.keepInUse) {
    inUse.emplace();
    const uid_t me = geteuid();
    rules.keep = [&inUse, me](const struct stat& s) {
      return S_ISSOCK(s.st_mode) || S_ISFIFO(s.st_mode) || S_ISCHR(s.st_mode) ||
             S_ISBLK(s.st_mode) || s.st_uid != me || inUse->holds(s);
    };
  }
  Names names;
  ReadFolderNames(dir.get(), names);
  for (const auto& [name, isFolder] : names)
    RemoveTreeAt(dir.get(), name, st.st_dev, rules, folder, &report.removed);
  if (opened) chmod(handle.c_str(), st.st_mode & 07777);
  return report;
}

int RemoveEmptyFolder(const fs::path& folder, Guarded* refused) {
  std::string path = folder.string();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  UniqueFd dir = OpenFolder(path);
  struct stat st;
  if (dir.ok() && fstat(dir.get(), &st) == 0) {
    if (const Guarded why = HomeGuard(true).judge(st, Absolute(path)); why != Guarded::kNo) {
      if (refused) *refused = why;
      return EPERM;
    }
  }
  return rmdir(path.c_str()) == 0 ? 0 : errno;
}

int DeleteOneFile(const fs::path& file) { return unlink(file.c_str()) == 0 ? 0 : errno; }

void ListTree(const fs::path& folder, const std::function<void(const std::string&)>& line,
              std::size_t maxLines, std::size_t maxBytes) {
  UniqueFd dir = OpenFolder(folder);
  struct stat st;
  if (!dir.ok() || fstat(dir.get(), &st) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) line("\t" + Shown(folder));
    return;
  }
  Lister lister(Shown(folder), line, maxLines, maxBytes);
  walk::WalkBelow(dir.release(), st.st_dev, lister);
  lister.finish();
}

std::int64_t FolderSize(const fs::path& folder) {
  UniqueFd dir = OpenFolder(folder);
  struct stat st;
  if (!dir.ok() || fstat(dir.get(), &st) != 0) return -1;
  walk::SizeCounter m;
  walk::WalkBelow(dir.release(), st.st_dev, m);
  return m.total;
}

int ReplaceFileContents(const fs::path& file, const std::string& bytes) {
  fs::path folder = file.parent_path();
  UniqueFd dir = OpenFolder(folder.empty() ? fs::path(".") : folder);
  if (!dir.ok()) return errno;
  struct stat old;
  ReplaceOptions options;
  if (fstatat(dir.get(), file.filename().c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 &&
      S_ISREG(old.st_mode))
    options.keep = &old;
  return ReplaceFileAt(dir.get(), file.filename().string(), bytes, options) ? 0 : errno;
}

}  // namespace platform
