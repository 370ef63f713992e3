#include "platform/text_layout.h"

#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTimerEvent>
#include <algorithm>
#include <climits>
#include <cmath>

namespace platform {
namespace {

// The widest line Qt's text layout takes.
constexpr qreal kNoWidth = INT_MAX / 256;
// Far enough to the right and down for any rectangle of a document.
constexpr qreal kFar = 1e9;

// A change of more text than this is laid out while idle (and as far as it is
// drawn), not at once.
constexpr int kLayOutAtOnce = 20000;
// Slices of the idle layout, and the pause between them.
constexpr int kSliceMs = 5;
constexpr int kPauseMs = 10;

// Up to this length a word is left to Qt's own breaking, which looks for the
// end of the word on every line.
constexpr qsizetype kShortWord = 200;

// A paragraph whose top lies further than kNearDrawn from what was last drawn
// is only measured, in a layout that goes again, however long it is: it gets
// a layout of its own, which Qt keeps with the paragraph (with its lines and
// shaped glyphs, about 1.5 KB for a short paragraph, 40 KB for one of a
// thousand characters), when it is drawn or asked for. A long list laid out
// to its end keeps layouts only for what is shown.
constexpr qreal kNearDrawn = 4000;

// The length of a section of a long paragraph: about this many characters,
// at most half as many again.
constexpr int kSection = 4096;

// A run of more than kShortWord characters between blanks a line may break
// at (a no-break space joins the words beside it).
bool hasLongWord(QStringView text) {
    qsizetype run = 0;
    for (const QChar c : text) {
        run = c.isSpace() && c.decompositionTag() != QChar::NoBreak ? 0 : run + 1;
        if (run > kShortWord) return true;
    }
    return false;
}

Qt::Alignment visualAlignment(Qt::LayoutDirection dir, Qt::Alignment a) {
    if (dir == Qt::RightToLeft && !(a & Qt::AlignAbsolute)) {
        if (a & Qt::AlignLeft) {
            a = (a & ~Qt::AlignLeft) | Qt::AlignRight;
        } else if (a & Qt::AlignRight) {
            a = (a & ~Qt::AlignRight) | Qt::AlignLeft;
        }
    }
    return a;
}

// The positions where a line may break, in ascending order.
std::vector<int> lineBreaks(const QString& text) {
    std::vector<int> at;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, text);
    for (qsizetype p = finder.toNextBoundary(); p > 0 && p < text.size(); p = finder.toNextBoundary())
        at.push_back(static_cast<int>(p));
    return at;
}

// Lays out the lines of `tl` (whose text is `text`): at the width, broken at
// word boundaries, or anywhere in a word longer than the line; not broken at
// all without a width. Gives the height of the lines.
qreal breakLines(QTextLayout& tl, const QString& text, QTextOption option, qreal width, qreal& widest) {
    // With a long word every line is broken anywhere first, at the width, and
    // then laid out again broken at word boundaries where it holds one: Qt
    // then looks for the end of the word it breaks in only once per long
    // word, on the line where that word begins.
    std::vector<int> boundaries;
    QTextOption atWords = option;
    atWords.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    if (width <= 0) {
        option.setWrapMode(QTextOption::ManualWrap);
    } else if (tl.preeditAreaText().isEmpty() && hasLongWord(text)) {
        option.setWrapMode(QTextOption::WrapAnywhere);
        boundaries = lineBreaks(text);
    } else {
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    }
    tl.setTextOption(option);
    tl.setCacheEnabled(true);

    tl.beginLayout();
    qreal y = 0;
    for (;;) {
        QTextLine line = tl.createLine();
        if (!line.isValid()) break;
        line.setLeadingIncluded(true);
        line.setLineWidth(width > 0 ? width : kNoWidth);
        if (option.wrapMode() == QTextOption::WrapAnywhere) {
            const int from = line.textStart();
            const int end = from + line.textLength();
            if (end < text.size() && !std::binary_search(boundaries.begin(), boundaries.end(), end)) {
                const auto after = std::lower_bound(boundaries.begin(), boundaries.end(), end);
                if (after != boundaries.begin() && *std::prev(after) > from) {
                    tl.setTextOption(atWords);
                    line.setLineWidth(width);
                    tl.setTextOption(option);
                }
            }
        }
        line.setPosition(QPointF(0, y));
        y += line.height();
        if (width <= 0) widest = std::max(widest, line.naturalTextWidth());
    }
    tl.endLayout();
    return y;
}

// Where a section of about kSection characters that starts at `from` ends: after
// a blank in its last quarter if there is one, and never inside a character
// the cursor steps over whole.
int sectionEnd(const QString& text, int from) {
    const int n = static_cast<int>(text.size());
    if (n - from <= kSection + kSection / 2) return n;
    int end = from + kSection;
    for (int i = end; i > from + kSection * 3 / 4; --i) {
        if (text[i - 1].isSpace() && !text[i].isSpace()) return i;
    }
    while (end > from + 1 && (text[end].isLowSurrogate() || text[end].isMark())) --end;
    return end;
}

// The selections of the context that touch [start, start + length) of a
// paragraph beginning at `block`, in positions of that stretch. `last`: the
// stretch ends the paragraph, so a selection past it takes the paragraph mark.
QList<QTextLayout::FormatRange> selectionsIn(const QAbstractTextDocumentLayout::PaintContext& context, int block,
                                             int start, int length, bool last) {
    QList<QTextLayout::FormatRange> out;
    const int end = start + length + (last ? 1 : 0);
    for (const QAbstractTextDocumentLayout::Selection& s : context.selections) {
        const int from = std::max(s.cursor.selectionStart() - block, start);
        const int to = std::min(s.cursor.selectionEnd() - block, end);
        if (to > from) out.append({from - start, to - from, s.format});
    }
    return out;
}

}  // namespace

