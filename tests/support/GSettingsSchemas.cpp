#include "support/GSettingsSchemas.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace testsupport {
namespace {

std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs a command line: true when it succeeds; its output without the last line break.
bool Run(const std::string& command, std::string* output) {
  // A settings service that hangs must fail the test, not stop it.
  FILE* pipe = popen(("timeout 20 " + command + " 2>/dev/null").c_str(), "r");
  if (!pipe) return false;
  std::string out;
  char buffer[256];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  const int status = pclose(pipe);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  if (output) *output = out;
  return status == 0;
}

}  // namespace

std::filesystem::path TestDataDir() {
  if (const char* source = std::getenv("WW_SOURCE_DIR"); source && *source)
    return std::filesystem::path(source) / "tests/data";
  return std::filesystem::path(__FILE__).parent_path().parent_path() / "data";
}

GSettingsSandbox::GSettingsSandbox(const std::vector<std::string>& schemaFiles) {
  const std::filesystem::path schemas = dir_ / "schemas";
  std::filesystem::create_directories(schemas);
  std::filesystem::create_directories(dir_ / "data");
  std::filesystem::create_directories(ConfigHome());
  for (const std::string& name : schemaFiles)
    std::filesystem::copy_file(TestDataDir() / "gschemas" / name, schemas / name);
  if (!Run("glib-compile-schemas " + ShellQuote(schemas.string()), nullptr))
    throw std::runtime_error("glib-compile-schemas failed");

  // Only our schemas are seen: the system's and the user's data folders are
  // replaced by an empty one.
  env_.push_back(std::make_unique<ScopedEnv>("GSETTINGS_SCHEMA_DIR", schemas.string()));
  env_.push_back(std::make_unique<ScopedEnv>("XDG_DATA_DIRS", (dir_ / "data").string()));
  env_.push_back(std::make_unique<ScopedEnv>("XDG_DATA_HOME", (dir_ / "data").string()));
  env_.push_back(std::make_unique<ScopedEnv>("GSETTINGS_BACKEND", "keyfile"));
  env_.push_back(std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", ConfigHome().string()));
}

std::string GSettingsSandbox::Get(const std::string& schema, const std::string& key) const {
  std::string out;
  if (!Run("gsettings get " + ShellQuote(schema) + " " + ShellQuote(key), &out)) return {};
  return out;
}

bool GSettingsSandbox::Set(const std::string& schema, const std::string& key,
                           const std::string& value) const {
  return Run(
      "gsettings set " + ShellQuote(schema) + " " + ShellQuote(key) + " " + ShellQuote(value),
      nullptr);
}

PrivateSessionBus::PrivateSessionBus(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  const std::filesystem::path socket = folder / "bus";
  const std::string listen = "--address=unix:path=" + socket.string();
  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--nopidfile", listen.c_str(),
           static_cast<char*>(nullptr));
    _exit(127);
  }
  if (pid < 0) return;
  setpgid(pid, pid);
  pid_ = pid;
  for (int i = 0; i < 250 && !std::filesystem::exists(socket); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  if (!std::filesystem::exists(socket)) {
    kill(-pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    return;
  }
  address_ =
      std::make_unique<ScopedEnv>("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + socket.string());
}

PrivateSessionBus::~PrivateSessionBus() {
  if (pid_ <= 0) return;
  kill(-pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
}

}  // namespace testsupport
