// The automatic purge's hourly pass over a trash of 20,000 items with nothing
// to purge, beside a full listing in the same run and trash-cli's purge by age
// (which has nothing to purge either):
//  (a) the adapter's list() from cold, beside trash-list;
//  (b) a pass on the bin's kept index (as every pass after the first), beside
//      `trash-empty 30`, and the first pass from cold.
// Everything happens under a temporary XDG_DATA_HOME, never the real trash.
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/TrashPurge.h"
#include "platform/linux/trash/FreedesktopTrash.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kItems = 20000;
constexpr int kPasses = 20;

double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

void Write(const fs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

// Every item deleted within the last ten days.
void MakeTrash(const fs::path& trash) {
  fs::create_directories(trash / "info");
  fs::create_directories(trash / "files");
  const std::time_t now = std::time(nullptr);
  for (int i = 0; i < kItems; ++i) {
    const std::string name = "item" + std::to_string(i) + ".txt";
    const std::time_t when = now - (i % 864000);
    std::tm tm{};
    localtime_r(&when, &tm);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &tm);
    Write(trash / "info" / (name + ".trashinfo"),
          "[Trash Info]\nPath=/bench/" + name + "\nDeletionDate=" + date + "\n");
    Write(trash / "files" / name, std::string(100 + i % 500, 'x'));
  }
}

double TimeCommand(const std::string& cmd) {
  auto t0 = Clock::now();
  const int rc = std::system((cmd + " >/dev/null 2>&1").c_str());
  auto t1 = Clock::now();
  return rc == 0 ? Seconds(t0, t1) : -1;
}

void Row(const char* what, double ours, const char* peerName, double peer) {
  if (peer > 0)
    std::printf("%-44s %9.4f s  %-16s %9.3f s  ratio %.4f\n", what, ours, peerName, peer,
                ours / peer);
  else
    std::printf("%-44s %9.4f s  %-16s %11s\n", what, ours, peerName, "(missing)");
}

}  // namespace

int main() {
  char pattern[] = "/tmp/ww-bench-purge-XXXXXX";
  const fs::path root = mkdtemp(pattern);
  const fs::path data = root / "data";
  setenv("XDG_DATA_HOME", data.c_str(), 1);
  MakeTrash(data / "Trash");
  platform::TrashSettings settings;
  settings.dataHome = data;
  settings.uid = getuid();
  settings.topDirs = std::vector<fs::path>{};
  platform::PurgeSettings rules;
  rules.days = 30;
  rules.percent = 10;
  rules.oldestGo = true;

  std::printf("A trash of %d items, none older than ten days; rules: 30 days, 10 %%, oldest go\n\n",
              kItems);
  const double list1 = TimeCommand("trash-list");
  const double empty1 = TimeCommand("trash-empty 30");

  platform::FreedesktopTrash lister(settings);
  auto t0 = Clock::now();
  const std::size_t listed = lister.list().size();
  auto t1 = Clock::now();

  platform::FreedesktopTrash bin(settings);
  auto purger = platform::MakeTrashPurger(bin);
  auto c0 = Clock::now();
  std::size_t chosen = purger->Plan(rules, std::time(nullptr)).items.size();
  auto c1 = Clock::now();
  auto p0 = Clock::now();
  for (int i = 0; i < kPasses; ++i) chosen += purger->Plan(rules, std::time(nullptr)).items.size();
  auto p1 = Clock::now();

  const double list2 = TimeCommand("trash-list");
  const double empty2 = TimeCommand("trash-empty 30");
  const double listPeer = list1 > 0 && list2 > 0 ? std::min(list1, list2) : -1;
  const double emptyPeer = empty1 > 0 && empty2 > 0 ? std::min(empty1, empty2) : -1;

  Row("list() from cold", Seconds(t0, t1), "trash-list", listPeer);
  Row("first pass, from cold", Seconds(c0, c1), "trash-empty 30", emptyPeer);
  Row("a later pass, on the kept index", Seconds(p0, p1) / kPasses, "trash-empty 30", emptyPeer);
  std::printf("\nlisted %zu, chosen %zu (must be 0)\n", listed, chosen);
  fs::remove_all(root);
  return listed == static_cast<std::size_t>(kItems) && chosen == 0 ? 0 : 1;
}
