#pragma once
// The run model between RTF and a QTextDocument: paragraphs of runs, each run
// with the face, character set, size, attributes and colour it is shown in.
// The reader builds it from RTF, the writer turns it into RTF, and the two
// conversions below move it into and out of a QTextDocument. The character set
// of a run travels with it (in the QTextCharFormat under kCharsetProperty), so
// that what was read as a byte of a character set is written back as one.
#include <QString>
#include <QTextFormat>
#include <cstdint>
#include <vector>

class QTextBlockFormat;
class QTextCharFormat;
class QTextCursor;
class QTextDocument;

namespace rtf {

enum class Align { Left, Right, Center };

struct CharFormat {
    QString face;
    int charset = 0;      // RTF \fcharset number
    int halfPoints = 24;  // RTF \fs value
    bool bold = false;
    bool italic = false;
    bool underline = false;
    std::uint32_t rgb = 0;  // 0xRRGGBB; black is the default colour and is never written

    bool operator==(const CharFormat&) const = default;
};

struct Run {
    QString text;  // UTF-16; never holds a paragraph break
    CharFormat format;

    bool operator==(const Run&) const = default;
};

struct Paragraph {
    Align align = Align::Left;
    CharFormat mark;  // the format of the paragraph mark: what an empty paragraph shows
    std::vector<Run> runs;

    bool operator==(const Paragraph&) const = default;
};

// Always at least one paragraph.
struct Document {
    std::vector<Paragraph> paragraphs{Paragraph{}};
};

inline constexpr int kCharsetProperty = QTextFormat::UserProperty + 1;

// RTF sizes are whole half-points from 1 to 3276 (1638 points).
int clampHalfPoints(long long halfPoints);

QTextCharFormat toQt(const CharFormat& format);
// Alignment is absolute and paragraphs run left to right, as in the Windows
// control: a paragraph of Arabic letters set left stays at the left edge.
QTextBlockFormat toQt(Align align);
Align alignOf(const QTextBlockFormat& format);
// Properties the format does not carry come from `defaults`.
CharFormat fromQt(const QTextCharFormat& format, const CharFormat& defaults);

// The format of text that carries nothing of its own: the document's default
// font, character set 0.
CharFormat defaultFormat(const QTextDocument& doc);

// Replaces the document's content by the model (one edit block).
void setContent(QTextDocument& doc, const Document& model);

// Brings the model into the form a document holding it gives back (toModel):
// no empty runs, neighbouring runs of one format joined, a font without a
// face in the document's default face. Applying it gives the same document.
void normalize(Document& model, const CharFormat& defaults);

// Makes the document, which holds `shown` (as setContent or this left it),
// hold `next` instead, with the same result as setContent: the paragraphs
// that both share at the start and at the end stay, those between are
// replaced in one edit block, so that only they are laid out again. False
// where setContent must serve: the paragraphs to replace hold most of the
// text (the document is then left untouched, as setContent lays out a whole
// new document faster), or the document turns out not to have held `shown`.
bool updateContent(QTextDocument& doc, const Document& shown, const Document& next);

// Replaces the cursor's selection by the model; its first paragraph joins the
// paragraph at the cursor, each further one follows a new paragraph mark.
void insert(QTextCursor& cursor, const Document& model);

// The model of the document's characters from position `from` to `to` (-1: to
// the end). A paragraph mark inside the range ends a paragraph of the model.
Document toModel(const QTextDocument& doc, int from = 0, int to = -1);

}  // namespace rtf
