#pragma once
// The layout of our text controls, in place of Qt's: paragraphs one below the
// other, each in its own alignment, lines broken at word boundaries and,
// where a word is longer than the line, anywhere inside it, as the Windows
// text and rich-text controls wrap. Qt's own layout looks for the end of a
// word on every line before it gives up and breaks the word, which makes a
// long word cost the square of its length; here every line is found in time
// linear in its own length.
//
// Paragraphs are laid out from the top as far as they are needed (drawn, hit,
// asked for) and the rest a slice at a time while the program is idle. A
// change lays out only the paragraphs it touched, and those after it just
// move.
//
// A layout made with Sections::Long lays out a paragraph of more than
// kLongParagraph characters in sections of a few thousand characters, each
// beginning a line of its own, so that a change lays out only the section it
// falls in. Qt's caret code cannot see the lines of such a paragraph: the
// control asks SectionCaretRect and SectionMove for them.
#include <QAbstractTextDocumentLayout>
#include <QBasicTimer>
#include <QTextCursor>
#include <memory>
#include <vector>

class QTextLayout;

namespace platform {

class TextLayout : public QAbstractTextDocumentLayout {
    Q_OBJECT
    Q_PROPERTY(int cursorWidth READ cursorWidth WRITE setCursorWidth)

public:
    enum class Sections { None, Long };
    static constexpr int kLongParagraph = 16384;

    // Becomes the document's layout (and its child).
    explicit TextLayout(QTextDocument* doc, Sections sections = Sections::None);
    ~TextLayout() override;

    void draw(QPainter* painter, const PaintContext& context) override;
    int hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const override;
    int pageCount() const override { return 1; }
    // The size laid out so far and the rest guessed, until the idle layout
    // has gone through.
    QSizeF documentSize() const override;
    QRectF frameBoundingRect(QTextFrame* frame) const override;
    QRectF blockBoundingRect(const QTextBlock& block) const override;

    // Tells the control of the document's size now where it has not heard
    // of it yet (it hears of it once the event loop comes round).
    void TellSize();

    // The caret at a document position in a paragraph laid out in sections
    // (document coordinates); an empty rectangle elsewhere, and where the
    // paragraph is not laid out yet.
    QRectF SectionCaretRect(int position) const;
    // The position the caret reaches from `position` by moving a line up or
    // down where either line lies in a paragraph laid out in sections, or to
    // the start or end of its line inside such a paragraph; -1 elsewhere, and
    // where the move would leave the document. Up and down go to the place
    // below or above `x` (document coordinates), or the caret's own when x is
    // negative.
    int SectionMove(int position, QTextCursor::MoveOperation move, qreal x = -1) const;
    // The position a page up (negative `dy`) or down moves the caret to from
    // `position`, `dy` below or above it, where the caret or that place lies in
    // a paragraph laid out in sections; -1 elsewhere.
    int SectionPageMove(int position, qreal dy, qreal x = -1) const;
    // Where the caret at a position stands across (document coordinates); -1
    // where its paragraph is not laid out.
    qreal CaretX(int position) const;

    int cursorWidth() const { return cursorWidth_; }
    void setCursorWidth(int width);

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;
    void timerEvent(QTimerEvent* e) override;

private:
    struct Section;
    struct SectionList;
    // A change inside one paragraph, in positions of the paragraph.
    struct Edit {
        int at;
        int removed;
        int added;
    };

    bool ready() const;
    qreal margin() const;
    // The width lines are broken at; 0 when they are not broken.
    qreal lineWidth() const;
    QTextOption optionFor(const QTextBlock& block) const;
    // Lays out the paragraph (number i); gives its height. Without `own`, a
    // paragraph not laid out in sections is only measured, in a layout of its
    // own that goes again: its lines are made where they are needed (placed).
    qreal layOutBlock(const QTextBlock& block, int i, const Edit* edit = nullptr, bool own = true) const;
    qreal layOutSections(const QTextBlock& block, SectionList& list, const Edit* edit) const;
    // Lays out paragraphs after the laid-out ones until paragraph `block` is
    // laid out or the laid-out ones reach down to `y` (document coordinates).
    void layOutUntil(int block, qreal y) const;
    // The paragraph's layout, placed where it stands; it must be laid out.
    QTextLayout* placed(const QTextBlock& block) const;
    // The caret at a position of a laid-out paragraph (document coordinates).
    QRectF caretRect(int position) const;
    // The position at `target` where it or `position` lies in a paragraph
    // laid out in sections; -1 otherwise.
    int moveTo(int position, const QPointF& target) const;
    // The sections of a laid-out paragraph, or null.
    const SectionList* sectionsOf(int block) const;
    // The laid-out paragraph at `y`, or the nearest one.
    int blockAtY(qreal y) const;
    qreal top(int block) const;
    // Adds the heights of the paragraphs [from, to) up into the tops that follow each.
    void stack(int from, int to) const;
    // A paragraph's height guessed from its length, before it is laid out.
    struct Guess {
        qreal linesPerChar;
        qreal lineHeight;
        qreal height(const QTextBlock& block) const;
    };
    Guess guess() const;
    // The laid-out height and the guessed one of the rest.
    qreal height() const;
    void laidOutUnheard(qreal fromY) const;
    // Asks for the document to be drawn again from `fromY` (and from where
    // paragraphs were laid out unheard), and tells of a new size.
    void emitChanged(qreal fromY);

    const Sections sections_;
    // The paragraphs [0, laidOut_) are laid out: tops_[i] is the sum of the
    // heights before paragraph i (one entry more). heights_ holds every
    // paragraph's height, guessed for the others (their sum is rest_), so that
    // the document's size stays steady while the layout goes on. lists_ holds
    // the sections of the paragraphs laid out in sections.
    mutable std::vector<qreal> heights_;
    mutable std::vector<std::unique_ptr<SectionList>> lists_;
    mutable std::vector<qreal> tops_{0};
    mutable int laidOut_ = 0;
    mutable qreal rest_ = 0;
    mutable qreal widest_ = 0;  // the widest line laid out where lines are not broken
    int blocks_ = 0;            // the document's paragraphs as the layout last saw them
    int cursorWidth_ = 1;
    mutable QBasicTimer idle_;
    mutable qreal unheardFrom_ = -1;  // laid out since the last report from here down; -1: nothing
    // What was last drawn (document coordinates); the top before anything is.
    qreal drawnTop_ = 0;
    qreal drawnBottom_ = 0;
    QSizeF heardSize_;                // the size the control last heard of
};

}  // namespace platform
