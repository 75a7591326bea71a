// The Run value in the registry (Wine's real registry under the test script's
// private prefix).
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win/WinSession.h"

namespace {

using namespace platform::win;

// A line break would end the command where the system reads it, and start another.
TEST(WinSession, ARunValueWithALineBreakIsNeverWritten) {
  ASSERT_TRUE(SetRunValue(false, ""));
  EXPECT_FALSE(SetRunValue(true, "C:\\Ww\\WasteWell.exe\r\nC:\\otro.exe"));
  EXPECT_EQ(
      RegGetValueW(HKEY_CURRENT_USER, kRunKey, kRunValue, RRF_RT_ANY, nullptr, nullptr, nullptr),
      ERROR_FILE_NOT_FOUND);
}

}  // namespace
