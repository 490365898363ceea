#include "ConnectionCount.h"

namespace pimra::server {

bool ConnectionCount::take(const std::string& address) {
    std::lock_guard lock(mutex_);
    if (total_ >= maxTotal_) return false;
    if (!address.empty()) {
        int& mine = perAddress_[address];
        if (mine >= maxPerAddress_) return false;
        ++mine;
    }
    ++total_;
    return true;
}

void ConnectionCount::give(const std::string& address) {
    std::lock_guard lock(mutex_);
    --total_;
    const auto it = perAddress_.find(address);
    if (it != perAddress_.end() && --it->second <= 0) perAddress_.erase(it);
}

}  // namespace pimra::server
