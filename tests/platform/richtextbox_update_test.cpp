// A new content replaces only the paragraphs (and characters) that differ
// from those shown: the control must end exactly as if it had been built
// anew, over thousands of edits of every kind.
#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

#include "platform/richtextbox.h"
#include "platform/text_layout.h"
#include "rtf/rtf_test_support.h"
#include "rtf/writer.h"
#include "support/testing.h"

using platform::RichTextBox;

namespace {

using testing_support::Random;

// Runs in two fonts of different character sets (bytes written "\'hh"), a
// bold and a coloured one.
std::vector<rtf::CharFormat> formats() {
    std::vector<rtf::CharFormat> f;
    f.push_back(rtf_test::format("Arial", 0, 24));
    f.push_back(rtf_test::format("Times New Roman", 177, 24));
    f.push_back(rtf_test::format("Times New Roman", 177, 30));
    rtf::CharFormat bold = rtf_test::format("Arial", 0, 24);
    bold.bold = true;
    f.push_back(bold);
    rtf::CharFormat red = rtf_test::format("Arial", 0, 24);
    red.rgb = 0xCC0000;
    f.push_back(red);
    return f;
}

QString randomText(Random& r, size_t n) {
    static const std::u16string chars = u"abc xyz  #*\u05D0\u05D1\u05D2\u03B1\u03B2\u00E4\u20AC.,";
    QString s;
    for (size_t i = 0; i < n; ++i) s.append(QChar(chars[r.Below(chars.size())]));
    return s;
}

rtf::Paragraph randomParagraph(Random& r, const std::vector<rtf::CharFormat>& fs) {
    rtf::Paragraph p;
    p.mark = fs[r.Below(fs.size())];
    for (size_t n = r.Chance(15) ? 0 : 1 + r.Below(3); n > 0; --n)
        p.runs.push_back({randomText(r, 1 + r.Below(30)), fs[r.Below(fs.size())]});
    return p;
}

// The text of a paragraph as (character, format) pairs and back.
using Chars = std::vector<std::pair<QChar, rtf::CharFormat>>;

Chars charsOf(const rtf::Paragraph& p) {
    Chars out;
    for (const rtf::Run& run : p.runs)
        for (QChar c : run.text) out.emplace_back(c, run.format);
    return out;
}

void setChars(rtf::Paragraph& p, const Chars& chars) {
    p.runs.clear();
    for (const auto& [c, f] : chars) {
        if (p.runs.empty() || !(p.runs.back().format == f)) p.runs.push_back({QString(), f});
        p.runs.back().text.append(c);
    }
}

// One edit as a user's typing, pasting or reformatting makes it.
void edit(Random& r, rtf::Document& d, const std::vector<rtf::CharFormat>& fs) {
    auto& ps = d.paragraphs;
    const size_t at = r.Below(ps.size());
    Chars chars = charsOf(ps[at]);
    const size_t pos = r.Below(chars.size() + 1);
    switch (r.Below(8)) {
    case 0:
    case 1: {  // typing
        const rtf::CharFormat f = chars.empty() ? ps[at].mark : chars[pos == 0 ? 0 : pos - 1].second;
        for (QChar c : randomText(r, 1 + r.Below(3))) chars.insert(chars.begin() + static_cast<long>(pos), {c, f});
        setChars(ps[at], chars);
        break;
    }
    case 2: {  // deleting, within the paragraph or on into the next ones
        if (r.Chance(70) || at + 1 == ps.size()) {
            chars.erase(chars.begin() + static_cast<long>(pos),
                        chars.begin() + static_cast<long>(std::min(chars.size(), pos + 1 + r.Below(5))));
            setChars(ps[at], chars);
        } else {
            const size_t last = std::min(ps.size() - 1, at + 1 + r.Below(3));
            Chars tail = charsOf(ps[last]);
            tail.erase(tail.begin(), tail.begin() + static_cast<long>(r.Below(tail.size() + 1)));
            chars.resize(pos);
            chars.insert(chars.end(), tail.begin(), tail.end());
            setChars(ps[at], chars);
            ps.erase(ps.begin() + static_cast<long>(at) + 1, ps.begin() + static_cast<long>(last) + 1);
        }
        break;
    }
    case 3: {  // a line break
        rtf::Paragraph second = ps[at];
        setChars(second, Chars(chars.begin() + static_cast<long>(pos), chars.end()));
        chars.resize(pos);
        setChars(ps[at], chars);
        ps.insert(ps.begin() + static_cast<long>(at) + 1, second);
        break;
    }
    case 4: {  // pasting paragraphs
        std::vector<rtf::Paragraph> pasted;
        for (size_t n = 1 + r.Below(4); n > 0; --n) pasted.push_back(randomParagraph(r, fs));
        ps.insert(ps.begin() + static_cast<long>(at), pasted.begin(), pasted.end());
        break;
    }
    case 5: {  // another font (and character set) for a stretch
        const rtf::CharFormat f = fs[r.Below(fs.size())];
        for (size_t i = pos; i < std::min(chars.size(), pos + 1 + r.Below(8)); ++i) chars[i].second = f;
        setChars(ps[at], chars);
        break;
    }
    case 6:  // an alignment of its own
        ps[at].align = r.Chance(50) ? rtf::Align::Right : rtf::Align::Center;
        break;
    default:  // a paragraph dropped or a new one
        if (ps.size() > 1 && r.Chance(50)) {
            ps.erase(ps.begin() + static_cast<long>(at));
        } else {
            ps.insert(ps.begin() + static_cast<long>(at), randomParagraph(r, fs));
        }
    }
}

// Everything the document holds: per paragraph its format, and per character
// run its format, as Qt keeps them.
std::string structure(const QTextDocument& doc) {
    QString out;
    for (QTextBlock b = doc.firstBlock(); b.isValid(); b = b.next()) {
        out += QStringLiteral("|%1:%2:%3")
                   .arg(static_cast<int>(b.blockFormat().alignment()))
                   .arg(b.blockFormat().properties().size())
                   .arg(b.charFormat().properties().size());
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            out += QStringLiteral("[%1/%2/%3/%4]")
                       .arg(it.fragment().text(), f.fontFamilies().toStringList().join(u','))
                       .arg(f.fontPointSize())
                       .arg(f.fontWeight());
        }
    }
    return out.toStdString();
}

