#include "platform/Problem.h"

namespace quillon {

const Problem& Outcome::Why() const {
    static const Problem none;
    return Failure ? *Failure : none;
}

std::string GroupedNumber(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (std::size_t at = digits.size(); at > 3; at -= 3) {
        digits.insert(at - 3, 1, ',');
    }
    return digits;
}

Problem Truncated(std::uint64_t size, std::uint64_t needed) {
    return {"the file ends at byte " + GroupedNumber(size) + " of " + GroupedNumber(needed), size};
}

Problem OutOfMemory() {
    return {"there is not enough memory to read it", std::nullopt};
}

Problem EmptyFile() {
    return {"the file is empty", std::nullopt};
}

} // namespace quillon
