// The automatic purge on real trashes: the home trash and a tmpfs volume's own.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <ctime>
#include <set>

#include "bin/BinController.h"
#include "platform/TrashPurge.h"
#include "platform/linux/trash/TrashList.h"
#include "settings/ProgramFolder.h"
#include "settings/PurgeOptions.h"
#include "support/QtApp.h"
#include "support/TrashTestKit.h"

namespace fs = std::filesystem;
using namespace testsupport;
using platform::PurgeSettings;

namespace {

constexpr std::int64_t kDay = 24 * 60 * 60;
const std::int64_t kNow = std::time(nullptr);

// The local date `days` before now.
std::string DaysAgo(std::int64_t days) {
  const std::time_t t = static_cast<std::time_t>(kNow - days * kDay);
  std::tm tm{};
  localtime_r(&t, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &tm);
  return text;
}

// files/<name> with `bytes` and its info file; `date` empty: no DeletionDate line.
void PutDated(const fs::path& trash, const std::string& name, const std::string& date,
              std::size_t bytes = 10) {
  WriteFile(PutTrashInfo(trash, name, {}, date), std::string(bytes, 'b'));
}

std::set<std::string> Keys(const std::vector<platform::TrashedItem>& items) {
  std::set<std::string> keys;
  for (const auto& item : items) keys.insert(item.key);
  return keys;
}

}  // namespace

TEST(DeletionDate, AFieldOutOfRangeIsNoDate) {
  struct Row {
    const char* text;
    bool dated;
  } rows[] = {
      {"2024-02-29T23:59:59", true},  {"2023-02-29T10:00:00", false},
      {"2020-13-45T99:99:99", false}, {"2020-00-10T10:00:00", false},
      {"2020-04-31T10:00:00", false}, {"2020-04-30T24:00:00", false},
      {"2020-04-30T10:60:00", false}, {"2020-04-30T10:00:61", false},
      {"2020-04-00T10:00:00", false}, {"2020-04-3-T10:00:00", false},
  };
  for (const Row& r : rows)
    EXPECT_EQ(platform::trash::ParseDeletionDate(r.text) != 0, r.dated) << r.text;
}

class TrashPurge : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!vol_.ok()) GTEST_SKIP() << vol_.error();
  }
  TempDir tmp_;
  ScopedEnv xdg_{"XDG_DATA_HOME", (tmp_ / "data").string()};
  fs::path home_ = tmp_ / "data" / "Trash";
  TmpfsMount vol_{tmp_ / "vol"};
  fs::path volTrash_ = vol_.path() / (".Trash-" + std::to_string(getuid()));
};

// Not those without a date, ahead of now, or whose date is no date.
TEST_F(TrashPurge, AgeTakesOnlyDatedItemsPastTheDaysOnHomeAndVolumeTrashes) {
  for (const auto& [trash, prefix] : {std::pair{home_, "h-"}, std::pair{volTrash_, "v-"}}) {
    const std::string p = prefix;
    PutDated(trash, p + "old", DaysAgo(31));
    PutDated(trash, p + "young", DaysAgo(29));
    PutDated(trash, p + "undated", "");
    PutDated(trash, p + "ahead", DaysAgo(-2));
    PutDated(trash, p + "nodate", "2020-13-45T99:99:99");
  }
  platform::FreedesktopTrash bin(TrashAt(tmp_ / "data", {vol_.path()}));
  auto purger = platform::MakeTrashPurger(bin);
  const platform::PurgePlan plan = purger->Plan({30}, kNow);
  EXPECT_EQ(Keys(plan.items), (std::set<std::string>{"h-old", "v-old"}));
  EXPECT_EQ(plan.size, 20);
  const platform::ItemsResult r = purger->Carry(plan);
  EXPECT_EQ(r.done.size(), 2u);
  EXPECT_EQ(Query(bin), Figures(8, 80));
  EXPECT_FALSE(fs::exists(home_ / "info" / "h-old.trashinfo") ||
               fs::exists(volTrash_ / "files" / "v-old"));
}

