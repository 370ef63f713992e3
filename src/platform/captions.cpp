#include "platform/captions.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <algorithm>
#include <optional>

#include "platform/controls.h"
#include "platform/dialogs.h"

namespace platform {
namespace {

// A framed label's caption keeps this many pixels clear of its frame on
// either side; a button's keeps clear of its bevel.
constexpr int kFramePadding = 2;
constexpr int kButtonPaddingX = 3;
constexpr int kButtonPaddingY = 1;

bool fits(const QFont& font, const QString& text, const QRect& area, int flags) {
    const QRect needed = QFontMetrics(font).boundingRect(area, flags, text);
    return needed.width() <= area.width() && needed.height() <= area.height();
}

}  // namespace

QFont WindowFont() {
    QFont font = MakeFont(QStringLiteral("Liberation Sans"), 8.25);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

CaptionLayout FitCaption(const QFont& designed, const QString& text, const QRect& area, int alignment, bool mayWrap) {
    const int oneLine = alignment;
    const int wrapped = alignment | Qt::TextWordWrap;
    auto attempt = [&](const QFont& font) -> std::optional<CaptionLayout> {
        if (fits(font, text, area, oneLine)) return CaptionLayout{font, area, oneLine, text};
        if (mayWrap && fits(font, text, area, wrapped)) return CaptionLayout{font, area, wrapped, text};
        return std::nullopt;
    };
    if (text.isEmpty() || area.isEmpty()) return {designed, area, oneLine, text};
    if (auto layout = attempt(designed)) return *layout;
    QFont font = designed;
    const int designedPixels = QFontInfo(designed).pixelSize();
    const int smallest = std::min(designedPixels, SmallestLegiblePixels());
    for (int pixels = designedPixels; pixels >= smallest; --pixels) {
        font.setPixelSize(pixels);
        if (auto layout = attempt(font)) return *layout;
    }
    // The longest start that fits before the ellipsis (none when not even
    // the ellipsis fits).
    const int flags = mayWrap ? wrapped : oneLine;
    const auto cut = [&](qsizetype keep) {
        while (keep > 0 && (text[keep - 1].isSpace() || text[keep - 1].isHighSurrogate())) --keep;
        return text.left(keep) + QChar(0x2026);
    };
    qsizetype low = 0, high = text.size() - 1;
    while (low < high) {
        const qsizetype mid = (low + high + 1) / 2;
        if (fits(font, cut(mid), area, flags)) low = mid;
        else high = mid - 1;
    }
    return {font, area, flags, cut(low)};
}

int SmallestLegiblePixels() { return dlg::TwipsToPixelsY(6 * 20); }

const CaptionLayout& CaptionFitter::Fit(const QFont& designed, const QString& text, const QRect& area, int alignment,
                                        bool mayWrap) {
    if (!valid_ || designed_ != designed || text_ != text || layout_.area != area || alignment_ != alignment ||
        mayWrap_ != mayWrap) {
        layout_ = FitCaption(designed, text, area, alignment, mayWrap);
        designed_ = designed;
        text_ = text;
        alignment_ = alignment;
        mayWrap_ = mayWrap;
        valid_ = true;
    }
    return layout_;
}

Label::Label(const QString& text, QWidget* parent) : QLabel(text, parent) { setTextFormat(Qt::PlainText); }

CaptionLayout Label::Caption() const {
    QRect area = contentsRect();
    const int m = margin();
    area.adjust(m, m, -m, -m);
    if (frameWidth() > 0) area.adjust(kFramePadding, 0, -kFramePadding, 0);
    return fitter_.Fit(font(), text(), area, static_cast<int>(alignment()), wordWrap());
}

void Label::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    const CaptionLayout caption = Caption();
    painter.setFont(caption.font);
    style()->drawItemText(&painter, caption.area, caption.flags, palette(), isEnabled(), caption.text,
                          foregroundRole());
}

Button::Button(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

CaptionLayout Button::Caption() const {
    const QRect area = rect().adjusted(kButtonPaddingX, kButtonPaddingY, -kButtonPaddingX, -kButtonPaddingY);
    return fitter_.Fit(font(), text(), area, Qt::AlignCenter, true);
}

void Button::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    const CaptionLayout caption = Caption();
    painter.setFont(caption.font);
    style()->drawItemText(&painter, caption.area, caption.flags, palette(), isEnabled(), caption.text,
                          QPalette::ButtonText);
}

}  // namespace platform
