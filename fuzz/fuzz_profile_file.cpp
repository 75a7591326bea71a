// The settings file: a read and a write of one key over a file whose bytes the
// input gives.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "fuzz/FuzzSupport.h"
#include "platform/ProfileFile.h"

namespace {

// Names and values that the reader's trimming and quoting leave as they are.
bool Plain(const std::string& s, bool name) {
  if (s.empty() || s.front() == ' ' || s.back() == ' ') return false;
  for (char c : s)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' ||
          (!name && c == '.')))
      return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string section = in.ConsumeRandomLengthString(40);
  const std::string key = in.ConsumeRandomLengthString(40);
  const std::string value = in.ConsumeRandomLengthString(300);
  const bool write = in.ConsumeBool();
  const std::string text = in.ConsumeRemainingBytesAsString();

  const std::filesystem::path file = fuzz::ScratchFolder() / "Options.ini";
  fuzz::WriteFile(file, text);
  platform::GetPrivateProfileString(section, key, "", 255, file);
  if (write && platform::WritePrivateProfileString(section, key, value, file) &&
      Plain(section, true) && Plain(key, true) && Plain(value, false) && value.size() < 255) {
    // A plain value reads back as written, whatever the file held around it.
    if (platform::GetPrivateProfileString(section, key, "", 255, file) != value) abort();
  }
  return 0;
}
