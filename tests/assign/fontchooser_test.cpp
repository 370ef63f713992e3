#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QWidget>

#include "abbrev/abbmode.h"
#include "assign/charass.h"
#include "assign/charass2.h"
#include "assign/fontchooser.h"
#include "assign/lockuni.h"
#include "platform/controls.h"
#include "platform/fontdialog.h"
#include "platform/lazyform.h"
#include "platform/richtextbox.h"
#include "store/filenames.h"
#include "store/store.h"
#include "support/controls.h"
#include "support/testing.h"

using platform::FontRecord;
using testing_support::MsgBoxRecorder;
using testing_support::ReadFile;
using testing_support::ReadLines;

namespace {

// The program's start as the assignment pages see it: the main window's load
// calls ReadINI, which loads page 1 hidden.
void start() { CharAss().ReadINI(); }

// The chooser answers every opening with `answer` (nullopt: Cancel) and keeps
// the records it opened on.
struct Chooser {
    std::optional<FontRecord> answer;
    std::vector<FontRecord> openings;
    Chooser() {
        platform::SetChooseFontHook([this](const FontRecord& opening) {
            openings.push_back(opening);
            return answer;
        });
    }
    ~Chooser() { testing_support::InstallUnexpectedDialogHooks(); }
};

FontRecord font(const std::string& face, int tenths, int charSet) {
    return FontRecord{face, tenths, platform::kRegularWeight, false, false, false, charSet};
}

std::string line(const char* file, size_t number) { return ReadLines(file).at(number - 1); }

// Face and size of a box's first character.
std::pair<QString, double> shownFont(platform::RichTextBox* box) {
    const QTextCharFormat f = box->document()->begin().begin().fragment().charFormat();
    return {f.fontFamilies().toStringList().value(0), f.fontPointSize()};
}

void mouse(QWidget* w, Qt::MouseButton button) {
    const QPointF at(5, 5);
    QMouseEvent down(QEvent::MouseButtonPress, at, w->mapToGlobal(at), button, button, Qt::NoModifier);
    QApplication::sendEvent(w, &down);
    QMouseEvent up(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), button, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &up);
}

}  // namespace

TEST(FontSizeRounding, TenthsBecomeWholePointsWithTiesToTheEvenNumber) {
    const std::pair<int, int> table[] = {{105, 10}, {115, 12}, {125, 12}, {120, 12}, {135, 14}, {104, 10},
                                         {106, 11}, {10, 1},   {15, 2},   {16380, 1638}, {16375, 1638}};
    for (auto [tenths, points] : table) EXPECT_EQ(assign::PointsFromTenths(tenths), points) << tenths;
}

TEST(LockUniButton, ExplainsItselfInOneParagraphOf647Characters) {
    const std::string text = assign::kLockUniExplanation;
    EXPECT_EQ(text.size(), 647u);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(text.rfind("Choose the option LOCK UNI if you want", 0), 0u);
    EXPECT_NE(text.find("(the button is red)"), std::string::npos);
    EXPECT_TRUE(text.ends_with("(3) paste the new symbol and save once more."));
    EXPECT_STREQ(assign::kLockUniTitle, "Lock Uni");
}

TEST(LockUniPointer, IsAYellowNoteBelowNineTransparentRowsInThreeColours) {
    const QImage& image = assign::LockUniPointerImage();
    ASSERT_EQ(image.size(), QSize(32, 32));
    EXPECT_EQ(&image, &assign::LockUniPointerImage());  // drawn once

    const QRgb yellow = qRgb(255, 255, 0), black = qRgb(0, 0, 0);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 32; ++x) ASSERT_EQ(qAlpha(image.pixel(x, y)), 0) << x << "," << y;
    for (int x = 0; x < 32; ++x) {
        EXPECT_EQ(image.pixel(x, 9), black) << x;
        EXPECT_EQ(image.pixel(x, 31), black) << x;
    }
    for (int y = 9; y < 32; ++y) {
        EXPECT_EQ(image.pixel(0, y), black) << y;
        EXPECT_EQ(image.pixel(31, y), black) << y;
    }
    int inkUpper = 0, inkLower = 0, field = 0;
    for (int y = 10; y < 31; ++y)
        for (int x = 1; x < 31; ++x) {
            const QRgb p = image.pixel(x, y);
            ASSERT_TRUE(p == yellow || p == black) << x << "," << y;
            if (p == yellow) ++field;
            else (y < 20 ? inkUpper : inkLower) += 1;
        }
    // Both words are there, and the field stays mostly yellow.
    EXPECT_GT(inkUpper, 10);
    EXPECT_GT(inkLower, 10);
    EXPECT_GT(field, 400);
}

