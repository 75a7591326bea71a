// The Run value and the hidden-icon values in the registry (Wine's real
// registry under the test script's private prefix).
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
  const std::string line = platform::AutostartCommandLine(
      L"C:\\Archivos de programa\\Ww\\WasteWell.exe", L"C:\\Datos\\\"raro\"\\");
  EXPECT_EQ(SplitCommandLine(line),
            (std::vector<std::string>{"C:\\Archivos de programa\\Ww\\WasteWell.exe",
                                      "--program-folder", "C:\\Datos\\\"raro\"\\"}));
  ASSERT_TRUE(SetRunValue(true, line));
  std::wstring stored;
  ASSERT_TRUE(ReadUserText(kRunKey, kRunValue, stored));
  EXPECT_EQ(Utf8(stored), line);
  EXPECT_FALSE(SetRunValue(true, "a\r\nb")) << "a line break would cut the command";
  ASSERT_TRUE(SetRunValue(false, ""));
  EXPECT_FALSE(ReadUserText(kRunKey, kRunValue, stored));
  EXPECT_TRUE(SetRunValue(false, "")) << "already gone is gone";
}

TEST(WinSession, HiddenIconValuesUnderBothKeys) {
  ASSERT_TRUE(SetHiddenIconValues(true));
  for (const wchar_t* key : kHideIconsKeys) {
    std::uint32_t value = 7;
    ASSERT_TRUE(ReadUserNumber(key, kRecycleBinClassId, value)) << Utf8(std::wstring(key));
    EXPECT_EQ(value, 1u);
  }
  RefreshDesktop();  // no desktop without a display: nothing happens
  ASSERT_TRUE(SetHiddenIconValues(false));
  for (const wchar_t* key : kHideIconsKeys) {
    std::uint32_t value = 7;
    ASSERT_TRUE(ReadUserNumber(key, kRecycleBinClassId, value));
    EXPECT_EQ(value, 0u);
  }
}

// The session adapter as the bin window drives it.
TEST(WinSession, DesktopSessionSetsBothValues) {
  auto session = platform::MakeDesktopSession();
  const std::string line = platform::AutostartCommandLine(L"C:\\Ww\\WasteWell.exe", {});
  EXPECT_EQ(line, "C:\\Ww\\WasteWell.exe");
  ASSERT_TRUE(session->SetStartAtLogIn(true, line));
  std::wstring stored;
  ASSERT_TRUE(ReadUserText(kRunKey, kRunValue, stored));
  EXPECT_EQ(stored, L"C:\\Ww\\WasteWell.exe");
  ASSERT_TRUE(session->SetStartAtLogIn(false, line));
  EXPECT_FALSE(ReadUserText(kRunKey, kRunValue, stored));

  ASSERT_TRUE(session->SetTrashIconHidden(true));
  std::uint32_t value = 0;
  ASSERT_TRUE(ReadUserNumber(kHideIconsKeys[1], kRecycleBinClassId, value));
  EXPECT_EQ(value, 1u);
  ASSERT_TRUE(session->SetTrashIconHidden(false));
  ASSERT_TRUE(ReadUserNumber(kHideIconsKeys[1], kRecycleBinClassId, value));
  EXPECT_EQ(value, 0u);
}

}  // namespace
