#pragma once

namespace app {
// Starts the program: loads the bin window, hides the desktop's own trash
// icon. Returns false when the program must end at once (a second copy).
bool Main();
}  // namespace app
