// The preset buttons in the real pages: what the settings files, the table,
// both pages and the main window hold after each of them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTextCursor>
#include <QWidget>

#include "app/form1.h"
#include "assign/charass.h"
#include "assign/charass2.h"
#include "assign/preset_symbol.h"
#include "assign/preset_tables.h"
#include "assign/settings_io.h"
#include "files/ansi.h"
#include "platform/richtextbox.h"
#include "platform/textbox.h"
#include "store/filenames.h"
#include "store/store.h"
#include "support/controls.h"
#include "support/testing.h"

using assign::Preset;
using assign::PresetId;
using assign::PresetRecord;
using testing_support::ReadFile;
using testing_support::WriteFile;

namespace {

struct Button {
    PresetId id;
    const char* caption;
};

const Button kButtons[] = {
    {PresetId::Arab, "Arab"},
    {PresetId::ArabAnsi, "Arab ANSI"},
    {PresetId::RussAnsi, "Russ. ANSI"},
    {PresetId::Hebrew, "Hebrew ANSI"},
    {PresetId::Hiragana, "Hiragana"},
    {PresetId::Cyrillic, "Cyrillic"},
    {PresetId::Greek, "Greek"},
};

const Button& button(PresetId id) { return kButtons[static_cast<int>(id)]; }

// The page 1 button that shows the preset's caption.
void click(PresetId id) { testing_support::ClickButton(CharAss(), button(id).caption); }

// A table, a font and titles of the user's own in the settings files, then
// the start: page 1 loads hidden.
void startWithUserSettings() {
    store::CellCode[70] = "\\u1070?";
    store::CellCode[200] = "\\u1046?";
    store::CellFontName = "Courier New";
    store::CellFontSize = 20;
    for (int i = 1; i <= 16; ++i) store::CustomTitle[static_cast<size_t>(i)] = "Mine " + std::to_string(i);
    store::CustomTitle[7] = "Runes";
    ASSERT_TRUE(store::WriteSettingsFiles());
    CharAss().ReadINI();
}

// What the last write of the settings leaves after a preset, composed here
// line by line from the set and the user's titles.
std::string expectedAssignmentFile(const PresetRecord& p) {
    std::string text;
    for (int code = 64; code <= 255; ++code) text += p.Cell(code) + "\r\n";
    text += p.face + "\r\n";
    text += " " + std::to_string(p.charset) + " \r\n";
    for (int i = 1; i <= 16; ++i) text += (i == 7 ? std::string("Runes") : "Mine " + std::to_string(i)) + "\r\n";
    return text;
}

platform::RichTextBox* box(int code) {
    return code < 133 ? CharAss().CellBox(code) : CharAss2().CellBox(code);
}

void type(const QString& keys) {
    for (const QChar c : keys) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QString(c));
        QApplication::sendEvent(Form1().TEX(), &press);
    }
}

}  // namespace

TEST(Presets, EachLeavesItsTableFontAndLockUniWithTheUsersTitlesInTheFiles) {
    for (const Button& b : kButtons) {
        SCOPED_TRACE(b.caption);
        const PresetRecord& p = Preset(b.id);
        platform::DestroyAllForms();
        store::ResetSharedState();
        // The list changed since the reverse conversion last traced it.
        store::AbbListVersion = 3;
        store::AbbTracedVersion = 3;
        startWithUserSettings();
        CharAss2().Label2();  // page 2 loaded before, as after "ANSI 2"
        click(b.id);

        EXPECT_EQ(ReadFile(store::kAssignmentFile), expectedAssignmentFile(p));
        EXPECT_EQ(ReadFile(store::kOptionsFile),
                  " " + std::to_string(p.size) + " \r\n" + (p.lockUni ? "1" : "0") + "\r\n1\r\n0\r\n");
        for (int code : store::CellCodes()) EXPECT_EQ(store::CellCode[static_cast<size_t>(code)], p.Cell(code)) << code;
        EXPECT_EQ(store::CellFontName, p.face);
        EXPECT_EQ(store::CellCharSet, p.charset);
        EXPECT_EQ(store::CellFontSize, p.size);
        EXPECT_EQ(store::LockUni, p.lockUni);
        EXPECT_TRUE(store::BedRetrace);
        EXPECT_FALSE(store::AbbRetrace);
        EXPECT_EQ(CharAss().LockUniCB()->text(), p.lockUni ? "Unlock Uni" : "Lock Uni");
        EXPECT_EQ(CharAss().Custom(7)->text(), "Runes");

        const QString face = QString::fromStdString(p.face);
        EXPECT_EQ(CharAss().Label4()->text(),
                  QStringLiteral("%1 Char. Set %2 Size %3").arg(face).arg(p.charset).arg(p.size));
        EXPECT_EQ(CharAss2().Label2()->text(), QStringLiteral("%1 %2\r\n%3").arg(face).arg(p.charset).arg(p.size));
        EXPECT_EQ(CharAss2().Label2()->font().family(), face);
        for (int code : store::CellCodes()) EXPECT_EQ(box(code)->TextW(), PresetSymbol(p.Cell(code), p.charset)) << code;
    }
}

TEST(Presets, ReadTheFilesTwiceAndWriteThemThreeTimes) {
    CharAss().ReadINI();
    CharAss2().Show();
    EXPECT_EQ(ioOf([] { click(PresetId::Greek); }), (Counts{2, 3}));
    EXPECT_EQ(CharAss2().LoadCount(), 1);
}

