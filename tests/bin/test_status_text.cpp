#include <gtest/gtest.h>

#include "bin/StatusText.h"

using bin::PlaceStatus;
using bin::StatusText;

namespace {
const QLocale kSpanish(QLocale::Spanish, QLocale::Spain);

QString SecondLine(std::int64_t count, std::int64_t size) {
  const QString text = StatusText(count, size, kSpanish);
  EXPECT_TRUE(text.startsWith(QStringLiteral("La papelera contiene \r\n"))) << text.toStdString();
  return text.mid(QStringLiteral("La papelera contiene \r\n").size());
}
}  // namespace

TEST(StatusText, EmptyAndHugeBinsAreOneLine) {
  EXPECT_EQ(StatusText(0, 0, kSpanish), QStringLiteral("Papelera vacía "));
  // A count of zero wins over a stray size.
  EXPECT_EQ(StatusText(0, 4096, kSpanish), QStringLiteral("Papelera vacía "));
  EXPECT_EQ(StatusText(7, 3221225472LL, kSpanish),
            QStringLiteral("La papelera contiene más de 2 Gigabytes!!! "));
  EXPECT_EQ(StatusText(1, 2147483648LL, kSpanish),
            QStringLiteral("La papelera contiene más de 2 Gigabytes!!! "));
}

TEST(StatusText, SizeUnitsAndBoundaries) {
  EXPECT_EQ(SecondLine(1, 700), QStringLiteral("1 objeto en 700 bytes "));
  EXPECT_EQ(SecondLine(2, 1024), QStringLiteral("2 objetos en 1024 bytes "));
  EXPECT_EQ(SecondLine(2, 1025), QStringLiteral("2 objetos en 1,00 Kb "));
  EXPECT_EQ(SecondLine(3, 1536), QStringLiteral("3 objetos en 2,00 Kb "));
  EXPECT_EQ(SecondLine(1, 1048576), QStringLiteral("1 objeto en 1,00 Mb "));
  EXPECT_EQ(SecondLine(1, 10 * 1048576), QStringLiteral("1 objeto en 10,00 Mb "));
  EXPECT_EQ(SecondLine(9, 2147483647LL), QStringLiteral("9 objetos en 2048,00 Mb "));
}

TEST(StatusText, HalvesRoundToEven) {
  EXPECT_EQ(SecondLine(1, 2560), QStringLiteral("1 objeto en 2,00 Kb "));
  EXPECT_EQ(SecondLine(1, 3584), QStringLiteral("1 objeto en 4,00 Kb "));
  EXPECT_EQ(SecondLine(1, 1048576 + 524288), QStringLiteral("1 objeto en 2,00 Mb "));
  EXPECT_EQ(SecondLine(1, 2 * 1048576 + 524288), QStringLiteral("1 objeto en 2,00 Mb "));
}

TEST(StatusText, DecimalSeparatorFollowsLocale) {
  const QString text = StatusText(3, 1536, QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_TRUE(text.endsWith(QStringLiteral("3 objetos en 2.00 Kb "))) << text.toStdString();
}

