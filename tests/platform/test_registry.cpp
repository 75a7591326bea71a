// The Run value as an XDG autostart entry, and the keys nothing is kept for.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "support/TempDir.h"

namespace {

using testsupport::ReadFile;
using testsupport::ScopedEnv;
using testsupport::TempDir;
namespace fs = std::filesystem;

const char* const kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The value of a key in the file's [Desktop Entry] group, as written.
std::string RawValue(const std::string& file, const std::string& key) {
  const std::string prefix = "\n" + key + "=";
  const size_t at = file.find(prefix);
  if (at == std::string::npos) return {};
  const size_t start = at + prefix.size();
  return file.substr(start, file.find('\n', start) - start);
}

// Undoes the two layers of an Exec value: the string escapes of the file,
// then the quoting of the arguments, then the %% of a literal percent sign.
std::vector<std::string> UnquoteExec(const std::string& raw) {
  std::string exec;
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\\' && i + 1 < raw.size()) {
      const char c = raw[++i];
      exec += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
    } else {
      exec += raw[i];
    }
  }
  std::vector<std::string> args;
  std::string arg;
  bool inArg = false, quoted = false;
  for (size_t i = 0; i < exec.size(); ++i) {
    const char c = exec[i];
    if (quoted) {
      if (c == '"') {
        quoted = false;
      } else if (c == '\\' && i + 1 < exec.size()) {
        arg += exec[++i];
      } else {
        arg += c;
      }
    } else if (c == ' ') {
      if (inArg) args.push_back(arg);
      arg.clear();
      inArg = false;
    } else if (c == '"') {
      quoted = inArg = true;
    } else {
      arg += c;
      inArg = true;
    }
  }
  if (inArg) args.push_back(arg);
  for (std::string& a : args) {
    std::string plain;
    for (size_t i = 0; i < a.size(); ++i) {
      plain += a[i];
      if (a[i] == '%' && i + 1 < a.size() && a[i + 1] == '%') ++i;
    }
    a = plain;
  }
  return args;
}

class AutostartTest : public ::testing::Test {
 protected:
  std::unique_ptr<platform::RegistryComponent> RunValue(const std::string& data) {
    auto reg = platform::MakeRegistryComponent();
    reg->valueType = 1;
    reg->keyPath = kRunKey;
    reg->valueName = "WasteWell";
    reg->data = data;
    return reg;
  }
  fs::path Entry() const { return dir_ / "config/autostart/WasteWell.desktop"; }

  TempDir dir_;
  ScopedEnv config_{"XDG_CONFIG_HOME", (dir_ / "config").string()};
};

TEST_F(AutostartTest, EntryStartsTheProgramFromAFolderWithBlanks) {
  const fs::path exe = dir_ / "Mis Programas" / "WasteWell";
  auto reg = RunValue(platform::AutostartCommandLine(exe, {}));
  EXPECT_TRUE(reg->CreateKey());
  ASSERT_TRUE(reg->WriteValue());

  const std::string file = ReadFile(Entry());
  EXPECT_EQ(file.rfind("[Desktop Entry]\n", 0), 0u) << file;
  EXPECT_EQ(RawValue(file, "Type"), "Application");
  EXPECT_EQ(RawValue(file, "Name"), "WasteWell");
  EXPECT_EQ(UnquoteExec(RawValue(file, "Exec")), std::vector<std::string>{exe.string()});
  // The session starts us from another folder.
  EXPECT_EQ(UnquoteExec(platform::AutostartCommandLine("rel/WasteWell", {})),
            std::vector<std::string>{(fs::current_path() / "rel/WasteWell").string()});
  // Nothing but the entry is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(Entry().parent_path()), {}), 1);
}

