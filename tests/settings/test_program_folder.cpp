// Where the program keeps its files and reads the shipped ones, chosen as an unprivileged user
// (permissions are what is tested); and the options file in it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <sstream>

#include "settings/ModIni.h"
#include "settings/Options.h"
#include "settings/ProgramFolder.h"
#include "support/TrashTestKit.h"

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

class ProgramFolderRule : public ::testing::Test {
 protected:
  void SetUp() override {
    // The unprivileged user may look but not write, except in its home.
    fs::permissions(tmp_.path(), fs::perms(0755));
    fs::create_directories(bin_);
    WriteFile(tmp_ / "usr/share/wastewell/leame.txt", "shipped");
    fs::create_directories(home_);
  }

  // The choice made by an unprivileged user, in a child process that then starts as the program
  // does: writes an option and looks up a shipped file (into leame_).
  settings::FolderChoice ChooseAsNobody(const fs::path& exeFolder, const fs::path& override) {
    std::istringstream seen(RunAsNobody(home_, [&] {
      const settings::FolderChoice c =
          settings::ChooseProgramFolder(exeFolder, override, "../share/wastewell");
      settings::SetProgramFolder(c.folder);
      settings::SetShippedFolder(c.shipped);
      if (c.error.empty()) settings::Options().SetOn(settings::Key::HotKeys, true);
      return c.folder.string() + "\n" + c.shipped.string() + "\n" +
             settings::ShippedFile("leame.txt") + "\n" + c.error;
    }));
    std::string folder, shipped, error;
    std::getline(seen, folder);
    std::getline(seen, shipped);
    std::getline(seen, leame_);
    std::getline(seen, error, '\0');
    return {folder, shipped, error};
  }

  TempDir tmp_;
  fs::path bin_ = tmp_ / "usr/bin", home_ = tmp_ / "home";
  std::string leame_;
  ScopedEnv data_{"XDG_DATA_HOME", (tmp_ / "home/data").string()};
};

TEST_F(ProgramFolderRule, BesideAWritableProgramUnlessInstalledElseInThePerUserFolder) {
  // A build folder or a portable copy: nothing installed next to it.
  const settings::FolderChoice build = ChooseAsNobody(home_, {});
  EXPECT_EQ(build.error, "");
  EXPECT_EQ(build.folder, home_);
  EXPECT_EQ(build.shipped, home_);
  EXPECT_TRUE(fs::exists(home_ / "Options.ini"));
  EXPECT_EQ(leame_, (home_ / "leame.txt").string());
  EXPECT_FALSE(fs::exists(home_ / "data"));

  const settings::FolderChoice c = ChooseAsNobody(bin_, {});
  ASSERT_EQ(c.error, "");
  EXPECT_EQ(c.folder, home_ / "data/WasteWell");
  EXPECT_EQ(c.shipped, tmp_ / "usr/share/wastewell");
  struct stat st {};
  ASSERT_EQ(stat(c.folder.c_str(), &st), 0) << "made on the first start";
  EXPECT_EQ(st.st_uid, uid_t{kNobody});
  EXPECT_TRUE(fs::exists(c.folder / "Options.ini"));
  EXPECT_EQ(leame_, (tmp_ / "usr/share/wastewell/leame.txt").string());

  // The user's own copy of a shipped file is the one read.
  WriteFile(c.folder / "leame.txt", "the user's own");
  ChooseAsNobody(bin_, {});
  EXPECT_EQ(leame_, (c.folder / "leame.txt").string());

  // Root, or an install in the home, could write beside it: still the per-user folder.
  chown(bin_.c_str(), kNobody, kNobody);
  EXPECT_EQ(ChooseAsNobody(bin_, {}).folder, home_ / "data/WasteWell");
  EXPECT_FALSE(fs::exists(bin_ / "Options.ini"));
}

TEST_F(ProgramFolderRule, TheOptionWinsAndAFolderThatCannotBeMadeOrWrittenIsRefused) {
  // Over the per-user folder of a read-only install and over a writable executable's folder.
  for (const fs::path& exe : {bin_, home_}) {
    const settings::FolderChoice made = ChooseAsNobody(exe, home_ / "a" / exe.filename());
    EXPECT_EQ(made.error, "");
    EXPECT_EQ(made.folder, home_ / "a" / exe.filename());
    EXPECT_TRUE(fs::exists(made.folder / "Options.ini")) << exe;
  }
  EXPECT_FALSE(fs::exists(home_ / "Options.ini"));
  EXPECT_FALSE(fs::exists(home_ / "data"));

  for (const auto& [folder, verb] :
       {std::pair{tmp_ / "usr", "escribir en"}, std::pair{tmp_ / "usr/nuevo", "crear"}})
    EXPECT_EQ(ChooseAsNobody(bin_, folder).error, "WasteWell: no se puede " + std::string(verb) +
                                                      " la carpeta del programa \"" +
                                                      folder.string() + "\".\n");
  EXPECT_FALSE(fs::exists(tmp_ / "usr/nuevo"));

  // Not a silent loss of every setting either when it is the per-user folder.
  ScopedEnv data("XDG_DATA_HOME", (tmp_ / "usr/share").string());
  const std::string error = ChooseAsNobody(bin_, {}).error;
  EXPECT_NE(error.find("no se puede crear"), std::string::npos) << error;
}

TEST(Options, WrittenInTheOldFormatAndReadFromTheFileAtEachUse) {
  TempDir dir;
  settings::SetProgramFolder(dir.path());
  const settings::Options options;
  EXPECT_FALSE(options.IsOn(settings::Key::HotKeys));
  options.SetOn(settings::Key::HotKeys, true);
  options.SetNumber(settings::Key::Left, 4830);
  const std::string file = ReadFile(dir / "Options.ini");
  EXPECT_NE(file.find("[Settings]\r\nHotkeys=Verdadero\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("[Posici\xF3n]\r\nWasteWell_Left=4830\r\n"), std::string::npos) << file;
  EXPECT_EQ(options.Number(settings::Key::Left), 4830);
  // Another writer in between is seen at once; only the two exact words are on.
  for (const auto& [text, on] : {std::pair{"True", true}, {"true", false}, {"1", false}}) {
    settings::IniWrite("settings", "HOTKEYS", text, settings::OptionsFile());
    EXPECT_EQ(options.IsOn(settings::Key::HotKeys), on) << text;
  }
  for (const auto& [text, value] :
       {std::pair{"12abc", 12}, {"1235.5", 1236}, {"2147483648", 0}, {"-2147483648", INT32_MIN}})
    EXPECT_EQ(settings::ReadNumber(text), value) << text;
}

}  // namespace
