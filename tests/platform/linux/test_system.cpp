#include <gtest/gtest.h>

#include "platform/System.h"
#include "support/TempDir.h"

TEST(System, VersionTextFromTheKernelRelease) {
  EXPECT_EQ(platform::VersionTextFromRelease("6.1.0-18-amd64"), "610");
  EXPECT_EQ(platform::VersionTextFromRelease("6.18.44"), "61844");
  EXPECT_EQ(platform::VersionTextFromRelease("5.10"), "5100");
  EXPECT_EQ(platform::VersionTextFromRelease("6.1-rc3"), "610");
  EXPECT_EQ(platform::VersionTextFromRelease(""), "000");
  EXPECT_EQ(platform::VersionTextFromRelease("99999999999999999999.1.2"), "9999999999999999999912");
}

TEST(System, TempPathEndsInASeparator) {
  testsupport::ScopedEnv tmp("TMPDIR", "/var/tmp");
  EXPECT_EQ(platform::TempPath(), "/var/tmp/");
  testsupport::ScopedEnv none("TMPDIR", "");
  EXPECT_EQ(platform::TempPath(), "/tmp/");
}

TEST(System, OneCopyPerExecutableAndUser) {
  testsupport::TempDir run;
  testsupport::ScopedEnv env("XDG_RUNTIME_DIR", run.path().string());
  // The lock is per open file, so a second try in this process stands for a
  // second copy of the program.
  EXPECT_TRUE(platform::AcquireSingleInstance("/opt/a/WasteWell"));
  EXPECT_FALSE(platform::AcquireSingleInstance("/opt/a/WasteWell"));
  EXPECT_TRUE(platform::AcquireSingleInstance("/opt/b/WasteWell"));
}
