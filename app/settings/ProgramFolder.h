#pragma once
#include <filesystem>
#include <string>

namespace app {

// The folder that holds the executable, unless --program-folder named another.
std::filesystem::path ProgramFolder();
void SetProgramFolder(const std::filesystem::path& folder);
// The folder given with --program-folder, empty when none was.
std::filesystem::path ProgramFolderOverride();
void SetProgramFolderOverride(const std::filesystem::path& folder);

// The program folder followed by a file name: "Options.ini" gives
// <folder>/Options.ini.
std::string ProgramFile(const std::string& name);

// Options.ini in the program folder, formed anew at every call.
std::string OptionsFile();

}  // namespace app
