// /proc/PID/maps, /proc/locks and /proc/self/mountinfo, read before a
// deletion, under a private proc root: the same bytes go to all three.
#include "fuzz/FuzzSupport.h"
#include "platform/linux/removal/InUse.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::filesystem::path root = [] {
    const std::filesystem::path r = fuzz::ScratchFolder() / "proc";
    std::filesystem::create_directories(r / "1");
    std::filesystem::create_directories(r / "self");
    return r;
  }();
  const std::string text(reinterpret_cast<const char*>(data), size);
  fuzz::WriteFile(root / "1" / "maps", text);
  fuzz::WriteFile(root / "locks", text);
  fuzz::WriteFile(root / "self" / "mountinfo", text);
  platform::InUse held(root.string());
  return 0;
}
