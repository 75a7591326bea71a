#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>

#include "settings/ModIni.h"
#include "settings/Options.h"
#include "settings/ProgramFolder.h"
#include "support/TempDir.h"

using settings::Key;

TEST(Options, WrittenInTheOldFormatAndReadFromTheFileAtEachUse) {
  testsupport::TempDir dir;
  settings::SetProgramFolder(dir.path());
  const settings::Options options;
  EXPECT_FALSE(options.IsOn(Key::HotKeys));
  options.SetOn(Key::HotKeys, true);
  options.SetNumber(Key::Left, 4830);
  const std::string file = testsupport::ReadFile(dir / "Options.ini");
  EXPECT_NE(file.find("[Settings]\r\nHotkeys=Verdadero\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("[Posici\xF3n]\r\nWasteWell_Left=4830\r\n"), std::string::npos) << file;
  EXPECT_EQ(options.Number(Key::Left), 4830);
  // Another writer in between is seen at once; only the two exact words are on.
  for (const auto& [text, on] : {std::pair{"True", true}, {"true", false}, {"1", false}}) {
    settings::IniWrite("settings", "HOTKEYS", text, settings::OptionsFile());
    EXPECT_EQ(options.IsOn(Key::HotKeys), on) << text;
  }
  for (const auto& [text, value] :
       {std::pair{"12abc", 12}, {"1235.5", 1236}, {"2147483648", 0}, {"-2147483648", INT32_MIN}})
    EXPECT_EQ(settings::ReadNumber(text), value) << text;
}
