// The built-in sets are long tables typed in by hand. These tests hold them to
// what is known about each set from outside the tables: counts, the code
// pages behind the byte escapes, repetitions, the letters each set covers.
#include <gtest/gtest.h>

#include <QChar>
#include <QString>
#include <map>
#include <optional>
#include <set>

#include "assign/preset_tables.h"
#include "rtf/codepage.h"

using namespace assign;

namespace {

struct Expected {
    PresetId id;
    const char* name;
    const char* face;
    int charset, size;
    bool lockUni;
    int unicodeCells, byteCells;
};

const Expected kExpected[] = {
    {PresetId::Arab, "Arab", "Arial", 0, 12, true, 189, 0},
    {PresetId::ArabAnsi, "Arab ANSI", "Arial", 178, 14, false, 129, 60},
    {PresetId::RussAnsi, "Russ. ANSI", "Arial", 204, 14, false, 0, 72},
    {PresetId::Hebrew, "Hebrew ANSI", "Times New Roman", 177, 14, false, 0, 51},
    {PresetId::Hiragana, "Hiragana", "SimSun", 0, 16, true, 128, 0},
    {PresetId::Cyrillic, "Cyrillic", "Times New Roman", 0, 12, true, 132, 0},
    {PresetId::Greek, "Greek", "Times New Roman", 0, 13, true, 79, 0},
};

// "\uN?" with N written plainly in decimal.
std::optional<int> unicodeOf(const std::string& cell) {
    if (cell.size() < 4 || !cell.starts_with("\\u") || cell.back() != '?') return std::nullopt;
    const std::string digits = cell.substr(2, cell.size() - 3);
    if (digits.empty() || digits.size() > 5 || digits[0] == '0') return std::nullopt;
    int n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

// "\'hh" with two lower-case hexadecimal digits.
std::optional<int> byteOf(const std::string& cell) {
    if (cell.size() != 4 || !cell.starts_with("\\'")) return std::nullopt;
    int b = 0;
    for (char c : cell.substr(2)) {
        if (c >= '0' && c <= '9') b = b * 16 + (c - '0');
        else if (c >= 'a' && c <= 'f') b = b * 16 + (c - 'a' + 10);
        else return std::nullopt;
    }
    return b;
}

int unicodeAt(PresetId id, int code) {
    const auto n = unicodeOf(Preset(id).Cell(code));
    EXPECT_TRUE(n) << code << ": " << Preset(id).Cell(code);
    return n.value_or(0);
}

int byteAt(PresetId id, int code) {
    const auto b = byteOf(Preset(id).Cell(code));
    EXPECT_TRUE(b) << code << ": " << Preset(id).Cell(code);
    return b.value_or(0);
}

// The assigned codes of a set.
std::vector<int> assigned(PresetId id) {
    std::vector<int> codes;
    for (int code = 64; code <= 255; ++code)
        if (!Preset(id).Cell(code).empty()) codes.push_back(code);
    return codes;
}

// How many codes each Unicode value of a set stands on.
std::map<int, int> uses(PresetId id) {
    std::map<int, int> count;
    for (int code : assigned(id)) ++count[unicodeAt(id, code)];
    return count;
}

std::set<int> keys(const std::map<int, int>& m) {
    std::set<int> s;
    for (auto [k, v] : m) s.insert(k);
    return s;
}

int valuesUsed(const std::map<int, int>& m, int times) {
    int n = 0;
    for (auto [k, v] : m) n += v == times;
    return n;
}

std::set<int> closedRange(int first, int last) {
    std::set<int> s;
    for (int n = first; n <= last; ++n) s.insert(n);
    return s;
}

std::set<int> unite(std::initializer_list<std::set<int>> parts) {
    std::set<int> s;
    for (const auto& p : parts) s.insert(p.begin(), p.end());
    return s;
}

QString decoded(int codePage, const std::vector<int>& bytes) {
    QString s;
    for (int b : bytes) s.append(QChar(codepage::byteToUnicode(codePage, static_cast<unsigned char>(b))));
    return s;
}

std::vector<int> bytesAt(PresetId id, const std::vector<int>& codes) {
    std::vector<int> bytes;
    for (int code : codes) bytes.push_back(byteAt(id, code));
    return bytes;
}

std::vector<int> codesFrom(int first, int last) {
    std::vector<int> codes;
    for (int code = first; code <= last; ++code) codes.push_back(code);
    return codes;
}

}  // namespace

TEST(PresetRecords, EachSetNamesItsFontItsSizeAndLockUni) {
    for (const Expected& e : kExpected) {
        const PresetRecord& p = Preset(e.id);
        EXPECT_EQ(p.face, e.face) << e.name;
        EXPECT_EQ(p.charset, e.charset) << e.name;
        EXPECT_EQ(p.size, e.size) << e.name;
        EXPECT_EQ(p.lockUni, e.lockUni) << e.name;
    }
}

TEST(PresetRecords, EveryCellIsEmptyOrOneEscapeAndTheCountsAreTheSets) {
    for (const Expected& e : kExpected) {
        const PresetRecord& p = Preset(e.id);
        int unicode = 0, bytes = 0;
        for (int code = 64; code <= 255; ++code) {
            const std::string& cell = p.Cell(code);
            if (code == 92 || code == 123 || code == 125) {
                EXPECT_EQ(cell, "") << e.name << " " << code;
            }
            if (cell.empty()) continue;
            if (const auto n = unicodeOf(cell)) {
                ++unicode;
                // Written without a sign: every value lies below 32768.
                EXPECT_LT(*n, 32768) << e.name << " " << code;
            } else if (byteOf(cell)) {
                ++bytes;
                EXPECT_GE(*byteOf(cell), 0x80) << e.name << " " << code;
            } else {
                ADD_FAILURE() << e.name << " " << code << ": " << cell;
            }
        }
        EXPECT_EQ(unicode, e.unicodeCells) << e.name;
        EXPECT_EQ(bytes, e.byteCells) << e.name;
    }
}

TEST(PresetRecords, TheUnicodeValuesLieInEachSetsRange) {
    const struct {
        PresetId id;
        int low, high, lowCode, highCode;
    } ranges[] = {{PresetId::Arab, 1548, 1789, 96, 64},
                  {PresetId::Hiragana, 12321, 12540, 141, 95},
                  {PresetId::Cyrillic, 1025, 1257, 201, 244},
                  {PresetId::Greek, 894, 974, 93, 244}};
    for (const auto& r : ranges) {
        const auto used = keys(uses(r.id));
        EXPECT_EQ(*used.begin(), r.low);
        EXPECT_EQ(*used.rbegin(), r.high);
        EXPECT_EQ(unicodeAt(r.id, r.lowCode), r.low);
        EXPECT_EQ(unicodeAt(r.id, r.highCode), r.high);
    }
    EXPECT_EQ(Preset(PresetId::Arab).Cell(64), "\\u1789?");
    EXPECT_EQ(Preset(PresetId::Hiragana).Cell(64), "\\u12434?");
}

TEST(PresetRecords, ArabAnsiIsArabWithWhatCodePage1256HoldsWrittenAsItsByte) {
    const int cp = codepage::forCharset(Preset(PresetId::ArabAnsi).charset);
    ASSERT_EQ(cp, 1256);
    int bytes = 0;
    for (int code = 64; code <= 255; ++code) {
        const std::string& arab = Preset(PresetId::Arab).Cell(code);
        std::string expected = arab;
        if (const auto n = unicodeOf(arab)) {
            const int b = codepage::unicodeToByte(cp, static_cast<char32_t>(*n));
            if (b >= 0) {
                char hex[16];
                std::snprintf(hex, sizeof hex, "\\'%02x", b);
                expected = hex;
                ++bytes;
            }
        }
        EXPECT_EQ(Preset(PresetId::ArabAnsi).Cell(code), expected) << code;
    }
    EXPECT_EQ(bytes, 60);
    EXPECT_EQ(Preset(PresetId::ArabAnsi).Cell(65), "\\'da");
}

TEST(PresetRecords, RussAnsiHoldsTheRussianAlphabetOfCodePage1251) {
    const PresetId id = PresetId::RussAnsi;
    ASSERT_EQ(codepage::forCharset(Preset(id).charset), 1251);
    const std::vector<int> capitals = bytesAt(id, codesFrom(65, 90));
    const std::vector<int> small = bytesAt(id, codesFrom(97, 122));
    EXPECT_EQ(decoded(1251, capitals), QString::fromUtf8("АБЦДЕФГХИЙКЛМНОПЩРСТУВШЖЫЗ"));
    // The small letter of each capital, 32 codes higher, has its byte plus 20 hex.
    for (size_t i = 0; i < capitals.size(); ++i) EXPECT_EQ(small[i], capitals[i] + 0x20) << 97 + i;
    EXPECT_EQ(decoded(1251, small), decoded(1251, capitals).toLower());

    const std::vector<int> more{193, 196, 200, 201, 204, 205, 214, 218, 220, 221};
    std::vector<int> moreSmall;
    for (int code : more) moreSmall.push_back(code + 32);
    EXPECT_EQ(decoded(1251, bytesAt(id, more)), QString::fromUtf8("ЯЯЭЁЪЬЧЮЮЧ"));
    EXPECT_EQ(decoded(1251, bytesAt(id, moreSmall)), QString::fromUtf8("яяэёъьчююч"));

    // The 117 empty cells, as the set lists them.
    std::set<int> empty{64, 194, 195, 202, 203, 215, 216, 217, 219, 226, 227, 234, 235, 247, 248, 249, 251, 254, 255};
    for (auto [first, last] : {std::pair{91, 96}, {124, 192}, {197, 199}, {206, 213}, {222, 224}, {229, 231},
                               {238, 245}})
        for (int code = first; code <= last; ++code) empty.insert(code);
    for (int code : {92, 123, 125}) empty.erase(code);
    EXPECT_EQ(empty.size(), 117u);
    for (int code = 64; code <= 255; ++code)
        EXPECT_EQ(Preset(id).Cell(code).empty(), empty.count(code) == 1 || code == 92 || code == 123 || code == 125)
            << code;
    EXPECT_EQ(Preset(id).Cell(65), "\\'c0");
}

TEST(PresetRecords, HebrewUsesEachPointAndLetterOfCodePage1255Once) {
    const PresetId id = PresetId::Hebrew;
    ASSERT_EQ(codepage::forCharset(Preset(id).charset), 1255);
    std::set<int> bytes;
    for (int code : assigned(id)) {
        EXPECT_LE(code, 124);
        EXPECT_TRUE(bytes.insert(byteAt(id, code)).second) << "twice: " << code;
    }
    EXPECT_EQ(bytes, unite({closedRange(0xC0, 0xC9), closedRange(0xCB, 0xD8), closedRange(0xE0, 0xFA)}));

    std::set<int> characters;
    for (int b : bytes) characters.insert(codepage::byteToUnicode(1255, static_cast<unsigned char>(b)));
    std::set<int> points = closedRange(0x05B0, 0x05C3);
    points.erase(0x05BA);
    EXPECT_EQ(characters, unite({points, closedRange(0x05D0, 0x05EA), closedRange(0x05F0, 0x05F4)}));
    EXPECT_EQ(Preset(id).Cell(97), "\\'e0");
}

TEST(PresetRecords, HiraganaHoldsTheKanaAndThreeRowsOfNumerals) {
    const PresetId id = PresetId::Hiragana;
    for (int first : {141, 151, 181})
        for (int i = 0; i < 9; ++i) EXPECT_EQ(Preset(id).Cell(first + i), "\\u" + std::to_string(12321 + i) + "?");

    const auto used = uses(id);
    std::set<int> letters = closedRange(0x3041, 0x3093);
    letters.erase(0x3064);
    EXPECT_EQ(keys(used), unite({letters, closedRange(0x309B, 0x309E), {0x30FC}, closedRange(0x3021, 0x3029)}));
    EXPECT_EQ(valuesUsed(used, 2), 14);
    EXPECT_EQ(valuesUsed(used, 3), 9);
    for (auto [n, times] : used)
        if (times == 2) {
            EXPECT_TRUE(letters.count(n)) << n;
        }
}

TEST(PresetRecords, CyrillicPutsEachSmallLetterThirtyTwoCodesAboveItsCapital) {
    const PresetId id = PresetId::Cyrillic;
    std::set<int> capitals;
    for (int code = 65; code <= 90; ++code) {
        const int capital = unicodeAt(id, code);
        EXPECT_TRUE(capital >= 0x0410 && capital <= 0x042F) << code;
        capitals.insert(capital);
        EXPECT_EQ(unicodeAt(id, code + 32), QChar(capital).toLower().unicode()) << code + 32;
    }
    EXPECT_EQ(capitals.size(), 26u);

    const auto used = uses(id);
    std::set<int> basic = closedRange(0x0401, 0x045F), extended;
    for (int n : {0x040D, 0x0450, 0x045D}) basic.erase(n);
    for (int n : keys(used))
        if (n >= 0x0490 && n <= 0x04E9) extended.insert(n);
    EXPECT_EQ(extended.size(), 26u);
    EXPECT_EQ(keys(used), unite({basic, extended}));
    EXPECT_EQ(valuesUsed(used, 2), 14);
    EXPECT_EQ(valuesUsed(used, 1), static_cast<int>(used.size()) - 14);
}

TEST(PresetRecords, GreekHoldsEveryLetterAndTheAccentedOnesAndFourSigns) {
    const PresetId id = PresetId::Greek;
    EXPECT_EQ(Preset(id).Cell(93), "\\u894?");
    EXPECT_EQ(Preset(id).Cell(94), "\\u894?");
    EXPECT_EQ(Preset(id).Cell(91), "\\u903?");
    EXPECT_EQ(Preset(id).Cell(149), "\\u903?");

    std::set<int> letters, accented;
    for (int n = 0x0391; n <= 0x03C9; ++n)
        if (QChar(n).isLetter()) letters.insert(n);
    // A letter with tonos or dialytika decomposes into its base and the mark.
    for (int n = 0x0386; n <= 0x03CE; ++n)
        if (QChar(n).isLetter() && !QChar(n).decomposition().isEmpty() && n != 0x03CD) accented.insert(n);
    const auto used = uses(id);
    EXPECT_EQ(keys(used), unite({letters, accented, {0x037E, 0x0384, 0x0385, 0x0387}}));
    EXPECT_EQ(valuesUsed(used, 2), 7);
}

// Each set's table holds each character once, apart from the repetitions the
// set is known for: the characters below, on as many codes as given.
TEST(PresetRecords, NoCharacterStandsTwiceExceptTheKnownRepetitions) {
    const struct {
        PresetId id;
        std::map<int, int> repeated;
    } sets[] = {
        {PresetId::Arab, {}},
        {PresetId::ArabAnsi, {}},
        {PresetId::RussAnsi, {{0x042F, 2}, {0x042E, 2}, {0x0427, 2}, {0x044F, 2}, {0x044E, 2}, {0x0447, 2}}},
        {PresetId::Hebrew, {}},
        {PresetId::Hiragana, {{12321, 3}, {12322, 3}, {12323, 3}, {12324, 3}, {12325, 3}, {12326, 3},
                              {12327, 3}, {12328, 3}, {12329, 3}, {12358, 2}, {12359, 2}, {12365, 2},
                              {12366, 2}, {12375, 2}, {12376, 2}, {12385, 2}, {12386, 2}, {12395, 2},
                              {12397, 2}, {12405, 2}, {12417, 2}, {12423, 2}, {12424, 2}}},
        {PresetId::Cyrillic, {{1028, 2}, {1034, 2}, {1035, 2}, {1063, 2}, {1070, 2}, {1071, 2}, {1095, 2},
                              {1102, 2}, {1103, 2}, {1108, 2}, {1114, 2}, {1115, 2}, {1256, 2}, {1257, 2}}},
        {PresetId::Greek, {{894, 2}, {903, 2}, {912, 2}, {919, 2}, {938, 2}, {951, 2}, {970, 2}}},
    };
    for (const auto& set : sets) {
        const int cp = codepage::forCharset(Preset(set.id).charset);
        std::map<int, int> count;
        for (int code : assigned(set.id)) {
            const std::string& cell = Preset(set.id).Cell(code);
            const auto byte = byteOf(cell);
            ++count[byte ? codepage::byteToUnicode(cp, static_cast<unsigned char>(*byte)) : unicodeAt(set.id, code)];
        }
        std::erase_if(count, [](const auto& entry) { return entry.second == 1; });
        EXPECT_EQ(count, set.repeated) << static_cast<int>(set.id);
    }
}
