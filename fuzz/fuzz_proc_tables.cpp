// The kernel's tables the trash and the deletions read: the mount table, and
// /proc/PID/maps and /proc/locks under a private proc root. The same bytes go
// to each reader.
#include <sys/stat.h>

#include "fuzz/FuzzSupport.h"
#include "platform/linux/InUse.h"
#include "platform/linux/Mounts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::vector<platform::MountEntry> mounts = platform::ParseMountInfo(text);
  for (const platform::MountEntry& m : mounts) platform::IsVirtualFileSystem(m.fsType);
  platform::VolumeTopDirs(mounts);

  static const std::filesystem::path root = [] {
    const std::filesystem::path r = fuzz::ScratchFolder() / "proc";
    std::filesystem::create_directories(r / "1");
    return r;
  }();
  fuzz::WriteFile(root / "1" / "maps", text);
  fuzz::WriteFile(root / "locks", text);
  platform::InUse held(root.string());
  return 0;
}