// Over the share the oldest dated items go until under it, or a drop past it asks (the bin moves
// it only on yes); an item larger than the share alone neither goes nor sends the others away.
TEST_F(TrashPurge, OverTheShareTheOldestGoOrADropAsksAndOneHugeItemSparesTheRest) {
  App();
  // A disk of 1 MiB: 10 % is 104857 bytes.
  ASSERT_EQ(mount(nullptr, vol_.path().c_str(), nullptr, MS_REMOUNT, "size=1m,mode=0755"), 0);
  PutDated(volTrash_, "a", DaysAgo(10), 40000);
  PutDated(volTrash_, "b", DaysAgo(5), 30000);
  PutDated(volTrash_, "c", DaysAgo(1), 50000);
  PutDated(volTrash_, "undated", "", 1000);
  platform::FreedesktopTrash bin(TrashAt(tmp_ / "data", {vol_.path()}));
  auto purger = platform::MakeTrashPurger(bin);
  const fs::path small = vol_.path() / "w" / "small", huge = vol_.path() / "w" / "huge";
  WriteFile(small, std::string(30000, 's'));
  WriteFile(huge / "part", std::string(110000, 'h'));

  const PurgeSettings warn{0, 10}, oldest{0, 10, true};
  EXPECT_TRUE(purger->Plan(warn, kNow).items.empty());
  // 121000 held: the oldest dated item alone brings it under.
  EXPECT_EQ(Keys(purger->Plan(oldest, kNow).items), (std::set<std::string>{"a"}));

  const auto asks = [&](const PurgeSettings& s, const fs::path& item) {
    bool ask = false;
    for (const platform::DropShare& d : purger->SharesOf({item}))
      ask = ask || platform::DropAsks(s, d.diskSize, d.trashSize, d.dropSize, d.largestItem);
    return ask;
  };
  EXPECT_TRUE(asks(warn, small));
  EXPECT_FALSE(asks(oldest, small));
  EXPECT_TRUE(asks(oldest, huge));

  settings::SetProgramFolder(tmp_.path());
  settings::StorePurgeSettings(oldest);
  bin::BinServices services;
  services.recycleBin =
      std::make_unique<platform::FreedesktopTrash>(TrashAt(tmp_ / "data", {vol_.path()}));
  bin::BinController controller(std::move(services));
  std::vector<int> asked;
  bool yes = false;
  QObject::connect(&controller, &bin::BinController::DropQuestion,
                   [&](int percent, const std::vector<fs::path>& items) {
                     asked.push_back(percent);
                     if (yes) controller.MoveAfterAll(items);
                   });
  controller.Drop({small});
  EXPECT_TRUE(asked.empty());
  EXPECT_FALSE(fs::exists(small));
  controller.Drop({huge});
  EXPECT_EQ(asked, std::vector<int>{10});
  EXPECT_TRUE(fs::exists(huge));
  yes = true;
  controller.Drop({huge});
  EXPECT_FALSE(fs::exists(huge));

  fs::remove(volTrash_ / "files" / "c");
  fs::remove(volTrash_ / "info" / "c.trashinfo");
  EXPECT_TRUE(purger->Plan(oldest, kNow + 60).items.empty());
}

// On ext4 a replacing file takes the inode number of the one it replaces: the info file's change
// tells it apart.
TEST_F(TrashPurge, AnItemRestoredOrReplacedAfterThePreviewStays) {
  if (const std::string why = MountImage(tmp_ / "data", "ext4"); !why.empty()) GTEST_SKIP() << why;
  const fs::path back = tmp_ / "data" / "w";
  fs::create_directories(back);
  WriteFile(PutTrashInfo(home_, "one", back / "one", DaysAgo(40)), "first");
  PutDated(home_, "two", DaysAgo(40));
  platform::FreedesktopTrash bin(TrashAt(tmp_ / "data"));
  auto purger = platform::MakeTrashPurger(bin);
  const platform::PurgePlan plan = purger->Plan({30}, kNow);
  ASSERT_EQ(plan.items.size(), 2u);
  // Another "two", its info word for word the same but written at another time.
  const fs::path file = home_ / "files" / "two", info = home_ / "info" / "two.trashinfo";
  const std::string text = ReadFile(info);
  fs::remove(file);
  WriteFile(file, "another");
  fs::remove(info);
  WriteFile(info, text);
  Age(info);
  ASSERT_EQ(bin.restore({plan.items[plan.items[0].key == "one" ? 0 : 1]}).done.size(), 1u);
  const platform::ItemsResult r = purger->Carry(plan);
  EXPECT_TRUE(r.done.empty());
  EXPECT_EQ(r.stayed.size(), 2u);
  EXPECT_EQ(ReadFile(back / "one"), "first");
  EXPECT_EQ(ReadFile(file), "another");
}
