#include "assign/pages.h"

#include "assign/charass.h"
#include "assign/charass2.h"
#include "assign/settings.h"
#include "platform/richtextbox.h"
#include "store/store.h"

namespace assign {

void LoadPage1() {
    CharAssForm& page1 = CharAss();
    page1.FillFieldsPage1();
    page1.GetSignsPage1();
    page1.ShowCustomTitles();
}

void LoadPage2() {
    CharAss2Form& page2 = CharAss2();
    page2.FillFields();
    page2.GetSigns1();
    page2.GetSigns2();
    page2.UpdateFontLabel();
}

void SaveRefresh() {
    CharAssForm& page1 = CharAss();
    CharAss2Form& page2 = CharAss2();
    // Each write is checked before the fill after it; a failure that ends
    // the command is shown even when an earlier one said the same.
    if (!SettingsWrittenBy([&] { page1.GetSignsPage1(); })) return;
    if (!SettingsWrittenBy([&] {
            page1.FillFieldsPage1();
            page1.GetSignsPage1();
        }))
        return;
    if (!SettingsWrittenBy([&] {
            page2.GetSigns1();
            page2.GetSigns2();
        }))
        return;
    page2.FillFields();
    page2.GetSigns1();
    page2.GetSigns2();
    page2.UpdateFontLabel();
}

void PresetRefresh() {
    CharAssForm& page1 = CharAss();
    page1.FillFieldsPage1();
    page1.GetSignsPage1();
    CharAss2Form& page2 = CharAss2();
    page2.FillFields();
    page2.GetSigns1();
    page2.GetSigns2();
    page2.UpdateFontLabel();
}

void CustomSetRefresh() {
    CharAssForm& page1 = CharAss();
    CharAss2Form& page2 = CharAss2();
    page1.FillFieldsPage1();
    page2.FillFields();
    page1.GetSignsPage1();
    page2.GetSigns1();
    page2.GetSigns2();
    page2.UpdateFontLabel();
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
    CharAss2Form& page2 = CharAss2();
    page2.GetSigns1();
    page2.GetSigns2();
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
