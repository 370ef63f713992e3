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

void normalize(Document& model, const CharFormat& defaults) {
    auto fix = [&defaults](CharFormat& f) {
        if (f.face.isEmpty()) f.face = defaults.face;
        f.halfPoints = clampHalfPoints(f.halfPoints);
    };
    for (Paragraph& p : model.paragraphs) {
        fix(p.mark);
        std::vector<Run> runs;
        runs.reserve(p.runs.size());
        for (Run& r : p.runs) {
            fix(r.format);
            if (r.text.isEmpty()) continue;
            if (!runs.empty() && runs.back().format == r.format) {
                runs.back().text += r.text;
            } else {
                runs.push_back(std::move(r));
            }
        }
        p.runs = std::move(runs);
    }
}

namespace {

qsizetype textLength(const Paragraph& p) {
    qsizetype n = 1;  // the paragraph mark
    for (const Run& r : p.runs) n += r.text.size();
    return n;
}

// How many characters two lists of runs share at their start, format
// included (runs are never empty).
qsizetype commonStart(const std::vector<Run>& x, const std::vector<Run>& y) {
    qsizetype n = 0;
    size_t i = 0, j = 0;
    qsizetype xi = 0, yj = 0;
    while (i < x.size() && j < y.size() && x[i].format == y[j].format) {
        const qsizetype k = std::min(x[i].text.size() - xi, y[j].text.size() - yj);
        const QStringView u = QStringView(x[i].text).mid(xi, k);
        const QStringView v = QStringView(y[j].text).mid(yj, k);
        const qsizetype alike = std::mismatch(u.begin(), u.end(), v.begin()).first - u.begin();
        n += alike;
        if (alike < k) break;
        if ((xi += k) == x[i].text.size()) ++i, xi = 0;
        if ((yj += k) == y[j].text.size()) ++j, yj = 0;
    }
    return n;
}

// The same at their end, at most `limit` characters.
qsizetype commonEnd(const std::vector<Run>& x, const std::vector<Run>& y, qsizetype limit) {
    qsizetype n = 0;
    size_t i = x.size(), j = y.size();
    qsizetype xi = 0, yj = 0;  // characters taken from the end of run i - 1, j - 1
    while (n < limit && i > 0 && j > 0 && x[i - 1].format == y[j - 1].format) {
        const QString& xs = x[i - 1].text;
        const QString& ys = y[j - 1].text;
        const qsizetype k = std::min({xs.size() - xi, ys.size() - yj, limit - n});
        const QStringView u = QStringView(xs).mid(xs.size() - xi - k, k);
        const QStringView v = QStringView(ys).mid(ys.size() - yj - k, k);
        const qsizetype alike = std::mismatch(u.rbegin(), u.rend(), v.rbegin()).first - u.rbegin();
        n += alike;
        if (alike < k) break;
        if ((xi += k) == xs.size()) --i, xi = 0;
        if ((yj += k) == ys.size()) --j, yj = 0;
    }
    return n;
}

void insertRuns(QTextCursor& c, const Paragraph& p) {
    for (const Run& r : p.runs) c.insertText(r.text, toQt(r.format));
}

// The paragraph at the cursor takes the model paragraph's alignment and mark.
void formatBlock(QTextCursor& c, const Paragraph& p) {
    const QTextBlockFormat block = toQt(p.align);
    if (c.blockFormat() != block) c.setBlockFormat(block);
    const QTextCharFormat mark = toQt(p.mark);
    if (c.blockCharFormat() != mark) c.setBlockCharFormat(mark);
}

}  // namespace