struct TextLayout::Section {
    int start = 0;
    int length = 0;
    std::unique_ptr<QTextLayout> layout;  // null until laid out
    qreal top = 0;                        // within the paragraph
    qreal height = 0;
};

struct TextLayout::SectionList {
    std::vector<Section> items;

    // The section that holds a position of the paragraph; a position between
    // two sections belongs to the later one.
    const Section& at(int pos) const {
        auto it = std::upper_bound(items.begin(), items.end(), pos,
                                   [](int p, const Section& s) { return p < s.start; });
        return it == items.begin() ? items.front() : *std::prev(it);
    }
    const Section& atY(qreal y) const {
        auto it = std::upper_bound(items.begin(), items.end(), y,
                                   [](qreal v, const Section& s) { return v < s.top; });
        return it == items.begin() ? items.front() : *std::prev(it);
    }
};

TextLayout::TextLayout(QTextDocument* doc, Sections sections) : QAbstractTextDocumentLayout(doc), sections_(sections) {
    doc->setDocumentLayout(this);
    documentChanged(0, 0, doc->characterCount());
}

TextLayout::~TextLayout() = default;

void TextLayout::setCursorWidth(int width) { cursorWidth_ = std::max(width, 0); }

qreal TextLayout::margin() const { return document()->documentMargin(); }

qreal TextLayout::lineWidth() const {
    const qreal page = document()->pageSize().width();
    return page > 0 ? std::max<qreal>(page - 2 * margin(), 1) : 0;
}

QTextOption TextLayout::optionFor(const QTextBlock& block) const {
    const QTextBlockFormat format = block.blockFormat();
    QTextOption option = document()->defaultTextOption();
    const Qt::LayoutDirection dir = block.textDirection();
    option.setTextDirection(dir);
    option.setAlignment(visualAlignment(
        dir, format.hasProperty(QTextFormat::BlockAlignment) ? format.alignment() : option.alignment()));
    option.setTabs(format.tabPositions());
    return option;
}

qreal TextLayout::layOutBlock(const QTextBlock& block, int i, const Edit* edit, bool own) const {
    std::unique_ptr<SectionList>& list = lists_[static_cast<size_t>(i)];
    const qreal width = lineWidth();
    if (sections_ == Sections::Long && width > 0 && block.length() - 1 > kLongParagraph &&
        block.layout()->preeditAreaText().isEmpty()) {
        if (!list) list = std::make_unique<SectionList>();
        if (!edit) list->items.clear();
        block.layout()->clearLayout();
        return layOutSections(block, *list, edit);
    }
    list.reset();
    const QString text = block.text();
    if (!own) {
        QTextLayout measured(block);
        return breakLines(measured, text, optionFor(block), width, widest_);
    }
    return breakLines(*block.layout(), text, optionFor(block), width, widest_);
}

