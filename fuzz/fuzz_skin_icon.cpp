// The skin pictures' icon decoder over any bytes.
#include <cstdlib>

#include "shape/SkinImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QImage image = shape::DecodeSkinIcon(
      QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  if (!image.isNull() && (image.width() != 64 || image.height() != 64)) abort();
  return 0;
}
