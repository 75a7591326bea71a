#pragma once
// The recycle bin of every mounted volume: query, move with undo, empty,
// list, put back and delete single items. No questions and no windows here;
// the bin window and the restore window add their own.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

struct BinQuery {
  std::int64_t count = 0;  // items (one per trashed file or folder)
  std::int64_t size = 0;   // apparent bytes, folders summed over their trees
};

// One item in a trash. `trash` and `key` name it; the rest is what its info
// file and the bin's index tell.
struct TrashedItem {
  std::filesystem::path trash;     // the trash folder that holds info/ and files/
  std::string key;                 // its name in files/ (info/<key>.trashinfo)
  std::filesystem::path original;  // where it was, absolute; empty when unreadable
  std::int64_t deleted = 0;        // deletion time, seconds since 1970 (UTC); 0 unknown
  std::int64_t size = -1;          // apparent bytes, folders summed; -1 unknown
  bool folder = false;
  // What the item was when listed or moved, looked at again before it is put
  // back or deleted: another item that took its key since is left alone.
  // 0 and empty where the adapter cannot tell.
  std::uint64_t dev = 0, ino = 0;
  std::string info;  // its info file's text
};

struct MoveResult {
  bool ok = true;  // every item was moved
  // Items that stayed exactly where they were, with the reason (Spanish).
  std::vector<std::pair<std::filesystem::path, std::string>> stayed;
  // Where each moved item went, in the order given (empty where the adapter cannot tell).
  std::vector<TrashedItem> moved;
};

struct ItemsResult {
  std::vector<TrashedItem> done;  // put back, or deleted for good
  // Items that stayed in the trash with their info file, with the reason (Spanish).
  std::vector<std::pair<TrashedItem, std::string>> stayed;
};

struct EmptyResult {
  std::int64_t removed = 0;                 // items removed
  std::vector<std::filesystem::path> left;  // entries that could not be removed
};

class RecycleBin {
 public:
  virtual ~RecycleBin() = default;
  // Item count and total size over all trashes. A call where nothing changed
  // since the last one costs a few stat calls, never a walk.
  virtual BinQuery query() = 0;
  // Moves every item to the trash of its own volume in one call.
  virtual MoveResult moveToTrash(const std::vector<std::filesystem::path>& items) = 0;
  // Removes every item of every trash. progress(done, total) is called now and
  // then; it returns false to stop early. Links are removed as links.
  virtual EmptyResult empty(const std::function<bool(std::int64_t, std::int64_t)>& progress) = 0;
  // The folder a file manager should show when trash:/// cannot be opened.
  virtual std::filesystem::path homeTrashFilesFolder() = 0;
  // Every item of every trash query() counts. Reads only what changed since
  // the last call on this object; empty where the system cannot list.
  virtual std::vector<TrashedItem> list() = 0;
  // Puts each item back where it was, under its name, never over anything and
  // never through a link; missing parent folders are made. An item that
  // cannot go back stays in the trash with its info file.
  virtual ItemsResult restore(const std::vector<TrashedItem>& items) = 0;
  // Deletes each item for good, as empty() does: no link followed, no mount crossed.
  virtual ItemsResult erase(const std::vector<TrashedItem>& items) = 0;
  // Asked now and then by restore(): once it answers true, a copy under way
  // stops, its partial copy goes, and that item and the rest stay in the trash.
  virtual void stopWhen(std::function<bool()> stop) { (void)stop; }
  // Removes what a copy of ours left behind when its process died halfway
  // (only copies of processes that no longer run, in folders of the user).
  // May wait on a dead mount: not for the interface thread.
  virtual void removeLeftCopies() {}
};

// The system's recycle bin (on Linux, the freedesktop.org trash of the
// current user, with the home trash under $XDG_DATA_HOME).
std::unique_ptr<RecycleBin> MakeRecycleBin();

}  // namespace platform
