#pragma once
// The first assignment window (page 1): codes 64..132, the commands that act
// on the whole symbol table, and the settings operations ReadINI / WriteINI.
#include <QString>
#include <array>
#include <string>

#include "assign/cellwindow.h"

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

    // "ANSI 2": shows page 2, loading it first when it is not.
    void Command1_Click();
    // "Save / Refresh": the user's edits of both pages into the table and the
    // files, then both pages refreshed from them.
    void Save_Click();
    // The symbol font chooser.
    void SelectFont_Click();

    QLabel* Label1();
    QLabel* Label2();
    QLabel* Label3();
    QLabel* Label4();  // the symbol font
    QLabel* Label5();  // hint; the cell inspection writes here
    QLabel* Label6();
    QLabel* Label7();
    QPushButton* Command1();
    QPushButton* Save();
    QPushButton* SelectFont();
    QPushButton* ClearAll();
    QPushButton* LockUniCB();
    QPushButton* Cyrillic();
    QPushButton* Greek();
    QPushButton* Hebrew();
    QPushButton* Hiragana();
    QPushButton* Arab();
    QPushButton* RussANSI();
    QPushButton* ArabANSI();
    QPushButton* Custom(int i);  // 1..16

protected:
    void CreateControls(QWidget* window) override;
    void Form_Load() override;
    void ControlsDiscarded() override;

private:
    void createLabels(QWidget* window);
    void createButtons(QWidget* window);

    QString lastWriteError_;
    std::string lastRefusedFace_;

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
