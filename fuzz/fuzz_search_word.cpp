// The dictionary's search word as it goes into an address.
#include <cstdlib>

#include "tools/rae/FrmRae.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString encoded = tools::EncodeSearchWord(
      QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  // Nothing the user types may add a query key or a fragment to the address.
  if (encoded.contains('&') || encoded.contains('#') || encoded.contains('?')) abort();
  return 0;
}
