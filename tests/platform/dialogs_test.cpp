#include "platform/dialogs.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileDialog>

namespace {

// What the user reads in the file type list of the dialog set up for a filter.
QString shownFileType(QFileDialog& dialog) {
    auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    return types ? types->currentText() : QString();
}

}  // namespace

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
