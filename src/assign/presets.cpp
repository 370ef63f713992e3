// The seven preset buttons of page 1. A preset never sets the shared state
// itself: it writes its set into both settings files, and the first fill of
// the refresh that follows reads them back.
#include "assign/charass.h"
#include "assign/pages.h"
#include "assign/preset_files.h"
#include "platform/dialogs.h"

namespace {

void applyPreset(assign::PresetId id) {
    std::string error;
    if (!assign::WritePresetFiles(assign::Preset(id), &error)) {
        // Nothing has changed yet: the files are as they were, and so are the
        // table and both pages, which the refresh would have reloaded.
        dlg::MsgBox("The preset could not be applied; the symbol table and its settings files are unchanged.\r\n\r\n" +
                        error,
                    dlg::OKOnly | dlg::Exclamation);
        return;
    }
    assign::PresetRefresh();
}

}  // namespace

void CharAssForm::Arab_Click() { applyPreset(assign::PresetId::Arab); }
void CharAssForm::ArabANSI_Click() { applyPreset(assign::PresetId::ArabAnsi); }
void CharAssForm::RussANSI_Click() { applyPreset(assign::PresetId::RussAnsi); }
void CharAssForm::Hebrew_Click() { applyPreset(assign::PresetId::Hebrew); }
void CharAssForm::Hiragana_Click() { applyPreset(assign::PresetId::Hiragana); }
void CharAssForm::Cyrillic_Click() { applyPreset(assign::PresetId::Cyrillic); }
void CharAssForm::Greek_Click() { applyPreset(assign::PresetId::Greek); }
