#pragma once
// Reading the info files of a trash for the listing and for putting items
// back: the Path and DeletionDate keys, and which trash an item belongs to.
#include <cstdint>
#include <string>

#include "platform/linux/trash/TrashState.h"

namespace platform::trash {

// Path (still percent-encoded) and DeletionDate of an info file's text; false
// when its [Trash Info] group holds no Path.
bool ParseInfo(const std::string& text, std::string* path, std::string* date);

// Seconds since 1970 for a local "YYYY-MM-DDThh:mm:ss"; 0 when it is none.
std::int64_t ParseDeletionDate(const std::string& date);

// Where an item of the trash `l` was: the decoded Path, made absolute against
// the volume's top for a volume trash; empty when it cannot be told or holds
// "." or ".." steps (which could lead anywhere).
std::string OriginalPath(const Location& l, const std::string& encodedPath);

// The info file of `key` in the open info folder, as text; false when it is
// no regular file or cannot be read.
bool ReadInfo(int infoFd, const std::string& key, std::string& text);

struct ListCache;
// The index's refresh that also tells the listing which info files to read again.
ListCache& RefreshKeepingList(FreedesktopTrash::State& s);

// A key that names one entry of files/ and nothing else.
bool ValidKey(const std::string& key);

}  // namespace platform::trash
