#pragma once
#include <filesystem>
#include <string>

namespace settings {

// The folder that holds Options.ini and every file the program writes: the
// executable's folder when this user can write it, else the per-user folder,
// unless --program-folder named another.
std::filesystem::path ProgramFolder();
void SetProgramFolder(const std::filesystem::path& folder);
// The folder given with --program-folder, empty when none was.
std::filesystem::path ProgramFolderOverride();
void SetProgramFolderOverride(const std::filesystem::path& folder);
// Where the files that ship with the program are; empty means the program
// folder.
void SetShippedFolder(const std::filesystem::path& folder);

// The program folder followed by a file name: "Options.ini" gives
// <folder>/Options.ini. For files the program writes.
std::string ProgramFile(const std::string& name);

// A file that ships with the program: the program folder's copy when there
// is one, else the shipped one.
std::string ShippedFile(const std::string& name);

// Options.ini in the program folder, formed anew at every call.
std::string OptionsFile();

struct FolderChoice {
  std::filesystem::path folder;   // program folder
  std::filesystem::path shipped;  // shipped files
  std::string error;              // Spanish, for standard error; empty when fine
};

// Picks the folders for an executable in executableFolder; shippedFromBin is
// the installed data folder relative to the executable's. Creates the folder
// it picks when missing; a folder that cannot be made or written is an error,
// never a silent loss of every setting.
FolderChoice ChooseProgramFolder(const std::filesystem::path& executableFolder,
                                 const std::filesystem::path& override,
                                 const std::filesystem::path& shippedFromBin);

}  // namespace settings
