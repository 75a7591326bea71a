#pragma once
// What the program changes in the user's session, in the current user's hive:
// the Run value that starts it at log-in and the values that hide the
// desktop's own Recycle Bin icon.
#include <string>

namespace platform::win {

// Persisted names: the system and earlier versions of the program read them.
constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kRunValue = L"WasteWell";
constexpr const wchar_t* kHideIconsKeys[] = {
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\HideDesktopIcons\\ClassicStartMenu",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\HideDesktopIcons\\NewStartPanel"};
constexpr const wchar_t* kRecycleBinClassId = L"{645FF040-5081-101B-9F08-00AA002F954E}";

// Writes the Run value with commandLine, or deletes it. True when the value
// is as asked afterwards.
bool SetRunValue(bool on, const std::string& commandLine);

// Both hidden-icon values: 1 hides the icon, 0 shows it. The values are kept
// at 0 rather than deleted, as the program always did.
bool SetHiddenIconValues(bool hidden);

// Asks the desktop's shell view to redraw its icons; returns at once.
void RefreshDesktop();

// One argument of a Windows command line, quoted so that the system's own
// splitting gives it back unchanged.
std::string QuoteCommandArgument(const std::string& argument);

}  // namespace platform::win
