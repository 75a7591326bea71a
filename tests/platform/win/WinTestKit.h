#pragma once
// Helpers for the tests of the Windows adapters under Wine or Windows.
#include <filesystem>
#include <string>

namespace testsupport {

// Under Wine: runs a Unix shell command and returns what it wrote (standard output and errors);
// exitCode gets its exit code, -1 when it did not end.
std::string RunUnixShell(const std::string& command, int* exitCode = nullptr);

// The Unix folder behind a path that Wine maps (Z:\tmp\x gives /tmp/x); empty when it has none.
std::string UnixPath(const std::filesystem::path& path);

}  // namespace testsupport
