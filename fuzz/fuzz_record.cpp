// Game records against arbitrary bytes: reading never crashes, and whatever is read writes
// back to a text that reads to the same record.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/RecordFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const pimra::RecordReading reading = pimra::parseRecord(input);
    if (!reading.record) {
        if (reading.problem.error == pimra::RecordError::None || reading.problem.message.empty()) {
            __builtin_trap();
        }
        return 0;
    }
    const pimra::RecordReading again = pimra::parseRecord(pimra::formatRecord(*reading.record));
    if (!again.record || !(*again.record == *reading.record)) __builtin_trap();
    return 0;
}
