#pragma once
// Places and sizes are stored in twips, as the settings file has always had them.

namespace bin {

constexpr int kTwipsPerPixel = 15;

constexpr int ToPixels(long long twips) {
  return static_cast<int>((twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

}  // namespace bin
