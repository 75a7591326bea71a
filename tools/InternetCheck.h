#pragma once
// The connectivity check made before a window that needs the internet opens.
#include <functional>
#include <string>

class QObject;

namespace tools {

// Time the check may take, in milliseconds.
constexpr int kInternetCheckTimeoutMs = 5000;

// Puts "https://" in front of the address unless it already starts with that
// scheme, in any case of letters. The caller's string is changed.
void AddHttpsScheme(std::string& address);

// Whether a connection to the address can be made now; the address gets the
// scheme as AddHttpsScheme gives it. Blocks for up to the time-out: never on
// the interface thread.
bool IsInternetReachable(std::string& address);

// The same check on a thread of its own. done gets the answer on the
// interface thread, unless context was destroyed first; then nothing runs.
void CheckInternet(std::string address, QObject* context, std::function<void(bool)> done);

}  // namespace tools