TEST(SelectFont, CancelShowsTheErrorMessageAndChangesNothing) {
    start();
    const auto assignment = ReadFile(store::kAssignmentFile), options = ReadFile(store::kOptionsFile);
    const QString caption = CharAss().Label4()->text();
    const auto io = store::Io;
    Chooser chooser;
    MsgBoxRecorder boxes;
    CharAss().SelectFont_Click();
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.calls()[0].title, "Error possible");
    EXPECT_EQ(boxes.calls()[0].prompt,
              "Either an error has occurred in the font select dialog or you have cancelled.");
    EXPECT_EQ(boxes.calls()[0].style, dlg::OKOnly | dlg::Critical);
    EXPECT_EQ(CharAss().Label4()->text(), caption);
    EXPECT_EQ(store::CellFontName, "Arial");
    EXPECT_EQ(store::CellFontSize, 12);
    EXPECT_EQ(store::Io.writes, io.writes);
    EXPECT_EQ(store::Io.reads, io.reads);
    EXPECT_EQ(ReadFile(store::kAssignmentFile), assignment);
    EXPECT_EQ(ReadFile(store::kOptionsFile), options);
    EXPECT_FALSE(CharAss2().IsLoaded());
}

TEST(SelectFont, TheChosenFontBecomesTheSymbolFontOfBothPagesAndBothFiles) {
    // A symbol on each page, to see the font it is shown in.
    store::CellCode[65] = "\\u1488?";
    store::CellCode[200] = "\\u1489?";
    ASSERT_TRUE(store::WriteSettingsFiles());
    start();
    Chooser chooser;
    chooser.answer = FontRecord{"DejaVu Sans", 140, platform::kBoldWeight, true, true, true, 177};
    CharAss().SelectFont_Click();

    EXPECT_EQ(store::CellFontName, "DejaVu Sans");
    EXPECT_EQ(store::CellCharSet, 177);
    EXPECT_EQ(store::CellFontSize, 14);
    EXPECT_EQ(CharAss().Label4()->text(), "DejaVu Sans Char. Set 177 Size 14");
    EXPECT_EQ(CharAss().Label4()->font().family(), "DejaVu Sans");
    EXPECT_EQ(CharAss2().Label2()->text(), "DejaVu Sans 177\r\n14");
    EXPECT_EQ(line(store::kAssignmentFile, 193), "DejaVu Sans");
    EXPECT_EQ(line(store::kAssignmentFile, 194), " 177 ");
    EXPECT_EQ(line(store::kOptionsFile, 1), " 14 ");
    const std::pair<QString, double> expected{"DejaVu Sans", 14};
    EXPECT_EQ(shownFont(CharAss().CellBox(65)), expected);
    EXPECT_EQ(shownFont(CharAss2().CellBox(200)), expected);
    for (int code : store::CellCodes()) {
        assign::CellWindow& page = code < assign::kPage2FirstCode ? static_cast<assign::CellWindow&>(CharAss())
                                                                  : static_cast<assign::CellWindow&>(CharAss2());
        ASSERT_EQ(page.CellBox(code)->font().family().toStdString(), "DejaVu Sans") << code;
    }
    // Weight, slant and effects are not part of the symbol font.
    EXPECT_FALSE(CharAss().Label4()->font().underline());
}

