#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "app/settings/ModIni.h"
#include "app/settings/Options.h"
#include "app/settings/ProgramFolder.h"
#include "support/TempDir.h"

namespace {

using app::Key;

TEST(Options, EachKeyIsReadFromTheFileAtEachUseWithItsFallback) {
  testsupport::TempDir dir;
  app::SetProgramFolder(dir.path());
  const app::Options options;
  EXPECT_EQ(options.Text(Key::WebServer), "https://wastewell.org");
  EXPECT_FALSE(options.IsOn(Key::HotKeys));
  options.SetOn(Key::HotKeys, true);
  options.SetNumber(Key::Left, 4830);
  const std::string file = testsupport::ReadFile(dir / "Options.ini");
  EXPECT_NE(file.find("[Settings]\r\nHotkeys=Verdadero\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("[Posici\xF3n]\r\nWasteWell_Left=4830\r\n"), std::string::npos) << file;
  // Another writer in between is seen at once.
  app::IniWrite("settings", "HOTKEYS", "True", app::OptionsFile());
  app::IniWrite("Servidores", "Web", "http://127.0.0.1:9/", app::OptionsFile());
  EXPECT_TRUE(options.IsOn(Key::HotKeys));
  EXPECT_EQ(options.Text(Key::WebServer), "http://127.0.0.1:9/");
  EXPECT_EQ(options.Number(Key::Left), 4830);

  options.SetText(Key::Picture, std::string(300, 'x'));
  EXPECT_EQ(options.Text(Key::Picture), std::string(254, 'x')) << "a 255-character buffer";
}

TEST(Options, OnlyTheTwoExactWordsAreOnAndNumbersReadTheLeadingNumberRoundedHalfToEven) {
  for (const char* on : {"Verdadero", "True"}) EXPECT_TRUE(app::IsOn(on)) << on;
  for (const char* off : {"true", "TRUE", "Verdadero ", "1", "Falso", ""})
    EXPECT_FALSE(app::IsOn(off)) << off;
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
