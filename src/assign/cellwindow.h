#pragma once
// What both assignment pages share: their cells, each a framed label with the
// cell's character and code beside a rich-text box holding the assigned
// symbol, filled from the symbol table and collected back into it.
#include <QString>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "assign/cells.h"
#include "platform/lazyform.h"

class QFont;
class QLabel;
class QPushButton;
class QWidget;

namespace platform {
class RichTextBox;
}

namespace assign {

class CellWindow : public platform::LazyForm {
public:
    // `Label<code>` and `RichTextBox<code>`; the window is loaded first.
    QLabel* CellLabel(int code);
    platform::RichTextBox* CellBox(int code);
    // The hint label, where the cell inspection writes.
    virtual QLabel* Label5() = 0;

    // A click on a cell box shows its saved coding (inspection.cpp); a
    // double-click enlarges it or gives it the normal size (zoom.cpp).
    void RichTextBox_Click(int code);
    void RichTextBox_DblClick(int code);

protected:
    using LazyForm::LazyForm;

    // The labels in code order, then the boxes in `stacking` order, each
    // wired to its click and double-click. An earlier box lies above a later
    // one, and every box above the controls made before it, so that an
    // enlarged box shows over what it grows over.
    void CreateCells(QWidget* window, const std::vector<CellPlace>& places, const std::vector<int>& stacking);
    void DiscardCells() { cells_.clear(); }

    // The fill of the cells `first`..`last`: captions, the reload of the
    // settings files (`readSettings`: ReadINI of page 1, which also sets its
    // LOCK UNI button), box fonts, documents, each step over all cells before
    // the next.
    void FillCells(int first, int last, const std::function<void()>& readSettings);
    // The collection of the cells `first`..`last` into the symbol table.
    void CollectCells(int first, int last);

    // A control of the window, loading the window first when it is not.
    template <class T>
    T* Touch(T* const& control) {
        Load();
        return control;
    }

private:
    struct Cell {
        QLabel* label = nullptr;
        platform::RichTextBox* box = nullptr;
    };
    std::vector<int> codesBetween(int first, int last) const;

    std::map<int, Cell> cells_;
};

// Controls as the windows describe them: twips geometry, caption and font.
QLabel* NewLabel(QWidget* window, const QString& caption, const TwipsRect& place, const QFont& font);
QPushButton* NewButton(QWidget* window, const QString& caption, const TwipsRect& place, const QFont& font);
QPushButton* NewButton(QWidget* window, const QString& caption, const TwipsRect& place);

// A page's font label: the symbol font's face (and `points`, when given) and
// `caption` (Windows-1252).
void ShowFontLabel(QLabel* label, const std::string& caption, std::optional<double> points = std::nullopt);

}  // namespace assign
