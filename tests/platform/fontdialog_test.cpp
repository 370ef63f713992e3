#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "platform/fontdialog.h"
#include "support/testing.h"

using platform::CharSetsFor;
using platform::FontChooserDialog;
using platform::FontRecord;
using platform::ParsePointSize;
using QFD = QFontDatabase;

namespace {

// A family with Latin, Greek and Cyrillic that the test machines install.
const QString kFamily = QStringLiteral("Liberation Sans");

bool haveFamily() { return QFontDatabase::families().contains(kFamily); }

std::vector<int> scriptNumbers(const FontChooserDialog& d) {
    std::vector<int> result;
    for (int i = 0; i < d.ScriptList()->count(); ++i) result.push_back(d.ScriptList()->itemData(i).toInt());
    return result;
}

QStringList styleNames(const FontChooserDialog& d) {
    QStringList result;
    for (int i = 0; i < d.StyleList()->count(); ++i) result << d.StyleList()->item(i)->text();
    return result;
}

// A click with the mouse on a row of one of the dialog's lists, shown.
void click(QListWidget* list, const QString& row) {
    const auto items = list->findItems(row, Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    list->window()->show();
    list->scrollToItem(items.first());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(items.first()).center());
}

void typeSize(FontChooserDialog& d, const QString& size) {
    d.SizeEdit()->setText(size);
    emit d.SizeEdit()->textEdited(size);
}

}  // namespace

TEST(FontScripts, EachWritingSystemGivesTheCharacterSetsRtfNumbersForIt) {
    EXPECT_EQ(CharSetsFor({QFD::Latin, QFD::Greek, QFD::Cyrillic, QFD::Hebrew, QFD::Arabic, QFD::Vietnamese}),
              (std::vector<int>{0, 161, 162, 163, 177, 178, 186, 204, 238}));
    EXPECT_EQ(CharSetsFor({QFD::Japanese, QFD::Korean, QFD::SimplifiedChinese, QFD::TraditionalChinese, QFD::Thai}),
              (std::vector<int>{128, 129, 134, 136, 222}));
    EXPECT_EQ(CharSetsFor({QFD::Symbol}), std::vector<int>{2});
    EXPECT_EQ(CharSetsFor({QFD::Latin}), (std::vector<int>{0, 162, 186, 238}));
    EXPECT_EQ(CharSetsFor({QFD::Greek}), std::vector<int>{161});
    // A face for scripts that have no character set of their own is offered Western.
    EXPECT_EQ(CharSetsFor({QFD::Devanagari, QFD::Runic}), std::vector<int>{0});
    EXPECT_EQ(CharSetsFor({}), std::vector<int>{0});

    EXPECT_EQ(platform::CharSetName(0), "Western");
    EXPECT_EQ(platform::CharSetName(136), "Chinese Big5");
    EXPECT_EQ(platform::CharSetName(177), "Hebrew");
    EXPECT_EQ(platform::CharSetName(238), "Central European");
    EXPECT_EQ(platform::CharSetName(1), "");
}

TEST(FontSizeEntry, WholeSizesAndTenthsAreTakenUpToTheLargestTheRtfSizeWordHolds) {
    EXPECT_EQ(ParsePointSize("12").tenths, 120);
    EXPECT_EQ(ParsePointSize(" 10.5 ").tenths, 105);
    EXPECT_EQ(ParsePointSize("1").tenths, 10);
    EXPECT_EQ(ParsePointSize("1638").tenths, 16380);
    EXPECT_EQ(ParsePointSize("11.04").tenths, 110);
    EXPECT_EQ(platform::PointSizeText(140), "14");
    EXPECT_EQ(platform::PointSizeText(105), "10.5");

    for (const char* bad : {"", "  ", "abc", "12pt", "1,5", "inf", "nan"}) {
        const auto e = ParsePointSize(QString::fromLatin1(bad));
        EXPECT_EQ(e.tenths, 0) << bad;
        EXPECT_FALSE(e.refusal.empty()) << bad;
    }
    EXPECT_NE(ParsePointSize("abc").refusal.find("\"abc\" is not a number"), std::string::npos);
    // Zero, negative, too small to give a whole point, too large for \fs.
    for (const char* outside : {"0", "-3", "0.5", "1638.5", "1e9"})
        EXPECT_EQ(ParsePointSize(QString::fromLatin1(outside)).refusal, "The size must be from 1 to 1638 points.")
            << outside;
}

