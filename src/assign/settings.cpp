#include "assign/settings.h"

#include <string>

#include "platform/dialogs.h"
#include "store/store.h"

namespace assign {
namespace {

std::string g_lastWriteError;

}  // namespace

void WriteSettings() {
    std::string error;
    if (store::WriteSettingsFiles(&error)) {
        g_lastWriteError.clear();
        return;
    }
    if (error == g_lastWriteError) return;
    g_lastWriteError = error;
    dlg::MsgBox("The settings could not be saved completely; a file that could not be written keeps its "
                "former content.\r\n\r\n" + error,
                dlg::OKOnly | dlg::Exclamation);
}

}  // namespace assign
