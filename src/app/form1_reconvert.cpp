#include "app/form1_reconvert.h"

#include <QLabel>
#include <QTextDocument>
#include <exception>

#include "abbrev/tracefiles.h"
#include "app/form1.h"
#include "convert/bed_list.h"
#include "convert/document.h"
#include "convert/reverse.h"
#include "files/ansi.h"
#include "files/textfile.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/richtext_format.h"
#include "platform/richtextbox.h"
#include "platform/textbox.h"
#include "store/filenames.h"
#include "store/store.h"

namespace app {
namespace {

std::function<void(const char*)> g_faultProbe;

void Probe(const char* point) {
    if (g_faultProbe) g_faultProbe(point);
}

// A failing list file as Reconvert reports it: what it means, then why.
void ReportFileFailure(const std::string& what, const std::string& why) {
    dlg::MsgBox(what + "\r\n\r\n" + why, dlg::OKOnly | dlg::Exclamation);
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
    // The list is loaded again only when it has changed since the last load.
    bool haveList = true;
    bool traced = false;
    if (store::BedTracedVersion != store::AbbListVersion) {
        const abbrev::ListLoadResult load = loadBedList();
        if (load.status == abbrev::ListLoadResult::Status::Unreadable) return;
        haveList = load.usable();
        traced = load.traced;
    }
    // A list the load sorted goes back to its file once the command has gone
    // through (or failed otherwise); a command stopped by its bound leaves it.
    auto writeTracedList = [&] {
        if (!traced) return;
        if (std::string failure = abbrev::WriteBedTraceFile(BedList); !failure.empty()) {
            app::ReportFileFailure("The sorted abbreviation list could not be saved; the list file keeps its former "
                                   "content. Reconvert goes on with the sorted list.",
                                   failure);
        }
    };
    if (!IsLoaded()) {
        writeTracedList();
        return;
    }

    try {
        app::Probe("recognition");
        convert::RecognizeSymbols(work, haveList ? &BedList : nullptr, store::CellCode,
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

// The Bed list from its file, with the progress caption in Label1 while the
// user is asked whether to sort it; tells the user what failed.
abbrev::ListLoadResult Form1Form::loadBedList() {
    QString savedCaption;
    const abbrev::ListLoadUi ui{[this, &savedCaption](const std::string& progress) {
                                    savedCaption = Label1()->text();
                                    Label1()->setText(ansi::toQString(progress));
                                },
                                [this, &savedCaption] { Label1()->setText(savedCaption); },
                                [](const std::string& prompt, const std::string& title) {
                                    return dlg::MsgBox(prompt, dlg::YesNo, title) == dlg::Yes;
                                },
                                platform::PumpEvents};
    const abbrev::ListLoadResult load = abbrev::LoadBedList(BedList, BedLineCount, store::BedRetrace, ui);
    if (load.status == abbrev::ListLoadResult::Status::Unreadable) {
        app::ReportFileFailure("The abbreviation list for Reconvert could not be read; Reconvert has stopped and nothing "
                          "was changed.",
                          load.failure);
    }
    if (load.usable()) store::BedTracedVersion = store::AbbListVersion;
    return load;
}

// Offers to sort the list again after a failure; the list ends up in the
// file's order all the same, and the user starts "Reconvert" again.
void Form1Form::RetraceAfterFailure() {
    const int answer = dlg::MsgBox("Please, retrace array. Continue?", dlg::YesNo | dlg::DefaultButton1,
                                   "Array out of range");
    if (answer != dlg::Yes) return;
    platform::RichTextBox* rtb = RTB();
    const std::string shown = rtb->TextRTF();
    const bool saved = rtb->SaveFile(store::kRtbSnapshotFile);
    if (!saved) {
        dlg::MsgBox("The lower window could not be saved to \"" + std::string(store::kRtbSnapshotFile) +
                        "\":\r\n" + ansi::fromQString(textfile::lastError()),
                    dlg::OKOnly | dlg::Exclamation);
    }
    rtb->SetText("Preparing entries in the Abb list for work. It may take time in long arrays. Please wait!");
    platform::PumpEvents();
    convert::TraceBedList(BedList);
    // What the window showed comes back even when the file could not be used.
    if (!saved || !rtb->LoadFile(store::kRtbSnapshotFile, store::kLowerWindowBound)) rtb->SetTextRTF(shown);
    const abbrev::ListLoadResult reload = abbrev::ReloadBedList(BedList, BedLineCount);
    if (!reload.usable()) {
        app::ReportFileFailure("The abbreviation list could not be read again; the list of this session stays in use.",
                          reload.failure);
    }
}
