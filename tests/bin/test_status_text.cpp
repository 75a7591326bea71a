#include <gtest/gtest.h>

#include "bin/StatusText.h"

TEST(StatusText, UnitBoundaries) {
  const struct {
    std::int64_t count, size;
    const char* text;
  } cases[] = {
      {0, 4096, "Papelera vacía "},  // a count of zero wins over a stray size
      {2, 1024, "La papelera contiene \r\n2 objetos en 1024 bytes "},
      {2, 1025, "La papelera contiene \r\n2 objetos en 1,00 Kb "},
      {1, 1048576, "La papelera contiene \r\n1 objeto en 1,00 Mb "},
      {9, 2147483647LL, "La papelera contiene \r\n9 objetos en 2048,00 Mb "},
      {1, 2147483648LL, "La papelera contiene más de 2 Gigabytes!!! "},
  };
  for (const auto& c : cases)
    EXPECT_EQ(bin::StatusText(c.count, c.size, QLocale(QLocale::Spanish, QLocale::Spain)),
              QString::fromUtf8(c.text))
        << c.size;
}
