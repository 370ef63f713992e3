#include "assign/charass.h"

#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "assign/lockuni.h"
#include "assign/settings.h"
#include "assign/zoom.h"
#include "files/ansi.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/richtextbox.h"
#include "store/filenames.h"
#include "store/store.h"

using assign::NewButton;
using assign::NewLabel;
using platform::MakeFont;

namespace {

constexpr int kLastCode = assign::kPage2FirstCode - 1;

}  // namespace

CharAssForm::CharAssForm() : CellWindow(QStringLiteral("Character Assignment ANSI 1")) {}

CharAssForm& CharAss() { return platform::Instance<CharAssForm>(); }

void CharAssForm::CreateControls(QWidget* window) {
    platform::SetClientSizeTwips(window, 11850, 7665);
    // Labels lie beneath every box and button, as the old toolkit drew them;
    // the boxes come last, so an enlarged box shows over the preset buttons.
    createLabels(window);
    createButtons(window);
    CreateCells(window, assign::Page1Cells(), assign::BoxList());
}

void CharAssForm::createLabels(QWidget* window) {
    const QFont courier9 = MakeFont(QStringLiteral("Courier New"), 9);
    label1_ = NewLabel(window, QStringLiteral("ANSI 1"), {240, 120, 1455, 495},
                       MakeFont(QStringLiteral("Times New Roman"), 20.25, true));
    label2_ = NewLabel(window,
                       QStringLiteral("2. Fill out white text boxes with symbols you want to assign to ANSI characters "
                                      "(grey). Use Windows clipboard and character table or any symbol containing "
                                      "document."),
                       {3480, 0, 5895, 735}, courier9);
    platform::SetBackColor(label2_, 0xC0FFFF);
    platform::SetFramed(label2_);
    label6_ = NewLabel(window, QStringLiteral("Presets:"), {10680, 580, 855, 255},
                       MakeFont(QStringLiteral("Courier New"), 9, false, false, true));
    label4_ = NewLabel(window, QString(), {240, 2160, 1935, 1215}, MakeFont(QStringLiteral("Times New Roman"), 12));
    platform::SetFramed(label4_);
    label4_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label5_ = NewLabel(window,
                       QStringLiteral("Double click on the symbol field to enlarge it. Single click to see its saved code"),
                       {240, 3360, 2055, 1095}, MakeFont(QStringLiteral("Courier New"), 8.25));
    platform::SetForeColor(label5_, 0xFF0000);
    label7_ = NewLabel(window, QString::fromUtf8("You can enter ANSI characters by Alt+0xxx, e.g. Alt+0128 for €"),
                       {240, 4760, 1935, 975}, courier9);
    label3_ = NewLabel(
        window,
        QStringLiteral(
            "3. Alternatively to pasting the symbol into the white box you can place there its 6-digit hexadecimal "
            "Unicode ID, like U+042E (with zeros). Look up for IDs in Windows symbol table, Unicode database, or RTF "
            "standards (decimal). Always prefer character set 0 (Western) and Unicode coding of symbols, rather than "
            "national char. sets with ANSI coding. So you can avoid multispace font processing. ANSI coding is useful "
            "for reconvertion of imported texts. RIGHT-to-LEFT text flow (e.g. Arab) starts automatically. Shortcut "
            "for PASTE is Shift+INSERT."),
        {120, 6480, 11655, 1215}, courier9);
    platform::SetBackColor(label3_, 0xC0FFC0);
    platform::SetFramed(label3_);
}

