#include "platform/dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "support/testing.h"

namespace {

// What the user reads in the file type list of the dialog set up for a filter.
QString shownFileType(QFileDialog& dialog) {
    auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    return types ? types->currentText() : QString();
}

}  // namespace

TEST(MessageBoxes, ShowTheirTextAsWrittenWithinTheScreen) {
    // A face typed into the font chooser, a set's title: texts the user wrote
    // go into prompts, and must read there as typed; only a word too long for
    // the screen is broken into lines.
    const std::string title(300, 'x');
    const std::pair<std::string, bool> cases[] = {  // the prompt, whether it is broken
        {"There is no font named \"<b>Arial</b> <img src=x>\".", false},
        {"The title \"" + title + "\" cannot name a custom set: its file \"" + title + ".TXT\" is too long.", true}};
    for (const auto& [prompt, broken] : cases) {
        const testing_support::ShownBox open = testing_support::ShowInMessageBox(prompt);
        EXPECT_EQ(open.answer, dlg::OK);
        EXPECT_EQ(open.shown == QString::fromStdString(prompt), !broken);
        EXPECT_EQ(open.shown.split('\n').join(QString()), QString::fromStdString(prompt));
        EXPECT_TRUE(open.plain && open.textHasRoom && open.onScreen) << open.shown.toStdString();
    }
}

// However long the text, the box fits the screen and its button can be
// reached: what would not fit is cut, and "..." says so.
TEST(MessageBoxes, AMegabyteOfTextIsCutWhereTheScreenEnds) {
    std::string lines;
    while (lines.size() < 1000000)
        lines.append("\"").append(std::to_string(lines.size())).append(".TXT\": It is a FIFO.\r\n");
    for (const std::string& prompt : {std::string(1000000, '{'), lines}) {
        const testing_support::ShownBox open = testing_support::ShowInMessageBox(prompt);
        EXPECT_EQ(open.answer, dlg::OK);
        EXPECT_TRUE(open.onScreen && open.textHasRoom) << open.frame.height();
        EXPECT_LE(open.frame.height(), 1200);
        EXPECT_TRUE(open.shown.endsWith("...")) << open.shown.right(20).toStdString();
        const auto unbroken = [](const QString& text) { return text.split('\n').join(QString()); };
        EXPECT_TRUE(unbroken(QString::fromStdString(prompt)).startsWith(unbroken(open.shown.chopped(3))));
    }
}

TEST(FileDialogs, ShowEachFilterAsTheProgramWritesItAndMatchEitherCase) {
    const std::pair<const char*, const char*> filters[] = {
        {"Master files(*M.TXT)|*M.TXT", "Master files(*M.TXT)"},
        {"Master files (*M.TXT)|*M.TXT", "Master files (*M.TXT)"},
        {"Abb list files(*L.TXT)|*L.TXT", "Abb list files(*L.TXT)"},
        {"Abb list files (*L.TXT)|*L.TXT", "Abb list files (*L.TXT)"},
    };
    for (const auto& [filter, shown] : filters) {
        for (const bool save : {false, true}) {
            QFileDialog dialog;
            dlg::SetUpFileDialog(dialog, {save, filter, save ? 2 : 4096});
            EXPECT_EQ(shownFileType(dialog), shown) << filter;
            EXPECT_EQ(dialog.acceptMode(), save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        }
    }
    EXPECT_EQ(dlg::QtFilterFor("Master files (*M.TXT)|*M.TXT"), "Master files (*M.TXT) (*M.TXT *M.txt)");
    EXPECT_EQ(dlg::QtFilterFor("Abb list files(*L.TXT)|*L.TXT"), "Abb list files(*L.TXT) (*L.TXT *L.txt)");
}
