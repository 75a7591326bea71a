#pragma once
#include <cstdint>
#include <filesystem>
#include <string>

namespace platform {

// Major, minor and build numbers of the system written one after the other
// (kernel 6.1.0 gives "610").
std::string OSVersionText();
// The same from a kernel release text such as "6.1.0-18-amd64".
std::string VersionTextFromRelease(const std::string& release);

// The folder for temporary files, ending in a separator.
std::string TempPath();

// True when this is the only running copy of the executable for this user;
// the lock is held until the process ends.
bool AcquireSingleInstance(const std::filesystem::path& executable);

// The running executable, links resolved.
std::filesystem::path ExecutablePath();

// True when this user may create and replace files in the folder.
bool CanWriteFolder(const std::filesystem::path& folder);

// $XDG_DATA_HOME, or ~/.local/share when it is unset or not absolute.
std::filesystem::path DataHome();

}  // namespace platform
