// The LOCK UNI button's looks, its explanation and its pointer.
#include "assign/lockuni.h"

#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <string_view>

#include "platform/controls.h"

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
