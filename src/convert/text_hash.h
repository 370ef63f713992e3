#pragma once
// A polynomial hash of a byte string that can be joined without the bytes:
// the hash of a + b follows from the hashes of a and b. It wraps modulo 2^64,
// which is fast but lets chosen texts collide; equal texts have equal hashes,
// and callers compare the texts themselves before they rely on a match.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace convert {

struct TextHash {
    std::size_t length = 0;
    std::uint64_t value = 0;

    static constexpr std::uint64_t kBase = 0x100000001B3ull;  // odd

    static std::uint64_t PowBase(std::size_t exponent) {
        std::uint64_t result = 1, base = kBase;
        for (; exponent; exponent >>= 1) {
            if (exponent & 1) result *= base;
            base *= base;
        }
        return result;
    }

    static TextHash Of(std::string_view text) {
        TextHash h;
        h.length = text.size();
        for (unsigned char c : text) h.value = h.value * kBase + c + 1;
        return h;
    }

    static TextHash Concat(const TextHash& a, const TextHash& b) {
        return TextHash{a.length + b.length, a.value * PowBase(b.length) + b.value};
    }

    bool operator==(const TextHash&) const = default;

    struct Hasher {
        std::size_t operator()(const TextHash& h) const {
            return static_cast<std::size_t>((h.value ^ h.length) * 0x9E3779B97F4A7C15ull >> 7);
        }
    };
};

}  // namespace convert
