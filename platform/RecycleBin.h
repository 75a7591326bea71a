#pragma once
// The recycle bin of every mounted volume: query, move with undo, empty.
// No questions and no windows here; the bin window adds its own.
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

struct MoveResult {
  bool ok = true;  // every item was moved
  // Items that stayed exactly where they were, with the reason (Spanish).
  std::vector<std::pair<std::filesystem::path, std::string>> stayed;
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
};

// The system's recycle bin (on Linux, the freedesktop.org trash of the
// current user, with the home trash under $XDG_DATA_HOME).
std::unique_ptr<RecycleBin> MakeRecycleBin();

}  // namespace platform
