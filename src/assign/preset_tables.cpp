#include "assign/preset_tables.h"

#include <utility>

#include "assign/cells.h"
#include "rtf/codepage.h"

namespace assign {
namespace {

// The sets as tables of eight codes a row, the row named by its first code.
// An entry is the Unicode number of a "\uN?" cell or, for "Hebrew ANSI", the
// byte of a "\'hh" cell; 0 leaves the cell empty; xx stands on the codes 92,
// 123 and 125, which have no cell.
using Grid = std::array<int, kPresetCellLines>;
constexpr int xx = -1;

constexpr bool noCellExactlyAt92_123_125(const Grid& grid) {
    for (int code = 64; code <= 255; ++code)
        if ((grid[static_cast<size_t>(code - 64)] == xx) != (code == 92 || code == 123 || code == 125)) return false;
    return true;
}

// "Arab": character set 0, every cell a Unicode escape.
constexpr Grid kArab{
    /*  64 */  1789,  1593,  1659,  1584,  1590,  1668,  1579,  1594,
    /*  72 */  1569,  1683,  1666,  1670,  1671,  1680,  1667,  1678,
    /*  80 */  1679,  1602,  1681,  1588,  1577,  1735,  1682,  1654,
    /*  88 */  1665,  1656,  1586,  1614,    xx,  1567,  1600,  1563,
    /*  96 */  1548,  1575,  1576,  1592,  1583,  1744,  1601,  1672,
    /* 104 */  1581,  1673,  1580,  1603,  1604,  1605,  1606,  1669,
    /* 112 */  1662,  1591,  1585,  1587,  1578,  1655,  1674,  1608,
    /* 120 */  1582,  1610,  1589,    xx,  1612,    xx,  1611,  1707,
    /* 128 */  1675,  1708,  1709,  1706,  1710,  1761,  1762,  1645,
    /* 136 */  1763,  1787,  1764,  1765,  1734,  1766,  1676,  1767,
    /* 144 */  1768,  1644,  1643,  1773,  1786,  1758,  1632,  1633,
    /* 152 */  1634,  1635,  1636,  1637,  1638,  1639,  1640,  1641,
    /* 160 */  1757,  1711,  1712,  1713,  1714,  1715,  1716,  1702,
    /* 168 */  1756,  1705,  1717,  1718,  1719,  1720,  1721,  1722,
    /* 176 */  1615,  1723,  1616,  1617,  1613,  1609,  1724,  1725,
    /* 184 */  1726,  1727,  1728,  1729,  1730,  1731,  1732,  1733,
    /* 192 */  1572,  1573,  1571,  1650,  1570,  1747,  1746,  1690,
    /* 200 */  1684,  1685,  1686,  1687,  1688,  1737,  1607,  1689,
    /* 208 */  1740,  1741,  1742,  1743,  1738,  1755,  1677,  1754,
    /* 216 */  1753,  1697,  1698,  1699,  1695,  1574,  1769,  1692,
    /* 224 */  1621,  1620,  1648,  1651,  1649,  1745,  1749,  1691,
    /* 232 */  1664,  1663,  1661,  1694,  1660,  1658,  1657,  1693,
    /* 240 */  1739,  1788,  1653,  1652,  1619,  1752,  1618,  1750,
    /* 248 */  1751,  1700,  1701,  1703,  1704,  1696,  1748,  1736,
};

// "Arab ANSI" is "Arab" with these cells written as bytes of code page 1256
// (code, byte); the other 129 cells stay Unicode escapes.
constexpr std::pair<int, int> kArabAnsiBytes[] = {
    {65, 0xda},  {67, 0xd0},  {68, 0xd6},  {70, 0xcb},  {71, 0xdb},  {72, 0xc1},  {75, 0x8d},  {81, 0xde},
    {82, 0x9a},  {83, 0xd4},  {84, 0xc9},  {90, 0xd2},  {91, 0xf3},  {93, 0xbf},  {94, 0xdc},  {95, 0xba},
    {96, 0xa1},  {97, 0xc7},  {98, 0xc8},  {99, 0xd9},  {100, 0xcf}, {102, 0xdd}, {103, 0x8f}, {104, 0xcd},
    {106, 0xcc}, {107, 0xdf}, {108, 0xe1}, {109, 0xe3}, {110, 0xe4}, {112, 0x81}, {113, 0xd8}, {114, 0xd1},
    {115, 0xd3}, {116, 0xca}, {119, 0xe6}, {120, 0xce}, {121, 0xed}, {122, 0xd5}, {124, 0xf1}, {126, 0xf0},
    {161, 0x90}, {169, 0x98}, {175, 0x9f}, {176, 0xf5}, {178, 0xf6}, {179, 0xf8}, {180, 0xf2}, {181, 0xec},
    {184, 0xaa}, {187, 0xc0}, {192, 0xc4}, {193, 0xc5}, {194, 0xc3}, {196, 0xc2}, {198, 0xff}, {204, 0x8e},
    {206, 0xe5}, {221, 0xc6}, {238, 0x8a}, {246, 0xfa},
};

// "Russ. ANSI": bytes of code page 1251 on 72 codes, every other cell empty.
// Codes 65..90 (capitals), then 97..122 (their small letters).
constexpr int kRussCapitals[26] = {0xc0, 0xc1, 0xd6, 0xc4, 0xc5, 0xd4, 0xc3, 0xd5, 0xc8, 0xc9, 0xca, 0xcb, 0xcc,
                                   0xcd, 0xce, 0xcf, 0xd9, 0xd0, 0xd1, 0xd2, 0xd3, 0xc2, 0xd8, 0xc6, 0xdb, 0xc7};
constexpr int kRussSmall[26] = {0xe0, 0xe1, 0xf6, 0xe4, 0xe5, 0xf4, 0xe3, 0xf5, 0xe8, 0xe9, 0xea, 0xeb, 0xec,
                                0xed, 0xee, 0xef, 0xf9, 0xf0, 0xf1, 0xf2, 0xf3, 0xe2, 0xf8, 0xe6, 0xfb, 0xe7};
// (code, byte)
constexpr std::pair<int, int> kRussMore[] = {
    {193, 0xdf}, {196, 0xdf}, {200, 0xdd}, {201, 0xa8}, {204, 0xda},
    {205, 0xdc}, {214, 0xd7}, {218, 0xde}, {220, 0xde}, {221, 0xd7},
    {225, 0xff}, {228, 0xff}, {232, 0xfd}, {233, 0xb8}, {236, 0xfa},
    {237, 0xfc}, {246, 0xf7}, {250, 0xfe}, {252, 0xfe}, {253, 0xf7},
};

// "Hebrew ANSI": bytes of code page 1255, all on codes 64..124.
constexpr Grid kHebrew{
    /*  64 */ 0xc3, 0xc2, 0xc7, 0xf5, 0xcc, 0xcd, 0xce, 0xd7,
    /*  72 */ 0xd8, 0xc4,    0, 0xea,    0, 0xed, 0xef, 0xc9,
    /*  80 */ 0xf3, 0xc8, 0xcf, 0xc0, 0xc5, 0xcb, 0xd4, 0xd6,
    /*  88 */ 0xc1, 0xd5, 0xc6, 0xd1,   xx, 0xd2,    0,    0,
    /*  96 */    0, 0xe0, 0xe1, 0xf6, 0xe3,    0, 0xfa, 0xe2,
    /* 104 */ 0xe4,    0, 0xe9, 0xeb, 0xec, 0xee, 0xf0,    0,
    /* 112 */ 0xf4, 0xf7, 0xf8, 0xf1, 0xe8, 0xd3, 0xe5, 0xf9,
    /* 120 */ 0xe7, 0xf2, 0xe6,   xx, 0xd0,   xx,    0,    0,
    /* 128 */    0,    0,    0,    0,    0,    0,    0,    0,
    /* 136 */    0,    0,    0,    0,    0,    0,    0,    0,
    /* 144 */    0,    0,    0,    0,    0,    0,    0,    0,
    /* 152 */    0,    0,    0,    0,    0,    0,    0,    0,
    /* 160 */    0,    0,    0,    0,    0,    0,    0,    0,
    /* 168 */    0,    0,    0,    0,    0,    0,    0,    0,
    /* 176 */    0,    0,    0,    0,    0,    0,    0,    0,
    /* 184 */    0,    0,    0,    0,    0,    0,    0,    0,
    /* 192 */    0,    0,    0,    0,    0,    0,    0,    0,
    /* 200 */    0,    0,    0,    0,    0,    0,    0,    0,
    /* 208 */    0,    0,    0,    0,    0,    0,    0,    0,
    /* 216 */    0,    0,    0,    0,    0,    0,    0,    0,
    /* 224 */    0,    0,    0,    0,    0,    0,    0,    0,
    /* 232 */    0,    0,    0,    0,    0,    0,    0,    0,
    /* 240 */    0,    0,    0,    0,    0,    0,    0,    0,
    /* 248 */    0,    0,    0,    0,    0,    0,    0,    0,
};

// "Hiragana"
constexpr Grid kHiragana{
    /*  64 */ 12434, 12354, 12403,     0, 12386, 12360,     0, 12366,
    /*  72 */ 12402, 12356, 12424, 12365, 12422, 12415, 12435, 12362,
    /*  80 */ 12404,     0, 12426, 12375, 12385, 12358, 12359, 12431,
    /*  88 */ 12405, 12420, 12376, 12445,    xx, 12446, 12443, 12540,
    /*  96 */     0, 12353, 12400,     0, 12384, 12359, 12405, 12364,
    /* 104 */ 12399, 12355, 12423, 12363, 12421, 12414, 12394, 12361,
    /* 112 */ 12401, 12410, 12425, 12373, 12383, 12357, 12358, 12430,
    /* 120 */ 12408, 12419, 12374,    xx,     0,    xx, 12395,     0,
    /* 128 */ 12417,     0,     0,     0,     0,     0,     0,     0,
    /* 136 */     0,     0,     0,     0,     0, 12321, 12322, 12323,
    /* 144 */ 12324, 12325, 12326, 12327, 12328, 12329,     0, 12321,
    /* 152 */ 12322, 12323, 12324, 12325, 12326, 12327, 12328, 12329,
    /* 160 */     0,     0,     0,     0,     0,     0,     0, 12397,
    /* 168 */     0,     0,     0,     0,     0,     0,     0,     0,
    /* 176 */ 12444,     0,     0,     0,     0, 12321, 12322, 12323,
    /* 184 */ 12324, 12325, 12326, 12327, 12328, 12329,     0,     0,
    /* 192 */ 12427, 12428, 12429,     0, 12433,     0,     0,     0,
    /* 200 */ 12370, 12380, 12391, 12417, 12366, 12376, 12386,     0,
    /* 208 */     0,     0, 12372, 12382, 12393, 12424, 12418,     0,
    /* 216 */     0, 12368, 12378, 12389, 12416, 12407,     0, 12409,
    /* 224 */ 12411, 12412, 12413,     0, 12432,     0,     0,     0,
    /* 232 */ 12369, 12379, 12390, 12397, 12365, 12375, 12385, 12395,
    /* 240 */     0,     0, 12371, 12381, 12392, 12423, 12398,     0,
    /* 248 */     0, 12367, 12377, 12387, 12396, 12406,     0,     0,
};

// "Cyrillic"
constexpr Grid kCyrillic{
    /*  64 */  1038,  1040,  1041,  1062,  1044,  1045,  1060,  1043,
    /*  72 */  1061,  1048,  1049,  1050,  1051,  1052,  1053,  1054,
    /*  80 */  1055,  1065,  1056,  1057,  1058,  1059,  1042,  1064,
    /*  88 */  1046,  1067,  1047,  1026,    xx,  1106,  1027,  1107,
    /*  96 */  1118,  1072,  1073,  1094,  1076,  1077,  1092,  1075,
    /* 104 */  1093,  1080,  1081,  1082,  1083,  1084,  1085,  1086,
    /* 112 */  1087,  1097,  1088,  1089,  1090,  1091,  1074,  1096,
    /* 120 */  1078,  1099,  1079,    xx,  1033,    xx,  1113,  1034,
    /* 128 */  1114,  1035,  1115,  1036,  1116,  1039,  1119,  1168,
    /* 136 */  1169,  1170,  1178,  1171,  1180,  1181,  1174,  1186,
    /* 144 */  1187,     0,     0,     0,     0,     0,     0,     0,
    /* 152 */     0,     0,  1179,     0,     0,     0,  1175,  1032,
    /* 160 */     0,     0,     0,     0,     0,     0,     0,     0,
    /* 168 */     0,     0,     0,     0,     0,     0,     0,     0,
    /* 176 */     0,     0,     0,     0,     0,     0,     0,     0,
    /* 184 */     0,     0,     0,     0,     0,     0,     0,     0,
    /* 192 */  1202,  1071,  1210,  1240,  1071,     0,  1208,  1029,
    /* 200 */  1069,  1025,  1028,     0,  1066,  1068,  1030,  1031,
    /* 208 */  1035,  1034,     0,     0,  1256,  1028,  1063,     0,
    /* 216 */  1256,  1200,  1070,  1198,  1070,  1063,     0,     0,
    /* 224 */  1203,  1103,  1211,  1241,  1103,     0,  1209,  1109,
    /* 232 */  1101,  1105,  1108,     0,  1098,  1100,  1110,  1111,
    /* 240 */  1115,  1114,     0,     0,  1257,  1108,  1095,     0,
    /* 248 */  1257,  1201,  1102,  1199,  1102,  1095,     0,  1112,
};

// "Greek"
constexpr Grid kGreek{
    /*  64 */   962,   913,   914,   919,   916,   917,   934,   915,
    /*  72 */   926,   921,   938,   922,   923,   924,   925,   927,
    /*  80 */   928,   920,   929,   931,   932,   933,   936,   937,
    /*  88 */   935,   939,   918,   903,    xx,   894,   894,   901,
    /*  96 */   900,   945,   946,   951,   948,   949,   966,   947,
    /* 104 */   958,   953,   970,   954,   955,   956,   957,   959,
    /* 112 */   960,   952,   961,   963,   964,   965,   968,   969,
    /* 120 */   967,   971,   950,    xx,   912,    xx,     0,     0,
    /* 128 */     0,     0,     0,     0,     0,     0,     0,     0,
    /* 136 */     0,     0,     0,     0,     0,     0,     0,     0,
    /* 144 */     0,     0,     0,     0,     0,   903,     0,     0,
    /* 152 */     0,     0,     0,     0,     0,     0,     0,     0,
    /* 160 */     0,     0,     0,     0,     0,     0,     0,     0,
    /* 168 */     0,     0,     0,     0,     0,     0,     0,     0,
    /* 176 */     0,     0,     0,     0,     0,     0,     0,     0,
    /* 184 */     0,     0,     0,     0,     0,     0,     0,     0,
    /* 192 */   905,   902,     0,     0,     0,     0,     0,     0,
    /* 200 */     0,   904,   919,     0,   938,   906,     0,     0,
    /* 208 */     0,     0,     0,   908,   911,     0,     0,     0,
    /* 216 */     0,     0,     0,     0,     0,   910,     0,     0,
    /* 224 */   942,   940,     0,     0,     0,     0,     0,     0,
    /* 232 */     0,   941,   951,     0,   970,   943,   912,     0,
    /* 240 */     0,     0,     0,   972,   974,     0,     0,     0,
    /* 248 */     0,     0,     0,     0,     0,   944,     0,     0,
};

static_assert(noCellExactlyAt92_123_125(kArab) && noCellExactlyAt92_123_125(kHebrew) &&
              noCellExactlyAt92_123_125(kHiragana) && noCellExactlyAt92_123_125(kCyrillic) &&
              noCellExactlyAt92_123_125(kGreek));

std::string byteCell(int byte) {
    static const char digits[] = "0123456789abcdef";
    return std::string("\\'") + digits[(byte >> 4) & 0xF] + digits[byte & 0xF];
}

std::string& cellOf(PresetRecord& record, int code) { return record.cells.at(static_cast<size_t>(code - 64)); }

PresetRecord fromGrid(const Grid& grid, std::string (*cell)(int), std::string face, int charset, int size,
                      bool lockUni) {
    PresetRecord record{{}, std::move(face), charset, size, lockUni};
    for (int code = 64; code <= 255; ++code) {
        const int entry = grid[static_cast<size_t>(code - 64)];
        if (entry > 0) cellOf(record, code) = cell(entry);
    }
    return record;
}

PresetRecord arabAnsi() {
    PresetRecord record = fromGrid(kArab, UnicodeEscape, "Arial", codepage::kArabicCharset, 14, false);
    for (auto [code, byte] : kArabAnsiBytes) cellOf(record, code) = byteCell(byte);
    return record;
}

PresetRecord russAnsi() {
    PresetRecord record{{}, "Arial", codepage::kCyrillicCharset, 14, false};
    for (int i = 0; i < 26; ++i) {
        cellOf(record, 65 + i) = byteCell(kRussCapitals[i]);
        cellOf(record, 97 + i) = byteCell(kRussSmall[i]);
    }
    for (auto [code, byte] : kRussMore) cellOf(record, code) = byteCell(byte);
    return record;
}

}  // namespace

const PresetRecord& Preset(PresetId id) {
    static const std::array<PresetRecord, kAllPresets.size()> records{
        fromGrid(kArab, UnicodeEscape, "Arial", codepage::kWesternCharset, 12, true),
        arabAnsi(),
        russAnsi(),
        fromGrid(kHebrew, byteCell, "Times New Roman", codepage::kHebrewCharset, 14, false),
        fromGrid(kHiragana, UnicodeEscape, "SimSun", codepage::kWesternCharset, 16, true),
        fromGrid(kCyrillic, UnicodeEscape, "Times New Roman", codepage::kWesternCharset, 12, true),
        fromGrid(kGreek, UnicodeEscape, "Times New Roman", codepage::kWesternCharset, 13, true),
    };
    return records.at(static_cast<size_t>(id));
}

}  // namespace assign