// Sections the change did not touch keep their layout (those after it move);
// the touched ones are cut anew.
qreal TextLayout::layOutSections(const QTextBlock& block, SectionList& list, const Edit* edit) const {
    const QString text = block.text();
    const int n = static_cast<int>(text.size());
    std::vector<Section>& items = list.items;
    auto keptBefore = items.begin();  // the first section cut anew
    auto keptAfter = items.end();     // the first section after those
    int from = 0;
    int to = n;
    // A change that does not add up to the new length is no edit of this
    // text (a new width, a new default font): everything is cut anew.
    const bool edited = edit && !items.empty() && items.back().start + items.back().length >= edit->at &&
                        items.back().start + items.back().length + edit->added - edit->removed == n;
    if (edited) {
        const int shift = edit->added - edit->removed;
        keptBefore = std::find_if(items.begin(), items.end(),
                                  [&](const Section& s) { return s.start + s.length >= edit->at; });
        keptAfter = std::find_if(keptBefore, items.end(),
                                 [&](const Section& s) { return s.start > edit->at + edit->removed; });
        from = keptBefore->start;
        to = keptAfter == items.end() ? n : keptAfter->start + shift;
        // A short stretch to cut takes a neighbour along.
        if (to - from < kSection / 2 && keptBefore != items.begin()) {
            --keptBefore;
            from = keptBefore->start;
        } else if (to - from < kSection / 2 && keptAfter != items.end()) {
            to += keptAfter->length;
            ++keptAfter;
        }
        for (auto it = keptAfter; it != items.end(); ++it) it->start += shift;
    } else {
        keptBefore = items.begin();
        keptAfter = items.end();
    }
    std::vector<Section> cut;
    to = std::min(to, n);
    for (int start = from; start < to;) {
        const int end = std::min(sectionEnd(text, start), to);
        Section s;
        s.start = start;
        s.length = end - start;
        cut.push_back(std::move(s));
        start = end;
    }
    const auto at = items.erase(keptBefore, keptAfter);
    items.insert(at, std::make_move_iterator(cut.begin()), std::make_move_iterator(cut.end()));

    const QTextOption option = optionFor(block);
    const qreal width = lineWidth();
    std::vector<QTextFragment> fragments;
    for (auto it = block.begin(); !it.atEnd(); ++it) fragments.push_back(it.fragment());
    qreal y = 0;
    for (Section& s : items) {
        if (!s.layout) {
            s.layout = std::make_unique<QTextLayout>(text.mid(s.start, s.length), document()->defaultFont());
            // The formats of the fragments the section holds, in its positions.
            const int base = block.position() + s.start;
            auto f = std::upper_bound(fragments.begin(), fragments.end(), base,
                                      [](int p, const QTextFragment& g) { return p < g.position(); });
            if (f != fragments.begin()) --f;
            QList<QTextLayout::FormatRange> formats;
            for (; f != fragments.end() && f->position() < base + s.length; ++f) {
                const int a = std::max(f->position(), base);
                const int b = std::min(f->position() + f->length(), base + s.length);
                if (b > a) formats.append({a - base, b - a, f->charFormat()});
            }
            s.layout->setFormats(formats);
            s.height = breakLines(*s.layout, s.layout->text(), option, width, widest_);
        }
        s.top = y;
        y += s.height;
    }
    return y;
}

TextLayout::Guess TextLayout::guess() const {
    const QFontMetricsF metrics(document()->defaultFont());
    const qreal width = lineWidth();
    return {width > 0 ? metrics.averageCharWidth() / width : 0, metrics.lineSpacing()};
}

qreal TextLayout::Guess::height(const QTextBlock& block) const {
    return std::max<qreal>(std::ceil(block.length() * linesPerChar), 1) * lineHeight;
}

// A document without a page size (a control never shown) is not laid out,
// as Qt's own layout does not lay it out.
bool TextLayout::ready() const { return !document()->pageSize().isNull(); }