bool updateContent(QTextDocument& doc, const Document& shown, const Document& next) {
    const std::vector<Paragraph>& a = shown.paragraphs;
    const std::vector<Paragraph>& b = next.paragraphs;
    const size_t n = a.size();
    const size_t m = b.size();
    if (doc.blockCount() != static_cast<int>(n)) return false;
    size_t same = 0;  // paragraphs alike at the start
    while (same < n && same < m && a[same] == b[same]) ++same;
    size_t tail = 0;  // and at the end, after those
    while (tail < n - same && tail < m - same && a[n - 1 - tail] == b[m - 1 - tail]) ++tail;
    if (same == n && same == m) return true;

    // The old paragraphs [same, oldEnd) give way to the new ones [same, newEnd).
    const size_t oldEnd = n - tail;
    const size_t newEnd = m - tail;
    qsizetype replaced = 0;
    qsizetype kept = 0;
    for (size_t i = 0; i < n; ++i) (i >= same && i < oldEnd ? replaced : kept) += textLength(a[i]);
    for (size_t i = 0; i < m; ++i) (i >= same && i < newEnd ? replaced : kept) += textLength(b[i]);
    auto block = [&doc](size_t i) { return doc.findBlockByNumber(static_cast<int>(i)); };

    // One paragraph changed in its characters only: those alike at its start
    // and end stay too.
    if (oldEnd == same + 1 && newEnd == same + 1 && a[same].align == b[same].align && a[same].mark == b[same].mark) {
        const Paragraph& x = a[same];
        const Paragraph& y = b[same];
        const qsizetype front = commonStart(x.runs, y.runs);
        const qsizetype back = commonEnd(x.runs, y.runs, std::min(textLength(x), textLength(y)) - 1 - front);
        const qsizetype xEnd = textLength(x) - 1 - back;
        const qsizetype yEnd = textLength(y) - 1 - back;
        if (2 * (xEnd - front + yEnd - front) > replaced + kept) return false;
        const int base = block(same).position();
        QTextCursor c(&doc);
        c.beginEditBlock();
        c.setPosition(base + static_cast<int>(front));
        c.setPosition(base + static_cast<int>(xEnd), QTextCursor::KeepAnchor);
        c.removeSelectedText();
        qsizetype at = 0;
        for (const Run& r : y.runs) {
            const qsizetype from = std::max(at, front);
            const qsizetype to = std::min(at + r.text.size(), yEnd);
            if (to > from) c.insertText(r.text.mid(from - at, to - from), toQt(r.format));
            at += r.text.size();
        }
        c.endEditBlock();
        return true;
    }
    if (replaced > kept) return false;

    auto textEnd = [](const QTextBlock& k) { return k.position() + k.length() - 1; };
    QTextCursor c(&doc);
    c.beginEditBlock();
    size_t following = newEnd;  // the new paragraphs from here on follow a mark of their own
    if (same > 0 && (same == oldEnd || same == newEnd)) {
        // Paragraphs only come or only go, after one that stays: from its end.
        c.setPosition(textEnd(block(same - 1)));
        if (same < oldEnd) {
            c.setPosition(textEnd(block(oldEnd - 1)), QTextCursor::KeepAnchor);
            c.removeSelectedText();
            formatBlock(c, b[same - 1]);
        }
        following = same;
    } else if (same == oldEnd) {
        // Paragraphs come before all: the first one that stays moves down.
        c.insertBlock(toQt(b[newEnd].align), toQt(b[newEnd].mark));
        c.setPosition(0);
        formatBlock(c, b[0]);
        insertRuns(c, b[0]);
        following = 1;
    } else if (same == newEnd) {
        // Paragraphs go from the start: the first one that stays moves up.
        c.setPosition(block(oldEnd).position(), QTextCursor::KeepAnchor);
        c.removeSelectedText();
        formatBlock(c, b[0]);
    } else {
        c.setPosition(block(same).position());
        c.setPosition(textEnd(block(oldEnd - 1)), QTextCursor::KeepAnchor);
        c.removeSelectedText();
        formatBlock(c, b[same]);
        insertRuns(c, b[same]);
        following = same + 1;
    }
    for (size_t i = following; i < newEnd; ++i) {
        c.insertBlock(toQt(b[i].align), toQt(b[i].mark));
        insertRuns(c, b[i]);
    }
    c.endEditBlock();
    return doc.blockCount() == static_cast<int>(m);
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
