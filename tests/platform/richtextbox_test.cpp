#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextBlock>

#include "platform/dialogs.h"
#include "platform/richtextbox.h"
#include "rtf/writer.h"
#include "rtf/rtf_test_support.h"
#include "support/testing.h"

using platform::RichTextBox;
using rtf_test::cellDocument;

namespace {

const std::string kHead = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\r\n";

// The body of a TextRTF: after the first size word, before the tail.
std::string body(const RichTextBox& box, int points) {
    return rtf_test::cellCut(box.TextRTF(), points, rtf::kTextRtfTail.size());
}

// The characters the control has selected, a paragraph mark as CR LF.
std::string selected(const RichTextBox& box) {
    return box.textCursor().selectedText().replace(QChar::ParagraphSeparator, QStringLiteral("\r\n")).toStdString();
}

// ---- Text and positions ----

TEST(RichTextBoxText, ParagraphsJoinWithCrLf) {
    RichTextBox box;
    box.SetTextRTF("{\\rtf1 ab\\par\\par cd}");
    EXPECT_EQ(box.Text(), "ab\r\n\r\ncd");
    box.SetText("x\ry\nz\r\n");
    EXPECT_EQ(box.Text(), "x\r\ny\r\nz\r\n");
    EXPECT_EQ(box.document()->blockCount(), 4);
}

TEST(RichTextBoxText, CharactersOutsideWindows1252ReadAsQuestionMarks) {
    RichTextBox box;
    box.SetTextRTF("{\\rtf1 \\u1488?\\u8364?\\'e4\\u-10179?\\u-8704?}");
    EXPECT_EQ(box.Text(), "?\x80\xe4??");  // one byte per UTF-16 unit, as positions count
    EXPECT_EQ(box.TextW(), QString::fromUtf8("\u05D0\u20AC\u00E4\U0001F600"));
}

TEST(RichTextBoxText, SetTextKeepsTheFormatOfTheFirstCharacter) {
    RichTextBox box;
    box.SetTextRTF(cellDocument("Times New Roman", 177, 14, "\\'e0"));
    box.SetText("\xe9");
    EXPECT_EQ(box.TextRTF(), "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset177 Times New Roman;}}\r\n"
                             "\\uc1\\pard\\f0\\fs28\\u233?\\par\r\n}\r\n" + std::string(1, '\0'));
    box.SetText("");
    EXPECT_EQ(body(box, 14), "");
}

TEST(RichTextBoxSelection, ParagraphMarkCountsTwo) {
    RichTextBox box;
    box.SetText("ab\r\ncd");
    box.SetSelStart(4);
    EXPECT_EQ(box.SelStart(), 4);
    box.SetSelLength(2);
    EXPECT_EQ(selected(box), "cd");
    box.SetSelStart(1);
    box.SetSelLength(4);
    EXPECT_EQ(selected(box), "b\r\nc");
    EXPECT_EQ(box.SelLength(), 4);
}

TEST(RichTextBoxSelection, NeverBetweenCrAndLf) {
    RichTextBox box;
    box.SetText("ab\r\ncd");
    box.SetSelStart(3);
    EXPECT_EQ(box.SelStart(), 2);
    box.SetSelStart(0);
    box.SetSelLength(3);  // an end inside the mark takes the whole mark
    EXPECT_EQ(box.SelLength(), 4);
    EXPECT_EQ(selected(box), "ab\r\n");
}

TEST(RichTextBoxSelection, PositionsAreClamped) {
    RichTextBox box;
    box.SetText("ab\r\ncd");
    box.SetSelStart(99);
    EXPECT_EQ(box.SelStart(), 6);
    box.SetSelStart(-5);
    EXPECT_EQ(box.SelStart(), 0);
    box.SetSelStart(5);
    box.SetSelLength(99);
    EXPECT_EQ(box.SelLength(), 1);
    box.SetSelLength(-1);
    EXPECT_EQ(box.SelLength(), 0);
}

TEST(RichTextBoxSelection, SettingTheStartDropsTheSelection) {
    RichTextBox box;
    box.SetText("abc");
    box.SetSelStart(0);
    box.SetSelLength(3);
    box.SetSelStart(1);
    EXPECT_EQ(box.SelLength(), 0);
}

TEST(RichTextBoxSelection, ManyParagraphsMapBothWays) {
    RichTextBox box;
    std::string text;
    for (int i = 0; i < 200; ++i) text += std::string(static_cast<size_t>(i % 5), 'x') + "\r\n";
    box.SetText(text);
    for (int pos = 0; pos <= static_cast<int>(text.size()); ++pos) {
        box.SetSelStart(pos);
        const bool insideMark = pos > 0 && text[static_cast<size_t>(pos) - 1] == '\r';
        ASSERT_EQ(box.SelStart(), insideMark ? pos - 1 : pos);
    }
}

TEST(RichTextBoxSelection, SelTextReplacesInTheSelectionsFormat) {
    RichTextBox box;
    box.SetTextRTF("{\\rtf1{\\fonttbl{\\f0\\fcharset177 H;}}\\fs30 ab{\\b cd}}");
    box.SetSelStart(2);
    box.SetSelLength(1);
    box.SetSelText("x\r\ny");
    EXPECT_EQ(box.Text(), "abx\r\nyd");
    EXPECT_EQ(box.SelStart(), 6);
    EXPECT_EQ(box.TextRTF(), "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset177 H;}}\r\n"
                             "\\uc1\\pard\\f0\\fs30 ab\\b x\\par\r\nyd\\par\r\n}\r\n" + std::string(1, '\0'));
}

// ---- RTF in and out ----

TEST(RichTextBoxRtf, EmptyControlWritesTheEmptyDocument) {
    RichTextBox box;
    EXPECT_EQ(box.TextRTF(), kHead + "\\uc1\\pard\\f0\\fs24\\par\r\n}\r\n" + std::string(1, '\0'));
    EXPECT_TRUE(box.TextRTF().ends_with(rtf::kTextRtfTail));
}

TEST(RichTextBoxRtf, ItsOwnRtfReadsBackUnchanged) {
    RichTextBox box;
    box.SetTextRTF("{\\rtf1{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset178 B;}}{\\colortbl;\\red0\\green128\\blue0;}"
                   "\\qr\\f1\\fs30\\'c7{\\cf1\\i x}\\par\\pard\\f0 y\\par\\par}");
    const std::string once = box.TextRTF();
    box.SetTextRTF(once);
    EXPECT_EQ(box.TextRTF(), once);
    EXPECT_EQ(box.Text(), "?x\r\ny\r\n");
}

TEST(RichTextBoxRtf, NoRtfIsTakenAsPlainText) {
    RichTextBox box;
    box.SetTextRTF("just {text}\r\nhere");
    EXPECT_EQ(box.Text(), "just {text}\r\nhere");
}

TEST(RichTextBoxRtf, TheControlsFontServesTextWithoutOne) {
    RichTextBox box;
    box.SetFontName("Courier New");
    EXPECT_EQ(box.font().family().toStdString(), "Courier New");
    box.SetTextRTF("{\\rtf1 x}");
    EXPECT_NE(box.TextRTF().find("{\\f0\\fnil\\fcharset0 Courier New;}"), std::string::npos);
    // A document with its own font table keeps its faces.
    box.SetTextRTF(cellDocument("Arial", 0, 12, "x"));
    EXPECT_NE(box.TextRTF().find("{\\f0\\fnil\\fcharset0 Arial;}"), std::string::npos);
}

TEST(RichTextBoxRtf, SaveFileWritesWithoutTheNulAndLoadFileReadsIt) {
    RichTextBox box;
    box.SetTextRTF(cellDocument("Times New Roman", 177, 14, "\\'e0"));
    ASSERT_TRUE(box.SaveFile("RTB.RTF"));
    const std::string saved = testing_support::ReadFile("RTB.RTF").value_or("");
    EXPECT_EQ(saved + std::string(1, '\0'), box.TextRTF());

    RichTextBox other;
    ASSERT_TRUE(other.LoadFile("RTB.RTF", {}));
    EXPECT_EQ(other.TextRTF(), box.TextRTF());
    EXPECT_FALSE(other.LoadFile("MISSING.RTF", {}));
    EXPECT_EQ(other.TextRTF(), box.TextRTF());
}

// ---- Formatting the selection ----

TEST(RichTextBoxFormat, SelFontSizeChangesOnlyTheSize) {
    RichTextBox box;
    box.SetTextRTF("{\\rtf1{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset177 H;}}\\b a\\f1\\'e0}");
    box.SetSelStart(0);
    box.SetSelLength(2);
    box.SetSelFontSize(20);
    EXPECT_EQ(box.TextRTF(), "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 A;}"
                             "{\\f1\\fnil\\fcharset177 H;}}\r\n\\uc1\\pard\\b\\f0\\fs40 a\\f1\\'e0\\par\r\n}\r\n" +
                                 std::string(1, '\0'));
}

TEST(RichTextBoxFormat, SelFontNameChangesTheFaceAndKeepsTheCharset) {
    RichTextBox box;
    box.SetTextRTF(cellDocument("Arial", 177, 12, "\\'e0x"));
    box.SetSelStart(0);
    box.SetSelLength(1);
    box.SetSelFontName("David");
    EXPECT_EQ(box.TextRTF(), "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset177 David;}"
                             "{\\f1\\fnil\\fcharset177 Arial;}}\r\n\\uc1\\pard\\f0\\fs24\\'e0\\f1 x\\par\r\n}\r\n" +
                                 std::string(1, '\0'));
}

TEST(RichTextBoxFormat, AttributesAndColour) {
    RichTextBox box;
    box.SetText("abc");
    box.SetSelStart(1);
    box.SetSelLength(1);
    box.SetSelBold(true);
    box.SetSelItalic(true);
    box.SetSelUnderline(true);
    box.SetSelColor(0xFF0000);  // blue, as the platform writes colours
    EXPECT_EQ(body(box, 12), " a\\b\\i\\ul\\cf1 b\\b0\\i0\\ulnone\\cf0 c");
    EXPECT_NE(box.TextRTF().find("{\\colortbl ;\\red0\\green0\\blue255;}"), std::string::npos);
    box.SetSelColor(0);
    box.SetSelBold(false);
    box.SetSelItalic(false);
    box.SetSelUnderline(false);
    EXPECT_EQ(body(box, 12), " abc");
    EXPECT_EQ(box.TextRTF().find("colortbl"), std::string::npos);
}

// The reverse conversion's normalisation: whatever the runs were, the whole
// text ends up in one format and the body holds only text and paragraphs.
TEST(RichTextBoxFormat, NormalisingTheWholeTextLeavesOneFormat) {
    RichTextBox box;
    box.SetTextRTF("{\\rtf1{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset0 B;}}{\\colortbl;\\red9\\green0\\blue0;}"
                   "\\f1\\fs40{\\b\\cf1 x}\\par\\par{\\i\\ul y}\\fs10\\par}");
    box.SetSelStart(0);
    box.SetSelLength(static_cast<int>(box.Text().size()));
    box.SetSelFontName("Arial");
    box.SetSelFontSize(12);
    box.SetSelColor(0);
    box.SetSelBold(false);
    box.SetSelItalic(false);
    box.SetSelUnderline(false);
    EXPECT_EQ(box.TextRTF(), kHead + "\\uc1\\pard\\f0\\fs24 x\\par\r\n\\par\r\ny\\par\r\n}\r\n" +
                                 std::string(1, '\0'));
}

// Every empty paragraph of the selection takes the change, the one it begins with
// too (at the start and after it); the changes at once leave what single ones do.
TEST(RichTextBoxFormat, EmptyParagraphsOfTheSelectionTakeTheChange) {
    const std::string rtf = "{\\rtf1{\\fonttbl{\\f1\\fcharset0 B;}}\\f1\\fs40\\b\\par x\\par\\par y}";
    for (const auto& [start, expected] : {std::pair{0, "\\par\r\nx\\par\r\n\\par\r\ny"}, std::pair{5, "\\par\r\ny"}}) {
        RichTextBox single, once;
        for (RichTextBox* box : {&single, &once}) {
            box->SetTextRTF(rtf);
            box->SetSelStart(start);
            box->SetSelLength(static_cast<int>(box->Text().size()) - start);
        }
        single.SetSelFontName("Arial");
        single.SetSelFontSize(12);
        single.SetSelColor(0);
        single.SetSelBold(false);
        single.SetSelItalic(false);
        single.SetSelUnderline(false);
        once.SetSelPlainFont("Arial", 12);
        EXPECT_EQ(body(once, 12), expected) << start;
        EXPECT_EQ(single.TextRTF(), once.TextRTF()) << start;
    }
}

TEST(RichTextBoxFormat, CollectingACellResizesItsWholeText) {
    for (const char* cell : {"\\u1575?", "\\'e0", " x", "\\'e0 x\\u1575?"}) {
        RichTextBox box;
        box.SetTextRTF(cellDocument("Arial", 177, 30, cell));
        box.SetSelStart(0);
        box.SetSelLength(static_cast<int>(box.Text().size()));
        box.SetSelFontSize(12);
        EXPECT_EQ(body(box, 12), cell);
    }
}

TEST(RichTextBoxFormat, EmptyBoxTakesTheSizeForWhatComes) {
    RichTextBox box;
    box.SetTextRTF(cellDocument("Arial", 0, 12, ""));
    box.SetSelStart(0);
    box.SetSelLength(0);
    box.SetSelFontSize(48);
    EXPECT_EQ(box.TextRTF(), kHead + "\\uc1\\pard\\f0\\fs96\\par\r\n}\r\n" + std::string(1, '\0'));
}

TEST(RichTextBoxFormat, WithNothingSelectedTheFormatIsForWhatIsTypedNext) {
    RichTextBox box;
    box.SetText("a");
    box.SetSelStart(1);
    box.SetSelBold(true);
    QKeyEvent e(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x");
    QApplication::sendEvent(&box, &e);
    EXPECT_EQ(body(box, 12), " a\\b x");
}

TEST(RichTextBoxFormat, AlignmentOfEveryTouchedParagraph) {
    RichTextBox box;
    box.SetText("a\r\nb\r\nc");
    box.SetSelStart(0);
    box.SetSelLength(static_cast<int>(box.Text().size()));
    box.SetSelAlignment(1);
    EXPECT_EQ(box.TextRTF(), kHead + "\\uc1\\pard\\qr\\f0\\fs24 a\\par\r\nb\\par\r\nc\\par\r\n}\r\n" +
                                 std::string(1, '\0'));
    box.SetSelStart(3);
    box.SetSelAlignment(0);
    EXPECT_EQ(rtf::alignOf(box.document()->findBlockByNumber(1).blockFormat()), rtf::Align::Left);
    EXPECT_EQ(rtf::alignOf(box.document()->findBlockByNumber(2).blockFormat()), rtf::Align::Right);
}

// ---- Size, events, clipboard ----

TEST(RichTextBoxWidget, SizeInTwipsKeepsTheCorner) {
    RichTextBox box;
    box.move(10, 20);
    box.SetHeight(1380);
    box.SetWidth(1971);
    EXPECT_EQ(box.width(), dlg::TwipsToPixelsX(1971));
    EXPECT_EQ(box.height(), dlg::TwipsToPixelsY(1380));
    EXPECT_NEAR(dlg::PixelsToTwipsX(box.width()), 1971, 1440.0 / 72);
    EXPECT_EQ(box.pos(), QPoint(10, 20));
}

void mouse(QWidget* target, QEvent::Type type, QPoint at) {
    QMouseEvent e(type, at, target->mapToGlobal(at), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &e);
}

TEST(RichTextBoxWidget, ClickComesAfterTheCaretMoved) {
    RichTextBox box;
    box.resize(300, 100);
    box.show();
    box.SetText("abcdef");
    box.SetSelStart(6);
    int caretAtClick = -1;
    QObject::connect(&box, &RichTextBox::Click, [&] { caretAtClick = box.SelStart(); });
    int dblClicks = 0;
    QObject::connect(&box, &RichTextBox::DblClick, [&] { ++dblClicks; });
    const QPoint at = box.cursorRect(QTextCursor(box.document())).center();
    mouse(box.viewport(), QEvent::MouseButtonPress, at);
    mouse(box.viewport(), QEvent::MouseButtonRelease, at);
    EXPECT_EQ(caretAtClick, 0);
    caretAtClick = -1;
    mouse(box.viewport(), QEvent::MouseButtonDblClick, at);
    mouse(box.viewport(), QEvent::MouseButtonRelease, at);
    EXPECT_EQ(dblClicks, 1);
    EXPECT_EQ(caretAtClick, -1);  // the release of a double-click is no second click
}

TEST(RichTextBoxWidget, ZeroMarginsOutliveNewContent) {
    RichTextBox box;
    box.SetZeroMargins();
    box.SetTextRTF(cellDocument("Arial", 0, 12, "x"));
    EXPECT_EQ(box.document()->documentMargin(), 0);
    EXPECT_EQ(box.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST(RichTextBoxWidget, ShiftEnterEndsAParagraph) {
    RichTextBox box;
    box.SetText("ab");
    box.SetSelStart(1);
    QKeyEvent e(QEvent::KeyPress, Qt::Key_Return, Qt::ShiftModifier, "\r");
    QApplication::sendEvent(&box, &e);
    EXPECT_EQ(box.Text(), "a\r\nb");
}

TEST(RichTextBoxClipboard, CopyPutsRtfAndPlainText) {
    RichTextBox box;
    box.SetTextRTF(cellDocument("Times New Roman", 177, 14, "a\\'e0\\par b"));
    box.SelectAll();
    box.Copy();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->text(), QString::fromUtf8("a\u05D0\nb"));
    const QByteArray rtf = data->data("text/rtf");
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset177 Times New Roman;}}"));
    EXPECT_TRUE(rtf.contains("a\\'e0\\par\r\nb\\par\r\n}"));
}

TEST(RichTextBoxClipboard, PasteTakesRtfThroughTheReader) {
    RichTextBox source;
    source.SetTextRTF(cellDocument("Times New Roman", 177, 14, "\\'e0"));
    source.SelectAll();
    source.Copy();

    RichTextBox cell;
    cell.SetTextRTF(cellDocument("Arial", 0, 12, ""));
    cell.Paste();
    EXPECT_EQ(cell.TextW(), QString::fromUtf8("\u05D0"));
    EXPECT_EQ(rtf_test::cellCut(cell.TextRTF(), 14, rtf::kTextRtfTail.size()), "\\'e0");
}

TEST(RichTextBoxClipboard, PastedParagraphsFollowTheCaret) {
    RichTextBox source;
    source.SetText("12\r\n34");
    source.SetSelStart(1);
    source.SetSelLength(4);
    source.Copy();

    RichTextBox target;
    target.SetText("ab");
    target.SetSelStart(1);
    target.Paste();
    EXPECT_EQ(target.Text(), "a2\r\n3b");
    EXPECT_EQ(target.SelStart(), 5);
}

TEST(RichTextBoxClipboard, PlainTextPastesInTheCurrentFormat) {
    QApplication::clipboard()->setText(QString::fromUtf8("\u05D0x\ny"));
    RichTextBox cell;
    cell.SetTextRTF(cellDocument("Times New Roman", 177, 14, ""));
    cell.Paste();
    EXPECT_EQ(cell.TextRTF(), "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset177 Times New Roman;}}\r\n"
                              "\\uc1\\pard\\f0\\fs28\\'e0x\\par\r\ny\\par\r\n}\r\n" + std::string(1, '\0'));
}

TEST(RichTextBoxClipboard, CutAndDelete) {
    RichTextBox box;
    box.SetText("ab\r\ncd");
    box.SetSelStart(0);
    box.SetSelLength(1);
    box.Cut();
    EXPECT_EQ(box.Text(), "b\r\ncd");
    EXPECT_EQ(QApplication::clipboard()->text(), "a");
    box.SetSelStart(1);
    box.Delete();  // the paragraph mark goes whole
    EXPECT_EQ(box.Text(), "bcd");
    box.SetSelStart(0);
    box.SetSelLength(2);
    box.Delete();
    EXPECT_EQ(box.Text(), "d");
}

}  // namespace
