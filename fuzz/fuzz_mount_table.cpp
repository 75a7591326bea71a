// The mount table (/proc/self/mountinfo) as the trash reads it for the volumes' tops.
#include "platform/linux/removal/Mounts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<platform::MountEntry> mounts =
      platform::ParseMountInfo(std::string(reinterpret_cast<const char*>(data), size));
  for (const platform::MountEntry& m : mounts) platform::IsVirtualFileSystem(m.fsType);
  platform::VolumeTopDirs(mounts);
  return 0;
}
