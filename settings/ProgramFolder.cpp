#include "settings/ProgramFolder.h"

#include <system_error>

#include "platform/System.h"

namespace settings {
namespace {
namespace fs = std::filesystem;

fs::path& Folder() {
  static fs::path folder = fs::current_path();
  return folder;
}
fs::path& Override() {
  static fs::path folder;
  return folder;
}
fs::path& Shipped() {
  static fs::path folder;
  return folder;
}

// Creates the folder when missing; the error text when it cannot be used.
std::string Prepare(const fs::path& folder) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec))
      return "WasteWell: no se puede crear la carpeta del programa \"" + folder.string() + "\".\n";
  }
  if (!platform::CanWriteFolder(folder))
    return "WasteWell: no se puede escribir en la carpeta del programa \"" + folder.string() +
           "\".\n";
  return {};
}

}  // namespace

fs::path ProgramFolder() { return Folder(); }
void SetProgramFolder(const fs::path& folder) { Folder() = folder; }
fs::path ProgramFolderOverride() { return Override(); }
void SetProgramFolderOverride(const fs::path& folder) { Override() = folder; }
void SetShippedFolder(const fs::path& folder) { Shipped() = folder; }

std::string ProgramFile(const std::string& name) { return (Folder() / name).string(); }
std::string OptionsFile() { return ProgramFile("Options.ini"); }

std::string ShippedFile(const std::string& name) {
  const fs::path own = Folder() / name;
  std::error_code ec;
  if (Shipped().empty() || fs::exists(own, ec)) return own.string();
  return (Shipped() / name).string();
}

FolderChoice ChooseProgramFolder(const fs::path& executableFolder, const fs::path& override,
                                 const fs::path& shippedFromBin) {
  FolderChoice choice;
  std::error_code ec;
  const fs::path installed = (executableFolder / shippedFromBin).lexically_normal();
  // A build folder or a portable copy holds its files beside the executable.
  const bool isInstalled = fs::is_directory(installed, ec);
  choice.shipped = isInstalled ? installed : executableFolder;

  if (!override.empty()) {
    fs::path folder = fs::absolute(override, ec);
    choice.folder = ec ? override : folder.lexically_normal();
  } else if (!isInstalled && platform::CanWriteFolder(executableFolder)) {
    // An installed program never writes beside its executable, even where it
    // could (root, or an install under the user's own home).
    choice.folder = executableFolder;
  } else {
    choice.folder = platform::DataHome() / "WasteWell";
  }
  choice.error = Prepare(choice.folder);
  return choice;
}

}  // namespace settings