void expectSame(RichTextBox& updated, RichTextBox& built, const std::string& what) {
    ASSERT_EQ(updated.TextRTF(), built.TextRTF()) << what;
    ASSERT_EQ(updated.Text(), built.Text()) << what;
    ASSERT_EQ(updated.TextW(), built.TextW()) << what;
    ASSERT_EQ(updated.SelStart(), built.SelStart()) << what;
    ASSERT_EQ(updated.SelLength(), built.SelLength()) << what;
    ASSERT_EQ(structure(*updated.document()), structure(*built.document())) << what;
    // The layout kept up to date paragraph by paragraph stands where a new
    // one would stand.
    auto* a = qobject_cast<platform::TextLayout*>(updated.document()->documentLayout());
    auto* b = qobject_cast<platform::TextLayout*>(built.document()->documentLayout());
    ASSERT_TRUE(a && b);
    // Every paragraph laid out: those above the last one are when it is asked for.
    a->blockBoundingRect(updated.document()->lastBlock());
    b->blockBoundingRect(built.document()->lastBlock());
    ASSERT_EQ(a->documentSize(), b->documentSize()) << what;
    QTextBlock y = built.document()->firstBlock();
    for (QTextBlock x = updated.document()->firstBlock(); x.isValid(); x = x.next(), y = y.next())
        ASSERT_EQ(a->blockBoundingRect(x), b->blockBoundingRect(y)) << what << " paragraph " << x.blockNumber();
}

}  // namespace

TEST(RichTextBoxUpdate, EndsAsIfBuiltAnewOverThousandsOfEdits) {
    Random r(1701);
    const std::vector<rtf::CharFormat> fs = formats();
    // Both shown with a scroll bar, so that their lines are equally wide.
    auto makeBox = [](RichTextBox& box) {
        box.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box.resize(300, 200);
        box.show();
    };
    RichTextBox updated;
    makeBox(updated);
    for (int run = 0; run < 5; ++run) {
        rtf::Document d;
        d.paragraphs.clear();
        for (size_t n = 1 + r.Below(12); n > 0; --n) d.paragraphs.push_back(randomParagraph(r, fs));
        for (int step = 0; step < 400; ++step) {
            edit(r, d, fs);
            const std::optional<int> alignment = r.Chance(20) ? std::optional<int>(r.Below(3)) : std::nullopt;
            const std::string rtf = rtf::write(d);
            updated.SetTextRTF(rtf, alignment);
            RichTextBox built;
            makeBox(built);
            built.SetTextRTF(rtf, alignment);
            ASSERT_NO_FATAL_FAILURE(
                expectSame(updated, built, "run " + std::to_string(run) + " step " + std::to_string(step) + "\n" + rtf));
            // Now and then the user changes the window in between.
            if (r.Chance(5)) {
                updated.SetSelStart(static_cast<int>(r.Below(updated.Text().size() + 1)));
                updated.SetSelLength(static_cast<int>(r.Below(6)));
                updated.SetSelText("q\r\nr");
            } else if (r.Chance(5)) {
                updated.SetSelStart(0);
                updated.SetSelLength(static_cast<int>(updated.Text().size()));
                updated.SetSelAlignment(static_cast<int>(r.Below(3)));
            }
        }
    }
}

