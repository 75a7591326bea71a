// Drops from another program undone, and changes of the trash that hang or are cut short.
#include "support/E2eProgram.h"
#include "support/TrashTestKit.h"

using namespace testsupport;
namespace fs = std::filesystem;
using E2eUndo = E2eTest;

namespace {

// Drags `items` from another program onto the bin, what it was told into `said`; its pid.
pid_t DragOnto(E2eProgram& p, const std::vector<fs::path>& items, const fs::path& said) {
  std::string args;
  for (const auto& item : items) args += " '" + item.string() + "'";
  const pid_t pid = p.Background(std::getenv("WW_DRAG_SOURCE") + args, said.string());
  const std::string from = AwaitWindow("ww-drag-source");
  if (from.empty()) return pid;
  Pause(300);
  const auto at = [&](int dx, int dy) { return p.PointAt(32 + dx, 32 + dy) + " sleep 0.15"; };
  // Press on the source, move out of it in steps, hover over the bin, let go; openbox passes
  // the drop on once the pointer moves after the release.
  Shell("xdotool mousemove --window " + from + " 60 60 sleep 0.2 mousedown 1 sleep 0.2" +
        " mousemove --window " + from + " 75 75 sleep 0.2 mousemove 800 500 sleep 0.15" +
        at(40, 40) + at(2, 2) + at(0, 0) + " sleep 0.4 mouseup 1 sleep 0.3" + at(3, 3));
  return pid;
}

}  // namespace

// A drag from another program reaches the bin; Alt+Z during the emptying of a dropped folder:
// the folder is gone, or back whole.
TEST_F(E2eUndo, ADraggedDropReachesTheBinAndAltZNeverBringsItBackInPartDuringAnEmptying) {
  E2eProgram p;
  const fs::path log = p.LogMessages();
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\nSin confirm=Verdadero\r\n");
  const fs::path w = fs::canonical(p.home()) / "w", big = w / "grande";
  WriteFile(w / "nota.txt", "nota");
  WriteFile(w / "carpeta" / "dentro.txt", "dentro");
  constexpr int kFiles = 60000;  // seconds of emptying on this kind of disk
  ASSERT_EQ(Shell("mkdir '" + big.string() + "' && cd '" + big.string() + "' && for i in $(seq " +
                  std::to_string(kFiles) + "); do printf x >$i; done"),
            0);
  ASSERT_TRUE(p.Start());
  const fs::path said = p.home() / "drag.out";
  const pid_t source = DragOnto(p, {w / "nota.txt", w / "carpeta"}, said);
  EXPECT_TRUE(WaitFor([&] { return !fs::exists(w / "nota.txt"); }, 5000))
      << "the drop did not reach the bin";
  EXPECT_FALSE(fs::exists(w / "carpeta"));
  EXPECT_NE(p.TrashCli("list").find((w / "carpeta").string()), std::string::npos);
  EXPECT_TRUE(WaitFor([&] { return ReadFile(said) == "move\n"; }, 3000))
      << "the source was not told the files moved: " << ReadFile(said);
  kill(source, SIGTERM);
  ASSERT_TRUE(AwaitGone("ww-drag-source"));

  DragOnto(p, {big}, "/dev/null");
  ASSERT_TRUE(WaitFor([&] { return !fs::exists(big); }, 10000)) << "the drop did not reach the bin";
  const fs::path inTrash = p.trash() / "files" / "grande";
  HotKey('v');
  ASSERT_TRUE(fs::exists(inTrash)) << "the emptying ended before Alt+Z";
  HotKey('z');
  ASSERT_TRUE(WaitFor([&] { return !fs::exists(inTrash); }, 300000)) << ReadFile(log);
  Pause(500);  // a late undo would show by now
  EXPECT_TRUE(!fs::exists(big) ||
              std::distance(fs::directory_iterator(big), fs::directory_iterator()) == kFiles)
      << "the folder came back in part";
  EXPECT_NE(ReadFile(log).find("Se está vaciando la papelera"), std::string::npos) << ReadFile(log);
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}

