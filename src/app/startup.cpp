#include "app/startup.h"

#include <QApplication>

#include "app/form1.h"
#include "platform/single_instance.h"
#include "platform/textfile.h"
#include "platform/windowlist.h"
#include "platform/x11windows.h"
#include "store/filenames.h"
#include "store/store.h"

namespace app {

bool CheckAssignmentFile() {
    textfile::ensureExists(store::kAssignmentFile);
    // A file that cannot be read is no short file: it stays for the user.
    const std::int64_t lines = textfile::countLines(store::kAssignmentFile, store::kUsableAssignmentLines);
    if (lines >= 0 && lines < store::kUsableAssignmentLines) {
        textfile::remove(store::kAssignmentFile);
        return true;
    }
    return false;
}

int Main(QApplication& application) {
    store::CellFontName = "Arial";
    store::CellCharSet = 0;
    store::CellFontSize = 12;

    // A second start must not touch the files of the running instance: it asks
    // that instance to come forward and ends before any file is opened.
    platform::SingleInstance instance(QStringLiteral("runemill"));
    if (!instance.claim()) return 0;
    QObject::connect(&instance, &platform::SingleInstance::activationRequested,
                     [] { platform::ActivateWindow(platform::FindAppWindow("Runemill")); });

    platform::InstallX11WindowList();
    CheckAssignmentFile();
    Form1().Show();
    return application.exec();
}

}  // namespace app
