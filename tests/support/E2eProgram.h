#pragma once
// Runs the built program under the test X server and looks at its windows.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QImage>
#include <QRegion>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/TempDir.h"

namespace testsupport {

// The outline a skin picture gives the window: its pixels that are not transparent.
QRegion Silhouette(const char* picture);

bool HaveDisplay();

// Where the test script started an X server (WW_REQUIRE_DISPLAY) a missing one fails.
class E2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* required = std::getenv("WW_REQUIRE_DISPLAY");
    if (!HaveDisplay() && required && *required)
      GTEST_FAIL() << "no X server, though the test script wants one";
    if (!HaveDisplay()) GTEST_SKIP() << "no X server (DISPLAY)";
  }
};

// Runs a shell command; its exit code and, when out is given, its standard output.
int Shell(const std::string& command, std::string* out = nullptr);
std::string Trimmed(std::string s);  // without trailing blanks and line ends
// Alt+key, the key held `hold` seconds (long enough for the program's poll of the keyboard).
void HotKey(char key, const char* hold = "0.6");
// Focuses the window (its id, or the first whose title matches within ms) and presses keys in
// it (xdotool's words); the window, "" when none showed.
std::string Keys(const std::string& window, const std::string& keys, int ms = 5000);
// The application object for the local servers' event loop; no display connection of Qt's.
void CoreApp();
QRect Geometry(unsigned long window);  // on the screen
// What the screen shows of a window ("root": all of it); null when none.
QImage Shot(const std::string& window);
// How many pixels of img (within area, when given) pass pred.
int Count(const QImage& img, bool (*pred)(QRgb), QRect area = QRect());
// Lets ms pass; the local servers answer meanwhile where there is an application object.
void Pause(int ms);

template <typename Pred>
bool WaitFor(Pred pred, int ms) {
  for (int waited = 0; waited <= ms; waited += 50, Pause(50))
    if (pred()) return true;
  return false;
}
// value = look() once two looks a poll apart agree; false when they did not within ms.
template <typename T, typename Look>
bool Settled(T& value, Look look, int ms = 3000) {
  value = look();
  return WaitFor([&] { return std::exchange(value, look()) == value; }, ms);
}
// The first visible window whose title matches (a regular expression) within ms, or "".
std::string AwaitWindow(const std::string& title, int ms = 5000);
bool AwaitGone(const std::string& title, int ms = 5000);

class E2eProgram {
 public:
  E2eProgram();
  ~E2eProgram();

  const std::filesystem::path& folder() const { return folder_.path(); }
  const std::filesystem::path& home() const { return home_.path(); }
  std::filesystem::path trash() const { return home() / "data" / "Trash"; }
  void SetEnv(const std::string& name, const std::string& value) { env_[name] = value; }
  std::string EnvPrefix() const;  // "VAR='value' ..." for a helper command
  // Where the message boxes' stand-in notes each box: "title<TAB>text" a line.
  std::filesystem::path LogMessages();
  // A helper command in the background with the program's environment; ended with the program.
  pid_t Background(const std::string& command, const std::string& out = "/dev/null");
  // A session bus of its own, for the program and the helper commands.
  bool OwnSessionBus();
  // Waits until `call` ("DEST PATH METHOD") is answered on the program's session bus.
  bool AwaitBus(const std::string& call) const;
  // Another executable than $WW_EXE, started without --program-folder.
  void SetInstalled(const std::filesystem::path& executable) { installed_ = executable; }
  // Runs the program in a mount namespace of its own (root only) with `source` on `target`.
  void BindMount(const std::filesystem::path& source, const std::filesystem::path& target) {
    binds_.emplace_back(source, target);
  }
  // Runs the program as this user, who then owns the test's home and folder.
  void RunAs(uid_t uid, gid_t gid);
  void WriteOptions(const std::string& utf8Text);  // Options.ini, in Windows-1252
  std::string Option(const std::string& section, const std::string& key) const;

  bool Start();  // false when the program did not show its window in time
  int Stop(int signal, int waitMs = 10000);  // the exit code, or -1 on time-out
  bool Running();
  unsigned long window() const { return window_; }
  pid_t Pid() const { return pid_; }

  QRect Geometry() const { return testsupport::Geometry(window_); }
  unsigned long WindowWithRole(const std::string& role) const;  // 0 when none is visible
  QRegion Shape() const;  // the bounding shape, in the window's coordinates
  QImage Picture() const { return Shot(std::to_string(window_)); }
  std::string Windows(const std::string& look) const;  // each visible window $w: "$w look"
  // The pointer to (dx, dy) from the bin's top-left (or from's): xdotool's words.
  std::string PointAt(int dx, int dy, QRect from = QRect()) const;
  bool OpenMenu() const;  // a right-click on the bin; false when no menu showed
  bool MenuShown() const;
  // Opens the menu and types keys in it (xdotool's words); false when no menu showed.
  bool Menu(const std::string& keys) const;
  bool Salir() const { return Menu("Up sleep 0.2 key Return"); }  // the last item
  void Hover() const;                    // the pointer over the bin, which shows its pop-up
  bool ShowsFull(int ms = 10000) const;  // once a poll shows the bin full
  std::string TrashCli(const std::string& args) const;  // the output of "trash-" + args
  // A new file of this name in the home, put in the trash by trash-put; false on failure.
  bool TrashPut(const std::string& name);
  // A stand-in for the desktop's opener: the file where it notes what it was asked to open.
  std::filesystem::path NoteOpens();

 private:
  TempDir folder_;
  TempDir home_;
  std::map<std::string, std::string> env_;
  std::vector<std::pair<std::filesystem::path, std::filesystem::path>> binds_;
  std::vector<pid_t> background_;
  std::filesystem::path installed_;
  uid_t uid_ = 0, gid_ = 0;
  pid_t pid_ = -1;
  unsigned long window_ = 0;
  int exitCode_ = -1;
};

}  // namespace testsupport
