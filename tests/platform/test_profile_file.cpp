#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/ProfileFile.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using platform::GetPrivateProfileString;
using platform::WritePrivateProfileString;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

std::string Get(const std::string& section, const std::string& key, const fs::path& file,
                std::size_t buffer = 255) {
  return GetPrivateProfileString(section, key, "", buffer, file);
}

// Runs check as user nobody in a child process: as root, no permission is ever
// refused and a permission test would prove nothing.
bool AsNobody(const std::function<bool()>& check) {
  const pid_t pid = fork();
  if (pid == 0) {
    const bool dropped = setgroups(0, nullptr) == 0 && setresgid(65534, 65534, 65534) == 0 &&
                         setresuid(65534, 65534, 65534) == 0;
    _exit(dropped && check() ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
  return names;
}

TEST(ProfileFileRead, FollowsTheWindowsRules) {
  TempDir dir;
  const fs::path file = dir / "Options.ini";
  WriteFile(file,
            "[ settings ]\r\n"
            ";Hotkeys=Falso\r\n"
            "  Hotkeys\t=  Verdadero  \r\n"
            "Quoted = \"  spaced  \"\r\n"
            "HalfQuote=\"abc\r\n"
            "NoEquals\r\n"
            "Dup=first\r\n"
            "dup=second\r\n"
            "[POSICI\xD3N]\r\n"
            "WasteWell_Left=15\r\n"
            "[\x8Cuvre]\r\n"
            "k=v\r\n"
            "[Settings]\r\n"
            "Extra=in the second section\r\n");
  EXPECT_EQ(Get("Settings", "hotkeys", file), "Verdadero");
  EXPECT_EQ(Get("SETTINGS", "Quoted", file), "  spaced  ");
  EXPECT_EQ(Get("Settings", "HalfQuote", file), "\"abc");
  EXPECT_EQ(GetPrivateProfileString("Settings", "NoEquals", "def", 255, file), "def");
  EXPECT_EQ(Get("Settings", "DUP", file), "first");
  EXPECT_EQ(Get("Posición", "wastewell_left", file), "15");
  EXPECT_EQ(Get("œUVRE", "K", file), "v");
  EXPECT_EQ(GetPrivateProfileString("Settings", "Extra", "none", 255, file), "none");
  EXPECT_EQ(GetPrivateProfileString("Settings", "x", "def", 255, dir / "missing.ini"), "def");
}

TEST(ProfileFileRead, CutsToTheBuffer) {
  TempDir dir;
  const fs::path file = dir / "Options.ini";
  std::string accents;
  for (int i = 0; i < 300; ++i) accents += "ó";
  ASSERT_TRUE(WritePrivateProfileString("S", "Long", std::string(300, 'x'), file));
  ASSERT_TRUE(WritePrivateProfileString("S", "Accents", accents, file));
  EXPECT_EQ(Get("S", "Long", file), std::string(254, 'x'));
  EXPECT_EQ(Get("S", "Accents", file), accents.substr(0, 2 * 254));
  EXPECT_EQ(Get("S", "Long", file, 1), "");
  EXPECT_EQ(GetPrivateProfileString("S", "none", "abcdef", 4, file), "abc");
  EXPECT_NE(ReadFile(file).find(std::string(300, 'x')), std::string::npos);
}

TEST(ProfileFileEncoding, StoresWindows1252Bytes) {
  TempDir dir;
  const fs::path file = dir / "Options.ini";
  ASSERT_TRUE(WritePrivateProfileString("Posición", "Versión OS", "Métrico €", file));
  ASSERT_TRUE(WritePrivateProfileString("Posición", "Ciudad", "Łódź", file));
  EXPECT_EQ(ReadFile(file),
            "[Posici\xF3n]\r\nVersi\xF3n OS=M\xE9trico \x80\r\nCiudad=?\xF3"
            "d?\r\n");
  EXPECT_EQ(Get("POSICIÓN", "VERSIÓN OS", file), "Métrico €");
  EXPECT_EQ(Get("Posición", "Ciudad", file), "?ód?");
}

TEST(ProfileFileEncoding, KeepsAUtf8FileWithItsByteOrderMark) {
  TempDir dir;
  const fs::path file = dir / "Options.ini";
  const std::string original = "\xEF\xBB\xBF[Posición]\nTamaño=Grande\n";
  WriteFile(file, original);
  EXPECT_EQ(Get("posición", "TAMAÑO", file), "Grande");
  ASSERT_TRUE(WritePrivateProfileString("Posición", "País", "España", file));
  EXPECT_EQ(ReadFile(file), original + "País=España\n");
}

TEST(ProfileFileWrite, ChangesOnlyTheLineItMust) {
  TempDir dir;
  const fs::path file = dir / "Options.ini";
  const std::string head =
      "; WasteWell settings, edited by hand\n"
      "\n"
      "[Settings]\n"
      "  Sin confirm = Falso \t\n";
  const std::string hotkeys = "Hotkeys=Falso\n";
  const std::string middle =
      "\n"
      "[Desconocida]\n"
      "x = 1\n"
      "; the end\n"
      "[Posici\xF3n]\n"
      "WasteWell_Left=15\n";
  const std::string tail = "\n\n";
  WriteFile(file, head + hotkeys + middle + tail);

  ASSERT_TRUE(WritePrivateProfileString("settings", "HOTKEYS", "Verdadero", file));
  const std::string changed = head + "Hotkeys=Verdadero\n";
  EXPECT_EQ(ReadFile(file), changed + middle + tail);

  ASSERT_TRUE(WritePrivateProfileString("Settings", "Sin barra", "Verdadero", file));
  ASSERT_TRUE(WritePrivateProfileString("Posición", "WasteWell_Top", "30", file));
  ASSERT_TRUE(WritePrivateProfileString("Imagenes", "Imagen", "ShapedFormFull", file));
  const std::string expected = changed + "Sin barra=Verdadero\n" + middle + "WasteWell_Top=30\n" +
                               tail + "[Imagenes]\nImagen=ShapedFormFull\n";
  EXPECT_EQ(ReadFile(file), expected);
  ASSERT_TRUE(WritePrivateProfileString("Posición", "WasteWell_Top", "30", file));
  EXPECT_EQ(ReadFile(file), expected);
}

TEST(ProfileFileWrite, CreatesTheFileAndMendsAMissingLastLineBreak) {
  TempDir dir;
  const fs::path fresh = dir / "new" / "Options.ini";
  fs::create_directories(fresh.parent_path());
  ASSERT_TRUE(WritePrivateProfileString("Settings", "Versión OS", "512600", fresh));
  EXPECT_EQ(ReadFile(fresh), "[Settings]\r\nVersi\xF3n OS=512600\r\n");

  const fs::path open = dir / "open.ini";
  WriteFile(open, "[A]\r\nx=1");
  ASSERT_TRUE(WritePrivateProfileString("A", "y", "2", open));
  ASSERT_TRUE(WritePrivateProfileString("B", "z", "3", open));
  EXPECT_EQ(ReadFile(open), "[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n");
}

TEST(ProfileFileWrite, LineBreaksCannotAddLines) {
  TempDir dir;
  const fs::path file = dir / "Options.ini";
  ASSERT_TRUE(WritePrivateProfileString("Settings\n[Evil]", "Hotkeys\r\nx=1",
                                        "Verdadero\r\n[Evil]\r\nNoMovePos=True", file));
  const std::string good = "[Settings]\r\nHotkeys=Verdadero\r\n";
  EXPECT_EQ(ReadFile(file), good);
  EXPECT_EQ(Get("Evil", "NoMovePos", file), "");

  // Names that would read back as other syntax are refused, the file untouched.
  EXPECT_FALSE(WritePrivateProfileString("Settings", "a=b", "1", file));
  EXPECT_FALSE(WritePrivateProfileString("Set]tings", "a", "1", file));
  EXPECT_FALSE(WritePrivateProfileString("Settings", "[a", "1", file));
  EXPECT_FALSE(WritePrivateProfileString("Settings", ";a", "1", file));
  EXPECT_FALSE(WritePrivateProfileString("Settings", " \n", "1", file));
  EXPECT_EQ(ReadFile(file), good);
}

TEST(ProfileFileWrite, KeepsModeAndLinks) {
  TempDir dir;
  const fs::path real = dir / "real" / "Options.ini";
  WriteFile(real, "[S]\r\nk=1\r\n");
  fs::permissions(real, fs::perms(0640));
  const fs::path link = dir / "Options.ini";
  fs::create_symlink("real/Options.ini", link);

  ASSERT_TRUE(WritePrivateProfileString("S", "k", "2", link));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadFile(real), "[S]\r\nk=2\r\n");
  EXPECT_EQ(fs::status(real).permissions(), fs::perms(0640));
  EXPECT_EQ(Entries(real.parent_path()), std::vector<std::string>{"Options.ini"});
}

TEST(ProfileFileWrite, ReadOnlyFileOrFolderFailsAndKeepsTheFile) {
  TempDir dir;
  fs::permissions(dir.path(), fs::perms(0755));
  const std::string original = "[S]\r\nk=1\r\n";
  const fs::path lockedFolder = dir / "locked";
  const fs::path lockedFile = dir / "open" / "Options.ini";
  const fs::path hiddenFile = dir / "hidden" / "Options.ini";
  const fs::path freeFile = dir / "free" / "Options.ini";
  for (const fs::path& f : {lockedFolder / "Options.ini", lockedFile, hiddenFile, freeFile})
    WriteFile(f, original);
  fs::permissions(lockedFolder / "Options.ini", fs::perms(0666));
  fs::permissions(lockedFolder, fs::perms(0555));
  fs::permissions(lockedFile.parent_path(), fs::perms(0777));
  fs::permissions(lockedFile, fs::perms(0444));
  // Writable but unreadable: replacing it blind would lose every other setting.
  fs::permissions(hiddenFile.parent_path(), fs::perms(0777));
  fs::permissions(hiddenFile, fs::perms(0622));
  fs::permissions(freeFile.parent_path(), fs::perms(0777));
  fs::permissions(freeFile, fs::perms(0666));

  EXPECT_TRUE(AsNobody([&] {
    return !WritePrivateProfileString("S", "k", "2", lockedFolder / "Options.ini") &&
           !WritePrivateProfileString("S", "k", "2", lockedFile) &&
           !WritePrivateProfileString("S", "k", "2", hiddenFile) &&
           WritePrivateProfileString("S", "k", "2", freeFile);
  }));
  EXPECT_EQ(ReadFile(lockedFolder / "Options.ini"), original);
  EXPECT_EQ(ReadFile(lockedFile), original);
  EXPECT_EQ(ReadFile(hiddenFile), original);
  EXPECT_EQ(ReadFile(freeFile), "[S]\r\nk=2\r\n");
  for (const fs::path& f : {lockedFolder / "Options.ini", lockedFile, hiddenFile})
    EXPECT_EQ(Entries(f.parent_path()), std::vector<std::string>{"Options.ini"}) << f;

  // A read-only file stays read-only for root too.
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "2", lockedFile));
  EXPECT_EQ(ReadFile(lockedFile), original);
}

