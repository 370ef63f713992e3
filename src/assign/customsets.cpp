// The sixteen custom set buttons of page 1: the set dialogue and the load of
// a set. The files are handled by setfiles; every step that fails there ends
// the dialogue with one message and leaves the files as they were.
#include <QPushButton>

#include "assign/charass.h"
#include "assign/lockuni.h"
#include "assign/pages.h"
#include "assign/setfiles.h"
#include "assign/settings.h"
#include "files/ansi.h"
#include "files/filesystem.h"
#include "platform/dialogs.h"
#include "store/store.h"

namespace {

using filegroup::Result;

void tellFailure(const filegroup::Failure& failure) {
    dlg::MsgBox("The custom set could not be saved or loaded.\r\n\r\n" + failure.Message() +
                    (failure.filesKept ? "\r\n\r\nNo file was changed by the step that failed."
                                       : "\r\n\r\nA file that could not be put back keeps its new content."),
                dlg::OKOnly | dlg::Exclamation);
}

void tellRefusal(const std::string& why) { dlg::MsgBox(why, dlg::OKOnly | dlg::Exclamation); }

// The title of set `i` checked, then the files it names as the folder holds
// them (a link there could have the set written over another file).
std::optional<std::string> refusalOf(const std::string& title, int i) {
    if (auto why = assign::NewTitleRefusal(title, store::CustomTitle, i)) return why;
    return assign::SetFilesRefusal(title);
}

// Both pages collected (which writes both settings files), then the settings
// files copied onto the set's files.
bool saveCurrentAs(const std::string& title) {
    if (!assign::SettingsWrittenBy(assign::CollectAllCells)) return false;
    if (auto failure = assign::SaveSettingsAsSet(title)) {
        tellFailure(*failure);
        return false;
    }
    return true;
}

}  // namespace

void CharAssForm::connectCustomButtons() {
    for (int i = 1; i <= 16; ++i)
        QObject::connect(custom_[static_cast<size_t>(i)], &QPushButton::clicked, this, [this, i] { Custom_Click(i); });
}

void CharAssForm::Custom_Click(int i) {
    std::string& title = store::CustomTitle[static_cast<size_t>(i)];
    const std::string T = title;
    // A title comes from a line of the assignment file: the questions quote it cut.
    const std::string shownT = filegroup::ShortQuote(T);
    // The questions name the button by its fixed name, the set by its title.
    const std::string button = "Custom" + std::to_string(i);

    // A settings file edited by hand may hold any title, one whose files
    // cross another set's among them, and the folder any file under its
    // name: check both before a file is touched.
    if (auto why = refusalOf(T, i)) return tellRefusal(*why);
    if (auto failure = assign::CreateSetFiles(T)) return tellFailure(*failure);
    std::int64_t length = 0;
    if (auto failure = assign::SetLength(T, length)) return tellFailure(*failure);

    if (length < 10) {
        if (!saveCurrentAs(T)) return;
    } else if (length > 10) {
        const int answer =
            dlg::MsgBox("Reset current settings with " + shownT + "? Choose NO to save current settings as " + shownT,
                        dlg::YesNoCancel, shownT + " <--> Current");
        if (answer == dlg::Yes) {
            Result failure;
            if (LoadCustomSet(T, failure)) return;
            if (failure) return tellFailure(*failure);
            dlg::MsgBox("No data or data corrupt in " + shownT + " file. You should overwrite it with a new set.");
            return;
        }
        if (answer != dlg::No) return;
        if (!saveCurrentAs(T)) return;
    }

    if (dlg::MsgBox("Save current settings in " + button + " block?", dlg::YesNo, "Save") != dlg::Yes) return;
    std::string N = dlg::InputBox(
        "The current symbol assignment will be saved. Enter new title for " + button + " set (optional):", button,
        title);
    if (N.empty()) N = title;
    if (N != title) {
        if (auto why = refusalOf(N, i)) return tellRefusal(*why);
        if (auto failure = assign::RenameSetFiles(title, N, i)) return tellFailure(*failure);
        title = N;
        Custom(i)->setText(ansi::toQString(filegroup::ShortQuote(N)));
    }
    if (!assign::SettingsWrittenBy([this] { WriteINI(); })) return;
    if (auto failure = assign::SaveSettingsAsSet(title)) tellFailure(*failure);
}

bool CharAssForm::LoadCustomSet(const std::string& T, Result& failure) {
    failure.reset();
    assign::SetLines set;
    if ((failure = assign::ReadSetLines(T, set))) return false;
    if (set.outcome == assign::SetData::FileEmpty) {
        dlg::MsgBox("File empty");
        return false;
    }
    if (set.outcome == assign::SetData::DataCorrupt) {
        dlg::MsgBox("Data corrupt");
        return false;
    }
    assign::OptionsCopy options;
    if ((failure = assign::ReadOptionsCopy(T, options))) return false;
    std::int16_t size = store::CellFontSize;
    bool lockUni = store::LockUni;
    assign::TakeOptionsCopy(options, size, lockUni);
    // The files before memory: when they cannot be written, nothing changes.
    if ((failure = assign::WriteSettingsFromSet(set.text, store::CustomTitle, size, lockUni))) return false;
    store::CellFontSize = size;
    store::LockUni = lockUni;
    assign::ShowLockUni(LockUniCB(), lockUni);
    assign::CustomSetRefresh();
    return true;
}
