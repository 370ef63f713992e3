#include "app/form1.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QScrollBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <climits>

#include "abbrev/tracefiles.h"
#include "app/caret_sync.h"
#include "app/form1_icons.h"
#include "app/masterfiles.h"
#include "assign/charass.h"
#include "assign/settings.h"
#include "convert/document.h"
#include "convert/symbol_pass.h"
#include "files/ansi.h"
#include "files/textfile.h"
#include "platform/captions.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/richtextbox.h"
#include "platform/textbox.h"
#include "store/filenames.h"
#include "store/store.h"

using platform::MakeFont;

struct Form1Form::Controls {
    platform::TextBox* TEX = nullptr;
    platform::RichTextBox* RTB = nullptr;
    QPushButton *Reconvert = nullptr, *Command2 = nullptr, *Quit = nullptr, *AbbModeC = nullptr, *RightT = nullptr,
                *LeftT = nullptr, *Export = nullptr, *SelAllTEX = nullptr, *CutTEX = nullptr, *CopyTEX = nullptr,
                *PasteTEX = nullptr, *SelAllRTB = nullptr, *CutRTB = nullptr, *CopyRTB = nullptr,
                *PasteRTB = nullptr, *UnDo = nullptr, *ReDo = nullptr, *SaveCode = nullptr, *OpenCode = nullptr,
                *Hilfe = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr,
           *Label7 = nullptr;
    QFrame* Shape1 = nullptr;
    QTimer *Timer1 = nullptr, *Timer2 = nullptr;
    // Whether the lower text holds "**", as of the lower window's revision.
    std::uint64_t doubleStarRevision = UINT64_MAX;
    bool doubleStar = false;
};

Form1Form::Form1Form() : LazyForm(QStringLiteral("Runemill")), layout_(app::DesignLayout()) {}

Form1Form::~Form1Form() { Unload(); }

Form1Form& Form1() { return platform::Instance<Form1Form>(); }

// --- Controls ---------------------------------------------------------------

namespace {

QLabel* makeLabel(QWidget* window, const char* name, const QString& caption, const QFont& font) {
    auto* label = new platform::Label(caption, window);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(font);
    return label;
}

}  // namespace

void Form1Form::CreateControls(QWidget* window) {
    c_ = std::make_unique<Controls>();
    layout_ = app::DesignLayout();
    window->setWindowIcon(app::WindowIcon());
    platform::SetClientSizeTwips(window, 6615, 5265);
    createTextWindows(window);
    createButtons(window);
    createIndicators(window);
    setTabOrder();
    applyLayout();
    c_->TEX->setFocus();
}

void Form1Form::createTextWindows(QWidget* window) {
    // The frame stands behind the lower window.
    c_->Shape1 = new QFrame(window);
    c_->Shape1->setObjectName(QStringLiteral("Shape1"));
    c_->Shape1->setFrameStyle(QFrame::Box | QFrame::Plain);

    c_->TEX = new platform::TextBox(window);
    c_->TEX->setObjectName(QStringLiteral("TEX"));
    c_->TEX->setFont(MakeFont(QStringLiteral("Courier New"), 9.75));
    QObject::connect(c_->TEX, &platform::TextBox::Change, this, [this] { TEX_Change(); });
    QObject::connect(c_->TEX, &platform::TextBox::Click, this, [this] { TEX_Click(); });

    c_->RTB = new platform::RichTextBox(window);
    c_->RTB->setObjectName(QStringLiteral("RTB"));
    c_->RTB->setFont(MakeFont(QStringLiteral("Arial"), 12));
    QObject::connect(c_->RTB, &platform::RichTextBox::Click, this, [this] { RTB_Click(); });

    c_->Label1 = makeLabel(window, "Label1", QStringLiteral("Quote text to be changed in ##. But first assign characters"),
                           MakeFont(QStringLiteral("Courier New"), 9));
}

