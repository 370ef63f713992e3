#pragma once
// The first assignment window (page 1): codes 64..132, the commands that act
// on the whole symbol table, and the settings operations ReadINI / WriteINI.
// What its load and its commands run over both pages is the page refresh
// protocol: Form_Load, Command1_Click and Save_Click are defined with it, in
// pages.cpp.
#include <QString>
#include <array>
#include <string>

#include "assign/cellwindow.h"
#include "files/filegroup.h"
#include "platform/fontdialog.h"

class QLabel;
class QPushButton;

class CharAssForm : public assign::CellWindow {
public:
    CharAssForm();

    // Both settings files into the shared store, then the LOCK UNI button.
    void ReadINI();
    // The shared store into both settings files; a failure is reported and
    // leaves the old files as they were.
    void WriteINI();

    // The fill and the collection of page 1; the collection ends by writing
    // both settings files.
    void FillFieldsPage1();
    void GetSignsPage1();
    // The captions of Custom1..Custom16 become the custom set titles.
    void ShowCustomTitles();

    // "ANSI 2": shows page 2, loading it first when it is not.
    void Command1_Click();
    // "Save / Refresh": the user's edits of both pages into the table and the
    // files, then both pages refreshed from them.
    void Save_Click();
    // The symbol font chooser (also the list editor's "Adjust font"): the
    // chosen face, character set and size become the symbol font of both
    // pages, which are then saved and refreshed ("Save / Refresh").
    void SelectFont_Click();
    // LOCK UNI: a click switches the option (written with the next save); a
    // right click explains it. Defined with the font chooser.
    void LockUniCB_Click();
    void LockUniCB_MouseDown(int button, int shift, float x, float y);
    // The presets: each writes its built-in set into both settings files and
    // refreshes both pages from them (presets.cpp).
    void Arab_Click();
    void ArabANSI_Click();
    void RussANSI_Click();
    void Hebrew_Click();
    void Hiragana_Click();
    void Cyrillic_Click();
    void Greek_Click();
    // "Clear All": after a question, the table and every box of both pages
    // emptied, nothing written (clearall.cpp).
    void ClearAll_Click();
    // Custom1_Click .. Custom16_Click, the set dialogue of button i (1..16):
    // the current assignment saved as the set, or the set restored, then
    // saved again, under a new title when one is typed. Defined with the
    // custom set files, in customsets.cpp.
    void Custom_Click(int i);

    QLabel* Label4();  // the symbol font
    QLabel* Label5() override;  // hint; the cell inspection writes here
    QPushButton* Command1();
    QPushButton* Save();
    QPushButton* LockUniCB();
    QPushButton* Custom(int i);  // 1..16

protected:
    void CreateControls(QWidget* window) override;
    void Form_Load() override;
    void ControlsDiscarded() override;

private:
    void createLabels(QWidget* window);
    void createButtons(QWidget* window);
    // The LOCK UNI button's pointer and procedures (with the font chooser).
    void connectLockUniCB();
    void connectCustomButtons();
    // The set titled T into both settings files (the titles kept) and both
    // pages refreshed from them. False when abandoned, with nothing changed:
    // the set's data are missing or short (a message says so), or a file
    // step failed (`failure` says which and why).
    bool LoadCustomSet(const std::string& T, filegroup::Result& failure);

    // The face name line 193 held at the last read that refused it, so that
    // the reads of one start say it once.
    std::string lastRefusedFace_;
    // The font the chooser opens on: the last one chosen in this run, or
    // none; never taken from the symbol font.
    platform::FontRecord chooserFont_;

    QLabel* label1_ = nullptr;
    QLabel* label2_ = nullptr;
    QLabel* label3_ = nullptr;
    QLabel* label4_ = nullptr;
    QLabel* label5_ = nullptr;
    QLabel* label6_ = nullptr;
    QLabel* label7_ = nullptr;
    QPushButton* command1_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* selectFont_ = nullptr;
    QPushButton* clearAll_ = nullptr;
    QPushButton* lockUniCB_ = nullptr;
    QPushButton* cyrillic_ = nullptr;
    QPushButton* greek_ = nullptr;
    QPushButton* hebrew_ = nullptr;
    QPushButton* hiragana_ = nullptr;
    QPushButton* arab_ = nullptr;
    QPushButton* russANSI_ = nullptr;
    QPushButton* arabANSI_ = nullptr;
    std::array<QPushButton*, 17> custom_{};
};

CharAssForm& CharAss();
