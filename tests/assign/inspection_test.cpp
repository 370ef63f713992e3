#include <gtest/gtest.h>

#include <QLabel>
#include <QWidget>
#include <string>

#include "assign/charass.h"
#include "assign/charass2.h"
#include "assign/inspection.h"
#include "files/ansi.h"
#include "mouse.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "store/store.h"

using assign::EscapeValue;
using assign::InspectionCaption;

namespace {

using assign::TwipsRect;

const std::string kLeadA = "Internal RTF coding for A is saved as ";

// What the caption adds after the cell string of code 65.
std::string marks(const std::string& cell) {
    const std::string caption = InspectionCaption(65, cell);
    EXPECT_EQ(caption.substr(0, kLeadA.size() + cell.size()), kLeadA + cell);
    return caption.substr(kLeadA.size() + cell.size());
}

std::string unicodeMark(const std::string& hex) { return " (Unicode) Hex.= " + hex; }

struct Case {
    const char* cell;
    std::string added;
};

void expectMarks(const std::vector<Case>& cases) {
    for (const Case& c : cases) EXPECT_EQ(marks(c.cell), c.added) << "cell string: " << c.cell;
}

TEST(InspectionCaption, ShowsTheWholeCaptionForAUnicodeCell) {
    EXPECT_EQ(InspectionCaption(65, "\\u1070?"), "Internal RTF coding for A is saved as \\u1070? (Unicode) Hex.= 42E");
    EXPECT_EQ(InspectionCaption(64, ""), "Internal RTF coding for @ is saved as ");
    EXPECT_EQ(InspectionCaption(196, "\\'e4"), "Internal RTF coding for \xC4 is saved as \\'e4 (ANSI)");
}

TEST(InspectionCaption, MarksTheFormsThatCollectionAndPresetsStore) {
    expectMarks({
        {"", ""},
        {"\\'e4", " (ANSI)"},
        {"\\u1548?", unicodeMark("60C")},
        {"\\u12321?", unicodeMark("3021")},
        {"\\u1575?", unicodeMark("627")},
        {"\\u65535?", unicodeMark("FFFF")},
        {"\\u0?", unicodeMark("0")},
        // Negative escape values as read, without a 16-bit correction.
        {"\\u-1234?", unicodeMark("FFFFFB2E")},
        {"\\u-32768?", unicodeMark("FFFF8000")},
        {"\\u-1?", unicodeMark("FFFFFFFF")},
    });
}

TEST(InspectionCaption, MarksDependOnTheLastCharactersOnly) {
    expectMarks({
        // One or two characters: the third-last lies in the fixed text.
        {"'", ""},
        {"'x", ""},
        {"''", ""},
        // A third-last apostrophe anywhere counts; a later one does not.
        {"'ab", " (ANSI)"},
        {"x'a?", " (ANSI)"},  // ANSI only: the caption then ends in ")"
        {"\\'e4 ", ""},
        {"\\'e4\\par ", ""},
        // Only the last escape is read.
        {"\\u1548?\\u1575?", unicodeMark("627")},
        {"\\u1575?\\'e4", " (ANSI)"},
        {" \\fs48\\u1548?", unicodeMark("60C")},
        // Nothing or no number after the backslash and its first character.
        {"\\?", unicodeMark("0")},
        {"\\u?", unicodeMark("0")},
        {"\\par?", unicodeMark("0")},
        {"\\u\\u?", unicodeMark("0")},
        // A "?" with no backslash at all gets no mark.
        {"?", ""},
        {"ab?", ""},
        {"\\u1548? ", ""},
    });
}

TEST(InspectionCaption, ReadsTheNumberSkippingBlanksTabsAndLineFeeds) {
    expectMarks({
        {"\\u 15 48?", unicodeMark("60C")},
        {"\\u1\t5\n48?", unicodeMark("60C")},
        {"\\u- 1234?", unicodeMark("FFFFFB2E")},
        {"\\u+42?", unicodeMark("2A")},
        // A carriage return is no blank: the number ends there.
        {"\\u15\r48?", unicodeMark("F")},
        {"\\u--5?", unicodeMark("0")},
        {"\\u1.2.3?", unicodeMark("1")},
    });
}

TEST(InspectionCaption, RoundsAFractionToTheNearestATieToTheEven) {
    expectMarks({
        {"\\u2.5?", unicodeMark("2")},
        {"\\u3.5?", unicodeMark("4")},
        {"\\u2.51?", unicodeMark("3")},
        {"\\u2.4999?", unicodeMark("2")},
        {"\\u2.?", unicodeMark("2")},
        {"\\u.5?", unicodeMark("0")},
        {"\\u.7?", unicodeMark("1")},
        {"\\u-0.5?", unicodeMark("0")},
        {"\\u-2.5?", unicodeMark("FFFFFFFE")},
        {"\\u-1.5?", unicodeMark("FFFFFFFE")},
        // Exact decimals: a binary double would call this a tie.
        {"\\u0.50000000000000000001?", unicodeMark("1")},
    });
}

TEST(InspectionCaption, ReadsNoExponentOrRadixPrefix) {
    expectMarks({
        {"\\u1E3?", unicodeMark("1")},
        {"\\u1e3?", unicodeMark("1")},
        {"\\u1D2?", unicodeMark("1")},
        {"\\u&H1F?", unicodeMark("0")},
        {"\\u0x1F?", unicodeMark("0")},
    });
}

TEST(InspectionCaption, ANumberOutsideTheSigned32BitRangeGetsNoMark) {
    expectMarks({
        {"\\u2147483647?", unicodeMark("7FFFFFFF")},
        {"\\u-2147483648?", unicodeMark("80000000")},
        {"\\u2147483648?", ""},
        {"\\u-2147483649?", ""},
        {"\\u99999999999999999999999999?", ""},
        {"\\u000000000000000000000000042?", unicodeMark("2A")},
        // Rounding decides the range.
        {"\\u2147483646.5?", unicodeMark("7FFFFFFE")},
        {"\\u2147483647.5?", ""},
        {"\\u-2147483648.5?", unicodeMark("80000000")},
        {"\\u-2147483648.6?", ""},
    });
    EXPECT_EQ(EscapeValue("4294967296"), std::nullopt);
    EXPECT_EQ(EscapeValue(""), 0);
    EXPECT_EQ(EscapeValue("?"), 0);
}

TEST(InspectionCaption, TheCharacterIsTheWindows1252CharacterOfTheCode) {
    auto character = [](int code) { return ansi::toQString(InspectionCaption(code, ""))[24]; };
    EXPECT_EQ(character(64), QChar(u'@'));
    EXPECT_EQ(character(128), QChar(u'\u20AC'));
    EXPECT_EQ(character(133), QChar(u'\u2026'));
    EXPECT_EQ(character(196), QChar(u'\u00C4'));
    // The five bytes Windows-1252 leaves undefined.
    for (int code : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(character(code), QChar(char16_t(code))) << code;
}

TEST(InspectionCaption, EveryCellGetsTheSameMarksForTheSameString) {
    for (int code : store::CellCodes()) {
        const std::string lead = InspectionCaption(code, "");
        ASSERT_EQ(lead.size(), kLeadA.size()) << code;
        EXPECT_EQ(InspectionCaption(code, "\\u1548?"), lead + "\\u1548?" + unicodeMark("60C")) << code;
        EXPECT_EQ(InspectionCaption(code, "\\'e4"), lead + "\\'e4 (ANSI)") << code;
    }
}

// The windows as the user meets them: both pages loaded (page 1 at start).
void loadBothPages() {
    CharAss().ReadINI();
    CharAss2().Load();
}

QString caption(int code) {
    return ansi::toQString(InspectionCaption(code, store::CellCode[static_cast<size_t>(code)]));
}

TEST(InspectionWindows, AClickOnAnyCellShowsItsSavedCodingInItsOwnWindow) {
    loadBothPages();
    const QString hint1 = CharAss().Label5()->text(), hint2 = CharAss2().Label5()->text();
    store::CellCode[65] = "\\u1070?";
    mouse::Click(CharAss().CellBox(65));
    EXPECT_EQ(CharAss().Label5()->text(), "Internal RTF coding for A is saved as \\u1070? (Unicode) Hex.= 42E");
    EXPECT_EQ(CharAss2().Label5()->text(), hint2);

    for (int code : store::CellCodes()) store::CellCode[static_cast<size_t>(code)] = "\\u" + std::to_string(code) + "?";
    for (int code : store::CellCodes()) {
        assign::CellWindow& page = code < 133 ? static_cast<assign::CellWindow&>(CharAss()) : CharAss2();
        mouse::Click(page.CellBox(code));
        EXPECT_EQ(page.Label5()->text(), caption(code)) << code;
    }
    EXPECT_NE(hint1, CharAss().Label5()->text());
    // The last click was on page 2: page 1 keeps the caption of its own last cell.
    EXPECT_EQ(CharAss().Label5()->text(), caption(132));
}

TEST(InspectionWindows, ShowsTheTableNotWhatTheBoxHoldsNow) {
    loadBothPages();
    store::CellCode[200] = "\\'e4";
    CharAss2().CellBox(200)->SetText("xyz");
    mouse::Click(CharAss2().CellBox(200));
    mouse::Click(CharAss2().CellBox(200));
    EXPECT_EQ(CharAss2().Label5()->text(), QString::fromUtf8("Internal RTF coding for È is saved as \\'e4 (ANSI)"));
    EXPECT_EQ(store::CellCode[200], "\\'e4");
    EXPECT_EQ(CharAss2().CellBox(200)->Text(), "xyz");
}

TEST(InspectionWindows, TheCaptionWrapsInsideTheLabelAtItsDesignedSizeAndFont) {
    loadBothPages();
    // A long hand-made cell string, markup-like, with line breaks.
    store::CellCode[70] = "<b>bold</b> \\f1\\fs48 " + std::string(40, 'x') + "\r\n\\u-1234?";
    store::CellCode[150] = store::CellCode[70];
    const auto check = [](QLabel* label, int code, const TwipsRect& designed) {
        EXPECT_EQ(label->text(), caption(code));
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_TRUE(label->wordWrap());
        EXPECT_EQ(label->geometry(), QRect(dlg::TwipsToPixelsX(designed.left), dlg::TwipsToPixelsY(designed.top),
                                           dlg::TwipsToPixelsX(designed.width), dlg::TwipsToPixelsY(designed.height)));
        EXPECT_EQ(label->font().family(), "Courier New");
        EXPECT_DOUBLE_EQ(label->font().pointSizeF(), 8.25);
    };
    mouse::Click(CharAss().CellBox(70));
    check(CharAss().Label5(), 70, {240, 3360, 2055, 1095});
    mouse::Click(CharAss2().CellBox(150));
    check(CharAss2().Label5(), 150, {120, 840, 1815, 1215});
    EXPECT_TRUE(CharAss2().Label5()->text().endsWith("\\u-1234? (Unicode) Hex.= FFFFFB2E"));
}

}  // namespace
