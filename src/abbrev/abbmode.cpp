#include "abbrev/abbmode.h"

#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "abbrev/listfiles.h"
#include "assign/charass.h"
#include "files/ansi.h"
#include "files/textfile.h"
#include "platform/captions.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/richtext_format.h"
#include "platform/richtextbox.h"
#include "platform/shell.h"
#include "store/filenames.h"
#include "store/store.h"

using platform::SetTwipsGeometry;

namespace {

enum class Picture { Undo, Save, Cross, Clipboard };

QIcon pictureOf(Picture kind) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (kind) {
    case Picture::Undo: {
        p.setPen(QPen(Qt::black, 1.6));
        QPainterPath arc;
        arc.moveTo(4, 6);
        arc.cubicTo(9, 1, 15, 5, 13, 10);
        arc.cubicTo(12, 13, 8, 14, 6, 13);
        p.drawPath(arc);
        p.setBrush(Qt::black);
        p.drawPolygon(QPolygonF({QPointF(1, 7), QPointF(6, 3), QPointF(6, 9)}));
        break;
    }
    case Picture::Save:
        p.setPen(Qt::black);
        p.setBrush(QColor(40, 60, 140));
        p.drawRect(1, 1, 13, 13);
        p.setBrush(Qt::white);
        p.drawRect(4, 1, 7, 5);
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(3, 9, 9, 5);
        break;
    case Picture::Cross:
        p.setPen(QPen(Qt::red, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(3, 3, 12, 12);
        p.drawLine(12, 3, 3, 12);
        break;
    case Picture::Clipboard:
        p.setPen(Qt::black);
        p.setBrush(QColor(170, 120, 60));
        p.drawRect(1, 2, 10, 13);
        p.setBrush(QColor(120, 120, 120));
        p.drawRect(4, 0, 4, 3);
        p.setBrush(Qt::white);
        p.drawRect(6, 6, 8, 9);
        break;
    }
    return QIcon(pixmap);
}

QPushButton* makeButton(QWidget* window, const char* name, double left, double top, double width,
                        double height, const std::function<void()>& click) {
    auto* b = new platform::Button(QString(), window);
    b->setObjectName(QString::fromLatin1(name));
    SetTwipsGeometry(b, left, top, width, height);
    QObject::connect(b, &QPushButton::clicked, b, click);
    return b;
}

constexpr const char* kSaveFailed = "The list could not be saved; the list files keep their former content.";

void reportFailure(const std::string& what) {
    dlg::MsgBox(what + "\r\n\r\n" + ansi::fromQString(textfile::lastError()), dlg::OKOnly | dlg::Exclamation);
}

}  // namespace

AbbModeForm::AbbModeForm() : LazyForm(QStringLiteral("Abbreviation list")) {}

AbbModeForm& AbbMode() { return platform::Instance<AbbModeForm>(); }

void AbbModeForm::CreateControls(QWidget* window) {
    platform::SetClientSizeTwips(window, 6000, 3735);

    rtb_ = new platform::RichTextBox(window);
    rtb_->setObjectName(QStringLiteral("RTB"));
    SetTwipsGeometry(rtb_, 240, 240, 5535, 3135);
    rtb_->setFont(platform::MakeFont(QStringLiteral("Courier New"), 11.25));
    // The display's last "\par" opens the spare slot's empty paragraph, where
    // a list shown in file order takes a new entry.
    rtb_->SetFinalParOpensParagraph(true);
    rtb_->SetKeepsModel(false);  // it is only ever given a whole list

    // The controls are made in their tab order.
    auto caption = [](QPushButton* b, const char* text) { b->setText(QString::fromLatin1(text)); };
    auto picture = [](QPushButton* b, Picture kind) { b->setIcon(pictureOf(kind)); };
    picture(makeButton(window, "Speichern", 5520, 0, 255, 255, [this] { Speichern_Click(); }), Picture::Save);
    picture(makeButton(window, "UnDo", 5280, 0, 255, 255, [this] { UnDo_Click(); }), Picture::Undo);

    label1_ = new platform::Label(QString(), window);
    label1_->setObjectName(QStringLiteral("Label1"));
    SetTwipsGeometry(label1_, 240, 3480, 4215, 255);
    label1_->setFont(platform::MakeFont(QStringLiteral("Courier New"), 9));

    caption(makeButton(window, "Export", 3840, 0, 1335, 255, [this] { Export_Click(); }), "Export as RTF");
    caption(makeButton(window, "Open", 1320, 0, 1335, 255, [this] { Open_Click(); }), "Load database");
    caption(makeButton(window, "Font", 240, 0, 975, 255, [this] { Font_Click(); }), "Adjust font");
    caption(makeButton(window, "SaveListAs", 2760, 0, 975, 255, [this] { SaveListAs_Click(); }), "Save list as");
    caption(makeButton(window, "SelAll", 5040, 3400, 340, 330, [this] { SelAll_Click(); }), "][");
    picture(makeButton(window, "Paste", 5400, 3400, 375, 330, [this] { Paste_Click(); }), Picture::Clipboard);
    picture(makeButton(window, "Delete", 4680, 3400, 375, 330, [this] { Delete_Click(); }), Picture::Cross);
}

void AbbModeForm::ControlsDiscarded() {
    rtb_ = nullptr;
    label1_ = nullptr;
    listShown_ = false;
    shownList_.clear();
}

platform::RichTextBox* AbbModeForm::RTB() {
    Load();
    return rtb_;
}

QLabel* AbbModeForm::Label1() {
    Load();
    return label1_;
}

void AbbModeForm::Form_Load() {
    if (store::AbbListVersion == 0) store::AbbListVersion = 1;
    // An editor without the list would offer to save its empty text over it.
    if (!LoadList()) Unload();
}

bool AbbModeForm::loadFailed() {
    listShown_ = false;
    // Worded before the removal, which could set a reason of its own.
    const std::string text = textfile::withLastError("Please, retry.");
    textfile::remove(store::kListDisplayFile);
    dlg::MsgBox(text, dlg::OKOnly | dlg::Information, "Load failed");
    return false;
}

bool AbbModeForm::LoadList() {
    if (!abbrev::ListFitsEditor() || !abbrev::SeedListFiles()) return loadFailed();
    auto lines = abbrev::ReadListLines();
    if (!lines) return loadFailed();
    ListLines_ = std::move(*lines);
    ListLineCount_ = static_cast<int>(ListLines_.size()) - 1;

    // Until the first Save of a run the list shows in file order.
    bool sort = false;
    if (store::AbbListVersion != 1) {
        if (ListLineCount_ >= abbrev::kSortQuestionLines) {
            Show();
            RTB()->SetText("Preparing  " + std::to_string(ListLineCount_) +
                           " Abb list entries for access... Please wait!");
            platform::PumpEvents();
            sort = dlg::MsgBox("Sort array new? (Takes time in large lists)", dlg::YesNo) == dlg::Yes;
        } else {
            sort = true;
        }
    }
    if (sort) abbrev::SortList(ListLines_);

    // The document goes before the editor reads it back: a long list's takes megabytes.
    bool written = false;
    // What the editor reads back is what it has just written, of a list within its bound.
    filegroup::ReadBound display{0, ListLines_.size(), store::kListFileBound.reads};
    {
        const std::string rtf = abbrev::ListDisplayRtf(ListLines_, store::CellCharSet, store::CellFontName,
                                                       store::CellFontSize);
        display.bytes = static_cast<std::int64_t>(rtf.size());
        written = textfile::writeAtomic(store::kListDisplayFile, rtf, textfile::Flush::Later);
    }
    if (!written || !RTB()->LoadFile(store::kListDisplayFile, display)) return loadFailed();
    textfile::remove(store::kListDisplayFile);
    Label1()->setText(QString());
    shownList_ = QString();  // the text before it goes first: a long list takes megabytes
    shownList_ = RTB()->TextW();
    listShown_ = true;
    return true;
}

void AbbModeForm::Speichern_Click() {
    if (!listShown_) {
        dlg::MsgBox(std::string("The list was not saved: the editor does not show the list of \"") + store::kListFile +
                        "\", whose last load failed, and saving would replace that list with what the editor "
                        "shows.\r\n\r\nClose the editor and open it again with \"Abb list\".",
                    dlg::OKOnly | dlg::Exclamation);
        return;
    }
    store::AbbRetrace = true;
    if (RTB()->Text().empty()) {
        if (abbrev::SaveList(std::nullopt)) {
            shownList_.clear();
        } else {
            reportFailure(kSaveFailed);
        }
        return;
    }
    if (!saveEditorText()) return;
    // The conversions see the new version only once the files hold it; 0 and
    // 1 mean that the list has not been saved in this run.
    store::AbbListVersion =
        static_cast<std::int16_t>(store::AbbListVersion == INT16_MAX ? 2 : store::AbbListVersion + 1);
    LoadList();
    RTB()->SetFocus();
    RTB()->SetSelStart(0);
}

bool AbbModeForm::saveEditorText() {
    Label1()->setText(QStringLiteral("Saving entries... Please wait!"));
    platform::PumpEvents();

    platform::RichTextBox* rtb = RTB();
    platform::SetWholeTextFormat(*rtb, store::CellFontName, store::CellFontSize);

    const auto text = abbrev::ListTextFromEditorRtf(rtb->TextRTF(), store::CellFontSize);
    if (!text) {
        Label1()->setText(QString());
        dlg::MsgBox(std::string(kSaveFailed) + "\r\n\r\nThe editor gave its text in a form that cannot be cut.",
                    dlg::OKOnly | dlg::Exclamation);
        return false;
    }
    if (!abbrev::SaveList(*text)) {
        Label1()->setText(QString());
        reportFailure(kSaveFailed);
        return false;
    }
    return true;
}

void AbbModeForm::UnDo_Click() {
    if (!abbrev::HasUndoCopies()) {
        dlg::MsgBox("There is nothing to undo: the list has not been saved yet.", dlg::OKOnly | dlg::Information);
        return;
    }
    if (!abbrev::RestoreUndoCopies()) {
        reportFailure("The list saved before could not be restored.");
        return;
    }
    LoadList();
    RTB()->SetFocus();
}

void AbbModeForm::Open_Click() {
    const auto chosen = dlg::ShowFileDialog({false, "Abb list files(*L.TXT)|*L.TXT", 4096});
    textfile::clearLastError();
    if (!chosen || !abbrev::LoadDatabase(*chosen)) {
        dlg::MsgBox(textfile::withLastError("Cancelled or load failed, check data."), dlg::OKOnly | dlg::Information,
                    "Damned! :-)");
        return;
    }
    LoadList();
}

void AbbModeForm::SaveListAs_Click() {
    const auto chosen = dlg::ShowFileDialog({true, "Abb list files (*L.TXT)|*L.TXT", 2});
    textfile::clearLastError();
    const auto base = chosen ? abbrev::DatabaseBaseForSave(*chosen) : std::nullopt;
    if (!base || !abbrev::SaveDatabase(*base)) {
        dlg::MsgBox(
            textfile::withLastError("Perhaps no such disk available, or list not traced, or you have cancelled."),
            dlg::OKCancel | dlg::Question, "Damned! :-)");
        return;
    }
    if (textfile::length(store::kListFile) >= abbrev::kUntracedNoteBytes) {
        dlg::MsgBox("List database is saved as " + filegroup::ShortQuote(*base + "L.TXT") +
                    " without retracing. You can retrace it later when you use it in the main window.");
    }
}

void AbbModeForm::Export_Click() {
    if (RTB()->Text().empty()) return;
    if (!RTB()->SaveFile(store::kListExportFile)) {
        reportFailure(std::string("The list could not be exported to \"") + store::kListExportFile + "\".");
        return;
    }
    std::string unused;
    if (!OpenFile(unused))
        dlg::MsgBox(platform::NotOpenedMessage(store::kListExportFile, false), dlg::OKOnly | dlg::Exclamation);
}

bool AbbModeForm::OpenFile(std::string& /*name*/) { return platform::ShellOpen(store::kListExportFile); }

void AbbModeForm::Font_Click() {
    // The reload after the font chooser would throw away what was typed since
    // the list was last loaded or saved, so the user decides first.
    const bool keepEdits =
        RTB()->TextW() != shownList_ &&
        dlg::MsgBox("The list has unsaved changes. Discard them?",
                    dlg::YesNo | dlg::Question | dlg::DefaultButton2) == dlg::No;
    CharAss().SelectFont_Click();
    if (keepEdits) {
        showInSymbolFont();
    } else {
        LoadList();
    }
}

// The editor's text as it stands, in the symbol font's face and size; the
// caret and the selection stay.
void AbbModeForm::showInSymbolFont() {
    platform::RichTextBox* rtb = RTB();
    const int start = rtb->SelStart();
    const int length = rtb->SelLength();
    rtb->SetSelStart(0);
    rtb->SetSelLength(static_cast<int>(rtb->Text().size()));
    rtb->SetSelFontName(store::CellFontName);
    rtb->SetSelFontSize(store::CellFontSize);
    rtb->SetSelStart(start);
    rtb->SetSelLength(length);
}

void AbbModeForm::Delete_Click() {
    RTB()->SetFocus();
    RTB()->Delete();
}

void AbbModeForm::Paste_Click() {
    RTB()->SetFocus();
    RTB()->Paste();
}

void AbbModeForm::SelAll_Click() {
    RTB()->SetFocus();
    RTB()->SetSelStart(0);
    RTB()->SetSelLength(static_cast<int>(RTB()->Text().size()));
}
