#pragma once
// GSettings of the tests' own: test schemas compiled into a temporary folder,
// values kept in a key file under a temporary XDG_CONFIG_HOME. GIO reads these
// places once per process, so the sandbox must exist before the first GIO
// call and last until the process ends.
#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace testsupport {

// tests/data in the source tree.
std::filesystem::path TestDataDir();

class GSettingsSandbox {
 public:
  // schemaFiles: names of files in tests/data/gschemas.
  explicit GSettingsSandbox(const std::vector<std::string>& schemaFiles);
  GSettingsSandbox(const GSettingsSandbox&) = delete;
  GSettingsSandbox& operator=(const GSettingsSandbox&) = delete;

  std::filesystem::path ConfigHome() const { return dir_ / "config"; }
  std::filesystem::path KeyFile() const { return ConfigHome() / "glib-2.0/settings/keyfile"; }

  // The value as `gsettings get` prints it in a process of its own ("false",
  // "'auto'"); empty when gsettings fails.
  std::string Get(const std::string& schema, const std::string& key) const;
  // Same, through `gsettings set`; false when it fails.
  bool Set(const std::string& schema, const std::string& key, const std::string& value) const;

 private:
  TempDir dir_;
  std::vector<std::unique_ptr<ScopedEnv>> env_;
};

// A D-Bus session bus of our own, reading the system's service files so that
// dconf's service starts on demand with the environment of this moment. Made
// after the sandbox; stopped, with what it started, when destroyed.
class PrivateSessionBus {
 public:
  explicit PrivateSessionBus(const std::filesystem::path& folder);
  ~PrivateSessionBus();
  PrivateSessionBus(const PrivateSessionBus&) = delete;
  PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;
  bool running() const { return pid_ > 0; }

 private:
  int pid_ = -1;
  std::unique_ptr<ScopedEnv> address_;
};

}  // namespace testsupport
