// The trash adapter beside the commands people use for the same jobs:
//  (a) a query() tick with nothing changed, beside a full recount;
//  (b) the recount after one change, beside du -sb and trash-list;
//  (c) moving 1,000 files in one call, beside gio trash and trash-put;
//  (d) emptying 10,000 items, beside rm -rf of an equal tree.
// Everything happens under a temporary XDG_DATA_HOME, never the real trash.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/linux/trash/FreedesktopTrash.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

void Write(const fs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

void PutEntry(const fs::path& trash, const std::string& name, bool folder) {
  Write(trash / "info" / (name + ".trashinfo"),
        "[Trash Info]\nPath=/bench/" + name + "\nDeletionDate=2024-05-01T10:00:00\n");
  if (!folder) {
    Write(trash / "files" / name, std::string(100, 'x'));
    return;
  }
  fs::create_directory(trash / "files" / name);
  for (int k = 0; k < 100; ++k)
    Write(trash / "files" / name / ("f" + std::to_string(k)), std::string(100, 'y'));
}

void MakeTrash(const fs::path& trash, int files, int folders) {
  fs::create_directories(trash / "info");
  fs::create_directories(trash / "files");
  for (int i = 0; i < files; ++i) PutEntry(trash, "file" + std::to_string(i), false);
  for (int i = 0; i < folders; ++i) PutEntry(trash, "folder" + std::to_string(i), true);
}

std::vector<fs::path> MakeFiles(const fs::path& dir, int n) {
  fs::create_directories(dir);
  std::vector<fs::path> out;
  for (int i = 0; i < n; ++i) {
    out.push_back(dir / ("item" + std::to_string(i) + ".txt"));
    Write(out.back(), "contents " + std::to_string(i));
  }
  return out;
}

// Wall time of a shell command, its output thrown away.
double TimeCommand(const std::string& cmd, int* status = nullptr) {
  auto t0 = Clock::now();
  int rc = std::system((cmd + " >/dev/null 2>&1").c_str());
  auto t1 = Clock::now();
  if (status) *status = rc;
  return Seconds(t0, t1);
}

std::string Join(const std::vector<fs::path>& items) {
  std::string out;
  for (const fs::path& p : items) out += " '" + p.string() + "'";
  return out;
}

void Row(const char* what, const std::string& ours, const std::string& peerName,
         const std::string& peer, double ratio, const char* goal) {
  std::printf("%-34s %14s  %-22s %14s  %8.4g  %s\n", what, ours.c_str(), peerName.c_str(),
              peer.c_str(), ratio, goal);
}

std::string Ms(double s) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f ms", s * 1e3);
  return buf;
}

std::string Us(double s) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f us", s * 1e6);
  return buf;
}

}  // namespace

