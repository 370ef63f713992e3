#include "app/startup.h"

#include <QApplication>

#include "app/form1.h"
#include "files/textfile.h"
#include "platform/dialogs.h"
#include "platform/single_instance.h"
#include "platform/windowlist.h"
#include "platform/x11windows.h"
#include "store/filenames.h"
#include "store/store.h"

namespace app {

bool CheckAssignmentFile(std::string* notice) {
    textfile::ensureExists(store::kAssignmentFile);
    // A file that cannot be read is no short file: it stays for the user.
    const std::int64_t lines =
        textfile::countLines(store::kAssignmentFile, store::kUsableAssignmentLines, store::kAssignmentFileBound);
    if (lines < 0 || lines >= store::kUsableAssignmentLines) return false;
    const auto bytes = textfile::readAll(store::kAssignmentFile, store::kAssignmentFileBound);
    if (!bytes) return false;
    if (store::HoldsNoText(*bytes)) {
        textfile::remove(store::kAssignmentFile);
        return true;
    }
    // What the user wrote into it is not lost with it.
    const bool kept = store::KeepAssignmentFileAside();
    if (notice) {
        *notice = store::BackupNotice(
            std::string("\"") + store::kAssignmentFile + "\" holds " + std::to_string(lines) +
                (lines == 1 ? " line" : " lines") + ", fewer than the " +
                std::to_string(store::kUsableAssignmentLines) + " an assignment file needs.",
            kept, "the program starts with an empty symbol table.", "it stays and is read as far as it goes.");
    }
    return kept;
}

int Main(QApplication& application) {
    textfile::FailWritesPastSizeLimit();
    filegroup::SetOwnFiles(store::FixedFileNames());
    store::ResetSharedState();

    // A second start must not touch the files of the running instance: it asks
    // that instance to come forward and ends before any file is opened.
    platform::SingleInstance instance(QStringLiteral("runemill"));
    if (!instance.claim()) return 0;
    QObject::connect(&instance, &platform::SingleInstance::activationRequested,
                     [] { platform::ActivateWindow(platform::FindAppWindow("Runemill")); });

    platform::InstallX11WindowList();
    // Before any file is read: a group of files a run ended in the middle of
    // is made whole, and what such runs left behind goes.
    dlg::FinishInterruptedWrites();
    std::string notice;
    CheckAssignmentFile(&notice);
    if (!notice.empty()) dlg::MsgBox(notice, dlg::OKOnly | dlg::Information);
    Form1().Show();
    return application.exec();
}

}  // namespace app
