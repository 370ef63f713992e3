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

// Answers the message box that is open with OK, after noting the text its
// label shows, whether that label takes it as plain text, whether the text
// has room in it and whether the box stands within the screen.
struct OpenBox {
    QString shown;
    bool plain = false, textHasRoom = false, onScreen = false;
    // Shows `prompt` in a message box of the platform; the answer.
    int show(const std::string& prompt) {
        dlg::SetMsgBoxHook(nullptr);
        answerSoon();
        const int answer = dlg::MsgBox(prompt, dlg::OKOnly | dlg::Exclamation, "Font");
        testing_support::InstallUnexpectedDialogHooks();
        return answer;
    }
    void answerSoon(int tries = 50) {
        QTimer::singleShot(0, [this, tries] {
            QMessageBox* box = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) box = b;
            if (!box) {
                if (tries > 0) answerSoon(tries - 1);
                else ADD_FAILURE() << "no message box opened";
                return;
            }
            if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
                shown = label->text();
                plain = label->textFormat() == Qt::PlainText;
                const QRect needed = label->fontMetrics().boundingRect(label->contentsRect(), Qt::TextWordWrap, shown);
                textHasRoom = needed.width() <= label->contentsRect().width();
                onScreen = box->screen()->availableGeometry().contains(box->frameGeometry());
            }
            box->button(QMessageBox::Ok)->click();
        });
    }
};

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
        OpenBox open;
        EXPECT_EQ(open.show(prompt), dlg::OK);
        EXPECT_EQ(open.shown == QString::fromStdString(prompt), !broken);
        EXPECT_EQ(open.shown.split('\n').join(QString()), QString::fromStdString(prompt));
        EXPECT_TRUE(open.plain && open.textHasRoom && open.onScreen) << open.shown.toStdString();
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
