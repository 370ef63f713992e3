// "Clear All" of page 1: the whole table and every box of both pages emptied
// after a question. It writes nothing; the next save of the settings does.
#include "assign/charass.h"
#include "assign/pages.h"
#include "platform/dialogs.h"

void CharAssForm::ClearAll_Click() {
    if (dlg::MsgBox("Do you really want to clear all symbols?", dlg::YesNo, "Delete all symbols") != dlg::Yes) return;
    assign::ClearAllCells();
}
