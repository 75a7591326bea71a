#pragma once
// The texts and the place of the status pop-up.
#include <QLocale>
#include <QRect>
#include <QString>
#include <cstdint>

namespace bin {

// "Papelera vacía ", or the two lines with count and size (lines joined by
// CR LF), or the single line for 2 GiB and more.
QString StatusText(std::int64_t count, std::int64_t size, const QLocale& locale = QLocale());

// Where the pop-up goes, all in twips: from the bin window's left and top and
// the label's size.
struct StatusPlace {
  int left, top, width, height;
};
StatusPlace PlaceStatus(int binLeft, int binTop, int labelWidth, int labelHeight, bool empty);

}  // namespace bin
