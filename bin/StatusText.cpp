#include "bin/StatusText.h"

#include <cfenv>
#include <cmath>

namespace bin {
namespace {

// A quotient rounded to a whole number, halves to even, then written "0.00".
QString Rounded(std::int64_t size, double unit, const QLocale& locale) {
  const int old = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double whole = std::nearbyint(static_cast<double>(size) / unit);
  std::fesetround(old);
  return QString::number(static_cast<long long>(whole)) + locale.decimalPoint() + "00";
}

}  // namespace

QString StatusText(std::int64_t count, std::int64_t size, const QLocale& locale) {
  if (count == 0) return QStringLiteral("Papelera vacía ");
  if (size >= (std::int64_t{1} << 31))
    return QStringLiteral("La papelera contiene más de 2 Gigabytes!!! ");
  const QString word = count == 1 ? QStringLiteral(" objeto en ") : QStringLiteral(" objetos en ");
  QString sizePart;
  if (size <= 1024)
    sizePart = QString::number(size) + QStringLiteral(" bytes ");
  else if (size < 1048576)
    sizePart = Rounded(size, 1024.0, locale) + QStringLiteral(" Kb ");
  else
    sizePart = Rounded(size, 1048576.0, locale) + QStringLiteral(" Mb ");
  return QStringLiteral("La papelera contiene \r\n") + QString::number(count) + word + sizePart;
}

StatusPlace PlaceStatus(int binLeft, int binTop, int labelWidth, int labelHeight, bool empty) {
  return {binLeft - labelWidth / 2 + 300, binTop + 1100, labelWidth + 300,
          empty ? labelHeight : labelHeight + 50};
}

}  // namespace bin
