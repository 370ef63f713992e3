// The main window's commands around files and other windows: master files,
// undo and redo through the ring, the export to the word processor, the list
// editor and the help window.

#include "abbrev/abbmode.h"
#include "app/form1.h"
#include "app/formhilfe.h"
#include "app/masterfiles.h"
#include "files/ansi.h"
#include "files/textfile.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/keystrokes.h"
#include "platform/richtextbox.h"
#include "platform/shell.h"
#include "platform/textbox.h"
#include "platform/windowlist.h"
#include "store/filenames.h"

#include <QLabel>

namespace {

// The export's file steps set the reason given after the program's words.
void reportExportFailure() {
    dlg::MsgBox(textfile::withLastError("Please set Windows WordPad as standard for opening of '*.RTF' files."),
                dlg::OKOnly, "RTF - WordPad");
}

}  // namespace

void Form1Form::OpenCode_Click() {
    const auto chosen = dlg::ShowFileDialog({false, "Master files(*M.TXT)|*M.TXT", 4096});
    textfile::clearLastError();
    std::optional<std::string> text;
    if (chosen) text = app::ReadMasterText(*chosen);
    if (!text) {
        dlg::MsgBox(textfile::withLastError("Cancelled or load failed, check data."), dlg::OKOnly | dlg::Information,
                    "Damned! :-)");
        return;
    }
    TEX()->SetText(*text);
}

void Form1Form::SaveCode_Click() {
    const auto chosen = dlg::ShowFileDialog({true, "Master files (*M.TXT)|*M.TXT", 2});
    textfile::clearLastError();
    if (chosen) {
        const app::MasterSave plan = app::PlanMasterSave(*chosen);
        if (app::WriteMaster(plan, TEX()->Text())) {
            dlg::MsgBox(app::MasterSaveText(plan), dlg::OKOnly | dlg::Information, app::MasterSaveTitle(plan));
            return;
        }
    }
    dlg::MsgBox(textfile::withLastError("Perhaps no such disk available, or list not traced, or you have cancelled."),
                dlg::OKCancel | dlg::Question, "Damned! :-)");
}

void Form1Form::stepUndoRing(int direction) {
    SuppressConvert = true;
    textfile::clearLastError();
    const app::UndoStep step = app::StepUndoRing(UndoIndex, direction, TEX()->Text(), &app::ReadUndoSlot);
    UndoIndex = step.index;
    if (step.text) {
        TEX()->SetText(*step.text);  // no conversion: SuppressConvert is set
        SuppressConvert = false;
        // Undo shows the lower window as it stood before the latest conversion;
        // without that snapshot the lower window stays as it is.
        if (direction < 0 && !RTB()->LoadFile(store::kRtbSnapshotFile, store::kLowerWindowBound) &&
            textfile::exists(store::kRtbSnapshotFile))
            dlg::MsgBox(textfile::withLastError("The lower window stays as it is."), dlg::OKOnly | dlg::Exclamation);
    } else if (!textfile::lastError().isEmpty()) {
        dlg::MsgBox(textfile::withLastError("The text kept for undo and redo could not be read."),
                    dlg::OKOnly | dlg::Exclamation);
    }
    SuppressConvert = false;
}

void Form1Form::UnDo_Click() { stepUndoRing(-1); }

void Form1Form::ReDo_Click() { stepUndoRing(+1); }

bool Form1Form::OpenFile(std::string& /*Filename*/) { return platform::ShellOpen(store::kExportFile); }

void Form1Form::Export_Click() {
    platform::RichTextBox* rtb = RTB();
    if (rtb->Text().empty()) return;
    textfile::clearLastError();
    if (!rtb->SaveFile(store::kExportFile)) {
        reportExportFailure();
        return;
    }
    platform::PumpEvents();
    std::string unused;
    const bool opened = OpenFile(unused);

    // The whole lower text goes to the clipboard, as RTF and as plain text.
    rtb->SetFocus();
    rtb->SetSelStart(0);
    rtb->SetSelLength(static_cast<int>(rtb->Text().size()));
    rtb->Copy();

    // Keystrokes go only to a window that is there to take them, never to
    // whatever program happens to be in front.
    const platform::WindowHandle target = platform::FindAppWindow("EXPORT");
    if (target != 0) {
        platform::ActivateWindow(target);
        for (auto key : {platform::ForeignKey::CtrlEnd, platform::ForeignKey::Enter,
                         platform::ForeignKey::ShiftInsert})
            platform::SendKeystroke(target, key);
    }

    platform::PumpEvents();
    if (!rtb->LoadFile(store::kExportFile, store::kLowerWindowBound)) {
        reportExportFailure();
        return;
    }
    // Without a program for the file the export would end without a word.
    if (!OpenFile(unused) && !opened)
        dlg::MsgBox(platform::NotOpenedMessage(store::kExportFile, true), dlg::OKOnly | dlg::Exclamation);
}

void Form1Form::AbbModeC_Click() {
    AbbMode().Show();
    setHintCaption(QStringLiteral("Quote abbreviations in ** but first create and save the list"));
}

void Form1Form::Hilfe_Click() { FormHilfe().Show(); }
