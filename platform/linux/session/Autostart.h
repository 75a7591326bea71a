#pragma once
// Start at log-in: the XDG autostart entry of the program.
#include <filesystem>
#include <string>

namespace platform {

// $XDG_CONFIG_HOME/autostart/WasteWell.desktop (~/.config when the variable
// is unset or not an absolute path).
std::filesystem::path AutostartFile();

// Replaces the entry at once (never a half-written file) with one that runs
// execLine, a value already quoted for the Exec key. False when the line
// would not fit on one line of the file or the file cannot be written.
bool WriteAutostartEntry(const std::string& execLine);

// True when no entry is left.
bool RemoveAutostartEntry();

// One argument of an Exec line: quoted when it holds a reserved character,
// then escaped as a string value of the desktop entry file.
std::string QuoteExecArgument(const std::string& argument);

}  // namespace platform
