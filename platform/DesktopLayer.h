#pragma once
#include <cstdint>

namespace platform {

// Puts a top-level window on the desktop layer: below other windows, on every
// workspace, off the task bar and the pager. Nothing happens when the window
// system offers no way to do it.
void AttachToDesktop(std::uintptr_t nativeWindow);

}  // namespace platform
