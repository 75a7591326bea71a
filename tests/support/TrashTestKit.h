#pragma once
// Trash and file tests' helpers: hand-made entries, private mounts, dropped privileges.
#include <signal.h>
#include <sys/types.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/trash/FreedesktopTrash.h"
#include "support/TempDir.h"

namespace testsupport {

// A home trash under data/Trash; volumes only those in `tops`; uid -1 is ours.
platform::TrashSettings TrashAt(const std::filesystem::path& data,
                                std::vector<std::filesystem::path> tops = {}, int uid = -1);

// (count, size) of a query.
using Figures = std::pair<std::int64_t, std::int64_t>;
Figures Query(platform::RecycleBin& bin);

// Writes info/<name>.trashinfo naming `original` (/x/<name> if empty) and `date` (none if empty);
// returns files/<name>, not made.
std::filesystem::path PutTrashInfo(const std::filesystem::path& trash, const std::string& name,
                                   const std::filesystem::path& original = {},
                                   const std::string& date = "2024-05-01T10:00:00");

// Dates a file a minute back, past any grace period for entries being written.
void Age(const std::filesystem::path& file);

// `levels` folders `name` nested in `top` (past PATH_MAX too), "f" of `bytes` at the bottom.
bool MakeDeepTree(const std::filesystem::path& top, const std::string& name, int levels,
                  const std::string& bytes);

// A mount namespace of its own for this process, with / private: its mounts are seen by no one
// else. NewMountNamespace makes one now; OwnMountNamespace once, saying why it could not.
bool NewMountNamespace();
const std::string& OwnMountNamespace();

// A tmpfs mounted on `dir` (made if missing) for the life of the object, in our own namespace.
class TmpfsMount {
 public:
  explicit TmpfsMount(const std::filesystem::path& dir);
  ~TmpfsMount();
  TmpfsMount(const TmpfsMount&) = delete;
  TmpfsMount& operator=(const TmpfsMount&) = delete;
  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }  // why the test skips
  const std::filesystem::path& path() const { return dir_; }

 private:
  std::filesystem::path dir_;
  std::string error_;
};

// A file system of `type` ("ext4", "btrfs") in an image beside `dir`, loop-mounted on `dir` in
// our own namespace, with a btrfs subvolume `subvolume` in it if named. Why not; empty if done.
std::string MountImage(const std::filesystem::path& dir, const std::string& type,
                       const std::string& subvolume = {});

// An empty FUSE folder on `dir` in our own namespace, its server a child until Stop (it hangs).
class FuseMount {
 public:
  explicit FuseMount(const std::filesystem::path& dir);
  ~FuseMount();
  FuseMount(const FuseMount&) = delete;
  FuseMount& operator=(const FuseMount&) = delete;
  bool ok() const { return server_ > 0; }
  void Stop() { kill(server_, SIGSTOP); }

 private:
  std::filesystem::path dir_;
  int server_ = -1;
};

// A Unix socket listening at `file` that takes connections and never answers; -1 if none.
int ListeningSocket(const std::filesystem::path& file);

// `fn`'s short text from a forked child, or "child failed: ..." (also if `setup` there is false);
// `watch` runs here meanwhile. A child silent past `seconds` is killed: "hung".
std::string RunInChild(const std::function<std::string()>& fn,
                       const std::function<bool()>& setup = nullptr, int seconds = 0,
                       const std::function<void(pid_t)>& watch = nullptr);

struct Call {  // a system call a traced child enters; text(i) reads what argument i points to
  long nr;
  std::array<std::uint64_t, 6> args;
  std::function<std::string(int i)> text;
};

// What `fn` returns, run in a traced child; `at` runs here at each system call the child
// enters, with the child held: another program acting at that very instant.
std::string Traced(const std::function<void(const Call&)>& at,
                   const std::function<std::string()>& fn);

// Drops this process to user and group `uid`, no other groups. RunAsNobody gives the tree `owned`
// to nobody, then returns what `fn` returns in a child as nobody, or "child failed: ...".
constexpr int kNobody = 65534;
bool BecomeUser(unsigned uid);
std::string RunAsNobody(const std::filesystem::path& owned, const std::function<std::string()>& fn);

}  // namespace testsupport
