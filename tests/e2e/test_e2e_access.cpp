// The program as a screen reader sees it, over a real a11y bus, and driven by keys alone.
#include "support/E2eProgram.h"

using namespace testsupport;
using E2eAccess = E2eTest;
using E2eHotKeys = E2eTest;

namespace {

// What the screen reader's side finds: the probe's output, or "exit N" when it failed.
std::string Probe(const E2eProgram& p, const std::string& what) {
  std::string out;
  const int rc = Shell(p.EnvPrefix() + "/usr/bin/python3 '" + std::getenv("WW_SOURCE_DIR") +
                           "/tests/e2e/atspi_probe.py' " + std::to_string(p.Pid()) + " " + what,
                       &out);
  return rc == 0 ? Trimmed(out) : "exit " + std::to_string(rc) + ": " + out;
}

::testing::AssertionResult Finds(const E2eProgram& p, const std::string& what,
                                 const std::vector<const char*>& says) {
  std::string now;
  const auto all = [&] {
    now = Probe(p, what);
    for (const char* s : says)
      if (now.find(s) == std::string::npos) return false;
    return true;
  };
  return WaitFor(all, 30000) ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << now;
}

}  // namespace

TEST_F(E2eAccess, TheBinTellsWhatTheTrashHoldsTheKeysAloneDriveItAndEveryControlHasAName) {
  E2eProgram p;
  ASSERT_TRUE(p.OwnSessionBus());
  p.Background("/usr/libexec/at-spi-bus-launcher --launch-immediately");
  ASSERT_TRUE(p.AwaitBus("org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress"));
  p.SetEnv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\n");
  std::filesystem::copy_file(std::string(std::getenv("WW_SOURCE_DIR")) + "/assets/rae.htm",
                             p.folder() / "rae.htm");
  ASSERT_TRUE(p.TrashPut("uno.txt"));
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(Finds(p, "bin", {"1 objeto "}));
  ASSERT_TRUE(p.TrashPut("dos.txt"));
  EXPECT_TRUE(Finds(p, "bin", {"2 objetos"}));

  const std::string binWindow = std::to_string(p.window());
  Keys(binWindow, "key shift+F10");
  ASSERT_TRUE(WaitFor([&] { return p.MenuShown(); }, 3000));
  // Utilidades, then its last item.
  Shell("xdotool key Down Down Down Right sleep 0.3 key Up sleep 0.2 key Return");
  ASSERT_NE(Keys("^Restaurar de la Papelera$", "key ctrl+f type dos"), "");
  Shell("xdotool sleep 0.5 key Down sleep 0.3 key Return");
  EXPECT_TRUE(WaitFor([&] { return std::filesystem::exists(p.home() / "dos.txt"); }, 5000));
  Shell("xdotool key Escape");
  EXPECT_TRUE(AwaitGone("^Restaurar de la Papelera$"));
  // Enter on the bin asks, as a double-click does; Esc answers no.
  Keys(binWindow, "key Return");
  EXPECT_NE(AwaitWindow("^Vaciar Papelera$"), "");
  Shell("xdotool key Escape");
  EXPECT_TRUE(AwaitGone("^Vaciar Papelera$"));

  // The pop-up, and every tool window but the web ones (the dictionary reaches no server).
  p.Hover();
  ASSERT_TRUE(p.Menu("Down Down Down Down Right sleep 0.3 key Up sleep 0.2 key Return"));
  for (const char key : {'r', 't', 'x', 'd'}) HotKey(key);
  ASSERT_TRUE(Finds(p, "windows",
                    {"Restaurar de la Papelera", "TempDir", "Operaciones con carpetas",
                     "Dicionario de la RAE", "Vaciado automático", "Papelera"}));
  EXPECT_EQ(Probe(p, "unnamed"), "");

  // Alt+T in the restore window's search box opens the cleaner, and types nothing.
  Keys("^TempDir$", "key Escape");
  ASSERT_TRUE(AwaitGone("^TempDir$"));
  ASSERT_NE(Keys("^Restaurar de la Papelera$", "key ctrl+f type ab", 0), "");
  HotKey('t');
  EXPECT_NE(AwaitWindow("^TempDir$"), "");
  EXPECT_EQ(Probe(p, "text Buscar"), "ab");
  EXPECT_EQ(p.Stop(SIGTERM), 0);
  EXPECT_EQ(Trimmed(p.TrashCli("list | wc -l")), "1");
}

// After a long rest of the keyboard, the letter down less than the 100 ms between two polls.
// The dictionary's sheet (#f7f7ff) shows on the window's own background (#c0c0ff).
TEST_F(E2eHotKeys, QuickCombinationsInAnotherWindowOpenTheirToolsAltSCapturesAltDLooksUp) {
  E2eProgram p;
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\n");
  std::filesystem::copy_file(std::string(std::getenv("WW_SOURCE_DIR")) + "/assets/rae.htm",
                             p.folder() / "rae.htm");
  const std::filesystem::path opened = p.NoteOpens();
  ASSERT_TRUE(p.Start());
  p.Background("xmessage -title 'Otra ventana' 'Otra ventana'");
  ASSERT_NE(Keys("^Otra ventana$", ""), "");  // the focus
  Pause(1500);                                // the keyboard rests

  HotKey('x', "0.04");
  EXPECT_NE(AwaitWindow("^Operaciones con carpetas$", 3000), "");

  HotKey('s');
  // The picture is written through to the disk first, which on a busy machine takes its time.
  ASSERT_NE(Keys("^Imagen guardada!$", "key Return", 60000), "") << "no box after Alt+S";
  EXPECT_EQ(ReadFile(p.folder() / "mysnap.jpg").substr(0, 3), "\xFF\xD8\xFF");
  EXPECT_TRUE(
      WaitFor([&] { return ReadFile(opened).find("mysnap.jpg") != std::string::npos; }, 5000));
  HotKey('d');
  const std::string id = AwaitWindow("Dicionario de la RAE", 20000);
  const auto sheet = [](QRgb c) { return c == qRgb(247, 247, 255); };
  EXPECT_TRUE(WaitFor([&] { return Count(Shot(id), sheet) > 8000; }, 30000)) << "window " << id;
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}
