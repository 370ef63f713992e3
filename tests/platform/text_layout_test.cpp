// The layout of the text controls: where lines break, and paragraphs too
// long to lay out whole on every change.
#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QInputMethodQueryEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>

#include "platform/richtextbox.h"
#include "platform/text_layout.h"
#include "platform/textbox.h"

using platform::TextLayout;

namespace {

// Lays out every paragraph not laid out yet, as asking where the last one
// stands does.
void layOutAll(TextLayout* layout) { layout->blockBoundingRect(layout->document()->lastBlock()); }

// A text edit of a fixed width with our layout and a fixed font.
struct Edit {
    explicit Edit(TextLayout::Sections sections = TextLayout::Sections::None) {
        layout = new TextLayout(edit.document(), sections);
        edit.document()->setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 12));
        edit.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        edit.resize(320, 240);
        edit.show();
    }
    QTextEdit edit;
    TextLayout* layout;

    QTextBlock block(int n = 0) const { return edit.document()->findBlockByNumber(n); }
    // The lines of a paragraph laid out whole, as [start, end) in it.
    std::vector<std::pair<int, int>> lines(int n = 0) {
        layOutAll(layout);
        const QTextLayout* tl = block(n).layout();
        std::vector<std::pair<int, int>> out;
        for (int i = 0; i < tl->lineCount(); ++i)
            out.emplace_back(tl->lineAt(i).textStart(), tl->lineAt(i).textStart() + tl->lineAt(i).textLength());
        return out;
    }
};

// A rich-text box of a fixed size, shown, holding a text.
struct ShownBox {
    explicit ShownBox(const std::string& text) {
        box.resize(300, 200);
        box.show();
        box.SetText(text);
    }
    TextLayout* layout() const { return qobject_cast<TextLayout*>(box.document()->documentLayout()); }
    void key(int k, const QString& typed = QString()) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, typed);
        QApplication::sendEvent(&box, &press);
    }
    platform::RichTextBox box;
};

// One paragraph long enough to be laid out in sections.
std::string longParagraph() {
    std::string text;
    while (text.size() < 40000) text += "abcdefgh ";
    return text;
}

}  // namespace

TEST(TextLayout, LinesBreakAfterBlanksAndAnywhereInALongWord) {
    Edit e;
    QString text;
    for (int i = 0; i < 40; ++i) text += QStringLiteral("word%1 ").arg(i);
    const QString word(600, u'x');
    text += word + QStringLiteral(" tail");
    e.edit.setPlainText(text);
    const auto lines = e.lines();
    ASSERT_GT(lines.size(), 10u);
    const int wordStart = static_cast<int>(text.indexOf(word));
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        const auto [from, to] = lines[i];
        EXPECT_EQ(lines[i + 1].first, to);  // the lines follow each other
        if (to <= wordStart) {
            EXPECT_EQ(text[to - 1], u' ') << "line " << i << " ends inside a word";
        } else if (from < wordStart) {
            EXPECT_EQ(to, wordStart) << "the long word begins a line of its own";
        }
    }
    // Inside the long word every line but its last is full.
    const QTextLayout* tl = e.block().layout();
    const qreal width = tl->lineAt(0).width();
    int full = 0;
    for (int i = 0; i < tl->lineCount(); ++i) {
        const QTextLine line = tl->lineAt(i);
        if (line.textStart() >= wordStart && line.textStart() + line.textLength() < wordStart + word.size()) {
            EXPECT_GT(line.naturalTextWidth(), width - 20) << "line " << i;
            ++full;
        }
    }
    EXPECT_GT(full, 5);
}

TEST(TextLayout, WordsBesideALongWordBreakBetweenWordsInAnyScript) {
    // Arabic letters join, and a lam with an alef makes one glyph of two
    // characters: the lines still end between words.
    Edit e;
    QString text = QString(300, u'x') + u' ';
    for (int i = 0; i < 60; ++i) text += QStringLiteral("\u0641\u0644\u0627\u062D\u0644\u0627 word ");
    e.edit.setPlainText(text);
    const auto lines = e.lines();
    ASSERT_GT(lines.size(), 15u);
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        const auto [from, to] = lines[i];
        if (from > 300) {
            EXPECT_EQ(text[to - 1], u' ') << "line " << i << " ends inside a word";
        }
    }
}

