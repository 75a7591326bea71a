// The Run value and the hidden-icon values in the registry (Wine's real registry under the test
// script's private prefix), as the bin window sets them.
#include <windows.h>
// windows.h first: shellapi needs its types.
#include <gtest/gtest.h>
#include <shellapi.h>

#include "platform/DesktopSession.h"
#include "platform/win/WinSession.h"
#include "platform/win/WinText.h"

namespace {

using namespace platform::win;

LSTATUS ReadUserValue(const wchar_t* key, const wchar_t* name, DWORD type, void* data, DWORD size) {
  return RegGetValueW(HKEY_CURRENT_USER, key, name, type, nullptr, data, data ? &size : nullptr);
}

TEST(WinSession, RunAndHiddenIconValuesAreWrittenAndRemoved) {
  auto session = platform::MakeDesktopSession();
  const std::string line = platform::AutostartCommandLine(
      L"C:\\Archivos de programa\\Ww\\WasteWell.exe", L"C:\\Datos\\\"raro\"\\");
  ASSERT_TRUE(session->SetStartAtLogIn(true, line));
  wchar_t stored[2048] = {};
  ASSERT_EQ(ReadUserValue(kRunKey, kRunValue, RRF_RT_REG_SZ, stored, sizeof stored), ERROR_SUCCESS);
  // The system splits the stored line back into what the program was given.
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(stored, &argc);
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.push_back(Utf8(std::wstring(argv[i])));
  LocalFree(argv);
  EXPECT_EQ(args, (std::vector<std::string>{"C:\\Archivos de programa\\Ww\\WasteWell.exe",
                                            "--program-folder", "C:\\Datos\\\"raro\"\\"}));
  for (int round = 0; round < 2; ++round) {  // the second time it is already gone
    ASSERT_TRUE(session->SetStartAtLogIn(false, line));
    EXPECT_EQ(ReadUserValue(kRunKey, kRunValue, RRF_RT_ANY, nullptr, 0), ERROR_FILE_NOT_FOUND);
  }
  // A line break would end the command where the system reads it, and start another.
  EXPECT_FALSE(SetRunValue(true, "C:\\Ww\\WasteWell.exe\r\nC:\\otro.exe"));
  EXPECT_EQ(ReadUserValue(kRunKey, kRunValue, RRF_RT_ANY, nullptr, 0), ERROR_FILE_NOT_FOUND);

  // No desktop without a display: the refresh that follows does nothing.
  for (bool hidden : {true, false}) {
    ASSERT_TRUE(session->SetTrashIconHidden(hidden));
    for (const wchar_t* key : kHideIconsKeys) {
      DWORD value = 7;
      EXPECT_EQ(ReadUserValue(key, kRecycleBinClassId, RRF_RT_REG_DWORD, &value, sizeof value),
                ERROR_SUCCESS);
      EXPECT_EQ(value, hidden ? 1u : 0u) << Utf8(std::wstring(key));
    }
  }
}

}  // namespace
