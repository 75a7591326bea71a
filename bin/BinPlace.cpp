#include "bin/BinPlace.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

#include "bin/Twips.h"
#include "settings/Options.h"

namespace bin {

using settings::Key;

std::optional<QRect> StoredPlace(const QSize& current, int pictureSide) {
  const settings::Options options;
  const int left = options.Number(Key::Left);
  const int top = options.Number(Key::Top);
  const int width = options.Number(Key::Width);
  const int height = options.Number(Key::Height);
  if (left == 0 && top == 0 && width == 0 && height == 0) return std::nullopt;

  // A size of nothing, or a place on no screen, would leave the user no
  // window to reach the menu from: keep the built-in ones instead.
  QSize size(ToPixels(width), ToPixels(height));
  if (size.width() <= 0 || size.height() <= 0) size = current;
  // Nor one larger than the screens: every change of picture scans the
  // whole window.
  QRect desktop;
  for (QScreen* screen : QGuiApplication::screens()) desktop |= screen->geometry();
  if (!desktop.isEmpty()) size = size.boundedTo(desktop.size());
  QPoint place(ToPixels(left), ToPixels(top));
  const QRect picture(
      place, QSize(std::min(pictureSide, size.width()), std::min(pictureSide, size.height())));
  bool onScreen = false;
  for (QScreen* screen : QGuiApplication::screens())
    onScreen = onScreen || screen->geometry().intersects(picture);
  if (!onScreen && !QGuiApplication::screens().isEmpty())
    place = QPoint(ToPixels(kBuiltInLeft), ToPixels(kBuiltInTop));
  return QRect(place, size);
}

void StorePlace(const QRect& window) {
  const settings::Options options;
  options.SetNumber(Key::Left, window.x() * kTwipsPerPixel);
  options.SetNumber(Key::Top, window.y() * kTwipsPerPixel);
  options.SetNumber(Key::Width, window.width() * kTwipsPerPixel);
  options.SetNumber(Key::Height, window.height() * kTwipsPerPixel);
}

}  // namespace bin
