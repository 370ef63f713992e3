#pragma once
// Captions that fit their controls. The windows keep the positions and sizes
// they were designed with, which were made for the platform's small dialog
// font; the window font stands in for that font, and a caption that still
// does not fit its control in the control's font is drawn at the largest size
// that does, down to the smallest legible size; one that does not fit even
// then is cut short there and ends in "…".
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QRect>
#include <QString>

namespace platform {

// The font of every window, and so of every control whose font the design
// leaves to the toolkit: the platform's dialog font, "MS Sans Serif" at 8.25
// points, is a bitmap font that this platform lacks (fontconfig would give
// DejaVu Sans, too wide for the designed buttons); Liberation Sans, metric
// compatible with Arial, comes closest to its widths.
QFont WindowFont();

// How a caption is drawn: `text` in `font`, within `area`, with the text
// `flags` (alignment, and Qt::TextWordWrap when it wraps).
struct CaptionLayout {
    QFont font;
    QRect area;
    int flags = 0;
    QString text;  // the caption, or its start and "…"
};

// The smallest size a caption is drawn at, 6 points.
int SmallestLegiblePixels();

// Lays `text` out in `area`: in `designed` when it fits, otherwise at the
// largest whole pixel size that fits, down to SmallestLegiblePixels(). At each
// size one line (explicit line breaks kept) is tried first, then, where
// `mayWrap`, lines wrapped at word boundaries. A caption that fits at no
// legible size keeps as much of its start as fits before "…".
CaptionLayout FitCaption(const QFont& designed, const QString& text, const QRect& area, int alignment, bool mayWrap);

// The last fit of one control, kept while its font, caption and box stay.
class CaptionFitter {
public:
    const CaptionLayout& Fit(const QFont& designed, const QString& text, const QRect& area, int alignment,
                             bool mayWrap);

private:
    QFont designed_;
    QString text_;
    int alignment_ = 0;
    bool mayWrap_ = false;
    bool valid_ = false;
    CaptionLayout layout_;
};

// A label that draws its plain-text caption fitted to its box; its font()
// stays the designed one.
class Label : public QLabel {
public:
    explicit Label(const QString& text, QWidget* parent = nullptr);
    CaptionLayout Caption() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    mutable CaptionFitter fitter_;
};

// A button whose caption wraps at word boundaries where it is wider than the
// button and the button is high enough, and shrinks where it still does not
// fit.
class Button : public QPushButton {
public:
    explicit Button(const QString& text, QWidget* parent = nullptr);
    CaptionLayout Caption() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    mutable CaptionFitter fitter_;
};

}  // namespace platform
