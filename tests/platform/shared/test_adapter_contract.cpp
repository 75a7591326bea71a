// Interface tests that every adapter set passes: the Linux one and the
// Windows one (cross-built, run under Wine). What differs lives beside each set.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/ProfileFile.h"
#include "platform/System.h"
#include "support/TempDir.h"
#ifdef _WIN32
#include "platform/win/WinText.h"
#endif

namespace {

// Wine 8.0's profile calls match only ASCII letters without regard to case
// ("Posición" finds "POSICIóN" but not "POSICIÓN").
bool NamesFoldOnlyAscii() {
#ifdef _WIN32
  return platform::win::RunningUnderWine();
#else
  return false;
#endif
}

namespace fs = std::filesystem;
using platform::GetPrivateProfileString;
using platform::WritePrivateProfileString;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

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
  if (!NamesFoldOnlyAscii()) {
    EXPECT_EQ(Get("POSICIÓN", "WASTEWELL_LEFT", file), "15");
  }
  // The cut counts characters, not the bytes of their UTF-8 form.
  EXPECT_EQ(Get("Settings", "Long", file), std::string(254, 'x'));
  std::string accents;
  for (int i = 0; i < 254; ++i) accents += "ó";
  EXPECT_EQ(Get("Settings", "Accents", file), accents);
  EXPECT_EQ(GetPrivateProfileString("Settings", "Nada", "def", 255, file), "def");
  EXPECT_EQ(GetPrivateProfileString("Settings", "x", "def", 255, dir / "missing.ini"), "def");
}

TEST(ProfileFileContract, WritesWindows1252AndCreatesWhatIsMissing) {
  TempDir dir;
  const fs::path file = dir / "Options.ini";
  ASSERT_TRUE(WritePrivateProfileString("Posición", "Versión OS", "Métrico €Ł", file));
  // A character the code page lacks is a question mark, never a look-alike.
  EXPECT_EQ(ReadFile(file), "[Posici\xF3n]\r\nVersi\xF3n OS=M\xE9trico \x80?\r\n");
  EXPECT_EQ(Get("POSICIóN", "VERSIóN OS", file), "Métrico €?");
  if (!NamesFoldOnlyAscii()) {
    EXPECT_EQ(Get("POSICIÓN", "VERSIÓN OS", file), "Métrico €?");
  }

  ASSERT_TRUE(WritePrivateProfileString("posición", "versión os", "610", file));
  ASSERT_TRUE(WritePrivateProfileString("Settings", "Hotkeys", "Verdadero", file));
  EXPECT_EQ(Get("Posición", "Versión OS", file), "610");
  EXPECT_EQ(Get("settings", "hotkeys", file), "Verdadero");
  EXPECT_EQ(ReadFile(file).find("Versi\xF3n OS=M"), std::string::npos) << "replaced, not added";

  // A UTF-8 file with its byte-order mark stays readable as UTF-8.
  const fs::path utf8 = dir / "utf8.ini";
  WriteFile(utf8, "\xEF\xBB\xBF[Posición]\nTamaño=Grande\n");
  EXPECT_EQ(Get("posición", "TAMAñO", utf8), "Grande");
  ASSERT_TRUE(WritePrivateProfileString("Posición", "País", "España", utf8));
  EXPECT_EQ(Get("POSICIóN", "PAíS", utf8), "España");
  EXPECT_EQ(Get("Posición", "Tamaño", utf8), "Grande");
}

TEST(ProfileFileContract, LineBreaksCannotAddSectionsOrKeys) {
  TempDir dir;
  const fs::path file = dir / "Options.ini";
  WriteFile(file, "[A]\r\nx=1");  // no last line break
  ASSERT_TRUE(WritePrivateProfileString("A", "y", "2", file));
  ASSERT_TRUE(WritePrivateProfileString("B\n[Evil]", "z\r\nx=1", "3\r\n[Evil]\r\nk=1", file));
  EXPECT_EQ(Get("A", "x", file), "1");
  EXPECT_EQ(Get("A", "y", file), "2");
  EXPECT_EQ(Get("B", "z", file), "3");
  EXPECT_EQ(Get("Evil", "k", file), "");
  EXPECT_EQ(Get("B", "x", file), "");
  // Names that would read back as other syntax are refused, the file untouched.
  const std::string before = ReadFile(file);
  for (const char* key : {"a=b", "[a", ";a", " \n"})
    EXPECT_FALSE(WritePrivateProfileString("B", key, "1", file)) << key;
  EXPECT_FALSE(WritePrivateProfileString("B]", "a", "1", file));
  EXPECT_EQ(ReadFile(file), before);
}