void Form1Form::createButtons(QWidget* window) {
    // The captions are in the design's dialog font, "MS Sans Serif" 8.25: the
    // window's font.
    auto button = [&](QPushButton*& slot, const char* name, const QString& caption, void (Form1Form::*click)()) {
        slot = new platform::Button(caption, window);
        slot->setObjectName(QString::fromLatin1(name));
        QObject::connect(slot, &QPushButton::clicked, this, [this, click] { (this->*click)(); });
    };
    auto picture = [&](QPushButton*& slot, const char* name, app::Picture p, void (Form1Form::*click)()) {
        button(slot, name, QString(), click);
        slot->setIcon(app::PictureIcon(p));
        slot->setIconSize(QSize(13, 13));
    };
    button(c_->Reconvert, "Reconvert", QStringLiteral("Reconvert"), &Form1Form::Reconvert_Click);
    button(c_->Command2, "Command2", QStringLiteral("Assign characters"), &Form1Form::Command2_Click);
    button(c_->Quit, "Quit", QStringLiteral("Exit"), &Form1Form::Quit_Click);
    button(c_->AbbModeC, "AbbModeC", QStringLiteral("Abb list"), &Form1Form::AbbModeC_Click);
    button(c_->RightT, "RightT", QStringLiteral("R"), &Form1Form::RightT_Click);
    button(c_->LeftT, "LeftT", QStringLiteral("L"), &Form1Form::LeftT_Click);
    button(c_->Export, "Export", QStringLiteral("Export"), &Form1Form::Export_Click);
    button(c_->SelAllTEX, "SelAllTEX", QStringLiteral("] ["), &Form1Form::SelAllTEX_Click);
    picture(c_->CutTEX, "CutTEX", app::Picture::Cut, &Form1Form::CutTEX_Click);
    picture(c_->CopyTEX, "CopyTEX", app::Picture::Copy, &Form1Form::CopyTEX_Click);
    picture(c_->PasteTEX, "PasteTEX", app::Picture::Paste, &Form1Form::PasteTEX_Click);
    button(c_->SelAllRTB, "SelAllRTB", QStringLiteral("] ["), &Form1Form::SelAllRTB_Click);
    picture(c_->CutRTB, "CutRTB", app::Picture::Cut, &Form1Form::CutRTB_Click);
    picture(c_->CopyRTB, "CopyRTB", app::Picture::Copy, &Form1Form::CopyRTB_Click);
    picture(c_->PasteRTB, "PasteRTB", app::Picture::Paste, &Form1Form::PasteRTB_Click);
    picture(c_->UnDo, "UnDo", app::Picture::Undo, &Form1Form::UnDo_Click);
    picture(c_->ReDo, "ReDo", app::Picture::Redo, &Form1Form::ReDo_Click);
    picture(c_->SaveCode, "SaveCode", app::Picture::Save, &Form1Form::SaveCode_Click);
    picture(c_->OpenCode, "OpenCode", app::Picture::Open, &Form1Form::OpenCode_Click);
    button(c_->Hilfe, "Hilfe", QStringLiteral("?"), &Form1Form::Hilfe_Click);
}