TEST(FontChooser, OpensOnAnEmptyRecordWithNothingChosenAndRefusesOkUntilFaceAndSizeAreGiven) {
    FontChooserDialog d;
    d.SetRecord(FontRecord{});
    EXPECT_EQ(d.FaceList()->count(), QFontDatabase::families().size());
    EXPECT_EQ(d.FaceList()->item(0)->text(), QFontDatabase::families().first());
    EXPECT_TRUE(d.FaceEdit()->text().isEmpty());
    EXPECT_TRUE(d.FaceList()->selectedItems().isEmpty());
    EXPECT_TRUE(d.SizeEdit()->text().isEmpty());
    EXPECT_EQ(d.ScriptList()->count(), 0);
    EXPECT_EQ(d.ColorList()->count(), 16);
    EXPECT_EQ(d.ColorList()->currentText(), "Black");

    testing_support::MsgBoxRecorder boxes;
    d.accept();
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.calls()[0].prompt, "Choose a font from the list of fonts.");
    EXPECT_EQ(boxes.calls()[0].title, "Font");
    EXPECT_NE(d.result(), QDialog::Accepted);

    if (!haveFamily()) GTEST_SKIP() << "needs " << kFamily.toStdString();
    // A click on the face that what was typed selected takes it as well.
    d.FaceEdit()->setText("liberation s");
    emit d.FaceEdit()->textEdited("liberation s");
    click(d.FaceList(), kFamily);
    EXPECT_EQ(d.FaceEdit()->text(), kFamily);
    d.accept();
    ASSERT_EQ(boxes.count(), 2u);
    EXPECT_EQ(boxes.calls()[1].prompt, "Enter a size in points, such as 12 or 10.5.");
    EXPECT_NE(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.Chosen(), FontRecord{});
}

TEST(FontChooser, ASizeThatIsNoNumberOrOutOfRangeIsRefusedAndTheDialogStaysOpen) {
    if (!haveFamily()) GTEST_SKIP() << "needs " << kFamily.toStdString();
    FontChooserDialog d;
    d.SetRecord(FontRecord{});
    click(d.FaceList(), kFamily);
    testing_support::MsgBoxRecorder boxes;
    for (const char* bad : {"twelve", "0", "-2", "1639"}) {
        typeSize(d, QString::fromLatin1(bad));
        d.accept();
        EXPECT_NE(d.result(), QDialog::Accepted) << bad;
    }
    ASSERT_EQ(boxes.count(), 4u);
    EXPECT_EQ(boxes.calls()[0].prompt, "The size \"twelve\" is not a number. Enter a size in points, such as 12 or 10.5.");
    for (size_t i = 1; i < 4; ++i) EXPECT_EQ(boxes.calls()[i].prompt, "The size must be from 1 to 1638 points.");
    EXPECT_EQ(d.Chosen(), FontRecord{});

    typeSize(d, "10.5");
    d.accept();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.Chosen().pointSizeTenths, 105);
}

TEST(FontChooser, AFaceThatIsNotInstalledIsRefused) {
    FontChooserDialog d;
    d.SetRecord(FontRecord{"No Such Face Anywhere", 120, 400, false, false, false, 0});
    EXPECT_EQ(d.FaceEdit()->text(), "No Such Face Anywhere");
    testing_support::MsgBoxRecorder boxes;
    d.accept();
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.calls()[0].prompt,
              "There is no font named \"No Such Face Anywhere\". Choose a font from the list of fonts.");
    EXPECT_NE(d.result(), QDialog::Accepted);
}