TEST(TextLayout, ParagraphsStackAndMoveWhenOneChanges) {
    Edit e;
    e.edit.setPlainText(QStringLiteral("one\ntwo two two two two two two two two two two two two two two two\nthree"));
    layOutAll(e.layout);
    const QRectF first = e.layout->blockBoundingRect(e.block(0));
    const QRectF second = e.layout->blockBoundingRect(e.block(1));
    const QRectF third = e.layout->blockBoundingRect(e.block(2));
    EXPECT_DOUBLE_EQ(second.top(), first.bottom());
    EXPECT_DOUBLE_EQ(third.top(), second.bottom());
    EXPECT_GT(second.height(), first.height());  // wrapped
    // Shortening the second paragraph to one line moves the third up.
    QTextCursor c(e.block(1));
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    c.insertText(QStringLiteral("two"));
    EXPECT_DOUBLE_EQ(e.layout->blockBoundingRect(e.block(2)).top(), second.top() + first.height());
    EXPECT_DOUBLE_EQ(e.layout->documentSize().height(), e.layout->blockBoundingRect(e.block(2)).bottom() +
                                                           e.edit.document()->documentMargin());
    // A click lands on the character under it.
    const QRectF r = e.layout->blockBoundingRect(e.block(2));
    EXPECT_EQ(e.layout->hitTest(QPointF(r.left() + 1, r.center().y()), Qt::FuzzyHit), e.block(2).position());
}

TEST(TextLayout, ALongDocumentIsLaidOutWhileIdle) {
    Edit e;
    QString text;
    for (int i = 0; i < 3000; ++i) text += QStringLiteral("line %1 of a long document\n").arg(i);
    e.edit.setPlainText(text);
    // Only what is shown is laid out at once; the size guessed for the rest
    // stays near the size laid out in the end.
    const qreal guessed = e.layout->documentSize().height();
    for (int i = 0; i < 2000 && e.layout->documentSize().height() != 0; ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        if (!e.edit.document()->lastBlock().layout()->lineCount()) continue;
        break;
    }
    layOutAll(e.layout);
    const qreal laidOut = e.layout->documentSize().height();
    EXPECT_NEAR(guessed, laidOut, laidOut * 0.5);
    EXPECT_EQ(e.layout->blockBoundingRect(e.edit.document()->lastBlock()).bottom() + e.edit.document()->documentMargin(),
              laidOut);
}

TEST(TextLayout, ParagraphsFarFromWhatIsDrawnAreMeasuredOnlyUntilNeeded) {
    Edit e;
    QString text;
    for (int i = 0; i < 3000; ++i) text += QStringLiteral("w%1 ").arg(i).repeated(i == 2500 ? 250 : 1 + i % 23) + u'\n';
    e.edit.setPlainText(text);
    layOutAll(e.layout);
    const qreal size = e.layout->documentSize().height();
    const QTextBlock far = e.block(2500);
    EXPECT_EQ(far.layout()->lineCount(), 0);
    // Asked for, it is laid out where it was measured, and nothing moves.
    const QRectF r = e.layout->blockBoundingRect(far);
    const QTextLayout* tl = far.layout();
    ASSERT_GT(tl->lineCount(), 1);
    const QTextLine lastLine = tl->lineAt(tl->lineCount() - 1);
    EXPECT_DOUBLE_EQ(r.height(), lastLine.y() + lastLine.height());
    EXPECT_DOUBLE_EQ(r.top(), e.layout->blockBoundingRect(e.block(2499)).bottom());
    EXPECT_DOUBLE_EQ(e.layout->blockBoundingRect(e.block(2501)).top(), r.bottom());
    EXPECT_EQ(e.layout->documentSize().height(), size);
    EXPECT_EQ(e.layout->hitTest(QPointF(r.left() + 1, r.top() + 1), Qt::FuzzyHit), far.position());
}

