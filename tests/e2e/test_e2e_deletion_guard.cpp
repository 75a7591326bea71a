// The cleaner and the folder window driven by keyboard with the home's parent chosen: each
// shows the refusal and the home stays whole.
#include "support/E2eProgram.h"

using namespace testsupport;
using E2eDeletionGuard = E2eTest;

namespace {

// The message boxes shown so far, one "title<TAB>text" a line; closes the open one, `title`.
std::string Messages(const std::filesystem::path& log, const std::string& title) {
  Keys(WindowNamed("^" + title + "$"), "key Return");
  return ReadFile(log);
}

}  // namespace

TEST_F(E2eDeletionGuard, TheHomesParentIsRefusedInTheCleanerAndTheFolderWindow) {
  E2eProgram p;
  const std::filesystem::path home = p.home() / "user";
  WriteFile(home / "docs" / "thesis.txt", "years");
  WriteFile(home / ".bashrc", "rc");
  p.SetEnv("HOME", home.string());
  p.SetEnv("TMPDIR", p.home().string());
  const std::filesystem::path log = p.folder() / "messages.txt";
  p.SetEnv("WW_MESSAGE_LOG", log.string());
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\n");
  ASSERT_TRUE(p.Start());
  const std::string refusal = "La carpeta \"" + p.home().string() +
                              "%s\" contiene la carpeta "
                              "personal del usuario: no se vacía ni se elimina.";
  const auto expected = [&](const char* tail) {
    std::string s = refusal;
    return s.replace(s.find("%s"), 2, tail);
  };

  HotKey('t');
  std::string cleaner;
  ASSERT_TRUE(WaitFor([&] { return !(cleaner = WindowNamed("^TempDir$")).empty(); }, 5000));
  // The list has the focus: Tab, "Mostrar"; then Tab, "Borrar".
  Keys(cleaner, "key Tab space sleep 1 key Tab space");
  ASSERT_TRUE(WaitFor([] { return !WindowNamed("^Vaciar Temp$").empty(); }, 5000));
  EXPECT_EQ(Messages(log, "Vaciar Temp"), "Vaciar Temp\t" + expected("/") + "\n");
  EXPECT_EQ(ReadFile(home / "docs" / "thesis.txt"), "years");

  HotKey('x');
  std::string folders;
  ASSERT_TRUE(WaitFor(
      [&] { return !(folders = WindowNamed("^Operaciones con carpetas$")).empty(); }, 5000));
  // "Abrir Carpeta", the home's parent typed into the dialog, then "Vaciar Carpeta".
  Keys(folders, "key Tab space");
  ASSERT_TRUE(WaitFor([] { return !WindowNamed("^Selecciona un Directorio:$").empty(); }, 5000));
  // "type" takes every word after it as text: the Return goes on its own.
  Keys(WindowNamed("^Selecciona un Directorio:$"), "type --delay 20 '" + p.home().string() + "'");
  Shell("xdotool sleep 0.5 key Return");
  ASSERT_TRUE(WaitFor([] { return WindowNamed("^Selecciona un Directorio:$").empty(); }, 5000));
  Keys(folders, "key Tab Tab space");
  ASSERT_TRUE(WaitFor([] { return !WindowNamed("^Error$").empty(); }, 5000));
  EXPECT_EQ(Messages(log, "Error"),
            "Vaciar Temp\t" + expected("/") + "\nError\t" + expected("") + "\n");
  EXPECT_EQ(ReadFile(home / "docs" / "thesis.txt"), "years");
  EXPECT_EQ(ReadFile(home / ".bashrc"), "rc");
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}

// The home shown by a bind mount of a folder on a data volume: emptying the volume's users
// folder, from the cleaner and from the folder window, takes what lies beside the home and
// leaves the home whole, naming it.
TEST_F(E2eDeletionGuard, AHomeBoundFromADataVolumeStaysWholeAndIsNamed) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to mount";
  E2eProgram p;
  const std::filesystem::path users = p.home() / "data" / "users", me = users / "me",
                              home = p.home() / "home" / "me";
  WriteFile(me / "docs" / "thesis.txt", "years");
  std::filesystem::create_directories(home);
  p.BindMount(me, home);
  p.SetEnv("HOME", home.string());
  p.SetEnv("TMPDIR", users.string());
  const std::filesystem::path log = p.folder() / "messages.txt";
  p.SetEnv("WW_MESSAGE_LOG", log.string());
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\n");
  ASSERT_TRUE(p.Start());
  const std::string named = "\tLa carpeta \"" + me.string() +
                            "\" es la carpeta personal del usuario: no se vacía ni se elimina.\n";
  const auto shown = [&](const std::string& title, int times) {
    const std::string line = title + named;
    return WaitFor(
        [&] {
          const std::string text = ReadFile(log);
          int n = 0;
          for (std::size_t at = text.find(line); at != std::string::npos;
               at = text.find(line, at + 1))
            ++n;
          return n == times;
        },
        10000);
  };

  WriteFile(users / "old" / "junk.tmp", "x");
  HotKey('t');
  std::string cleaner;
  ASSERT_TRUE(WaitFor([&] { return !(cleaner = WindowNamed("^TempDir$")).empty(); }, 5000));
  Keys(cleaner, "key Tab space sleep 1 key Tab space");
  ASSERT_TRUE(WaitFor([] { return !WindowNamed("^Vaciar Temp$").empty(); }, 5000));
  Keys(WindowNamed("^Vaciar Temp$"), "key Return");  // the question's "Aceptar"
  ASSERT_TRUE(shown("Vaciar Temp", 1)) << ReadFile(log);
  Keys(WindowNamed("^Vaciar Temp$"), "key Return");
  EXPECT_FALSE(std::filesystem::exists(users / "old"));
  EXPECT_EQ(ReadFile(me / "docs" / "thesis.txt"), "years");

  WriteFile(users / "old" / "junk.tmp", "x");
  HotKey('x');
  std::string folders;
  ASSERT_TRUE(WaitFor(
      [&] { return !(folders = WindowNamed("^Operaciones con carpetas$")).empty(); }, 5000));
  Keys(folders, "key Tab space");
  ASSERT_TRUE(WaitFor([] { return !WindowNamed("^Selecciona un Directorio:$").empty(); }, 5000));
  Keys(WindowNamed("^Selecciona un Directorio:$"), "type --delay 20 '" + users.string() + "'");
  Shell("xdotool sleep 0.5 key Return");
  ASSERT_TRUE(WaitFor([] { return WindowNamed("^Selecciona un Directorio:$").empty(); }, 5000));
  Keys(folders, "key Tab Tab space");
  ASSERT_TRUE(shown("Error", 1)) << ReadFile(log);
  Keys(WindowNamed("^Error$"), "key Return");
  EXPECT_FALSE(std::filesystem::exists(users / "old"));
  EXPECT_EQ(ReadFile(me / "docs" / "thesis.txt"), "years");
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}
