// Why reading outside data (or a step made of it, such as a composite) failed, in words the player
// can act on, and the outcome every reader of outside data returns. A reason is short and
// lower-case ("BC6H textures are not supported", "the file ends at byte 4,120 of 1,048,704");
// whoever shows it puts the system's own message first and the reason after.
#pragma once

#include <cstdint>
#include <new>
#include <optional>
#include <string>
#include <utility>

namespace quillon {

struct Problem {
    std::string Text;
    std::optional<std::uint64_t> Offset; // the byte of the data it concerns, where that helps
};

// Whether a read (or step) succeeded, and if not, why. True means it did; `if (!outcome)` tests
// for failure, as the readers' boolean results always did.
class [[nodiscard]] Outcome {
public:
    Outcome() = default;
    Outcome(Problem problem) : Failure(std::move(problem)) {} // NOLINT: implicit, a failure
    explicit operator bool() const { return !Failure.has_value(); }
    // The problem of a failure; an empty one for a success.
    const Problem& Why() const;

private:
    std::optional<Problem> Failure;
};

// 1048704 as "1,048,704".
std::string GroupedNumber(std::uint64_t value);

// The file (or data) has `size` bytes where its header promises `needed`.
Problem Truncated(std::uint64_t size, std::uint64_t needed);

// What every reader reports when memory runs out while it works.
Problem OutOfMemory();

// What every reader of a format reports for a file of no bytes.
Problem EmptyFile();

// Runs a reader (or step); memory running out ends it with OutOfMemory(), the same in every
// reader, instead of an exception that ends the program.
template <typename Work> Outcome CatchingOutOfMemory(Work&& work) noexcept {
    try {
        return std::forward<Work>(work)();
    } catch (const std::bad_alloc&) {
        return OutOfMemory();
    }
}

} // namespace quillon
