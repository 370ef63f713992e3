#include "assign/settings.h"

#include <string>
#include <utility>

#include "platform/dialogs.h"
#include "store/filenames.h"
#include "store/store.h"

namespace assign {
namespace {

// Why the last write failed ("" when it worked), and how many failures have
// been shown.
std::string g_lastWriteError;
bool g_lastWriteSucceeded = true;
int g_failuresShown = 0;

void showFailure(const std::string& error) {
    ++g_failuresShown;
    dlg::MsgBox("The settings could not be saved completely; a file that could not be written keeps its "
                "former content.\r\n\r\n" + error,
                dlg::OKOnly | dlg::Exclamation);
}

}  // namespace

bool WriteSettings() {
    std::string error, notice;
    g_lastWriteSucceeded = store::WriteSettingsFiles(&error, &notice);
    // An assignment file kept aside before its first rewrite: said once, as
    // the next write finds the file whole.
    if (!notice.empty()) dlg::MsgBox(notice, dlg::OKOnly | dlg::Information);
    if (g_lastWriteSucceeded) {
        g_lastWriteError.clear();
        return true;
    }
    if (error == g_lastWriteError) return false;
    g_lastWriteError = error;
    showFailure(error);
    return false;
}

filegroup::Result WriteSettingsTexts(std::string assignment, std::string options) {
    ++store::Io.writes;
    return filegroup::Apply({filegroup::Change::Write(store::kAssignmentFile, std::move(assignment)),
                             filegroup::Change::Write(store::kOptionsFile, std::move(options))});
}

void ForgetSettingsWriteFailure() {
    g_lastWriteError.clear();
    g_lastWriteSucceeded = true;
}

bool SettingsWrittenBy(const std::function<void()>& step) {
    const int shown = g_failuresShown;
    step();
    if (g_lastWriteSucceeded) return true;
    if (g_failuresShown == shown) showFailure(g_lastWriteError);
    return false;
}

}  // namespace assign
