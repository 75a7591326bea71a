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

}  // namespace platform
