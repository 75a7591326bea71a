// The stored numbers and on/off words of the settings file.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "settings/ModIni.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  settings::IsOn(text);
  settings::ReadNumber(text);
  if (size == sizeof(std::int32_t)) {
    // A whole position within single precision reads back as written.
    std::int32_t v;
    std::memcpy(&v, data, sizeof v);
    v %= 1 << 24;
    if (settings::ReadNumber(settings::NumberText(v)) != v) abort();
  }
  return 0;
}
