#include "net/ResendPolicy.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace pimra::net {

bool MayResend(const Request& request) {
    static constexpr std::array<std::string_view, 4> kReads = {"gettable", "nextrecord",
                                                               "tablelist", "login"};
    const auto action = std::find_if(request.begin(), request.end(),
                                     [](const RequestLine& line) { return line.name == "action"; });
    if (action == request.end()) return false;
    return std::find(kReads.begin(), kReads.end(), action->value) != kReads.end();
}

}  // namespace pimra::net
