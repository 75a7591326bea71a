// The program's folder and the shipped one, chosen as an unprivileged user; the options file in it;
// the Linux profile file: hand-edited files, the bytes it writes, what a failed or killed write
// leaves.
#include <gmock/gmock.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <iterator>
#include <sstream>

#include "platform/ProfileFile.h"
#include "settings/ModIni.h"
#include "settings/Options.h"
#include "settings/ProgramFolder.h"
#include "support/TrashTestKit.h"

namespace {

using namespace testsupport;
namespace fs = std::filesystem;
using platform::WritePrivateProfileString;

class ProgramFolderRule : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(bin_);
    WriteFile(tmp_ / "usr/share/wastewell/leame.txt", "shipped");
    fs::create_directories(home_);
  }

  // What an unprivileged user's start sees (folder, shipped folder, leame.txt, error), in a child
  // process that then starts as the program does: writes an option, looks up a shipped file.
  std::vector<std::string> ChooseAsNobody(const fs::path& exe, const fs::path& override = {}) {
    std::istringstream in(RunAsNobody(home_, [&] {
      const settings::FolderChoice c =
          settings::ChooseProgramFolder(exe, override, "../share/wastewell");
      settings::SetProgramFolder(c.folder);
      settings::SetShippedFolder(c.shipped);
      if (c.error.empty()) settings::Options().SetOn(settings::Key::HotKeys, true);
      return c.folder.string() + "|" + c.shipped.string() + "|" +
             settings::ShippedFile("leame.txt") + "|" + c.error;
    }));
    std::vector<std::string> seen(4);
    for (std::string& part : seen) std::getline(in, part, '|');
    return seen;
  }
  static std::vector<std::string> Seen(const fs::path& folder, const fs::path& shipped,
                                       const fs::path& leame) {
    return {folder.string(), shipped.string(), leame.string(), ""};
  }

  TempDir tmp_;
  fs::path bin_ = tmp_ / "usr/bin", home_ = tmp_ / "home";
  ScopedEnv data_{"XDG_DATA_HOME", (tmp_ / "home/data").string()};
};

TEST_F(ProgramFolderRule, BesideAWritableProgramUnlessInstalledElseInThePerUserFolder) {
  // A build folder or a portable copy: nothing installed next to it.
  EXPECT_EQ(ChooseAsNobody(home_), Seen(home_, home_, home_ / "leame.txt"));
  EXPECT_TRUE(fs::exists(home_ / "Options.ini"));
  EXPECT_FALSE(fs::exists(home_ / "data"));

  const fs::path own = home_ / "data/WasteWell", shipped = tmp_ / "usr/share/wastewell";
  EXPECT_EQ(ChooseAsNobody(bin_), Seen(own, shipped, shipped / "leame.txt"));
  // (Made there and written on the first start: E2ePackage.)

  // The user's own copy of a shipped file is the one read.
  WriteFile(own / "leame.txt", "the user's own");
  EXPECT_EQ(ChooseAsNobody(bin_), Seen(own, shipped, own / "leame.txt"));

  // Root, or an install in the home, could write beside it: still the per-user folder.
  chown(bin_.c_str(), kNobody, kNobody);
  EXPECT_EQ(ChooseAsNobody(bin_)[0], own.string());
  EXPECT_FALSE(fs::exists(bin_ / "Options.ini"));
}

TEST_F(ProgramFolderRule, TheOptionWinsAndAPerUserFolderThatCannotBeMadeIsRefused) {
  // Over the per-user folder of a read-only install and over a writable executable's folder.
  for (const fs::path& exe : {bin_, home_}) {
    const fs::path chosen = home_ / "a" / exe.filename();
    ChooseAsNobody(exe, chosen);  // written there only when chosen without an error
    EXPECT_TRUE(fs::exists(chosen / "Options.ini")) << exe;
  }
  EXPECT_FALSE(fs::exists(home_ / "Options.ini"));
  EXPECT_FALSE(fs::exists(home_ / "data"));

  // Not a silent loss of every setting. (An option's folder refused: E2eWindow.HelpVersion...)
  ScopedEnv data("XDG_DATA_HOME", (tmp_ / "usr/share").string());
  EXPECT_THAT(ChooseAsNobody(bin_)[3], testing::HasSubstr("no se puede crear"));
}

