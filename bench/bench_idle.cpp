// Processor time of the idle bin, the real program under the test X server:
// with the hot keys on beside the same program with them off, the peer. The
// X server's own share is counted too, since a keymap request costs it a
// round trip. On a shared machine one reading moves by a factor of two, so
// the two run in turns, several rounds, and the medians are compared.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Time on a processor of every thread of a process, in nanoseconds; -1 when
// it is gone. (Clock ticks are too coarse for a tenth of a percent.)
long long CpuNs(long pid) {
  std::error_code ec;
  long long sum = -1;
  for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
    std::ifstream in(task.path() / "schedstat");
    long long ns = 0;
    if (in >> ns) sum = (sum < 0 ? 0 : sum) + ns;
  }
  return sum;
}

struct Share {
  double program = 0;  // percent of one core
  double server = 0;
};

Share Measure(const fs::path& exe, bool hotKeys, int seconds) {
  char pattern[] = "/tmp/ww-idle-XXXXXX";
  const fs::path dir = mkdtemp(pattern);
  fs::create_directories(dir / "data");
  {
    std::ofstream ini(dir / "Options.ini", std::ios::binary);
    ini << "[Settings]\r\nHotkeys=" << (hotKeys ? "Verdadero" : "Falso") << "\r\n";
  }
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("HOME", dir.c_str(), 1);
    setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    setenv("GSETTINGS_BACKEND", "memory", 1);
    execl(exe.c_str(), exe.c_str(), "--program-folder", dir.c_str(), nullptr);
    _exit(127);
  }
  std::this_thread::sleep_for(std::chrono::seconds(3));  // start-up done
  const char* xvfb = std::getenv("WW_XVFB_PID");
  const long server = xvfb ? std::atol(xvfb) : 0;
  const long long p0 = CpuNs(pid), s0 = server ? CpuNs(server) : 0;
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const long long p1 = CpuNs(pid), s1 = server ? CpuNs(server) : 0;
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  fs::remove_all(dir);
  const double ns = 1e9 * seconds;
  Share r;
  if (p0 >= 0 && p1 >= 0) r.program = 100.0 * double(p1 - p0) / ns;
  if (server) r.server = 100.0 * double(s1 - s0) / ns;
  return r;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Rounds {
  std::vector<double> program, server;
  void Add(const Share& s) { program.push_back(s.program), server.push_back(s.server); }
  void Print(const char* who) const {
    const auto [lo, hi] = std::minmax_element(program.begin(), program.end());
    std::printf("%-36s %6.3f  (%5.3f-%5.3f)  %6.3f\n", who, Median(program), *lo, *hi,
                Median(server));
  }
};

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  // Another build of the program may be named, to compare two versions.
  const fs::path exe = argc > 3 ? fs::path(argv[3]) : fs::path(WW_BUILD_DIR) / "WasteWell";
  Rounds plain, keys;
  for (int r = 0; r < rounds; ++r) {
    plain.Add(Measure(exe, false, seconds));
    keys.Add(Measure(exe, true, seconds));
  }
  std::printf("idle processor time, %% of one core, median of %d rounds of %d s\n", rounds,
              seconds);
  std::printf("%-36s %6s  %13s  %6s\n", "", "program", "(range)", "X server");
  plain.Print("peer: the bin, hot keys off");
  keys.Print("ours: the bin, hot keys on");
  const double on = Median(keys.program), off = Median(plain.program);
  std::printf("hot keys on / off: ratio %.2f; hot keys on under 0.15 %% of one core: %s\n",
              off > 0 ? on / off : 0.0, on < 0.15 ? "yes" : "NO");
  return 0;
}
