// A fill followed by a collection must give back every cell string the boxes
// write, or every start would rewrite the user's table.
#include <gtest/gtest.h>

#include <cstdio>

#include "assign/charass.h"
#include "assign/charass2.h"
#include "files/ansi.h"
#include "platform/richtextbox.h"
#include "rtf/codepage.h"
#include "store/filenames.h"
#include "store/store.h"
#include "support/testing.h"

namespace {

struct Entry {
    std::string cell;
    QString shown;  // what the box shows for it
};

std::string byteEscape(int b) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\'%02x", b);
    return buf;
}

// Cell strings of every kind in the form the box writes them for a font of
// this character set: its bytes beyond ASCII as byte escapes, characters it
// lacks as Unicode escapes, plain text after the size word's blank.
std::vector<Entry> entriesFor(int charset) {
    const int cp = codepage::forCharset(charset);
    std::vector<Entry> out;
    for (int b = charset == 2 ? 0x21 : 0x80; b <= 0xFF; ++b) {
        if (codepage::isLeadByte(cp, static_cast<unsigned char>(b))) continue;
        const char16_t u = codepage::byteToUnicode(cp, static_cast<unsigned char>(b));
        if (u == 0xFFFD || u < 0xA0) continue;
        out.push_back({byteEscape(b), QString(QChar(u))});
    }
    for (char16_t u : {0x0416, 0x05D0, 0x0627, 0x03A9, 0x3042, 0x4E2D, 0x20AC, 0xE9, 0xFF21, 0xF041}) {
        if (codepage::unicodeToByte(cp, u) >= 0) continue;
        out.push_back({"\\u" + std::to_string(static_cast<int16_t>(u)) + "?", QString(QChar(u))});
    }
    out.push_back({" x", "x"});
    out.push_back({" ab", "ab"});
    out.push_back({" a\\par b", "a\r\nb"});
    out.push_back({" A\\'5c", "A\\"});
    return out;
}

}  // namespace

TEST(FillCollectFixedPoint, EveryCharacterSetKeepsWholeTables) {
    for (int charset : {0, 1, 2, 238, 204, 161, 162, 177, 178, 186, 163, 222, 128, 129, 134, 136}) {
        SCOPED_TRACE(charset);
        store::ResetSharedState();
        store::CellCharSet = static_cast<std::int16_t>(charset);
        store::CellFontName = charset == 2 ? "Symbol" : "Arial";
        const std::vector<Entry> entries = entriesFor(charset);
        ASSERT_GT(entries.size(), 10u);
        std::array<std::string, 256> expected{};
        std::array<QString, 256> shown{};
        size_t k = static_cast<size_t>(charset);
        for (int code : store::CellCodes()) {
            const Entry& e = entries[k++ % entries.size()];
            store::CellCode[static_cast<size_t>(code)] = e.cell;
            shown[static_cast<size_t>(code)] = e.shown;
            // A box that shows just the cell's own character clears the cell.
            const bool own = e.shown == QString(QChar(ansi::toUnicode(static_cast<unsigned char>(code))));
            expected[static_cast<size_t>(code)] = own ? "" : e.cell;
        }
        ASSERT_TRUE(store::WriteSettingsFiles());
        for (auto& cell : store::CellCode) cell.clear();

        CharAss().ReadINI();
        CharAss2().Label2();
        for (int code : store::CellCodes()) {
            const size_t n = static_cast<size_t>(code);
            EXPECT_EQ(store::CellCode[n], expected[n]) << code;
            assign::CellWindow& page = code < assign::kPage2FirstCode ? static_cast<assign::CellWindow&>(CharAss())
                                                                      : CharAss2();
            EXPECT_EQ(page.CellBox(code)->TextW(), shown[n]) << code;
        }

        const auto files = testing_support::ReadFile(store::kAssignmentFile);
        CharAss().Save_Click();
        EXPECT_EQ(testing_support::ReadFile(store::kAssignmentFile), files);
        platform::DestroyAllForms();
    }
}
