// The hidden desktop-icon value where only some desktops are installed, or
// installed in versions without the setting, and with xfconf.
#include <glib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "platform/Registry.h"
#include "support/GSettingsSchemas.h"
#include "support/TempDir.h"

namespace {

using testsupport::GSettingsSandbox;
using testsupport::ReadFile;
using testsupport::ScopedEnv;
using testsupport::TempDir;
using testsupport::WriteFile;

const char* const kClassic =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\HideDesktopIcons\\ClassicStartMenu";
const char* const kBinId = "{645FF040-5081-101B-9F08-00AA002F954E}";

GSettingsSandbox* sandbox = nullptr;

class SandboxEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    // GLib aborts on an unknown schema or key and only complains about a key
    // of another type: make the complaints fatal too.
    g_log_set_always_fatal(static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING));
    sandbox = new GSettingsSandbox({"org.gnome.shell.extensions.ding.gschema.xml",
                                    "org.nemo.desktop.without-trash-key.gschema.xml",
                                    "org.mate.caja.desktop.text-key.gschema.xml"});
  }
  void TearDown() override { delete sandbox; }
};
const auto* const kSandbox = ::testing::AddGlobalTestEnvironment(new SandboxEnvironment);

std::unique_ptr<platform::RegistryComponent> HiddenIconValue(const std::string& data) {
  auto reg = platform::MakeRegistryComponent();
  reg->valueType = 4;
  reg->valueName = kBinId;
  reg->keyPath = kClassic;
  reg->data = data;
  return reg;
}

TEST(RegistryIconPartialTest, DesktopsWithoutTheSettingAreSkipped) {
  ASSERT_TRUE(sandbox->Set("org.mate.caja.desktop", "trash-icon-visible", "'auto'"));
  auto reg = HiddenIconValue("1");
  EXPECT_TRUE(reg->WriteValue());
  EXPECT_EQ(sandbox->Get("org.gnome.shell.extensions.ding", "show-trash"), "false");
  EXPECT_EQ(sandbox->Get("org.nemo.desktop", "show-desktop-icons"), "true");
  EXPECT_EQ(sandbox->Get("org.mate.caja.desktop", "trash-icon-visible"), "'auto'");

  reg->data = "0";
  EXPECT_TRUE(reg->WriteValue());
  EXPECT_EQ(sandbox->Get("org.gnome.shell.extensions.ding", "show-trash"), "true");
  EXPECT_TRUE(reg->DeleteValue());
  EXPECT_EQ(sandbox->Get("org.mate.caja.desktop", "trash-icon-visible"), "'auto'");
}

// xfconf is not installed here: a stand-in xfconf-query on PATH records how
// it is called.
class XfconfTest : public ::testing::Test {
 protected:
  void Install(const std::string& body) {
    const auto script = bin_ / "xfconf-query";
    WriteFile(script, "#!/bin/sh\n" + body);
    chmod(script.c_str(), 0755);
  }
  std::string Calls() const { return ReadFile(dir_ / "calls"); }

  TempDir dir_;
  std::filesystem::path bin_ = dir_ / "bin";
  ScopedEnv path_{"PATH", bin_.string() + ":/usr/bin:/bin"};
};

// Gone, or a zombie waiting for whoever reaps orphans here.
bool Running(long pid) {
  if (kill(static_cast<pid_t>(pid), 0) != 0) return false;
  const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  const size_t paren = stat.rfind(')');
  return paren == std::string::npos || stat.compare(paren, 3, ") Z") != 0;
}

TEST_F(XfconfTest, SetsXfcesPropertyAndCreatesItWhenMissing) {
  Install("echo \"$*\" >> '" + (dir_ / "calls").string() + "'\n");
  auto reg = HiddenIconValue("1");
  EXPECT_TRUE(reg->WriteValue());
  reg->data = "0";
  EXPECT_TRUE(reg->WriteValue());
  EXPECT_TRUE(reg->DeleteValue());
  EXPECT_EQ(Calls(),
            "-c xfce4-desktop -p /desktop-icons/file-icons/show-trash -n -t bool -s false\n"
            "-c xfce4-desktop -p /desktop-icons/file-icons/show-trash -n -t bool -s true\n"
            "-c xfce4-desktop -p /desktop-icons/file-icons/show-trash -r\n");
}

TEST_F(XfconfTest, ASettingsServiceThatHangsIsGivenUp) {
  // The stand-in starts a child of its own and waits for it: both must go.
  const auto pids = dir_ / "pids";
  Install("sleep 300 & echo $$ $! > '" + pids.string() + "'\nwait\n");
  auto reg = HiddenIconValue("1");
  reg->WriteValue();  // returns at all: that is the point
  EXPECT_EQ(sandbox->Get("org.gnome.shell.extensions.ding", "show-trash"), "false");
  const std::string text = ReadFile(pids);
  long script = 0, child = 0;
  ASSERT_EQ(sscanf(text.c_str(), "%ld %ld", &script, &child), 2) << text;
  EXPECT_FALSE(Running(script));
  // The grandchild is not ours to reap: killed is enough.
  for (int i = 0; i < 100 && Running(child); ++i) usleep(20000);
  EXPECT_FALSE(Running(child));
}

}  // namespace
