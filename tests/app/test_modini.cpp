#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "app/ModIni.h"
#include "app/ProgramFolder.h"
#include "support/TempDir.h"

namespace {

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

TEST(ModIni, ReadsWritesAndRemembersTheLastValue) {
  TempDir dir;
  app::SetProgramFolder(dir.path());
  const std::string file = app::OptionsFile();

  app::LastIniValue = "stale";
  EXPECT_EQ(app::IniRead("Settings", "Hotkeys", file), "");
  EXPECT_EQ(app::LastIniValue, "");

  app::IniWrite("Settings", "Versión OS", "512600", file);
  EXPECT_EQ(ReadFile(file), "[Settings]\r\nVersi\xF3n OS=512600\r\n");
  app::IniWrite("settings", "hotkeys", app::OnOffWord(true), file);
  EXPECT_EQ(app::IniRead("Settings", "Hotkeys", file), "Verdadero");
  EXPECT_EQ(app::LastIniValue, "Verdadero");
  EXPECT_TRUE(app::IsOn(app::LastIniValue));

  app::IniWrite("Imagenes", "Imagen", std::string(300, 'x'), file);
  EXPECT_EQ(app::IniRead("Imagenes", "Imagen", file), std::string(254, 'x'));
  EXPECT_EQ(app::LastIniValue.size(), 254u);
}

TEST(ModIni, OnlyTheTwoExactWordsAreOn) {
  for (const char* on : {"Verdadero", "True"}) EXPECT_TRUE(app::IsOn(on)) << on;
  for (const char* off : {"true", "1", "Falso", "False", "", "Verdadero ", "TRUE"})
    EXPECT_FALSE(app::IsOn(off)) << off;
  EXPECT_EQ(app::OnOffWord(true), "Verdadero");
  EXPECT_EQ(app::OnOffWord(false), "Falso");
}

TEST(ModIni, ReadsTheLeadingNumberRoundedHalfToEven) {
  const struct {
    const char* text;
    std::int32_t value;
  } cases[] = {
      {"12abc", 12},
      {"1234,5", 1234},
      {"1234.5", 1234},
      {"1235.5", 1236},
      {"-2.5", -2},
      {"-3.5", -4},
      {"0.5", 0},
      {".5", 0},
      {"1.5", 2},
      {"1.50001", 2},
      {"", 0},
      {"abc", 0},
      {"-", 0},
      {".", 0},
      {"+7", 7},
      {" 42", 42},
      {"1e3", 1},
      {"5.", 5},
      {"4830", 4830},
      {"2147483647", 2147483647},
      {"2147483648", 0},
      {"-2147483648", INT32_MIN},
      {"99999999999999999999999", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(app::ReadNumber(c.text), c.value) << '"' << c.text << '"';
}

TEST(ModIni, NumberTextIsASingleReadBackUnchanged) {
  EXPECT_EQ(app::NumberText(4830), "4830");
  EXPECT_EQ(app::NumberText(-15), "-15");
  EXPECT_EQ(app::NumberText(0), "0");
  EXPECT_EQ(app::NumberText(-0.0), "0");
  EXPECT_EQ(app::NumberText(1234.5), "1234.5");
  EXPECT_EQ(app::NumberText(16777217), "16777216");  // single precision
  for (int twips : {0, 15, -300, 4830, 1000005, -16777215})
    EXPECT_EQ(app::ReadNumber(app::NumberText(twips)), twips) << twips;
}

TEST(ModIni, HandEditedValuesReadAsTheirMeaning) {
  TempDir dir;
  const std::string file = (dir / "Options.ini").string();
  WriteFile(file,
            "[settings]\r\n"
            "Sin sonido = \"True\"\r\n"
            "Hotkeys=true\r\n"
            "[Posici\xF3n]\r\n"
            "WasteWell_Left=12abc\r\n"
            "WasteWell_Top= 1234,5\r\n");
  EXPECT_TRUE(app::IsOn(app::IniRead("Settings", "Sin sonido", file)));
  EXPECT_FALSE(app::IsOn(app::IniRead("Settings", "Hotkeys", file)));
  EXPECT_EQ(app::ReadNumber(app::IniRead("Posición", "WasteWell_Left", file)), 12);
  EXPECT_EQ(app::ReadNumber(app::IniRead("Posición", "WasteWell_Top", file)), 1234);
}

}  // namespace
