#pragma once
// Profile files ("ini") with the Windows rules: names matched without regard
// to letter case, blanks around names and values trimmed, a value in a pair of
// double quotes read without them, the first of duplicate sections or keys
// wins. Texts are UTF-8 here; the file holds Windows-1252 bytes (a file that
// starts with a UTF-8 byte-order mark is read as UTF-8).
#include <cstddef>
#include <filesystem>
#include <string>

namespace platform {

// The value of key in section, or def when the file, section or key is
// missing; cut to bufferChars - 1 characters as the fixed buffer of the
// Windows call does.
std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& def, std::size_t bufferChars,
                                    const std::filesystem::path& file);

// Creates the file, section and key as needed and replaces an existing value.
// The file is replaced atomically; every other line stays byte for byte.
// A line break inside a name or value cuts it there. False when the file
// could not be written.
bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::filesystem::path& file);

}  // namespace platform
