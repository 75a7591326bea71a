#pragma once
#include <QImage>

#include "shape/PictureBox.h"

namespace shape {

// Draws picture into box scaled down to fit with its proportions kept (never enlarged) and
// centred, over the box's background colour; the result becomes the box's own picture.
void FitPictureToBox(PictureBox& box, const QImage& picture);

}  // namespace shape
