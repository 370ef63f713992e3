#pragma once
// How large a conversion lets its working text grow. A list whose meanings
// hold their own abbreviation ("a=aa" entered many times), or cells whose
// codings hold the marks they are recognised by, make every step multiply the
// text; without a bound one command would take all the memory and end the
// program. A step that would grow the text past the bound stops the command.
#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace convert {

// The bound: 64 MB, or 64 times the text the command started from when that
// is more, so no text a user works with comes near it.
inline constexpr size_t kWorkFloorBytes = size_t{64} << 20;
inline constexpr size_t kWorkGrowthFactor = 64;

struct WorkBound {
    size_t bytes = SIZE_MAX;  // no bound

    static WorkBound For(size_t startSize) {
        const size_t grown = startSize > SIZE_MAX / kWorkGrowthFactor ? SIZE_MAX : startSize * kWorkGrowthFactor;
        return WorkBound{grown > kWorkFloorBytes ? grown : kWorkFloorBytes};
    }
    // What a part of the text may grow to while the rest keeps `others` bytes.
    size_t Left(size_t others) const { return others >= bytes ? 0 : bytes - others; }
};

// What grew past the bound.
enum class Runaway {
    ListMeanings,  // the abbreviation list's meanings expand into each other
    Cells,         // the symbol table's codings do
};

// Thrown by the step that would grow the working text past its bound, before
// it does; the command stops and leaves everything as it was.
class RunawayExpansion : public std::runtime_error {
public:
    explicit RunawayExpansion(Runaway what)
        : std::runtime_error("the working text would grow past its bound"), what_(what) {}
    Runaway What() const { return what_; }

private:
    Runaway what_;
};

// Throws when a text would grow to `size` bytes past `bound`.
inline void CheckBound(size_t size, const WorkBound& bound, Runaway what) {
    if (size > bound.bytes) throw RunawayExpansion(what);
}

}  // namespace convert
