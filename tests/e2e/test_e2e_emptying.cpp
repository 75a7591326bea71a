// The end of the program during an emptying: the trash is emptied and the process ends.
#include <fstream>

#include "support/E2eProgram.h"

using namespace testsupport;
using E2eEmptying = E2eTest;

TEST_F(E2eEmptying, AnEndDuringAnEmptyingStillEmptiesOnExitAndEnds) {
  E2eProgram p;
  p.WriteOptions(
      "[Settings]\r\nHotkeys=Verdadero\r\nSin confirm=Verdadero\r\nVaciar al salir=Verdadero\r\n");
  // Enough entries that Alt+V's emptying is still running when the end comes.
  const std::filesystem::path trash = p.home() / "data" / "Trash";
  std::filesystem::create_directories(trash / "files");
  std::filesystem::create_directories(trash / "info");
  for (int i = 0; i < 20000; ++i) {
    const std::string name = "f" + std::to_string(i);
    std::ofstream(trash / "files" / name) << "x";
    std::ofstream(trash / "info" / (name + ".trashinfo"))
        << "[Trash Info]\nPath=" << (p.home() / name).string()
        << "\nDeletionDate=2026-01-01T00:00:00\n";
  }
  const auto trashList = [&] {
    std::string out;
    Shell(p.EnvPrefix() + "trash-list 2>/dev/null", &out);
    return out;
  };
  ASSERT_TRUE(p.Start());
  const QRegion emptyShape = Silhouette("ImgDefaultEmpty");
  ASSERT_TRUE(WaitFor([&] { return !p.Shape().isEmpty() && p.Shape() != emptyShape; }, 10000));
  HotKey('v');
  EXPECT_EQ(p.Stop(SIGTERM, 30000), 0) << "the program did not end";
  EXPECT_TRUE(trashList().empty()) << "trash-list still lists entries";
  EXPECT_TRUE(std::filesystem::is_empty(trash / "files"));
  EXPECT_EQ(p.Option("Imagenes", "Imagen").rfind("ShapedForm", 0), 0u);
}
