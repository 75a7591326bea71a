// The Run value and the hidden-icon values in the registry (Wine's real
// registry under the test script's private prefix), as the bin window sets them.
#include <windows.h>
// windows.h first: shellapi needs its types.
#include <gtest/gtest.h>
#include <shellapi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/DesktopSession.h"
#include "platform/win/WinSession.h"
#include "platform/win/WinTestKit.h"
#include "platform/win/WinText.h"

namespace {

using namespace platform::win;
using testsupport::ReadUserNumber;
using testsupport::ReadUserText;

// How the system splits a command line (what the Run value gets).
std::vector<std::string> SplitCommandLine(const std::string& line) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(Wide("prog " + line).c_str(), &argc);
  std::vector<std::string> out;
  for (int i = 1; i < argc; ++i) out.push_back(Utf8(std::wstring(argv[i])));
  LocalFree(argv);
  return out;
}

TEST(WinSession, RunValueIsWrittenAndRemoved) {
  auto session = platform::MakeDesktopSession();
  const std::string line = platform::AutostartCommandLine(
      L"C:\\Archivos de programa\\Ww\\WasteWell.exe", L"C:\\Datos\\\"raro\"\\");
  EXPECT_EQ(SplitCommandLine(line),
            (std::vector<std::string>{"C:\\Archivos de programa\\Ww\\WasteWell.exe",
                                      "--program-folder", "C:\\Datos\\\"raro\"\\"}));
  ASSERT_TRUE(session->SetStartAtLogIn(true, line));
  std::wstring stored;
  ASSERT_TRUE(ReadUserText(kRunKey, kRunValue, stored));
  EXPECT_EQ(Utf8(stored), line);
  EXPECT_FALSE(SetRunValue(true, "a\r\nb")) << "a line break would cut the command";
  ASSERT_TRUE(session->SetStartAtLogIn(false, line));
  EXPECT_FALSE(ReadUserText(kRunKey, kRunValue, stored));
  EXPECT_TRUE(SetRunValue(false, "")) << "already gone is gone";
}

// No desktop without a display: the refresh that follows does nothing.
TEST(WinSession, HiddenIconValuesUnderBothKeys) {
  auto session = platform::MakeDesktopSession();
  for (bool hidden : {true, false}) {
    ASSERT_TRUE(session->SetTrashIconHidden(hidden));
    for (const wchar_t* key : kHideIconsKeys) {
      std::uint32_t value = 7;
      ASSERT_TRUE(ReadUserNumber(key, kRecycleBinClassId, value)) << Utf8(std::wstring(key));
      EXPECT_EQ(value, hidden ? 1u : 0u);
    }
  }
}

}  // namespace
