// The adapter set for a system without adapters of its own: everything
// builds, nothing on the machine is touched, every query answers "nothing".
#include <cerrno>
#include <memory>

#include "platform/Connectivity.h"
#include "platform/DesktopLayer.h"
#include "platform/DesktopSession.h"
#include "platform/EndSignals.h"
#include "platform/FileSystem.h"
#include "platform/KeyState.h"
#include "platform/Notification.h"
#include "platform/ProfileFile.h"
#include "platform/RecycleBin.h"
#include "platform/Sound.h"
#include "platform/System.h"
#include "platform/TrashFolder.h"
#include "platform/TrashPurge.h"

namespace platform {
namespace {

class EmptyRecycleBin final : public RecycleBin {
 public:
  BinQuery query() override { return {}; }
  MoveResult moveToTrash(const std::vector<std::filesystem::path>& items) override {
    MoveResult r;
    r.ok = items.empty();
    for (const auto& item : items) r.stayed.emplace_back(item, "sin papelera en este sistema");
    return r;
  }
  EmptyResult empty(const std::function<bool(std::int64_t, std::int64_t)>&) override { return {}; }
  std::filesystem::path homeTrashFilesFolder() override { return {}; }
  std::vector<TrashedItem> list() override { return {}; }
  ItemsResult restore(const std::vector<TrashedItem>& items) override { return None(items); }
  ItemsResult erase(const std::vector<TrashedItem>& items) override { return None(items); }

 private:
  static ItemsResult None(const std::vector<TrashedItem>& items) {
    ItemsResult r;
    for (const auto& item : items) r.stayed.emplace_back(item, "sin papelera en este sistema");
    return r;
  }
};

class NoDesktopSession final : public DesktopSession {
 public:
  bool SetStartAtLogIn(bool, const std::string&) override { return false; }
  bool SetTrashIconHidden(bool) override { return false; }
};

}  // namespace

bool CheckConnection(const std::string&, int) { return false; }
void AttachToDesktop(std::uintptr_t) {}
std::unique_ptr<KeyState> MakeKeyState() { return nullptr; }
bool CanPurge() { return false; }
std::unique_ptr<TrashPurger> MakeTrashPurger(RecycleBin&) { return nullptr; }
void ShowNotification(const std::string&) {}
std::unique_ptr<RecycleBin> MakeRecycleBin() { return std::make_unique<EmptyRecycleBin>(); }
std::unique_ptr<DesktopSession> MakeDesktopSession() {
  return std::make_unique<NoDesktopSession>();
}
std::string AutostartCommandLine(const std::filesystem::path& executable,
                                 const std::filesystem::path&) {
  return executable.string();
}
void WatchEndSignals(QObject*, std::function<void()>) {}
void OpenTrashFolder(const std::filesystem::path&) {}
void PlayWaveFile(const std::filesystem::path&) {}

std::string GetPrivateProfileString(const std::string&, const std::string&, const std::string& def,
                                    std::size_t, const std::filesystem::path&) {
  return def;
}
bool WritePrivateProfileString(const std::string&, const std::string&, const std::string&,
                               const std::filesystem::path&) {
  return false;
}

std::string OSVersionText() { return "000"; }
std::string TempPath() { return std::filesystem::temp_directory_path().string() + "/"; }
bool AcquireSingleInstance(const std::filesystem::path&) { return true; }
std::filesystem::path ExecutablePath() { return std::filesystem::current_path() / "WasteWell"; }
bool CanWriteFolder(const std::filesystem::path& folder) {
  std::error_code ec;
  return std::filesystem::is_directory(folder, ec);
}
std::filesystem::path DataHome() { return std::filesystem::temp_directory_path(); }

// Nothing is deleted where no safe walk exists: every entry stays.
FolderCheck CheckFolder(const std::filesystem::path&) { return {}; }
DeleteReport DeleteContents(const std::filesystem::path& folder, const DeleteOptions&) {
  DeleteReport r;
  r.stayed.push_back(folder);
  r.stayedCount = 1;
  return r;
}
int RemoveEmptyFolder(const std::filesystem::path&, Guarded*) { return ENOSYS; }
int DeleteOneFile(const std::filesystem::path&) { return ENOSYS; }
void ListTree(const std::filesystem::path&, const std::function<void(const std::string&)>&,
              std::size_t, std::size_t) {}
std::int64_t FolderSize(const std::filesystem::path&) { return -1; }
int ReplaceFileContents(const std::filesystem::path&, const std::string&) { return ENOSYS; }

}  // namespace platform
