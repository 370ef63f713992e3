#include "app/form1_reconvert.h"

#include <QLabel>
#include <QTextDocument>
#include <exception>

#include "app/form1.h"
#include "convert/bed_list.h"
#include "convert/document.h"
#include "convert/reverse.h"
#include "platform/events.h"
#include "platform/ansi.h"
#include "platform/dialogs.h"
#include "platform/richtext_format.h"
#include "platform/richtextbox.h"
#include "platform/textbox.h"
#include "platform/textfile.h"
#include "store/store.h"

namespace app {
namespace {

std::function<void(const char*)> g_faultProbe;

void Probe(const char* point) {
    if (g_faultProbe) g_faultProbe(point);
}


}  // namespace

void SetReconvertFaultProbe(std::function<void(const char*)> probe) { g_faultProbe = std::move(probe); }

}  // namespace app

void Form1Form::Reconvert_Click() {
    if (reconverting_ || converting_) return;
    const platform::ScopedFlag running(reconverting_);

    platform::RichTextBox* rtb = RTB();
    if (rtb->Text().empty()) return;
    SavedRtbCaret = rtb->SelStart();
    const int savedLength = rtb->SelLength();
    // The normalisation is undone if the command stops.
    const int undoSteps = rtb->document()->availableUndoSteps();
    platform::SetWholeTextFormat(*rtb, store::CellFontName, store::CellFontSize);
    std::string previousWork = std::move(WorkRtf);
    WorkRtf = rtb->TextRTF();
    // The command goes on with its own copy: nothing that runs while the list
    // loads can change what it works on.
    std::string work = WorkRtf;

    const std::int16_t tracedBefore = store::BedTracedVersion;
    const convert::BedListUi ui{
        [this] { return ansi::fromQString(Label1()->text()); },
        [this](const std::string& caption) { Label1()->setText(ansi::toQString(caption)); },
        [](const std::string& prompt) { return dlg::MsgBox(prompt, dlg::YesNo); },
        platform::PumpEvents};
    const convert::BedLoad load = convert::LoadBedList(BedList, BedLineCount, ui);
    auto writeTracedList = [&] {
        if (load == convert::BedLoad::Traced) convert::WriteBedTrace(BedList);
    };
    if (load == convert::BedLoad::Failed || !IsLoaded()) {
        writeTracedList();
        return;
    }

    try {
        app::Probe("recognition");
        convert::RecognizeSymbols(work, load == convert::BedLoad::TooShort ? nullptr : &BedList, store::CellCode,
                                  store::CellCharSet, store::CellFontSize);
        WorkRtf = work = convert::CleanUpRtf(work, store::CellFontSize);
    } catch (const convert::RunawayExpansion& stopped) {
        // Everything as before the click: the list is loaded again next time.
        store::BedTracedVersion = tracedBefore;
        WorkRtf = std::move(previousWork);
        while (rtb->document()->availableUndoSteps() > undoSteps) rtb->document()->undo();
        rtb->SetSelStart(SavedRtbCaret);
        rtb->SetSelLength(savedLength);
        showRunaway(stopped.What());
        return;
    } catch (const std::exception&) {
        writeTracedList();
        RetraceAfterFailure();
        return;
    }
    writeTracedList();

    try {
        // Every setting of the upper text runs the forward conversion, which
        // takes WorkRtf for its own document.
        TEX()->SetText(work);
        app::Probe("result");
        for (int step = 1; step <= 3; ++step) {
            if (auto trimmed = convert::TrimResult(step, TEX()->Text())) TEX()->SetText(*trimmed);
        }
        TEX()->SetFocus();
        RTB()->SetSelStart(SavedRtbCaret);
        RTB_Click();
        TEX()->SetSelLength(TEX()->SelLength() > 1 ? TEX()->SelLength() - 1 : 1);
        SyncCaret();
    } catch (const std::exception&) {
        RetraceAfterFailure();
    }
}

// Offers to sort the list again after a failure; the list ends up in the
// file's order all the same, and the user starts "Reconvert" again.
void Form1Form::RetraceAfterFailure() {
    const int answer = dlg::MsgBox("Please, retrace array. Continue?", dlg::YesNo | dlg::DefaultButton1,
                                   "Array out of range");
    if (answer != dlg::Yes) return;
    platform::RichTextBox* rtb = RTB();
    const std::string shown = rtb->TextRTF();
    const bool saved = rtb->SaveFile(convert::kRtbSnapshotFile);
    if (!saved) {
        dlg::MsgBox("The lower window could not be saved to \"" + std::string(convert::kRtbSnapshotFile) +
                        "\":\r\n" + ansi::fromQString(textfile::lastError()),
                    dlg::OKOnly | dlg::Exclamation);
    }
    rtb->SetText("Preparing entries in the Abb list for work. It may take time in long arrays. Please wait!");
    platform::PumpEvents();
    convert::TraceBedList(BedList);
    // What the window showed comes back even when the file could not be used.
    if (!saved || !rtb->LoadFile(convert::kRtbSnapshotFile)) rtb->SetTextRTF(shown);
    convert::ReloadBedList(BedList, BedLineCount);
}