TEST(SelectFont, TheSizeInTenthsIsRoundedToWholePointsWithTiesToEven) {
    start();
    Chooser chooser;
    for (auto [tenths, points] : {std::pair{105, 10}, {115, 12}, {125, 12}, {120, 12}}) {
        chooser.answer = font("Liberation Serif", tenths, 0);
        CharAss().SelectFont_Click();
        EXPECT_EQ(store::CellFontSize, points) << tenths;
        EXPECT_EQ(line(store::kOptionsFile, 1), store::IntLine(points)) << tenths;
        EXPECT_EQ(CharAss().Label4()->text().toStdString(),
                  "Liberation Serif Char. Set 0 Size " + std::to_string(points));
    }
}

TEST(SelectFont, ReopensOnTheLastChoiceOfTheRunAndEmptyInANewRun) {
    start();
    Chooser chooser;
    chooser.answer = std::nullopt;
    MsgBoxRecorder boxes;
    CharAss().SelectFont_Click();
    // Never taken from the symbol font: the first opening has no face, no size.
    ASSERT_EQ(chooser.openings.size(), 1u);
    EXPECT_EQ(chooser.openings[0], FontRecord{});

    // A long family name is kept whole, in the symbol font and for the next opening.
    const std::string longFace = "Noto Sans Canadian Aboriginal Bold Extended";
    const FontRecord chosen{longFace, 105, platform::kBoldWeight, true, true, false, 0};
    chooser.answer = chosen;
    CharAss().SelectFont_Click();
    EXPECT_EQ(store::CellFontName, longFace);
    EXPECT_EQ(line(store::kAssignmentFile, 193), longFace);
    chooser.answer = std::nullopt;
    CharAss().SelectFont_Click();  // cancelled: the record stays
    CharAss().Unload();             // closing the window keeps it too
    CharAss().SelectFont_Click();
    ASSERT_EQ(chooser.openings.size(), 4u);
    EXPECT_EQ(chooser.openings[2], chosen);
    EXPECT_EQ(chooser.openings[3], chosen);
    EXPECT_EQ(boxes.count(), 3u);

    // Blanks around a face are dropped before the chooser opens on it.
    chooser.answer = font("  Spaced Face  ", 120, 0);
    CharAss().SelectFont_Click();
    chooser.answer = std::nullopt;
    CharAss().SelectFont_Click();
    EXPECT_EQ(chooser.openings.back().face, "Spaced Face");

    // A new run starts with no choice, whatever font the files name.
    chooser.answer = font(longFace, 120, 0);
    CharAss().SelectFont_Click();
    platform::DestroyAllForms();
    store::ResetSharedState();
    start();
    EXPECT_EQ(store::CellFontName, longFace);
    CharAss().SelectFont_Click();
    EXPECT_EQ(chooser.openings.back(), FontRecord{});
}

TEST(SelectFont, FromTheListEditorItRefreshesTheHiddenPagesAndShowsNoWindow) {
    start();
    if (store::AbbListVersion == 0) store::AbbListVersion = 1;
    AbbMode().Show();
    Chooser chooser;
    chooser.answer = font("Liberation Mono", 160, 204);
    AbbMode().Font_Click();
    EXPECT_EQ(store::CellFontName, "Liberation Mono");
    EXPECT_EQ(CharAss().Label4()->text(), "Liberation Mono Char. Set 204 Size 16");
    ASSERT_TRUE(CharAss2().IsLoaded());
    EXPECT_EQ(CharAss2().Label2()->text(), "Liberation Mono 204\r\n16");
    EXPECT_EQ(CharAss2().CellBox(255)->font().family().toStdString(), "Liberation Mono");
    std::vector<QWidget*> shown;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) shown.push_back(w);
    EXPECT_EQ(shown, std::vector<QWidget*>{AbbMode().Window()});
}