void TextLayout::layOutUntil(int block, qreal y) const {
    if (laidOut_ >= blocks_ || !ready()) return;
    const int from = laidOut_;
    QTextBlock b = document()->findBlockByNumber(laidOut_);
    while (b.isValid() && laidOut_ < blocks_ && (laidOut_ <= block || margin() + tops_.back() <= y)) {
        qreal& h = heights_[static_cast<size_t>(laidOut_)];
        rest_ -= h;
        const qreal at = margin() + tops_.back();
        h = layOutBlock(b, laidOut_, nullptr, at >= drawnTop_ - kNearDrawn && at <= drawnBottom_ + kNearDrawn);
        tops_.push_back(tops_.back() + h);
        ++laidOut_;
        b = b.next();
    }
    if (laidOut_ >= blocks_) rest_ = 0;  // no rounding left over
    if (laidOut_ > from) laidOutUnheard(top(from));
}

// Paragraphs laid out where they are needed (drawn, hit, asked for) may
// change the document's size and move those after them: the control hears
// of it once the event loop comes round.
void TextLayout::laidOutUnheard(qreal fromY) const {
    unheardFrom_ = unheardFrom_ < 0 ? fromY : std::min(unheardFrom_, fromY);
    if (!idle_.isActive()) idle_.start(0, const_cast<TextLayout*>(this));
}

qreal TextLayout::top(int block) const { return margin() + tops_[static_cast<size_t>(block)]; }

void TextLayout::stack(int from, int to) const {
    for (auto k = static_cast<size_t>(from); k < static_cast<size_t>(to); ++k) tops_[k + 1] = tops_[k] + heights_[k];
}

const TextLayout::SectionList* TextLayout::sectionsOf(int block) const {
    return block < laidOut_ ? lists_[static_cast<size_t>(block)].get() : nullptr;
}

QTextLayout* TextLayout::placed(const QTextBlock& block) const {
    const int i = block.blockNumber();
    QTextLayout* tl = block.layout();
    if (tl->lineCount() == 0) {
        // Qt dropped the lines of a paragraph it did not report as changed.
        const qreal h = layOutBlock(block, i);
        if (h != heights_[static_cast<size_t>(i)]) {
            heights_[static_cast<size_t>(i)] = h;
            stack(i, laidOut_);
            laidOutUnheard(top(i));
        }
    }
    tl->setPosition(QPointF(margin(), top(i)));
    return tl;
}

int TextLayout::blockAtY(qreal y) const {
    if (laidOut_ == 0) return 0;
    const auto it = std::upper_bound(tops_.begin(), tops_.begin() + laidOut_, y - margin());
    return std::clamp(static_cast<int>(it - tops_.begin()) - 1, 0, laidOut_ - 1);
}

qreal TextLayout::height() const { return tops_.back() + rest_; }

QSizeF TextLayout::documentSize() const {
    // Nothing is laid out without a page: the control's scroll bars must not
    // make one by showing (as they would for a size guessed).
    if (!ready()) return {0, 0};
    const qreal width = lineWidth();
    return {width > 0 ? document()->pageSize().width() : widest_ + 2 * margin(), height() + 2 * margin()};
}

QRectF TextLayout::frameBoundingRect(QTextFrame* frame) const {
    if (frame != document()->rootFrame()) return {};
    return {QPointF(0, 0), documentSize()};
}

QRectF TextLayout::blockBoundingRect(const QTextBlock& block) const {
    if (!block.isValid() || block.document() != document()) return {};
    const int i = block.blockNumber();
    layOutUntil(i, 0);
    if (i >= laidOut_) return {};
    const qreal width = std::max<qreal>(lineWidth(), widest_);
    if (sectionsOf(i)) return {margin(), top(i), width, heights_[static_cast<size_t>(i)]};
    const QTextLayout* tl = placed(block);
    return {tl->position(), QSizeF(std::max(width, tl->boundingRect().width()), heights_[static_cast<size_t>(i)])};
}

