#pragma once
// Final removal for the utilities. Every entry is opened by a handle relative
// to its folder's handle and without following reparse points, so a junction
// or a symbolic link (or a folder swapped for one half-way) is removed as
// itself and never entered. Read-only entries are removed too.
#include <cstdint>
#include <filesystem>

namespace platform::win {

struct RemoveCount {
  std::int64_t removed = 0;  // entries removed
  std::int64_t left = 0;     // entries that could not be removed
};

// Removes everything inside `folder`, which stays. Goes on past what it
// cannot remove. Nothing happens when `folder` itself is a link.
RemoveCount RemoveFolderContents(const std::filesystem::path& folder);

// Removes `path` with everything under it; a link is removed as a link.
RemoveCount RemoveTree(const std::filesystem::path& path);

}  // namespace platform::win
