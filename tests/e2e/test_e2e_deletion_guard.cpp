// The cleaner and the folder window driven by keyboard, pointed at the home or what holds it.
#include "support/E2eProgram.h"

using namespace testsupport;
using E2eDeletionGuard = E2eTest;

namespace {

// Alt+T, then the cleaner's "Mostrar" and "Borrar", away from the bin's menu; false: no cleaner.
bool EmptyTemp() {
  HotKey('t');
  const std::string cleaner = AwaitWindow("^TempDir$");
  Shell("xdotool windowmove " + cleaner + " 700 60");
  return !Keys(cleaner, "key Tab space sleep 1 key Tab space").empty();
}

// Alt+X, then "Abrir Carpeta" with the folder typed into its dialog, then "Vaciar Carpeta".
bool EmptyFolder(const std::filesystem::path& folder) {
  HotKey('x');
  const std::string folders = Keys("^Operaciones con carpetas$", "key Tab space");
  // "type" takes every word after it as text: the Return goes on its own.
  if (folders.empty() ||
      Keys("^Selecciona un Directorio:$", "type --delay 20 '" + folder.string() + "'").empty())
    return false;
  Shell("xdotool sleep 0.5 key Return");
  return AwaitGone("^Selecciona un Directorio:$") && !Keys(folders, "key Tab Tab space").empty();
}

}  // namespace

TEST_F(E2eDeletionGuard, TheHomesParentIsRefusedInTheCleanerAndTheFolderWindow) {
  E2eProgram p;
  const std::filesystem::path home = p.home() / "user";
  WriteFile(home / "docs" / "thesis.txt", "years");
  WriteFile(home / ".bashrc", "rc");
  p.SetEnv("HOME", home.string());
  p.SetEnv("TMPDIR", p.home().string());
  const std::filesystem::path log = p.LogMessages();
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\n");
  ASSERT_TRUE(p.Start());
  const auto refusal = [&](const char* tail) {
    return "La carpeta \"" + p.home().string() + tail +
           "\" contiene la carpeta personal del usuario: no se vacía ni se elimina.";
  };

  ASSERT_TRUE(EmptyTemp());
  Keys("^Vaciar Temp$", "key Return");
  ASSERT_TRUE(EmptyFolder(p.home()));
  Keys("^Error$", "key Return");
  EXPECT_EQ(ReadFile(log), "Vaciar Temp\t" + refusal("/") + "\nError\t" + refusal("") + "\n");
  EXPECT_EQ(ReadFile(home / "docs" / "thesis.txt"), "years");
  EXPECT_EQ(ReadFile(home / ".bashrc"), "rc");
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}

// The home shown by a bind mount of a folder on a data volume, whose users folder is emptied.
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
  const std::filesystem::path log = p.LogMessages();
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\n");
  ASSERT_TRUE(p.Start());
  for (const std::string title : {"Vaciar Temp", "Error"}) {
    SCOPED_TRACE(title);
    WriteFile(users / "old" / "junk.tmp", "x");
    if (title == "Error") {
      ASSERT_TRUE(EmptyFolder(users));
    } else {
      ASSERT_TRUE(EmptyTemp());
      Keys("^Vaciar Temp$", "key Return");  // the question
    }
    // The box names the home, once; Return closes it.
    const std::string line = title + "\tLa carpeta \"" + me.string() +
                             "\" es la carpeta personal del usuario: no se vacía ni se elimina.\n";
    const auto once = [&](const std::string& text) {
      return text.find(line) != std::string::npos && text.find(line) == text.rfind(line);
    };
    EXPECT_TRUE(WaitFor([&] { return once(ReadFile(log)); }, 10000)) << ReadFile(log);
    Keys("^" + title + "$", "key Return");
    EXPECT_FALSE(std::filesystem::exists(users / "old"));
    EXPECT_EQ(ReadFile(me / "docs" / "thesis.txt"), "years");
  }
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}

TEST_F(E2eDeletionGuard, WhileTheToolsAskTheBinAnswersAndSalirDeletesNothing) {
  E2eProgram p;
  const std::filesystem::path tmp = p.home() / "tmp", readme = p.home() / "LEEME";
  WriteFile(tmp / "junk", "j");
  WriteFile(readme, "one file");
  p.SetEnv("TMPDIR", tmp.string());
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\n");
  ASSERT_TRUE(p.Start());

  ASSERT_TRUE(EmptyTemp());
  ASSERT_NE(AwaitWindow("^Vaciar Temp$"), "") << "no question";
  EXPECT_TRUE(p.OpenMenu()) << "the bin does not answer while the cleaner asks";
  Shell("xdotool key Escape sleep 0.3");

  HotKey('x');
  const std::string folders = AwaitWindow("^Operaciones con carpetas$");
  Shell("xdotool windowmove " + folders + " 600 420");
  // The fifth button, "Eliminar Archivo"; the file's path typed into its dialog.
  ASSERT_NE(Keys(folders, "key Tab Tab Tab Tab Tab space"), "");
  ASSERT_NE(Keys("^Abrir$", "type --delay 20 '" + readme.string() + "'"), "") << "no file dialog";
  Shell("xdotool sleep 0.5 key Return");
  ASSERT_NE(AwaitWindow("^Info-Respuesta$"), "") << "no question";
  // "Salir": every window closes, the questions among them.
  EXPECT_TRUE(p.Salir()) << "the bin does not answer while the folder window asks";
  EXPECT_TRUE(WaitFor([&] { return !p.Running(); }, 5000)) << "Salir did not end the program";
  EXPECT_EQ(ReadFile(tmp / "junk"), "j");
  EXPECT_EQ(ReadFile(readme), "one file");
}
