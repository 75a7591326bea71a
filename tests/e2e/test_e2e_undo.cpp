// A real drag from another program onto the bin, then Alt+Z: the files come back, and trash-cli
// sees the trash empty again. A change of the trash that hangs or is cut short holds up nothing
// and leaves nothing half done.
#include <fcntl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/E2eProgram.h"
#include "support/TrashTestKit.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

// Drags `items` from another program onto the bin; the drag source's pid ("" when none).
std::string DragOnto(const E2eProgram& p, const std::string& source,
                     const std::vector<std::filesystem::path>& items,
                     const std::filesystem::path& said) {
  std::string args, pid;
  for (const auto& item : items) args += " '" + item.string() + "'";
  Shell("'" + source + "'" + args + " >'" + said.string() + "' 2>/dev/null & echo $!", &pid);
  const std::string from = AwaitWindow("ww-drag-source");
  if (from.empty()) return Trimmed(pid);
  Pause(300);
  const QRect g = p.Geometry();
  const auto at = [](int x, int y) {
    return " mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.15";
  };
  const int bx = g.x() + 32, by = g.y() + 32;
  // Press on the source, move out of it in steps, hover over the bin, let go; openbox passes
  // the drop on once the pointer moves after the release.
  Shell("xdotool mousemove --window " + from + " 60 60 sleep 0.2 mousedown 1 sleep 0.2" +
        " mousemove --window " + from + " 75 75 sleep 0.2" + at(800, 500) + at(bx + 40, by + 40) +
        at(bx + 2, by + 2) + at(bx, by) + " sleep 0.4 mouseup 1 sleep 0.3" + at(bx + 3, by + 3));
  return Trimmed(pid);
}

// Ends the drag source however the test ends.
struct EndSource {
  std::string pid;
  ~EndSource() {
    if (!pid.empty()) kill(std::stoi(pid), SIGTERM);
  }
};

// The drop scenarios need the drag source.
struct E2eUndo : E2eTest {
  const char* source = std::getenv("WW_DRAG_SOURCE");
  void SetUp() override {
    E2eTest::SetUp();
    if (!source) GTEST_SKIP() << "no drag source (WW_DRAG_SOURCE)";
  }
};

}  // namespace

// Then Alt+Z during the emptying of a dropped folder: the folder is gone, or back whole.
TEST_F(E2eUndo, ADraggedDropComesBackWithAltZButNeverInPartDuringAnEmptying) {
  E2eProgram p;
  const fs::path log = p.home() / "mensajes.log";
  p.SetEnv("WW_MESSAGE_LOG", log.string());
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\nSin confirm=Verdadero\r\n");
  const fs::path w = fs::canonical(p.home()) / "w", big = w / "grande";
  WriteFile(w / "nota.txt", "nota");
  WriteFile(w / "carpeta" / "dentro.txt", "dentro");
  constexpr int kFiles = 60000;  // seconds of emptying on this kind of disk
  fs::create_directories(big);
  for (int i = 0; i < kFiles; ++i) {
    const int fd = open((big / std::to_string(i)).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "x", 1), 1);
    close(fd);
  }
  ASSERT_TRUE(p.Start());
  {
    const fs::path said = p.home() / "drag.out";
    const EndSource drag{DragOnto(p, source, {w / "nota.txt", w / "carpeta"}, said)};
    EXPECT_TRUE(WaitFor([&] { return !fs::exists(w / "nota.txt"); }, 5000))
        << "the drop did not reach the bin";
    EXPECT_FALSE(fs::exists(w / "carpeta"));
    EXPECT_NE(p.TrashCli("list").find((w / "carpeta").string()), std::string::npos);
    EXPECT_TRUE(WaitFor([&] { return ReadFile(said).find("move") != std::string::npos; }, 3000))
        << "the source was not told the files moved: " << ReadFile(said);
  }
  HotKey('z');
  EXPECT_TRUE(WaitFor([&] { return fs::exists(w / "nota.txt"); }, 5000));
  EXPECT_EQ(ReadFile(w / "nota.txt"), "nota");
  EXPECT_EQ(ReadFile(w / "carpeta" / "dentro.txt"), "dentro");
  EXPECT_TRUE(WaitFor([&] { return p.TrashCli("list").empty(); }, 3000)) << p.TrashCli("list");
  ASSERT_TRUE(AwaitGone("ww-drag-source"));

  const EndSource drag{DragOnto(p, source, {big}, p.home() / "drag.out")};
  ASSERT_TRUE(WaitFor([&] { return !fs::exists(big); }, 10000)) << "the drop did not reach the bin";
  const fs::path inTrash = p.home() / "data" / "Trash" / "files" / "grande";
  ASSERT_TRUE(fs::exists(inTrash));
  HotKey('v');
  ASSERT_TRUE(fs::exists(inTrash)) << "the emptying ended before Alt+Z";
  HotKey('z');
  ASSERT_TRUE(WaitFor([&] { return !fs::exists(inTrash); }, 300000)) << ReadFile(log);
  Pause(500);  // a late undo would show by now
  if (fs::exists(big)) {
    std::size_t n = 0;
    for (auto it = fs::directory_iterator(big); it != fs::directory_iterator(); ++it) ++n;
    EXPECT_EQ(n, static_cast<std::size_t>(kFiles)) << "the folder came back in part";
  }
  EXPECT_NE(ReadFile(log).find("Se está vaciando la papelera"), std::string::npos) << ReadFile(log);
  EXPECT_EQ(p.Stop(SIGTERM), 0);
}

