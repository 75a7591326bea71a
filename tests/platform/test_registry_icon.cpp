// The hidden desktop-icon value, seen through the desktops' real settings.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/Registry.h"
#include "support/GSettingsSchemas.h"
#include "support/TempDir.h"

namespace {

using testsupport::GSettingsSandbox;

const char* const kClassic =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\HideDesktopIcons\\ClassicStartMenu";
const char* const kNewPanel =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\HideDesktopIcons\\NewStartPanel";
const char* const kBinId = "{645FF040-5081-101B-9F08-00AA002F954E}";

GSettingsSandbox* sandbox = nullptr;

class SandboxEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    sandbox =
        new GSettingsSandbox({"org.gnome.shell.extensions.ding.gschema.xml",
                              "org.nemo.desktop.gschema.xml", "org.mate.caja.desktop.gschema.xml"});
  }
  void TearDown() override { delete sandbox; }
};
// Before any test, hence before the first GIO call.
const auto* const kSandbox = ::testing::AddGlobalTestEnvironment(new SandboxEnvironment);

struct Icons {
  std::string ding, nemo, caja;
};
Icons Read() {
  return {sandbox->Get("org.gnome.shell.extensions.ding", "show-trash"),
          sandbox->Get("org.nemo.desktop", "trash-icon-visible"),
          sandbox->Get("org.mate.caja.desktop", "trash-icon-visible")};
}

std::unique_ptr<platform::RegistryComponent> HiddenIconValue(const char* key,
                                                             const std::string& data) {
  auto reg = platform::MakeRegistryComponent();
  reg->rootKey = 1;
  reg->valueType = 4;
  reg->valueName = kBinId;
  reg->keyPath = key;
  reg->data = data;
  return reg;
}

TEST(RegistryIconTest, DataOneHidesAndZeroShowsOnEveryDesktopAtOnce) {
  for (const char* key : {kClassic, kNewPanel}) {
    SCOPED_TRACE(key);
    auto reg = HiddenIconValue(key, "1");
    EXPECT_TRUE(reg->CreateKey());
    EXPECT_TRUE(reg->WriteValue());
    // Another process sees it as soon as the call returns.
    Icons hidden = Read();
    EXPECT_EQ(hidden.ding, "false");
    EXPECT_EQ(hidden.nemo, "false");
    EXPECT_EQ(hidden.caja, "false");

    reg->data = "0";
    EXPECT_TRUE(reg->WriteValue());
    Icons shown = Read();
    EXPECT_EQ(shown.ding, "true");
    EXPECT_EQ(shown.nemo, "true");
    EXPECT_EQ(shown.caja, "true");
  }
  // Keys next to ours are left as they were.
  EXPECT_EQ(sandbox->Get("org.gnome.shell.extensions.ding", "show-home"), "true");
}

TEST(RegistryIconTest, DeletingTheValueGivesTheDesktopsTheirDefaultBack) {
  auto reg = HiddenIconValue(kNewPanel, "1");
  ASSERT_TRUE(reg->WriteValue());
  ASSERT_EQ(Read().ding, "false");
  EXPECT_TRUE(reg->DeleteValue());
  Icons icons = Read();
  EXPECT_EQ(icons.ding, "true");
  EXPECT_EQ(icons.nemo, "true");
  EXPECT_EQ(icons.caja, "true");
  EXPECT_EQ(testsupport::ReadFile(sandbox->KeyFile()).find("show-trash"), std::string::npos);
}

TEST(RegistryIconTest, AnyOtherValueChangesNothing) {
  ASSERT_TRUE(HiddenIconValue(kClassic, "0")->WriteValue());

  auto notANumber = HiddenIconValue(kClassic, "yes");
  EXPECT_FALSE(notANumber->WriteValue());

  auto otherIcon = HiddenIconValue(kClassic, "1");
  otherIcon->valueName = "{20D04FE0-3AEA-1069-A2D8-08002B30309D}";
  EXPECT_FALSE(otherIcon->WriteValue());
  EXPECT_FALSE(otherIcon->DeleteValue());

  auto otherKey = HiddenIconValue(kClassic, "1");
  otherKey->keyPath = std::string(kClassic) + "Old";
  EXPECT_FALSE(otherKey->WriteValue());

  auto otherRoot = HiddenIconValue(kClassic, "1");
  otherRoot->rootKey = 2;
  EXPECT_FALSE(otherRoot->WriteValue());

  Icons icons = Read();
  EXPECT_EQ(icons.ding, "true");
  EXPECT_EQ(icons.nemo, "true");
  EXPECT_EQ(icons.caja, "true");
}

TEST(RegistryIconTest, NamesMatchWithoutRegardToCase) {
  auto reg = HiddenIconValue(
      "software\\microsoft\\windows\\currentversion\\explorer\\"
      "hidedesktopicons\\classicstartmenu",
      "1");
  reg->valueName = "{645ff040-5081-101b-9f08-00aa002f954e}";
  EXPECT_TRUE(reg->WriteValue());
  EXPECT_EQ(Read().ding, "false");
  reg->data = "0";
  EXPECT_TRUE(reg->WriteValue());
}

}  // namespace