int TextLayout::hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const {
    layOutUntil(-1, point.y());
    if (laidOut_ == 0) return accuracy == Qt::ExactHit ? -1 : 0;
    const int i = blockAtY(point.y());
    const QTextBlock block = document()->findBlockByNumber(i);
    const QTextLayout* tl;
    int offset = block.position();
    QPointF p;
    if (const SectionList* list = sectionsOf(i)) {
        const Section& s = list->atY(point.y() - top(i));
        tl = s.layout.get();
        offset += s.start;
        p = point - QPointF(margin(), top(i) + s.top);
    } else {
        tl = placed(block);
        p = point - tl->position();
    }
    const int lines = tl->lineCount();
    int at = 0;
    while (at + 1 < lines && p.y() >= tl->lineAt(at).rect().bottom()) ++at;
    const QTextLine line = tl->lineAt(at);
    if (accuracy == Qt::ExactHit && !line.naturalTextRect().contains(p)) return -1;
    return offset + line.xToCursor(p.x());
}

QRectF TextLayout::SectionCaretRect(int position) const {
    const QTextBlock block = document()->findBlock(position);
    if (!block.isValid()) return {};
    const int i = block.blockNumber();
    const SectionList* list = sectionsOf(i);
    if (!list) return {};
    const int rel = position - block.position();
    const Section& s = list->at(rel);
    const QTextLine line = s.layout->lineForTextPosition(rel - s.start);
    if (!line.isValid()) return {};
    return {margin() + line.cursorToX(rel - s.start), top(i) + s.top + line.y(), qreal(std::max(cursorWidth_, 1)),
            line.height()};
}

int TextLayout::SectionMove(int position, QTextCursor::MoveOperation move, qreal x) const {
    const QTextBlock block = document()->findBlock(position);
    if (!block.isValid()) return -1;
    if (move == QTextCursor::Up || move == QTextCursor::Down) {
        // To the line above or below, wherever it lies: from a paragraph
        // laid out in sections, or into one from the paragraph beside it.
        const QRectF caret = caretRect(position);
        if (caret.isEmpty()) return -1;
        const qreal y = move == QTextCursor::Up ? caret.top() - 1 : caret.bottom() + 1;
        if (y < margin() || y >= margin() + height()) return -1;
        return moveTo(position, QPointF(x < 0 ? caret.left() : x, y));
    }
    const SectionList* list = sectionsOf(block.blockNumber());
    if (!list) return -1;
    const int rel = position - block.position();
    const auto sectionIt = list->items.begin() + (&list->at(rel) - list->items.data());
    const QTextLayout* tl = sectionIt->layout.get();
    const QTextLine line = tl->lineForTextPosition(rel - sectionIt->start);
    if (!line.isValid()) return -1;
    switch (move) {
    case QTextCursor::StartOfLine: return block.position() + sectionIt->start + line.textStart();
    case QTextCursor::EndOfLine: {
        int end = line.textStart() + line.textLength();
        // Before the blank a line is broken after, as Qt's caret stops.
        const bool lastLine = line.lineNumber() + 1 == tl->lineCount() && std::next(sectionIt) == list->items.end();
        if (!lastLine && end > line.textStart() && tl->text()[end - 1].isSpace()) --end;
        return block.position() + sectionIt->start + end;
    }
    default: return -1;
    }
}

int TextLayout::SectionPageMove(int position, qreal dy, qreal x) const {
    const QRectF caret = caretRect(position);
    if (caret.isEmpty()) return -1;
    return moveTo(position, QPointF(x < 0 ? caret.left() : x, caret.center().y() + dy));
}

qreal TextLayout::CaretX(int position) const {
    const QRectF caret = caretRect(position);
    return caret.isEmpty() ? -1 : caret.left();
}

QRectF TextLayout::caretRect(int position) const {
    const QRectF inSections = SectionCaretRect(position);
    if (!inSections.isEmpty()) return inSections;
    const QTextBlock block = document()->findBlock(position);
    if (!block.isValid()) return {};
    layOutUntil(block.blockNumber(), 0);
    if (block.blockNumber() >= laidOut_ || sectionsOf(block.blockNumber())) return {};
    const QTextLayout* tl = placed(block);
    const QTextLine line = tl->lineForTextPosition(position - block.position());
    if (!line.isValid()) return {};
    return {tl->position() + QPointF(line.cursorToX(position - block.position()), line.y()),
            QSizeF(1, line.height())};
}