// Alt+Z whose way back crosses a network mount whose server stopped answering: the bin answers
// its hot keys meanwhile, and its end does not wait for the stuck undo.
TEST_F(E2eUndo, AnUndoStuckOnADeadMountHoldsUpNeitherTheBinNorItsEnd) {
  if (getuid() != 0 || !OwnMountNamespace().empty()) GTEST_SKIP() << "no private mounts here";
  E2eProgram p;
  p.WriteOptions("[Settings]\r\nHotkeys=Verdadero\r\n");
  const fs::path net = fs::canonical(p.home()) / "net";
  WriteFile(net / "nota.txt", "nota");
  ASSERT_TRUE(p.Start());
  const EndSource drag{DragOnto(p, source, {net / "nota.txt"}, p.home() / "drag.out")};
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

// A restore copying a large item from the trash's volume to the home's is cut short by the
// restore window's closing, "Salir" or the session's end: within 2 s, the copy gone, the item
// whole in the trash.
using E2eCopyBack = E2eTest;

TEST_F(E2eCopyBack, ACutShortCopyLeavesTheItemInTheTrash) {
  if (getuid() != 0 || !OwnMountNamespace().empty()) GTEST_SKIP() << "no private mounts here";
  const auto copies = [](const fs::path& folder) {
    int n = 0;
    std::error_code ec;
    for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator();
         it.increment(ec))
      n += it->path().filename().string().rfind(".wastewell-", 0) == 0;
    return n;
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
    const std::string restore = AwaitWindow("^Restaurar de la Papelera$");
    ASSERT_NE(restore, "");
    Keys(restore, "key ctrl+f type grande");
    Shell("xdotool sleep 0.5 key Down sleep 0.3 key Return");
    ASSERT_TRUE(WaitFor([&] { return copies(home) == 1; }, 5000)) << "no copy began";
    if (end == kWindowClosed) Shell("xdotool key Escape");
    if (end == kSalir) p.Salir();
    if (end == kSigTerm) kill(p.Pid(), SIGTERM);
    EXPECT_TRUE(WaitFor(
        [&] { return end == kWindowClosed ? copies(home) == 0 && p.Running() : !p.Running(); },
        2000));
    EXPECT_EQ(p.Stop(SIGTERM), 0);
    EXPECT_EQ(copies(home) + copies(data / "WasteWell" / "copies"), 0);
    EXPECT_FALSE(fs::exists(home / "grande"));
    EXPECT_EQ(fs::file_size(item), size);
    EXPECT_TRUE(fs::exists(data / "Trash" / "info" / "grande.trashinfo"));
  }
}
