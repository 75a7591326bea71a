#pragma once
// Gives a window the outline of what it shows, leaving out one key colour.
#include <QRegion>
#include <QRgb>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "shape/RegionData.h"

class QWidget;

namespace shape {

// An error of the region builder: a number, the component that raised it and a text.
class TransFormError : public std::runtime_error {
 public:
  TransFormError(std::int32_t number, std::string source, std::string description);
  std::int32_t number;
  std::string source;
  std::string description;
};

// Error numbers; the negative values are 0x800409D0, 0x800409D1, 0x800409D2 as signed 32-bit.
constexpr std::int32_t kErrNotShapeable = -2147218992;
constexpr std::int32_t kErrNoRegionData = -2147218991;
constexpr std::int32_t kErrNoRegionSize = -2147218990;
constexpr std::int32_t kErrDeviceIo = 57;
constexpr std::int32_t kErrPathFileAccess = 75;

class clsTransForm {
 public:
  clsTransForm() = default;
  clsTransForm(const clsTransForm&) = delete;
  clsTransForm& operator=(const clsTransForm&) = delete;

  // Cuts every pixel of color out of target: a top-level window, a PictureBox, a QPushButton,
  // QCheckBox or QRadioButton, always by scanning what the target shows; a fileName with load
  // false also saves the region there. Region files are never read back: nothing in the
  // program asks for one, so load true scans as well. Throws TransFormError; on an error the
  // target keeps its previous outline.
  void ShapeMe(QWidget* target, QRgb color, bool load = false, const std::string& fileName = "");

  // Left button (1): the window follows the pointer until the button is released.
  void DragForm(QWidget* window, int button) const;

  // The exact outline given by the last successful ShapeMe (empty when nothing was left).
  const QRegion& region() const { return region_; }

  // Hands an outline to a widget. An empty outline hides the whole widget from view and from
  // the pointer (setMask with an empty region would mean "no outline" to Qt).
  static void ApplyRegion(QWidget* target, const QRegion& region);
  // True when ApplyRegion gave the widget the outline that shows nothing.
  static bool HasEmptyOutline(const QWidget& target);

 private:
  void SaveRegionDataToFile(const std::string& fileName, const QRegion& region) const;

  QRegion region_;  // the outline last handed over
  int width_ = 0;   // the target's inner size in pixels at the last call
  int height_ = 0;
};

}  // namespace shape