TEST(SelectFont, ASaveThatCannotWriteIsReportedOnceAndTheChoiceStaysInMemoryAndInTheChooser) {
    start();
    const auto assignment = ReadFile(store::kAssignmentFile), options = ReadFile(store::kOptionsFile);
    Chooser chooser;
    const FontRecord chosen = font("Liberation Serif", 140, 161);
    chooser.answer = chosen;
    MsgBoxRecorder boxes;
    {
        testing_support::DiskFull full(8);  // not even the options file fits
        CharAss().SelectFont_Click();
    }
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.calls()[0].style & 0x70, dlg::Exclamation);
    EXPECT_EQ(ReadFile(store::kAssignmentFile), assignment);
    EXPECT_EQ(ReadFile(store::kOptionsFile), options);
    // The failed write ends the refresh before a fill could bring the old
    // font back: the new one stays in memory and in the font label, and
    // reaches the files with the next write that works.
    EXPECT_EQ(store::CellFontName, "Liberation Serif");
    EXPECT_EQ(store::CellCharSet, 161);
    EXPECT_EQ(store::CellFontSize, 14);
    EXPECT_EQ(CharAss().Label4()->text().toStdString(), "Liberation Serif Char. Set 161 Size 14");
    CharAss().WriteINI();
    EXPECT_EQ(line(store::kAssignmentFile, 193), "Liberation Serif");
    chooser.answer = std::nullopt;
    CharAss().SelectFont_Click();
    EXPECT_EQ(chooser.openings.back(), chosen);
}

TEST(LockUniButton, AClickSwitchesTheOptionAndTheLookAndWritesNothing) {
    start();
    QPushButton* button = CharAss().LockUniCB();
    ASSERT_FALSE(store::LockUni);
    const auto options = ReadFile(store::kOptionsFile);
    const int writes = store::Io.writes;
    mouse(button, Qt::LeftButton);
    EXPECT_TRUE(store::LockUni);
    EXPECT_EQ(button->text(), "Unlock Uni");
    EXPECT_EQ(testing_support::FaceColor(button), platform::ColorFromBgr(255));
    EXPECT_EQ(store::Io.writes, writes);
    EXPECT_EQ(ReadFile(store::kOptionsFile), options);
    mouse(button, Qt::LeftButton);
    EXPECT_FALSE(store::LockUni);
    EXPECT_EQ(button->text(), "Lock Uni");
    EXPECT_EQ(testing_support::FaceColor(button), platform::ColorFromBgr(platform::kButtonFace));

    // "Save / Refresh" writes before it reads, so it keeps the new value.
    mouse(button, Qt::LeftButton);
    CharAss().Save_Click();
    EXPECT_TRUE(store::LockUni);
    EXPECT_EQ(line(store::kOptionsFile, 2), "1");
    EXPECT_EQ(button->text(), "Unlock Uni");
}

TEST(LockUniButton, ARightClickExplainsAndSwitchesNothingAndAMiddleClickDoesNothing) {
    start();
    QPushButton* button = CharAss().LockUniCB();
    MsgBoxRecorder boxes;
    mouse(button, Qt::RightButton);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.calls()[0].title, "Lock Uni");
    EXPECT_EQ(boxes.calls()[0].prompt, assign::kLockUniExplanation);
    EXPECT_EQ(boxes.calls()[0].style, dlg::OKOnly | dlg::Information);
    mouse(button, Qt::MiddleButton);
    EXPECT_EQ(boxes.count(), 1u);
    EXPECT_FALSE(store::LockUni);
    EXPECT_EQ(button->text(), "Lock Uni");
}

TEST(LockUniButton, CarriesTheNotePointerWithItsHotSpotTopLeft) {
    start();
    const QCursor pointer = CharAss().LockUniCB()->cursor();
    EXPECT_EQ(pointer.shape(), Qt::BitmapCursor);
    EXPECT_EQ(pointer.hotSpot(), QPoint(0, 0));
    EXPECT_EQ(pointer.pixmap().toImage().convertToFormat(QImage::Format_ARGB32), assign::LockUniPointerImage());
}
