#pragma once

#include <map>
#include <mutex>
#include <string>

namespace pimra::server {

// Open connections (or, through the front, requests under way), in all and per address.
class ConnectionCount {
  public:
    ConnectionCount(int maxTotal, int maxPerAddress)
        : maxTotal_(maxTotal), maxPerAddress_(maxPerAddress) {}
    // An empty address counts against the total alone.
    bool take(const std::string& address);
    void give(const std::string& address);

  private:
    std::mutex mutex_;
    int maxTotal_;
    int maxPerAddress_;
    int total_ = 0;
    std::map<std::string, int> perAddress_;
};

}  // namespace pimra::server
