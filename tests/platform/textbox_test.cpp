#include "platform/textbox.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>

using platform::TextBox;

namespace {

void typeKey(TextBox& box, int key, const QString& text, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(&box, &press);
}

// The characters the box has selected, a line break as CR LF.
std::string selected(const TextBox& box) {
    return box.textCursor().selectedText().replace(QChar::ParagraphSeparator, QStringLiteral("\r\n")).toStdString();
}

}  // namespace

TEST(TextBox, LineBreaksAreCrLfAndCountTwo) {
    TextBox box;
    box.SetText("ab\r\ncd\ne\rf");
    EXPECT_EQ(box.Text(), "ab\r\ncd\r\ne\r\nf");
    EXPECT_EQ(box.TextLength(), 12);
    box.SetSelStart(4);
    box.SetSelLength(2);
    EXPECT_EQ(selected(box), "cd");
    box.SetSelStart(1);
    box.SetSelLength(3);
    EXPECT_EQ(selected(box), "b\r\n");
    // A position between CR and LF is never taken.
    box.SetSelStart(3);
    EXPECT_EQ(box.SelStart(), 2);
    box.SetSelLength(1);
    EXPECT_EQ(box.SelLength(), 2);
    box.SetSelStart(100);
    EXPECT_EQ(box.SelStart(), 12);
}

TEST(TextBox, HoldsOnlyWindows1252Characters) {
    TextBox box;
    box.SetText("\xE4\x80");
    EXPECT_EQ(box.Text(), "\xE4\x80");  // ä and the euro sign
    box.setPlainText(QString());
    typeKey(box, Qt::Key_A, QStringLiteral("\u05D0"));
    typeKey(box, Qt::Key_A, QString::fromUcs4(U"\U0001F600", 1));
    typeKey(box, Qt::Key_A, QStringLiteral("\u20AC"));
    EXPECT_EQ(box.Text(), "??\x80");
    QInputMethodEvent ime(QString(), {});
    ime.setCommitString(QStringLiteral("\u0416x"));
    QApplication::sendEvent(&box, &ime);
    EXPECT_EQ(box.Text(), "??\x80?x");
    EXPECT_EQ(TextBox::ToBoxText(QStringLiteral("a\r\nb\u2028c\u2029d")), QStringLiteral("a\nb\nc\nd"));
}

TEST(TextBox, PasteTakesPlainTextAsAnsi) {
    TextBox box;
    auto* data = new QMimeData;
    data->setText(QStringLiteral("x\u05D0\r\ny"));
    QApplication::clipboard()->setMimeData(data);
    box.Paste();
    EXPECT_EQ(box.Text(), "x?\r\ny");
    EXPECT_EQ(box.SelStart(), 5);
    box.SetSelStart(0);
    box.SetSelLength(2);
    box.Cut();
    EXPECT_EQ(box.Text(), "\r\ny");
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("x?"));
}

TEST(TextBox, EveryChangeSignalsOnceAfterTheCaretMoved) {
    TextBox box;
    std::vector<std::pair<std::string, int>> seen;
    QObject::connect(&box, &TextBox::Change, [&] { seen.emplace_back(box.Text(), box.SelStart()); });
    box.SetText("ab");
    box.SetText("ab");
    typeKey(box, Qt::Key_C, QStringLiteral("c"));
    typeKey(box, Qt::Key_Return, QStringLiteral("\r"), Qt::ShiftModifier);
    box.SetSelStart(0);
    box.SetSelLength(1);
    typeKey(box, Qt::Key_Z, QStringLiteral("z"));
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, int>>{
                        {"ab", 0}, {"ab", 0}, {"cab", 1}, {"c\r\nab", 3}, {"z\r\nab", 1}}));
    // Moving the caret is no change.
    box.SetSelStart(2);
    EXPECT_EQ(seen.size(), 5u);
}

TEST(TextBox, SelTextReplacesTheSelection) {
    TextBox box;
    box.SetText("abc");
    box.SetSelStart(1);
    box.SetSelLength(1);
    box.SetSelText("X\r\nY");
    EXPECT_EQ(box.Text(), "aX\r\nYc");
    EXPECT_EQ(box.SelStart(), 5);
}
