// The cleaner's texts can be read on its dark background: every label, the
// status bar's date and time included, as the window is drawn.
#include <gtest/gtest.h>

#include <QLabel>
#include <QStatusBar>
#include <cmath>

#include "support/QtApp.h"
#include "tools/tempdir/FormTempDir.h"

namespace {

double Luminance(QRgb c) {
  const auto channel = [](int v) {
    const double s = v / 255.0;
    return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
}

double Contrast(QRgb a, QRgb b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The text's strongest pixel against the background at the label's left edge.
double TextContrast(const QImage& window, const QRect& label) {
  const QRgb background = window.pixel(label.left(), label.center().y());
  double best = 1;
  for (int y = label.top(); y <= label.bottom(); ++y)
    for (int x = label.left(); x <= label.right(); ++x)
      best = std::max(best, Contrast(window.pixel(x, y), background));
  return best;
}

}  // namespace

TEST(TempDirContrast, EveryTextReadsAtLeastFourAndAHalfToOne) {
  testsupport::App();
  tools::FormTempDir form;
  form.show();
  form.StatusPanel1->setText(QStringLiteral("Buscando archivos..."));
  form.LabelOkupa->setText(QStringLiteral("Ocupa: 1 KB"));
  QCoreApplication::processEvents();
  const QImage shot = form.grab().toImage();
  for (QLabel* label :
       {form.LabelTempDir, form.LabelOkupa, form.StatusPanel1, form.StatusDate, form.StatusTime}) {
    ASSERT_FALSE(label->text().isEmpty());
    const QRect r(label->mapTo(&form, QPoint()), label->size());
    EXPECT_GE(TextContrast(shot, r & shot.rect()), 4.5) << label->text().toStdString();
  }
}
