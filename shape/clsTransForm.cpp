#include "shape/clsTransForm.h"

#include <QCheckBox>
#include <QImage>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QWidget>
#include <QWindow>
#include <utility>

#include "shape/PictureBox.h"

namespace shape {

namespace {

const char kSource[] = "TransForm";
const char kNotShapeableText[] =
    "Must pass in the name of a Form, PictureBox, CommandButton, CheckBox or OptionButton.  "
    "TransForm ShapeMe method failed.";

// The outline that shows nothing: one pixel left of and above the widget. Qt reads an empty
// mask as "no mask", i.e. the whole rectangle, which is the opposite of what is meant.
const QRect kNothingShown(-1, -1, 1, 1);

// What the widget itself draws, one image pixel per widget pixel.
QImage Render(QWidget* widget) {
  QImage image(widget->size(), QImage::Format_RGB32);
  image.fill(Qt::black);
  if (!image.isNull())
    // A window's own drawing only, as its off-screen image holds it: child
    // controls sit on top and are not part of what is scanned.
    widget->render(&image, QPoint(), QRegion(),
                   QWidget::DrawWindowBackground | QWidget::IgnoreMask);
  return image;
}

bool IsButton(QWidget* w) {
  return qobject_cast<QPushButton*>(w) || qobject_cast<QCheckBox*>(w) ||
         qobject_cast<QRadioButton*>(w);
}

}  // namespace

TransFormError::TransFormError(std::int32_t number_, std::string source_, std::string description_)
    : std::runtime_error(description_),
      number(number_),
      source(std::move(source_)),
      description(std::move(description_)) {}

void clsTransForm::ShapeMe(QWidget* target, QRgb color, bool load, const std::string& fileName) {
  PictureBox* box = qobject_cast<PictureBox*>(target);
  const bool button = target && !box && IsButton(target);
  if (!target || (!box && !button && !target->isWindow()))
    throw TransFormError(kErrNotShapeable, kSource, kNotShapeableText);

  const bool saving = !fileName.empty() && !load;

  QImage pixels;
  RegionRect base;
  if (button) {
    // As the old control did: the caption goes and the face takes the key colour, so that
    // only the button's drawn frame and indicator remain.
    auto* b = static_cast<QAbstractButton*>(target);
    b->setText(QString());
    QPalette p = b->palette();
    p.setColor(b->backgroundRole(), QColor::fromRgb(color));
    p.setColor(QPalette::Button, QColor::fromRgb(color));
    b->setPalette(p);
    b->setAutoFillBackground(true);
    width_ = b->width();
    height_ = b->height();
    // Two pixels of the frame are always cut off.
    base = RegionRect{2, 2, width_ - 2, height_ - 2};
    pixels = Render(b);
  } else {
    width_ = target->width();
    height_ = target->height();
    base = RegionRect{0, 0, width_, height_};
    pixels = box ? box->surface() : Render(target);
  }

  const QRegion outline = ToQRegion(BuildRegionRects(pixels, color, base));
  if (saving) SaveRegionDataToFile(fileName, outline);
  ApplyRegion(target, outline);
  region_ = outline;
}

void clsTransForm::DragForm(QWidget* window, int button) const {
  if (button != 1 || !window) return;
  if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
  if (QWindow* handle = window->window()->windowHandle()) handle->startSystemMove();
}

void clsTransForm::ApplyRegion(QWidget* target, const QRegion& region) {
  target->setMask(region.isEmpty() ? QRegion(kNothingShown) : region);
  // Redraw, as the old call did. On X11 this is also what gets the new shape to the server:
  // Qt 6.4 leaves a lone shape request unsent until something else flushes the connection.
  target->update();
}

bool clsTransForm::HasEmptyOutline(const QWidget& target) {
  return target.mask() == QRegion(kNothingShown);
}

void clsTransForm::SaveRegionDataToFile(const std::string& fileName, const QRegion& region) const {
  const std::vector<RegionRect> rects = FromQRegion(region);
  const std::int64_t size = 32 + 16 * static_cast<std::int64_t>(rects.size());
  if (size <= 0)
    throw TransFormError(kErrNoRegionSize, kSource,
                         "Unable to determine size of region in SaveRegionDataToFile");
  const std::string bytes = EncodeRegionData(rects);
  if (static_cast<std::int64_t>(bytes.size()) != size)
    throw TransFormError(kErrNoRegionData, kSource,
                         "Unable to get region data in SaveRegionDataToFile");

  // Written beside and renamed over the old file, so a failed write leaves the old one whole.
  QSaveFile file(QString::fromStdString(fileName));
  if (!file.open(QIODevice::WriteOnly))
    throw TransFormError(kErrPathFileAccess, kSource, "Path/File access error");
  if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
      static_cast<qint64>(bytes.size())) {
    file.cancelWriting();
    throw TransFormError(kErrDeviceIo, kSource, "Device I/O error");
  }
  if (!file.commit()) throw TransFormError(kErrPathFileAccess, kSource, "Path/File access error");
}

}  // namespace shape
