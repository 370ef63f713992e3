#include "assign/settings.h"

#include <string>

#include "platform/dialogs.h"
#include "store/store.h"

namespace assign {
namespace {

std::string g_lastWriteError;
bool g_lastWriteSucceeded = true;

}  // namespace

bool WriteSettings() {
    std::string error;
    g_lastWriteSucceeded = store::WriteSettingsFiles(&error);
    if (g_lastWriteSucceeded) {
        g_lastWriteError.clear();
        return true;
    }
    if (error == g_lastWriteError) return false;
    g_lastWriteError = error;
    dlg::MsgBox("The settings could not be saved completely; a file that could not be written keeps its "
                "former content.\r\n\r\n" + error,
                dlg::OKOnly | dlg::Exclamation);
    return false;
}

bool LastSettingsWriteSucceeded() { return g_lastWriteSucceeded; }

void ForgetSettingsWriteFailure() {
    g_lastWriteError.clear();
    g_lastWriteSucceeded = true;
}

}  // namespace assign
