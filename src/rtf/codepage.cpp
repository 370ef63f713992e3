#include "rtf/codepage.h"

#include <iconv.h>

#include <array>
#include <map>
#include <mutex>
#include <unordered_map>

namespace codepage {
namespace {

#include "rtf/codepage_tables.inc"

const char16_t* upperTable(int cp) {
    switch (cp) {
    case 1250: return kUpper1250;
    case 1251: return kUpper1251;
    case 1252: return kUpper1252;
    case 1253: return kUpper1253;
    case 1254: return kUpper1254;
    case 1255: return kUpper1255;
    case 1256: return kUpper1256;
    case 1257: return kUpper1257;
    case 1258: return kUpper1258;
    case 874: return kUpper874;
    default: return nullptr;
    }
}

const char* iconvName(int cp) {
    switch (cp) {
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    default: return nullptr;
    }
}

// Decodes one character of a double-byte page; U+FFFD when iconv refuses it.
char16_t iconvChar(int cp, const char* in, size_t len) {
    iconv_t cd = iconv_open("UTF-16LE", iconvName(cp));
    if (cd == reinterpret_cast<iconv_t>(-1)) return 0xFFFD;
    char16_t out[4] = {};
    char* src = const_cast<char*>(in);
    char* dst = reinterpret_cast<char*>(out);
    size_t inLeft = len, outLeft = sizeof out;
    const size_t r = iconv(cd, &src, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1) || inLeft != 0 || outLeft != sizeof out - 2) return 0xFFFD;
    return out[0];
}

struct PageMaps {
    std::array<char16_t, 256> toUni{};
    std::unordered_map<char32_t, unsigned char> toByte;
};

const PageMaps& maps(int cp) {
    static std::mutex lock;
    static std::map<int, PageMaps> cache;
    std::lock_guard guard(lock);
    auto it = cache.find(cp);
    if (it != cache.end()) return it->second;
    PageMaps& m = cache[cp];
    for (int b = 0; b < 256; ++b) {
        char16_t u;
        if (cp == kSymbol) {
            u = static_cast<char16_t>(0xF000 + b);
        } else if (b < 0x80) {
            u = static_cast<char16_t>(b);
        } else if (const char16_t* t = upperTable(cp)) {
            u = t[b - 0x80];
        } else if (isDoubleByte(cp)) {
            if (isLeadByte(cp, static_cast<unsigned char>(b))) {
                u = 0xFFFD;
            } else {
                const char c = static_cast<char>(b);
                u = iconvChar(cp, &c, 1);
            }
        } else {
            u = 0xFFFD;
        }
        m.toUni[static_cast<size_t>(b)] = u;
        if (u != 0xFFFD) m.toByte.emplace(u, static_cast<unsigned char>(b));
    }
    return m;
}

}  // namespace

int forCharset(int charset) {
    switch (charset) {
    case 2: return kSymbol;
    case 238: return 1250;
    case 204: return 1251;
    case 161: return 1253;
    case 162: return 1254;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 163: return 1258;
    case 222: return 874;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    default: return 1252;
    }
}

bool isDoubleByte(int cp) { return iconvName(cp) != nullptr; }

bool isLeadByte(int cp, unsigned char b) {
    switch (cp) {
    case 932: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950: return b >= 0x81 && b <= 0xFE;
    default: return false;
    }
}

char16_t byteToUnicode(int cp, unsigned char b) {
    if (cp == 1252) return b >= 0x80 ? kUpper1252[b - 0x80] : b;
    return maps(cp).toUni[b];
}

int unicodeToByte(int cp, char32_t ch) {
    if (ch < 0x80 && cp != kSymbol) return static_cast<int>(ch);
    const auto& m = maps(cp).toByte;
    auto it = m.find(ch);
    return it == m.end() ? -1 : it->second;
}

QString decode(int cp, std::string_view bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (isLeadByte(cp, b) && i + 1 < bytes.size()) {
            out.append(QChar(iconvChar(cp, bytes.data() + i, 2)));
            ++i;
        } else {
            out.append(QChar(byteToUnicode(cp, b)));
        }
    }
    return out;
}

}  // namespace codepage
