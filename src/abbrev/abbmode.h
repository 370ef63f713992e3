#pragma once
// The abbreviation list editor: the list as rich text, one "ABB=MEANING" entry
// per paragraph in the symbol font, with Save, undo, list databases, the RTF
// export and the font button. The file work is in abbrev/listfiles.h.
#include <QString>
#include <string>
#include <vector>

#include "platform/lazyform.h"

class QLabel;
class QPushButton;
namespace platform {
class RichTextBox;
}

class AbbModeForm : public platform::LazyForm {
public:
    AbbModeForm();

    platform::RichTextBox* RTB();
    QLabel* Label1();

    // Seeds, reads, sorts (when due) and shows the edited list; false after a
    // failure, which has been reported. Until a load succeeds again, Save
    // refuses to write what the editor shows.
    bool LoadList();

    // Asks the desktop to open the exported list; the argument is not used.
    // False when no program could be started.
    bool OpenFile(std::string& name);

    void Font_Click();
    void Open_Click();
    void SaveListAs_Click();
    void Export_Click();
    void UnDo_Click();
    void Speichern_Click();
    void Delete_Click();
    void SelAll_Click();
    void Paste_Click();

    // How many lines the list had as last read.
    int ListLineCount() const { return ListLineCount_; }

protected:
    void CreateControls(QWidget* window) override;
    void Form_Load() override;
    void ControlsDiscarded() override;

private:
    bool loadFailed();
    // Takes the editor's text into the list files; false after a reported failure.
    bool saveEditorText();
    void showInSymbolFont();

    platform::RichTextBox* rtb_ = nullptr;
    QLabel* label1_ = nullptr;
    std::vector<std::string> ListLines_;
    int ListLineCount_ = 0;
    bool listShown_ = false;  // the editor shows the list as the last load read it
    // The editor's text as the last load or save left it: anything else in
    // the editor is not saved yet.
    QString shownList_;
};

AbbModeForm& AbbMode();
