// The hidden desktop-icon value when the session bus, and with it dconf's
// service, never answers: the program must not wait for it.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/Registry.h"
#include "support/GSettingsSchemas.h"
#include "support/TempDir.h"

namespace {

using testsupport::GSettingsSandbox;
using testsupport::ScopedEnv;
using testsupport::TempDir;

GSettingsSandbox* sandbox = nullptr;
TempDir* folder = nullptr;
std::vector<ScopedEnv*> env;
int silentBus = -1;

class SilentBusEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    sandbox = new GSettingsSandbox({"org.gnome.shell.extensions.ding.gschema.xml"});
    folder = new TempDir;
    // Takes connections into its queue and never says a word.
    const std::string path = (*folder / "bus").string();
    silentBus = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    bind(silentBus, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(silentBus, 16);
    env.push_back(new ScopedEnv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + path));
    env.push_back(new ScopedEnv("XDG_RUNTIME_DIR", folder->path().string()));
    env.push_back(new ScopedEnv("GSETTINGS_BACKEND", "dconf"));
    env.push_back(new ScopedEnv("PATH", "/usr/bin:/bin"));
  }
  // The bus and the threads waiting on it are left to the end of the process.
};
const auto* const kEnv = ::testing::AddGlobalTestEnvironment(new SilentBusEnvironment);

TEST(RegistryIconNoBusTest, WriteReturnsAndReportsNothingStored) {
  auto reg = platform::MakeRegistryComponent();
  reg->valueType = 4;
  reg->valueName = "{645FF040-5081-101B-9F08-00AA002F954E}";
  reg->keyPath =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\HideDesktopIcons\\ClassicStartMenu";
  reg->data = "1";
  EXPECT_FALSE(reg->WriteValue());
  // The quit writes again, twice: that returns as well.
  reg->data = "0";
  EXPECT_FALSE(reg->WriteValue());
  EXPECT_FALSE(reg->WriteValue());
  EXPECT_EQ(sandbox->Get("org.gnome.shell.extensions.ding", "show-trash"), "true");
}

}  // namespace