TEST_F(AutostartTest, ReservedCharactersSurviveBothLayersOfQuoting) {
  const fs::path exe = dir_ / "a \"q\" $HOME `id` 100% \\x 'y'\tz\nw" / "WasteWell";
  const fs::path folder = dir_ / "Datos $x" / "50%";
  auto reg = RunValue(platform::AutostartCommandLine(exe, folder));
  ASSERT_TRUE(reg->WriteValue());
  const std::string raw = RawValue(ReadFile(Entry()), "Exec");
  EXPECT_EQ(UnquoteExec(raw),
            (std::vector<std::string>{exe.string(), "--program-folder", folder.string()}));

  // GLib's own reader of desktop entries agrees on the string layer, and its
  // shell-style splitter on the quoting.
  GKeyFile* keyFile = g_key_file_new();
  ASSERT_TRUE(g_key_file_load_from_file(keyFile, Entry().c_str(), G_KEY_FILE_NONE, nullptr));
  gchar* exec = g_key_file_get_string(keyFile, "Desktop Entry", "Exec", nullptr);
  ASSERT_NE(exec, nullptr);
  std::string unpercented;
  for (const char* p = exec; *p; ++p) {
    unpercented += *p;
    if (p[0] == '%' && p[1] == '%') ++p;
  }
  gchar** argv = nullptr;
  ASSERT_TRUE(g_shell_parse_argv(unpercented.c_str(), nullptr, &argv, nullptr));
  std::vector<std::string> parsed(argv, argv + g_strv_length(argv));
  EXPECT_EQ(parsed, (std::vector<std::string>{exe.string(), "--program-folder", folder.string()}));
  g_strfreev(argv);
  g_free(exec);
  g_key_file_free(keyFile);
}

TEST_F(AutostartTest, DeleteRemovesTheEntryAndARewriteReplacesIt) {
  auto reg = RunValue("/old/WasteWell");
  ASSERT_TRUE(reg->WriteValue());
  reg->data = "/new/WasteWell";
  ASSERT_TRUE(reg->WriteValue());
  EXPECT_EQ(RawValue(ReadFile(Entry()), "Exec"), "/new/WasteWell");
  EXPECT_TRUE(reg->DeleteValue());
  EXPECT_FALSE(fs::exists(Entry()));
  EXPECT_TRUE(reg->DeleteValue()) << "nothing left to delete is no failure";
}

TEST_F(AutostartTest, DataThatWouldBreakTheFileIsRefused) {
  EXPECT_FALSE(RunValue("/bin/true\nExec=/tmp/evil")->WriteValue());
  EXPECT_FALSE(RunValue("")->WriteValue());
  EXPECT_FALSE(fs::exists(Entry()));
}

TEST_F(AutostartTest, UnwritableFolderIsReportedNotHidden) {
  testsupport::WriteFile(dir_ / "config", "a file where the folder should be");
  EXPECT_FALSE(RunValue("/opt/ww/WasteWell")->WriteValue());
}

TEST_F(AutostartTest, ConfigHomeDefaultsToDotConfigUnderHome) {
  ScopedEnv home("HOME", (dir_ / "home").string());
  ScopedEnv relative("XDG_CONFIG_HOME", "relative/is/ignored");
  ASSERT_TRUE(RunValue("/opt/ww/WasteWell")->WriteValue());
  EXPECT_TRUE(fs::exists(dir_ / "home/.config/autostart/WasteWell.desktop"));
}

TEST(RegistryTest, OtherValuesAreNotKept) {
  TempDir dir;
  ScopedEnv config("XDG_CONFIG_HOME", (dir / "config").string());
  auto reg = platform::MakeRegistryComponent();
  reg->keyPath = "Software\\Other\\Program";
  reg->valueName = "WasteWell";
  reg->data = "x";
  EXPECT_TRUE(reg->CreateKey());
  EXPECT_FALSE(reg->WriteValue());
  EXPECT_FALSE(reg->DeleteValue());
  reg->keyPath = kRunKey;
  reg->valueName = "OtherProgram";
  EXPECT_FALSE(reg->WriteValue());
  EXPECT_FALSE(fs::exists(dir / "config"));
}

}  // namespace
