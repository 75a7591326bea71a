#pragma once
// The bin window's place and size as the settings keep them, in twips: read
// at the load, written at the unload.
#include <QRect>
#include <optional>

namespace bin {

// Built-in place and size, twips.
constexpr int kBuiltInLeft = 4830, kBuiltInTop = 2055, kBuiltInWidth = 5580, kBuiltInHeight = 5085;

// The stored place in pixels, fitted to the screens, for a window now of
// `current` size whose picture is `pictureSide` square; none when nothing is
// stored.
std::optional<QRect> StoredPlace(const QSize& current, int pictureSide);

// Keeps `window` (pixels) for the next start.
void StorePlace(const QRect& window);

}  // namespace bin
