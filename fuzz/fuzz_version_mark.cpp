// The version mark searched for in the program's executable.
#include "fuzz/FuzzSupport.h"
#include "tools/updates/VerVersion.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path path = fuzz::ScratchFolder() / "WasteWell.exe";
  fuzz::WriteFile(path, std::string(reinterpret_cast<const char*>(data), size));
  tools::VerVersion(QString::fromStdString(path.string()));
  return 0;
}