TEST(ProfileFileWrite, AKilledWriterLeavesOneWholeState) {
  TempDir dir;
  const fs::path file = dir / "Options.ini";
  std::string body = "[Datos]\r\n";
  for (int i = 0; i < 20000; ++i)
    body += "clave" + std::to_string(i) + "=valor de relleno " + std::to_string(i) + "\r\n";
  const std::string stateA = body + "[Estado]\r\nFase=A\r\n";
  const std::string stateB = body + "[Estado]\r\nFase=B\r\n";
  WriteFile(file, stateA);

  int seenB = 0;
  for (int round = 0; round < 40; ++round) {
    const pid_t pid = fork();
    if (pid == 0) {
      for (unsigned n = 1;; ++n)
        WritePrivateProfileString("Estado", "Fase", n % 2 ? "B" : "A", file);
    }
    usleep(1000 + (round * 7919) % 30000);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    const std::string now = ReadFile(file);
    ASSERT_TRUE(now == stateA || now == stateB)
        << "round " << round << ", " << now.size() << " bytes";
    seenB += now == stateB;
  }
  EXPECT_GT(seenB, 0);  // the writer did get to write
  EXPECT_TRUE(WritePrivateProfileString("Estado", "Fase", "C", file));
  EXPECT_EQ(Get("Estado", "Fase", file), "C");
}

}  // namespace
