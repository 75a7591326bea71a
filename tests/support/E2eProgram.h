#pragma once
// Runs the built program under the test X server and looks at its windows.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QRegion>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace testsupport {

// The outline a skin picture gives the window: its pixels that are not transparent.
QRegion Silhouette(const char* picture);

bool HaveDisplay();

// The satellite picture the loopback servers answer with: plain orange, as no
// satellite ever took, so that its pixels are found on the screen.
inline QByteArray OrangeSatelliteJpeg() {
  QImage picture(855, 520, QImage::Format_RGB32);
  picture.fill(QColor(255, 128, 0));
  QByteArray bytes;
  QBuffer out(&bytes);
  out.open(QIODevice::WriteOnly);
  picture.save(&out, "JPG", 95);
  return bytes;
}

// Where the test script started an X server (WW_REQUIRE_DISPLAY) a missing
// one fails the scenario; elsewhere it skips.
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
// Alt+key, held long enough for the program's poll of the keyboard.
void HotKey(char key);
// Focuses the window and presses keys in it (xdotool's words).
void Keys(const std::string& window, const std::string& keys);
// The one application object of an e2e test: it runs the local servers' event loop and opens
// no display connection of Qt's own.
void CoreApp();
// The first visible window whose title matches the regular expression; "" when none.
std::string WindowNamed(const std::string& title);
// How many of a window's pixels (every fourth each way) pass pred; -1 when no picture.
int CountPixels(const std::string& window, const std::filesystem::path& shot, bool (*pred)(QRgb));
// A window's picture, saved in shot; null when none.
QImage Shot(const std::string& window, const std::filesystem::path& shot);
// The satellite picture's orange.
inline bool Orange(QRgb c) {
  return qRed(c) > 235 && qGreen(c) > 108 && qGreen(c) < 148 && qBlue(c) < 30;
}
// Lets ms pass; the local servers answer meanwhile where there is an application object.
void Pause(int ms);

template <typename Pred>
bool WaitFor(Pred pred, int ms) {
  for (int waited = 0; waited <= ms; waited += 50, Pause(50))
    if (pred()) return true;
  return false;
}
// The window once it shows within ms; "" when none did.
std::string AwaitWindow(const std::string& title, int ms = 5000);
bool AwaitGone(const std::string& title, int ms = 5000);

class E2eProgram {
 public:
  E2eProgram();
  ~E2eProgram();

  const std::filesystem::path& folder() const { return folder_.path(); }
  const std::filesystem::path& home() const { return home_.path(); }
  void SetEnv(const std::string& name, const std::string& value) { env_[name] = value; }
  // Left out of the program's environment (not of the helper commands').
  void UnsetEnv(const std::string& name) { env_.erase(name), unset_.push_back(name); }
  std::string EnvPrefix() const;  // "VAR='value' ..." for a helper command
  // Another executable than $WW_EXE, started without --program-folder.
  void SetInstalled(const std::filesystem::path& executable) { installed_ = executable; }
  // Runs the program in a mount namespace of its own (root only) with `source` bound on
  // `target`; the mount ends with the program.
  void BindMount(const std::filesystem::path& source, const std::filesystem::path& target) {
    binds_.emplace_back(source, target);
  }
  // Runs the program as this user, who then owns the test's home and folder.
  void RunAs(uid_t uid, gid_t gid);
  // Options.ini in Windows-1252.
  void WriteOptions(const std::string& utf8Text);
  std::string Option(const std::string& section, const std::string& key) const;

  // False when the program did not show its window in time.
  bool Start();
  // Sends a signal and waits for the end: the exit code, or -1 on time-out.
  int Stop(int signal, int waitMs = 10000);
  bool Running();
  unsigned long window() const { return window_; }
  pid_t Pid() const { return pid_; }

  QRect Geometry(unsigned long other = 0) const;  // on the screen; of the bin unless other
  unsigned long WindowWithRole(const std::string& role) const;  // 0 when none is visible
  QRegion Shape() const;  // the bounding shape, in the window's coordinates
  bool Viewable() const;
  std::string Xprop(const char* property) const;  // as xprop(1) shows it
  QImage Picture() const;  // what the screen shows at the window's top-left 64x64
  // The program's visible windows, one a line: the id, then what the command
  // shows of the window $w, e.g. "xprop -id $w WM_NAME".
  std::string Windows(const std::string& look) const;
  // Right-clicks the bin; false when no menu showed.
  bool OpenMenu() const;
  bool MenuShown() const;
  // Opens the menu and types keys in it (xdotool's words); false when no menu showed.
  bool Menu(const std::string& keys) const;
  bool Salir() const { return Menu("Up sleep 0.2 key Return"); }  // the last item
  void Hover() const;  // the pointer over the bin, which shows its pop-up
  // Waits for a poll to show the bin full.
  bool ShowsFull(int ms = 10000) const;
  // trash-cli's command "trash-" + args, with the program's trash; its output.
  std::string TrashCli(const std::string& args, int* status = nullptr) const;
  // A new file of this name in the home, put in the trash by trash-put; false on failure.
  bool TrashPut(const std::string& name);
  // A stand-in for the desktop's opener: the file where it notes what it was asked to open.
  std::filesystem::path NoteOpens();

 private:
  pid_t Spawn() const;

  TempDir folder_;
  TempDir home_;
  std::map<std::string, std::string> env_;
  std::vector<std::string> unset_;
  std::vector<std::pair<std::filesystem::path, std::filesystem::path>> binds_;
  std::filesystem::path installed_;
  uid_t uid_ = 0, gid_ = 0;
  pid_t pid_ = -1;
  unsigned long window_ = 0;
  int exitCode_ = -1;
};

}  // namespace testsupport
