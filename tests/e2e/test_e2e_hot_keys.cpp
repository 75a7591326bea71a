// The hot keys typed in another program's window, and what they open.
#include "support/E2eProgram.h"

using namespace testsupport;
using E2eHotKeys = E2eTest;

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
  ASSERT_NE(id, "");
  const auto sheet = [](QRgb c) { return c == qRgb(247, 247, 255); };
  EXPECT_TRUE(WaitFor([&] { return Count(Shot(id), sheet) > 8000; }, 30000));
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}
