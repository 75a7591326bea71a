// The hidden desktop-icon value through dconf, the backend desktops use: the
// change reaches dconf's own service before the call returns.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>

#include "platform/Registry.h"
#include "support/GSettingsSchemas.h"
#include "support/TempDir.h"

namespace {

using testsupport::GSettingsSandbox;
using testsupport::PrivateSessionBus;
using testsupport::ScopedEnv;
using testsupport::TempDir;

GSettingsSandbox* sandbox = nullptr;
TempDir* runtime = nullptr;
ScopedEnv* backend = nullptr;
ScopedEnv* runtimeDir = nullptr;
PrivateSessionBus* bus = nullptr;

class DconfEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    sandbox =
        new GSettingsSandbox({"org.gnome.shell.extensions.ding.gschema.xml",
                              "org.nemo.desktop.gschema.xml", "org.mate.caja.desktop.gschema.xml"});
    runtime = new TempDir;
    chmod(runtime->path().c_str(), 0700);
    runtimeDir = new ScopedEnv("XDG_RUNTIME_DIR", runtime->path().string());
    backend = new ScopedEnv("GSETTINGS_BACKEND", "dconf");
    bus = new PrivateSessionBus(*runtime / "dbus");
  }
  void TearDown() override {
    // GLib ends the process when its session bus goes away.
    if (GDBusConnection* connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)) {
      g_dbus_connection_set_exit_on_close(connection, FALSE);
      g_object_unref(connection);
    }
    delete bus;
    delete backend;
    delete runtimeDir;
    delete runtime;
    delete sandbox;
  }
};
const auto* const kEnv = ::testing::AddGlobalTestEnvironment(new DconfEnvironment);

TEST(RegistryIconDconfTest, AnotherProcessSeesTheChangeAsSoonAsTheCallReturns) {
  if (!bus->running()) GTEST_SKIP() << "no dbus-daemon";
  auto reg = platform::MakeRegistryComponent();
  reg->valueType = 4;
  reg->valueName = "{645FF040-5081-101B-9F08-00AA002F954E}";
  reg->keyPath =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\HideDesktopIcons\\NewStartPanel";
  for (int round = 0; round < 10; ++round) {
    reg->data = "1";
    ASSERT_TRUE(reg->WriteValue());
    EXPECT_EQ(sandbox->Get("org.gnome.shell.extensions.ding", "show-trash"), "false");
    EXPECT_EQ(sandbox->Get("org.nemo.desktop", "trash-icon-visible"), "false");
    EXPECT_EQ(sandbox->Get("org.mate.caja.desktop", "trash-icon-visible"), "false");
    reg->data = "0";
    ASSERT_TRUE(reg->WriteValue());
    EXPECT_EQ(sandbox->Get("org.gnome.shell.extensions.ding", "show-trash"), "true");
    EXPECT_EQ(sandbox->Get("org.nemo.desktop", "trash-icon-visible"), "true");
    EXPECT_EQ(sandbox->Get("org.mate.caja.desktop", "trash-icon-visible"), "true");
  }
}

}  // namespace
