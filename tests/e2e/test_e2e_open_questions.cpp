// The utilities' questions hold their own window only: while the cleaner's and the folder
// window's questions are up the bin's menu opens, and "Salir" then ends the program without
// either question being taken for a yes.
#include <QElapsedTimer>

#include "support/E2eProgram.h"

using namespace testsupport;
using E2eOpenQuestions = E2eTest;

namespace {

std::string Opened(const std::string& title, int ms = 5000) {
  std::string id;
  WaitFor([&] { return !(id = WindowNamed("^" + title + "$")).empty(); }, ms);
  return id;
}

}  // namespace

TEST_F(E2eOpenQuestions, WhileTheirQuestionsAreUpTheBinAnswersAndSalirDeletesNothing) {
  E2eProgram p;
  const std::filesystem::path tmp = p.home() / "tmp", readme = p.home() / "LEEME";
  WriteFile(tmp / "junk", "j");
  WriteFile(readme, "one file");
  p.SetEnv("TMPDIR", tmp.string());
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\n");
  ASSERT_TRUE(p.Start());

  HotKey('t');
  const std::string cleaner = Opened("TempDir");
  ASSERT_FALSE(cleaner.empty());
  // Away from the bin, so that its menu can be reached.
  Shell("xdotool windowmove " + cleaner + " 700 60");
  // The list has the focus: Tab, "Mostrar"; then Tab, "Borrar".
  Keys(cleaner, "key Tab space sleep 1 key Tab space");
  ASSERT_FALSE(Opened("Vaciar Temp").empty()) << "no question";
  EXPECT_TRUE(p.OpenMenu()) << "the bin does not answer while the cleaner asks";
  Shell("xdotool key Escape sleep 0.3");

  HotKey('x');
  const std::string folders = Opened("Operaciones con carpetas");
  ASSERT_FALSE(folders.empty());
  Shell("xdotool windowmove " + folders + " 600 420");
  // The fifth button, "Eliminar Archivo"; the file's path typed into its dialog.
  Keys(folders, "key Tab Tab Tab Tab Tab space");
  const std::string dialog = Opened("Abrir");
  ASSERT_FALSE(dialog.empty()) << "no file dialog";
  Keys(dialog, "type --delay 20 '" + readme.string() + "'");
  Shell("xdotool sleep 0.5 key Return");
  ASSERT_FALSE(Opened("Info-Respuesta").empty()) << "no question";
  EXPECT_TRUE(p.OpenMenu()) << "the bin does not answer while the folder window asks";

  // "Salir", the menu's last item: every window closes, the questions among them.
  Shell("xdotool key Up sleep 0.2 key Return");
  EXPECT_TRUE(WaitFor([&] { return !p.Running(); }, 5000)) << "Salir did not end the program";
  EXPECT_EQ(ReadFile(tmp / "junk"), "j");
  EXPECT_EQ(ReadFile(readme), "one file");
}
