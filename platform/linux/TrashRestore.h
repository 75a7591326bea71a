#pragma once
// Putting trashed items back and deleting single items for good.
#include <sys/types.h>

#include <string>

namespace platform::trash {

// Opens the folder that is to hold `path` (absolute, clean) one step at a
// time from "/" without following any link, making missing folders on the
// way. The folder descriptor, or -1 with the reason (Spanish) in `why`.
int OpenParentNoFollow(const std::string& path, std::string& why);

// Copies the entry `name` of `fromFd` (on device `dev`) to the new name `to`
// in `toFd`: files with their bytes synced, folders, links as links; modes
// and times kept. 0, or an errno value with nothing of the copy left behind.
int CopyTreeAt(int fromFd, const std::string& name, dev_t dev, int toFd, const std::string& to);

}  // namespace platform::trash
