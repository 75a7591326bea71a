// The connectivity check's address, from the settings file.
#include <cstdlib>

#include "platform/portable/Address.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  platform::Endpoint endpoint;
  if (platform::ParseAddress(std::string(reinterpret_cast<const char*>(data), size), endpoint) &&
      endpoint.host.empty())
    abort();
  return 0;
}
