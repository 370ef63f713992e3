#include "rtf/codepage.h"

#include <iconv.h>

#include <array>
#include <iterator>
#include <map>
#include <mutex>
#include <unordered_map>

#include "files/ansi.h"

namespace codepage {
namespace {

#include "rtf/codepage_tables.inc"

using QFD = QFontDatabase;
constexpr ByteRange kPairLeads{0x81, 0xFE};

constexpr Charset kCharsets[] = {
    {kWesternCharset, 1252, "Western", QFD::Latin, ansi::kUpperHalf},
    {2, kSymbol, "Symbol", QFD::Symbol},
    {128, 932, "Japanese", QFD::Japanese, nullptr, "CP932", {{0x81, 0x9F}, {0xE0, 0xFC}}},
    {129, 949, "Hangul", QFD::Korean, nullptr, "CP949", {kPairLeads}},
    {134, 936, "GB2312", QFD::SimplifiedChinese, nullptr, "CP936", {kPairLeads}},
    {136, 950, "Chinese Big5", QFD::TraditionalChinese, nullptr, "CP950", {kPairLeads}},
    {161, 1253, "Greek", QFD::Greek, kUpper1253},
    {162, 1254, "Turkish", QFD::Latin, kUpper1254},
    {163, 1258, "Vietnamese", QFD::Vietnamese, kUpper1258},
    {kHebrewCharset, 1255, "Hebrew", QFD::Hebrew, kUpper1255},
    {kArabicCharset, 1256, "Arabic", QFD::Arabic, kUpper1256},
    {186, 1257, "Baltic", QFD::Latin, kUpper1257},
    {kCyrillicCharset, 1251, "Cyrillic", QFD::Cyrillic, kUpper1251},
    {222, 874, "Thai", QFD::Thai, kUpper874},
    {238, 1250, "Central European", QFD::Latin, kUpper1250},
};

// Numbers ascending (the font chooser lists them so), each number and each
// code page once.
constexpr bool wellOrdered() {
    for (size_t i = 0; i < std::size(kCharsets); ++i)
        for (size_t j = i + 1; j < std::size(kCharsets); ++j)
            if (kCharsets[i].number >= kCharsets[j].number || kCharsets[i].codePage == kCharsets[j].codePage)
                return false;
    return true;
}
static_assert(wellOrdered());

const Charset* byCodePage(int cp) {
    for (const Charset& c : kCharsets)
        if (c.codePage == cp) return &c;
    return nullptr;
}

const char16_t* upperTable(int cp) {
    const Charset* c = byCodePage(cp);
    return c ? c->upper : nullptr;
}

const char* iconvName(int cp) {
    const Charset* c = byCodePage(cp);
    return c ? c->iconvName : nullptr;
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

std::span<const Charset> charsets() { return kCharsets; }

const Charset* byNumber(int charset) {
    for (const Charset& c : kCharsets)
        if (c.number == charset) return &c;
    return nullptr;
}

int forCharset(int charset) {
    const Charset* c = byNumber(charset);
    return c ? c->codePage : 1252;
}

bool isDoubleByte(int cp) { return iconvName(cp) != nullptr; }

bool isLeadByte(int cp, unsigned char b) {
    const Charset* c = byCodePage(cp);
    return c && (c->lead[0].holds(b) || c->lead[1].holds(b));
}

char16_t byteToUnicode(int cp, unsigned char b) {
    if (cp == 1252) return ansi::toUnicode(b);
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
