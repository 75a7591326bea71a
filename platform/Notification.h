#pragma once
// A short message in the desktop's own notification area.
#include <string>

namespace platform {

// Shows `text` (UTF-8) once and returns at once; where the desktop has no
// notification service nothing is shown and nothing fails.
void ShowNotification(const std::string& text);

}  // namespace platform