TEST(SystemContract, VersionTextAndTemporaryFolder) {
  const std::pair<const char*, const char*> versions[] = {
      {"6.1.0-18-amd64", "610"}, {"10.0.19045", "10019045"}, {"5.10", "5100"}, {"", "000"}};
  for (const auto& [release, text] : versions)
    EXPECT_EQ(platform::VersionTextFromRelease(release), text) << release;
  const std::string version = platform::OSVersionText();
  EXPECT_GE(version.size(), 3u);
  EXPECT_EQ(version.find_first_not_of("0123456789"), std::string::npos) << version;

  const std::string temp = platform::TempPath();
  ASSERT_FALSE(temp.empty());
  EXPECT_TRUE(temp.back() == '/' || temp.back() == '\\') << temp;
  EXPECT_TRUE(fs::is_directory(fs::u8path(temp))) << temp;
}

TEST(FileSystemContract, ListsMeasuresAndDeletes) {
  TempDir dir;
  const fs::path temp = dir / "Temp";
  WriteFile(temp / "a.txt", "a");
  WriteFile(temp / "sub" / "deep" / "b.txt", "bb");
  EXPECT_EQ(platform::FolderSize(temp), 3);
  std::vector<std::string> lines;
  platform::ListTree(temp, [&](std::string line) { lines.push_back(std::move(line)); });
  // Pre-order: a folder's line, its files, then its subfolders.
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "\t" + temp.u8string(), "\t\ta.txt", "\t" + (temp / "sub").u8string(),
                       "\t" + (temp / "sub" / "deep").u8string(), "\t\tb.txt"}));

  const platform::DeleteReport report = platform::DeleteContents(temp);
  EXPECT_TRUE(report.stayed.empty());
  EXPECT_EQ(report.removed, 4);
  EXPECT_TRUE(fs::is_directory(temp));
  EXPECT_TRUE(fs::is_empty(temp));

  WriteFile(temp / "uno.txt", "1");
  EXPECT_EQ(platform::DeleteOneFile(temp / "uno.txt"), 0);
  EXPECT_EQ(platform::DeleteOneFile(temp / "uno.txt"), ENOENT);
  fs::create_directory(temp / "x");
  EXPECT_EQ(platform::DeleteOneFile(temp / "x"), EISDIR);
  WriteFile(temp / "x" / "y.txt", "y");
  EXPECT_EQ(platform::RemoveEmptyFolder(temp / "x"), ENOTEMPTY);
  fs::remove(temp / "x" / "y.txt");
  EXPECT_EQ(platform::RemoveEmptyFolder(temp / "x"), 0);
  EXPECT_FALSE(fs::exists(temp / "x"));

  WriteFile(temp / "snap.jpg", "old");
  EXPECT_EQ(platform::ReplaceFileContents(temp / "snap.jpg", std::string(3000000, 'n')), 0);
  EXPECT_EQ(ReadFile(temp / "snap.jpg"), std::string(3000000, 'n'));
  EXPECT_EQ(platform::ReplaceFileContents(temp / "nueva.jpg", ""), 0);
  EXPECT_TRUE(fs::exists(temp / "nueva.jpg"));
  EXPECT_NE(platform::ReplaceFileContents(temp / "falta" / "x.jpg", "x"), 0);
  EXPECT_EQ(std::distance(fs::directory_iterator(temp), fs::directory_iterator()), 2)
      << "no temporary file left behind";
}

}  // namespace