TEST(Options, WrittenInTheOldFormatAndReadFromTheFileAtEachUse) {
  TempDir dir;
  settings::SetProgramFolder(dir.path());
  const settings::Options options;
  EXPECT_FALSE(options.IsOn(settings::Key::HotKeys));
  options.SetOn(settings::Key::HotKeys, true);
  const std::string file = ReadFile(dir / "Options.ini");
  EXPECT_NE(file.find("[Settings]\r\nHotkeys=Verdadero\r\n"), std::string::npos) << file;
  // Another writer in between is seen at once; only the two exact words are on.
  for (const auto& [text, on] : {std::pair{"True", true}, {"true", false}, {"1", false}}) {
    settings::IniWrite("settings", "HOTKEYS", text, settings::OptionsFile());
    EXPECT_EQ(options.IsOn(settings::Key::HotKeys), on) << text;
  }
  for (const auto& [text, value] :
       {std::pair{"12abc", 12}, {"1235.5", 1236}, {"2147483648", 0}, {"-2147483648", INT32_MIN}})
    EXPECT_EQ(settings::ReadNumber(text), value) << text;
}

std::string Get(const std::string& section, const std::string& key, const fs::path& file) {
  return platform::GetPrivateProfileString(section, key, "def", 255, file);
}

long EntryCount(const fs::path& folder) {
  return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
}

// Also through a link, which must stay a link to a file that keeps its mode.
TEST(ProfileFile, HandEditedFileReadAsWindowsReadsItAndWrittenLineByLine) {
  TempDir dir;
  const fs::path real = dir / "real" / "Options.ini", file = dir / "Options.ini";
  // Single quotes come off like double ones, a lone CR ends a line, a key line without "=" is the
  // key with an empty value, and the first of two keys wins.
  const std::string head = "; edited by hand\r[S]\rSingle= ' a b '\r";
  const std::string rest =
      "\r\nBare=later\nMixed='x\"\n\n[Desconocida]\nx = 1\n; the end\n"
      "[Posici\xF3n]\nWasteWell_Left=15\n";
  WriteFile(real, head + "Bare" + rest + "\n\n");
  fs::permissions(real, fs::perms(0640));
  fs::create_symlink("real/Options.ini", file);
  EXPECT_EQ(Get("S", "Single", file), " a b ");
  EXPECT_EQ(Get("S", "Bare", file), "");
  EXPECT_EQ(Get("S", "Mixed", file), "'x\"");

  ASSERT_TRUE(WritePrivateProfileString("s", "BARE", "1", file));
  ASSERT_TRUE(WritePrivateProfileString("Posición", "WasteWell_Top", "30", file));
  ASSERT_TRUE(WritePrivateProfileString("Imagenes", "Imagen", "Full", file));
  // Added lines end like the file's first line feed, here CR LF.
  EXPECT_EQ(ReadFile(real),
            head + "Bare=1" + rest + "WasteWell_Top=30\r\n\n\n[Imagenes]\r\nImagen=Full\r\n");
  EXPECT_TRUE(fs::is_symlink(file));
  EXPECT_EQ(fs::status(real).permissions(), fs::perms(0640));
  EXPECT_EQ(EntryCount(real.parent_path()), 1);
}