int TextLayout::moveTo(int position, const QPointF& target) const {
    const bool fromSections = sectionsOf(document()->findBlock(position).blockNumber());
    layOutUntil(-1, target.y());
    const int to = hitTest(target, Qt::FuzzyHit);
    if (!fromSections && !sectionsOf(document()->findBlock(to).blockNumber())) return -1;
    return to;
}

void TextLayout::draw(QPainter* painter, const PaintContext& context) {
    const QRectF clip = context.clip.isValid() ? context.clip : QRectF(0, 0, kFar, kFar);
    drawnTop_ = clip.top();
    drawnBottom_ = clip.bottom();
    layOutUntil(-1, clip.bottom());
    if (laidOut_ == 0) return;
    const QPen pen = painter->pen();
    painter->setPen(context.palette.color(QPalette::Text));
    int i = blockAtY(clip.top());
    for (QTextBlock block = document()->findBlockByNumber(i); block.isValid() && i < laidOut_;
         block = block.next(), ++i) {
        if (top(i) > clip.bottom()) break;
        const int start = block.position();
        const int length = block.length();
        int cursor = context.cursorPosition;
        if (const SectionList* list = sectionsOf(i)) {
            for (const Section& s : list->items) {
                const qreal y = top(i) + s.top;
                if (y > clip.bottom() || y + s.height < clip.top()) continue;
                s.layout->setPosition(QPointF(margin(), y));
                const bool last = &s == &list->items.back();
                s.layout->draw(painter, QPointF(), selectionsIn(context, start, s.start, s.length, last), clip);
                const int rel = cursor - start - s.start;
                if (cursor >= start && rel >= 0 && (rel < s.length || (last && rel == s.length)))
                    s.layout->drawCursor(painter, QPointF(), rel, cursorWidth_);
            }
            continue;
        }
        QTextLayout* tl = placed(block);
        QList<QTextLayout::FormatRange> selections = selectionsIn(context, start, 0, length - 1, true);
        for (const Selection& s : context.selections) {
            // A line marked without a selection (a line highlight).
            if (!s.cursor.hasSelection() && s.format.hasProperty(QTextFormat::FullWidthSelection) &&
                block.contains(s.cursor.position())) {
                const QTextLine line = tl->lineForTextPosition(s.cursor.position() - start);
                int n = line.textLength();
                if (line.textStart() + n == length - 1) ++n;  // the paragraph mark with it
                selections.append({line.textStart(), n, s.format});
            }
        }
        tl->draw(painter, QPointF(), selections, clip);
        if (cursor < -1 && !tl->preeditAreaText().isEmpty()) {
            cursor = tl->preeditAreaPosition() - (cursor + 2);
        } else if (cursor >= start && cursor < start + length) {
            cursor -= start;
        } else {
            cursor = -1;
        }
        if (cursor >= 0) tl->drawCursor(painter, QPointF(), cursor, cursorWidth_);
    }
    painter->setPen(pen);
}

