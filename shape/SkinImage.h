#pragma once
// The skin pictures are 64x64 icons with a 256-colour palette and a 1-bit mask. They are decoded
// here rather than by an image plugin, so that a missing plugin can never leave the window bare.
#include <QByteArray>
#include <QImage>
#include <QString>

namespace shape {

// A 64x64 ARGB32 image, alpha 0 where the mask says transparent; a null image when the bytes
// are not one 64x64, 8-bit icon with a mask. Never reads past the end of `bytes`.
QImage DecodeSkinIcon(const QByteArray& bytes);

// The built-in picture ":/skins/<holderName>.ico" (for example "ImgDefaultEmpty"); a null
// image for a name that is not one of them.
QImage SkinPicture(const QString& holderName);

}  // namespace shape