// The way back crosses a network mount whose server stopped answering.
TEST_F(E2eUndo, AnUndoStuckOnADeadMountHoldsUpNeitherTheBinNorItsEnd) {
  if (getuid() != 0 || !OwnMountNamespace().empty()) GTEST_SKIP() << "no private mounts here";
  E2eProgram p;
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\n");
  const fs::path net = fs::canonical(p.home()) / "net";
  WriteFile(net / "nota.txt", "nota");
  ASSERT_TRUE(p.Start());
  DragOnto(p, {net / "nota.txt"}, "/dev/null");
  ASSERT_TRUE(WaitFor([&] { return !fs::exists(net / "nota.txt"); }, 5000)) << "no drop";
  // Its folder is now a network mount, seen by the bin while it answers; then it dies.
  FuseMount dead(net);
  if (!dead.ok()) GTEST_SKIP() << "no FUSE here";
  Pause(1500);
  dead.Stop();
  HotKey('z');
  const std::string onMount =
      "cat /proc/" + std::to_string(p.Pid()) + "/task/*/stack 2>/dev/null | grep -c fuse_";
  EXPECT_TRUE(WaitFor([&] { return Shell(onMount) == 0; }, 3000)) << "the undo never went there";
  HotKey('t');
  EXPECT_NE(AwaitWindow("^TempDir$", 1000), "") << "the bin hangs";
  EXPECT_EQ(p.Stop(SIGTERM, 2000), 0) << "its end waits for the undo";
}

// A restore copying from the trash's volume to the home's: the copy gone within 2 s.
using E2eCopyBack = E2eTest;

TEST_F(E2eCopyBack, ACutShortCopyLeavesTheItemInTheTrash) {
  if (getuid() != 0 || !OwnMountNamespace().empty()) GTEST_SKIP() << "no private mounts here";
  const auto copying = [](const fs::path& folder) {  // a copy of ours is in it
    return Shell("ls -A '" + folder.string() + "' 2>/dev/null | grep -q '^\\.wastewell-'") == 0;
  };
  enum End { kWindowClosed, kSalir, kSigTerm };
  for (const End end : {kWindowClosed, kSalir, kSigTerm}) {
    SCOPED_TRACE(end);
    E2eProgram p;
    p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\n");
    const fs::path home = fs::canonical(p.home()), data = home / "data";
    const TmpfsMount volume(data);
    ASSERT_TRUE(volume.ok()) << volume.error();
    const fs::path item = data / "Trash" / "files" / "grande";
    const std::uintmax_t size = std::uintmax_t{2} << 30;
    fs::create_directories(item.parent_path());
    ASSERT_EQ(Shell("fallocate -l " + std::to_string(size) + " '" + item.string() + "'"), 0);
    WriteFile(data / "Trash" / "info" / "grande.trashinfo",
              "[Trash Info]\nPath=" + (home / "grande").string() +
                  "\nDeletionDate=2024-05-01T10:00:00\n");
    ASSERT_TRUE(p.Start());
    HotKey('r');
    ASSERT_NE(Keys("^Restaurar de la Papelera$", "key ctrl+f type grande"), "");
    Shell("xdotool sleep 0.5 key Down sleep 0.3 key Return");
    ASSERT_TRUE(WaitFor([&] { return copying(home); }, 5000)) << "no copy began";
    if (end == kWindowClosed) Shell("xdotool key Escape");
    ASSERT_TRUE(end != kSalir || p.Salir()) << "no menu";
    if (end == kSigTerm) kill(p.Pid(), SIGTERM);
    EXPECT_TRUE(WaitFor(
        [&] { return end == kWindowClosed ? !copying(home) && p.Running() : !p.Running(); }, 2000));
    EXPECT_EQ(p.Stop(SIGTERM), 0);
    EXPECT_FALSE(copying(home) || copying(data / "WasteWell" / "copies"));
    EXPECT_FALSE(fs::exists(home / "grande"));
    EXPECT_EQ(fs::file_size(item), size);
    EXPECT_TRUE(fs::exists(data / "Trash" / "info" / "grande.trashinfo"));
  }
}
