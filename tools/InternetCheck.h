#pragma once
// The connectivity check made before a window that needs the internet opens.
#include <string>

namespace tools {

// Time the check may take, in milliseconds.
constexpr int kInternetCheckTimeoutMs = 5000;

// Puts "https://" in front of the address unless it already starts with that
// scheme, in any case of letters. The caller's string is changed.
void AddHttpsScheme(std::string& address);

// Whether a connection to the address can be made now; the address gets the
// scheme as AddHttpsScheme gives it.
bool IsInternetReachable(std::string& address);

}  // namespace tools
