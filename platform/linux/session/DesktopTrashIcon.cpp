#include "platform/linux/session/DesktopTrashIcon.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/portable/TimedCall.h"

extern char** environ;

namespace platform {
namespace {

struct GSettingsTarget {
  const char* schema;
  const char* key;
};

// Persisted names: they belong to the desktops, not to us.
constexpr GSettingsTarget kGSettingsTargets[] = {
    {"org.gnome.shell.extensions.ding", "show-trash"},
    {"org.nemo.desktop", "trash-icon-visible"},
    {"org.mate.caja.desktop", "trash-icon-visible"},
};
constexpr const char* kXfconfChannel = "xfce4-desktop";
constexpr const char* kXfconfProperty = "/desktop-icons/file-icons/show-trash";

bool IsBooleanKey(GSettingsSchema* schema, const char* key) {
  if (!g_settings_schema_has_key(schema, key)) return false;
  GSettingsSchemaKey* k = g_settings_schema_get_key(schema, key);
  const bool boolean =
      g_variant_type_equal(g_settings_schema_key_get_value_type(k), G_VARIANT_TYPE_BOOLEAN);
  g_settings_schema_key_unref(k);
  return boolean;
}

// A backend that keeps nothing beyond this process would report success for
// a change no desktop ever sees.
bool BackendKeepsValues(GSettings* settings) {
  GSettingsBackend* backend = nullptr;
  g_object_get(settings, "backend", &backend, nullptr);
  if (!backend) return false;
  const std::string type = G_OBJECT_TYPE_NAME(backend);
  g_object_unref(backend);
  return type != "GMemorySettingsBackend" && type != "GNullSettingsBackend";
}

// GLib aborts the process on a schema or key it does not know, so everything
// is looked up before GSettings is made.
bool SetGSettingsKey(const GSettingsTarget& target, bool value) {
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (!source) return false;
  GSettingsSchema* schema = g_settings_schema_source_lookup(source, target.schema, TRUE);
  if (!schema) return false;
  bool stored = false;
  if (g_settings_schema_get_path(schema) && IsBooleanKey(schema, target.key)) {
    GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
    if (BackendKeepsValues(settings) && g_settings_is_writable(settings, target.key))
      stored = g_settings_set_boolean(settings, target.key, value);
    g_object_unref(settings);
  }
  g_settings_schema_unref(schema);
  return stored;
}

std::string FindInPath(const char* name) {
  const char* path = std::getenv("PATH");
  if (!path) return {};
  std::string dirs = path;
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    if (!dir.empty()) {
      std::string candidate = dir + "/" + name;
      if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    start = end + 1;
  }
  return {};
}

// Runs a program with its output thrown away; false when it fails or is still
// running after the time-out (it is then killed with everything it started).
bool RunWithTimeout(const std::string& program, const std::vector<std::string>& args,
                    int timeoutMs) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (done < 0 && errno != EINTR) return false;
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(-pid, SIGKILL);
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return false;
}

bool SetXfconf(bool value) {
  const std::string program = FindInPath("xfconf-query");
  if (program.empty()) return false;
  std::vector<std::string> args = {"-c", kXfconfChannel, "-p", kXfconfProperty};
  for (const char* a : {"-n", "-t", "bool", "-s", value ? "true" : "false"}) args.emplace_back(a);
  return RunWithTimeout(program, args, kXfconfTimeoutMs);
}

// Waits until the settings backend has stored what was set. dconf hands the
// change to its service over D-Bus, and g_settings_sync() waits for the answer
// without a time-out; a session bus that does not answer would keep us here
// for good, so the wait happens on a thread of its own that we stop waiting
// for. Once one never came back, later ones are not waited for either.
bool SyncSettings(int timeoutMs) {
  static TimedCall<bool> stuck;
  if (stuck.running()) return false;
  TimedCall<bool> sync;
  if (!sync.start([] {
        g_settings_sync();
        return true;
      }))
    return false;
  if (sync.waitUntil(TimedCall<bool>::Clock::now() + std::chrono::milliseconds(timeoutMs)))
    return true;
  stuck = sync;
  return false;
}

}  // namespace

int SetDesktopTrashIconVisible(bool value) {
  int stored = 0;
  for (const GSettingsTarget& target : kGSettingsTargets)
    if (SetGSettingsKey(target, value)) ++stored;
  // The desktop may read the value as soon as we return, and we may be about
  // to exit: the change counts once the backend has it.
  if (stored > 0 && !SyncSettings(kSettingsSyncTimeoutMs)) stored = 0;
  if (SetXfconf(value)) ++stored;
  return stored;
}

}  // namespace platform
