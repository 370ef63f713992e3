#include "assign/pages.h"

#include "assign/charass.h"
#include "assign/charass2.h"
#include "assign/settings.h"
#include "platform/richtextbox.h"
#include "store/store.h"

namespace assign {
namespace {

// The steps the sequences share: a page filled and collected again, and
// page 2 collected (both halves, which ends by writing the settings files).
void refillPage1() {
    CharAssForm& page1 = CharAss();
    page1.FillFieldsPage1();
    page1.GetSignsPage1();
}

void collectPage2() {
    CharAss2Form& page2 = CharAss2();
    page2.GetSigns1();
    page2.GetSigns2();
}

void refillPage2() {
    CharAss2().FillFields();
    collectPage2();
    CharAss2().UpdateFontLabel();
}

}  // namespace

void LoadPage1() {
    refillPage1();
    CharAss().ShowCustomTitles();
}

void LoadPage2() { refillPage2(); }

void SaveRefresh() {
    // Each write is checked before the fill after it; a failure that ends
    // the command is shown even when an earlier one said the same.
    if (!SettingsWrittenBy([] { CharAss().GetSignsPage1(); })) return;
    if (!SettingsWrittenBy(refillPage1)) return;
    if (!SettingsWrittenBy(collectPage2)) return;
    refillPage2();
}

void PresetRefresh() {
    refillPage1();
    refillPage2();
}

void CustomSetRefresh() {
    CharAss().FillFieldsPage1();
    CharAss2().FillFields();
    CharAss().GetSignsPage1();
    collectPage2();
    CharAss2().UpdateFontLabel();
}

void ClearAllCells() {
    CharAssForm& page1 = CharAss();
    CharAss2Form& page2 = CharAss2();
    page2.Load();
    for (int code : store::CellCodes()) store::CellCode[static_cast<size_t>(code)].clear();
    for (int code : store::CellCodes()) {
        CellWindow& page = code < kPage2FirstCode ? static_cast<CellWindow&>(page1) : page2;
        page.CellBox(code)->SetText("");
    }
}

void CollectAllCells() {
    if (!SettingsWrittenBy([] { CharAss().GetSignsPage1(); })) return;
    collectPage2();
}

}  // namespace assign

// What each page does over both.

void CharAssForm::Form_Load() { assign::LoadPage1(); }

void CharAssForm::Command1_Click() { CharAss2().Show(); }

void CharAssForm::Save_Click() { assign::SaveRefresh(); }

void CharAss2Form::Form_Load() { assign::LoadPage2(); }

void CharAss2Form::FillFields() { FillCells(assign::kPage2FirstCode, 255, [] { CharAss().ReadINI(); }); }

void CharAss2Form::Command1_Click() { CharAss().Show(); }

void CharAss2Form::Save_Click() { CharAss().Save_Click(); }
