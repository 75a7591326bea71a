#pragma once
// Putting trashed items back and deleting single items for good.
#include <sys/types.h>

#include <functional>
#include <string>

namespace platform::trash {

// Opens the folder that is to hold `path` (absolute, clean) one step at a
// time from "/" without following any link, making missing folders on the
// way. The folder descriptor, or -1 with the reason (Spanish) in `why`.
int OpenParentNoFollow(const std::string& path, std::string& why);

// Copies the entry `name` of `fromFd` (on device `dev`) to the new name `to`
// in `toFd`: files with their bytes synced, folders, links as links; modes
// and times kept. 0, or an errno value with nothing of the copy left behind
// (ECANCELED once `stop`, when set, answered true).
int CopyTreeAt(int fromFd, const std::string& name, dev_t dev, int toFd, const std::string& to,
               const std::function<bool()>& stop = {});

// The name of the temporary copy of process `pid`, and where copies of ours
// are recorded while they run (one file per copy, holding its folder's path).
std::string CopyName(long pid, unsigned serial);
std::string CopyRecordFolder(const std::string& dataHome);

}  // namespace platform::trash
