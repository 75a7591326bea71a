#include "tools/tempdir/SizeText.h"

#include <QLocale>

namespace tools {

QString SizeText(double bytes, bool singlePrecision) {
  QLocale locale;
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  if (bytes <= 1024) return locale.toString(bytes, 'g', 15) + QStringLiteral(" bytes");
  const bool mega = bytes >= 1048576;
  double quotient = bytes / (mega ? 1048576.0 : 1024.0);
  if (singlePrecision) quotient = static_cast<float>(quotient);
  return locale.toString(quotient, 'f', 2) + (mega ? QStringLiteral(" MB") : QStringLiteral(" KB"));
}

}  // namespace tools
