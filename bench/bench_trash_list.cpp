// Listing a trash of 20,000 items beside trash-list, in the same run and on the same trash:
//  (a) the adapter's list() from cold, and its next call after one change;
//  (b) the restore window from its opening to its first full listing, with the longest time
//      its event loop went without turning meanwhile.
// Everything happens under a temporary XDG_DATA_HOME, never the real trash.
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/linux/trash/FreedesktopTrash.h"
#include "tools/restore/FormRestaurar.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kItems = 20000;
constexpr int kFolders = 200;  // of ten files each, among the items

double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

void Write(const fs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

void MakeTrash(const fs::path& trash) {
  fs::create_directories(trash / "info");
  fs::create_directories(trash / "files");
  for (int i = 0; i < kItems; ++i) {
    const std::string name = "item" + std::to_string(i) + ".txt";
    char date[32];
    std::snprintf(date, sizeof date, "2024-%02d-%02dT%02d:%02d:%02d", 1 + i % 12, 1 + i % 28,
                  i % 24, i % 60, (i / 60) % 60);
    Write(trash / "info" / (name + ".trashinfo"), "[Trash Info]\nPath=/bench/dir" +
                                                      std::to_string(i % 97) + "/" + name +
                                                      "\nDeletionDate=" + date + "\n");
    if (i < kFolders) {
      fs::create_directory(trash / "files" / name);
      for (int k = 0; k < 10; ++k)
        Write(trash / "files" / name / ("f" + std::to_string(k)), std::string(100, 'y'));
    } else {
      Write(trash / "files" / name, std::string(100 + i % 500, 'x'));
    }
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
    std::printf("%-44s %9.3f s  %-12s %9.3f s  ratio %.3f\n", what, ours, peerName, peer,
                ours / peer);
  else
    std::printf("%-44s %9.3f s  %-12s %11s\n", what, ours, peerName, "(missing)");
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  char pattern[] = "/tmp/ww-bench-list-XXXXXX";
  const fs::path root = mkdtemp(pattern);
  const fs::path data = root / "data";
  setenv("XDG_DATA_HOME", data.c_str(), 1);
  MakeTrash(data / "Trash");
  platform::TrashSettings settings;
  settings.dataHome = data;
  settings.uid = getuid();
  settings.topDirs = std::vector<fs::path>{};

  std::printf("A trash of %d items (%d folders of ten files)\n\n", kItems, kFolders);
  // The peer first and once more last, so that neither side alone gets the warm cache.
  const double peer1 = TimeCommand("trash-list");

  platform::FreedesktopTrash bin(settings);
  auto t0 = Clock::now();
  const std::size_t listed = bin.list().size();
  auto t1 = Clock::now();
  Write(data / "Trash" / "files" / "new.txt", "n");
  Write(data / "Trash" / "info" / "new.txt.trashinfo",
        "[Trash Info]\nPath=/bench/new.txt\nDeletionDate=2024-05-01T10:00:00\n");
  auto t2 = Clock::now();
  const std::size_t after = bin.list().size();
  auto t3 = Clock::now();

  // The window, from its making to the first full listing; a 5 ms timer tells how long the
  // event loop stood still at most meanwhile.
  QElapsedTimer clock;
  clock.start();
  qint64 last = 0, longest = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    longest = std::max(longest, now - last);
    last = now;
  });
  ticker.start(5);
  auto w0 = Clock::now();
  last = clock.elapsed();
  auto form = std::make_unique<tools::FormRestaurar>(
      std::make_unique<platform::FreedesktopTrash>(settings));
  form->show();
  // Waiting in the event loop, not spinning it: the listing thread gets the other core.
  QEventLoop loop;
  QObject::connect(form.get(), &tools::FormRestaurar::Updated, &loop, [&] {
    if (form->Listed()) loop.quit();
  });
  if (!form->Listed()) loop.exec();
  auto w1 = Clock::now();
  const int rows = form->ShownRows();
  form.reset();
  const double peer2 = TimeCommand("trash-list");
  const double peer = peer1 > 0 && peer2 > 0 ? std::min(peer1, peer2) : -1;

  Row("(a) list(), cold", Seconds(t0, t1), "trash-list", peer);
  Row("(a) list() after one item more", Seconds(t2, t3), "trash-list", peer);
  Row("(b) window opened to full listing", Seconds(w0, w1), "trash-list", peer);
  std::printf("\nitems listed: %zu, then %zu; rows shown: %d\n", listed, after, rows);
  std::printf("longest stand-still of the window's event loop while listing: %lld ms\n",
              static_cast<long long>(longest));
  std::printf("(trash-list, first and last run: %.3f s, %.3f s)\n", peer1, peer2);
  fs::remove_all(root);
  return 0;
}
