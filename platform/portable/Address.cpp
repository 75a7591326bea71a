#include "platform/portable/Address.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <string>

namespace platform {

bool ParseAddress(const std::string& address, Endpoint& out) {
  std::string rest = address;
  std::string scheme;
  const std::size_t sep = rest.find("://");
  const bool hasScheme = sep != std::string::npos && sep > 0 &&
                         std::all_of(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(sep),
                                     [](unsigned char c) {
                                       return std::isalnum(c) || c == '+' || c == '-' || c == '.';
                                     });
  if (hasScheme) {
    scheme = rest.substr(0, sep);
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    rest = rest.substr(sep + 3);
  }
  rest = rest.substr(0, rest.find_first_of("/?#"));
  if (const std::size_t at = rest.rfind('@'); at != std::string::npos) rest = rest.substr(at + 1);

  std::string port;
  if (!rest.empty() && rest[0] == '[') {
    const std::size_t close = rest.find(']');
    if (close == std::string::npos) return false;
    out.host = rest.substr(1, close - 1);
    const std::string after = rest.substr(close + 1);
    if (!after.empty()) {
      if (after[0] != ':') return false;
      port = after.substr(1);
    }
  } else {
    const std::size_t colon = rest.find(':');
    out.host = rest.substr(0, colon);
    if (colon != std::string::npos) port = rest.substr(colon + 1);
  }
  if (out.host.empty()) return false;

  if (port.empty()) {
    if (scheme == "http")
      port = "80";
    else if (scheme == "https" || scheme.empty())
      port = "443";
    else if (scheme == "ftp")
      port = "21";
    else
      return false;
  }
  if (port.size() > 5 ||
      !std::all_of(port.begin(), port.end(), [](unsigned char c) { return std::isdigit(c); }))
    return false;
  const int number = std::stoi(port);
  if (number < 1 || number > 65535) return false;
  out.port = std::to_string(number);
  return true;
}

}  // namespace platform
