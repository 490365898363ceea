#include "net/WireFields.h"

#include "net/Decimal.h"

namespace pimra::net {

std::string ToWire(const std::optional<int>& number) {
    return number ? std::to_string(*number) : std::string();
}

void FromWire(std::string_view text, std::optional<int>& number) {
    number = ParseDecimal(text);
}

}  // namespace pimra::net
