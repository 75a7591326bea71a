// What every adapter set passes, the Linux one and the Windows one (cross-built, run under Wine).
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <iterator>
#include <string>

#include "platform/FileSystem.h"
#include "platform/ProfileFile.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using platform::GetPrivateProfileString;
using platform::WritePrivateProfileString;
using namespace testsupport;

std::string Get(const std::string& section, const std::string& key, const fs::path& file) {
  return GetPrivateProfileString(section, key, "", 255, file);
}

TEST(ProfileFileContract, ReadsByTheWindowsRules) {
  TempDir dir;
  const fs::path file = dir / "Options.ini";
  WriteFile(file,
            "[ settings ]\r\n;Hotkeys=Falso\r\n  Hotkeys\t=  Verdadero  \r\n"
            "Quoted = \"  spaced  \"\r\nDup=first\r\ndup=second\r\nLong=" +
                std::string(300, 'x') + "\r\nAccents=" + std::string(300, '\xF3') +
                "\r\n[Posici\xF3n]\r\nWasteWell_Left=15\r\n[Settings]\r\nLater=no\r\n");
  EXPECT_EQ(Get("Settings", "hotkeys", file), "Verdadero");
  EXPECT_EQ(Get("SETTINGS", "Quoted", file), "  spaced  ");
  EXPECT_EQ(Get("Settings", "DUP", file), "first");
  EXPECT_EQ(Get("Settings", "Later", file), "") << "the first of duplicate sections wins";
  EXPECT_EQ(Get("posición", "wastewell_left", file), "15");
  // The cut counts characters, not the bytes of their UTF-8 form.
  EXPECT_EQ(Get("Settings", "Long", file), std::string(254, 'x'));
  std::string accents;
  for (int i = 0; i < 254; ++i) accents += "ó";
  EXPECT_EQ(Get("Settings", "Accents", file), accents);
  EXPECT_EQ(GetPrivateProfileString("Settings", "Nada", "def", 255, file), "def");
  EXPECT_EQ(GetPrivateProfileString("Settings", "x", "def", 255, dir / "missing.ini"), "def");
}

TEST(ProfileFileContract, WritesWindows1252AndKeepsAUtf8FileUtf8) {
  TempDir dir;
  const fs::path file = dir / "Options.ini";
  ASSERT_TRUE(WritePrivateProfileString("Posición", "Versión OS", "Métrico €Ł", file));
  // A character the code page lacks is a question mark, never a look-alike.
  EXPECT_EQ(ReadFile(file), "[Posici\xF3n]\r\nVersi\xF3n OS=M\xE9trico \x80?\r\n");
  EXPECT_EQ(Get("POSICIóN", "VERSIóN OS", file), "Métrico €?");
  ASSERT_TRUE(WritePrivateProfileString("posición", "versión os", "610", file));
  EXPECT_EQ(ReadFile(file), "[Posici\xF3n]\r\nVersi\xF3n OS=610\r\n");

  const fs::path utf8 = dir / "utf8.ini";
  WriteFile(utf8, "\xEF\xBB\xBF[Posición]\nTamaño=Grande\n");
  ASSERT_TRUE(WritePrivateProfileString("Posición", "País", "España", utf8));
  EXPECT_EQ(Get("POSICIóN", "PAíS", utf8), "España");
  EXPECT_EQ(Get("posición", "TAMAñO", utf8), "Grande");
}

TEST(ProfileFileContract, ALineBreakInAValueAddsNoSectionOrKey) {
  TempDir dir;
  const fs::path file = dir / "Options.ini";
  WriteFile(file, "[A]\r\nx=1");  // no last line break
  ASSERT_TRUE(WritePrivateProfileString("A", "y", "2\r\n[Evil]\r\nk=1", file));
  EXPECT_EQ(Get("A", "x", file), "1");
  EXPECT_EQ(Get("A", "y", file), "2");
  EXPECT_EQ(Get("Evil", "k", file), "");
  // Names that would read back as other syntax are refused, the file untouched.
  const std::string before = ReadFile(file);
  for (const char* key : {"a=b", "[a", ";a", " \n"})
    EXPECT_FALSE(WritePrivateProfileString("B", key, "1", file)) << key;
  EXPECT_FALSE(WritePrivateProfileString("B]", "a", "1", file));
  EXPECT_EQ(ReadFile(file), before);
}

TEST(FileSystemContract, MeasuresAndDeletes) {
  TempDir dir;
  const fs::path temp = dir / "Temp";
  WriteFile(temp / "a.txt", "a");
  WriteFile(temp / "sub" / "deep" / "b.txt", "bb");
  EXPECT_EQ(platform::FolderSize(temp), 3);
  EXPECT_EQ(platform::RemoveEmptyFolder(temp / "sub"), ENOTEMPTY);
  EXPECT_EQ(platform::DeleteOneFile(temp / "a.txt"), 0);

  const platform::DeleteReport report = platform::DeleteContents(temp);
  EXPECT_TRUE(report.stayed.empty());
  EXPECT_EQ(report.removed, 3);
  EXPECT_TRUE(fs::is_directory(temp) && fs::is_empty(temp));

  WriteFile(temp / "snap.jpg", "old");
  EXPECT_EQ(platform::ReplaceFileContents(temp / "snap.jpg", std::string(3000000, 'n')), 0);
  EXPECT_EQ(ReadFile(temp / "snap.jpg"), std::string(3000000, 'n'));
  EXPECT_NE(platform::ReplaceFileContents(temp / "falta" / "x.jpg", "x"), 0);
  EXPECT_EQ(std::distance(fs::directory_iterator(temp), fs::directory_iterator()), 1)
      << "no temporary file left behind";
}

}  // namespace
