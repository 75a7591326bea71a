// The temporary-folder cleaner on a tree of 100,000 entries, beside the
// commands people use for the same jobs:
//  (a) "Mostrar" (walk, list filled, size measured), beside find DIR | wc -l;
//  (b) "Borrar" (the emptying and the listing after it), beside rm -rf of an equal tree.
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "tools/tempdir/FormTempDir.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

// 1,000 folders of 99 files: 100,000 entries with the folders.
void MakeTree(const fs::path& root) {
  for (int d = 0; d < 1000; ++d) {
    const fs::path dir = root / ("d" + std::to_string(d));
    fs::create_directories(dir);
    for (int f = 0; f < 99; ++f)
      std::ofstream(dir / ("f" + std::to_string(f) + ".tmp")) << "temporary " << f;
  }
}

double TimeCommand(const std::string& cmd) {
  const auto t0 = Clock::now();
  if (std::system((cmd + " >/dev/null 2>&1").c_str()) != 0)
    std::printf("(%s failed)\n", cmd.c_str());
  return Seconds(t0, Clock::now());
}

void Row(const char* what, double ours, const char* peerName, double peer, const char* goal) {
  std::printf("%-30s %10.2f ms  %-16s %10.2f ms  %7.3f  %s\n", what, ours * 1e3, peerName,
              peer * 1e3, ours / peer, goal);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  char tmpl[] = "/tmp/ww-bench-utilities-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  const fs::path root = tmpl, temp = root / "temp", peer = root / "peer";
  std::printf("preparing two trees of 100,000 entries...\n");
  MakeTree(temp);
  MakeTree(peer);
  setenv("TMPDIR", temp.c_str(), 1);
  platform::SetMsgBoxHook([](const platform::ShownMessage&) { return platform::kAnswerOk; });

  std::printf("\n%-30s %13s  %-16s %13s  %7s  %s\n", "case", "ours", "peer", "peer time", "ratio",
              "goal");
  tools::FormTempDir form;
  // Best of three, both warm: the walk is what is measured, not the disk.
  const std::string folder = tools::TempDirPath();
  double listing = 1e9, find = 1e9, sizing = 1e9, du = 1e9;
  for (int round = 0; round < 3; ++round) {
    find = std::min(find, TimeCommand("find '" + temp.string() + "' | wc -l"));
    auto t0 = Clock::now();
    form.ListTempDir->Clear();
    form.ListarCarpeta(folder);
    listing = std::min(listing, Seconds(t0, Clock::now()));
    du = std::min(du, TimeCommand("du -sb '" + temp.string() + "'"));
    t0 = Clock::now();
    platform::FolderSize(temp);
    sizing = std::min(sizing, Seconds(t0, Clock::now()));
  }
  Row("(a) list 100,000 entries", listing, "find | wc -l", find, "<= 1x find");
  std::printf("    lines listed: %lld\n", static_cast<long long>(form.ListTempDir->Lines().size()));
  Row("    measure them", sizing, "du -sb", du, "<= 1x du -sb");
  form.CommandMostrar_Click();  // the listing that the emptying goes by

  TimeCommand("sync");
  const double rm = TimeCommand("rm -rf '" + peer.string() + "'");
  TimeCommand("sync");
  const auto t0 = Clock::now();
  form.CommandBorrar_Click();
  const double emptying = Seconds(t0, Clock::now());
  Row("(b) empty 100,000 entries", emptying, "rm -rf", rm, "<= 1x rm -rf");
  std::printf("    left: %lld lines; %s\n",
              static_cast<long long>(form.ListTempDir->Lines().size()),
              form.LabelGanado->text().toUtf8().constData());
  fs::remove_all(root);
  return 0;
}
