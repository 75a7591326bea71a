#pragma once
// Runs the built program under the test X server and looks at its windows.
#include <gtest/gtest.h>
#include <sys/types.h>

#include <QImage>
#include <QRegion>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace testsupport {

// The outline a skin picture gives the window: its pixels that are not transparent.
QRegion Silhouette(const char* picture);

// True when an X server is there to test against.
bool HaveDisplay();

// Scenarios that need the test X server. Where the test script started one
// (WW_REQUIRE_DISPLAY set) a missing display fails them; elsewhere they skip.
bool DisplayRequired();
class E2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (HaveDisplay()) return;
    if (DisplayRequired())
      GTEST_FAIL() << "no X server (DISPLAY), though the test script wants one";
    GTEST_SKIP() << "no X server (DISPLAY)";
  }
};

// Runs a shell command with the program's environment; returns its exit code
// and, when out is given, its standard output.
int Shell(const std::string& command, std::string* out = nullptr);

class E2eProgram {
 public:
  E2eProgram();
  ~E2eProgram();

  const std::filesystem::path& folder() const { return folder_.path(); }
  const std::filesystem::path& home() const { return home_.path(); }
  std::filesystem::path trashFiles() const { return home_.path() / "data/Trash/files"; }
  // Environment the program and the helper commands see.
  void SetEnv(const std::string& name, const std::string& value) { env_[name] = value; }
  std::string EnvPrefix() const;  // "VAR=value ..." for a shell command

  // Options.ini in Windows-1252, written before the start.
  void WriteOptions(const std::string& utf8Text);
  std::string Option(const std::string& section, const std::string& key) const;

  // Starts the program; false when it did not show its window in time.
  bool Start();
  // Starts a copy and waits for it to end; its exit code, or -1 if it ran on.
  int RunSecondCopy(int waitMs);
  // Sends a signal and waits for the end; the exit code, or -1 on time-out.
  int Stop(int signal, int waitMs = 10000);
  bool Running();
  pid_t pid() const { return pid_; }
  unsigned long window() const { return window_; }

  // The window's place on the screen, and the bounding shape in its own
  // coordinates.
  QRect Geometry() const;
  QRegion Shape() const;
  // The bin window is mapped and visible on the current workspace.
  bool Viewable() const;
  // _NET_WM_DESKTOP: 0xFFFFFFFF on every workspace, -1 when unset.
  long Desktop() const;
  // The _NET_WM_STATE atoms' names.
  std::vector<std::string> NetWmState() const;
  // What the screen shows at the window's picture (64x64 at its top-left).
  QImage Picture() const;
  // Mapped managed windows of the program other than the bin window.
  std::vector<unsigned long> OtherWindows() const;
  // Mapped override-redirect windows on the screen (menus).
  std::vector<unsigned long> PopupWindows() const;

  // Waits until two looks a poll apart see the same geometry; false on time-out.
  bool WaitForStillGeometry(int ms) const;

  // Waits until pred holds, polling; false on time-out.
  template <typename Pred>
  static bool WaitFor(Pred pred, int ms) {
    for (int waited = 0; waited <= ms; waited += 50) {
      if (pred()) return true;
      Sleep(50);
    }
    return false;
  }
  static void Sleep(int ms);

 private:
  unsigned long FindWindow() const;
  pid_t Spawn() const;

  TempDir folder_;
  TempDir home_;
  std::map<std::string, std::string> env_;
  pid_t pid_ = -1;
  unsigned long window_ = 0;
  int exitCode_ = -1;
};

}  // namespace testsupport