void Form1Form::createIndicators(QWidget* window) {
    c_->Label5 = makeLabel(window, "Label5", QStringLiteral("#"), window->font());
    c_->Label7 = makeLabel(window, "Label7", QStringLiteral("#"), window->font());
    const QFont star = MakeFont(QStringLiteral("Courier New"), 12);
    c_->Label2 = makeLabel(window, "Label2", QStringLiteral("*"), star);
    c_->Label3 = makeLabel(window, "Label3", QStringLiteral("*"), star);
    c_->Label4 = makeLabel(window, "Label4", QStringLiteral("for Abb mode"), MakeFont(QStringLiteral("Courier New"), 9));

    c_->Timer1 = new QTimer(window);
    c_->Timer1->setInterval(125);
    QObject::connect(c_->Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    c_->Timer2 = new QTimer(window);
    c_->Timer2->setInterval(150);
    QObject::connect(c_->Timer2, &QTimer::timeout, this, [this] { Timer2_Timer(); });
}

void Form1Form::setTabOrder() {
    const QWidget* order[] = {c_->TEX,       c_->RTB,       c_->Reconvert, c_->Command2,  c_->Quit,
                              c_->AbbModeC,  c_->RightT,    c_->LeftT,     c_->Export,    c_->SelAllTEX,
                              c_->CutTEX,    c_->CopyTEX,   c_->PasteTEX,  c_->SelAllRTB, c_->CutRTB,
                              c_->CopyRTB,   c_->PasteRTB,  c_->UnDo,      c_->ReDo,      c_->SaveCode,
                              c_->OpenCode,  c_->Hilfe};
    for (size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
}

void Form1Form::ControlsDiscarded() { c_.reset(); }

template <class T>
T* Form1Form::control(T* Controls::*member) {
    Load();
    return c_.get()->*member;
}

platform::TextBox* Form1Form::TEX() { return control(&Controls::TEX); }
platform::RichTextBox* Form1Form::RTB() { return control(&Controls::RTB); }
QLabel* Form1Form::Label1() { return control(&Controls::Label1); }
QLabel* Form1Form::Label2() { return control(&Controls::Label2); }
QLabel* Form1Form::Label3() { return control(&Controls::Label3); }
QLabel* Form1Form::Label5() { return control(&Controls::Label5); }
QLabel* Form1Form::Label7() { return control(&Controls::Label7); }
QTimer* Form1Form::Timer1() { return control(&Controls::Timer1); }
QTimer* Form1Form::Timer2() { return control(&Controls::Timer2); }

// --- Load, layout, close ----------------------------------------------------

void Form1Form::Form_Load() {
    if (store::AbbListVersion == 0) store::AbbListVersion = 1;
    CharAss().ReadINI();
}

void Form1Form::Form_Resize() {
    // The layout works on the outer size.
    const QSizeF outer = platform::OuterSizeTwips(Window());
    app::Form_Resize(static_cast<float>(outer.width()), static_cast<float>(outer.height()), layout_);
    applyLayout();
}

void Form1Form::applyLayout() {
    const app::Form1Layout& l = layout_;
    const std::pair<QWidget*, const app::TwipsRect*> placed[] = {
        {c_->TEX, &l.TEX},           {c_->RTB, &l.RTB},           {c_->Reconvert, &l.Reconvert},
        {c_->Label5, &l.Label5},     {c_->Label7, &l.Label7},     {c_->Command2, &l.Command2},
        {c_->Quit, &l.Quit},         {c_->Label1, &l.Label1},     {c_->AbbModeC, &l.AbbModeC},
        {c_->RightT, &l.RightT},     {c_->LeftT, &l.LeftT},       {c_->Export, &l.Export},
        {c_->SelAllTEX, &l.SelAllTEX}, {c_->CutTEX, &l.CutTEX},   {c_->CopyTEX, &l.CopyTEX},
        {c_->PasteTEX, &l.PasteTEX}, {c_->SelAllRTB, &l.SelAllRTB}, {c_->CutRTB, &l.CutRTB},
        {c_->CopyRTB, &l.CopyRTB},   {c_->PasteRTB, &l.PasteRTB}, {c_->UnDo, &l.UnDo},
        {c_->ReDo, &l.ReDo},         {c_->Label2, &l.Label2},     {c_->Label3, &l.Label3},
        {c_->Label4, &l.Label4},     {c_->SaveCode, &l.SaveCode}, {c_->OpenCode, &l.OpenCode},
        {c_->Hilfe, &l.Hilfe},       {c_->Shape1, &l.Shape1}};
    for (const auto& [widget, r] : placed) platform::SetTwipsGeometry(widget, r->left, r->top, r->width, r->height);
}

void Form1Form::Form_Unload() {
    // The last chance to keep what lives only in memory (Clear All, LOCK UNI):
    // a failed write is told here even when it was told before.
    assign::SettingsWrittenBy([] { CharAss().WriteINI(); });
    platform::EndProgram();
}

void Form1Form::Quit_Click() { Form_Unload(); }

bool Form1Form::QueryUnload() {
    Form_Unload();
    return true;
}

// --- Commands -----------------------------------------------------------------

void Form1Form::Command2_Click() { CharAss().Show(); }

namespace {

// The clipboard commands act on the window they belong to, which gets the
// focus first, as the keystrokes they stand for would need.
template <class Box>
void onFocused(Box* box, void (Box::*command)()) {
    box->SetFocus();
    (box->*command)();
}

template <class Box>
void selectAll(Box* box, int length) {
    box->SetFocus();
    box->SetSelStart(0);
    box->SetSelLength(length);
}

}  // namespace

void Form1Form::CopyTEX_Click() { onFocused(TEX(), &platform::TextBox::Copy); }
void Form1Form::CutTEX_Click() { onFocused(TEX(), &platform::TextBox::Cut); }
void Form1Form::PasteTEX_Click() { onFocused(TEX(), &platform::TextBox::Paste); }
void Form1Form::SelAllTEX_Click() { selectAll(TEX(), TEX()->TextLength()); }
void Form1Form::CopyRTB_Click() { onFocused(RTB(), &platform::RichTextBox::Copy); }
void Form1Form::CutRTB_Click() { onFocused(RTB(), &platform::RichTextBox::Cut); }
void Form1Form::PasteRTB_Click() { onFocused(RTB(), &platform::RichTextBox::Paste); }
void Form1Form::SelAllRTB_Click() { selectAll(RTB(), static_cast<int>(RTB()->Text().size())); }

void Form1Form::LeftT_Click() {
    RTB()->SetSelAlignment(0);
    RightAlign = false;
}

void Form1Form::RightT_Click() {
    RTB()->SetSelAlignment(1);
    RightAlign = true;
}


// --- The forward conversion -----------------------------------------------------

namespace {

std::string lastFileError() { return ansi::fromQString(textfile::lastError()); }

int clampToInt(std::int64_t v) { return static_cast<int>(std::clamp<std::int64_t>(v, 0, INT_MAX)); }

}  // namespace

void Form1Form::TEX_Change() {
    // A change that arrives while a conversion runs (the list load lets events
    // through) is converted once more after it, never inside it.
    if (converting_) {
        changePending_ = true;
        return;
    }
    const platform::ScopedFlag running(converting_);
    do {
        changePending_ = false;
        convertCodeText();
    } while (changePending_ && IsLoaded());
}

void Form1Form::convertCodeText() {
    const std::string text = TEX()->Text();
    if (SuppressConvert) return;

    // The lower window as it stands: the snapshot that undo brings back, and
    // what it shows again should the conversion stop.
    platform::RichTextBox* rtb = RTB();
    std::string shown = rtb->TextRTF();
    shown.pop_back();  // the NUL of the property; the file holds the document
    const int shownStart = rtb->SelStart();
    const int shownLength = rtb->SelLength();
    const std::int16_t tracedBefore = store::AbbTracedVersion;
    abbTracePending_ = false;
    lowerShowsProgress_ = false;

    std::vector<std::string> failures, listFailures;
    if (!converter_ || !converter_->BuiltFrom(store::CellCode))
        converter_ = std::make_unique<convert::SegmentConverter>(store::CellCode);
    std::string work;
    convert::ExpansionTable expansions;
    try {
        const convert::WorkBound bound = convert::WorkBound::For(text.size());
        work = convert::SymbolPass(text, *converter_, bound);
        expansions = convert::AbbreviationPass(work, AbbArray, [&] { return abbListReady(listFailures); }, bound);
    } catch (const convert::RunawayExpansion& stopped) {
        // Nothing of this conversion stays: no file is written, the list is
        // loaded again by the next one, the lower window shows what it showed.
        store::AbbTracedVersion = tracedBefore;
        if (IsLoaded() && lowerShowsProgress_) {
            RTB()->SetTextRTF(shown);
            RTB()->SetSelStart(shownStart);
            RTB()->SetSelLength(shownLength);
        }
        showRunawayWhileTyping(stopped.What());
        return;
    }
    runawayOver();

    // A slot that could not be written is not taken: undo must not find an
    // older text under the newest slot number.
    const int slot = (UndoIndex + 1) % 10;
    if (textfile::writeAtomic(store::UndoSlotFile(slot), text + "\r\n", textfile::Flush::Later)) {
        UndoIndex = slot;
    } else {
        failures.push_back(lastFileError());
    }
    if (!textfile::writeAtomic(store::kRtbSnapshotFile, shown, textfile::Flush::Later))
        failures.push_back(lastFileError());
    failures.insert(failures.end(), listFailures.begin(), listFailures.end());
    if (abbTracePending_) {
        if (std::string failure = abbrev::WriteAbbTraceFile(AbbArray); !failure.empty()) failures.push_back(failure);
    }

    WorkRtf = std::move(work);
    ExpPos = expansions.ExpPos;
    ExpPosCount = expansions.ExpPosCount;
    if (!IsLoaded()) return;  // the window was closed while the list loaded

    const std::string document =
        convert::LowerWindowDocument(WorkRtf, store::CellFontName, store::CellCharSet, store::CellFontSize);
    if (!textfile::writeAtomic(store::kSubtextFile, document + "\r\n", textfile::Flush::Later))
        failures.push_back(lastFileError());
    // The lines of the document as the file holds them, each with a paragraph
    // mark; taken from memory, so a file that could not be written loses nothing.
    WorkRtf = convert::WithParagraphMarks(document);
    // Right alignment comes with the new content rather than after it, so
    // that the paragraphs left as they were need no new layout. The whole
    // text selected and aligned would end the same: the caret sync's
    // selection follows. It comes with the content too, which may leave the
    // lower caret where it already stands. The document is read as the
    // Windows control shows it: a last line of the code text that is empty
    // or holds only blanks follows a "\par" that only the closing brace
    // follows, and is a paragraph of its own.
    const caret::Selection lower = lowerSelection();
    RTB()->SetTextRTF(WorkRtf, RightAlign ? std::optional<int>(1) : std::nullopt, clampToInt(lower.start),
                      clampToInt(lower.length), rtf::FinalPar::OpensEmpty);
    UpdateQuoteIndicators();
    reportWriteFailures(failures);
}

bool Form1Form::abbListReady(std::vector<std::string>& failures) {
    if (store::AbbTracedVersion == store::AbbListVersion) return true;
    const abbrev::ListLoadUi ui{[this](const std::string& progress) {
                                    lowerShowsProgress_ = true;
                                    RTB()->SetText(progress);
                                    platform::PumpEvents();
                                },
                                {},
                                [](const std::string& prompt, const std::string& title) {
                                    return dlg::MsgBox(prompt, dlg::YesNo, title) == dlg::Yes;
                                },
                                platform::PumpEvents};
    const abbrev::ListLoadResult loaded = abbrev::LoadAbbTraceFile(AbbArray, store::AbbRetrace, ui);
    if (!loaded.failure.empty()) failures.push_back(loaded.failure);
    if (!loaded.usable()) return false;
    abbTracePending_ = loaded.traced;
    store::AbbTracedVersion = store::AbbListVersion;
    return true;
}

namespace {

std::string runawayCause(convert::Runaway what, const char* listFile) {
    return what == convert::Runaway::ListMeanings
               ? std::string("the meanings of the abbreviation list in \"") + listFile + "\" expand into each other"
               : std::string("the codings of the symbol table in \"") + store::kAssignmentFile +
                     "\" expand into each other";
}

}  // namespace

// While the user types nothing modal may appear: the hint line tells it in
// short (its tip in full), once for a streak of stopped conversions, and gets
// back what it showed when a conversion goes through again.
void Form1Form::showRunawayWhileTyping(convert::Runaway what) {
    if (runaway_.shown || !IsLoaded()) return;
    QLabel* hint = Label1();
    runaway_.Show(hint, ansi::toQString(what == convert::Runaway::ListMeanings
                                            ? std::string("\"") + store::kAbbTraceFile + "\": meanings expand into each other"
                                            : std::string("\"") + store::kAssignmentFile +
                                                  "\": codings expand into each other"));
    hint->setToolTip(ansi::toQString("The conversion has stopped: " + runawayCause(what, store::kAbbTraceFile) +
                                     ", which would make this text larger than 64 MB. Both windows and all files "
                                     "are as they were."));
}

void Form1Form::runawayOver() {
    if (!runaway_.shown) return;
    if (!IsLoaded()) {
        runaway_.shown = false;
        return;
    }
    Label1()->setToolTip(QString());
    runaway_.TakeBack(Label1());
}

void Form1Form::showRunaway(convert::Runaway what) {
    std::string text = "Reconvert has stopped: " + runawayCause(what, store::kBedTraceFile) +
                       ", which would make this text more than 64 times as long and larger than 64 MB. Both windows "
                       "and all files are as they were.\r\n\r\n";
    text += what == convert::Runaway::ListMeanings
                ? "Change the entries whose meanings hold an abbreviation of the list (or \"*\") with \"Abb list\"."
                : "Change the cells whose codings hold \"#\" with \"Assign characters\".";
    dlg::MsgBox(text, dlg::OKOnly | dlg::Exclamation);
}

// Nothing modal may appear while the user types, so a failure is told in the
// hint line: once when files start failing, naming the first one and why,
// and taken back when a conversion writes all its files again.
void Form1Form::reportWriteFailures(const std::vector<std::string>& failures) {
    if (failures.empty()) {
        writeFailure_.TakeBack(Label1());
    } else if (!writeFailure_.shown) {
        writeFailure_.Show(Label1(), ansi::toQString(failures.front()));
    }
}

// A notice on the hint line stays until its condition ends; a caption set
// meanwhile goes behind it (behind both when two stand) and comes back with
// its end.
void Form1Form::setHintCaption(const QString& caption) {
    QString* shownUnder = nullptr;
    for (int depth = 0; depth < 2; ++depth)
        for (HintLine* notice : {&writeFailure_, &runaway_})
            if (notice->shown && notice->line == (shownUnder ? *shownUnder : Label1()->text())) {
                shownUnder = &notice->before;
                break;
            }
    if (shownUnder) *shownUnder = caption;
    else Label1()->setText(caption);
}

void Form1Form::HintLine::Show(QLabel* hint, const QString& text) {
    shown = true;
    before = hint->text();
    line = text;
    hint->setText(line);
}

void Form1Form::HintLine::TakeBack(QLabel* hint) {
    if (shown && hint->text() == line) hint->setText(before);
    shown = false;
}

// --- Caret sync and quote indicators ------------------------------------------

void Form1Form::TEX_Click() { SyncCaret(); }

namespace {

std::string_view beforeCaret(const std::string& text, int caret) {
    return std::string_view(text).substr(0, static_cast<size_t>(caret));
}

}  // namespace

void Form1Form::SyncCaret() { showLowerSelection(lowerSelection()); }

caret::Selection Form1Form::lowerSelection() {
    const std::string& text = TEX()->Text();
    const std::string_view p = beforeCaret(text, TEX()->SelStart());
    if (p.find('*') == std::string_view::npos) return caret::SimpleLowerSelectionFor(p);
    return caret::LowerSelectionFor(p, ExpPos, QuotePos);
}

void Form1Form::showLowerSelection(const caret::Selection& lower) {
    RTB()->SetSelStart(clampToInt(lower.start));
    RTB()->SetSelLength(clampToInt(lower.length));
    UpdateQuoteIndicators();
}

void Form1Form::RTB_Click() {
    const int clicked = RTB()->SelStart();
    const int length = RTB()->SelLength();
    // The selections pass through the ends of both texts on the way: the
    // lower window stays where the user clicked it, and the upper one scrolls
    // from where it stood only as far as its new selection needs.
    QScrollBar* lowerView = RTB()->verticalScrollBar();
    QScrollBar* upperView = TEX()->verticalScrollBar();
    const int lowerTop = lowerView->value();
    const int upperTop = upperView->value();
    // With the caret at the end, the forward sync records every "*" group.
    TEX()->SetSelStart(TEX()->TextLength());
    SyncCaret();
    const caret::Selection upper = caret::UpperSelectionFor(
        TEX()->Text(), static_cast<std::int64_t>(RTB()->Text().size()), clicked, ExpPos, QuotePos);
    TEX()->SetSelStart(clampToInt(upper.start));
    TEX()->SetSelLength(clampToInt(upper.length));
    upperView->setValue(upperTop);
    TEX()->ensureCursorVisible();
    RTB()->SetSelStart(clicked);
    RTB()->SetSelLength(length);
    lowerView->setValue(lowerTop);
}

void Form1Form::UpdateQuoteIndicators() {
    // The marks are ASCII: the text with its real characters answers as the
    // ANSI text would, without being turned into it.
    const QString lower = RTB()->TextW();
    auto keepRunning = [](QTimer* t) {
        if (!t->isActive()) t->start();
    };
    if (lower.contains(u'#')) {
        keepRunning(c_->Timer1);
    } else {
        c_->Timer1->stop();
        c_->Label7->setHidden(false);
    }
    if (lower.contains(u'*')) {
        keepRunning(c_->Timer2);
    } else {
        c_->Timer2->stop();
        c_->Label3->setHidden(false);
    }
}

// Visibility here is the label's own flag: the window itself may be hidden.
void Form1Form::Timer1_Timer() {
    Label5()->setHidden(false);
    Label7()->setHidden(!Label7()->isHidden());
}

void Form1Form::Timer2_Timer() {
    // The lower text is searched again only when it has changed.
    platform::RichTextBox* rtb = RTB();
    if (c_->doubleStarRevision != rtb->Revision()) {
        c_->doubleStar = rtb->Text().find("**") != std::string::npos;
        c_->doubleStarRevision = rtb->Revision();
    }
    if (c_->doubleStar) {
        Label2()->setHidden(!Label2()->isHidden());
    } else {
        Label2()->setHidden(false);
    }
    Label3()->setHidden(!Label3()->isHidden());
}
