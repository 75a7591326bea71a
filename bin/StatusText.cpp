#include "bin/StatusText.h"

#include <cfenv>
#include <cmath>

namespace bin {
namespace {

constexpr std::int64_t kKilobyte = 1024, kMegabyte = 1024 * 1024;
constexpr std::int64_t kTooLargeToSay = std::int64_t{1} << 31;  // 2 GiB
// The pop-up's place against the bin, twips.
constexpr int kStatusIndent = 300, kStatusBelowBinTop = 1100, kStatusSecondLineRoom = 50;

// A quotient rounded to a whole number, halves to even, then written "0.00".
QString Rounded(std::int64_t size, std::int64_t unit, const QLocale& locale) {
  const int old = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double whole = std::nearbyint(static_cast<double>(size) / static_cast<double>(unit));
  std::fesetround(old);
  return QString::number(static_cast<long long>(whole)) + locale.decimalPoint() + "00";
}

}  // namespace

QString StatusText(std::int64_t count, std::int64_t size, const QLocale& locale) {
  if (count == 0) return QStringLiteral("Papelera vacía ");
  if (size >= kTooLargeToSay) return QStringLiteral("La papelera contiene más de 2 Gigabytes!!! ");
  const QString word = count == 1 ? QStringLiteral(" objeto en ") : QStringLiteral(" objetos en ");
  QString sizePart;
  if (size <= kKilobyte)
    sizePart = QString::number(size) + QStringLiteral(" bytes ");
  else if (size < kMegabyte)
    sizePart = Rounded(size, kKilobyte, locale) + QStringLiteral(" Kb ");
  else
    sizePart = Rounded(size, kMegabyte, locale) + QStringLiteral(" Mb ");
  return QStringLiteral("La papelera contiene \r\n") + QString::number(count) + word + sizePart;
}

StatusPlace PlaceStatus(int binLeft, int binTop, int labelWidth, int labelHeight, bool empty) {
  return {binLeft - labelWidth / 2 + kStatusIndent, binTop + kStatusBelowBinTop,
          labelWidth + kStatusIndent, empty ? labelHeight : labelHeight + kStatusSecondLineRoom};
}

}  // namespace bin