void CharAssForm::createButtons(QWidget* window) {
    command1_ = NewButton(window, QStringLiteral("ANSI 2"), {1800, 120, 1575, 495},
                          MakeFont(QStringLiteral("Courier New"), 12));
    save_ = NewButton(window, QStringLiteral("Save / Refresh"), {9480, 120, 2175, 375},
                      MakeFont(QStringLiteral("Courier New"), 9.75, true));
    selectFont_ = NewButton(window,
                            QStringLiteral("1. Select FONT to display assigned symbols BEFORE assignment by clicking HERE"),
                            {240, 720, 1935, 1335}, MakeFont(QStringLiteral("Courier New"), 9));
    platform::SetBackColor(selectFont_, 0xC0C0FF);
    clearAll_ = NewButton(window, QStringLiteral("Clear All"), {240, 4440, 855, 300});
    lockUniCB_ = NewButton(window, QStringLiteral("Lock Uni"), {1200, 4440, 975, 300});

    const auto preset = [&](const char* caption, int top) {
        return NewButton(window, QString::fromLatin1(caption), {10560, top, 1095, 255});
    };
    cyrillic_ = preset("Cyrillic", 840);
    greek_ = preset("Greek", 1080);
    hebrew_ = preset("Hebrew ANSI", 1320);
    hiragana_ = preset("Hiragana", 1560);
    arab_ = preset("Arab", 1800);
    russANSI_ = preset("Russ. ANSI", 2040);
    arabANSI_ = preset("Arab ANSI", 2280);
    for (int i = 1; i <= 16; ++i) {
        QPushButton* b = NewButton(window, QStringLiteral("Custom%1").arg(i), {10560, 2520 + 240 * (i - 1), 1095, 255});
        platform::SetBackColor(b, 0xFFC0C0);
        custom_[static_cast<size_t>(i)] = b;
    }

    QObject::connect(command1_, &QPushButton::clicked, this, &CharAssForm::Command1_Click);
    QObject::connect(save_, &QPushButton::clicked, this, &CharAssForm::Save_Click);
    QObject::connect(selectFont_, &QPushButton::clicked, this, &CharAssForm::SelectFont_Click);
    QObject::connect(arab_, &QPushButton::clicked, this, &CharAssForm::Arab_Click);
    QObject::connect(arabANSI_, &QPushButton::clicked, this, &CharAssForm::ArabANSI_Click);
    QObject::connect(russANSI_, &QPushButton::clicked, this, &CharAssForm::RussANSI_Click);
    QObject::connect(hebrew_, &QPushButton::clicked, this, &CharAssForm::Hebrew_Click);
    QObject::connect(hiragana_, &QPushButton::clicked, this, &CharAssForm::Hiragana_Click);
    QObject::connect(cyrillic_, &QPushButton::clicked, this, &CharAssForm::Cyrillic_Click);
    QObject::connect(greek_, &QPushButton::clicked, this, &CharAssForm::Greek_Click);
    QObject::connect(clearAll_, &QPushButton::clicked, this, &CharAssForm::ClearAll_Click);
    connectLockUniCB();
    connectCustomButtons();
}

void CharAssForm::ControlsDiscarded() {
    DiscardCells();
    label1_ = label2_ = label3_ = label4_ = label5_ = label6_ = label7_ = nullptr;
    command1_ = save_ = selectFont_ = clearAll_ = lockUniCB_ = nullptr;
    cyrillic_ = greek_ = hebrew_ = hiragana_ = arab_ = russANSI_ = arabANSI_ = nullptr;
    custom_.fill(nullptr);
}

QLabel* CharAssForm::Label4() { return Touch(label4_); }
QLabel* CharAssForm::Label5() { return Touch(label5_); }
QPushButton* CharAssForm::Command1() { return Touch(command1_); }
QPushButton* CharAssForm::Save() { return Touch(save_); }
QPushButton* CharAssForm::LockUniCB() { return Touch(lockUniCB_); }

QPushButton* CharAssForm::Custom(int i) {
    Load();
    return custom_.at(static_cast<size_t>(i));
}

void CharAssForm::ShowCustomTitles() {
    for (int i = 1; i <= 16; ++i)
        custom_[static_cast<size_t>(i)]->setText(
            ansi::toQString(filegroup::ShortQuote(store::CustomTitle[static_cast<size_t>(i)])));
}

void CharAssForm::ReadINI() {
    const store::SettingsRead read = store::ReadSettingsFiles();
    // Every fill reads the file again: one message for one face name.
    if (read.refusedFaceName && *read.refusedFaceName != lastRefusedFace_) {
        const std::string& face = *read.refusedFaceName;
        const std::string why = face.find_first_of("{}\\;") != std::string::npos
                                    ? "A font name with \"{\", \"}\", \"\\\" or \";\" cannot stand in rich text"
                                    : "No font has a name of more than " + std::to_string(store::kMaxFaceNameBytes) +
                                          " characters";
        dlg::MsgBox(std::string("Line 193 of \"") + store::kAssignmentFile + "\" names the symbol font \"" +
                        filegroup::ShortQuote(face) + "\". " + why + ", so the font \"" + store::CellFontName +
                        "\" stays in use.",
                    dlg::OKOnly | dlg::Exclamation);
    }
    lastRefusedFace_ = read.refusedFaceName.value_or(std::string());
    // The first touch of the button loads this window (hidden) at start-up;
    // its load reads and writes the settings files before we go on.
    assign::ShowLockUni(LockUniCB(), store::LockUni);
}

void CharAssForm::WriteINI() { assign::WriteSettings(); }

void CharAssForm::FillFieldsPage1() {
    FillCells(64, kLastCode, [this] { ReadINI(); });
    assign::ShowFontLabel(Label4(),
                          assign::FontLabelPage1(store::CellFontName, store::CellCharSet, store::CellFontSize),
                          store::CellFontSize);
}

void CharAssForm::GetSignsPage1() {
    CollectCells(64, kLastCode);
    WriteINI();
}

