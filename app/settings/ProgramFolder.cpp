#include "app/settings/ProgramFolder.h"

namespace app {
namespace {
std::filesystem::path& Folder() {
  static std::filesystem::path folder = std::filesystem::current_path();
  return folder;
}
std::filesystem::path& Override() {
  static std::filesystem::path folder;
  return folder;
}
}  // namespace

std::filesystem::path ProgramFolder() { return Folder(); }
void SetProgramFolder(const std::filesystem::path& folder) { Folder() = folder; }
std::filesystem::path ProgramFolderOverride() { return Override(); }
void SetProgramFolderOverride(const std::filesystem::path& folder) { Override() = folder; }

std::string ProgramFile(const std::string& name) { return (Folder() / name).string(); }
std::string OptionsFile() { return ProgramFile("Options.ini"); }

}  // namespace app