TEST(TextLayout, AVeryLongParagraphIsLaidOutInSections) {
    Edit e(TextLayout::Sections::Long);
    QString text;
    while (text.size() < 50000) text += QStringLiteral("abcdefghij%1").arg(text.size());
    e.edit.setPlainText(text);
    layOutAll(e.layout);
    // Qt's own caret code finds no lines here; the layout answers for them.
    EXPECT_EQ(e.block().layout()->lineCount(), 0);
    qreal lastY = -1;
    for (int pos : {0, 1, 4095, 4096, 4097, 20000, 33333, 49999, static_cast<int>(text.size())}) {
        const QRectF caret = e.layout->SectionCaretRect(pos);
        ASSERT_FALSE(caret.isEmpty()) << pos;
        EXPECT_GE(caret.top(), lastY) << pos;
        lastY = caret.top();
        EXPECT_EQ(e.layout->hitTest(caret.center(), Qt::FuzzyHit), pos) << pos;
    }
    // Down and up again come back; start and end of a line enclose the caret.
    const int pos = 20000;
    const int below = e.layout->SectionMove(pos, QTextCursor::Down);
    ASSERT_GT(below, pos);
    EXPECT_GT(e.layout->SectionCaretRect(below).top(), e.layout->SectionCaretRect(pos).top());
    EXPECT_EQ(e.layout->SectionMove(below, QTextCursor::Up), pos);
    const int start = e.layout->SectionMove(pos, QTextCursor::StartOfLine);
    const int end = e.layout->SectionMove(pos, QTextCursor::EndOfLine);
    EXPECT_LE(start, pos);
    EXPECT_GE(end, pos);
    EXPECT_DOUBLE_EQ(e.layout->SectionCaretRect(start).top(), e.layout->SectionCaretRect(pos).top());
    EXPECT_EQ(e.layout->SectionMove(0, QTextCursor::Up), -1);  // out of the paragraph: Qt's move

    // A change lays out only its section: the lines before it stay where
    // they were, those after it follow the text.
    const QRectF before = e.layout->SectionCaretRect(1000);
    const QRectF after = e.layout->SectionCaretRect(40000);
    QTextCursor c(e.edit.document());
    c.setPosition(30000);
    c.insertText(QStringLiteral("inserted"));
    EXPECT_EQ(e.layout->SectionCaretRect(1000), before);
    EXPECT_EQ(e.layout->hitTest(e.layout->SectionCaretRect(40008).center(), Qt::FuzzyHit), 40008);
    EXPECT_NEAR(e.layout->SectionCaretRect(40008).top(), after.top(), 3 * after.height());
    // A paragraph that shrinks below the length is laid out whole again.
    c.setPosition(100);
    c.setPosition(45000, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    layOutAll(e.layout);
    EXPECT_TRUE(e.layout->SectionCaretRect(10).isEmpty());
    EXPECT_GT(e.block().layout()->lineCount(), 1);
}

TEST(TextLayout, TheControlsUseIt) {
    platform::TextBox tex;
    platform::RichTextBox rtb;
    EXPECT_TRUE(qobject_cast<TextLayout*>(tex.document()->documentLayout()));
    EXPECT_TRUE(qobject_cast<TextLayout*>(rtb.document()->documentLayout()));
    // The text box needs no shaping for its Windows-1252 text, after any font change too.
    tex.setFont(QFont(QStringLiteral("Courier New"), 10));
    EXPECT_TRUE(tex.document()->defaultFont().styleStrategy() & QFont::PreferNoShaping);
}

TEST(TextLayout, RichTextBoxKeepsTheCaretOfALongParagraphInView) {
    platform::RichTextBox box;
    box.resize(300, 200);
    box.show();
    std::string text;
    while (text.size() < 60000) text += "xyzzyxyzzy";
    box.SetText(text);
    box.SetSelStart(59000);
    box.SetSelLength(1);
    auto* layout = qobject_cast<TextLayout*>(box.document()->documentLayout());
    const QRectF caret = layout->SectionCaretRect(box.textCursor().position());
    ASSERT_FALSE(caret.isEmpty());
    const int top = box.verticalScrollBar()->value();
    EXPECT_GE(caret.top(), top);
    EXPECT_LE(caret.bottom(), top + box.viewport()->height());
    // Up, Down, Home and End move within its lines.
    box.SetSelStart(30000);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(&box, &down);
    EXPECT_GT(box.SelStart(), 30000);
    EXPECT_LT(box.SelStart(), 30100);
    QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::ShiftModifier);
    QApplication::sendEvent(&box, &home);
    EXPECT_GT(box.SelLength(), 0);
}

TEST(TextLayout, TheScrollRangeFollowsParagraphsLaidOutWhereTheyAreNeeded) {
    // The caret sent to the end lays out every paragraph at once, not in the
    // idle pass: the scroll bar must still reach exactly the end, neither
    // short of it nor into empty space past it.
    Edit e;
    QString text;
    for (int i = 0; i < 800; ++i) text += QStringLiteral("w%1 ").arg(i).repeated(1 + i % 23) + u'\n';
    e.edit.setPlainText(text);
    QTextCursor end(e.edit.document());
    end.movePosition(QTextCursor::End);
    e.edit.setTextCursor(end);
    for (int i = 0; i < 20; ++i) QApplication::processEvents();
    QScrollBar* bar = e.edit.verticalScrollBar();
    const QRectF last = e.layout->blockBoundingRect(e.edit.document()->lastBlock());
    const int docHeight = static_cast<int>(last.bottom() + e.edit.document()->documentMargin());
    EXPECT_EQ(bar->maximum(), docHeight - e.edit.viewport()->height());
}

