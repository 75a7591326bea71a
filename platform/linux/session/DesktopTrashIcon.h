#pragma once
// The desktop's own trash icon, shown or hidden through the setting of each
// installed desktop that draws one: GSettings for the GNOME desktop-icons
// extension, Nemo and Caja; xfconf for Xfce's desktop.
#include <string>

namespace platform {

// Sets the trash icon of every installed desktop; a desktop whose setting is
// not installed or whose settings service does not answer is skipped. Returns
// how many settings were stored.
int SetDesktopTrashIconVisible(bool visible);

// Time given to xfconf-query before it is killed, and to the GSettings
// backend to store a change.
constexpr int kXfconfTimeoutMs = 2000;
constexpr int kSettingsSyncTimeoutMs = 2000;

}  // namespace platform
