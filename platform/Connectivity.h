#pragma once
#include <string>

namespace platform {

// Whether a TCP connection to the host and port of the address can be made
// within timeoutMs (the scheme gives the port when the address names none).
bool CheckConnection(const std::string& address, int timeoutMs);

}  // namespace platform
