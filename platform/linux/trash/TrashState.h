#pragma once
// The inside of FreedesktopTrash, shared by its parts: the index of every
// trash with the kept sizes of its items (TrashIndex.cpp), moving
// (TrashMove.cpp) and emptying (TrashEmpty.cpp).
#include <sys/stat.h>

#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/linux/removal/Mounts.h"
#include "platform/linux/removal/PosixFile.h"
#include "platform/linux/removal/SafeRemove.h"
#include "platform/linux/trash/FreedesktopTrash.h"
#include "platform/portable/SaturatingSize.h"

namespace platform::trash {

enum class Kind { kHome, kShared, kPrivate };

inline bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

struct Identity {
  bool present = false;
  dev_t dev = 0;
  ino_t ino = 0;
  timespec mtime{};
  timespec ctime{};
  bool operator==(const Identity& o) const {
    return present == o.present && dev == o.dev && ino == o.ino && SameTime(mtime, o.mtime) &&
           SameTime(ctime, o.ctime);
  }
  bool operator!=(const Identity& o) const { return !(*this == o); }
};

Identity IdentityOf(const struct stat& st, bool withTimes);
// The names in an open folder, read in full first.
std::vector<std::string> ListNames(int dirFd);
Identity LstatIdentity(const std::string& path, bool withTimes);

struct Entry {
  bool hasInfo = false;
  bool hasFile = false;
  std::int64_t size = 0;
  // A folder's measured size holds while these do.
  bool measured = false;
  dev_t dev = 0;
  ino_t ino = 0;
  timespec infoMtime{};
};

struct Location {
  Kind kind = Kind::kHome;
  std::string topDir;  // empty for the home trash
  std::string path;    // the trash folder itself
  bool active = false;
  bool duplicate = false;  // the same folder as another location: counted there
  Identity folder;         // of the trash folder when it was last found unusable
  dev_t dev = 0;           // of the trash folder in use
  ino_t ino = 0;
  Identity info, files;
  int wdInfo = -1, wdFiles = -1;
  bool watched = false;
  bool resetup = false;
  bool rescan = false;
  // Absent or unusable, on a top folder that inotify watches: only an event
  // there (`look`) makes the next tick look again.
  bool watchedTop = false;
  bool look = true;
  std::chrono::steady_clock::time_point scannedAt{};
  std::unordered_set<std::string> dirty;
  std::unordered_map<std::string, Entry> entries;
  std::int64_t count = 0;
  SizeTotal size;  // of the items' files and folders

  std::string sub(const char* name) const;
};

// Whether the shared $topdir/.Trash is a sticky real folder.
bool SharedTrashUsable(const std::string& topDir);

// Opens a location's trash folder the way the freedesktop rules allow: a
// volume trash must be a real folder owned by the user (and the shared
// .Trash must be sticky); the home trash may be reached through links.
int OpenTrashFolder(const Location& l, unsigned uid, UniqueFd& out);

// The directorysizes lines of `text` whose item is not in `removed` go; false
// when none was dropped.
bool DropDirectorySizes(const std::string& text, const std::set<std::string>& removed,
                        std::string& kept);
constexpr std::size_t kMaxDirectorySizesFile = std::size_t{64} << 20;

struct ListCache;  // TrashList.cpp

// Top folders of volumes that moving found beside the mount table (a btrfs
// subvolume has a device number of its own but no mount entry), kept in a
// small file of ours so that counting and emptying reach their trashes too.
class RememberedTops {
 public:
  explicit RememberedTops(std::string file) : file_(std::move(file)) {}
  // True when the file changed since the last call (and on the first call).
  bool reload();
  const std::vector<std::string>& tops() const { return tops_; }
  // Whether add() wrote since the last reload().
  bool stale() const { return !loaded_; }
  // Adds a top and writes the file; false when it could not be written.
  bool add(const std::string& top);

 private:
  std::string file_;
  std::vector<std::string> tops_;
  bool loaded_ = false;
  Identity seen_;
  off_t seenSize_ = -1;
};

}  // namespace platform::trash

namespace platform {

struct FreedesktopTrash::State {
  TrashSettings settings;
  std::string homeTrash;
  std::string uidText;
  std::unique_ptr<MountWatcher> mounts;
  trash::RememberedTops remembered;
  bool fixedApplied = false;
  bool volumesJustChecked = false;  // by a move: the query that follows it skips the check
  int volumeChecks = 0;
  std::vector<std::string> tableTops;                       // from the mount table or the settings
  std::vector<std::string> topDirs;                         // tableTops and the remembered tops
  std::vector<std::unique_ptr<trash::Location>> locations;  // the home trash first
  int inotifyFd = -1;
  std::unordered_map<int, std::pair<trash::Location*, bool>> watches;  // wd -> (location, files/)
  // The volumes' top folders and the remembered tops' folder, on an inotify
  // of their own (an overflow there costs a look, not a rescan): an unchanged
  // one is not asked again.
  struct TopWatch {
    int wd = -1, wdShared = -1;  // the top, and its .Trash
    bool sharedSeen = false;     // .Trash watched, or absent: the shared trash shows in events
    bool dirty = true;
  };
  enum class Watched { kTop, kShared, kDataHome, kRememberedDir };
  int topsFd = -1;
  bool topsDirty = true;
  bool rememberedDirty = true;
  bool rememberedSeen = false;  // its folders watched: the file changes only with an event
  int wdDataHome = -1, wdRememberedDir = -1;
  std::unordered_map<std::string, TopWatch> tops;
  std::unordered_map<int, std::pair<std::string, Watched>> topWatches;
  DescendHook hook;
  std::function<bool()> stop;                   // asked during a restore's copy
  std::shared_ptr<trash::ListCache> listCache;  // made by the first list()

  explicit State(TrashSettings s);
  ~State();

  // The index (TrashIndex.cpp).
  void refresh();
  void refreshVolumes();
  int addTopWatch(const std::string& path, const std::string& top, Watched what, bool follow);
  void dropTopWatch(int& wd, const std::string& top, Watched what);
  void drainTopEvents();
  bool rememberedWatched();
  void lookAtTops();
  void unwatch(trash::Location& l);
  void deactivate(trash::Location& l);
  int addWatch(int fd, trash::Location* l, bool isFiles);
  void setup(trash::Location& l);
  void scanAll(trash::Location& l, int infoFd, int filesFd,
               const std::unordered_map<std::string, trash::Entry>& previous);
  void drainEvents();
  void probe(trash::Location& l);
  void update(trash::Location& l);

  // Moving (TrashMove.cpp).
  int ensureHomeTrash(UniqueFd& out);
};

}  // namespace platform