TEST(ProfileFile, FailedWriteReportsFalseAndKeepsTheFile) {
  TempDir dir;
  const std::string original = "[S]\r\nk=1\r\n";
  const fs::path locked = dir / "locked" / "Options.ini", hidden = dir / "hidden" / "Options.ini",
                 open = dir / "open" / "Options.ini";
  for (const fs::path& f : {locked, hidden, open}) {
    WriteFile(f, original);
    fs::permissions(f.parent_path(), fs::perms(0777));
    fs::permissions(f, fs::perms(0666));
  }
  fs::permissions(locked.parent_path(), fs::perms(0555));
  // Writable but unreadable: a blind rewrite would lose every other setting.
  fs::permissions(hidden, fs::perms(0622));
  // As root no permission is ever refused.
  const auto write = [](const fs::path& f) {
    return std::to_string(WritePrivateProfileString("S", "k", "2", f));
  };
  EXPECT_EQ(
      RunAsNobody(dir / "unused", [&] { return write(locked) + write(hidden) + write(open); }),
      "001");
  for (const fs::path& f : {locked, hidden}) {
    EXPECT_EQ(ReadFile(f), original) << f;
    EXPECT_EQ(EntryCount(f.parent_path()), 1) << f;
  }
  EXPECT_EQ(ReadFile(open), "[S]\r\nk=2\r\n");
}

TEST(ProfileFile, AKilledWriterLeavesOneWholeState) {
  TempDir dir;
  const fs::path file = dir / "Options.ini";
  std::string body = "[Datos]\r\n";
  for (int i = 0; i < 20000; ++i) body += "clave" + std::to_string(i) + "=relleno\r\n";
  const std::string stateA = body + "[Estado]\r\nFase=A\r\n",
                    stateB = body + "[Estado]\r\nFase=B\r\n";
  WriteFile(file, stateA);
  int seenB = 0;
  for (int round = 0; round < 40; ++round) {
    const pid_t pid = fork();
    if (pid == 0)
      for (unsigned n = 1;; ++n)
        WritePrivateProfileString("Estado", "Fase", n % 2 ? "B" : "A", file);
    usleep(1000 + (round * 7919) % 30000);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    const std::string now = ReadFile(file);
    ASSERT_TRUE(now == stateA || now == stateB) << "round " << round << ", " << now.size();
    seenB += now == stateB;
  }
  EXPECT_GT(seenB, 0);  // the writer did get to write
  // The next write clears what the killed writers left; a running writer's file stays. (A killed
  // writer's number may already belong to a new process: its file waits for later.)
  const fs::path running = dir / (".Options.ini." + std::to_string(getppid()) + "-0-1");
  WriteFile(running, "in progress");
  ASSERT_TRUE(WritePrivateProfileString("Estado", "Fase", "A", file));
  for (const auto& e : fs::directory_iterator(dir.path())) {
    const std::string name = e.path().filename().string();
    if (name == "Options.ini") continue;
    const pid_t writer = std::stoi(name.substr(std::string(".Options.ini.").size()));
    EXPECT_EQ(kill(writer, 0), 0) << name << " of a writer that is gone";
  }
  EXPECT_TRUE(fs::exists(running));
}

// A file that no settings file comes near (a sparse one of 64 GB, or one just past 1 MB) is
// unusable: a read gives the default at once, a write fails and leaves the file as it was.
TEST(ProfileFile, AnOversizedFileIsUnusableAndKeptAsItIs) {
  TempDir dir;
  const fs::path file = dir / "Options.ini";
  for (std::uintmax_t size : {std::uintmax_t{1} << 36, (std::uintmax_t{1} << 20) + 1}) {
    WriteFile(file, "[S]\r\nk=1\r\n");
    fs::resize_file(file, size);
    EXPECT_EQ(Get("S", "k", file), "def") << size;
    EXPECT_FALSE(WritePrivateProfileString("S", "k", "2", file)) << size;
    EXPECT_EQ(fs::file_size(file), size);
    EXPECT_EQ(EntryCount(dir.path()), 1);
  }
  fs::resize_file(file, 1 << 20);
  EXPECT_EQ(Get("S", "k", file), "1");
}

}  // namespace
