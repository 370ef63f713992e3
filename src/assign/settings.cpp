#include "assign/settings.h"

#include <string>
#include <utility>

#include "platform/dialogs.h"
#include "store/filenames.h"
#include "store/store.h"

namespace assign {
namespace {

// How many failures have been shown.
int g_failuresShown = 0;

void showFailure(const std::string& error) {
    ++g_failuresShown;
    dlg::MsgBox("The settings could not be saved completely; a file that could not be written keeps its "
                "former content.\r\n\r\n" + error,
                dlg::OKOnly | dlg::Exclamation);
}

}  // namespace

bool WriteSettings() {
    // A failure is shown once, until a write succeeds again.
    const std::string shownError = store::Io.lastWriteError;
    std::string notice;
    const bool ok = store::WriteSettingsFiles(nullptr, &notice);
    // An assignment file kept aside before its first rewrite: said once, as
    // the next write finds the file whole.
    if (!notice.empty()) dlg::MsgBox(notice, dlg::OKOnly | dlg::Information);
    if (ok) return true;
    if (store::Io.lastWriteError == shownError) return false;
    showFailure(store::Io.lastWriteError);
    return false;
}

filegroup::Result WriteSettingsTexts(std::string assignment, std::string options) {
    ++store::Io.writes;
    if (auto f = filegroup::WithinBound(store::kAssignmentFile, static_cast<std::int64_t>(assignment.size()),
                                        store::kAssignmentFileBound))
        return f;
    return filegroup::Apply({filegroup::Change::Write(store::kAssignmentFile, std::move(assignment)),
                             filegroup::Change::Write(store::kOptionsFile, std::move(options))});
}

bool SettingsWrittenBy(const std::function<void()>& step) {
    const int shown = g_failuresShown;
    step();
    if (store::Io.lastWriteOk) return true;
    if (g_failuresShown == shown) showFailure(store::Io.lastWriteError);
    return false;
}

}  // namespace assign