TEST(TextLayout, UpAndDownGoIntoAndOutOfALongParagraphAtTheCaretsPlace) {
    // Qt's caret code sees no lines in a paragraph laid out in sections: it
    // would put the caret at its first character coming from either side.
    ShownBox shown("above\r\n" + longParagraph() + "\r\nbelow");
    platform::RichTextBox& box = shown.box;
    const QTextBlock middle = box.document()->findBlockByNumber(1);
    TextLayout* layout = shown.layout();
    auto key = [&shown](int k) { shown.key(k); };
    auto x = [&box, layout](int position) {
        const QRectF r = layout->SectionCaretRect(position);
        return r.isEmpty() ? box.cursorRect().left() + box.horizontalScrollBar()->value() : r.left();
    };
    const int belowAt = middle.next().position() + 3;
    QTextCursor c(box.document());
    c.setPosition(belowAt);
    box.setTextCursor(c);
    const qreal belowX = x(belowAt);
    key(Qt::Key_Up);
    const int up = box.textCursor().position();
    EXPECT_GT(up, middle.position() + middle.length() - 60);
    EXPECT_NEAR(x(up), belowX, 12);
    key(Qt::Key_Down);
    EXPECT_EQ(box.textCursor().position(), belowAt);

    c.setPosition(3);
    box.setTextCursor(c);
    key(Qt::Key_Down);
    EXPECT_EQ(box.textCursor().position(), middle.position() + 3);
    key(Qt::Key_Up);
    EXPECT_EQ(box.textCursor().position(), 3);
}

namespace {

// The parts of a widget painted since it was made.
struct PaintedRegion : QObject {
    explicit PaintedRegion(QWidget* w) { w->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) region += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
    QRegion region;
};

}  // namespace

TEST(TextLayout, TheCaretOfALongParagraphIsShownAtOnceAndLeavesNoCopyBehind) {
    // The caret put far down in a new text is scrolled to, though the scroll
    // range has not yet heard of the paragraphs laid out to find it. Leaving
    // the paragraph, it is drawn away where it was: Qt draws it again where
    // it thinks it stood, at the paragraph's top.
    ShownBox shown(longParagraph() + "\r\nbelow");
    platform::RichTextBox& box = shown.box;
    TextLayout* layout = shown.layout();
    const int last = box.document()->firstBlock().length() - 3;
    box.SetSelStart(last);
    box.setFocus();
    QApplication::processEvents();
    const QRectF caret = layout->SectionCaretRect(last);
    ASSERT_FALSE(caret.isEmpty());
    const QPoint onScreen = caret.center().toPoint() - QPoint(0, box.verticalScrollBar()->value());
    EXPECT_TRUE(box.viewport()->rect().contains(onScreen));
    // An input method places its window by the caret.
    QInputMethodQueryEvent query(Qt::ImCursorRectangle);
    QApplication::sendEvent(&box, &query);
    const QRect forInput = query.value(Qt::ImCursorRectangle).toRect();
    EXPECT_LE((forInput.center() - box.viewport()->mapTo(&box, onScreen)).manhattanLength(), 3);
    PaintedRegion painted(box.viewport());
    shown.key(Qt::Key_Down);
    QApplication::processEvents();
    EXPECT_EQ(box.textCursor().block().blockNumber(), 1);
    EXPECT_TRUE(painted.region.contains(onScreen));
}

TEST(TextLayout, RichTextBoxMovesAndTypesInALongParagraphWithoutJumping) {
    // Qt's own caret code places the caret of such a paragraph at its top:
    // neither a key nor a click may scroll the view there.
    QString text;
    for (int i = 0; text.size() < 60000; ++i) text += QStringLiteral("w%1%2").arg(i).arg(i % 7 ? "xyz" : " ");
    ShownBox shown(text.toStdString());
    platform::RichTextBox& box = shown.box;
    QScrollBar* bar = box.verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    const int view = bar->value();
    auto key = [&shown](int k, const QString& typed = QString()) { shown.key(k, typed); };
    const QPoint middle = box.viewport()->rect().center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent click(type, middle, box.viewport()->mapToGlobal(middle), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(box.viewport(), &click);
    }
    EXPECT_EQ(bar->value(), view);
    const int at = box.SelStart();
    key(Qt::Key_Right);
    key(Qt::Key_Q, QStringLiteral("q"));
    key(Qt::Key_Backspace);
    EXPECT_EQ(box.SelStart(), at + 1);
    EXPECT_EQ(bar->value(), view);
    box.SetSelStart(at);
    EXPECT_EQ(bar->value(), view);

    // A page down moves the caret and the view by a page, and back up again.
    TextLayout* layout = shown.layout();
    const QRectF caret = layout->SectionCaretRect(box.textCursor().position());
    key(Qt::Key_PageDown);
    const QRectF down = layout->SectionCaretRect(box.textCursor().position());
    EXPECT_GT(box.SelStart(), at + 100);
    EXPECT_NEAR(down.top() - caret.top(), box.viewport()->height(), 2 * caret.height());
    EXPECT_EQ(bar->value(), view + bar->pageStep());
    key(Qt::Key_PageUp);
    EXPECT_NEAR(box.SelStart(), at, 3);
    EXPECT_EQ(bar->value(), view);
}
