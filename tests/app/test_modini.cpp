#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "app/ModIni.h"
#include "app/ProgramFolder.h"
#include "support/TempDir.h"

namespace {

TEST(ModIni, ReadsWritesAndRemembersTheLastValue) {
  testsupport::TempDir dir;
  app::SetProgramFolder(dir.path());
  const std::string file = app::OptionsFile();
  app::LastIniValue = "stale";
  EXPECT_EQ(app::IniRead("Settings", "Hotkeys", file), "");
  EXPECT_EQ(app::LastIniValue, "");
  app::IniWrite("settings", "hotkeys", app::OnOffWord(true), file);
  EXPECT_EQ(app::IniRead("Settings", "Hotkeys", file), "Verdadero");
  EXPECT_EQ(app::LastIniValue, "Verdadero");
  app::IniWrite("Imagenes", "Imagen", std::string(300, 'x'), file);
  EXPECT_EQ(app::IniRead("Imagenes", "Imagen", file), std::string(254, 'x'));
}

TEST(ModIni, OnlyTheTwoExactWordsAreOn) {
  for (const char* on : {"Verdadero", "True"}) EXPECT_TRUE(app::IsOn(on)) << on;
  for (const char* off : {"true", "TRUE", "Verdadero ", "1", "Falso", ""})
    EXPECT_FALSE(app::IsOn(off)) << off;
  EXPECT_EQ(app::OnOffWord(false), "Falso");  // stored in the file, never translated
}

TEST(ModIni, NumbersReadTheLeadingNumberRoundedHalfToEven) {
  // clang-format off
  const std::pair<const char*, std::int32_t> cases[] = {
      {"12abc", 12}, {"1234,5", 1234}, {"1234.5", 1234}, {"1235.5", 1236}, {"-2.5", -2},
      {" 42", 42}, {"abc", 0}, {"", 0}, {"2147483647", INT32_MAX}, {"2147483648", 0},
      {"-2147483648", INT32_MIN}};
  // clang-format on
  for (const auto& [text, value] : cases) EXPECT_EQ(app::ReadNumber(text), value) << text;
  EXPECT_EQ(app::NumberText(1234.5), "1234.5");
  for (int twips : {0, -300, 4830, 1000005})
    EXPECT_EQ(app::ReadNumber(app::NumberText(twips)), twips) << twips;
}

}  // namespace
