#include "tools/InternetCheck.h"

#include <algorithm>
#include <cctype>

#include "platform/Connectivity.h"

namespace tools {

void AddHttpsScheme(std::string& address) {
  std::string head = address.substr(0, 8);
  std::transform(head.begin(), head.end(), head.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (head != "https://") address.insert(0, "https://");
}

bool IsInternetReachable(std::string& address) {
  AddHttpsScheme(address);
  return platform::CheckConnection(address, kInternetCheckTimeoutMs);
}

}  // namespace tools
