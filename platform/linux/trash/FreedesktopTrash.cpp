#include "platform/linux/trash/FreedesktopTrash.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/linux/trash/TrashState.h"

namespace platform {

namespace fs = std::filesystem;

FreedesktopTrash::FreedesktopTrash(TrashSettings settings)
    : s_(std::make_unique<State>(std::move(settings))) {}

FreedesktopTrash::~FreedesktopTrash() = default;

TrashSettings FreedesktopTrash::SystemSettings() {
  TrashSettings s;
  const char* home = std::getenv("HOME");
  std::string h = home && *home ? home : "";
  if (h.empty()) {
    if (passwd* pw = getpwuid(getuid())) h = pw->pw_dir;
  }
  s.home = h;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/')
    s.dataHome = xdg;
  else
    s.dataHome = fs::path(h) / ".local" / "share";
  s.uid = getuid();
  return s;
}

void FreedesktopTrash::setDescendHook(std::function<void(const std::filesystem::path&)> hook) {
  s_->hook = std::move(hook);
}

BinQuery FreedesktopTrash::query() {
  s_->refresh();
  BinQuery q;
  for (auto& l : s_->locations) {
    if (!l->active || l->duplicate) continue;
    q.count += l->count;
    q.size = SaturatingAdd(q.size, l->size.value());
  }
  return q;
}

int FreedesktopTrash::volumeChecks() const { return s_->volumeChecks; }

std::filesystem::path FreedesktopTrash::homeTrashFilesFolder() {
  UniqueFd fd;
  s_->ensureHomeTrash(fd);
  return fs::path(s_->homeTrash) / "files";
}

std::unique_ptr<RecycleBin> MakeRecycleBin() {
  return std::make_unique<FreedesktopTrash>(FreedesktopTrash::SystemSettings());
}

}  // namespace platform
