#pragma once
// A polynomial hash of a byte string that can be joined without the bytes:
// the hash of a + b follows from the hashes of a and b. Equal texts have equal
// hashes; callers compare the texts themselves before they rely on a match.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace convert {

struct TextHash {
    std::size_t length = 0;
    std::uint64_t value = 0;

    static constexpr std::uint64_t kModulus = (std::uint64_t{1} << 61) - 1;
    static constexpr std::uint64_t kBase = 1000003;

    static std::uint64_t MulMod(std::uint64_t a, std::uint64_t b) {
        const unsigned __int128 p = static_cast<unsigned __int128>(a) * b;
        std::uint64_t r = static_cast<std::uint64_t>(p & kModulus) + static_cast<std::uint64_t>(p >> 61);
        if (r >= kModulus) r -= kModulus;
        return r;
    }

    static std::uint64_t PowBase(std::size_t exponent) {
        std::uint64_t result = 1, base = kBase;
        for (; exponent; exponent >>= 1) {
            if (exponent & 1) result = MulMod(result, base);
            base = MulMod(base, base);
        }
        return result;
    }

    static TextHash Of(std::string_view text) {
        TextHash h;
        h.length = text.size();
        for (unsigned char c : text) {
            h.value = MulMod(h.value, kBase) + c + 1;
            if (h.value >= kModulus) h.value -= kModulus;
        }
        return h;
    }

    static TextHash Concat(const TextHash& a, const TextHash& b) {
        TextHash h;
        h.length = a.length + b.length;
        h.value = MulMod(a.value, PowBase(b.length)) + b.value;
        if (h.value >= kModulus) h.value -= kModulus;
        return h;
    }

    bool operator==(const TextHash&) const = default;

    struct Hasher {
        std::size_t operator()(const TextHash& h) const { return static_cast<std::size_t>(h.value ^ (h.length * 0x9E3779B97F4A7C15ull)); }
    };
};

}  // namespace convert