TEST(RichTextBoxUpdate, ALongParagraphChangesInItsCharacters) {
    // One paragraph of tens of thousands of characters (laid out in
    // sections) changed here and there, as typing into a text without blanks.
    Random r(99);
    const std::vector<rtf::CharFormat> fs = formats();
    rtf::Document d;
    d.paragraphs.front().mark = fs[0];
    for (int i = 0; i < 2500; ++i)
        d.paragraphs.front().runs.push_back({QStringLiteral("abcdefghijklmnopq").left(5 + i % 11), fs[i % 3]});
    RichTextBox updated;
    updated.resize(400, 300);
    updated.SetTextRTF(rtf::write(d));
    // Shown, a box given its selection with the content (mostly one the
    // edits fall in) ends as if the selection had been set after it. The
    // selection: `span` characters (or all but the last `keep`) of the
    // longest paragraph from its `skip`th on, the view anywhere before.
    RichTextBox together, stepwise;
    for (RichTextBox* box : {&together, &stepwise}) {
        box->resize(400, 300);
        box->show();
        box->SetTextRTF(rtf::write(d));
    }
    const rtf::Document start = d;
    rtf::Document e = d;
    int skip = 100, keep = 50, span = 0;
    Random pick(7);
    for (int step = 0; step < 150; ++step) {
        edit(r, d, fs);
        const std::string rtf = rtf::write(d);
        updated.SetTextRTF(rtf);
        RichTextBox built;
        built.SetTextRTF(rtf);
        ASSERT_EQ(updated.TextRTF(), built.TextRTF()) << "step " << step;
        ASSERT_EQ(updated.Text(), built.Text()) << "step " << step;
        ASSERT_EQ(structure(*updated.document()), structure(*built.document())) << "step " << step;
        if (step % 10 == 0) e = start;  // whole again, and first
        edit(pick, e, fs);
        built.SetTextRTF(rtf::write(e));
        QTextBlock longest = built.document()->firstBlock();
        for (QTextBlock b = longest; b.isValid(); b = b.next()) longest = b.length() > longest.length() ? b : longest;
        if (pick.Chance(10)) {
            skip = static_cast<int>(pick.Below(500)), keep = static_cast<int>(pick.Below(500));
            span = pick.Chance(50) ? static_cast<int>(1 + pick.Below(300)) : 0;
        }
        const int from = longest.position() + longest.blockNumber() + skip;
        const int length = span ? span : longest.length() - 1 - skip - keep;
        const int view = static_cast<int>(pick.Below(static_cast<size_t>(together.verticalScrollBar()->maximum()) + 1));
        for (RichTextBox* box : {&together, &stepwise}) box->verticalScrollBar()->setValue(view);
        together.SetTextRTF(rtf::write(e), std::nullopt, from, length);
        stepwise.SetTextRTF(rtf::write(e));
        stepwise.SetSelStart(from);
        stepwise.SetSelLength(length);
        ASSERT_EQ(together.TextRTF(), built.TextRTF()) << "step " << step;
        ASSERT_EQ(std::pair(together.textCursor().anchor(), together.textCursor().position()),
                  std::pair(stepwise.textCursor().anchor(), stepwise.textCursor().position())) << "step " << step;
        ASSERT_EQ(together.verticalScrollBar()->value(), stepwise.verticalScrollBar()->value()) << "step " << step;
    }
}

TEST(RichTextBoxUpdate, TheLastRtfServesTextRtfAndTheSnapshotUntilAChange) {
    RichTextBox box;
    box.SetTextRTF("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0 Arial;}}\\fs24 ab\\par cd}");
    const std::string first = box.TextRTF();
    EXPECT_EQ(box.TextRTF(), first);
    // Any change of the document, also one made past the control, is seen.
    QTextCursor c(box.document());
    c.movePosition(QTextCursor::End);
    c.insertText(QStringLiteral("e"));
    EXPECT_NE(box.TextRTF(), first);
    EXPECT_EQ(box.Text(), "ab\r\ncde");
    QTextCursor all(box.document());
    all.select(QTextCursor::Document);
    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
    all.mergeBlockFormat(right);
    EXPECT_NE(box.TextRTF().find("\\qr"), std::string::npos);
}
