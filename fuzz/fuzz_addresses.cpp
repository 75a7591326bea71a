// Addresses from the settings file: the connectivity check's, and the
// dictionary's search word as it goes into an address.
#include <cstdlib>

#include "platform/portable/Address.h"
#include "tools/rae/FrmRae.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  platform::Endpoint endpoint;
  if (platform::ParseAddress(text, endpoint) && endpoint.host.empty()) abort();
  tools::EncodeSearchWord(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  return 0;
}
