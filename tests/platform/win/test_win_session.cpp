// The Run value and the hidden-icon values in the registry (Wine's real
// registry under the test script's private prefix).
#include <windows.h>
// windows.h first: shellapi needs its types.
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Registry.h"
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
  const std::string line = platform::AutostartCommandLine(L"C:\\Archivos de programa\\Ww\\WasteWell.exe",
                                                          L"C:\\Datos\\\"raro\"\\");
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

// The registry component as the bin window drives it today.
TEST(WinSession, RegistryComponentWritesWhatItIsGiven) {
  auto reg = platform::MakeRegistryComponent();
  reg->keyPath = Utf8(std::wstring(kHideIconsKeys[0]));
  reg->valueName = Utf8(std::wstring(kRecycleBinClassId));
  reg->valueType = 4;
  ASSERT_TRUE(reg->CreateKey());
  reg->data = "1";
  ASSERT_TRUE(reg->WriteValue());
  std::uint32_t value = 0;
  ASSERT_TRUE(ReadUserNumber(kHideIconsKeys[0], kRecycleBinClassId, value));
  EXPECT_EQ(value, 1u);
  reg->data = "uno";
  EXPECT_FALSE(reg->WriteValue()) << "not a number";
  ASSERT_TRUE(ReadUserNumber(kHideIconsKeys[0], kRecycleBinClassId, value));
  EXPECT_EQ(value, 1u);

  reg->keyPath = Utf8(std::wstring(kRunKey));
  reg->valueName = "WasteWell";
  reg->valueType = 1;
  reg->data = "\"C:\\Ww\\WasteWell.exe\"";
  ASSERT_TRUE(reg->WriteValue());
  std::wstring stored;
  ASSERT_TRUE(ReadUserText(kRunKey, kRunValue, stored));
  EXPECT_EQ(stored, L"\"C:\\Ww\\WasteWell.exe\"");
  ASSERT_TRUE(reg->DeleteValue());
  EXPECT_FALSE(ReadUserText(kRunKey, kRunValue, stored));
  reg->rootKey = 2;
  EXPECT_FALSE(reg->WriteValue()) << "only the current user's hive";
}

}  // namespace
