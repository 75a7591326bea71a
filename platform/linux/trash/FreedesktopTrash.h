#pragma once
// The recycle bin laid out as the freedesktop.org Trash standard 1.0 has it:
// the home trash under $XDG_DATA_HOME/Trash plus $topdir/.Trash/$uid (shared,
// sticky, not a link) or $topdir/.Trash-$uid on every other mounted volume.
//
// query() keeps what it measured: inotify reports which entries changed, a
// few stat calls per trash catch trashes that appear, vanish or are replaced,
// and a poll() on /proc/self/mountinfo follows mounts and unmounts. A trashed
// folder is walked once; its size is kept while its .trashinfo keeps its
// modification time (and the folder its inode).
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/RecycleBin.h"

namespace platform {

struct TrashSettings {
  std::filesystem::path dataHome;  // the home trash is dataHome/Trash
  unsigned uid = 0;                // names the volume trashes
  std::filesystem::path home;      // the user's home folder, never trashed; empty: none
  // The volumes' top directories; when unset, the mount table (followed live).
  std::optional<std::vector<std::filesystem::path>> topDirs;
};

class FreedesktopTrash final : public RecycleBin {
 public:
  explicit FreedesktopTrash(TrashSettings settings);
  ~FreedesktopTrash() override;
  FreedesktopTrash(const FreedesktopTrash&) = delete;
  FreedesktopTrash& operator=(const FreedesktopTrash&) = delete;

  BinQuery query() override;
  // Each item goes to the trash of its own volume, or stays where it is.
  MoveResult moveToTrash(const std::vector<std::filesystem::path>& items) override;
  // Never follows a link out of a trash; what cannot go stays, with its info.
  EmptyResult empty(const std::function<bool(std::int64_t, std::int64_t)>& progress) override;
  // Made when missing.
  std::filesystem::path homeTrashFilesFolder() override;
  // Info files are read once and kept while the index sees them unchanged.
  std::vector<TrashedItem> list() override;
  // Only items of the trashes counted here; the target's folders are opened
  // one by one without following links.
  ItemsResult restore(const std::vector<TrashedItem>& items) override;
  ItemsResult erase(const std::vector<TrashedItem>& items) override;
  void stopWhen(std::function<bool()> stop) override;
  // Copies recorded under $XDG_DATA_HOME/WasteWell/copies.
  void removeLeftCopies() override;

  // Called by empty() with a folder's path just before it opens the folder
  // (tests swap the folder for a link here).
  void setDescendHook(std::function<void(const std::filesystem::path&)> hook);

  // How often the volumes were looked for (the mount table polled, the
  // remembered tops read), for the tests that count them.
  int volumeChecks() const;

  // $XDG_DATA_HOME (or ~/.local/share), getuid(), the mount table.
  static TrashSettings SystemSettings();

  // The adapter's own parts share this (TrashState.h); nobody else sees inside.
  struct State;

 private:
  std::unique_ptr<State> s_;
};

}  // namespace platform
