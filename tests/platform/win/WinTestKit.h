#pragma once
// Helpers for the tests of the Windows adapters under Wine or Windows.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

// Runs a program (a Unix one too, under Wine) and returns what it wrote to
// its standard output; exitCode gets its exit code, -1 when it did not start.
std::string RunAndRead(const std::wstring& commandLine, int* exitCode = nullptr);

// The Unix folder behind a path that Wine maps (Z:\tmp\x gives /tmp/x); empty
// when it has none.
std::string UnixPath(const std::filesystem::path& path);

// A value in the current user's hive, as text (REG_SZ) or number (REG_DWORD).
bool ReadUserText(const std::wstring& key, const std::wstring& name, std::wstring& value);
bool ReadUserNumber(const std::wstring& key, const std::wstring& name, std::uint32_t& value);

}  // namespace testsupport
