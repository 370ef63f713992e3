#pragma once
// The main window: the upper code window TEX, the lower result window RTB and
// the commands around them. Every change of the code text is converted at
// once into the lower window. Closing it ends the program.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QString>

#include "app/form1_layout.h"
#include "convert/abbrev_pass.h"
#include "platform/lazyform.h"

class QLabel;
class QPushButton;
class QTimer;
class QFrame;

namespace platform {
class RichTextBox;
class TextBox;
}  // namespace platform

namespace abbrev {
struct ListLoadResult;
}

namespace convert {
class SegmentConverter;
}

namespace caret {
struct Selection;
}

class Form1Form : public platform::LazyForm {
public:
    Form1Form();
    ~Form1Form() override;

    // The controls; touching one loads the window.
    platform::TextBox* TEX();
    platform::RichTextBox* RTB();
    QLabel* Label1();
    QLabel* Label2();
    QLabel* Label3();
    QLabel* Label5();
    QLabel* Label7();
    QTimer* Timer1();
    QTimer* Timer2();

    // The positions of the controls in twips, as the last layout left them.
    const app::Form1Layout& Layout() const { return layout_; }

    // State shared with the conversions.
    std::string WorkRtf;             // the document given to the lower window
    bool RightAlign = false;         // the lower window is shown right-aligned
    int UndoIndex = 0;               // undo ring slot written last
    bool SuppressConvert = false;    // set while undo or redo restores the text
    std::vector<std::int32_t> ExpPos = {0, 0, 0, 0};
    std::int32_t ExpPosCount = 0;
    convert::AbbTable AbbArray;      // the Abb trace list as last loaded
    // The reverse conversion's list: the Bed trace lines as last loaded and
    // one empty slot, their number, and the lower caret at the click.
    std::vector<std::string> BedList = {std::string()};
    std::int32_t BedLineCount = 0;
    std::int32_t SavedRtbCaret = 0;

    // Event procedures.
    void TEX_Change();
    void TEX_Click();
    void RTB_Click();
    void SyncCaret();
    void Form_Unload();
    void Quit_Click();
    void Command2_Click();
    void CopyTEX_Click();
    void CutTEX_Click();
    void PasteTEX_Click();
    void SelAllTEX_Click();
    void CopyRTB_Click();
    void CutRTB_Click();
    void PasteRTB_Click();
    void SelAllRTB_Click();
    void LeftT_Click();
    void RightT_Click();
    void Timer1_Timer();
    void Timer2_Timer();

    // Commands whose work is done elsewhere.
    void Reconvert_Click();
    void OpenCode_Click();
    void SaveCode_Click();
    void UnDo_Click();
    void ReDo_Click();
    void Export_Click();
    void AbbModeC_Click();
    void Hilfe_Click();

    // Opens "EXPORT.RTF" with the program registered for RTF files; the
    // argument is not used. False when no program could be started.
    bool OpenFile(std::string& Filename);

protected:
    void CreateControls(QWidget* window) override;
    void Form_Load() override;
    bool QueryUnload() override;
    void ControlsDiscarded() override;
    void Form_Resize() override;

private:
    struct Controls;
    template <class T>
    T* control(T* Controls::*member);

    void createTextWindows(QWidget* window);
    void createButtons(QWidget* window);
    void createIndicators(QWidget* window);
    void setTabOrder();
    void applyLayout();

    void convertCodeText();
    bool abbListReady(std::vector<std::string>& failures);
    // What a command stopped by the bound of its working text tells: Reconvert
    // in a message, the conversion while typing in the hint line.
    void showRunaway(convert::Runaway what);
    void showRunawayWhileTyping(convert::Runaway what);
    void runawayOver();
    void reportWriteFailures(const std::vector<std::string>& failures);
    void setHintCaption(const QString& caption);
    // Where the caret sync puts the lower selection for the upper caret.
    caret::Selection lowerSelection();
    void showLowerSelection(const caret::Selection& lower);
    void UpdateQuoteIndicators();
    abbrev::ListLoadResult loadBedList();
    void RetraceAfterFailure();
    void stepUndoRing(int direction);

    std::unique_ptr<Controls> c_;
    app::Form1Layout layout_;
    std::vector<std::int32_t> QuotePos;
    std::unique_ptr<convert::SegmentConverter> converter_;
    bool converting_ = false;
    bool changePending_ = false;
    bool reconverting_ = false;
    bool abbTracePending_ = false;     // the list loaded by this conversion was traced
    bool lowerShowsProgress_ = false;  // the list load put its progress text there

    // A line the hint label shows while a condition lasts. When it is taken
    // back the label gets what it showed before, unless something else has
    // set the label meanwhile.
    struct HintLine {
        bool shown = false;
        QString line;    // what it tells
        QString before;  // and what the label showed before

        void Show(QLabel* hint, const QString& text);
        void TakeBack(QLabel* hint);
    };
    HintLine writeFailure_;  // files of the conversion fail to be written
    HintLine runaway_;       // conversions keep stopping at their bound
};

Form1Form& Form1();
