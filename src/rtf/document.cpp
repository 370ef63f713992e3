#include "rtf/document.h"

#include <QFont>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cmath>

namespace rtf {
namespace {

void appendRun(Paragraph& p, const QString& text, const CharFormat& format) {
    if (text.isEmpty()) return;
    if (!p.runs.empty() && p.runs.back().format == format) {
        p.runs.back().text += text;
    } else {
        p.runs.push_back(Run{text, format});
    }
}

}  // namespace

QString Document::plainText() const {
    QString out;
    for (size_t i = 0; i < paragraphs.size(); ++i) {
        if (i > 0) out += QStringLiteral("\r\n");
        for (const Run& r : paragraphs[i].runs) out += r.text;
    }
    return out;
}

int clampHalfPoints(long long halfPoints) { return static_cast<int>(std::clamp(halfPoints, 1LL, 3276LL)); }

QTextBlockFormat toQt(Align align) {
    QTextBlockFormat f;
    switch (align) {
    case Align::Left: f.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute); break;
    case Align::Right: f.setAlignment(Qt::AlignRight | Qt::AlignAbsolute); break;
    case Align::Center: f.setAlignment(Qt::AlignHCenter); break;
    }
    f.setLayoutDirection(Qt::LeftToRight);
    return f;
}

Align alignOf(const QTextBlockFormat& f) {
    const Qt::Alignment a = f.alignment() & Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignRight) return Align::Right;
    if (a & Qt::AlignHCenter) return Align::Center;
    return Align::Left;
}

QTextCharFormat toQt(const CharFormat& format) {
    QTextCharFormat f;
    f.setFontFamilies(QStringList{format.face});
    f.setFontPointSize(format.halfPoints / 2.0);
    f.setFontWeight(format.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(format.italic);
    f.setFontUnderline(format.underline);
    if (format.rgb != 0) f.setForeground(QColor(QRgb(0xFF000000u | format.rgb)));
    f.setProperty(kCharsetProperty, format.charset);
    return f;
}

CharFormat fromQt(const QTextCharFormat& f, const CharFormat& defaults) {
    CharFormat out = defaults;
    if (f.hasProperty(QTextFormat::FontFamilies)) {
        const QString face = f.fontFamilies().toStringList().value(0);
        if (!face.isEmpty()) out.face = face;
    }
    if (f.hasProperty(kCharsetProperty)) out.charset = f.intProperty(kCharsetProperty);
    if (f.hasProperty(QTextFormat::FontPointSize))
        out.halfPoints = clampHalfPoints(std::llround(f.fontPointSize() * 2));
    if (f.hasProperty(QTextFormat::FontWeight)) out.bold = f.fontWeight() >= QFont::DemiBold;
    if (f.hasProperty(QTextFormat::FontItalic)) out.italic = f.fontItalic();
    if (f.hasProperty(QTextFormat::TextUnderlineStyle)) out.underline = f.fontUnderline();
    if (f.hasProperty(QTextFormat::ForegroundBrush)) {
        const QBrush b = f.foreground();
        out.rgb = b.style() == Qt::NoBrush ? 0 : (b.color().rgb() & 0xFFFFFFu);
    }
    return out;
}

CharFormat defaultFormat(const QTextDocument& doc) {
    const QFont font = doc.defaultFont();
    CharFormat f;
    f.face = font.family();
    if (font.pointSizeF() > 0) f.halfPoints = clampHalfPoints(std::llround(font.pointSizeF() * 2));
    return f;
}

void setContent(QTextDocument& doc, const Document& model) {
    doc.clear();
    QTextCursor c(&doc);
    c.beginEditBlock();
    c.setBlockFormat(toQt(model.paragraphs.front().align));
    c.setBlockCharFormat(toQt(model.paragraphs.front().mark));
    insert(c, model);
    c.endEditBlock();
}

void insert(QTextCursor& c, const Document& model) {
    c.beginEditBlock();
    c.removeSelectedText();
    for (size_t i = 0; i < model.paragraphs.size(); ++i) {
        const Paragraph& p = model.paragraphs[i];
        if (i > 0) c.insertBlock(toQt(p.align), toQt(p.mark));
        for (const Run& r : p.runs) c.insertText(r.text, toQt(r.format));
    }
    c.endEditBlock();
}

Document toModel(const QTextDocument& doc, int from, int to) {
    const int end = doc.characterCount() - 1;  // the last paragraph mark is no character of the text
    if (to < 0 || to > end) to = end;
    from = std::clamp(from, 0, to);
    const CharFormat defaults = defaultFormat(doc);

    Document model;
    model.paragraphs.clear();
    for (QTextBlock b = doc.findBlock(from); b.isValid() && b.position() <= to; b = b.next()) {
        Paragraph p;
        p.align = alignOf(b.blockFormat());
        p.mark = fromQt(b.charFormat(), defaults);
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            const int a = std::max(frag.position(), from);
            const int z = std::min(frag.position() + frag.length(), to);
            if (a >= z) continue;
            appendRun(p, frag.text().mid(a - frag.position(), z - a), fromQt(frag.charFormat(), defaults));
        }
        model.paragraphs.push_back(std::move(p));
    }
    if (model.paragraphs.empty()) model.paragraphs.emplace_back();
    return model;
}

}  // namespace rtf
