#pragma once
// Helpers for the trash and file tests: hand-made entries, private mounts, dropped privileges.
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

// (count, size) of a query, to compare both at once.
using Figures = std::pair<std::int64_t, std::int64_t>;
Figures Query(platform::RecycleBin& bin);

// Writes info/<name>.trashinfo into a trash by hand, naming `original` (/x/<name> when empty)
// and `date` (no DeletionDate line when empty); returns files/<name> (not made).
std::filesystem::path PutTrashInfo(const std::filesystem::path& trash, const std::string& name,
                                   const std::filesystem::path& original = {},
                                   const std::string& date = "2024-05-01T10:00:00");

// Dates a file a minute back, past any grace period for entries being written.
void Age(const std::filesystem::path& file);

// `levels` folders named `name`, one inside the other, under `top` (deeper than PATH_MAX if need
// be), with a file "f" holding `bytes` at the bottom. False when any step failed.
bool MakeDeepTree(const std::filesystem::path& top, const std::string& name, int levels,
                  const std::string& bytes);

// Puts this process in a mount namespace of its own, once: what it mounts then, and the programs
// it starts afterwards, nobody else sees. Why it could not; empty when it could.
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
// our own namespace. Why it could not; empty when it could.
std::string MountImage(const std::filesystem::path& dir, const std::string& type);

// A FUSE file system with an empty root folder on `dir`, in our own namespace, served by a child
// until it is stopped (SIGSTOP: a server that no longer answers) or ended. Raw /dev/fuse.
class FuseMount {
 public:
  explicit FuseMount(const std::filesystem::path& dir);
  ~FuseMount();
  FuseMount(const FuseMount&) = delete;
  FuseMount& operator=(const FuseMount&) = delete;
  bool ok() const { return server_ > 0; }
  void Stop();

 private:
  std::filesystem::path dir_;
  int server_ = -1;
};

// A Unix socket listening at `file` that takes connections and never answers; -1 if none.
int ListeningSocket(const std::filesystem::path& file);

// What `fn` returns when run in a forked child (a short text), or "child failed: ...". `setup`
// runs in the child first; false there fails the child. `watch` runs here meanwhile. With
// `seconds`, a child that has not answered by then is killed and the answer is "hung".
std::string RunInChild(const std::function<std::string()>& fn,
                       const std::function<bool()>& setup = nullptr, int seconds = 0,
                       const std::function<void(pid_t)>& watch = nullptr);

// A system call a traced child is about to make; text(i) reads what argument i points to.
struct Call {
  long nr;
  std::array<std::uint64_t, 6> args;
  std::function<std::string(int i)> text;
};

// What `fn` returns, run in a traced child; `at` runs here at each system call the child
// enters, with the child held: another program acting at that very instant.
std::string Traced(const std::function<void(const Call&)>& at,
                   const std::function<std::string()>& fn);

// Gives the tree `owned` to nobody (65534), then returns what `fn` returns when run in a child
// process as nobody, or "child failed: ...".
constexpr int kNobody = 65534;
std::string RunAsNobody(const std::filesystem::path& owned, const std::function<std::string()>& fn);

}  // namespace testsupport
