#pragma once
// The trash as the desktop's file manager shows it.
#include <filesystem>

namespace platform {

// Opens the trash in the desktop's file manager and returns at once; when the
// file manager cannot show it, fallbackFolder is opened instead.
void OpenTrashFolder(const std::filesystem::path& fallbackFolder);

}  // namespace platform
