#include <gtest/gtest.h>

#include "platform/System.h"
#include "support/TempDir.h"

TEST(System, TempPathFollowsTmpdirAndOneCopyRunsPerExecutableAndUser) {
  for (auto [dir, path] : {std::pair{"/var/tmp", "/var/tmp/"}, {"", "/tmp/"}}) {
    testsupport::ScopedEnv tmp("TMPDIR", dir);
    EXPECT_EQ(platform::TempPath(), path);
  }
  testsupport::TempDir run;
  testsupport::ScopedEnv env("XDG_RUNTIME_DIR", run.path().string());
  // The lock is per open file, so a second try here stands for a second copy of the program.
  EXPECT_TRUE(platform::AcquireSingleInstance("/opt/a/WasteWell"));
  EXPECT_FALSE(platform::AcquireSingleInstance("/opt/a/WasteWell"));
  EXPECT_TRUE(platform::AcquireSingleInstance("/opt/b/WasteWell"));
}