TEST(Presets, AnUntouchedPageTwoIsLoadedHiddenAndStaysHidden) {
    CharAss().ReadINI();
    CharAss().Show();
    EXPECT_EQ(ioOf([] { click(PresetId::Hiragana); }), (Counts{3, 4}));
    EXPECT_TRUE(CharAss2().IsLoaded());
    EXPECT_FALSE(CharAss2().Window()->isVisible());
    EXPECT_EQ(CharAss2().LoadCount(), 1);

    CharAss().Command1()->click();
    EXPECT_TRUE(CharAss2().Window()->isVisible());
    EXPECT_EQ(CharAss2().LoadCount(), 1);
    EXPECT_EQ(CharAss2().CellBox(151)->TextW(), QString(QChar(0x3021)));
    EXPECT_EQ(CharAss2().Label2()->text(), "SimSun 0\r\n16");
}

TEST(Presets, DiscardTheTableAndEditsNotYetCollected) {
    startWithUserSettings();
    CharAss2().Show();
    CharAss().CellBox(66)->SetText("U+042E");
    CharAss2().CellBox(140)->SetText("x");
    click(PresetId::Cyrillic);
    click(PresetId::Greek);
    // Nothing of the user's table nor of "Cyrillic" is left.
    for (int code : store::CellCodes())
        EXPECT_EQ(store::CellCode[static_cast<size_t>(code)], Preset(PresetId::Greek).Cell(code)) << code;
    for (int code = 127; code <= 148; ++code) EXPECT_EQ(box(code)->TextW(), "") << code;
    EXPECT_EQ(CharAss().CellBox(66)->TextW(), QString(QChar(914)));
}

TEST(Presets, RussAnsiLeavesTheUnassignedBoxesEmptyOnBothPages) {
    CharAss().ReadINI();
    click(PresetId::RussAnsi);
    int empty = 0;
    for (int code : store::CellCodes()) empty += box(code)->TextW().isEmpty();
    EXPECT_EQ(empty, 117);
    EXPECT_EQ(CharAss().CellBox(65)->TextW(), QString::fromUtf8("А"));
    EXPECT_EQ(CharAss2().CellBox(233)->TextW(), QString::fromUtf8("ё"));
    EXPECT_EQ(CharAss2().Label2()->text(), "Arial 204\r\n14");
}

TEST(Presets, HebrewTurnsLockUniOffBeforeItsCollections) {
    store::LockUni = true;
    ASSERT_TRUE(store::WriteSettingsFiles());
    CharAss().ReadINI();
    ASSERT_EQ(CharAss().LockUniCB()->text(), "Unlock Uni");
    click(PresetId::Hebrew);
    EXPECT_FALSE(store::LockUni);
    EXPECT_EQ(CharAss().LockUniCB()->text(), "Lock Uni");
    EXPECT_EQ(CharAss().Label4()->text(), "Times New Roman Char. Set 177 Size 14");
    for (int code = 133; code <= 255; ++code) EXPECT_EQ(CharAss2().CellBox(code)->TextW(), "") << code;
}

TEST(Presets, ThatCannotWriteTheSettingsChangeNothingAndSaySo) {
    startWithUserSettings();
    CharAss2().Show();
    const auto assignment = ReadFile(store::kAssignmentFile);
    const auto cells = store::CellCode;
    const QString label = CharAss2().Label2()->text();
    // The options file cannot be replaced: a folder stands in its place.
    ASSERT_TRUE(QFile::remove(store::kOptionsFile));
    ASSERT_TRUE(QDir().mkdir(store::kOptionsFile));

    testing_support::MsgBoxRecorder boxes;
    EXPECT_EQ(ioOf([] { click(PresetId::Arab); }).reads, 0);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_NE(boxes.calls()[0].prompt.find(store::kOptionsFile), std::string::npos) << boxes.calls()[0].prompt;
    EXPECT_EQ(ReadFile(store::kAssignmentFile), assignment);
    EXPECT_EQ(store::CellCode, cells);
    EXPECT_EQ(store::CellFontName, "Courier New");
    EXPECT_FALSE(store::LockUni);
    EXPECT_EQ(CharAss().LockUniCB()->text(), "Lock Uni");
    EXPECT_EQ(CharAss().CellBox(70)->TextW(), QString::fromUtf8("Ю"));
    EXPECT_EQ(CharAss2().CellBox(200)->TextW(), QString::fromUtf8("Ж"));
    EXPECT_EQ(CharAss2().Label2()->text(), label);
}

TEST(Presets, TheMainWindowWritesThePresetsSymbols) {
    for (const Button& b : kButtons) {
        SCOPED_TRACE(b.caption);
        platform::DestroyAllForms();
        store::ResetSharedState();
        Form1().Load();
        click(b.id);
        Form1().TEX()->SetText("");
        type("#abc#");
        const PresetRecord& p = Preset(b.id);
        QString expected;
        // A character the set leaves unassigned ("c" of "Hiragana") writes nothing.
        for (int code : {'a', 'b', 'c'}) expected += PresetSymbol(p.Cell(code), p.charset);
        EXPECT_EQ(Form1().RTB()->TextW(), expected);
    }
}
