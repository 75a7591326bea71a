// A trash's info files as the listing and the restore read them: Path,
// DeletionDate and where an item goes back to, for the home trash and a
// volume's.
#include <cstdlib>

#include "platform/linux/trash/TrashList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace platform::trash;
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string path, date;
  if (!ParseInfo(text, &path, &date)) return 0;
  ParseDeletionDate(date);
  static const Location home = [] {
    Location l;
    l.kind = Kind::kHome;
    l.path = "/home/u/.local/share/Trash";
    return l;
  }();
  static const Location volume = [] {
    Location l;
    l.kind = Kind::kPrivate;
    l.topDir = "/media/usb";
    l.path = "/media/usb/.Trash-1000";
    return l;
  }();
  for (const Location* l : {&home, &volume}) {
    // Only a clean absolute path may come back: an item is moved there.
    const std::string back = OriginalPath(*l, path);
    if (back.empty()) continue;
    if (back[0] != '/' || back.find('\0') != std::string::npos ||
        back.find("/../") != std::string::npos || back.find("/./") != std::string::npos ||
        (back.size() >= 3 && back.compare(back.size() - 3, 3, "/..") == 0))
      abort();
  }
  return 0;
}