int main() {
  char tmpl[] = "/tmp/ww-bench-trash-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  const fs::path root = tmpl;
  const fs::path data = root / "data";
  setenv("XDG_DATA_HOME", data.c_str(), 1);
  const fs::path trash = data / "Trash";

  platform::TrashSettings settings = platform::FreedesktopTrash::SystemSettings();
  settings.dataHome = data;  // the live mount table, as the program runs
  // Moving and emptying touch the temporary home trash only, never a
  // volume trash of this machine.
  platform::TrashSettings homeOnly = settings;
  homeOnly.topDirs = std::vector<fs::path>{};
  platform::FreedesktopTrash writer(homeOnly);

  std::printf("preparing a trash of 10,000 files and 100 folders of 100 files...\n");
  MakeTrash(trash, 10000, 100);

  std::printf("\n%-34s %14s  %-22s %14s  %8s  %s\n", "case", "ours", "peer", "peer time", "ratio",
              "goal");

  // (a) A tick with nothing changed, beside a fresh adapter's first query.
  platform::FreedesktopTrash bin(settings);
  auto t0 = Clock::now();
  platform::BinQuery full = bin.query();
  auto t1 = Clock::now();
  const double fullRecount = Seconds(t0, t1);
  const int ticks = 20000;
  t0 = Clock::now();
  std::int64_t sink = 0;
  for (int i = 0; i < ticks; ++i) sink += bin.query().count;
  t1 = Clock::now();
  const double tick = Seconds(t0, t1) / ticks;
  Row("(a) query() tick, nothing changed", Us(tick), "full recount", Ms(fullRecount),
      tick / fullRecount, tick <= 10e-6 ? "<= 10 us: met" : "<= 10 us: MISSED");

  // (b) The recount after one change (a folder of 100 files trashed).
  PutEntry(trash, "late-folder", true);
  t0 = Clock::now();
  platform::BinQuery after = bin.query();
  t1 = Clock::now();
  const double recount = Seconds(t0, t1);
  const double du = TimeCommand("du -sb '" + trash.string() + "'");
  const double list = TimeCommand("trash-list");
  Row("(b) recount after one change", Ms(recount), "du -sb", Ms(du), recount / du,
      recount <= 1.5 * du ? "<= 1.5x du: met" : "<= 1.5x du: MISSED");
  Row("", "", "trash-list", Ms(list), recount / list, "");
  {
    platform::FreedesktopTrash fresh(settings);
    t0 = Clock::now();
    fresh.query();
    t1 = Clock::now();
    Row("    full recount (fresh adapter)", Ms(Seconds(t0, t1)), "du -sb", Ms(du),
        Seconds(t0, t1) / du, "");
  }
  std::printf("    figures: %lld items, %lld bytes before; %lld items, %lld bytes after\n",
              static_cast<long long>(full.count), static_cast<long long>(full.size),
              static_cast<long long>(after.count), static_cast<long long>(after.size));

  // (c) Moving 1,000 files in one call.
  auto ours = MakeFiles(root / "src-ours", 1000);
  auto forGio = MakeFiles(root / "src-gio", 1000);
  auto forPut = MakeFiles(root / "src-put", 1000);
  t0 = Clock::now();
  platform::MoveResult moved = writer.moveToTrash(ours);
  t1 = Clock::now();
  const double move = Seconds(t0, t1);
  int gioStatus = 0, putStatus = 0;
  const double gio = TimeCommand("gio trash" + Join(forGio), &gioStatus);
  const double put = TimeCommand("trash-put" + Join(forPut), &putStatus);
  Row("(c) move 1,000 files", Ms(move), "gio trash", Ms(gio), move / gio,
      move < gio ? "faster than gio: met" : "faster than gio: MISSED");
  Row("", "", "trash-put", Ms(put), move / put, "");
  std::printf("    moved all: %s; left behind: ours %zu, gio %zu (rc %d), trash-put %zu (rc %d)\n",
              moved.ok ? "yes" : "no", moved.stayed.size(),
              static_cast<std::size_t>(std::distance(fs::directory_iterator(root / "src-gio"),
                                                     fs::directory_iterator())),
              gioStatus,
              static_cast<std::size_t>(std::distance(fs::directory_iterator(root / "src-put"),
                                                     fs::directory_iterator())),
              putStatus);

  // (d) Emptying 10,000 items, beside rm -rf of an equal tree.
  fs::remove_all(trash);
  MakeTrash(trash, 10000, 0);
  MakeTrash(root / "equal-tree", 10000, 0);
  writer.query();
  t0 = Clock::now();
  platform::EmptyResult emptied = writer.empty(nullptr);
  t1 = Clock::now();
  const double ourEmpty = Seconds(t0, t1);
  const double rm = TimeCommand("rm -rf '" + (root / "equal-tree").string() + "'");
  Row("(d) empty 10,000 items", Ms(ourEmpty), "rm -rf", Ms(rm), ourEmpty / rm,
      ourEmpty <= 1.5 * rm ? "<= 1.5x rm: met" : "<= 1.5x rm: MISSED");
  std::printf("    removed %lld, left %zu\n", static_cast<long long>(emptied.removed),
              emptied.left.size());

  std::error_code ec;
  fs::remove_all(root, ec);
  return sink < 0 ? 1 : 0;
}