TEST(FontChooser, AFamilyWithSeveralWritingSystemsOffersTheirScriptsAndEveryChoiceReachesTheRecord) {
    if (!haveFamily()) GTEST_SKIP() << "needs " << kFamily.toStdString();
    FontChooserDialog d;
    d.SetRecord(FontRecord{});
    click(d.FaceList(), kFamily);
    EXPECT_EQ(scriptNumbers(d), CharSetsFor(QFontDatabase::writingSystems(kFamily)));
    EXPECT_EQ(scriptNumbers(d), (std::vector<int>{0, 161, 162, 186, 204, 238}));
    EXPECT_EQ(d.ScriptList()->currentText(), "Western");
    EXPECT_EQ(styleNames(d), (QStringList{"Regular", "Italic", "Bold", "Bold Italic"}));

    click(d.StyleList(), "Bold Italic");
    click(d.SizeList(), "14");
    EXPECT_EQ(d.SizeEdit()->text(), "14");
    d.Underline()->setChecked(true);
    d.ColorList()->setCurrentIndex(9);
    d.ScriptList()->setCurrentIndex(d.ScriptList()->findData(204));
    EXPECT_EQ(d.Sample()->font().family(), kFamily);
    EXPECT_TRUE(d.Sample()->font().underline());
    EXPECT_FALSE(d.Sample()->text().isEmpty());
    d.accept();
    ASSERT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.Chosen(), (FontRecord{kFamily.toStdString(), 140, 700, true, true, false, 204}));

    // Reopened on that record, the dialog shows it again, the colour back at black.
    FontChooserDialog again;
    again.SetRecord(d.Chosen());
    EXPECT_EQ(again.FaceList()->currentItem()->text(), kFamily);
    EXPECT_EQ(again.StyleList()->currentItem()->text(), "Bold Italic");
    EXPECT_EQ(again.SizeEdit()->text(), "14");
    EXPECT_TRUE(again.Underline()->isChecked());
    EXPECT_FALSE(again.StrikeOut()->isChecked());
    EXPECT_EQ(again.ScriptList()->currentData().toInt(), 204);
    EXPECT_EQ(again.ColorList()->currentText(), "Black");
}

TEST(FontChooser, TypingAFaceSelectsTheFirstFamilyItBeginsAndOkTakesItsListedSpelling) {
    if (!haveFamily()) GTEST_SKIP() << "needs " << kFamily.toStdString();
    FontChooserDialog d;
    d.SetRecord(FontRecord{});
    const QString typed = kFamily.toLower();
    d.FaceEdit()->setText(typed);
    emit d.FaceEdit()->textEdited(typed);
    ASSERT_NE(d.FaceList()->currentItem(), nullptr);
    EXPECT_TRUE(d.FaceList()->currentItem()->text().startsWith(kFamily));
    typeSize(d, "12");
    d.accept();
    ASSERT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.Chosen().face, kFamily.toStdString());
    EXPECT_EQ(d.Chosen().weight, 400);
}

TEST(FontChooser, TheHookAnswersInsteadOfTheWindowAndCancelLeavesTheRecordAlone) {
    FontRecord record{"Kept", 95, 700, true, false, true, 177};
    std::vector<FontRecord> openings;
    platform::SetChooseFontHook([&](const FontRecord& opening) -> std::optional<FontRecord> {
        openings.push_back(opening);
        return std::nullopt;
    });
    EXPECT_FALSE(platform::ChooseFont(record, nullptr));
    EXPECT_EQ(record, (FontRecord{"Kept", 95, 700, true, false, true, 177}));

    platform::SetChooseFontHook([&](const FontRecord& opening) -> std::optional<FontRecord> {
        openings.push_back(opening);
        return FontRecord{"Other", 120, 400, false, false, false, 0};
    });
    EXPECT_TRUE(platform::ChooseFont(record, nullptr));
    EXPECT_EQ(record.face, "Other");
    ASSERT_EQ(openings.size(), 2u);
    EXPECT_EQ(openings[1].face, "Kept");
    testing_support::InstallUnexpectedDialogHooks();
}
