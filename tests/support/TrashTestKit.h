#pragma once
// Helpers for the trash tests: private mounts, commands, dropped privileges.
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace testsupport {

// Moves this process into its own mount namespace (once), so that what the
// tests mount is seen by nobody else and vanishes with the process. False,
// with the reason, when the system refuses.
bool PrivateMounts(std::string* why);

// A tmpfs mounted on `dir` (made if missing) for the life of the object.
class TmpfsMount {
 public:
  explicit TmpfsMount(const std::filesystem::path& dir);
  ~TmpfsMount();
  TmpfsMount(const TmpfsMount&) = delete;
  TmpfsMount& operator=(const TmpfsMount&) = delete;
  bool ok() const { return ok_; }
  const std::string& error() const { return error_; }
  bool remountReadOnly();
  const std::filesystem::path& path() const { return dir_; }

 private:
  std::filesystem::path dir_;
  bool ok_ = false;
  std::string error_;
};

// Runs a shell command with `input` on its standard input; returns its exit
// status and, in `out`, what it wrote (standard output and error).
int RunShell(const std::string& command, const std::string& input = "", std::string* out = nullptr);

// A file of `size` bytes that takes no disk space.
bool MakeSparseFile(const std::filesystem::path& file, std::int64_t size);

// Runs `fn` in a child process under `uid` (group too); returns what `fn`
// returned, or "child failed: ..." when the child could not run it.
std::string RunAsUser(uid_t uid, const std::function<std::string()>& fn);

// Gives a whole tree to `uid`, links included.
void ChownTree(const std::filesystem::path& root, uid_t uid);

// Writes info/<name>.trashinfo into a trash by hand (and makes files/); the
// test makes files/<name> itself.
void PutTrashInfo(const std::filesystem::path& trash, const std::string& name,
                  const std::string& originalPath);

}  // namespace testsupport
