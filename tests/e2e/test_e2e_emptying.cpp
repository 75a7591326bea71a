// The bin's emptying seen from outside: what stays is named once it is over, and an end
// during it still empties on exit and ends.
#include <fstream>
#include <sstream>

#include "support/E2eProgram.h"
#include "support/TrashTestKit.h"

using namespace testsupport;
using E2eEmptying = E2eTest;

namespace {

void PutEntry(const std::filesystem::path& trash, const std::string& name, bool folder) {
  std::filesystem::create_directories(trash / "files");
  std::filesystem::create_directories(trash / "info");
  if (folder)
    std::filesystem::create_directories(trash / "files" / name);
  else
    std::ofstream(trash / "files" / name) << "x";
  std::ofstream(trash / "info" / (name + ".trashinfo"))
      << "[Trash Info]\nPath=/tmp/" << name << "\nDeletionDate=2026-01-01T00:00:00\n";
}

std::string ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

TEST_F(E2eEmptying, WhatStaysIsNamedOnceTheEmptyingIsOver) {
  E2eProgram p;
  const std::filesystem::path log = p.home() / "mensajes.log";
  p.SetEnv("WW_MESSAGE_LOG", log.string());
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\nSin confirm=Verdadero\r\n");
  const std::filesystem::path trash = p.home() / "data" / "Trash";
  PutEntry(trash, "suelto.txt", false);
  PutEntry(trash, "montado", true);
  // A mount inside the trash is never gone through: it stays.
  TmpfsMount mount(trash / "files" / "montado");
  if (!mount.ok()) GTEST_SKIP() << mount.error();
  WriteFile(mount.path() / "dentro.txt", "x");
  ASSERT_TRUE(p.Start());
  const QRegion emptyShape = Silhouette("ImgDefaultEmpty");
  ASSERT_TRUE(WaitFor([&] { return !p.Shape().isEmpty() && p.Shape() != emptyShape; }, 10000));
  HotKey('v');
  ASSERT_TRUE(
      WaitFor([&] { return ReadAll(log).find("No se pudieron") != std::string::npos; }, 10000));
  const std::string shown = ReadAll(log);
  EXPECT_EQ(shown.rfind("WasteWell\tNo se pudieron eliminar de la papelera:", 0), 0u) << shown;
  EXPECT_NE(shown.find("montado"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("suelto.txt"), std::string::npos) << shown;
  EXPECT_FALSE(std::filesystem::exists(trash / "files" / "suelto.txt"));
  EXPECT_TRUE(std::filesystem::exists(mount.path() / "dentro.txt"));
  WaitFor([] { return false; }, 500);  // the box is up
  EXPECT_TRUE(p.OpenMenu()) << "the box holds up the bin";
  Shell("xdotool key Escape sleep 0.3");
  // Nor the end of the program.
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}

TEST_F(E2eEmptying, AnEndDuringAnEmptyingStillEmptiesOnExitAndEnds) {
  E2eProgram p;
  p.WriteOptions(
      "[Settings]\r\nHotkeys=Verdadero\r\nSin confirm=Verdadero\r\nVaciar al salir=Verdadero\r\n");
  // Enough entries that Alt+V's emptying is still running when the end comes.
  const std::filesystem::path trash = p.home() / "data" / "Trash";
  for (int i = 0; i < 20000; ++i) PutEntry(trash, "f" + std::to_string(i), false);
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

// "Vaciar al salir" shows the emptying's progress, so a large trash does not
// look like a program that froze on its way out.
TEST_F(E2eEmptying, SalirWithEmptyOnExitShowsTheProgressAndEmpties) {
  E2eProgram p;
  p.WriteOptions("[Settings]\r\nVaciar al salir=Verdadero\r\n");
  const std::filesystem::path trash = p.home() / "data" / "Trash";
  for (int i = 0; i < 20000; ++i) PutEntry(trash, "f" + std::to_string(i), false);
  ASSERT_TRUE(p.Start());
  const QRegion emptyShape = Silhouette("ImgDefaultEmpty");
  ASSERT_TRUE(WaitFor([&] { return !p.Shape().isEmpty() && p.Shape() != emptyShape; }, 10000));
  ASSERT_TRUE(p.OpenMenu());
  Shell("xdotool key Up sleep 0.2 key Return");  // "Salir"
  EXPECT_TRUE(WaitFor([] { return !WindowNamed("^Vaciar Papelera$").empty(); }, 10000))
      << "no progress window";
  ASSERT_TRUE(WaitFor([&] { return !p.Running(); }, 60000));
  EXPECT_TRUE(std::filesystem::is_empty(trash / "files"));
  EXPECT_TRUE(std::filesystem::is_empty(trash / "info"));
}
