// Processor time of the idle bin, the real program under the test X server:
// with the hot keys on (a keyboard poll ten times a second) beside the same
// program with them off, the peer. The X server's own share is counted too,
// since each keymap request costs it a round trip.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

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

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
  // Another build of the program may be named, to compare two versions.
  const fs::path exe = argc > 2 ? fs::path(argv[2]) : fs::path(WW_BUILD_DIR) / "WasteWell";
  const Share plain = Measure(exe, false, seconds);
  const Share keys = Measure(exe, true, seconds);
  std::printf("idle processor time over %d s, %% of one core   program   X server\n", seconds);
  std::printf("peer: the bin, hot keys off                      %6.3f    %6.3f\n", plain.program,
              plain.server);
  std::printf("ours: the bin, hot keys on                       %6.3f    %6.3f\n", keys.program,
              keys.server);
  std::printf("hot keys on / off: ratio %.2f; hot keys on under 0.15 %% of one core: %s\n",
              plain.program > 0 ? keys.program / plain.program : 0.0,
              keys.program < 0.15 ? "yes" : "NO");
  return 0;
}
