#include "assign/cellwindow.h"

#include <QLabel>
#include <QPushButton>

#include "files/ansi.h"
#include "platform/captions.h"
#include "platform/controls.h"
#include "platform/richtextbox.h"
#include "store/store.h"

namespace assign {
namespace {

void place(QWidget* w, const TwipsRect& r) { platform::SetTwipsGeometry(w, r.left, r.top, r.width, r.height); }

}  // namespace

QLabel* NewLabel(QWidget* window, const QString& caption, const TwipsRect& where, const QFont& font) {
    auto* label = new platform::Label(caption, window);
    label->setFont(font);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(label, where);
    return label;
}

QPushButton* NewButton(QWidget* window, const QString& caption, const TwipsRect& where, const QFont& font) {
    QPushButton* button = NewButton(window, caption, where);
    button->setFont(font);
    return button;
}

QPushButton* NewButton(QWidget* window, const QString& caption, const TwipsRect& where) {
    // In the window's font, as the design leaves it.
    auto* button = new platform::Button(caption, window);
    place(button, where);
    return button;
}

void ShowFontLabel(QLabel* label, const std::string& caption, std::optional<double> points) {
    QFont font = label->font();
    font.setFamily(ansi::toQString(store::CellFontName));
    if (points) font.setPointSizeF(*points);
    label->setFont(font);
    label->setText(ansi::toQString(caption));
}

void CellWindow::CreateCells(QWidget* window, const std::vector<CellPlace>& places,
                             const std::vector<int>& stacking) {
    const QFont labelFont = platform::MakeFont(QStringLiteral("Courier New"), 11.25);
    for (const CellPlace& p : places) {
        QLabel* label = NewLabel(window, QString(), p.label, labelFont);
        label->setWordWrap(false);
        platform::SetFramed(label);
        cells_[p.code].label = label;
    }
    std::map<int, const CellPlace*> byCode;
    for (const CellPlace& p : places) byCode[p.code] = &p;
    for (int code : stacking) {
        auto* box = new platform::RichTextBox(window);
        box->SetZeroMargins();
        box->SetHideSelection(true);
        // A cell string that ends in a paragraph mark shows its line break
        // again, so that the next collection gives the same string.
        box->SetFinalParOpensParagraph(true);
        place(box, byCode.at(code)->box);
        cells_[code].box = box;
        QObject::connect(box, &platform::RichTextBox::Click, this, [this, code] { RichTextBox_Click(code); });
        QObject::connect(box, &platform::RichTextBox::DblClick, this, [this, code] { RichTextBox_DblClick(code); });
    }
    // Made in list order (which the tab order follows), stacked the other way.
    for (auto it = stacking.rbegin(); it != stacking.rend(); ++it) cells_[*it].box->raise();
}

std::vector<int> CellWindow::codesBetween(int first, int last) const {
    std::vector<int> codes;
    for (int code : store::CellCodes())
        if (code >= first && code <= last) codes.push_back(code);
    return codes;
}

QLabel* CellWindow::CellLabel(int code) {
    Load();
    return cells_.at(code).label;
}

platform::RichTextBox* CellWindow::CellBox(int code) {
    Load();
    return cells_.at(code).box;
}

void CellWindow::FillCells(int first, int last, const std::function<void()>& readSettings) {
    const std::vector<int> codes = codesBetween(first, last);
    // The first caption is the first touch of the page: an unloaded page runs
    // its whole load here, before this fill goes on.
    for (int code : codes) CellLabel(code)->setText(ansi::toQString(LabelCaption(code)));
    readSettings();
    for (int code : codes) CellBox(code)->SetFontName(store::CellFontName);
    for (int code : codes)
        CellBox(code)->SetTextRTF(CellDocument(store::CellCode[static_cast<size_t>(code)], store::CellFontName,
                                               store::CellCharSet, store::CellFontSize));
}

void CellWindow::CollectCells(int first, int last) {
    for (int code : codesBetween(first, last)) {
        platform::RichTextBox* box = CellBox(code);
        const std::string text = box->Text();
        std::string& cell = store::CellCode[static_cast<size_t>(code)];
        // Only a box whose text leaves the choice to its RTF has its text set
        // to the symbol font size first.
        const auto boxRtf = [&] {
            box->SetSelStart(0);
            box->SetSelLength(static_cast<int>(text.size()));
            box->SetSelFontSize(store::CellFontSize);
            return box->TextRTF();
        };
        cell = CollectCell(text, ansi::fromQString(CellLabel(code)->text()), boxRtf, cell, store::LockUni,
                           store::CellFontSize);
    }
}

}  // namespace assign
