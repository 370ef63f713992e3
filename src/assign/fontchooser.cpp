// The symbol font chooser and the LOCK UNI button of page 1.
#include "assign/fontchooser.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <cmath>
#include <string_view>

#include "assign/cells.h"
#include "assign/charass.h"
#include "platform/ansi.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/mouse.h"
#include "store/store.h"

namespace assign {
namespace {

constexpr int kPointerSize = 32;
constexpr int kTransparentRows = 9;

// A tiny pixel font for the pointer's two words: seven rows per letter, '#'
// for ink. Fonts drawn at this size are unreadable and differ between machines.
struct Glyph {
    char letter;
    const char* rows[7];
};
constexpr Glyph kGlyphs[] = {
    {'R', {"###.", "#..#", "#..#", "###.", "#.#.", "#..#", "#..#"}},
    {'c', {"...", "...", ".##", "#..", "#..", "#..", ".##"}},
    {'l', {"#", "#", "#", "#", "#", "#", "#"}},
    {'i', {"#", ".", "#", "#", "#", "#", "#"}},
    {'k', {"#..", "#..", "#.#", "#.#", "##.", "#.#", "#.#"}},
    {'f', {".##", "#..", "###", "#..", "#..", "#..", "#.."}},
    {'o', {"...", "...", ".#.", "#.#", "#.#", "#.#", ".#."}},
    {'r', {"...", "...", "#.#", "##.", "#..", "#..", "#.."}},
    {'n', {"...", "...", "##.", "#.#", "#.#", "#.#", "#.#"}},
    {' ', {"..", "..", "..", "..", "..", "..", ".."}},
};

const Glyph& glyphOf(char letter) {
    for (const Glyph& g : kGlyphs)
        if (g.letter == letter) return g;
    return kGlyphs[std::size(kGlyphs) - 1];
}

int widthOf(std::string_view word) {
    int width = -1;
    for (char c : word) width += static_cast<int>(std::string_view(glyphOf(c).rows[0]).size()) + 1;
    return width;
}

// Draws the word centred on the pointer's width, its top row at `top`.
void drawWord(QImage& image, std::string_view word, int top, QRgb ink) {
    int left = (kPointerSize - widthOf(word)) / 2;
    for (char c : word) {
        const Glyph& g = glyphOf(c);
        const int width = static_cast<int>(std::string_view(g.rows[0]).size());
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < width; ++x)
                if (g.rows[y][x] == '#') image.setPixel(left + x, top + y, ink);
        left += width + 1;
    }
}

QImage drawPointer() {
    QImage image(kPointerSize, kPointerSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const int fieldHeight = kPointerSize - kTransparentRows;
    {
        QPainter p(&image);
        p.fillRect(0, kTransparentRows, kPointerSize, fieldHeight, QColor(255, 255, 0));
        p.setPen(Qt::black);
        p.drawRect(0, kTransparentRows, kPointerSize - 1, fieldHeight - 1);
    }
    const QRgb black = qRgb(0, 0, 0);
    drawWord(image, "Rclick", kTransparentRows + 3, black);
    drawWord(image, "for info", kTransparentRows + 13, black);
    return image;
}

}  // namespace

// Every tie (a size ending in .5) is exact in binary, so the default rounding
// of the floating-point unit (to nearest, ties to even) decides it.
int PointsFromTenths(int tenths) { return static_cast<int>(std::nearbyint(tenths / 10.0)); }

LockUniLook LockUniLookOf(bool lockUni) {
    return lockUni ? LockUniLook{"Unlock Uni", 255} : LockUniLook{"Lock Uni", platform::kButtonFace};
}

void ShowLockUni(QPushButton* button, bool lockUni) {
    const LockUniLook look = LockUniLookOf(lockUni);
    button->setText(QString::fromLatin1(look.caption));
    platform::SetBackColor(button, look.backColor);
}

const QImage& LockUniPointerImage() {
    static const QImage image = drawPointer();
    return image;
}

QCursor LockUniPointer() { return QCursor(QPixmap::fromImage(LockUniPointerImage()), 0, 0); }

}  // namespace assign

// The page-1 commands.

void CharAssForm::SelectFont_Click() {
    // The face the chooser opens on loses blanks at its ends; a long name
    // stays whole, since a cut one would name no installed font.
    std::string& face = chooserFont_.face;
    face.erase(0, face.find_first_not_of(' '));
    face.erase(face.find_last_not_of(' ') + 1);
    // The window is the chooser's owner also while it is hidden, as when the
    // list editor asks.
    if (!platform::ChooseFont(chooserFont_, Window())) {
        dlg::MsgBox("Either an error has occurred in the font select dialog or you have cancelled.",
                    dlg::OKOnly | dlg::Critical, "Error possible");
        return;
    }
    // Weight, slant and the effects stay in the chooser's record only.
    store::CellCharSet = static_cast<std::int16_t>(chooserFont_.charSet);
    store::CellFontSize = static_cast<std::int16_t>(assign::PointsFromTenths(chooserFont_.pointSizeTenths));
    store::CellFontName = chooserFont_.face;
    QLabel* label = Label4();
    QFont font = label->font();
    font.setFamily(ansi::toQString(store::CellFontName));
    label->setFont(font);
    label->setText(
        ansi::toQString(assign::FontLabelPage1(store::CellFontName, store::CellCharSet, store::CellFontSize)));
    Save_Click();
}

void CharAssForm::LockUniCB_Click() {
    store::LockUni = !store::LockUni;
    assign::ShowLockUni(LockUniCB(), store::LockUni);
}

void CharAssForm::LockUniCB_MouseDown(int button, int /*shift*/, float /*x*/, float /*y*/) {
    if (button == platform::RightButton)
        dlg::MsgBox(assign::kLockUniExplanation, dlg::OKOnly | dlg::Information, assign::kLockUniTitle);
}

void CharAssForm::connectLockUniCB() {
    QPushButton* button = lockUniCB_;
    button->setCursor(assign::LockUniPointer());
    platform::OnMouseDown(button, [this](int b, int shift, float x, float y) { LockUniCB_MouseDown(b, shift, x, y); });
    QObject::connect(button, &QPushButton::clicked, this, &CharAssForm::LockUniCB_Click);
}
