#pragma once
// Texts at the edge of the Win32 calls: the program speaks UTF-8, the wide
// calls UTF-16 and the ANSI calls the system's code page.
#include <filesystem>
#include <string>

namespace platform::win {

std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);
std::string Utf8(const std::filesystem::path& path);

// To the ANSI code page; a character it lacks becomes '?' (never a look-alike,
// which could turn into a quote or a separator). `lossless` tells whether every
// character made it.
std::string ToAnsi(const std::wstring& wide, bool* lossless = nullptr);
std::string ToAnsi(const std::string& utf8, bool* lossless = nullptr);
std::string FromAnsi(const std::string& ansi);

// The system's text for a Win32 error code, in UTF-8, without the line break.
std::string ErrorText(unsigned long code);

// A function of a loaded system module, found at run time; nullptr when the
// module lacks it. Cast to its type by the caller.
using AnyFunction = void (*)();
AnyFunction FindFunction(const wchar_t* module, const char* name);

// Wine has gaps of its own that the adapters work around where they lose data.
bool RunningUnderWine();

// Where Wine keeps the user's Recycle Bin: the freedesktop.org trash of the
// Unix user ($XDG_DATA_HOME/Trash, else ~/.local/share/Trash). Empty outside
// Wine or when Wine gives no home.
std::filesystem::path WineTrashFolder();

}  // namespace platform::win
