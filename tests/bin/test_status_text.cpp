#include <gtest/gtest.h>

#include "bin/StatusText.h"

using bin::StatusText;

TEST(StatusText, UnitsBoundariesRoundingAndLocale) {
  const QLocale spanish(QLocale::Spanish, QLocale::Spain);
  const struct {
    std::int64_t count, size;
    const char* text;
  } cases[] = {
      {0, 4096, "Papelera vacía "},  // a count of zero wins over a stray size
      {1, 2147483648LL, "La papelera contiene más de 2 Gigabytes!!! "},
      {1, 700, "La papelera contiene \r\n1 objeto en 700 bytes "},
      {2, 1024, "La papelera contiene \r\n2 objetos en 1024 bytes "},
      {2, 1025, "La papelera contiene \r\n2 objetos en 1,00 Kb "},
      {1, 2560, "La papelera contiene \r\n1 objeto en 2,00 Kb "},  // halves to even
      {1, 3584, "La papelera contiene \r\n1 objeto en 4,00 Kb "},
      {1, 1048576, "La papelera contiene \r\n1 objeto en 1,00 Mb "},
      {1, 2 * 1048576 + 524288, "La papelera contiene \r\n1 objeto en 2,00 Mb "},
      {9, 2147483647LL, "La papelera contiene \r\n9 objetos en 2048,00 Mb "},
  };
  for (const auto& c : cases)
    EXPECT_EQ(StatusText(c.count, c.size, spanish), QString::fromUtf8(c.text)) << c.size;
  EXPECT_TRUE(StatusText(3, 1536, QLocale(QLocale::English, QLocale::UnitedStates))
                  .endsWith(QStringLiteral("3 objetos en 2.00 Kb ")));
}