void TextLayout::documentChanged(int from, int charsRemoved, int charsAdded) {
    QTextDocument* doc = document();
    const int count = doc->blockCount();
    const int delta = count - blocks_;
    const QTextBlock firstBlock = doc->findBlock(from);
    const int first = firstBlock.isValid() ? firstBlock.blockNumber() : count - 1;
    const QTextBlock lastBlock = doc->findBlock(from + charsAdded);
    const int last = std::max(first, lastBlock.isValid() ? lastBlock.blockNumber() : count - 1);
    const int oldLast = last - delta;  // the last paragraph changed, as numbered before the change

    // A change inside one paragraph laid out in sections keeps those it does
    // not touch; any other changed paragraph is laid out anew, first with a
    // height guessed.
    const bool inOneParagraph = first == last && delta == 0 && first < laidOut_ && lists_[static_cast<size_t>(first)];
    const int keptBefore = std::min(first, blocks_);
    const int keptUntil = std::clamp(oldLast + 1, keptBefore, blocks_);
    if (!inOneParagraph) {
        std::vector<qreal> guessed;
        const Guess g = guess();
        QTextBlock b = doc->findBlockByNumber(first);
        for (int i = first; i <= last && b.isValid(); ++i, b = b.next()) guessed.push_back(g.height(b));
        heights_.erase(heights_.begin() + keptBefore, heights_.begin() + keptUntil);
        heights_.insert(heights_.begin() + first, guessed.begin(), guessed.end());
        lists_.erase(lists_.begin() + keptBefore, lists_.begin() + keptUntil);
        std::vector<std::unique_ptr<SectionList>> none(guessed.size());
        lists_.insert(lists_.begin() + first, std::make_move_iterator(none.begin()), std::make_move_iterator(none.end()));
    }
    blocks_ = count;

    // The changed paragraphs are laid out at once where they are few and the
    // laid-out ones after them hold more (the whole text reformatted is laid
    // out anew as far as it is needed, and only once for several changes).
    const QTextBlock end = doc->findBlockByNumber(last);
    const int changed = end.position() + end.length() - firstBlock.position();
    bool now = first < laidOut_ && oldLast < laidOut_;
    if (now && !inOneParagraph) {
        const QTextBlock laidOutEnd = doc->findBlockByNumber(laidOut_ + delta - 1);
        const int after = laidOutEnd.position() + laidOutEnd.length() - (end.position() + end.length());
        now = changed <= kLayOutAtOnce && changed <= after;
    }
    bool moved = true;
    if (now) {
        // Within the laid-out paragraphs: lay out the changed ones now, and
        // those after them only move.
        if (inOneParagraph) {
            const Edit edit{from - firstBlock.position(), charsRemoved, charsAdded};
            heights_[static_cast<size_t>(first)] = layOutBlock(firstBlock, first, &edit);
        } else {
            QTextBlock b = firstBlock;
            for (int i = first; i <= last; ++i, b = b.next()) heights_[static_cast<size_t>(i)] = layOutBlock(b, i);
        }
        const qreal oldTop = tops_[static_cast<size_t>(oldLast) + 1];
        laidOut_ += delta;
        tops_.resize(static_cast<size_t>(laidOut_) + 1);
        stack(first, last + 1);
        moved = delta != 0 || tops_[static_cast<size_t>(last) + 1] != oldTop;
        if (moved) stack(last + 1, laidOut_);
    } else {
        // The changed ones lose their lines at once (Qt's caret code would
        // take lines of an old text for the new one); the laid-out ones from
        // the first change on keep their heights as guesses until they are
        // laid out again.
        QTextBlock b = firstBlock;
        for (int i = first; i <= last && b.isValid(); ++i, b = b.next()) b.clearLayout();
        if (first < laidOut_) {
            laidOut_ = first;
            tops_.resize(static_cast<size_t>(first) + 1);
        }
    }
    rest_ = 0;
    for (int k = laidOut_; k < count; ++k) rest_ += heights_[static_cast<size_t>(k)];

    // Without a page the control hears nothing, as from Qt's layout: a size
    // it heard of would make it lay out its scroll bars and so make a page.
    if (!ready()) return;
    if (laidOut_ < count && !idle_.isActive()) idle_.start(kPauseMs, this);
    const qreal y = first < laidOut_ ? top(first) : margin() + tops_.back();
    if (!moved) {
        // Nothing moved: only the changed paragraphs are drawn again.
        emit update(QRectF(0, y, kFar, tops_[static_cast<size_t>(last) + 1] - tops_[static_cast<size_t>(first)]));
        return;
    }
    emitChanged(y);
}

void TextLayout::emitChanged(qreal fromY) {
    if (unheardFrom_ >= 0) fromY = std::min(fromY, unheardFrom_);
    unheardFrom_ = -1;
    emit update(QRectF(0, fromY, kFar, kFar));
    TellSize();
}

void TextLayout::TellSize() {
    const QSizeF size = documentSize();
    if (size == heardSize_) return;
    heardSize_ = size;
    emit documentSizeChanged(size);
}

void TextLayout::timerEvent(QTimerEvent* e) {
    if (e->timerId() != idle_.timerId()) {
        QAbstractTextDocumentLayout::timerEvent(e);
        return;
    }
    const qreal from = tops_.back();
    QElapsedTimer slice;
    slice.start();
    while (laidOut_ < blocks_ && ready() && slice.elapsed() < kSliceMs) layOutUntil(laidOut_, 0);
    if (laidOut_ >= blocks_ || !ready()) {
        idle_.stop();
    } else {
        idle_.start(kPauseMs, this);
    }
    emitChanged(margin() + from);
}

}  // namespace platform
