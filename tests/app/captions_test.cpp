// Every caption of every window fits its control with the installed fonts, in
// the states the windows show them: the design's captions, and those the
// program sets as it runs (hints, font labels, LOCK UNI, inspections).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "abbrev/abbmode.h"
#include "app/form1.h"
#include "app/formhilfe.h"
#include "assign/charass.h"
#include "assign/charass2.h"
#include "platform/captions.h"
#include "platform/textbox.h"
#include "store/store.h"
#include "support/controls.h"
#include "support/testing.h"

namespace {

// Below this a caption is no longer comfortably read (Courier New at 8.25
// points is 11 pixels).
constexpr int kSmallestLegiblePixels = 10;

QString captionText(const QWidget* control) {
    if (auto* label = qobject_cast<const QLabel*>(control)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
    return {};
}

std::string describe(const QWidget* control, const QString& text) {
    return (control->window()->windowTitle() + " / " + control->objectName() + " \"" + text + "\"").toStdString();
}

// Measures each caption as its control draws it: in the fitted font, in the
// area inside the control's frame, wrapped or not as it is drawn.
void expectCaptionsFit(QWidget* window) {
    for (QWidget* control : window->findChildren<QWidget*>()) {
        const QString text = captionText(control);
        if (text.isEmpty()) continue;
        const std::string what = describe(control, text);
        const auto caption = testing_support::CaptionOf(control);
        ASSERT_TRUE(caption) << what << ": the caption is drawn unfitted";

        auto* frame = qobject_cast<QFrame*>(control);
        const QRect inside = frame ? frame->contentsRect() : control->rect();
        EXPECT_TRUE(inside.contains(caption->area)) << what;
        const QRect needed = QFontMetrics(caption->font).boundingRect(caption->area, caption->flags, caption->text);
        EXPECT_LE(needed.width(), caption->area.width()) << what;
        EXPECT_LE(needed.height(), caption->area.height()) << what;
        EXPECT_GE(QFontInfo(caption->font).pixelSize(), kSmallestLegiblePixels) << what;
        // The window's font was chosen for the designed sizes: a control in
        // it needs no smaller size.
        if (control->font() == window->font()) {
            EXPECT_EQ(caption->font.toString().toStdString(), control->font().toString().toStdString()) << what;
        }
    }
}

void expectAllWindowsFit() {
    platform::LazyForm* forms[] = {&Form1(), &CharAss(), &CharAss2(), &AbbMode(), &FormHilfe()};
    for (platform::LazyForm* form : forms)
        if (form->IsLoaded()) expectCaptionsFit(form->Window());
}

void showAll() {
    Form1().Show();
    Form1().Command2_Click();
    CharAss().Command1_Click();
    Form1().AbbModeC_Click();
    Form1().Hilfe_Click();
}

}  // namespace

TEST(Captions, TheWindowFontIsInstalled) {
    // Liberation Sans ships with the fonts the set-up installs; a stand-in
    // would have other widths than the ones the windows are checked with.
    EXPECT_EQ(QFontInfo(platform::WindowFont()).family().toStdString(), "Liberation Sans");
    EXPECT_EQ(QFontInfo(platform::WindowFont()).pixelSize(), 11);
    Form1().Load();
    EXPECT_EQ(Form1().Window()->font(), platform::WindowFont());
}

TEST(Captions, EveryWindowAsItOpens) {
    showAll();
    ASSERT_TRUE(FormHilfe().IsLoaded());
    expectAllWindowsFit();
}

TEST(Captions, TheHintLineAndTheListEditorsStatusLine) {
    showAll();
    // "Abb list" has set the second hint; the progress of the Reconvert list
    // and a file that cannot be written take the same line.
    EXPECT_TRUE(Form1().Label1()->text().startsWith("Quote abbreviations"));
    expectAllWindowsFit();
    Form1().Label1()->setText("Preparing 99999 list entries for work... Please wait!");
    expectAllWindowsFit();
    Form1().Label1()->setText(QStringLiteral("Quote text to be changed in ##. But first assign characters"));
    QDir().mkdir("SUBTEXT.TXT");
    Form1().TEX()->SetText("#a#");
    EXPECT_TRUE(Form1().Label1()->text().startsWith("Cannot write \"SUBTEXT.TXT\""));
    AbbMode().Label1()->setText("Saving entries... Please wait!");
    expectAllWindowsFit();
}

TEST(Captions, FontLabelsLockUniAndInspectionsAfterPresets) {
    showAll();
    // Hebrew ANSI: a long face and character set, byte cells; Hiragana: a
    // large size, Unicode cells and LOCK UNI on.
    for (void (CharAssForm::*preset)() : {&CharAssForm::Hebrew_Click, &CharAssForm::Hiragana_Click}) {
        (CharAss().*preset)();
        CharAss().RichTextBox_Click('a');
        CharAss2().RichTextBox_Click(0xE0);
        expectAllWindowsFit();
    }
    EXPECT_EQ(CharAss().LockUniCB()->text(), "Unlock Uni");
    EXPECT_TRUE(CharAss().Label5()->text().startsWith("Internal RTF coding for a"));
}
