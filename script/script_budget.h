#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace varno {

// The account of one script's state: the memory it holds, and the work of its running call
// against the limits no call may pass. The state's allocator asks it before a block grows,
// and the count hook and the library's guarded functions charge it their work.
//
// Work is counted in instructions: the Lua instructions run, the work of the library's
// functions counted as instructions, and every kBytesPerInstruction bytes allocated (in
// full: bytes freed are not taken back). The call may do kInstructionLimit instructions of
// work; the one that passes it is refused.
//
// Memory is capped at kMemoryLimit: a growth past it is refused. Lua answers a refusal by
// collecting all its garbage (counted as work: the memory it goes over) and asking once
// more for the same block; refused again, the script holds more than the cap alive. A
// refusal that is not asked again at once came from a library function that gives up
// without collecting (a string buffer's growth), and counts the same: the memory limit is
// passed as soon as the next growth comes, an error is caught or the call ends.
//
// Once a limit is passed, every growth is refused until the next call starts.
class ScriptBudget {
public:
    static constexpr std::int64_t kInstructionLimit = 1000000;
    static constexpr std::size_t kBytesPerInstruction = 64;
    static constexpr std::size_t kMemoryLimit = 8 * 1024 * 1024;

    enum class Limit { None, Instructions, Memory, Time };

    // A call begins: none of its work is counted yet and no limit is passed.
    void Start();
    // Whether a block of oldSize bytes (0: a new block; block null) may grow to newSize, a
    // size above oldSize. Counts the bytes when it may: Grown or Failed follows.
    bool MayGrow(const void* block, std::size_t oldSize, std::size_t newSize);
    // The growth that MayGrow allowed was made.
    void Grown(std::size_t oldSize, std::size_t newSize);
    // A block of oldSize bytes shrank to newSize (0: freed).
    void Shrunk(std::size_t oldSize, std::size_t newSize) { memory_ -= oldSize - newSize; }
    // Work of instructions more.
    void Charge(std::int64_t instructions);
    // A full collection that the script asked for: the memory it goes over counts as work.
    void Collected() { allocated_ += memory_; }
    void Pass(Limit limit);
    // A refusal left unasked is the memory limit: for the end of a call, and wherever an
    // error is caught.
    void Settle();

    Limit limit() const { return limit_; }
    std::size_t memory() const { return memory_; }
    std::int64_t work() const {
        return instructions_ + static_cast<std::int64_t>(allocated_ / kBytesPerInstruction);
    }
    std::int64_t workLeft() const {
        return work() < kInstructionLimit ? kInstructionLimit - work() : 0;
    }

private:
    struct Request {
        const void* block;
        std::size_t oldSize;
        std::size_t newSize;
        bool operator==(const Request&) const = default;
    };

    std::size_t memory_ = 0;
    std::int64_t instructions_ = 0;
    std::size_t allocated_ = 0;
    Limit limit_ = Limit::None;
    std::optional<Request> refused_;  // the last growth refused, until one is made
};

}  // namespace varno
