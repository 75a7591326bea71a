#include "support/TempDir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace testsupport {

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string tmpl = std::string(base && *base ? base : "/tmp") + "/ww-test-XXXXXX";
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  chmod(tmpl.c_str(), 0755);  // tests that drop to another user reach in
  path_ = tmpl;
}

TempDir::~TempDir() {
  namespace fs = std::filesystem;
  std::error_code ec;
  // Tests may leave read-only folders behind; make them writable first.
  for (fs::recursive_directory_iterator it(path_, fs::directory_options::skip_permission_denied,
                                           ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
    if (it->is_directory(ec) && !it->is_symlink(ec))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value)
    : name_(name), had_(std::getenv(name) != nullptr), old_(had_ ? std::getenv(name) : "") {
  setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() { had_ ? setenv(name_.c_str(), old_.c_str(), 1) : unsetenv(name_.c_str()); }

}  // namespace testsupport
